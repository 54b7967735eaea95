#!/bin/sh
# run-benchmark.sh [COUNT]: lists a folder of COUNT (default 1,000) mixed
# Office and PDF files, plain and encrypted, in the file list under Wine and
# prints the time per row next to the time to classify the same files alone.
# The files are classify_benchmark's, in build/win/list-benchmark-files.
# Uses $DISPLAY, or a private Xvfb. Not a test.
set -eu
top=$(cd "$(dirname "$0")/../.." && pwd)
. "$top/tools/common.sh"
count=${1:-1000}
build="$build_win"
cmake --build "$build" --target classify_benchmark list_benchmark
export TARNWICK_PREFIX="$build/wineprefix"
"$top/tools/prepare-prefix.sh" "$TARNWICK_PREFIX" "$build" >/dev/null
if [ -z "${DISPLAY:-}" ]; then
    start_xvfb
    trap stop_xvfb EXIT
fi
folder="$build/list-benchmark-files"
windows_folder="Z:$(echo "$folder" | tr / '\\')"
run() { "$top/tools/wine-run.sh" "$@" </dev/null; }
if [ ! -f "$folder.count-$count" ]; then
    rm -rf "$folder" "$folder".count-*
    run "$build/classify/classify_benchmark.exe" make "$windows_folder" "$count"
    touch "$folder.count-$count"
fi
run "$build/browser/list_benchmark.exe" "$windows_folder"
