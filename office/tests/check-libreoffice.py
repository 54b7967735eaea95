#!/usr/bin/python3
"""Opens encrypted documents in LibreOffice (headless, through UNO) with their
password and with a wrong one, and compares their text with the originals'.

    check-libreoffice.py LISTING

LISTING has one line per document: encrypted path TAB password TAB original
path. Prints one line per document: "LO-OK <path>", "LO-FAIL <path> <why>",
"LO-DIFFERENT <path>" or "LO-WRONG-PASSWORD-ACCEPTED <path>"; "LO-MISSING"
alone when LibreOffice or its Python bridge is not installed.
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time

try:
    import uno
    from com.sun.star.beans import PropertyValue
except ImportError:
    print("LO-MISSING")
    sys.exit(0)


def prop(name, value):
    p = PropertyValue()
    p.Name = name
    p.Value = value
    return p


def start(profile):
    port = 20000 + os.getpid() % 20000
    office = subprocess.Popen(
        ["soffice", "--headless", "--invisible", "--norestore", "--nologo", "--nodefault",
         "-env:UserInstallation=file://" + profile,
         "--accept=socket,host=127.0.0.1,port=%d;urp;" % port],
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    local = uno.getComponentContext()
    resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)
    for _ in range(240):
        try:
            context = resolver.resolve("uno:socket,host=127.0.0.1,port=%d;urp;StarOffice.ComponentContext" % port)
            return office, context.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", context)
        except Exception:
            time.sleep(0.5)
    office.kill()
    raise RuntimeError("LibreOffice did not start")


def text_of(doc):
    if doc.supportsService("com.sun.star.text.TextDocument"):
        return doc.getText().getString()
    parts = []
    if doc.supportsService("com.sun.star.sheet.SpreadsheetDocument"):
        sheets = doc.getSheets()
        for i in range(sheets.getCount()):
            sheet = sheets.getByIndex(i)
            cursor = sheet.createCursor()
            cursor.gotoEndOfUsedArea(False)
            end = cursor.getRangeAddress()
            parts.append(repr(sheet.getCellRangeByPosition(0, 0, end.EndColumn, end.EndRow).getDataArray()))
        return "\n".join(parts)
    pages = doc.getDrawPages()
    for i in range(pages.getCount()):
        page = pages.getByIndex(i)
        for j in range(page.getCount()):
            shape = page.getByIndex(j)
            if hasattr(shape, "getString"):
                parts.append(shape.getString())
    return "\n".join(parts)


def load(desktop, path, password=None):
    args = [prop("Hidden", True), prop("ReadOnly", True)]
    if password is not None:
        args.append(prop("Password", password))
    return desktop.loadComponentFromURL(uno.systemPathToFileUrl(os.path.abspath(path)), "_blank", 0, tuple(args))


def read_text(desktop, path, password=None):
    doc = load(desktop, path, password)
    if doc is None:
        raise RuntimeError("not opened")
    try:
        return text_of(doc)
    finally:
        doc.close(True)


def main():
    profile = tempfile.mkdtemp(prefix="lo-check-")
    office = None
    try:
        office, desktop = start(profile)
        for line in open(sys.argv[1]):
            path, password, original = line.rstrip("\n").split("\t")
            try:
                wrong = True
                try:
                    read_text(desktop, path, password + "x")
                except Exception:
                    wrong = False
                got = read_text(desktop, path, password)
                want = read_text(desktop, original)
                if wrong:
                    print("LO-WRONG-PASSWORD-ACCEPTED " + path)
                elif got != want or not want.strip():
                    print("LO-DIFFERENT " + path)
                else:
                    print("LO-OK " + path)
            except Exception as e:
                print("LO-FAIL %s %r" % (path, e))
            sys.stdout.flush()
    finally:
        if office is not None:
            try:
                desktop.terminate()
            except Exception:
                pass
            try:
                office.wait(30)
            except Exception:
                office.kill()
        shutil.rmtree(profile, ignore_errors=True)


main()
