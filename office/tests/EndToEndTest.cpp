// Real encryption end to end: every supported extension protected and
// unprotected through the flow, each protected file checked from Linux by
// msoffcrypto-tool with the password the product derives for its path.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "office/OfficeApplication.h"
#include "office/tests/OfficeTestSupport.h"

using namespace office_test;

namespace {

// Per line "encrypted TAB original TAB unprotected TAB password TAB kind":
// the right password opens the encrypted file (verified, with the package's
// integrity for Open XML), a wrong one does not; for a binary file the
// unprotected file has the streams of the original with the same content.
const char kChecker[] = R"PY(
import io, sys, msoffcrypto, olefile
def streams(data):
    ole = olefile.OleFileIO(data)
    return {'/'.join(p): ole.openstream(p).read() for p in ole.listdir()}
out = []
for line in open(sys.argv[1]):
    enc, orig, plain, pw, kind = line.rstrip('\n').split('\t')
    try:
        f = msoffcrypto.OfficeFile(open(enc, 'rb'))
        if kind == 'xml':
            f.load_key(password=pw, verify_password=True)
            o = io.BytesIO()
            f.decrypt(o, verify_integrity=True)
            ok = o.getvalue() == open(orig, 'rb').read()
        else:
            f.load_key(password=pw)
            o = io.BytesIO()
            f.decrypt(o)
            a, b = streams(open(orig, 'rb').read()), streams(open(plain, 'rb').read())
            ok = sorted(a) == sorted(b) and all(len(a[k]) == len(b[k]) for k in a)
        out.append(('OK ' if ok else 'DIFFERENT ') + enc)
    except Exception as e:
        out.append('FAIL %s %r' % (enc, e))
    try:
        g = msoffcrypto.OfficeFile(open(enc, 'rb'))
        if kind == 'xml':
            g.load_key(password=pw + 'x', verify_password=True)
            g.decrypt(io.BytesIO(), verify_integrity=True)
        else:
            g.load_key(password=pw + 'x')
            g.decrypt(io.BytesIO())
        out.append('WRONG-PASSWORD-ACCEPTED ' + enc)
    except Exception:
        pass
open(sys.argv[2], 'w').write('\n'.join(out) + '\n')
)PY";

class EndToEnd : public OfficeFixture {};

// Office 12's machine keys exist only where a 32-bit Office writes them, as
// on 64-bit Windows with Office 2007: the Open XML cases need the probe to
// find them there.
TEST_F(EndToEnd, EveryExtensionProtectedAndUnprotected) {
    ASSERT_TRUE(setOfficeVersion("12", "32"));
    HKEY installRoot;
    const char* installRootKey = "Software\\Microsoft\\Office\\12.0\\Word\\InstallRoot";
    ASSERT_NE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, installRootKey, 0, KEY_READ | KEY_WOW64_64KEY, &installRoot),
              ERROR_SUCCESS);
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, installRootKey, 0, KEY_READ | KEY_WOW64_32KEY, &installRoot),
              ERROR_SUCCESS);
    RegCloseKey(installRoot);
    struct Case {
        const char* sample;
        const char* name;
        bool openXml;
        bool readOnly;
    };
    const Case cases[] = {
        {"memo.doc", "Old Memo.doc", false, true},       {"memo.docx", "Quarterly Memo.DOCX", true, false},
        {"memo.docm", "macro memo.docm", true, false},   {"sheet.xls", "budget.xls", false, false},
        {"sheet.xlsx", "Budget 2024.xlsx", true, true},  {"sheet.xlsm", "budget.xlsm", true, false},
        {"sheet.xlsb", "budget.xlsb", true, false},      {"deck.ppt", "deck.ppt", false, false},
        {"deck.ppt", "Show Deck.pps", false, false},     {"deck.pptx", "deck.pptx", true, false},
        {"deck.pptm", "deck.pptm", true, false},         {"deck.ppsx", "My Show.PPSX", true, false},
        {"deck.ppsm", "show.ppsm", true, true},
    };
    std::string kept = folder + "\\kept";
    CreateDirectoryA(kept.c_str(), nullptr);
    std::string list;
    {
        OfficeApplication session(1, 1, 1);
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            std::string path = copySample(c.sample, c.name);
            FILETIME old{};
            old.dwHighDateTime = 0x01D00000;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
            SetFileTime(h, nullptr, &old, &old);
            CloseHandle(h);
            if (c.readOnly) SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);

            WIN32_FILE_ATTRIBUTE_DATA before{};
            GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &before);
            ASSERT_EQ(session.protect(path.c_str(), true), 0);
            WIN32_FILE_ATTRIBUTE_DATA data{};
            GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
            EXPECT_EQ(data.ftLastWriteTime.dwHighDateTime, old.dwHighDateTime);
            EXPECT_EQ(data.ftLastWriteTime.dwLowDateTime, old.dwLowDateTime);
            EXPECT_EQ(data.ftLastAccessTime.dwHighDateTime, before.ftLastAccessTime.dwHighDateTime);
            EXPECT_EQ(data.ftLastAccessTime.dwLowDateTime, before.ftLastAccessTime.dwLowDateTime);
            EXPECT_EQ((data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0, c.readOnly);
            // Reading a file this old moves its access time (relatime): only now.
            EXPECT_TRUE(isProtected(path));
            std::string encryptedCopy = kept + "\\" + c.name;
            ASSERT_TRUE(CopyFileA(path.c_str(), encryptedCopy.c_str(), FALSE));

            ASSERT_EQ(session.unprotect(path.c_str(), true), 0);
            EXPECT_FALSE(isProtected(path));
            EXPECT_EQ((GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY) != 0, c.readOnly);
            if (c.openXml) {
                EXPECT_EQ(readFile(path), readFile(sample(c.sample)));
            }
            list += unixPath(encryptedCopy) + "\t" + unixPath(sample(c.sample)) + "\t" + unixPath(path) + "\t" +
                    officePassword(path) + "\t" + (c.openXml ? "xml" : "binary") + "\n";
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        }
    }
    // No backup or temporary file (their names hold a GUID in braces) is left.
    for (const std::string& name : listFolder(folder)) EXPECT_EQ(name.find('{'), std::string::npos) << name;
    {
        std::ofstream(folder + "\\check.py") << kChecker;
        std::ofstream(folder + "\\check.txt") << list;
    }
    std::string script = "/usr/bin/python3 '" + unixPath(folder + "\\check.py") + "' '" + unixPath(folder + "\\check.txt") +
                         "' '" + unixPath(folder + "\\result.txt") + "'";
    ASSERT_EQ(runUnix(folder, script), 0);
    Bytes result = readFile(folder + "\\result.txt");
    std::string text(result.begin(), result.end());
    std::printf("%s", text.c_str());
    EXPECT_EQ(text.find("FAIL"), std::string::npos) << text;
    EXPECT_EQ(text.find("DIFFERENT"), std::string::npos) << text;
    EXPECT_EQ(text.find("WRONG-PASSWORD-ACCEPTED"), std::string::npos) << text;
    int ok = 0;
    for (size_t at = text.find("OK "); at != std::string::npos; at = text.find("OK ", at + 1)) ++ok;
    EXPECT_EQ(ok, int(std::size(cases)));
}

}  // namespace
