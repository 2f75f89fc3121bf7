#!/usr/bin/env bash
# Builds tomel (Release), makes the benchmark inputs and prints the table.
# Usage: bench/run.sh [ROUNDS]
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOMEL_BENCH=ON >/dev/null
cmake --build build-bench --target tomel bench_make_inputs minimal_copy floor
work=build-bench/bench-work
if [ ! -f "$work/big.edg" ]; then
    echo "making inputs in $work"
    build-bench/bench/bench_make_inputs "$work"
fi
/usr/bin/python3 bench/run.py build-bench "$work" "${1:-5}"
