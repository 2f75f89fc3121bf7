#!/usr/bin/env bash
# Installs what is missing, builds tomel in build/ and converts the bundled examples.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build
build/tomel psd examples/*.edg
