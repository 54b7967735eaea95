#!/bin/sh
# render-help.sh [OUTPUT.png [WIDTH,HEIGHT]]
# Renders the help page with headless Chromium (Debian package chromium) so
# that a person can look at it. Not part of the tests.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here/../build/help-page.png}
size=${2:-1000,2400}
profile=$(mktemp -d)
trap 'rm -rf "$profile"' EXIT
chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$profile" --hide-scrollbars --screenshot="$out" --window-size="$size" \
    "file://$here/html/Tarnwick.html" >/dev/null 2>&1
echo "$out"
