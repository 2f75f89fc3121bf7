#!/usr/bin/env bash
# Holds the threaded path to the one-CPU path in small steps where it counts:
# finds the smallest `ulimit -v` cap (in KiB) under which FILE converts under
# `taskset -c 0`, then converts it from two steps below that cap to COUNT
# steps above it, once as is and once under `taskset -c 0`, each time over an
# older output. Wherever one CPU converts, the threaded run must convert to
# the same bytes (below the boundary a threaded run may still convert: it has
# more to give way with, never less). Prints one row a cap.
# Usage: tests/threads/cap_boundary.sh TOMEL STEP_KIB COUNT FILE
set -euo pipefail

tomel=$(realpath "$1")
step=$2 count=$3 file=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

run() { # DIR CAP [taskset...]: prints the line, the status and the output's digest
    local dir=$1 cap=$2
    shift 2
    rm -rf "$dir" && mkdir -p "$dir" && cp "$file" "$dir/in.edg" && printf 'an older output' >"$dir/in.psd"
    local line
    line=$(cd "$dir" && "$@" sh -c "ulimit -v $cap && exec '$tomel' psd in.edg" 2>&1) && code=0 || code=$?
    echo "$line | $code | $(md5sum <"$dir/in.psd" | cut -c1-8)"
}
converts() { [[ $1 == "convert psd: "* ]]; }

# One CPU's boundary, to a KiB: converting at high, not at low.
low=4096 high=$((4 << 20))
converts "$(run "$work/one" "$high" taskset -c 0)" || { echo "$(basename "$file"): no conversion at $high KiB"; exit 1; }
while ((high - low > 1)); do
    mid=$(((low + high) / 2))
    if converts "$(run "$work/one" "$mid" taskset -c 0)"; then high=$mid; else low=$mid; fi
done
echo "$(basename "$file"): one CPU converts from $high KiB on"

status=0
for ((cap = high - 2 * step; cap <= high + count * step; cap += step)); do
    one=$(run "$work/one" "$cap" taskset -c 0)
    threaded=$(run "$work/threaded" "$cap")
    if converts "$one" && [ "$threaded" != "$one" ]; then
        printf '%-10s %8d KiB  DIFFERENT: threaded %s, one CPU %s\n' "$(basename "$file")" "$cap" "$threaded" "$one"
        status=1
    else
        printf "%-10s %8d KiB  ok: %s\n" "$(basename "$file")" "$cap" "$one"
    fi
done
exit $status
