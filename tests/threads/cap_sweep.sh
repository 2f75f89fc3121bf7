#!/usr/bin/env bash
# Holds the threaded path to the one-CPU path under memory caps: converts
# each FILE under `ulimit -v` caps from LOW to HIGH MiB in STEP MiB steps,
# once as is and once under `taskset -c 0` (no helper threads), each time
# over an older output. The line printed, the exit status and the output
# left must be the same. Prints one row a cap and fails on any difference.
# Usage: tests/threads/cap_sweep.sh TOMEL LOW HIGH STEP FILE...
set -euo pipefail

tomel=$(realpath "$1")
low=$2 high=$3 step=$4
shift 4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
older="an older output"
status=0

run() { # DIR CAP FILE [taskset...]: prints the line, the status and the output's digest
    local dir=$1 cap=$2 file=$3
    shift 3
    rm -rf "$dir" && mkdir -p "$dir" && cp "$file" "$dir/in.edg" && printf '%s' "$older" >"$dir/in.psd"
    local line
    line=$(cd "$dir" && "$@" sh -c "ulimit -v $((cap * 1024)) && exec '$tomel' psd in.edg" 2>&1) && code=0 || code=$?
    echo "$line | $code | $(md5sum <"$dir/in.psd" | cut -c1-8)"
}

for file in "$@"; do
    for ((cap = low; cap <= high; cap += step)); do
        threaded=$(run "$work/threaded" "$cap" "$file")
        one=$(run "$work/one" "$cap" "$file" taskset -c 0)
        if [ "$threaded" = "$one" ]; then
            printf '%-14s %4d MiB  same: %s\n' "$(basename "$file")" "$cap" "$one"
        else
            printf '%-14s %4d MiB  DIFFERENT: threaded %s, one CPU %s\n' "$(basename "$file")" "$cap" "$threaded" "$one"
            status=1
        fi
    done
done
exit $status
