#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer and the sanitizers and runs each for a while,
# starting from its seed corpus in fuzz/corpus/. An input that fails is kept in
# build-fuzz/artifacts/; add it to the target's corpus, where the normal build replays it as a
# regression test.
#   scripts/fuzz.sh [seconds per target, default 60]
# KAVRIS_FUZZ_BUILD_DIR chooses another build directory.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
seconds="${1:-60}"
build_dir="${KAVRIS_FUZZ_BUILD_DIR:-build-fuzz}"
targets=(listfile bytetext rowcells telkorconfig expectedlog)

# libFuzzer and the sanitizers' runtimes come in libclang-rt, which clang only recommends.
scripts/install-deps.sh clang libclang-rt-14-dev
launcher=()
if command -v ccache > /dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
CC=clang CXX=clang++ cmake -S . -B "$build_dir" "${launcher[@]}" -DKAVRIS_TESTS=OFF \
    -DKAVRIS_LIBFUZZER=ON -DKAVRIS_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
cmake --build "$build_dir" -j"$(nproc)" --target "${targets[@]/#/fuzz_}"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
artifacts="$build_dir/artifacts"
mkdir -p "$artifacts"
summary=()
for target in "${targets[@]}"; do
    work=$(mktemp -d)
    cp fuzz/corpus/"$target"/* "$work"/
    log="$build_dir/fuzz_$target.log"
    status=0
    "$build_dir"/fuzz/fuzz_"$target" -max_total_time="$seconds" -max_len=65536 \
        -print_final_stats=1 -artifact_prefix="$artifacts/$target-" "$work" > "$log" 2>&1 ||
        status=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    corpus=$(find "$work" -type f | wc -l)
    rm -rf "$work"
    if [ "$status" -ne 0 ]; then
        tail -n 60 "$log"
        echo "fuzz_$target failed; the input is in $artifacts" >&2
        exit 1
    fi
    summary+=("fuzz_$target: ${runs:-?} executions in $seconds s, corpus grew to $corpus inputs")
done
printf '%s\n' "${summary[@]}"
