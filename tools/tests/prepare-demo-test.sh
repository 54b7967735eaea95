#!/bin/sh
# prepare-demo-test.sh PREFIX BUILD_DIR
# Black-box check of tools/prepare-demo.sh in a Wine prefix of its own
# (PREFIX, made afresh): the demo folder and the two settings it writes, what
# a second run leaves alone, what it mends, and --reset.
set -u
prefix=$(realpath -m "$1")
build=$(realpath -m "$2")
here=$(cd "$(dirname "$0")/.." && pwd)
top=$(cd "$here/.." && pwd)
export TARNWICK_PREFIX="$prefix"
key='HKCU\SOFTWARE\Merrowind\Application\Tarnwick\Config'
folder="$prefix/drive_c/Tarnwick Demo"
failures=0

fail() {
    printf "FAIL: %s\n" "$*"
    failures=$((failures + 1))
}
demo() { "$here/prepare-demo.sh" "$prefix" "$build" "$@" >/dev/null || fail "prepare-demo.sh $* exited $?"; }
setting() {
    "$here/wine-run.sh" reg query "$key" /v "$1" 2>/dev/null | sed -n "s/^ *$1 *REG_SZ *//p" | tr -d '\r'
}
put() { "$here/wine-run.sh" reg add "$key" /v "$1" /t REG_SZ /d "$2" /f >/dev/null; }
expect_setting() {
    got=$(setting "$1")
    [ "$got" = "$2" ] || fail "$1 is '$got', expected '$2' ($3)"
}
# Each sample is a committed plain test file, byte for byte.
expect_samples() {
    for pair in "lo-plain.docx:Quarterly report.docx" "lo-plain.xlsx:Budget.xlsx" \
        "lo-plain.pptx:Kick-off slides.pptx" "lo-plain.doc:Old memo.doc" "lo-plain.xls:Old figures.xls" \
        "lo-plain.ppt:Old slides.ppt" "lo-plain.pdf:Handout.pdf"; do
        cmp -s "$top/classify/tests/fixtures/${pair%%:*}" "$folder/${pair#*:}" || fail "$1: ${pair#*:} is not the sample"
    done
    count=$(ls "$folder" | wc -l)
    [ "$count" -eq 7 ] || fail "$1: $count files in the demo folder, expected 7"
}

# Only a Wine prefix (or nothing) is cleared away.
if [ -e "$prefix" ] && [ ! -f "$prefix/system.reg" ]; then
    echo "$prefix is no Wine prefix: not removing it"
    exit 1
fi
WINEPREFIX="$prefix" wineserver -k 2>/dev/null
rm -rf "$prefix"
mkdir -p "$prefix/home/.local/share" "$prefix/home/.config"
"$here/wine-run.sh" wineboot -i >/dev/null 2>&1
pdftk=$("$here/wine-run.sh" winepath -w "$build/standins/pdftk.exe" 2>/dev/null | tr -d '\r')

# A new prefix: the folder with the samples, both settings.
demo
expect_samples "first run"
expect_setting InitialFolder 'C:\Tarnwick Demo' "first run"
expect_setting PathForPDFTK "$pdftk" "first run"

# The user's changes survive the next run: files, start folder, pdftk path.
rm "$folder/Budget.xlsx"
echo mine >"$folder/Mine.txt"
put InitialFolder 'C:\users'
put PathForPDFTK "$pdftk"
demo
[ -f "$folder/Mine.txt" ] && [ ! -f "$folder/Budget.xlsx" ] || fail "a second run changed the demo folder"
expect_setting InitialFolder 'C:\users' "a second run"

# A pdftk path that names no file (a moved checkout) is written again.
put PathForPDFTK 'C:\nowhere\pdftk.exe'
demo
expect_setting PathForPDFTK "$pdftk" "stale pdftk path"

# --reset: the samples alone again, and the start folder on them.
demo --reset
expect_samples "reset"
expect_setting InitialFolder 'C:\Tarnwick Demo' "reset"

WINEPREFIX="$prefix" wineserver -k 2>/dev/null
if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "demo set-up: all checks passed"
