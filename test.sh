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
# One persistent wineserver for the whole run: every Wine start is then warm.
mkdir -p "$prefix"
WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
WINEPREFIX="$prefix" wineserver -p
# The display comes first: Wine's helper processes start with the first
# program of the session and keep its environment, and out-of-process COM
# servers (the Office stand-in) need the display for their windows.
cleanup() {
    stop_xvfb
    WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
}
trap cleanup EXIT
start_xvfb
"$top/tools/prepare-prefix.sh" "$prefix" "$build_win"
ctest --test-dir "$build_win" --output-on-failure || status=1
echo "Screenshots: $build_win/screenshots"
exit $status
