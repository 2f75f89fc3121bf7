#!/usr/bin/env bash
# The export stage: every example, the benchmark's animations (anim, and
# the pixel-art ones whose frames store only what changed, where pixels turn
# transparent, frames repeat and an opaque page comes between transparent
# ones) and mid (1500 x 1500: a frame large enough
# to be encoded in halves) written by
# tomel-export in every format, then read by readers we did not write and
# held to the PSD tomel writes for the same document.
# Usage: tests/export/run.sh BUILD
set -euo pipefail
cd "$(dirname "$0")/../.."

build=$(realpath "${1:-build-test}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp examples/*.edg "$work/"
"$build/bench/bench_make_inputs" "$work/bench" >/dev/null
cp "$work/bench/"{anim,mid,sprite,portrait,walker,bomb}.edg "$work/"
rm -rf "$work/bench"
names=()
for document in "$work"/*.edg; do names+=("$(basename "${document%.edg}")"); done
(cd "$work" && "$build/tomel" psd ./*.edg >/dev/null)
for format in palette png gif apng sheet aseprite; do
    (cd "$work" && "$build/tomel-export" "$format" ./*.edg >/dev/null)
done
/usr/bin/python3 tests/export/check_documents.py "$work" "${names[@]}"
node tests/export/check_sprites.mjs "$work"/*.aseprite
echo "${#names[@]} documents (${names[*]}) in 6 formats read back by Pillow, ffmpeg, pngcheck, gifsicle and ase-parser"
