#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite: the release build with the
# end-to-end scenarios, everything but those under AddressSanitizer and UBSan, and the Qt-free
# core under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh test
for preset in release asan-ubsan tsan; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    ctest --preset "$preset"
done
