#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer and runs each for a while.
#   scripts/fuzz.sh [seconds per target, default 60]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
scripts/install-deps.sh
if ! command -v clang++ > /dev/null; then
    sudo_cmd=()
    [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q clang
fi
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DKAVRIS_TESTS=OFF -DKAVRIS_LIBFUZZER=ON \
    -DKAVRIS_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
cmake --build build-fuzz -j"$(nproc)" --target fuzz_listfile fuzz_bytetext
for target in listfile bytetext; do
    work=$(mktemp -d)
    cp fuzz/corpus/"$target"/* "$work"/
    ASAN_OPTIONS=detect_leaks=0 build-fuzz/fuzz/fuzz_"$target" -max_total_time="$seconds" \
        -max_len=65536 "$work"
done
