#!/bin/sh
# Runs a Windows program in the test prefix of the build tree.
# TARNWICK_PREFIX names the prefix folder; it defaults to build/win/wineprefix
# of this checkout. HOME and XDG_DATA_HOME stay inside the prefix so that
# nothing reaches the real home folder.
here=$(cd "$(dirname "$0")/.." && pwd)
: "${TARNWICK_PREFIX:=$here/build/win/wineprefix}"
export WINEPREFIX="$TARNWICK_PREFIX"
export HOME="$TARNWICK_PREFIX/home"
export XDG_DATA_HOME="$TARNWICK_PREFIX/home/.local/share"
export XDG_CONFIG_HOME="$TARNWICK_PREFIX/home/.config"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
# Output goes through a file: COM servers and other programs that the program
# starts inherit its output handles and may outlive it, and a pipe they hold
# open would keep ctest waiting until its timeout.
out=$(mktemp)
wine "$@" >"$out" 2>&1
status=$?
cat "$out"
rm -f "$out"
exit $status
