#!/usr/bin/env bash
# Builds KAVRIS and runs every test, headless.
#   scripts/test.sh              the normal build against Qt 5.15 (build/), the Debian package
#                                (build-deb/) and the same against Qt 6 (build-qt6/), warnings
#                                are errors
#   scripts/test.sh --qt5 | --qt6  the Qt 5 build and the package, or the Qt 6 build, only
#   scripts/test.sh --package    the package only: built by scripts/package.sh, checked by the
#                                validators and lintian, unpacked and its kavris-run run
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

# The Debian package: its menu entry and metadata validate, lintian finds no error and no warning
# but those README lists, and the kavris-run in the unpacked package passes the flash recipe
# with its library and examples.
package_check() (
    scripts/install-deps.sh desktop-file-utils appstream lintian
    local deb
    # Not tee /dev/stderr: that opens the file anew and empties a log that stderr is redirected to.
    deb=$(scripts/package.sh | tee >(cat >&2) | tail -n 1)
    desktop-file-validate packaging/kavris.desktop
    appstreamcli validate --no-net packaging/org.kavris.kavris.metainfo.xml
    lintian --fail-on error,warning --suppress-tags initial-upload-closes-no-bugs "$deb"
    local unpacked
    unpacked=$(mktemp -d)
    trap 'rm -rf "$unpacked"' EXIT
    dpkg-deb -x "$deb" "$unpacked"
    appstreamcli validate-tree --no-net "$unpacked"
    local examples=$unpacked/usr/share/kavris/examples
    env -u KAVRIS_TELKOR TELKOR_CONFIG=timing=on "$unpacked/usr/bin/kavris-run" \
        --channel SPI1_CS1 --expect "$examples/flash-page.expected" "$examples/flash-page.list"
    echo "package $deb: checked"
)

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
    package_check
    qt6_build
    ;;
--qt5)
    normal_build
    package_check
    ;;
--qt6) qt6_build ;;
--package) package_check ;;
--sanitize) sanitized_build ;;
*)
    echo "usage: $0 [--qt5 | --qt6 | --package | --sanitize]" >&2
    exit 2
    ;;
esac
