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
mkdir -p "$prefix"
WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
"$top/tools/prepare-prefix.sh" "$prefix" "$build_win"
# Let the set-up's Wine session end before the tests start a fresh one: the
# first start of a new prefix can leave two service managers behind, and
# out-of-process COM then waits for ever on the RPC service.
WINEPREFIX="$prefix" wineserver -w
# One persistent wineserver for the whole run: every Wine start is then warm.
# The session's own processes (service manager, RPC service) start here, with
# nothing attached to their output: started by a test, they would hold ctest's
# output pipe open until its timeout.
WINEPREFIX="$prefix" wineserver -p
TARNWICK_PREFIX="$prefix" "$top/tools/wine-run.sh" wineboot </dev/null >/dev/null 2>&1 || true
cleanup() {
    stop_xvfb
    WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
}
trap cleanup EXIT
ctest --test-dir "$build_win" --output-on-failure || status=1
echo "Screenshots: $build_win/screenshots"
exit $status
