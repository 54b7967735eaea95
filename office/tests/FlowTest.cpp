// The protect / unprotect flow: every flow result code reached with real
// file-system states and an engine of the test's own, then a matrix of
// faults injected into the stand-in across the three engines in both
// directions, and one of faults done to the documents for the built-in
// engine, with the document and the folder checked after each.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>

#include "classify/tests/CompoundFiles.h"
#include "doccrypt/DocumentCrypt.h"
#include "foundation/Exception.h"
#include "office/OfficeApplication.h"
#include "office/OfficeVersion.h"
#include "office/tests/OfficeTestSupport.h"
#include "testing/DebugLog.h"
#include "testing/TestPaths.h"

using namespace office_test;

namespace {

// This program's log: set before its first line is written.
const std::string kLogPath = testing_support::debugLog();

std::string readText(const std::string& path) {
    Bytes b = readFile(path);
    return std::string(b.begin(), b.end());
}

void writeText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

bool sameTime(const FILETIME& a, const FILETIME& b) {
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

HANDLE openShared(const std::string& path, DWORD share) {
    return CreateFileA(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// A session without applications whose engines are the test's own.
class StubSession : public office_test::PredictableSession {
public:
    StubSession() : PredictableSession(0, 0, 0) {}
    std::function<int(const char* path, const char* password)> engine = [](const char*, const char*) { return 0; };
    int calls = 0;
    std::string lastPassword;
    std::string lastEngine;

    int protectWord(const char* p, const char* w) override { return run("protectWord", p, w); }
    int unprotectWord(const char* p, const char* w) override { return run("unprotectWord", p, w); }
    int protectPowerPoint(const char* p, const char* w) override { return run("protectPowerPoint", p, w); }
    int unprotectPowerPoint(const char* p, const char* w) override { return run("unprotectPowerPoint", p, w); }
    int protectExcel(const char* p, const char* w) override { return run("protectExcel", p, w); }
    int unprotectExcel(const char* p, const char* w) override { return run("unprotectExcel", p, w); }

private:
    int run(const char* name, const char* path, const char* password) {
        ++calls;
        lastEngine = name;
        lastPassword = password;
        return engine(path, password);
    }
};

class Flow : public OfficeFixture {
protected:
    std::string makeFile(const std::string& name, const std::string& content = "original content") {
        std::string path = folder + "\\" + name;
        writeText(path, content);
        return path;
    }
    std::string backupOf(const std::string& path, int guid = 1) {
        return path + "." + PredictableSession::guidText(guid) + path.substr(path.rfind('.'));
    }
    // The names in the folder other than the journal.
    std::set<std::string> files() {
        std::set<std::string> names;
        for (const std::string& n : listFolder(folder))
            if (n != "journal.txt") names.insert(n);
        return names;
    }
};

TEST_F(Flow, ChecksBeforeAnythingIsTouched) {
    std::string wrongType = makeFile("x.doc.txt");
    std::string longPath = folder + "\\" + std::string(1100, 'a') + ".docx";
    std::string nearlyLong = folder + "\\" + std::string(1000 - folder.size(), 'b') + ".docx";
    struct Case {
        std::string path;
        int code;
    };
    const Case cases[] = {
        {folder + "\\missing.docx", 102}, {folder + "\\missing.txt", 102}, {wrongType, 103},
        {longPath, 104},                  {nearlyLong, 104},
    };
    StubSession session;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.substr(0, 80));
        EXPECT_EQ(session.protect(c.path.c_str(), false), c.code);
        EXPECT_EQ(session.unprotect(c.path.c_str(), false), c.code);
    }
    EXPECT_EQ(session.calls, 0);
    EXPECT_EQ(files(), std::set<std::string>{"x.doc.txt"});
    EXPECT_EQ(readText(wrongType), "original content");
}

TEST_F(Flow, OpenXmlNeedsOffice12) {
    std::string docx = makeFile("Report.DOCX");
    std::string doc = makeFile("Old.doc");
    ASSERT_TRUE(setOfficeVersion("11"));
    StubSession session;
    EXPECT_EQ(session.protect(docx.c_str(), false), 800);
    EXPECT_EQ(session.unprotect(docx.c_str(), false), 800);
    EXPECT_EQ(session.calls, 0);
    EXPECT_EQ(session.protect(doc.c_str(), false), 0);  // a binary document is still taken
    EXPECT_EQ(session.lastEngine, "protectWord");
    ASSERT_TRUE(setOfficeVersion("12"));
    EXPECT_EQ(session.protect(docx.c_str(), false), 0);
    EXPECT_EQ(session.lastEngine, "protectWord");
    EXPECT_EQ(readText(docx), "original content");
    EXPECT_EQ(files(), (std::set<std::string>{"Report.DOCX", "Old.doc"}));
}

TEST_F(Flow, AFileHeldOpenWithAnySharingIsInUse) {
    std::string path = makeFile("held.xlsx");
    const DWORD shares[] = {0, FILE_SHARE_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE};
    StubSession session;
    for (bool readOnly : {false, true}) {
        SetFileAttributesA(path.c_str(), readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
        for (DWORD share : shares) {
            SCOPED_TRACE("share " + std::to_string(share) + (readOnly ? " read-only" : ""));
            HANDLE held = openShared(path, share);
            ASSERT_NE(held, INVALID_HANDLE_VALUE);
            EXPECT_EQ(session.protect(path.c_str(), false), 601);
            EXPECT_EQ(session.unprotect(path.c_str(), false), 601);
            CloseHandle(held);
            EXPECT_EQ((GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY) != 0, readOnly);
        }
    }
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(session.calls, 0);
    EXPECT_EQ(files(), std::set<std::string>{"held.xlsx"});
}

TEST_F(Flow, SuccessReplacesTheDocumentAndKeepsTimesAndAttributesWhenAsked) {
    std::string path = makeFile("Deck One.PPSX");
    StubSession session;
    session.engine = [](const char* p, const char*) {
        writeText(p, "processed");
        return 0;
    };
    for (bool keep : {true, false}) {
        SCOPED_TRACE(keep ? "times kept" : "times not kept");
        writeText(path, "original content");
        FILETIME old{};
        old.dwHighDateTime = 0x01D00000;  // 2014
        HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        SetFileTime(h, nullptr, &old, &old);
        CloseHandle(h);
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
        // The times as the flow finds them (changing attributes may touch the
        // access time under Wine).
        WIN32_FILE_ATTRIBUTE_DATA before{};
        GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &before);
        EXPECT_EQ(session.protect(path.c_str(), keep), 0);
        EXPECT_EQ(session.lastEngine, "protectPowerPoint");
        WIN32_FILE_ATTRIBUTE_DATA data{};
        GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
        EXPECT_EQ(sameTime(data.ftLastWriteTime, old), keep);
        if (keep) {
            EXPECT_TRUE(sameTime(data.ftLastAccessTime, before.ftLastAccessTime));
        }
        EXPECT_EQ(data.dwFileAttributes & FILE_ATTRIBUTE_READONLY, DWORD(FILE_ATTRIBUTE_READONLY));
        EXPECT_EQ(readText(path), "processed");
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        EXPECT_EQ(files(), std::set<std::string>{"Deck One.PPSX"});
    }
    // The engine got the password derived for this path; the log shows it
    // masked only.
    std::string password = officePassword(path);
    ASSERT_EQ(password.size(), 15u);
    EXPECT_EQ(session.lastPassword, password);
    std::string log = readText(kLogPath);
    EXPECT_EQ(log.find(password), std::string::npos);
    EXPECT_NE(log.find("OfficeApplication#protect,7,fileName=" + path + " password=[***************]"),
              std::string::npos);
}

TEST_F(Flow, AFailedEngineGetsTheBackupBack) {
    struct Case {
        const char* name;
        int code;
        std::function<void(const char*)> damage;
    };
    const Case cases[] = {
        {"rewritten.docx", 203, [](const char* p) { writeText(p, "half-written"); }},
        {"deleted.xlsm", 406, [](const char* p) { DeleteFileA(p); }},
        {"untouched.pptm", 302, [](const char*) {}},
        {"unexpected.xlsb", 1000, [](const char* p) { writeText(p, ""); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = makeFile(c.name);
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
        StubSession session;
        session.engine = [&](const char* p, const char*) {
            c.damage(p);
            return c.code;
        };
        EXPECT_EQ(session.unprotect(path.c_str(), false), c.code);
        EXPECT_EQ(readText(path), "original content");
        EXPECT_EQ(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY, DWORD(FILE_ATTRIBUTE_READONLY));
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
    }
    EXPECT_TRUE(files().empty());
}

TEST_F(Flow, BackupFailuresHaveTheirOwnCodes) {
    StubSession session;
    // 603: a folder has the backup's name.
    {
        std::string path = makeFile("a.docx");
        ASSERT_TRUE(CreateDirectoryA(backupOf(path, session.guidsGiven + 1).c_str(), nullptr));
        EXPECT_EQ(session.protect(path.c_str(), false), 603);
        EXPECT_EQ(readText(path), "original content");
        RemoveDirectoryA(backupOf(path, session.guidsGiven).c_str());
        DeleteFileA(path.c_str());
    }
    // 604: the engine succeeded, the backup cannot be deleted; it stays.
    {
        std::string path = makeFile("b.xls");
        HANDLE held = INVALID_HANDLE_VALUE;
        std::string backup = backupOf(path, session.guidsGiven + 1);
        session.engine = [&](const char* p, const char*) {
            held = openShared(backup, FILE_SHARE_READ | FILE_SHARE_WRITE);
            writeText(p, "processed");
            return 0;
        };
        EXPECT_EQ(session.protect(path.c_str(), false), 604);
        CloseHandle(held);
        EXPECT_EQ(readText(path), "processed");
        EXPECT_EQ(readText(backup), "original content");
        DeleteFileA(backup.c_str());
        DeleteFileA(path.c_str());
    }
    // 605: the engine failed, the document was deleted, the backup cannot be
    // moved back; it stays with the original content.
    {
        std::string path = makeFile("c.ppt");
        HANDLE held = INVALID_HANDLE_VALUE;
        std::string backup = backupOf(path, session.guidsGiven + 1);
        session.engine = [&](const char* p, const char*) {
            held = openShared(backup, FILE_SHARE_READ | FILE_SHARE_WRITE);
            writeText(p, "half-written");
            return 303;
        };
        EXPECT_EQ(session.protect(path.c_str(), false), 605);
        CloseHandle(held);
        EXPECT_FALSE(exists(path));
        EXPECT_EQ(readText(backup), "original content");
        DeleteFileA(backup.c_str());
    }
    // 606: the engine failed and the document cannot be deleted: the backup,
    // the only copy known to be intact, is kept.
    {
        std::string path = makeFile("d.docm");
        HANDLE held = INVALID_HANDLE_VALUE;
        std::string backup = backupOf(path, session.guidsGiven + 1);
        session.engine = [&](const char* p, const char*) {
            writeText(p, "half-written");
            held = openShared(p, FILE_SHARE_READ | FILE_SHARE_WRITE);
            return 203;
        };
        EXPECT_EQ(session.unprotect(path.c_str(), false), 606);
        CloseHandle(held);
        EXPECT_EQ(readText(path), "half-written");
        EXPECT_EQ(readText(backup), "original content");
        DeleteFileA(backup.c_str());
        DeleteFileA(path.c_str());
    }
    std::string left;
    for (const std::string& n : files()) left += n + " ";
    EXPECT_TRUE(files().empty()) << left;
}

TEST_F(Flow, NoPasswordNoEngine) {
    std::string path = makeFile("n.docx");
    StubSession session;
    // Without its directory provider the machine has no GUID to derive from.
    const char* provider = "SOFTWARE\\Microsoft\\ADs\\Providers\\WinNT";
    char progId[256] = "";
    DWORD size = sizeof progId;
    ASSERT_EQ(RegGetValueA(HKEY_LOCAL_MACHINE, provider, nullptr, RRF_RT_REG_SZ, nullptr, progId, &size), ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteTreeA(HKEY_LOCAL_MACHINE, provider), ERROR_SUCCESS);
    int code = session.protect(path.c_str(), false);
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, provider, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(progId), DWORD(strlen(progId) + 1));
    RegCloseKey(key);
    EXPECT_EQ(code, 607);
    EXPECT_EQ(session.calls, 0);
    EXPECT_EQ(readText(path), "original content");
    EXPECT_EQ(files(), std::set<std::string>{"n.docx"});
    EXPECT_EQ(officePassword(path).size(), 15u);  // the provider is back
}

TEST_F(Flow, AnApplicationThatCannotStartPropagatesWithTheDocumentIntact) {
    std::string path = makeFile("e.doc");
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    StubSession session;
    session.engine = [](const char*, const char*) -> int {
        throw Exception("OfficeApplication#createWordApplication,1,Failed to create Word", 201);
    };
    try {
        session.protect(path.c_str(), false);
        ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.getErrorCode(), 201);
    }
    EXPECT_EQ(readText(path), "original content");
    EXPECT_EQ(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY, DWORD(FILE_ATTRIBUTE_READONLY));
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(files(), std::set<std::string>{"e.doc"});
}

// ---- the fault matrix ----

enum class Outcome { Original, Processed, Gone };
enum Leftover { kNone = 0, kBackup = 1, kTemporary = 2 };

struct FaultRow {
    const char* sample;
    bool encrypt;
    const char* member;  // null: no fault
    const char* fault;
    int code;
    Outcome outcome;
    int leftovers;
};

const FaultRow kMatrix[] = {
    // Word
    {"memo.docx", true, "Word.Documents.Open", "nothing", 202, Outcome::Original, kNone},
    {"memo.docx", false, "Word.Documents.Open", "nothing", 202, Outcome::Original, kNone},
    {"memo.docx", true, "Word.Documents.Open", "fail 0x800A1436", 1000, Outcome::Original, kNone},
    {"memo.docx", false, "Word.Documents.Open", "fail 0x800A1520", 1000, Outcome::Original, kNone},
    {"memo.docx", true, "Word.Document.SaveAs", "fail 0x800A1066", 203, Outcome::Original, kNone},
    {"memo.docx", false, "Word.Document.SaveAs", "fail 0x800A1066", 203, Outcome::Original, kNone},
    {"memo.docx", true, "Word.Document.SaveAs", "return 1", 203, Outcome::Original, kNone},
    {"memo.docx", false, "Word.Document.SaveAs", "hresult 0x80010105", 203, Outcome::Original, kNone},
    {"memo.docx", true, "Word.Document.Close", "return 1", 204, Outcome::Original, kNone},
    {"memo.docx", false, "Word.Document.Close", "return 1", 204, Outcome::Original, kNone},
    {"memo.docx", true, "Word.Document.Close", "fail 0x800A1066", 203, Outcome::Original, kNone},
    {"memo.docx", true, "Word.Document.ReadOnlyRecommended", "fail 0x800A1066", 1000, Outcome::Original, kNone},
    {"memo.docx", true, "Word.Application.Documents", "fail 0x800A1066", 1000, Outcome::Original, kNone},
    {"memo.doc", false, "Word.Application.Visible", "hresult 0x80010105", 1000, Outcome::Original, kNone},
    {"memo.docx", true, "Word.Document.SaveFormat", "fail 0x800A1066", 203, Outcome::Original, kNone},
    {"memo.docx", true, "Word.Documents.Open", "hold 2000", 606, Outcome::Original, kBackup},
    {"memo.docx", true, "Word.Document.SaveAs", "hold 2000", 207, Outcome::Original, kTemporary},
    {"memo.docx", false, "Word.Document.SaveAs", "hold 2000", 207, Outcome::Original, kTemporary},
    {"readonly.docx", true, nullptr, nullptr, 205, Outcome::Original, kNone},
    // PowerPoint
    {"deck.pptx", true, "PowerPoint.Presentations.Open", "nothing", 302, Outcome::Original, kNone},
    {"deck.pptx", false, "PowerPoint.Presentations.Open", "nothing", 302, Outcome::Original, kNone},
    {"deck.pptx", true, "PowerPoint.Presentations.Open", "fail 0x80004005", 1000, Outcome::Original, kNone},
    {"deck.pptx", false, "PowerPoint.Presentations.Open", "fail 0x80004005", 1000, Outcome::Original, kNone},
    {"deck.pptx", true, "PowerPoint.Presentation.SaveAs", "fail 0x80004005", 303, Outcome::Original, kNone},
    {"deck.ppt", false, "PowerPoint.Presentation.SaveAs", "fail 0x80004005", 303, Outcome::Original, kNone},
    {"deck.pptx", true, "PowerPoint.Presentation.SaveAs", "fail 0x80004005 once", 0, Outcome::Processed, kNone},
    {"deck.pptx", false, "PowerPoint.Presentation.SaveAs", "fail 0x80004005 once", 0, Outcome::Processed, kNone},
    {"deck.pptx", true, "PowerPoint.Presentation.Password", "fail 0x80004005", 303, Outcome::Original, kNone},
    {"deck.pptx", false, "PowerPoint.Presentation.WritePassword", "fail 0x80004005", 303, Outcome::Original, kNone},
    {"deck.pptx", true, "PowerPoint.Presentation.Close", "return 1", 0, Outcome::Processed, kNone},
    {"deck.pptx", true, "PowerPoint.Application.WindowState", "fail 0x80004005", 1000, Outcome::Original, kNone},
    {"deck.pptx", true, "PowerPoint.Presentations.Count", "fail 0x80004005", 1000, Outcome::Original, kNone},
    {"deck.pptx", false, "PowerPoint.Presentations.Count", "fail 0x80004005", 1000, Outcome::Original, kNone},
    {"deck.pptx", true, "PowerPoint.Presentations.Open", "hold 2000", 606, Outcome::Original, kBackup},
    {"deck.pptx", true, "PowerPoint.Presentation.SaveAs", "fail 0x80004005 | hold 2000", 306, Outcome::Original,
     kTemporary},
    {"deck.pptx", false, "PowerPoint.Presentation.SaveAs", "fail 0x80004005 | hold 2000", 306, Outcome::Original,
     kTemporary},
    // Excel
    {"sheet.xlsx", true, "Excel.Workbooks.Open", "nothing", 402, Outcome::Original, kNone},
    {"sheet.xlsx", false, "Excel.Workbooks.Open", "nothing", 402, Outcome::Original, kNone},
    {"sheet.xlsx", true, "Excel.Workbooks.Open", "fail 0x800A03EC", 1000, Outcome::Original, kNone},
    {"sheet.xls", false, "Excel.Workbooks.Open", "fail 0x800A03EC", 1000, Outcome::Original, kNone},
    {"sheet.xlsx", true, "Excel.Workbook.SaveAs", "fail 0x800A03EC", 403, Outcome::Original, kNone},
    {"sheet.xlsx", false, "Excel.Workbook.SaveAs", "fail 0x800A03EC", 403, Outcome::Original, kNone},
    {"sheet.xlsx", true, "Excel.Workbook.SaveAs", "return 1", 403, Outcome::Original, kNone},
    {"sheet.xlsx", true, "Excel.Workbook.FileFormat", "fail 0x800A03EC", 403, Outcome::Original, kNone},
    {"sheet.xlsx", true, "Excel.Workbook.Close", "fail 0x800A03EC", 1000, Outcome::Original, kNone},
    {"sheet.xlsx", false, "Excel.Workbook.Close", "return 1", 0, Outcome::Processed, kNone},
    {"sheet.xlsx", true, "Excel.Application.Workbooks", "fail 0x800A03EC", 1000, Outcome::Original, kNone},
    {"sheet.xlsb", true, "Excel.Workbook.ReadOnlyRecommended", "fail 0x800A03EC", 1000, Outcome::Original, kNone},
    {"sheet.xlsx", true, "Excel.Workbooks.Open", "hold 2000", 606, Outcome::Original, kBackup},
    {"sheet.xlsx", true, "Excel.Workbook.SaveAs", "hold 2000", 406, Outcome::Original, kTemporary},
    {"sheet.xlsx", false, "Excel.Workbook.SaveAs", "hold 2000", 406, Outcome::Original, kTemporary},
    {"readonly.xlsx", true, nullptr, nullptr, 407, Outcome::Original, kNone},
};

const char* outcomeName(Outcome o) {
    return o == Outcome::Original ? "original" : o == Outcome::Processed ? "processed" : "gone";
}

// What a row left in its folder: the document (as it was, processed in the
// row's direction, or gone) and any other file, printed as one line of the
// table; true when that is what the row expects.
bool checkRow(int row, const std::string& sub, const std::string& name, bool encrypt, const Bytes& input,
              const char* faultAt, const char* fault, int wantCode, int code, Outcome wantOutcome, int wantLeftovers) {
    std::string path = sub + "\\" + name;
    Outcome outcome = Outcome::Gone;
    if (exists(path)) {
        bool isEncrypted = isProtected(path);
        if (readFile(path) == input) outcome = Outcome::Original;
        else if (isEncrypted == encrypt) outcome = Outcome::Processed;
    }
    int leftovers = kNone;
    std::string extras;
    const std::string ext = name.substr(name.rfind('.'));
    for (const std::string& left : listFolder(sub)) {
        if (left == name) continue;
        extras += left + " ";
        bool backup = left.rfind(name + ".{", 0) == 0 && left.size() == name.size() + 1 + 38 + ext.size();
        leftovers |= backup ? kBackup : kTemporary;
    }
    bool pass = code == wantCode && outcome == wantOutcome && leftovers == wantLeftovers;
    std::printf("%-3d %-14s %-4s %-36s %-28s %5d %5d  %-9s %s%s\n", row, name.c_str(), encrypt ? "P" : "U", faultAt,
                fault, wantCode, code, outcomeName(outcome), extras.empty() ? "-" : extras.c_str(),
                pass ? "" : "  <-- FAILED");
    return pass;
}

void printHeader() {
    std::printf("\n%-3s %-14s %-4s %-36s %-28s %5s %5s  %-9s %s\n", "#", "file", "dir", "fault at", "fault", "want",
                "got", "document", "left over");
}

TEST_F(Flow, FaultMatrix) {
    OfficeApplication session(1, 1, 1);
    printHeader();
    int failures = 0;
    int row = 0;
    for (const FaultRow& r : kMatrix) {
        ++row;
        std::string sub = folder + "\\row" + std::to_string(row);
        CreateDirectoryA(sub.c_str(), nullptr);
        std::string path = sub + "\\" + r.sample;
        ASSERT_TRUE(CopyFileA(sample(r.sample).c_str(), path.c_str(), FALSE));
        if (!r.encrypt) {
            ASSERT_EQ(session.protect(path.c_str(), false), 0) << r.sample;
        }
        Bytes input = readFile(path);
        if (r.member != nullptr) setFault(r.member, r.fault);
        int code = r.encrypt ? session.protect(path.c_str(), false) : session.unprotect(path.c_str(), false);
        if (r.member != nullptr) setFault(r.member, "");
        if (std::string(r.fault != nullptr ? r.fault : "").find("hold") != std::string::npos) Sleep(2500);
        bool pass = checkRow(row, sub, r.sample, r.encrypt, input, r.member != nullptr ? r.member : "-",
                             r.fault != nullptr ? r.fault : "-", r.code, code, r.outcome, r.leftovers);
        if (!pass) ++failures;
        EXPECT_TRUE(pass) << "row " << row;
    }
    std::printf("%d rows, %d failed\n", row, failures);
}

// ---- the built-in engine's fault matrix ----

// How a row's document starts: the plain sample, encrypted by the engine
// with its derived password, or encrypted with another password.
enum class Start { Plain, Derived, Other };

// A fault done to the document before the call; it may hold the file open
// (the handle is closed after the call).
using Inject = std::function<HANDLE(const std::string& path)>;

HANDLE truncateTo(const std::string& path, double share) {
    Bytes b = readFile(path);
    b.resize(share < 1 ? std::size_t(double(b.size()) * share) : std::size_t(share));
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(b.data()), b.size());
    return nullptr;
}

// Replaces the first occurrence of text in the file's bytes by as many bytes of with.
Inject patch(const std::string& text, const std::string& with) {
    return [=](const std::string& path) -> HANDLE {
        Bytes b = readFile(path);
        auto at = std::search(b.begin(), b.end(), text.begin(), text.end(),
                              [](unsigned char x, char y) { return x == static_cast<unsigned char>(y); });
        if (at != b.end()) std::copy(with.begin(), with.end(), at);
        std::ofstream(path, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(b.data()), b.size());
        return nullptr;
    };
}

Inject truncated(double share) {
    return [share](const std::string& path) { return truncateTo(path, share); };
}

HANDLE addPictures(const std::string& path) {
    std::wstring wide(path.begin(), path.end());
    IStorage* root = nullptr;
    if (SUCCEEDED(StgOpenStorage(wide.c_str(), nullptr, STGM_READWRITE | STGM_SHARE_EXCLUSIVE, nullptr, 0, &root))) {
        IStream* stream = nullptr;
        if (SUCCEEDED(root->CreateStream(L"Pictures", STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &stream))) {
            ULONG wrote = 0;
            stream->Write("picture bytes", 13, &wrote);
            stream->Release();
        }
        root->Commit(STGC_DEFAULT);
        root->Release();
    }
    return nullptr;
}

HANDLE rightsManaged(const std::string& path) {
    test_compound::make(path, {test_compound::rightsManagement(test_compound::kOpenXmlTransform, test_compound::xrml("Owner")),
                               {{}, L"EncryptedPackage", std::string(64, 'x')}});
    return nullptr;
}

Inject replacedBy(const std::string& content) {
    return [content](const std::string& path) -> HANDLE {
        writeText(path, content);
        return nullptr;
    };
}

Inject heldOpen(DWORD share) {
    return [share](const std::string& path) { return openShared(path, share); };
}

HANDLE readOnly(const std::string& path) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    return nullptr;
}

struct EngineFaultRow {
    const char* sample;
    bool encrypt;
    Start start;
    const char* fault;
    Inject inject;
    int code;
    Outcome outcome;
};

const EngineFaultRow kEngineMatrix[] = {
    // Encryption.
    {"memo.docx", true, Start::Plain, "-", nullptr, 0, Outcome::Processed},
    {"memo.docx", true, Start::Derived, "encrypted already", nullptr, 0, Outcome::Processed},
    {"memo.docx", true, Start::Other, "another password", nullptr, 901, Outcome::Original},
    {"memo.doc", true, Start::Other, "another password", nullptr, 901, Outcome::Original},
    {"sheet.xls", true, Start::Other, "another password", nullptr, 901, Outcome::Original},
    {"deck.ppt", true, Start::Other, "another password", nullptr, 901, Outcome::Original},
    {"memo.docx", true, Start::Plain, "truncated to 30 bytes", truncated(30), 902, Outcome::Original},
    {"sheet.xlsx", true, Start::Plain, "truncated to half", truncated(0.5), 902, Outcome::Original},
    {"memo.doc", true, Start::Plain, "truncated to 1000 bytes", truncated(1000), 902, Outcome::Original},
    {"sheet.xls", true, Start::Plain, "signature damaged", patch("\xD0\xCF\x11\xE0", "XXXX"), 902, Outcome::Original},
    {"deck.ppt", true, Start::Plain, "no PowerPoint stream", patch("P\0o\0w\0e\0r\0", "Q\0o\0w\0e\0r\0"), 902,
     Outcome::Original},
    {"memo.docx", true, Start::Plain, "text, not a document", replacedBy("plain text"), 902, Outcome::Original},
    {"sheet.xlsx", true, Start::Plain, "empty", replacedBy(""), 902, Outcome::Original},
    {"memo.docx", true, Start::Plain, "rights-managed", rightsManaged, 904, Outcome::Original},
    {"deck.ppt", true, Start::Plain, "pictures", addPictures, 905, Outcome::Original},
    {"memo.docx", true, Start::Plain, "read-only", readOnly, 0, Outcome::Processed},
    {"memo.docx", true, Start::Plain, "held open, reading shared", heldOpen(FILE_SHARE_READ), 601, Outcome::Original},
    // Decryption.
    {"deck.pptx", false, Start::Derived, "-", nullptr, 0, Outcome::Processed},
    {"memo.doc", false, Start::Plain, "not encrypted", nullptr, 0, Outcome::Original},
    {"memo.docx", false, Start::Other, "another password", nullptr, 901, Outcome::Original},
    {"sheet.xls", false, Start::Other, "another password", nullptr, 901, Outcome::Original},
    {"deck.ppt", false, Start::Other, "another password", nullptr, 901, Outcome::Original},
    {"memo.doc", false, Start::Other, "another password", nullptr, 901, Outcome::Original},
    {"sheet.xlsx", false, Start::Derived, "truncated to half", truncated(0.5), 902, Outcome::Original},
    {"memo.docx", false, Start::Derived, "truncated to 600 bytes", truncated(600), 902, Outcome::Original},
    {"deck.ppt", false, Start::Derived, "truncated to 3/4", truncated(0.75), 902, Outcome::Original},
    {"deck.pptx", false, Start::Derived, "cipher named DES", patch("cipherAlgorithm=\"AES\"", "cipherAlgorithm=\"DES\""),
     903, Outcome::Original},
    {"memo.docx", false, Start::Derived, "key data damaged", patch("encryptedKeyValue=\"", "encryptedKeyValue=\"!!"), 902,
     Outcome::Original},
    {"memo.docx", false, Start::Derived, "held open, no sharing", heldOpen(0), 601, Outcome::Original},
    {"sheet.xls", false, Start::Derived, "read-only", readOnly, 0, Outcome::Processed},
};

// Every row leaves the document as it was or processed, and nothing else in
// its folder; a failure says why in the log.
TEST_F(Flow, BuiltInEngineFaultMatrix) {
    PredictableSession session{OfficeApplication::BuiltIn{}};
    printHeader();
    int failures = 0;
    int row = 0;
    for (const EngineFaultRow& r : kEngineMatrix) {
        ++row;
        std::string sub = folder + "\\engine" + std::to_string(row);
        CreateDirectoryA(sub.c_str(), nullptr);
        std::string path = sub + "\\" + r.sample;
        ASSERT_TRUE(CopyFileA(sample(r.sample).c_str(), path.c_str(), FALSE));
        if (r.start == Start::Derived) {
            ASSERT_EQ(session.protect(path.c_str(), false), 0) << r.sample;
        } else if (r.start == Start::Other) {
            doccrypt::Bytes other;
            Bytes plain = readFile(path);
            ASSERT_EQ(doccrypt::encryptDocument(doccrypt::Bytes(plain.begin(), plain.end()), u"Another-1",
                                                doccrypt::systemRandom, other)
                          .outcome,
                      doccrypt::Outcome::Ok);
            std::ofstream(path, std::ios::binary | std::ios::trunc)
                .write(reinterpret_cast<const char*>(other.data()), std::streamsize(other.size()));
        }
        const Bytes unchanged = readFile(path);
        HANDLE held = r.inject ? r.inject(path) : nullptr;
        // A file held open without sharing cannot be read: it is as it was.
        const Bytes input = held != nullptr ? unchanged : readFile(path);
        const std::size_t logBefore = readText(kLogPath).size();
        int code = r.encrypt ? session.protect(path.c_str(), false) : session.unprotect(path.c_str(), false);
        if (held != nullptr && held != INVALID_HANDLE_VALUE) CloseHandle(held);
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        bool pass = checkRow(row, sub, r.sample, r.encrypt, input, "built-in engine", r.fault, r.code, code, r.outcome,
                             kNone);
        if (code > 900) {
            // The engine's own failures name the file and the reason.
            std::string added = readText(kLogPath).substr(logBefore);
            bool said = added.find(std::string(r.encrypt ? "Not encrypted: " : "Not decrypted: ")) != std::string::npos &&
                        added.find(path) != std::string::npos;
            EXPECT_TRUE(said) << "row " << row << " logged:\n" << added;
        }
        if (!pass) ++failures;
        EXPECT_TRUE(pass) << "row " << row;
    }
    std::printf("%d rows, %d failed\n", row, failures);
}

}  // namespace
