#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The pictures of the Windows build of the window in docs/, all three from one
# run of the real dspprog.exe under wine on an X server of its own (Xvfb), with
# Qt's windows platform plugin and the emulated programmer on a blank chip
# whose file has a Cyrillic name (чип.bin):
#   window-windows-after-read.png     after "Определить чип" and "Читать";
#   window-windows-file-dialog.png    "Сравнить" pressed next: the window's
#                                     open dialog over it, the system's own
#                                     (wine's), in Russian;
#   window-windows-after-compare.png  the name of an image that differs from
#                                     the chip in three bytes (образ.bin, made
#                                     here from the chip's file) typed into that
#                                     dialog: the first difference current.
# The operator's keys are typed by xdotool: Space on "Определить чип" (focused
# at start); an operation disables the buttons and the focus goes on to the
# log, so two Shift+Tab go back to "Читать", and then two Tab on to "Сравнить".
# Each step waits for what it brings: the window, the status line changed by
# the operation's end with "Читать" green (usable) again, the dialog.
# Wine runs in the ru_RU.UTF-8 locale, because its dialogs speak the language
# of its locale, and the locale must be there, or wine garbles the Cyrillic
# file names. The script makes a wine prefix of its own, and installs what
# is missing (scripts/install-deps.sh --screenshots: wine, Xvfb, xdotool,
# ImageMagick, the locale), which needs root or sudo.
#
# Usage: scripts/windows-screenshot.sh [OUTDIR]
#   OUTDIR is docs/ by default, whose pictures are replaced. Another folder is
#   made when missing; if it holds one of the three names already, nothing is
#   started and nothing replaced.
# DSPPROG_MINGW_BUILD: the mingw build with the window (default build/mingw,
# as scripts/run-windows-tests.sh makes it).
set -euo pipefail
cd "$(dirname "$0")/.."
say() { echo "windows-screenshot: $*" >&2; }
die() { say "$*"; exit 1; }

names=(window-windows-after-read.png window-windows-file-dialog.png
    window-windows-after-compare.png)
outdir=$(realpath -m "${1:-docs}")
replace=false
[[ $outdir == "$(realpath -m docs)" ]] && replace=true
in_the_way() {
    $replace && return 1
    local name found=1
    for name in "${names[@]}"; do
        [[ -e $outdir/$name ]] && { say "$outdir/$name is there already"; found=0; }
    done
    return $found
}
in_the_way && die "choose another folder, or move those away"

build=$(realpath -m "${DSPPROG_MINGW_BUILD:-build/mingw}")
exe=$build/src/window/dspprog.exe
[[ -f $exe && -f $build/chips.db ]] ||
    die "no Windows build of the window in $build (src/window/dspprog.exe and chips.db):" \
        "build the mingw preset with Qt (scripts/run-windows-tests.sh), or name such a" \
        "build in DSPPROG_MINGW_BUILD"

wine64=/usr/lib/wine/wine64
# What is missing, as Debian packages; empty when all is there.
missing() {
    local list=()
    [[ -x $wine64 ]] || list+=(wine64)
    command -v Xvfb >/dev/null || list+=(xvfb)
    command -v xdotool >/dev/null || list+=(xdotool)
    command -v import >/dev/null && command -v convert >/dev/null || list+=(imagemagick)
    locale -a 2>/dev/null | grep -qix 'ru_RU\.utf-\?8' || list+=("the ru_RU.UTF-8 locale")
    echo "${list[*]}"
}
lacking=$(missing)
if [[ -n $lacking ]]; then
    say "missing: $lacking; installing (scripts/install-deps.sh --screenshots)"
    bash scripts/install-deps.sh --screenshots || true
    lacking=$(missing)
    [[ -z $lacking ]] || die "still missing: $lacking"
fi

tmp=$(mktemp -d)
export WINEPREFIX=$tmp/prefix WINEDEBUG=-all
xvfb_pid=""
cleanup() {
    /usr/lib/wine/wineserver -k </dev/null >/dev/null 2>&1 || true
    [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$tmp"
}
trap cleanup EXIT

# Wine in Russian; nothing else here needs the locale.
wine() { env -u LANGUAGE LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8 "$wine64" "$@"; }

# Polls until "$@" succeeds, every half second up to LIMIT seconds; false then.
poll() {
    local limit=$1 deadline
    shift
    deadline=$((SECONDS + limit))
    until "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.5
    done
}

# A display nobody uses: Xvfb refuses one whose lock file is there.
for display in $(shuf -i 90-189); do [[ -e /tmp/.X$display-lock ]] || break; done
Xvfb ":$display" -screen 0 1280x900x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=:$display
poll 30 xdotool getdisplaygeometry >/dev/null 2>&1 || die "Xvfb did not start on $DISPLAY"

wine wineboot --init </dev/null >/dev/null 2>&1
locale_name=$(wine reg query 'HKCU\Control Panel\International' /v LocaleName \
    </dev/null 2>/dev/null | tr -d '\r' | awk '$1 == "LocaleName" { print $3 }')
[[ $locale_name == ru-RU ]] ||
    die "wine runs in the locale '${locale_name:-?}', not ru-RU: its dialogs would not be Russian"

# The window starts in the folder of the chip's file, where the dialog opens.
files=$tmp/files
mkdir "$files"
windows() { wine winepath -w "$1" 2>/dev/null | tr -d '\r'; }
cp "$build/chips.db" "$files/chips.db"
(cd "$files" && wine "$exe" --catalogue "$(windows "$files/chips.db")" --emulate 0120 --fast \
    --chip-file "$(windows "$files/чип.bin")" </dev/null >"$tmp/window.log" 2>&1) &
# It ends with wine's server, at the end.
disown

# Where window ID is on the screen: X Y WIDTH HEIGHT.
geometry() {
    xdotool getwindowgeometry --shell "$1" 2>/dev/null | awk -F= '
        /^(X|Y|WIDTH|HEIGHT)=/ { at[$1] = $2 }
        END { print at["X"], at["Y"], at["WIDTH"], at["HEIGHT"] }'
}
# The same as ImageMagick writes a part of a picture: WIDTHxHEIGHT+X+Y.
area() {
    local x y w h
    read -r x y w h < <(geometry "$1")
    echo "${w}x$h+$x+$y"
}
# The screen's picture (xwd -root shows wine's dialog black; import does not).
screen() { import -window root "$tmp/screen.png"; }
# Cuts AREA out of the screen's picture into FILE.
crop() { convert "$tmp/screen.png" -crop "$2" +repage "$1"; }
window_shot() { screen && crop "$tmp/window.png" "$(area "$window")"; }
# "Читать" (a green caption) is usable: no operation runs.
read_usable() {
    local green
    green=$(convert "$tmp/window.png" -fill black +opaque 'rgb(0,128,0)' \
        -fill white -opaque 'rgb(0,128,0)' -format '%[fx:int(mean*w*h+0.5)]' info:)
    ((green > 20))
}
# The status line, at the window's foot: the chip and the buffer's sums.
status_line() { convert "$tmp/window.png" -gravity south -crop x24+0+0 +repage rgb:- | md5sum; }

found_window() { window=$(xdotool search --onlyvisible --name TMS320 2>/dev/null | head -n 1); }
poll 120 found_window || die "the window did not appear; it said: $(cat "$tmp/window.log")"
# The image to compare with: the chip's file with three bytes inverted.
poll 60 test -f "$files/чип.bin" || die "the emulator made no chip file"
image=$files/образ.bin
cp "$files/чип.bin" "$image"
for at in 0x102 0x135 0x167; do
    byte=$(od -An -tu1 -j $((at)) -N1 "$image")
    printf '%b' "\\0$(printf %03o $((255 - byte)))" |
        dd of="$image" bs=1 seek=$((at)) conv=notrunc status=none
done
[[ $(cmp -l "$files/чип.bin" "$image" | wc -l) == 3 ]] || die "the image does not differ in three bytes"
poll 60 eval 'window_shot && read_usable' || die "the window was not drawn"
xdotool windowfocus --sync "$window"

# The operation started when the status line was $before has ended: the
# status line (the chip, the buffer's sums) changes as it ends, and the
# buttons come back.
ended() { window_shot && [[ $(status_line) != "$before" ]] && read_usable; }
# Types KEYS and waits for the operation they start to end.
operation() {
    local what=$1
    shift
    window_shot
    before=$(status_line)
    xdotool key "$@"
    poll 120 ended || die "$what did not end"
}
operation "the identification" space
operation "the read" shift+Tab shift+Tab space
cp "$tmp/window.png" "$tmp/${names[0]}"

window_shot
before=$(status_line)
xdotool key Tab Tab space
# The dialog is the program's other window of some size; it is drawn when
# its picture is light (an unpainted window is black) and has settled.
found_dialog() {
    local id w h
    for id in $(xdotool search --onlyvisible --class dspprog.exe 2>/dev/null); do
        [[ $id == "$window" ]] && continue
        read -r _ _ w h < <(geometry "$id")
        ((w > 300 && h > 200)) && { dialog=$id; return 0; }
    done
    return 1
}
dialog_drawn() {
    local previous=$tmp/dialog.png changed
    [[ -f $previous ]] && mv "$previous" "$tmp/dialog-before.png"
    screen && crop "$previous" "$(area "$dialog")"
    [[ $(convert "$previous" -format '%[fx:mean > 0.5]' info:) == 1 && -f $tmp/dialog-before.png ]] ||
        return 1
    # Up to a caret's few pixels may blink.
    changed=$(compare -metric AE "$previous" "$tmp/dialog-before.png" null: 2>&1 || true)
    [[ $changed =~ ^[0-9]+$ ]] && ((changed < 60))
}
poll 60 found_dialog || die "the comparison's file dialog did not open"
poll 60 dialog_drawn || die "the file dialog was not drawn"
# The window and the dialog over it.
read -r x1 y1 w1 h1 < <(geometry "$window")
read -r x2 y2 w2 h2 < <(geometry "$dialog")
left=$((x1 < x2 ? x1 : x2)) top=$((y1 < y2 ? y1 : y2))
right=$((x1 + w1 > x2 + w2 ? x1 + w1 : x2 + w2))
bottom=$((y1 + h1 > y2 + h2 ? y1 + h1 : y2 + h2))
crop "$tmp/${names[1]}" "$((right - left))x$((bottom - top))+$left+$top"

xdotool windowfocus --sync "$dialog"
xdotool type --delay 30 "$(windows "$image")"
xdotool key Return
gone() { ! xdotool getwindowgeometry "$dialog" >/dev/null 2>&1 ||
    ! xdotool search --onlyvisible --class dspprog.exe 2>/dev/null | grep -qx "$dialog"; }
poll 60 gone || die "the file dialog did not close"
poll 120 ended || die "the comparison did not end"
cp "$tmp/window.png" "$tmp/${names[2]}"

# All three or none, and a picture that appeared meanwhile is not replaced.
in_the_way && die "not saved"
mkdir -p "$outdir"
for name in "${names[@]}"; do
    mv -f "$tmp/$name" "$outdir/$name"
    say "$outdir/$name"
done
say "took $SECONDS s"
