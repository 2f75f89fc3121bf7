#!/usr/bin/env bash
# Builds the fuzz harnesses with clang and runs each for SECONDS (default 60)
# on a seed corpus made by the project's own Edge writer, after replaying
# every input a fuzzer once broke (fuzz/regressions/HARNESS/). The corpus a
# run grows stays in fuzz/corpus-work/HARNESS for the next run; what a run
# finds goes to fuzz/crashes/.
# Usage: fuzz/run.sh [--tsan] [--max-len BYTES] [SECONDS [HARNESS...]]
#   --tsan           ThreadSanitizer instead of AddressSanitizer + UBSan
#   --max-len BYTES  the largest input the fuzzer makes (default 65536); with
#                    it, inputs of any length up to BYTES are tried from the
#                    start instead of growing slowly, from large seeds where
#                    there are some, in a corpus of their own
# A long campaign: fuzz/run.sh 3600 fuzz_inflate_pieces
set -euo pipefail
cd "$(dirname "$0")/.."

sanitizer=address
max_len=65536
length_control=()
large=
while [ $# -gt 0 ]; do
    case $1 in
        --tsan) sanitizer=thread ;;
        --max-len) max_len=$2 length_control=(-len_control=0) large=-large && shift ;;
        *) break ;;
    esac
    shift
done
seconds=${1:-60}
shift || true
harnesses=("$@")
[ ${#harnesses[@]} -gt 0 ] ||
    harnesses=(fuzz_decode fuzz_convert fuzz_export fuzz_inflate fuzz_inflate_diff fuzz_inflate_pieces fuzz_kernels)

if ! command -v clang++-14 >/dev/null || ! echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' |
        clang++-14 -x c++ -fsanitize=fuzzer - -o /tmp/tomel-fuzz-probe 2>/dev/null; then
    echo "fuzz: FAILED, clang's libFuzzer runtime is not available (install clang-14 and libclang-rt-14-dev)"
    exit 1
fi

build=build-fuzz
options=()
if [ $sanitizer = thread ]; then
    build=build-fuzz-tsan
    options=(-DTOMEL_TSAN=ON)
fi
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang-14 \
    -DCMAKE_CXX_COMPILER=clang++-14 -DTOMEL_FUZZ=ON -DTOMEL_TESTS=OFF -DTOMEL_WERROR=ON "${options[@]}" >/dev/null
cmake --build "$build" --target "${harnesses[@]}" make_corpus

work=fuzz/corpus-work
mkdir -p "$work" fuzz/crashes
"$build/fuzz/make_corpus" "$work/seeds" >/dev/null
export ASAN_OPTIONS=detect_leaks=1 TSAN_OPTIONS=halt_on_error=1

status=0
for harness in "${harnesses[@]}"; do
    if [ -d "fuzz/regressions/$harness" ]; then
        if ! "$build/fuzz/$harness" fuzz/regressions/"$harness"/* >"$work/$harness-regressions-$sanitizer.log" 2>&1; then
            echo "fuzz: $harness fails on a kept reproducer, see $work/$harness-regressions-$sanitizer.log"
            tail -n 20 "$work/$harness-regressions-$sanitizer.log"
            status=1
        fi
    fi
done
for harness in "${harnesses[@]}"; do
    case $harness in
        fuzz_inflate | fuzz_inflate_diff | fuzz_kernels) seeds=$work/seeds/inflate ;;
        fuzz_inflate_pieces) seeds=$work/seeds/pieces ;;
        *) seeds=$work/seeds/edg$large ;;
    esac
    corpus=$work/$harness$large
    # One log a sanitizer, so two campaigns can run side by side.
    log=$work/$harness$large-$sanitizer.log
    mkdir -p "$corpus"
    echo "== $harness for ${seconds}s ($sanitizer)"
    if ! "$build/fuzz/$harness" "$corpus" "$seeds" -dict=fuzz/edg.dict \
            -max_total_time="$seconds" -timeout=30 -rss_limit_mb=4096 -malloc_limit_mb=2048 \
            -max_len="$max_len" "${length_control[@]}" -artifact_prefix=fuzz/crashes/"$harness"- -print_final_stats=1 \
            >"$log" 2>&1; then
        echo "fuzz: $harness FAILED, see $log and fuzz/crashes/"
        tail -n 30 "$log"
        status=1
    fi
    grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb)|cov: ' "$log" | tail -n 3
done
exit $status
