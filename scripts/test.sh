#!/usr/bin/env bash
# Builds KAVRIS and runs every test, headless.
#   scripts/test.sh              the normal build against Qt 5.15 (build/) and the same against
#                                Qt 6 (build-qt6/), warnings are errors
#   scripts/test.sh --qt5 | --qt6  one of the two only
#   scripts/test.sh --sanitize   with AddressSanitizer, UndefinedBehaviorSanitizer and
#                                LeakSanitizer (build-asan/); any report fails the run
# KAVRIS_BUILD_DIR, KAVRIS_QT6_BUILD_DIR and KAVRIS_ASAN_BUILD_DIR choose other build directories. Each kind of build
# is a function of its own; another kind is one more function and one more case at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

launcher=()
if command -v ccache > /dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

# build_and_test DIR [CMAKE OPTIONS...]: configures, builds everything and runs every test.
build_and_test() {
    local dir=$1
    shift
    cmake -S "$root" -B "$dir" "${launcher[@]}" "$@"
    cmake --build "$dir" -j"$(nproc)"
    export QT_QPA_PLATFORM=offscreen
    export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
    chmod 700 "$XDG_RUNTIME_DIR"
    (cd "$dir" && ctest --output-on-failure -j"$(nproc)" --timeout 300)
}

normal_build() {
    build_and_test "${KAVRIS_BUILD_DIR:-build}" -DKAVRIS_WERROR=ON
}

qt6_build() {
    build_and_test "${KAVRIS_QT6_BUILD_DIR:-build-qt6}" -DKAVRIS_WERROR=ON -DKAVRIS_QT_MAJOR=6
}

# In a subshell, so that the sanitizers' settings stay with this build.
sanitized_build() (
    # Leaks are reported, except those of the system's libraries that tests/lsan.supp names;
    # every other report aborts the test that made it. Qt is built without frame pointers, so
    # only the slow unwinder records the whole stack of an allocation that a suppression needs.
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:check_initialization_order=1
    ASAN_OPTIONS+=:fast_unwind_on_malloc=0
    export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    # The sanitizers slow every call some twentyfold: a shorter soak.
    export KAVRIS_SOAK_TRANSFERS="${KAVRIS_SOAK_TRANSFERS:-20000}"
    build_and_test "${KAVRIS_ASAN_BUILD_DIR:-build-asan}" -DKAVRIS_WERROR=ON \
        -DKAVRIS_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
)

# sigrok-cli decodes the VCD files the tests write, as a logic-analyser program would.
scripts/install-deps.sh sigrok-cli
case "${1:-}" in
"")
    normal_build
    qt6_build
    ;;
--qt5) normal_build ;;
--qt6) qt6_build ;;
--sanitize) sanitized_build ;;
*)
    echo "usage: $0 [--qt5 | --qt6 | --sanitize]" >&2
    exit 2
    ;;
esac
