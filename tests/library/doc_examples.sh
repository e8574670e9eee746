#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The examples of docs/library.md, as a reader would take them: each one
# cut out of the page, built (C++) against the library and run from an empty
# folder that holds only the catalogue; what they print is checked.
# Usage: doc_examples.sh PAGE INCLUDE_DIR LIBRARY_DIR CATALOGUE [PYTHON_MODULE_DIR]
set -euo pipefail
page=$1 include=$2 libdir=$3 catalogue=$4 module=${5:-}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$catalogue" "$work/chips.db"

# The lines between "```LANG" and the next "```".
example() { awk -v lang="$1" '$0 == "```" lang {on = 1; next} $0 == "```" {on = 0} on' "$page"; }
expect() {
    grep -Fq -- "$2" "$1" || { echo "doc_examples: '$2' is not in the output:" >&2; cat "$1" >&2; exit 1; }
}

example cpp >"$work/example.cpp"
[[ -s $work/example.cpp ]] || { echo "doc_examples: no C++ example in $page" >&2; exit 1; }
"${CXX:-c++}" -std=c++20 -Wall -Werror "$work/example.cpp" -I"$include" -L"$libdir" -ldspprog \
    -Wl,-rpath,"$libdir" -o "$work/example"
(cd "$work" && ./example) >"$work/cpp.out"
expect "$work/cpp.out" "chip AMD Am29F010 (0120), 131072 bytes"
expect "$work/cpp.out" "differing bytes: 1, the first at 0x001234"
expect "$work/cpp.out" "|   Чип записан без ошибок."
echo "C++ example: OK"

if [[ -n $module ]]; then
    rm -f "$work/chip.bin"
    example python >"$work/example.py"
    [[ -s $work/example.py ]] || { echo "doc_examples: no Python example in $page" >&2; exit 1; }
    (cd "$work" && PYTHONPATH=$module "${PYTHON:-python3}" example.py) >"$work/py.out"
    expect "$work/py.out" "chip AMD Am29F010 (0120), 131072 bytes"
    expect "$work/py.out" "differing bytes: 1, the first at 0x001234"
    echo "Python example: OK"
fi
