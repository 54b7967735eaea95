#!/bin/sh
# run-benchmark.sh [COUNT]: builds a folder of COUNT (default 10,000) mixed
# Office and PDF files, plain and encrypted, in build/win/benchmark-files and
# prints, under Wine, the time to classify all of them next to the time to
# open each file and read its first 4 KiB. Not a test.
set -eu
top=$(cd "$(dirname "$0")/../.." && pwd)
count=${1:-10000}
build="$top/build/win"
cmake --build "$build" --target classify_benchmark
folder="$build/benchmark-files"
windows_folder="Z:$(echo "$folder" | tr / '\\')"
run() { "$top/tools/wine-run.sh" "$build/classify/classify_benchmark.exe" "$@" </dev/null; }
if [ ! -f "$folder.count-$count" ]; then
    rm -rf "$folder" "$folder".count-*
    run make "$windows_folder" "$count"
    touch "$folder.count-$count"
fi
run run "$windows_folder"
