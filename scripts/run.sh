#!/usr/bin/env bash
# Builds KAVRIS, kavris-run and our simulated adapter library (every target) and starts KAVRIS.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)"
exec build/bin/kavris "$@"
