#!/usr/bin/env bash
# Holds the helped route to the one-CPU route under memory caps, around the
# cap where the outcome turns. For each FILE: finds, to the KiB, the smallest
# cap of the kind LIMIT (`v`: address space, `ulimit -v`; `d`: data,
# `ulimit -d`) under which one CPU (`taskset -c 0`) ends as it does under a
# cap of 4 GiB (converted, or the file's own error where it is damaged); then
# converts it at COUNT caps STEP KiB apart below that cap, at the cap, and at
# COUNT above it, once as is (every CPU) and once under `taskset -c 0`, each
# over an older output. At every cap both runs must print the same line,
# end with the same status, leave the same bytes at the output and nothing
# else in the folder. With --need KIB, that boundary must also be at most
# KIB: a change that makes both routes need much more memory fails too.
# Prints the boundary, then one row a cap; fails on any difference.
# Usage: tests/threads/cap_boundary.sh TOMEL v|d STEP_KIB COUNT [--need KIB] FILE...
set -euo pipefail

tomel=$(realpath "$1")
limit=$2 step=$3 count=$4
shift 4
need=
if [ "${1:-}" = --need ]; then
    need=$2
    shift 2
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

run() { # DIR FILE CAP [taskset...]: the line, the status, the output's digest and what else is left
    local dir=$1 file=$2 cap=$3
    shift 3
    rm -rf "$dir" && mkdir -p "$dir" && cp "$file" "$dir/in.edg" && printf 'an older output' >"$dir/in.psd"
    local line
    line=$(cd "$dir" && "$@" sh -c "ulimit -$limit $cap && exec '$tomel' psd in.edg" 2>&1) && code=0 || code=$?
    local left
    left=$(cd "$dir" && ls -A | grep -vxE 'in\.(edg|psd)' | tr '\n' ' ' || true)
    echo "$line | $code | $(md5sum <"$dir/in.psd" | cut -c1-8)${left:+ | left: $left}"
}
line() { echo "${1%% | *}"; }

status=0
for file in "$@"; do
    name=$(basename "$file")
    # One CPU's boundary: ending as uncapped at high, not at low.
    low=4096 high=$((4 << 20))
    uncapped=$(line "$(run "$work/one" "$file" "$high" taskset -c 0)")
    if [ "$uncapped" = "Error : Out of memory" ]; then
        echo "$name: out of memory under ulimit -$limit $high"
        exit 1
    fi
    while ((high - low > 1)); do
        mid=$(((low + high) / 2))
        if [ "$(line "$(run "$work/one" "$file" "$mid" taskset -c 0)")" = "$uncapped" ]; then high=$mid; else low=$mid; fi
    done
    echo "$name: under ulimit -$limit one CPU ends with \"$uncapped\" from $high KiB on${need:+ (at most $need KiB allowed)}"
    if [ -n "$need" ] && ((high > need)); then
        echo "$name: NEEDS MORE than $need KiB under ulimit -$limit: $high KiB"
        status=1
    fi
    for ((cap = high - count * step; cap <= high + count * step; cap += step)); do
        one=$(run "$work/one" "$file" "$cap" taskset -c 0)
        helped=$(run "$work/helped" "$file" "$cap")
        if [ "$helped" = "$one" ] && [[ $one != *"left: "* ]]; then
            printf '%-12s -%s %8d KiB  ok: %s\n' "$name" "$limit" "$cap" "$one"
        else
            printf '%-12s -%s %8d KiB  DIFFERENT: helped %s, one CPU %s\n' "$name" "$limit" "$cap" "$helped" "$one"
            status=1
        fi
    done
done
exit $status
