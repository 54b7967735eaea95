#!/bin/sh
# prepare-demo.sh PREFIX BUILD_DIR [--reset]
# Sets up the demo in the Wine prefix PREFIX (made by prepare-prefix.sh):
#
# - the folder C:\Tarnwick Demo with plain sample documents of every kind
#   Tarnwick handles (.docx .xlsx .pptx .doc .xls .ppt .pdf), copied from the
#   committed test samples. Made only when the folder is missing, so that
#   whatever the user did to it survives the next run; --reset deletes it and
#   copies the samples afresh;
# - the settings "InitialFolder" (that folder) and "PathForPDFTK" (the pdftk
#   stand-in of BUILD_DIR), so that the main window opens on the samples and
#   PDF files can be encrypted at once. Written when missing, or with the
#   folder when it is made afresh; a "PathForPDFTK" that names no file any
#   more (a moved checkout) is written again.
set -eu
prefix=$(realpath -m "$1")
build=$(realpath -m "$2")
reset=${3:-}
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/.." && pwd)
export TARNWICK_PREFIX="$prefix"
run() { "$here/wine-run.sh" "$@"; }

key='HKCU\SOFTWARE\Merrowind\Application\Tarnwick\Config'
folder_windows='C:\Tarnwick Demo'
folder="$prefix/drive_c/Tarnwick Demo"
pdftk="$build/standins/pdftk.exe"

# The samples, as the demo names them: source (relative to the checkout),
# then the name in the demo folder.
samples="
classify/tests/fixtures/lo-plain.docx|Quarterly report.docx
classify/tests/fixtures/lo-plain.xlsx|Budget.xlsx
classify/tests/fixtures/lo-plain.pptx|Kick-off slides.pptx
classify/tests/fixtures/lo-plain.doc|Old memo.doc
classify/tests/fixtures/lo-plain.xls|Old figures.xls
classify/tests/fixtures/lo-plain.ppt|Old slides.ppt
classify/tests/fixtures/lo-plain.pdf|Handout.pdf
"

# has_value NAME: true when the setting is stored.
has_value() { run reg query "$key" /v "$1" >/dev/null 2>&1; }
set_value() { run reg add "$key" /v "$1" /t REG_SZ /d "$2" /f >/dev/null; }

if [ "$reset" = "--reset" ] && [ -d "$folder" ]; then
    printf "prepare-demo: resetting %s\n" "$folder_windows"
    rm -rf "$folder"
fi

fresh=0
if [ ! -d "$folder" ]; then
    printf "prepare-demo: making %s with the sample documents\n" "$folder_windows"
    mkdir -p "$folder.partial"
    echo "$samples" | while IFS='|' read -r source name; do
        [ -n "$source" ] || continue
        cp "$top/$source" "$folder.partial/$name"
    done
    # Appears whole or not at all: an interrupted copy is tried again.
    mv "$folder.partial" "$folder"
    fresh=1
fi

if [ "$fresh" -eq 1 ] || ! has_value InitialFolder; then
    set_value InitialFolder "$folder_windows"
fi

if [ -f "$pdftk" ]; then
    stored=$(run reg query "$key" /v PathForPDFTK 2>/dev/null |
        sed -n 's/^ *PathForPDFTK *REG_SZ *//p' | tr -d '\r')
    stale=0
    if [ -n "$stored" ]; then
        unix=$(run winepath -u "$stored" 2>/dev/null | tr -d '\r')
        [ -n "$unix" ] && [ ! -f "$unix" ] && stale=1
    fi
    if [ "$fresh" -eq 1 ] || [ -z "$stored" ] || [ "$stale" -eq 1 ]; then
        set_value PathForPDFTK "$(run winepath -w "$pdftk" 2>/dev/null | tr -d '\r')"
    fi
fi
exit 0
