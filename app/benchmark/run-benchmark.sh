#!/bin/sh
# run-benchmark.sh [ROUNDS]: prints, under Wine, how soon the start-up's
# Office monitor reports that no Office window is open (aim: under 1.5 s)
# and how long releasing a monitor that keeps polling takes (aim: at most
# one polling interval, 2 s), over ROUNDS rounds (5 by default). Uses
# $DISPLAY, or a private Xvfb; an Office window open on that display holds
# up the first figure. Not a test.
set -eu
top=$(cd "$(dirname "$0")/../.." && pwd)
build="$top/build/win"
cmake --build "$build" --target monitor_benchmark
. "$top/tools/benchmark-prefix.sh"
"$top/tools/wine-run.sh" "$build/app/monitor_benchmark.exe" "${1:-5}" </dev/null
