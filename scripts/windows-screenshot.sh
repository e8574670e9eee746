#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The picture of the Windows build of the window in docs/: dspprog.exe under
# wine on an X server of its own (Xvfb), with Qt's windows platform plugin and
# the emulated programmer on a chip file with a Cyrillic name. The operator's
# keys are typed by xdotool: Space on "Определить чип" (focused at start);
# while it runs the buttons are disabled and the focus goes on to the log, so
# two Shift+Tab go back to "Читать", and Space. The screen is taken with xwd and cut to the
# window by ImageMagick. Needs the mingw build with the window
# (scripts/run-windows-tests.sh), xvfb, xdotool, x11-apps and imagemagick.
# Usage: scripts/windows-screenshot.sh [OUTPUT.png]
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-docs/window-windows-after-read.png}")
build=$PWD/build/mingw
[[ -f $build/src/window/dspprog.exe ]] ||
    { echo "windows-screenshot: build the mingw preset with Qt first" >&2; exit 1; }
for tool in Xvfb xdotool xwd convert; do
    command -v "$tool" >/dev/null ||
        { echo "windows-screenshot: $tool is missing (xvfb xdotool x11-apps imagemagick)" >&2; exit 1; }
done

export WINEDEBUG=-all
wine64=/usr/lib/wine/wine64
tmp=$(mktemp -d)
export WINEPREFIX=$tmp/prefix
display=:$((90 + RANDOM % 100))
xvfb_pid=""
cleanup() {
    wineserver -k </dev/null >/dev/null 2>&1 || true
    [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$tmp"
}
trap cleanup EXIT
Xvfb "$display" -screen 0 1280x900x24 >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=$display
"$wine64" wineboot --init </dev/null >/dev/null 2>&1

windows() { "$wine64" winepath -w "$1" 2>/dev/null | tr -d '\r'; }
cp "$build/chips.db" "$tmp/chips.db"
"$wine64" "$build/src/window/dspprog.exe" --catalogue "$(windows "$tmp/chips.db")" \
    --emulate 0120 --fast --chip-file "$(windows "$tmp/чип.bin")" </dev/null >/dev/null 2>&1 &

# The window is up when the emulated chip's file has been made.
for _ in $(seq 120); do [[ -f $tmp/чип.bin ]] && break; sleep 1; done
[[ -f $tmp/чип.bin ]] || { echo "windows-screenshot: the window did not start" >&2; exit 1; }
sleep 3
xdotool windowfocus --sync "$(xdotool search --onlyvisible --name TMS320 | head -n 1)"
xdotool key space
sleep 3
xdotool key shift+Tab shift+Tab space
sleep 10
xwd -root -silent >"$tmp/screen.xwd"
# No window manager: the window is the one light area on the black root.
convert "xwd:$tmp/screen.xwd" -fuzz 10% -trim +repage "$out"
echo "windows-screenshot: $out"
