#!/usr/bin/env bash
# The ThreadSanitizer stage: builds with clang and -fsanitize=thread and runs
#  1. the unit and e2e suites (the memory-cap suite needs address space
#     ThreadSanitizer takes for itself);
#  2. conversions that take the fast path with every helper (the deflate
#     check and its prefault, the writer, the composite's tables): good,
#     damaged in the second half of the body, cut, a wrong check value, a
#     code set only igzip accepts, and several files in one call with a
#     damaged one between good ones. Each must print and leave what the
#     reference build does;
#  3. tomel-export in every format on the same large documents, whose
#     frames are composited, deflated and encoded in halves side by side;
#  4. fuzz_inflate_diff, built with -fsanitize=fuzzer,thread, for SECONDS.
# Any ThreadSanitizer report fails the stage.
# Usage: tests/threads/run.sh REFERENCE_BUILD [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/../.."

reference=$(realpath "${1:-build-test}")/tomel
reference_export=$(realpath "${1:-build-test}")/tomel-export
seconds=${2:-60}
build=build-tsan
fuzz_build=build-fuzz-tsan
clang=(-DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 -DTOMEL_TSAN=ON -DTOMEL_WERROR=ON)
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${clang[@]}" >/dev/null
cmake --build "$build"
cmake -S . -B "$fuzz_build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${clang[@]}" -DTOMEL_FUZZ=ON \
    -DTOMEL_TESTS=OFF >/dev/null
cmake --build "$fuzz_build" --target fuzz_inflate_diff make_corpus

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
logs=$work/logs
mkdir -p "$logs"
# Every process, the suite's children included, writes its reports there.
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 log_path=$logs/tsan"
status=0

echo "== Unit and e2e suites under ThreadSanitizer"
ctest --test-dir "$build" -L 'unit|e2e' --output-on-failure -j "$(nproc)" || status=1

echo "== Large conversions under ThreadSanitizer"
"$build/tests/make_large_documents" "$work/documents"
compare() {
    local name=$1
    shift
    for which in reference tsan; do
        local dir=$work/$name-$which binary=$reference
        [ $which = tsan ] && binary=$PWD/$build/tomel
        mkdir -p "$dir"
        cp "$work"/documents/*.edg "$dir"/
        (cd "$dir" && {
            "$binary" psd "$@" >stdout 2>&1 || echo "status $?" >>stdout
            rm -f -- *.edg
        })
    done
    if diff -r "$work/$name-reference" "$work/$name-tsan" >/dev/null; then
        echo "ok: $name ($(head -n 1 "$work/$name-tsan/stdout"))"
    else
        echo "FAILED: $name differs from the reference build"
        status=1
    fi
}
for document in good pages damaged cut crc incomplete; do compare "$document" "$document.edg"; done
compare several good.edg pages.edg damaged.edg good.edg
compare several-good pages.edg good.edg pages.edg

echo "== Large exports under ThreadSanitizer"
for format in palette png gif apng sheet aseprite; do
    for which in reference tsan; do
        dir=$work/export-$format-$which binary=$reference_export
        [ $which = tsan ] && binary=$PWD/$build/tomel-export
        mkdir -p "$dir"
        cp "$work"/documents/{good,pages}.edg "$dir"/
        (cd "$dir" && {
            "$binary" "$format" good.edg pages.edg >stdout 2>&1 || echo "status $?" >>stdout
            rm -f -- *.edg
        })
    done
    if diff -r "$work/export-$format-reference" "$work/export-$format-tsan" >/dev/null; then
        echo "ok: export $format ($(wc -l <"$work/export-$format-tsan/stdout") files)"
    else
        echo "FAILED: export $format differs from the reference build"
        status=1
    fi
done

echo "== fuzz_inflate_diff under ThreadSanitizer for ${seconds}s"
"$fuzz_build/fuzz/make_corpus" "$work/seeds" >/dev/null
mkdir -p "$work/corpus"
if ! "$fuzz_build/fuzz/fuzz_inflate_diff" "$work/corpus" "$work/seeds/inflate" -dict=fuzz/edg.dict \
        -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 -max_len=65536 -print_final_stats=1 \
        >"$work/fuzz.log" 2>&1; then
    echo "FAILED: fuzz_inflate_diff"
    tail -n 30 "$work/fuzz.log"
    status=1
fi
grep -E '^stat::number_of_executed_units' "$work/fuzz.log" || true

if grep -l 'WARNING: ThreadSanitizer' "$logs"/* 2>/dev/null; then
    echo "FAILED: ThreadSanitizer reports above"
    cat "$logs"/*
    status=1
fi
[ $status -eq 0 ] && echo "== ThreadSanitizer stage passed"
exit $status
