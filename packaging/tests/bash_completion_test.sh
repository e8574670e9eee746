#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The bash completion of dspprog-cli against the built program and catalogue:
# the line is handed over as bash hands it (COMP_WORDS split at ':' and '='),
# and the replies are what bash would put in place of the last piece.
# Usage: bash_completion_test.sh COMPLETION DSPPROG_CLI CHIPS_DB
set -uo pipefail

# As an interactive bash has it: words break at ':', '=' and '@' among others.
COMP_WORDBREAKS=$' \t\n"\'@><=;|&(:'

completion=$1
program=$2
catalogue=$3
failures=0

# shellcheck source=packaging/completion/dspprog-cli
source "$completion"

# complete WORD... : runs the completion with the cursor at the end of the last
# word and leaves the replies sorted in $reply, one per line.
complete_line() {
    COMP_WORDS=("$program" "$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE="${COMP_WORDS[*]}"
    COMP_POINT=${#COMP_LINE}
    COMPREPLY=()
    _dspprog_cli
    reply=$(printf '%s\n' "${COMPREPLY[@]}" | sed '/^$/d' | LC_ALL=C sort)
}

# expect "WHAT" "EXPECTED REPLIES" WORD... : the replies must be exactly these.
expect() {
    local what=$1 expected
    expected=$(tr ' ' '\n' <<<"$2" | sed '/^$/d' | LC_ALL=C sort)
    shift 2
    complete_line "$@"
    if [[ $reply != "$expected" ]]; then
        echo "FAIL: $what"
        echo "  line:     $*"
        echo "  expected: ${expected//$'\n'/ }"
        echo "  got:      ${reply//$'\n'/ }"
        failures=$((failures + 1))
    fi
}

# expect_chips "WHAT" WORD... : the replies must be the catalogue's Codes and
# the last words of its Names, and only those.
expect_chips() {
    local what=$1 expected
    shift
    expected=$("$program" --catalogue "$catalogue" chips |
        awk -F'\t' 'NR > 1 { n = split($2, w, " "); print $1; print w[n] }' | LC_ALL=C sort -u)
    complete_line "$@"
    if [[ -z $expected || $reply != "$expected" ]]; then
        echo "FAIL: $what"
        echo "  line: $*"
        diff <(echo "$expected") <(echo "$reply") | head -10
        failures=$((failures + 1))
    fi
}

expect "commands" "identify read erase write verify speed image devices chips job run db" ""
expect "run: the series' two beside the start options" "--auto-next" run --au
expect "job save: its chip from the catalogue" "0120" --catalogue "$catalogue" job save j.toml --chip 0120
expect "commands by prefix" "read" re
expect "what db does" "init report" db ""
expect "options before a command" "--usb" --u
expect "an option given once is not offered again" "" --usb native --u
expect "--fault may repeat" "--fault --fast" --fault stuck:3 --fa
expect "read's own options" "--fast --fault --format" read --f
expect "write's own options" "--no-erase" write --no
expect "write's --format and --fill" "--fast --fault --format --fill" write --f
expect "lanes" "2:0 2:1" write --split 2
expect "image takes no programmer" "--size --split --swap" image --s
expect "verify's --sums" "--sums" verify --su
expect "verify has no --no-erase" "" verify --no
expect "a series' options" "--serial --serial-file --serial-db --serial-series" write --se
expect "only write numbers its chips" "" verify --se
expect "verify's --format" "--format" verify --fo
expect "chips takes only the catalogue" "--catalogue" chips --c
expect "backends" "libusb native" --usb ""
expect "backend after =" "libusb" --usb = li
expect "stall answers" "wait terminate" --on-stall ""
expect "image formats" "ihex" read --format i

expect "fault words" "stall: stuck: short:" --fault s
expect "fault pipes" "CmdIn CmdOut" --fault stall : Cm
expect "fault pipes after the colon" "CmdIn CmdOut MainIn MainOut" --fault short :
expect "fault pipes after --fault=" "CmdIn CmdOut" --fault = stall : Cm
expect "a fault word with @ is not the command" "--fast --fault --format" \
    --fault unplug @ 3 read --f
expect "a fault word with = is not the command" "--fast --fault --format" \
    --fault stuck : 3 = 7F read --f

expect_chips "chips of the named catalogue" --catalogue "$catalogue" --emulate ""
expect_chips "chips of the named catalogue, --catalogue=" --catalogue = "$catalogue" --emulate ""
expect "a part number in any case" "Am29F010" --catalogue "$catalogue" --emulate am29f01
expect "a code" "0120" --catalogue "$catalogue" --emulate 0120
expect "no Name's first word" "" --catalogue "$catalogue" --emulate AMD
expect "no catalogue, no chips" "" --catalogue "$catalogue.missing" --emulate ""

# The catalogue the program finds on its own: run from the catalogue's directory.
pushd "$(dirname "$catalogue")" >/dev/null || exit 1
expect "chips of the catalogue found without --catalogue" "Am29F010" --emulate Am29F01
popd >/dev/null || exit 1

expect "programmers of the emulator, then all" "EMU1 emu-1 EMU2 emu-2 all" \
    --emulate AB05:8192:255,AB05:8192:255 --device ""
expect "a programmer by prefix" "EMU2" --emulate AB05:8192:255,AB05:8192:255 --device EMU2

expect "files for --catalogue" "$catalogue" --catalogue "${catalogue%.db}."
expect "files for write" "$catalogue" --emulate 0120 write "${catalogue%.db}."

if ((failures > 0)); then
    echo "$failures completion case(s) failed"
    exit 1
fi
echo "all completion cases passed"
