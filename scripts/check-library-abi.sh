#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The library's ABI against an older version: both libdspprog.so.0 are built
# (the old one from `git archive OLD_REF`, in build/abi/), abi-dumper dumps
# each with the public headers, and abi-compliance-checker compares them.
# Fails when the new one breaks programs built against the old one; the
# report is build/abi/report.html, and its summary is printed.
# Usage: scripts/check-library-abi.sh [OLD_REF]   (default: the first commit with the library)
# DSPPROG_ABI_NEW_BUILD=DIR takes the new library from a build folder that
# has it already (build/werror) instead of building it again.
set -euo pipefail
cd "$(dirname "$0")/.."
# The older library is taken from the history: a copy of the sources
# without it has nothing to compare with.
if ! git rev-parse --git-dir >/dev/null 2>&1; then
    echo "check-library-abi: not a git checkout, so no older library to compare with; skipped"
    exit 0
fi

old_ref=${1:-$(git log --diff-filter=A --format=%H -- include/dspprog/programmer.h | tail -1)}
[[ -n $old_ref ]] || { echo "check-library-abi: no commit has the library" >&2; exit 2; }
abi=build/abi
rm -rf "$abi"
mkdir -p "$abi/old-src"
git archive "$old_ref" | tar -x -C "$abi/old-src"

build_library() {  # SOURCE BUILD
    cmake -S "$1" -B "$2" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDSPPROG_BUILD_TESTS=OFF \
        -DDSPPROG_BUILD_GUI=OFF -DDSPPROG_BUILD_BENCH=OFF -DDSPPROG_BUILD_PYTHON=OFF \
        -DDSPPROG_MAN_PAGES=OFF >/dev/null
    cmake --build "$2" -j2 --target dspprog_shared >/dev/null
}
build_library "$abi/old-src" "$abi/old"
new_build=${DSPPROG_ABI_NEW_BUILD:-$abi/new}
[[ -n ${DSPPROG_ABI_NEW_BUILD:-} ]] || build_library . "$new_build"

dump() {  # SOURCE BUILD VERSION OUT
    abi-dumper "$2/src/library/libdspprog.so.0" -o "$4" -lver "$3" \
        -public-headers "$1/include/dspprog" >/dev/null
}
dump "$abi/old-src" "$abi/old" "$(git rev-parse --short "$old_ref")" "$abi/old.dump"
dump . "$new_build" "$(git describe --always --dirty)" "$abi/new.dump"

status=0
abi-compliance-checker -l libdspprog -old "$abi/old.dump" -new "$abi/new.dump" \
    -report-path "$abi/report.html" || status=$?
exit "$status"
