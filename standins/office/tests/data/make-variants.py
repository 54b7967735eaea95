"""Variants of the LibreOffice samples: other content types and flags."""
import sys, zipfile, olefile, shutil, os

here = sys.argv[1]

def rewrite(src, dst, edits):
    with zipfile.ZipFile(os.path.join(here, src)) as zin, \
         zipfile.ZipFile(os.path.join(here, dst), 'w', zipfile.ZIP_DEFLATED) as zout:
        for item in zin.infolist():
            data = zin.read(item.filename)
            for name, old, new in edits:
                if item.filename == name:
                    assert old.encode() in data, (src, name, old)
                    data = data.replace(old.encode(), new.encode(), 1)
            zout.writestr(item, data)

CT = '[Content_Types].xml'
WORD = 'application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml'
XL = 'application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml'
PP = 'application/vnd.openxmlformats-officedocument.presentationml.presentation.main+xml'
rewrite('memo.docx', 'memo.docm', [(CT, WORD, 'application/vnd.ms-word.document.macroEnabled.main+xml')])
rewrite('sheet.xlsx', 'sheet.xlsm', [(CT, XL, 'application/vnd.ms-excel.sheet.macroEnabled.main+xml')])
rewrite('sheet.xlsx', 'sheet.xlsb', [(CT, XL, 'application/vnd.ms-excel.sheet.binary.macroEnabled.main')])
rewrite('deck.pptx', 'deck.pptm', [(CT, PP, 'application/vnd.ms-powerpoint.presentation.macroEnabled.main+xml')])
rewrite('deck.pptx', 'deck.ppsx', [(CT, PP, 'application/vnd.openxmlformats-officedocument.presentationml.slideshow.main+xml')])
rewrite('deck.pptx', 'deck.ppsm', [(CT, PP, 'application/vnd.ms-powerpoint.slideshow.macroEnabled.main+xml')])
rewrite('memo.docx', 'readonly.docx', [('word/settings.xml', '<w:zoom', '<w:writeProtection w:recommended="1"/><w:zoom')])
rewrite('sheet.xlsx', 'readonly.xlsx', [('xl/workbook.xml', '<workbookPr', '<fileSharing readOnlyRecommended="1"/><workbookPr')])

# A Word 97 document with the read-only recommendation in its FIB.
shutil.copy(os.path.join(here, 'memo.doc'), os.path.join(here, 'readonly.doc'))
with olefile.OleFileIO(os.path.join(here, 'readonly.doc'), write_mode=True) as ole:
    fib = bytearray(ole.openstream('WordDocument').read())
    fib[11] |= 0x04
    ole.write_stream('WordDocument', bytes(fib))

# The presentation's two streams for the native tests (which read no
# compound files): a little-endian length, the Current User stream, then the
# PowerPoint Document stream.
with olefile.OleFileIO(os.path.join(here, 'deck.ppt')) as ole:
    user = ole.openstream('Current User').read()
    document = ole.openstream('PowerPoint Document').read()
with open(os.path.join(here, 'deck-ppt.streams'), 'wb') as out:
    out.write(len(user).to_bytes(4, 'little') + user + document)
