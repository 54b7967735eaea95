#!/bin/sh
# Installs what is missing, builds both trees and runs every test: the native
# tests under the sanitizers, then the Windows tests under Wine in a private
# prefix and X display. Ends with the ctest summary.
set -eu
. "$(dirname "$0")/tools/common.sh"

install_packages
build_native
build_windows

status=0
echo "== native tests"
ctest --test-dir "$build_native" --output-on-failure || status=1

echo "== Windows tests under Wine"
prefix="$build_win/wineprefix"
# The display comes first: Wine's desktop process, started with the first
# Wine program, keeps the display it found then.
start_xvfb
# One persistent wineserver for the whole run: every Wine start is then warm.
mkdir -p "$prefix"
WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
WINEPREFIX="$prefix" wineserver -p
"$top/tools/prepare-prefix.sh" "$prefix" "$build_win"
cleanup() {
    stop_xvfb
    WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
}
trap cleanup EXIT
ctest --test-dir "$build_win" --output-on-failure || status=1
echo "Screenshots: $build_win/screenshots"
exit $status
