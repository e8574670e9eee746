#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the HEX and S-record readers' fuzzer with clang (libFuzzer, ASan,
# UBSan) and runs it on one core.
# Usage: scripts/fuzz-images.sh [RUNS]            (default 1000000)
#   DSPPROG_FUZZ_BUILD    build directory         (default build/fuzz)
#   DSPPROG_FUZZ_SECONDS  stop after this long even before RUNS (CI's short run)
# Seeds are the small HEX and S-record files in fuzz/image-seeds. The corpus
# grows in $DSPPROG_FUZZ_BUILD/fuzz/image-corpus; crashes land beside it as
# crash-* files.
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-1000000}
build=${DSPPROG_FUZZ_BUILD:-build/fuzz}
limits=(-runs="$runs")
if [[ -n ${DSPPROG_FUZZ_SECONDS:-} ]]; then limits+=(-max_total_time="$DSPPROG_FUZZ_SECONDS"); fi

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DDSPPROG_BUILD_FUZZ=ON -DDSPPROG_BUILD_GUI=OFF -DDSPPROG_BUILD_USB=OFF \
    -DDSPPROG_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j2 --target image_format_fuzz

out="$build/fuzz"
corpus="$out/image-corpus"
mkdir -p "$corpus"
echo "seeds: $(ls fuzz/image-seeds | wc -l) files" >&2

exec "$out/image_format_fuzz" "${limits[@]}" -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
    -dict=fuzz/image_format.dict -print_final_stats=1 -artifact_prefix="$out/" \
    "$corpus" fuzz/image-seeds
