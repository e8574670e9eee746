#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds everything with warnings as errors and runs the whole test suite.
# Usage: scripts/run-tests.sh [--asan]   (--asan: the AddressSanitizer + UBSan build instead)
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

preset=werror
if [[ "${1:-}" == "--asan" ]]; then preset=asan; fi

jobs=$(nproc 2>/dev/null || echo 2)
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j"$jobs"
ctest --preset "$preset" -j"$jobs"
