#!/bin/sh
# Runs the PDF step benchmark and the job benchmark (JOB_FILES files per
# job, 200 by default) under Wine in the test prefix (build first:
# ./test.sh or cmake --build build/win). Uses $DISPLAY, or a private Xvfb.
set -eu
here=$(cd "$(dirname "$0")/../.." && pwd)
build="$here/build/win"
export TARNWICK_PREFIX="$build/wineprefix"
"$here/tools/prepare-prefix.sh" "$TARNWICK_PREFIX" "$build" >/dev/null
if [ -z "${DISPLAY:-}" ]; then
    Xvfb :139 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb=$!
    trap 'kill $xvfb' EXIT
    export DISPLAY=:139
    sleep 1
fi
win() { "$here/tools/wine-run.sh" winepath -w "$1" 2>/dev/null; }
"$here/tools/wine-run.sh" "$build/jobs/pdf_step_benchmark.exe" "$(win "$build/standins/pdftk.exe")" \
    "$(win "$build")\\benchmark" "${1:-40}"
"$here/tools/wine-run.sh" "$build/jobs/job_benchmark.exe" "$(win "$build/standins/pdftk.exe")" \
    "$(win "$here/jobs/tests/fixtures/sample.pdf")" "$(win "$here/standins/office/tests/data/memo.docx")" \
    "$(win "$build")\\job-benchmark" "${JOB_FILES:-200}"
