#!/usr/bin/env bash
# The web stage: builds the site (scripts/build-web.sh) and drives it in
# Debian's Chromium and Firefox ESR (web/test/stage.mjs) with the examples,
# the Wine stage's generated documents (good, damaged, cut) and the
# benchmark's big and animation, each held to the native build's output. The screenshot it takes goes to
# build-web/screenshot.png (docs/web-page.png is one of them).
# Usage: tests/web/run.sh NATIVE_BUILD   (a build with TOMEL_BENCH=ON)
set -euo pipefail
cd "$(dirname "$0")/../.."

native=$(realpath "${1:-build-test}")
scripts/deps.sh chromium firefox-esr
scripts/build-web.sh -DTOMEL_WERROR=ON >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp examples/*.edg "$work/"
"$native/tests/make_documents" "$work"
"$native/bench/bench_make_inputs" "$work/bench" >/dev/null
(cd web && node test/stage.mjs ../build-web/site "$native/tomel" ../build-web/screenshot.png "$work/bench" \
    "$work"/*.edg)
