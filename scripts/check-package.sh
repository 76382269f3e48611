#!/usr/bin/env bash
# Checks the install and the Debian package as a user and a packager get them. In a build folder
# of its own, made afresh: builds the two programs alone, as ./run.sh does, and installs them
# with `cmake --install` into a staging folder; then makes the .deb (with debug information,
# which goes into the -dbgsym package) and has lintian check both packages, which must report
# no error and no warning.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/package
rm -rf "$build"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
# cpack then packs what the install takes without building the benchmarks as well.
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF \
    -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON "${launcher[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)" --target quillmere quillmere-convert >/dev/null

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
DESTDIR=$stage cmake --install "$build" --prefix /usr >/dev/null
echo "cmake --install after building the two programs: $(find "$stage" -type f | wc -l) files"

(cd "$build" && cpack -G DEB >/dev/null)
packages=("$build"/quillmere*_*.deb "$build"/quillmere*_*.ddeb)
version=$(dpkg-deb -f "$build"/quillmere_*.deb Version)
changelog=$(dpkg-deb --fsys-tarfile "$build"/quillmere_*.deb |
    tar -xO ./usr/share/doc/quillmere/changelog.gz | gzip -d | head -1)
if [[ $changelog != "quillmere ($version) "* ]]; then
    echo "FAIL: the changelog's latest entry is not version $version: $changelog" >&2
    exit 1
fi
lintian --fail-on error,warning --tag-display-limit 0 "${packages[@]}"
echo "lintian: nothing to report on ${packages[*]##*/}"
