#!/usr/bin/env bash
# Builds the Debian package of KAVRIS from this checkout, installing what it needs:
#   scripts/package.sh     ->  build-deb/kavris_<version>-<revision>_<arch>.deb
# The package is built against Qt 5 with Debian's build flags (hardening included), installs
# into /usr and takes its dependencies from the binaries. KAVRIS_DEB_BUILD_DIR chooses another
# build directory. The last line printed is the package's path.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
dir=${KAVRIS_DEB_BUILD_DIR:-build-deb}

# dpkg-dev: the build flags and dpkg-shlibdeps; file: cpack finds the binaries with it.
scripts/install-deps.sh dpkg-dev file

# The version is project()'s; the changelog's newest entry and the metainfo's newest release
# must name it too.
version=$(sed -n 's/^project(kavris VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
changelog=$(dpkg-parsechangelog -l packaging/changelog -S Version)
release=$(sed -n 's/.*<release version="\([^"]*\)".*/\1/p' packaging/org.kavris.kavris.metainfo.xml |
    head -n 1)
if [ "${changelog%-*}" != "$version" ] || [ "$release" != "$version" ]; then
    echo "package.sh: version $version, but packaging/changelog names $changelog and the" \
        "metainfo's newest release $release: add an entry for $version to both" >&2
    exit 1
fi

launcher=()
if command -v ccache > /dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
ldflags=$(dpkg-buildflags --get LDFLAGS)
cmake -S "$root" -B "$dir" "${launcher[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_INSTALL_PREFIX=/usr -DKAVRIS_TESTS=OFF \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$ldflags" -DCMAKE_SHARED_LINKER_FLAGS="$ldflags"
cmake --build "$dir" -j"$(nproc)" --target kavris kavris-run TELKOR manpages
rm -f "$dir"/kavris_*.deb
cd "$dir"
cpack -G DEB
ls "$PWD"/kavris_*.deb
