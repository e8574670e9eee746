#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Paradox table reader's fuzzer with clang (libFuzzer, ASan, UBSan)
# and runs it on one core.
# Usage: scripts/fuzz-paradox.sh [SECONDS]        (default 600)
#   DSPPROG_FUZZ_BUILD  build directory           (default build/fuzz)
# Seeds are the tables the catalogue tests write through pxlib, and the
# sample tables in ../shared/testdata/paradox when they are there. The
# corpus grows in $DSPPROG_FUZZ_BUILD/fuzz/paradox-corpus; crashes land
# beside it as crash-* files.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-600}
build=${DSPPROG_FUZZ_BUILD:-build/fuzz}

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DDSPPROG_BUILD_FUZZ=ON -DDSPPROG_BUILD_GUI=OFF -DDSPPROG_BUILD_USB=OFF \
    -DDSPPROG_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j2 --target paradox_fuzz catalogue_tests

out="$build/fuzz"
seeds="$out/paradox-seeds"
corpus="$out/paradox-corpus"
mkdir -p "$seeds" "$corpus"
DSPPROG_FUZZ_SEEDS="$(cd "$seeds" && pwd)" "$build/tests/catalogue/catalogue_tests" \
    --gtest_filter='Paradox*:Catalogue*' >/dev/null
samples=../shared/testdata/paradox
if [[ -d "$samples" ]]; then
    find "$samples" -maxdepth 1 -iname '*.db' -exec cp {} "$seeds"/ \;
fi
echo "seeds: $(ls "$seeds" | wc -l) tables" >&2

exec "$out/paradox_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -max_len=65536 -print_final_stats=1 -artifact_prefix="$out/" "$corpus" "$seeds"
