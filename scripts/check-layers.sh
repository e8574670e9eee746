#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when a folder of src/ includes a header from a folder it may not use:
# every dependency points down, none back up and none sideways unless listed
# here. One static library per folder makes most wrong ways fail to link as
# well; this catches a header-only one, and says which line is at fault.
#
# Usage: check-layers.sh SRC_DIR
set -euo pipefail

src=${1:?usage: check-layers.sh SRC_DIR}

# The folders each folder may include from, besides itself.
declare -A allowed=(
    [base]=""
    [link]="base"
    [link/usb]="link base"
    [link/win32]="link base"
    [protocol]="link base"
    [catalogue]="link base"
    [image]="base"
    [operations]="protocol catalogue image link base"
    [emulator]="protocol catalogue link base"
    [startup]="operations emulator protocol catalogue image link/usb link/win32 link base"
    [production]="startup operations emulator protocol catalogue image link base"
    [cli]="production startup operations emulator protocol catalogue image link base"
    [window]="production startup operations emulator protocol catalogue image link base"
    # dspprog/: the public headers (include/dspprog), which the library implements.
    [library]="production startup operations emulator protocol catalogue image link base dspprog"
    # The Python module sees the public API alone.
    [python]="dspprog"
)
# Only these folders may use Qt.
qt_folders=" window "

layer_of() {
    case $1 in
        link/usb/* | link/win32/*) echo "${1%/*}" ;;
        */*) echo "${1%%/*}" ;;
        *) echo "" ;;
    esac
}

status=0
while IFS= read -r -d '' file; do
    rel=${file#"$src"/}
    from=$(layer_of "$rel")
    if [[ -z $from || ! -v allowed[$from] ]]; then
        echo "$rel: the folder '${rel%/*}' has no row in the layer table of $0" >&2
        status=1
        continue
    fi
    while IFS=: read -r line text; do
        if [[ $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\"([^\"]+)\" ]]; then
            header=${BASH_REMATCH[1]}
            to=$(layer_of "$header")
            [[ -z $to || $to == "$from" ]] && continue
            if [[ " ${allowed[$from]} " != *" $to "* ]]; then
                echo "$rel:$line: $from may not include $header (from $to)" >&2
                status=1
            fi
        elif [[ $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\<(Q[A-Za-z]+)\> ]]; then
            if [[ $qt_folders != *" $from "* ]]; then
                echo "$rel:$line: $from may not use Qt (${BASH_REMATCH[1]})" >&2
                status=1
            fi
        fi
    done < <(grep -n '^[[:space:]]*#[[:space:]]*include' "$file" || true)
done < <(find "$src" -mindepth 2 \( -name '*.h' -o -name '*.cpp' -o -name '*.c' \) -print0 | sort -z)

if ((status == 0)); then
    echo "every include in $src points down"
fi
exit "$status"
