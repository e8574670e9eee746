#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Windows installer and zip (the mingw preset's package target) and
# proves the installer under wine, in a wine prefix made for this run:
#  - it installs silently (/S) the files the zip holds, and nothing else;
#  - the installed dspprog-cli.exe, started from another folder, finds the
#    installed catalogue and identifies the emulated chip;
#  - the installed window starts offscreen on the emulated programmer, with
#    Qt's DLLs and plugins from the install, and opens the chip file;
#  - on an X server (Xvfb), the installed window reads the emulated chip
#    when xdotool presses its buttons;
#  - its uninstaller removes the files, the Start-menu entries and the
#    registry keys again.
# Set-up first: scripts/install-deps.sh --windows (which makes Qt for mingw).
# Usage: scripts/check-windows-package.sh [BUILD_DIR]   (default build/mingw)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/mingw}

fail() {
    echo "check-windows-package: $*" >&2
    exit 1
}

for tool in Xvfb xdotool; do
    command -v "$tool" >/dev/null || fail "$tool is missing (scripts/install-deps.sh --windows)"
done
export WINEDEBUG=-all
wine64=/usr/lib/wine/wine64
tmp=$(mktemp -d)
export WINEPREFIX=$tmp/prefix
# An X server of its own from the start: wine's desktop, made with the
# prefix, must have a display for a window to show later.
display=:$((100 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x900x24 </dev/null >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=$display
stop_wine() {
    wineserver -k </dev/null >/dev/null 2>&1 || true
    wineserver -w </dev/null >/dev/null 2>&1 || true
}
trap 'stop_wine; kill "$xvfb" 2>/dev/null; rm -rf "$tmp"' EXIT
# Started before the build, detached from every pipe, with a persistent
# server (the build runs Windows programs; see run-windows-tests.sh).
"$wine64" wineboot --init </dev/null >/dev/null 2>&1
stop_wine
wineserver -p </dev/null >/dev/null 2>&1
"$wine64" wineboot </dev/null >/dev/null 2>&1

cmake --preset mingw -B "$build" >/dev/null
cmake --build "$build" -j2 --target package
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
installer=$build/dspprog-$version-win64.exe
zip=$build/dspprog-$version-win64.zip
[[ -f $installer && -f $zip ]] || fail "the build made no $installer and $zip"

# Runs a Windows program with its output in files; its status is returned.
win() {
    "$wine64" "$@" </dev/null >"$tmp/out" 2>"$tmp/err"
}
unix_path() {
    "$wine64" winepath -u "$1" </dev/null 2>/dev/null | tr -d '\r'
}

echo "== silent install of $installer"
win "$(realpath "$installer")" /S || fail "the installer ended with status $?"
root=$(unix_path 'C:\Program Files\dspprog')
menu=$(unix_path 'C:\ProgramData\Microsoft\Windows\Start Menu\Programs\dspprog')
[[ -d $root ]] || fail "nothing was installed in C:\\Program Files\\dspprog"

echo "== installed files against the zip"
installed=$(cd "$root" && find . -type f ! -name Uninstall.exe -printf '%P\n' | sort)
zipped=$(unzip -Z1 "$zip" | grep -v '/$' | sed 's|^[^/]*/||' | sort)
[[ $installed == "$zipped" ]] ||
    fail "the installer and the zip differ:"$'\n'"$(diff <(echo "$zipped") <(echo "$installed"))"
for file in bin/dspprog.exe bin/dspprog-cli.exe bin/Qt6Widgets.dll bin/platforms/qwindows.dll \
    bin/libstdc++-6.dll bin/translations/qtbase_ru.qm share/dspprog/chips.db LICENSE.txt \
    README.txt lib/libdspprog.dll lib/libdspprog.dll.a include/dspprog/dspprog.h; do
    grep -Fxq "$file" <<<"$installed" || fail "the install lacks $file"
done
[[ -f $root/Uninstall.exe ]] || fail "no uninstaller"
[[ -f $menu/dspprog.lnk ]] || fail "no Start-menu entry for the window"
echo "$(wc -l <<<"$installed") files:"
sed 's/^/  /' <<<"$installed"

# Where no chips.db is, with nothing in the user's data directories.
mkdir -p "$tmp/elsewhere" "$tmp/home"
cd "$tmp/elsewhere"
export HOME=$tmp/home XDG_DATA_HOME=$tmp/home

echo "== the installed dspprog-cli.exe from another folder"
win 'C:\Program Files\dspprog\bin\dspprog-cli.exe' --emulate 0120 --fast identify ||
    fail "the installed dspprog-cli ended with status $?: $(cat "$tmp/err")"
tr -d '\r' <"$tmp/out"
tr -d '\r' <"$tmp/out" | grep -Fxq "  AMD Am29F010. Объем: 131072 байт(а)." ||
    fail "the installed dspprog-cli did not identify the chip from the installed catalogue"

echo "== the installed window, offscreen, on the emulated programmer"
# The emulator makes the chip file once the window has found the catalogue,
# the chip in it and its platform plugin; the window then waits for the
# operator, and is ended here after a while alive.
# (wine hands no QT_* variable on: the platform goes on the command line).
"$wine64" 'C:\Program Files\dspprog\bin\dspprog.exe' -platform offscreen \
    --emulate 0120 --fast --chip-file chip.bin </dev/null >"$tmp/out" 2>"$tmp/err" &
window=$!
for _ in $(seq 60); do
    [[ -f chip.bin ]] && break
    kill -0 "$window" 2>/dev/null || break
    sleep 1
done
sleep 3
alive=true
kill -0 "$window" 2>/dev/null || alive=false
kill "$window" 2>/dev/null || true
wait "$window" 2>/dev/null || true
$alive || fail "the installed window ended early: $(cat "$tmp/out" "$tmp/err")"
[[ $(stat -c %s chip.bin 2>/dev/null) == 131072 ]] ||
    fail "the installed window did not open the emulated 128 KB chip"
echo "the window ran, chip.bin made ($(stat -c %s chip.bin) bytes)"

echo "== a read through the installed window, on an X server of its own"
# Offscreen, Qt takes no input from outside; so the operator's keys go to the
# installed window on the X server, drawn by the installed windows platform
# plugin. xdotool types them as windows-screenshot.sh does: Space on
# "Определить чип" (focused at start), then two Shift+Tab back to "Читать"
# and Space; then Alt+F4 until the window has closed (it stays while the read
# runs). The emulator writes its wire log as the program ends: the read is
# there as 32 blocks of 4096 bytes on MainIn.
"$wine64" 'C:\Program Files\dspprog\bin\dspprog.exe' --emulate 0120 --fast \
    --chip-file read-chip.bin --wire-log wire.txt </dev/null >"$tmp/out" 2>"$tmp/err" &
window=$!
found=""
for _ in $(seq 60); do
    found=$(xdotool search --onlyvisible --name TMS320 2>/dev/null | head -n 1) &&
        [[ -n $found ]] && break
    kill -0 "$window" 2>/dev/null || break
    sleep 1
done
[[ -n $found ]] || fail "the installed window showed no window on the X server: $(cat "$tmp/err")"
sleep 3
xdotool windowfocus --sync "$found"
xdotool key space
sleep 3
xdotool key shift+Tab shift+Tab space
sleep 5
for _ in $(seq 12); do
    kill -0 "$window" 2>/dev/null || break
    xdotool key alt+F4
    sleep 5
done
if kill -0 "$window" 2>/dev/null; then
    kill "$window" 2>/dev/null || true
    fail "the installed window did not close on Alt+F4"
fi
status=0
wait "$window" || status=$?
((status == 0)) || fail "the installed window ended with status $status: $(cat "$tmp/err")"
blocks=$(grep -c '^MainIn' wire.txt 2>/dev/null || true)
[[ $blocks == 32 ]] ||
    fail "the installed window's wire log holds ${blocks:-no} blocks of the chip's 32"
grep '^MainIn' wire.txt | awk 'NF - 1 != 4096 { bad = 1 } END { exit bad }' ||
    fail "a block of the window's read is not 4096 bytes long"
echo "the window read the 128 KB chip: 32 blocks of 4096 bytes in its wire log"

echo "== silent uninstall"
win 'C:\Program Files\dspprog\Uninstall.exe' /S || fail "the uninstaller ended with status $?"
# It runs on from a copy of itself in the temporary folder.
for _ in $(seq 60); do
    [[ -e $root || -e $menu ]] || break
    sleep 1
done
[[ ! -e $root ]] || fail "left behind: $(cd "$root" && find . | tr '\n' ' ')"
[[ ! -e $menu ]] || fail "the Start-menu folder is left behind"
for key in 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\dspprog' \
    'HKLM\Software\dspprog developers'; do
    if win reg query "$key"; then fail "the registry key $key is left behind"; fi
done
echo "Windows package OK: $installer, $zip"
