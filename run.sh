#!/bin/sh
# Installs what is missing, builds Tarnwick for Windows, prepares a Wine
# prefix of its own (with the stand-ins for Office, pdftk and the directory
# service, and the demo folder C:\Tarnwick Demo with sample documents) and
# starts Tarnwick on $DISPLAY, or on a private Xvfb display when there is
# none. Saves a screenshot of the window and prints its path.
#
#   ./run.sh               keeps the demo folder as the last run left it
#   ./run.sh --reset-demo  puts the plain sample documents back first
set -eu
. "$(dirname "$0")/tools/common.sh"

reset=""
case "${1:-}" in
    "") ;;
    --reset-demo) reset="--reset" ;;
    *) echo "usage: $0 [--reset-demo]" >&2; exit 2 ;;
esac

install_packages
build_windows

prefix="$build_win/demo-prefix"
export TARNWICK_PREFIX="$prefix"
# The display comes first: Wine's desktop process, started with the first
# Wine program, keeps the display it found then.
headless=0
if [ -z "${DISPLAY:-}" ]; then
    start_xvfb
    headless=1
else
    # The desktop's window manager frames and places the windows.
    export TARNWICK_MANAGED_WINDOWS=Y
fi
"$top/tools/prepare-prefix.sh" "$prefix" "$build_win"
"$top/tools/prepare-demo.sh" "$prefix" "$build_win" $reset
# Let the set-up's Wine session end first: the first start of a new prefix
# can leave two service managers behind, which stalls out-of-process COM.
WINEPREFIX="$prefix" wineserver -w

"$top/tools/wine-run.sh" "$build_win/Tarnwick.exe" &
program=$!

shot="$build_win/tarnwick-window.png"
window=""
# A new prefix finishes its set-up on the first start: allow for it.
for _ in $(seq 1 240); do
    # The main window's title is "<folder> - Tarnwick"; the start-up's
    # "Office Applications - Tarnwick" window is not it.
    for candidate in $(xdotool search --name ' - Tarnwick$' 2>/dev/null || true); do
        case $(xdotool getwindowname "$candidate" 2>/dev/null) in
            "Office Applications - Tarnwick") ;;
            *) window=$candidate ;;
        esac
    done
    [ -n "$window" ] && break
    sleep 0.5
done
if [ -n "$window" ]; then
    # Let the list fill and the first layout settle.
    sleep 4
    xwd -silent -id "$window" | convert xwd:- "$shot" && echo "Screenshot: $shot"
else
    echo "Tarnwick's window did not appear" >&2
fi

if [ "$headless" -eq 1 ]; then
    # Nobody can use a window on a private display: close it again.
    WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
    stop_xvfb
    wait "$program" 2>/dev/null || true
else
    wait "$program"
fi
