#!/usr/bin/env bash
# Builds the Debian package build-pkg/tomel_VERSION_ARCH.deb.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build-pkg -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOMEL_TESTS=OFF >/dev/null
cmake --build build-pkg
(cd build-pkg && cpack -G DEB)
