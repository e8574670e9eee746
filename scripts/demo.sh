#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds dspprog and runs a short session on the built-in emulated programmer:
# identify, read to an image, erase, write an image and verify, read it as
# Intel HEX and compare the chip with that file, speed test. The window is
# built too, so that README's line that opens it on the emulator works next.
# The emulated link runs at USB full speed; the chip's content lives in a file.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j"$(nproc 2>/dev/null || echo 2)" --target dspprog-cli dspprog chips_db

build=$PWD/build/default
work=$(mktemp -d "${TMPDIR:-/tmp}/dspprog-demo.XXXXXX")
cp "$build/chips.db" "$work/chips.db"
cd "$work"

chip=0120   # AMD Am29F010 (catalogue Code 0120): 128 KB 5 V flash
run() {
    echo
    echo "\$ dspprog-cli --emulate $chip --chip-file chip.bin $*"
    "$build/src/cli/dspprog-cli" --emulate "$chip" --chip-file chip.bin "$@"
}

run identify
run read -o before.bin
run erase
head -c 131072 /dev/urandom > image.bin
run write image.bin
run read -o after.bin
cmp image.bin after.bin && echo "after.bin equals image.bin"
run read -o after.hex
run verify after.hex
run speed
echo
echo "Files are in $work"
echo "The window on the emulated chip (where there is a display):"
echo "  cd build/default && ./src/window/dspprog --emulate $chip --chip-file chip.bin"
