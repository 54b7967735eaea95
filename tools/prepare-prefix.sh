#!/bin/sh
# prepare-prefix.sh PREFIX BUILD_DIR
# Creates the Wine prefix PREFIX when it is missing and registers the
# stand-ins built in BUILD_DIR. Idempotent: a stand-in is registered again
# only when it was rebuilt.
set -eu
prefix=$1
build=$2
here=$(cd "$(dirname "$0")" && pwd)
export TARNWICK_PREFIX="$prefix"
run() { "$here/wine-run.sh" "$@"; }

if [ ! -f "$prefix/system.reg" ]; then
    mkdir -p "$prefix/home/.local/share" "$prefix/home/.config"
    echo "prepare-prefix: creating $prefix"
    run wineboot -i >/dev/null 2>&1 || true
fi

# Whether the window manager places the windows (Wine's "Managed"). The
# test display has none, and Wine then waits 2 s for one whenever a visible
# top-level window is hidden (measured: ShowWindow SW_HIDE 2004 ms, 3 ms
# unmanaged); so windows are placed by Wine itself, as Windows does, unless
# TARNWICK_MANAGED_WINDOWS=Y asks for the desktop's manager (run.sh on a
# real display).
managed=${TARNWICK_MANAGED_WINDOWS:-N}
if [ "$(cat "$prefix/.managed-windows" 2>/dev/null)" != "$managed" ]; then
    run reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d "$managed" /f >/dev/null 2>&1
    echo "$managed" >"$prefix/.managed-windows"
fi

# register FILE COMMAND...: runs COMMAND when FILE is newer than its stamp.
register() {
    file=$1
    shift
    stamp="$prefix/.registered-$(basename "$file")"
    [ -f "$file" ] || return 0
    if [ ! -f "$stamp" ] || [ "$file" -nt "$stamp" ]; then
        echo "prepare-prefix: registering $(basename "$file")"
        "$@"
        touch "$stamp"
    fi
}

# Each stand-in registers itself through its folder's prefix-setup.sh, which
# may use run and register.
for setup in "$here"/../standins/*/prefix-setup.sh; do
    [ -f "$setup" ] && . "$setup"
done
exit 0
