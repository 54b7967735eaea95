#!/bin/sh
# Makes a release: builds the Windows programs in release mode (build/release)
# and writes dist/TarnwickSetup-<version>.exe and the portable
# dist/Tarnwick-<version>-portable.zip. Both hold the same files: the two
# programs, stripped, and the help pages; never the stand-ins or the tests,
# which this build does not even compile. The version is the one in VERSION.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/tools/common.sh"

install_packages

build_release="$top/build/release"
if [ ! -f "$build_release/build.ninja" ]; then
    cmake -S "$top" -B "$build_release" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64.cmake" -DTARNWICK_WERROR=ON -DTARNWICK_TESTS=OFF
fi
# The setup program's target depends on the two programs and the help pages
# only.
cmake --build "$build_release" --target installer

version=$(head -n 1 "$top/VERSION")
dist="$top/dist"
setup="TarnwickSetup-$version.exe"
portable="Tarnwick-$version-portable.zip"
mkdir -p "$dist"
rm -f "$dist/$setup" "$dist/$portable"
cp "$build_release/installer/$setup" "$dist/"
# The zip unpacks to a folder Tarnwick that runs where it lies.
(cd "$build_release/installer/stage" && cmake -E tar cf "$dist/$portable" --format=zip Tarnwick)

size() { wc -c <"$1" | tr -d ' '; }
echo
echo "What ships (bytes):"
(cd "$build_release/installer/stage/Tarnwick" && find . -type f | sort | while read -r file; do
    printf '  %9s  %s\n' "$(size "$file")" "${file#./}"
done)
echo "The setup program, as NSIS made it:"
sed -n '/^EXE header size/,/^Total size/p' "$build_release/installer/makensis.log" | sed '/^$/d; s/^/  /'
echo
printf '%9s  %s\n' "$(size "$dist/$setup")" "dist/$setup"
printf '%9s  %s\n' "$(size "$dist/$portable")" "dist/$portable"
