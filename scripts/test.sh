#!/usr/bin/env bash
# Installs what is missing, then runs the whole test suite: the format check,
# the GoogleTest suite twice (a normal build and an AddressSanitizer +
# UndefinedBehaviorSanitizer build), tomel-export's formats read back by
# independent readers, every CPU level run on emulated CPUs
# (qemu-user), the memory budgets under caps, the Windows build checked under Wine
# against the Linux build, the browser's build (its types and logic, then the
# site in Chromium, Firefox ESR and WebKitGTK) checked against the Linux
# build, the ThreadSanitizer stage (the suites, large
# conversions through every helper thread and the inflater's differential
# fuzzer), the Debian package check and a short run of every fuzzer.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh python3-psd-tools imagemagick clang-format man-db wine wine64
scripts/deps.sh clang-14 libclang-rt-14-dev qemu-user strace
# The export formats' independent readers: Pillow, ffmpeg, pngcheck, gifsicle, and
# ase-parser from the npm registry, pinned by tests/export/package-lock.json.
scripts/deps.sh python3-pil ffmpeg pngcheck gifsicle
command -v npm >/dev/null || scripts/deps.sh npm
(cd tests/export && npm ci --no-audit --no-fund --silent)
jobs=$(nproc)

run_suite() {
    local dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
    cmake --build "$dir"
    ctest --test-dir "$dir" --output-on-failure -j "$jobs"
}

echo "== Formatting"
scripts/check-format.sh
echo "== Release build"
run_suite build-test -DCMAKE_BUILD_TYPE=Release -DTOMEL_WERROR=ON -DTOMEL_BENCH=ON
echo "== tomel-export: every example and the animation in every format, read back"
tests/export/run.sh build-test
echo "== The kernels at the CPU levels below this machine's best"
# The dispatch runs the best kernels the CPU has; TOMEL_CPU lowers it, so
# the scalar (and, on an AVX-512 machine, the AVX2) kernels run too.
levels=scalar
if grep -qw avx512vbmi /proc/cpuinfo; then levels="scalar avx2"; fi
for level in $levels; do
    log=build-test/cpu-$level.log
    if ! TOMEL_CPU=$level ctest --test-dir build-test --output-on-failure -j "$jobs" -L 'unit|e2e' >"$log" 2>&1; then
        cat "$log"
        exit 1
    fi
    echo "TOMEL_CPU=$level: $(grep 'tests passed' "$log")"
done
echo "== Emulated CPUs without AVX-512 and without AVX2 (qemu-user)"
tests/emulated/run.sh build-test
echo "== Memory caps: what the benchmark's documents need on one thread"
# A capped process starts no helper thread (ResourceBounds, in the suite), so
# it converts as one CPU does; here big and anim are held to what they need,
# under both kinds of cap, measured on 2026-12-09 (ulimit -v; -d is about
# 3.2 MiB less): big 320,560 KiB, allowed 384 MiB; anim 28,716 KiB, allowed
# 36 MiB. The output's pending buffer taken at the output's length, say,
# made anim need 93,536 KiB.
caps=$(mktemp -d)
build-test/bench/bench_make_inputs "$caps" >/dev/null
for limit in v d; do
    tests/threads/cap_budget.sh build-test/tomel $limit $((384 << 10)) "$caps/big.edg"
    tests/threads/cap_budget.sh build-test/tomel $limit $((36 << 10)) "$caps/anim.edg"
done
rm -rf "$caps"
echo "== Windows build (MinGW-w64) and the Wine stage"
scripts/build-windows.sh -DTOMEL_WERROR=ON
tests/wine/run.sh build-test build-win
echo "== The web stage: the site built with Emscripten, its types and logic, in Chromium, Firefox ESR and WebKitGTK"
tests/web/run.sh build-test
echo "== AddressSanitizer + UndefinedBehaviorSanitizer build"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    run_suite build-sanitize -DCMAKE_BUILD_TYPE=Debug -DTOMEL_SANITIZE=ON -DTOMEL_WERROR=ON
echo "== ThreadSanitizer build"
tests/threads/run.sh build-test 60
echo "== Debian package"
scripts/check-package.sh
echo "== Fuzz smoke run (about 60 s per harness)"
fuzz/run.sh 60
echo "== All tests passed"
