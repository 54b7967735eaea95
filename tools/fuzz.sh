#!/bin/sh
# fuzz.sh [SECONDS]: builds the libFuzzer targets with clang (build/fuzz) and
# runs each for SECONDS (default 60) on a copy of its corpus. Not part of
# test.sh, which replays the corpora with mutated inputs instead.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build="$top/build/fuzz"
if [ ! -f "$build/build.ninja" ]; then
    CC=clang CXX=clang++ cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DTARNWICK_LIBFUZZER=ON
fi
cmake --build "$build"
for fuzzer in $(find "$build" -name '*_fuzz' -type f -perm -u+x); do
    name=$(basename "$fuzzer")
    corpus=$(find "$top" -path "$top/build" -prune -o -type d -path "*/fuzz/${name%_fuzz}" -print | head -n 1)
    work="$build/corpus/$name"
    mkdir -p "$work"
    [ -n "$corpus" ] && cp -n "$corpus"/* "$work"/ 2>/dev/null || true
    echo "== $name for ${seconds}s"
    "$fuzzer" -max_total_time="$seconds" "$work"
done
