#!/usr/bin/env bash
# Builds KAVRIS and runs every test, headless.
#   scripts/test.sh              the normal build (build/)
#   scripts/test.sh --sanitize   with AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/)
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=build
options=(-DKAVRIS_WERROR=ON)
if [ "${1:-}" = "--sanitize" ]; then
    build_dir=build-asan
    options+=(-DKAVRIS_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug)
    # Leaks of the system's font and GL libraries are not ours to mend.
    export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
fi

scripts/install-deps.sh
cmake -S . -B "$build_dir" "${options[@]}"
cmake --build "$build_dir" -j"$(nproc)"

export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
chmod 700 "$XDG_RUNTIME_DIR"
cd "$build_dir"
ctest --output-on-failure -j"$(nproc)" --timeout 300
