#!/usr/bin/env bash
# Installs what is missing, builds a release and starts Tavrilo Synth.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh build
cmake --preset release >/dev/null
cmake --build --preset release --target tavrilo-synth
exec build/release/src/app/tavrilo-synth "$@"
