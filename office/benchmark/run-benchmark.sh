#!/bin/sh
# run-benchmark.sh: prints, under Wine, the protect / unprotect flow's own
# cost per file (engines that succeed at once) for files of 10 KB, 1 MB and
# 20 MB, as a ratio to one CopyFile plus one DeleteFile of the same file.
# The aim is at most 1.2. Not a test.
set -eu
top=$(cd "$(dirname "$0")/../.." && pwd)
build="$top/build/win"
cmake --build "$build" --target office_benchmark
folder="$build/benchmark-office"
mkdir -p "$folder"
windows_folder="Z:$(echo "$folder" | tr / '\\')"
"$top/tools/wine-run.sh" "$build/office/office_benchmark.exe" "$windows_folder" </dev/null
