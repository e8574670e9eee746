#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-builds dspprog for Windows (the mingw preset) and runs its tests under
# wine. Set-up first: scripts/install-deps.sh --windows.
set -euo pipefail
cd "$(dirname "$0")/.."

export WINEDEBUG=-all
wine64=/usr/lib/wine/wine64

# The build and the tests run Windows programs. Started by one of them, wine's
# server and helper processes would inherit the pipes of ninja or ctest and
# keep them waiting, so wine is started here first, detached from every pipe,
# and stopped at the end.
stop_wine() {
    wineserver -k </dev/null >/dev/null 2>&1 || true
    wineserver -w </dev/null >/dev/null 2>&1 || true
}
trap stop_wine EXIT
# A server left over from an earlier run would make -p fail: stop it first.
stop_wine
# The server needs a prefix to start in, and a fresh machine has none:
# wineboot makes it ($WINEPREFIX, else ~/.wine), which takes some seconds the
# first time. Its own server is then replaced by a persistent one.
if [[ -n ${WINEPREFIX:-} ]]; then mkdir -p "$(dirname "$WINEPREFIX")"; fi
"$wine64" wineboot --init </dev/null >/dev/null 2>&1
stop_wine
wineserver -p </dev/null >/dev/null 2>&1
"$wine64" wineboot </dev/null >/dev/null 2>&1
# Wine marks a Unix file whose name starts with "." as hidden, unlike Windows,
# where only the attribute hides a file; the tests expect Windows.
"$wine64" reg add 'HKCU\Software\Wine' /v ShowDotFiles /d Y /f </dev/null >/dev/null 2>&1

cmake --preset mingw >/dev/null
cmake --build --preset mingw
ctest --preset mingw
