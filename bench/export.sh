#!/usr/bin/env bash
# Builds tomel-export (Release), makes the benchmark inputs and prints the
# table of tomel-export against ImageMagick, Pillow and gifsicle, then the
# sizes of its GIF and APNG on pixel-art animations against gifsicle -O3,
# ImageMagick, Pillow and ffmpeg (bench/sizes.py).
# Usage: bench/export.sh [ROUNDS]
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh imagemagick python3-pil gifsicle ffmpeg
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOMEL_BENCH=ON >/dev/null
cmake --build build-bench --target tomel tomel-export bench_make_inputs
work=build-bench/bench-work
if [ ! -f "$work/walker.edg" ]; then
    echo "making inputs in $work"
    build-bench/bench/bench_make_inputs "$work"
fi
/usr/bin/python3 bench/export.py build-bench "$work" "${1:-5}"
echo
/usr/bin/python3 bench/sizes.py build-bench "$work" || true
