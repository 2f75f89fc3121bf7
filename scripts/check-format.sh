#!/usr/bin/env bash
# Fails when a source file drifts from .clang-format, naming the fix.
set -euo pipefail
cd "$(dirname "$0")/.."
if ! git ls-files -z '*.cpp' '*.h' '*.c' | xargs -0 clang-format --dry-run --Werror 2>/tmp/tomel-format.log; then
    grep -E '^[^ ].*(warning|error):' /tmp/tomel-format.log | head -n 20
    echo "format: sources drift from .clang-format; fix with: scripts/format.sh"
    exit 1
fi
echo "format: clean"
