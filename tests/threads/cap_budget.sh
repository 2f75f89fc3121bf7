#!/usr/bin/env bash
# Holds a document to the memory it may need: finds, to the KiB, the smallest
# cap of the kind LIMIT (`v`: address space, `ulimit -v`; `d`: data,
# `ulimit -d`) under which FILE converts, and fails where that is more than
# KIB. A capped process converts on one thread, so this is what one CPU
# needs. One KiB below it, the run must end "Error : Out of memory" with
# status 255, the older output kept and nothing else left in the folder.
# Prints the boundary.
# Usage: tests/threads/cap_budget.sh TOMEL v|d KIB FILE
set -euo pipefail

tomel=$(realpath "$1")
limit=$2 need=$3 file=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
older="an older output"

run() { # CAP: the line, the status, and what the folder holds beside the input
    rm -rf "$work/run" && mkdir -p "$work/run" && cp "$file" "$work/run/in.edg" && printf '%s' "$older" >"$work/run/in.psd"
    local line
    line=$(cd "$work/run" && sh -c "ulimit -$limit $1 && exec '$tomel' psd in.edg" 2>&1) && code=0 || code=$?
    local kept=new
    printf '%s' "$older" | cmp -s - "$work/run/in.psd" && kept=older
    echo "$line | $code | $kept | $(cd "$work/run" && ls -A | tr '\n' ' ')"
}

name=$(basename "$file")
converted="convert psd: in.edg => in.psd | 0 | new | in.edg in.psd "
low=4096 high=$((4 << 20))
if [ "$(run $high)" != "$converted" ]; then
    echo "$name: does not convert under ulimit -$limit $high: $(run $high)"
    exit 1
fi
while ((high - low > 1)); do
    mid=$(((low + high) / 2))
    if [ "$(run $mid)" = "$converted" ]; then high=$mid; else low=$mid; fi
done
echo "$name: converts under ulimit -$limit from $high KiB on (at most $need KiB allowed)"
status=0
if ((high > need)); then
    echo "$name: NEEDS MORE than $need KiB under ulimit -$limit: $high KiB"
    status=1
fi
below=$(run $((high - 1)))
if [ "$below" != "Error : Out of memory | 255 | older | in.edg in.psd " ]; then
    echo "$name: under ulimit -$limit $((high - 1)) ENDS OTHERWISE: $below"
    status=1
fi
exit $status
