# Sourced by the folders' benchmark/run-benchmark.sh once they have set top
# (the checkout) and build (its build/win): prepares the test prefix and
# exports it as TARNWICK_PREFIX for tools/wine-run.sh; without $DISPLAY it
# starts a private Xvfb on the first free display from :139, ended when the
# script exits.
export TARNWICK_PREFIX="$build/wineprefix"
"$top/tools/prepare-prefix.sh" "$TARNWICK_PREFIX" "$build" >/dev/null
if [ -z "${DISPLAY:-}" ]; then
    display=139
    while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
    Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb=$!
    trap 'kill $xvfb' EXIT
    export DISPLAY=":$display"
    sleep 1
fi
