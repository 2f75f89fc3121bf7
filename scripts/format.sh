#!/usr/bin/env bash
# Formats every C and C++ source of the project in place with .clang-format.
set -euo pipefail
cd "$(dirname "$0")/.."
git ls-files -z '*.cpp' '*.h' '*.c' | xargs -0 clang-format -i
