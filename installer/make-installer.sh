#!/bin/sh
# make-installer.sh BUILD_DIR OUT_DIR ICON
# Makes OUT_DIR/TarnwickSetup-<version>.exe from the Windows build tree
# BUILD_DIR, with the program's icon file ICON. What ships is first copied into OUT_DIR/stage/Tarnwick (the two
# programs, stripped, and the help pages; never the stand-ins or the tests),
# which is also what the portable zip holds.
set -eu
build=$(cd "$1" && pwd)
mkdir -p "$2"
out=$(cd "$2" && pwd)
icon=$3
here=$(cd "$(dirname "$0")" && pwd)

stage="$out/stage/Tarnwick"
rm -rf "$stage"
mkdir -p "$stage/html"
cp "$build/Tarnwick.exe" "$build/Lanternpane.exe" "$stage/"
cp -R "$build/html/." "$stage/html/"
x86_64-w64-mingw32-strip --strip-all "$stage/Tarnwick.exe" "$stage/Lanternpane.exe"

# The picture on the welcome and finish pages (164x314): the program's icon,
# doubled, above a band of its blue.
convert -size 164x314 gradient:'#f4f7fb-#1d4f91' \
    \( "$icon[1]" -filter point -resize 64x64 \) \
    -gravity north -geometry +0+48 -composite -type truecolor BMP3:"$out/wizard.bmp"

# Warnings count as errors, as in the compilers. The full log keeps the size
# summary at its end (tools/release.sh shows it).
log="$out/makensis.log"
if ! makensis -V4 -WX -NOCD -DSTAGE="$stage" -DOUTDIR="$out" -DICON="$icon" -DWIZARD_BITMAP="$out/wizard.bmp" \
    "$here/Tarnwick.nsi" >"$log" 2>&1; then
    cat "$log" >&2
    exit 1
fi
