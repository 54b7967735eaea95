#!/bin/sh
# Runs the PDF step benchmark and the job benchmark (JOB_FILES files per
# job, 200 by default) under Wine in the test prefix (build first:
# ./test.sh or cmake --build build/win). Uses $DISPLAY, or a private Xvfb.
set -eu
top=$(cd "$(dirname "$0")/../.." && pwd)
build="$top/build/win"
. "$top/tools/benchmark-prefix.sh"
win() { "$top/tools/wine-run.sh" winepath -w "$1" 2>/dev/null; }
"$top/tools/wine-run.sh" "$build/jobs/pdf_step_benchmark.exe" "$(win "$build/standins/pdftk.exe")" \
    "$(win "$build")\\benchmark" "${1:-40}"
"$top/tools/wine-run.sh" "$build/jobs/job_benchmark.exe" "$(win "$build/standins/pdftk.exe")" \
    "$(win "$top/jobs/tests/fixtures/sample.pdf")" "$(win "$top/standins/office/tests/data/memo.docx")" \
    "$(win "$build")\\job-benchmark" "${JOB_FILES:-200}"
