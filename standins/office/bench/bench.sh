#!/bin/sh
# Benchmark: encrypt and decrypt a 20 MB package with the stand-in's code
# (under Wine), decrypt the same file with msoffcrypto-tool, and print both
# decryption times (each the best of three runs), their ratio (goal: ours at
# least 5 times faster) and the key derivation next to 100,000 bare SHA-512
# rounds.
# Usage: standins/office/bench/bench.sh [BUILD_DIR]   (default build/win)
set -eu
top=$(cd "$(dirname "$0")/../../.." && pwd)
build=${1:-$top/build/win}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
/usr/bin/python3 - "$work/plain.docx" <<'PY'
import os, random, sys, zipfile
random.seed(7)
with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_STORED) as z:
    z.writestr('[Content_Types].xml', '<Types/>')
    z.writestr('word/media/blob.bin', random.randbytes(20 * 1024 * 1024))
PY
export TARNWICK_PREFIX="${TARNWICK_PREFIX:-$build/wineprefix}"
# A warm Wine session: a cold one starts its services alongside the program
# and steals its time. The server stays half a minute after the last program.
WINEPREFIX="$TARNWICK_PREFIX" wineserver -p30 2>/dev/null || true
"$top/tools/wine-run.sh" wineboot >/dev/null 2>&1 || true
ours=$("$top/tools/wine-run.sh" "$build/standins/office-standin-bench.exe" \
    "$(winepath -w "$work/plain.docx" 2>/dev/null || echo "Z:$work/plain.docx" | tr / '\\')" \
    "Z:$(echo "$work/enc.docx" | tr / '\\')" "Z:$(echo "$work/dec.docx" | tr / '\\')" "Bench-Pw1" | tr -d '\r')
echo "stand-in: $ours"
# The peer's best of three whole runs (interpreter start included), as ours.
peer=
for run in 1 2 3; do
    start=$(date +%s.%N)
    /usr/bin/python3 - "$work/enc.docx" "$work/peer.docx" <<'PY'
import sys, msoffcrypto
f = msoffcrypto.OfficeFile(open(sys.argv[1], 'rb'))
f.load_key(password='Bench-Pw1', verify_password=True)
f.decrypt(open(sys.argv[2], 'wb'), verify_integrity=True)
PY
    end=$(date +%s.%N)
    took=$(echo "$end - $start" | bc -l)
    if [ -z "$peer" ] || [ "$(echo "$took < $peer" | bc -l)" = 1 ]; then peer=$took; fi
done
cmp -s "$work/plain.docx" "$work/peer.docx" && same=yes || same=no
decrypt=$(echo "$ours" | sed -n 's/.*decrypt_s=\([0-9.]*\).*/\1/p')
printf 'msoffcrypto-tool decrypt_s=%.3f identical=%s\n' "$peer" "$same"
printf 'ratio peer/ours (decrypt) = %.1f\n' "$(echo "$peer / $decrypt" | bc -l)"
