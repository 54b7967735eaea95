#!/bin/sh
# Builds the libFuzzer target with clang and runs it over the corpus for
# SECONDS (default 60); new inputs it finds are added to the corpus folder.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../../.." && pwd)
out=${TMPDIR:-/tmp}/office-standin-fuzzer
clang++ -std=c++17 -O1 -g -fsanitize=fuzzer,address,undefined -I"$top" \
    "$here/../CryptoPortable.cpp" \
    "$here/Fuzzer.cpp" "$here/FuzzEntry.cpp" "$here/../Crypto.cpp" "$here/../OfficeCrypto.cpp" \
    "$here/../BinaryCrypto.cpp" "$here/../PptCrypto.cpp" "$here/../Formats.cpp" -o "$out"
"$out" -max_total_time="${1:-60}" -max_len=65536 -timeout=20 "$here/corpus"
