#!/usr/bin/env bash
# The web stage: builds the site (scripts/build-web.sh), checks the page's
# types (tsc --noEmit --strict, for the page and for its workers) and its
# logic without a browser (node --test web/test/unit), then drives it in
# Debian's Chromium and Firefox ESR, and in WebKitGTK's MiniBrowser through
# WebDriver under Xvfb (web/test/stage.mjs) with the examples,
# the Wine stage's generated documents (good, damaged, cut) and the
# benchmark's big and animation, each held to the native build's output. The screenshot it takes goes to
# build-web/screenshot.png (docs/web-page.png is one of them).
# Usage: tests/web/run.sh NATIVE_BUILD   (a build with TOMEL_BENCH=ON)
set -euo pipefail
cd "$(dirname "$0")/../.."

native=$(realpath "${1:-build-test}")
scripts/deps.sh chromium firefox-esr webkit2gtk-driver xvfb xauth
scripts/build-web.sh -DTOMEL_WERROR=ON >/dev/null
(cd web && npm run --silent typecheck)
echo "the page's types: checked"
(cd web && TOMEL_NATIVE="$native/tomel" node --test --test-reporter=dot test/unit/)
echo "the page's logic: node --test passed"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp examples/*.edg "$work/"
"$native/tests/make_documents" "$work"
"$native/bench/bench_make_inputs" "$work/bench" >/dev/null
(cd web && node test/stage.mjs ../build-web/site "$native/tomel" ../build-web/screenshot.png "$work/bench" \
    "$work"/*.edg)
