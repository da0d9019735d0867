#!/usr/bin/env bash
# Builds KAVRIS with our simulated adapter library and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)" --target kavris TELKOR
exec build/bin/kavris "$@"
