#!/bin/sh
# Makes the sample documents in fixtures/ with independent programs. Run once
# by hand; the results are committed and the tests need none of the tools.
#   Debian: libreoffice-writer-nogui libreoffice-calc-nogui
#           libreoffice-impress-nogui python3-uno qpdf pdftk-java nodejs npm
#   npm:    officecrypto-tool (installed into a temporary folder)
# Documents with a password use the password "fixture".
set -eu
here=$(cd "$(dirname "$0")" && pwd)
out="$here/fixtures"
work=$(mktemp -d)
trap 'kill "${office_pid:-}" 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir -p "$out"

# LibreOffice headless, driven through UNO: plain and password-protected
# Word, Excel and PowerPoint documents (it writes binary RC4 for .doc/.xls and
# cannot encrypt .ppt), and a PDF. Its Open XML password through UNO failed
# here with a write error, so the encrypted Open XML samples come from
# officecrypto-tool below.
soffice --headless --invisible --norestore --nologo \
    "-env:UserInstallation=file://$work/profile" \
    "--accept=pipe,name=fixtures$$;urp;" &
office_pid=$!

/usr/bin/python3 - "$out" "fixtures$$" <<'PY'
import sys, time, uno
from com.sun.star.beans import PropertyValue

out, pipe = sys.argv[1], sys.argv[2]

def prop(name, value):
    p = PropertyValue()
    p.Name, p.Value = name, value
    return p

resolver = uno.getComponentContext().ServiceManager.createInstanceWithContext(
    "com.sun.star.bridge.UnoUrlResolver", uno.getComponentContext())
for _ in range(120):
    try:
        ctx = resolver.resolve("uno:pipe,name=%s;urp;StarOffice.ComponentContext" % pipe)
        break
    except Exception:
        time.sleep(0.5)
desktop = ctx.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", ctx)

def new(kind):
    return desktop.loadComponentFromURL("private:factory/" + kind, "_blank", 0, (prop("Hidden", True),))

def store(doc, name, filt, password=None):
    args = [prop("FilterName", filt), prop("Overwrite", True)]
    if password:
        args.append(prop("Password", password))
    doc.storeToURL(uno.systemPathToFileUrl(out + "/" + name), tuple(args))

writer = new("swriter")
writer.Text.setString("Quarterly figures for the harbour office.\n" * 20)
store(writer, "lo-plain.doc", "MS Word 97")
store(writer, "lo-rc4.doc", "MS Word 97", "fixture")
store(writer, "lo-plain.docx", "MS Word 2007 XML")
store(writer, "lo-plain.pdf", "writer_pdf_Export")
writer.close(True)

calc = new("scalc")
sheet = calc.Sheets.getByIndex(0)
for row in range(20):
    sheet.getCellByPosition(0, row).setValue(row * 3.5)
    sheet.getCellByPosition(1, row).setString("Item %d" % row)
store(calc, "lo-plain.xls", "MS Excel 97")
store(calc, "lo-rc4.xls", "MS Excel 97", "fixture")
store(calc, "lo-plain.xlsx", "Calc MS Excel 2007 XML")
calc.close(True)

impress = new("simpress")
page = impress.DrawPages.getByIndex(0)
shape = impress.createInstance("com.sun.star.drawing.TextShape")
page.add(shape)
shape.setString("Harbour office review")
store(impress, "lo-plain.ppt", "MS PowerPoint 97")
store(impress, "lo-plain.pptx", "Impress MS PowerPoint 2007 XML")
impress.close(True)
try:
    desktop.terminate()
except Exception:
    pass
PY
wait "$office_pid" 2>/dev/null || true

# Agile and Standard encryption of the plain Open XML documents.
(cd "$work" && npm init -y >/dev/null && npm install --silent officecrypto-tool >/dev/null)
for kind in docx xlsx pptx; do
    NODE_PATH="$work/node_modules" node -e '
        const fs = require("fs");
        const crypto = require("officecrypto-tool");
        const input = fs.readFileSync(process.argv[1]);
        fs.writeFileSync(process.argv[2], crypto.encrypt(input, {password: "fixture"}));
        fs.writeFileSync(process.argv[3], crypto.encrypt(input, {password: "fixture", type: "standard"}));
    ' "$out/lo-plain.$kind" "$out/agile.$kind" "$out/standard.$kind"
done

# Encrypted PDFs: pdftk (AES-128 and RC4) and qpdf (AES-256, with a
# cross-reference stream at the end).
pdftk "$out/lo-plain.pdf" output "$out/pdftk-aes128.pdf" user_pw fixture owner_pw owner 2>/dev/null
pdftk "$out/lo-plain.pdf" output "$out/pdftk-rc4.pdf" user_pw fixture owner_pw owner encrypt_128bit 2>/dev/null
qpdf --object-streams=generate --encrypt fixture owner 256 -- "$out/lo-plain.pdf" "$out/qpdf-aes256.pdf"
qpdf --object-streams=generate "$out/lo-plain.pdf" "$out/qpdf-plain.pdf"
ls -l "$out"
