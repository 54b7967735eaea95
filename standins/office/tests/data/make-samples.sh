#!/bin/sh
# Regenerates the sample documents in this folder. Every sample is made by
# programs we did not write: LibreOffice (plain documents and the binary
# formats), Python's zipfile and olefile (content type and flag variants) and
# the npm package officecrypto-tool (agile and standard encryption). Needs soffice,
# python3-olefile and node with officecrypto-tool installed in $NPM_DIR.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
export HOME="$work/home"
mkdir -p "$HOME"
cd "$work"
printf 'Quarterly figures\nLine two\n' > memo.txt
printf 'a,b\n1,2\n' > sheet.csv
cat > deck.fodp <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0" office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.presentation">
<office:body><office:presentation><draw:page draw:name="p1"><draw:frame svg:x="2cm" svg:y="2cm" svg:width="10cm" svg:height="3cm"><draw:text-box><text:p>Slide one</text:p></draw:text-box></draw:frame></draw:page></office:presentation></office:body></office:document>
XML
soffice --headless --convert-to docx memo.txt >/dev/null 2>&1
soffice --headless --convert-to doc memo.txt >/dev/null 2>&1
soffice --headless --convert-to xlsx sheet.csv >/dev/null 2>&1
soffice --headless --convert-to xls sheet.csv >/dev/null 2>&1
soffice --headless --convert-to pptx deck.fodp >/dev/null 2>&1
soffice --headless --convert-to ppt deck.fodp >/dev/null 2>&1
cp memo.docx memo.doc sheet.xlsx sheet.xls deck.pptx deck.ppt "$here/"
/usr/bin/python3 "$here/make-variants.py" "$here"
/usr/bin/python3 "$here/make-xlsb.py" "$here"
NODE_PATH="$NPM_DIR/node_modules" node "$here/encrypt-npm.js" "$here" "Secret-1"
rm -rf "$work"
