#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The picture of the Windows build of the window in docs/: window_screenshot.exe
# (tests/window) under wine on an X server of its own (Xvfb), with Qt's
# windows platform plugin, after an identification, a read and a comparison on
# the emulated programmer. Needs the mingw build with the window
# (scripts/run-windows-tests.sh) and xvfb.
# Usage: scripts/windows-screenshot.sh [OUTPUT.png]
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-docs/window-windows-after-compare.png}")
build=$PWD/build/mingw
[[ -f $build/tests/window/window_screenshot.exe ]] ||
    { echo "windows-screenshot: build the mingw preset with Qt first" >&2; exit 1; }

export WINEDEBUG=-all
wine64=/usr/lib/wine/wine64
tmp=$(mktemp -d)
export WINEPREFIX=$tmp/prefix
trap 'wineserver -k </dev/null >/dev/null 2>&1 || true; rm -rf "$tmp"' EXIT
"$wine64" wineboot --init </dev/null >/dev/null 2>&1

windows() { "$wine64" winepath -w "$1" 2>/dev/null | tr -d '\r'; }
# The second picture, during a write, is not kept.
xvfb-run -a -s "-screen 0 1024x768x24" \
    "$wine64" "$build/tests/window/window_screenshot.exe" "$(windows "$tmp/after.png")" \
    "$(windows "$tmp/during.png")" "$(windows "$build/chips.db")" </dev/null
cp "$tmp/after.png" "$out"
echo "windows-screenshot: $out"
