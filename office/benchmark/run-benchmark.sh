#!/bin/sh
# run-benchmark.sh: prints, under Wine, the protect / unprotect flow's own
# cost per file (engines that succeed at once) for files of 10 KB, 1 MB and
# 20 MB, as a ratio to one CopyFile plus one DeleteFile of the same file
# (the aim is at most 1.2); then PowerPoint's protect and unprotect through
# the Office session with the Office stand-in, unprotect and its part after
# the password prompt as ratios to the password validator's polling second
# (the aim for that part is well under 1.0; PPT_ROUNDS rounds, 5 by default).
# Uses $DISPLAY, or a private Xvfb. Not a test.
set -eu
top=$(cd "$(dirname "$0")/../.." && pwd)
build="$top/build/win"
cmake --build "$build" --target office_benchmark powerpoint_benchmark winnt-provider office-standin
. "$top/tools/benchmark-prefix.sh"
folder="$build/benchmark-office"
mkdir -p "$folder"
win() { echo "Z:$1" | tr / '\\'; }
# Without the line that each password derivation prints.
run() { "$top/tools/wine-run.sh" "$@" </dev/null | grep -v '^Len=16 MD5'; }
run "$build/office/office_benchmark.exe" "$(win "$folder")"
run "$build/office/powerpoint_benchmark.exe" "$(win "$top/standins/office/tests/data/deck.pptx")" "$(win "$folder")" \
    "${PPT_ROUNDS:-5}"
