"""A read-only-recommended .xlsb variant of sheet.xlsb: its workbook part
becomes xl/workbook.bin, a BIFF12 record stream with the file-sharing
record set. The records are written here by hand, apart from the
stand-in's own reader."""
import os, sys, zipfile

here = sys.argv[1]


def record(rt, body=b''):
    out = bytearray()
    if rt >= 0x80:
        out += bytes([(rt & 0x7F) | 0x80, rt >> 7])
    else:
        out.append(rt)
    n = len(body)
    while True:
        out.append((n & 0x7F) | (0x80 if n > 0x7F else 0))
        n >>= 7
        if not n:
            break
    return bytes(out) + body


def wide(text):
    return len(text).to_bytes(4, 'little') + text.encode('utf-16-le')


BEGIN_BOOK, END_BOOK, FILE_VERSION, FILE_SHARING, WB_PROP = 0x83, 0x84, 0x80, 0x224, 0x99
book = (record(BEGIN_BOOK)
        + record(FILE_VERSION, bytes(16) + wide('xl') + wide('7') + wide('7') + wide('27328'))
        # fReadOnlyRec, wResPass (none), stUserName
        + record(FILE_SHARING, (1).to_bytes(2, 'little') + bytes(2) + wide('Fixture'))
        + record(WB_PROP, bytes(8) + wide(''))
        + record(END_BOOK))

renames = {'xl/workbook.xml': 'xl/workbook.bin', 'xl/_rels/workbook.xml.rels': 'xl/_rels/workbook.bin.rels'}
with zipfile.ZipFile(os.path.join(here, 'sheet.xlsb')) as zin, \
     zipfile.ZipFile(os.path.join(here, 'readonly.xlsb'), 'w', zipfile.ZIP_DEFLATED) as zout:
    for item in zin.infolist():
        data = zin.read(item.filename)
        if item.filename == 'xl/workbook.xml':
            data = book
        elif item.filename in ('[Content_Types].xml', '_rels/.rels'):
            data = data.replace(b'xl/workbook.xml', b'xl/workbook.bin')
        info = zipfile.ZipInfo(renames.get(item.filename, item.filename), item.date_time)
        info.compress_type = zipfile.ZIP_DEFLATED
        zout.writestr(info, data)
