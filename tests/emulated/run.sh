#!/usr/bin/env bash
# Every CPU level really run: the native build under qemu-x86_64 (Debian's
# qemu-user) on emulated CPUs that lack what this machine has: `max` (AVX2,
# no AVX-512) and `Nehalem` (no AVX2). TOMEL_CPU lowers the kernels' level
# on a better CPU, but only an older CPU shows an instruction dispatched at
# a level it lacks (a SIGILL, status 132, no output).
# First each emulated CPU's level is confirmed by the program's own refusal
# of the level above it; then every example, every document of
# make_documents and the large documents (bodies for igzip and its helpers,
# planes for the pair lookup) are converted natively and on each emulated
# CPU, in twin folders: the line, the status and every file left must be
# identical, byte for byte.
# Usage: tests/emulated/run.sh NATIVE_BUILD
set -euo pipefail
cd "$(dirname "$0")/../.."

native=$(realpath "${1:-build-test}")
tomel=$native/tomel
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/documents"
cp examples/*.edg "$work/documents/"
"$native/tests/make_documents" "$work/documents" >/dev/null
"$native/tests/make_large_documents" "$work/large"
cp "$work/large"/{good,pages,damaged,crc,incomplete,anim}.edg "$work/documents/"
documents=("$work"/documents/*.edg)

# DIR FILE [RUNNER...]: converts FILE in a folder of its own under DIR;
# prints the line and the status, then what the folder holds, with digests.
convert() {
    local dir=$1/$(basename "$2" .edg) file=$2
    shift 2
    mkdir -p "$dir"
    cp "$file" "$dir/in.edg"
    local line code
    line=$(cd "$dir" && "$@" "$tomel" psd in.edg 2>&1) && code=0 || code=$?
    echo "$line | $code"
    (cd "$dir" && md5sum -- * | sort -k2)
}

emulated() { qemu-x86_64 -cpu "$cpu" "$@" 2>/dev/null; }

status=0
for model in "max avx2 avx512" "Nehalem scalar avx2"; do
    read -r cpu level above <<<"$model"
    refusal=$(cd "$work" && TOMEL_CPU=$above emulated "$tomel" psd none.edg || true)
    if [ "$refusal" != "Error : TOMEL_CPU=$above: this machine's best level is $level" ]; then
        echo "FAILED: qemu -cpu $cpu is not at level $level: $refusal"
        exit 1
    fi
    same=0
    for file in "${documents[@]}"; do
        expected=$(convert "$work/native-$cpu" "$file")
        seen=$(convert "$work/emulated-$cpu" "$file" emulated)
        if [ "$seen" = "$expected" ]; then
            same=$((same + 1))
        else
            echo "FAILED: $(basename "$file") on qemu -cpu $cpu ($level):"
            diff <(echo "$expected") <(echo "$seen") || true
            status=1
        fi
    done
    echo "qemu -cpu $cpu (best level $level): $same of ${#documents[@]} documents end as natively, byte for byte"
done
exit $status
