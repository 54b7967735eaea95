#!/bin/sh
# Makes the three 16 x 16 icons the notifier tests load as resources 130
# (window), 135 (success) and 136 (failure). Needs ImageMagick.
set -eu
cd "$(dirname "$0")"
convert -size 16x16 xc:none -fill '#2060c0' -draw 'roundrectangle 1,1 14,14 3,3' \
    -fill white -draw 'rectangle 4,5 11,6' -draw 'rectangle 4,9 11,10' window.ico
convert -size 16x16 xc:none -stroke '#108030' -strokewidth 3 -fill none \
    -draw 'polyline 2,8 6,12 13,3' success.ico
convert -size 16x16 xc:none -stroke '#d01010' -strokewidth 3 \
    -draw 'line 3,3 12,12' -draw 'line 12,3 3,12' failure.ico
