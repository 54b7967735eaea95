#!/bin/sh
# fresh-prefix.sh PREFIX PROGRAM [ARGUMENT...]
# Runs a Windows program in a new Wine prefix PREFIX, made afresh every time
# (a machine on which Tarnwick was never installed, without the stand-ins),
# and ends that prefix's Wine session afterwards. HOME and the XDG folders
# stay inside the prefix, as tools/wine-run.sh arranges.
set -u
prefix=$1
shift
top=$(cd "$(dirname "$0")/../.." && pwd)
export TARNWICK_PREFIX="$prefix"

WINEPREFIX="$prefix" wineserver -k 2>/dev/null
rm -rf "$prefix"
mkdir -p "$prefix/home/.local/share" "$prefix/home/.config"
"$top/tools/wine-run.sh" wineboot -i >/dev/null 2>&1
# No window manager on the test display: Wine places the windows itself
# (see tools/prepare-prefix.sh).
"$top/tools/wine-run.sh" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
# Let the set-up's session end first (see test.sh).
WINEPREFIX="$prefix" wineserver -w

"$top/tools/wine-run.sh" "$@"
status=$?
WINEPREFIX="$prefix" wineserver -k 2>/dev/null
exit $status
