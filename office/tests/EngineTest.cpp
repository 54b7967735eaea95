// The three engines call by call: the stand-in's journal holds every member
// called, in order, with each argument's value and type, omitted arguments
// as omitted and Excel's locale 0; the document is checked afterwards.

#include <gtest/gtest.h>

#include <stdexcept>

#include "foundation/Exception.h"
#include "office/EngineStep.h"
#include "office/OfficeApplication.h"
#include "office/PowerPointPasswordValidator.h"
#include "office/tests/OfficeTestSupport.h"
#include "testing/DebugLog.h"
#include "testing/ModalDriver.h"

using namespace office_test;

namespace {

const std::initializer_list<const char*> kWordOpen = {
    "FileName", "ConfirmConversions", "ReadOnly", "AddToRecentFiles", "PasswordDocument", "PasswordTemplate",
    "Revert", "WritePasswordDocument", "WritePasswordTemplate", "Format", "Encoding", "Visible", "OpenAndRepair",
    "DocumentDirection", "NoEncodingDialog", "XMLTransform"};
const std::initializer_list<const char*> kWordSaveAs = {
    "FileName", "FileFormat", "LockComments", "Password", "AddToRecentFiles", "WritePassword",
    "ReadOnlyRecommended", "EmbedTrueTypeFonts", "SaveNativePictureFormat", "SaveFormsData", "SaveAsAOCELetter",
    "Encoding", "InsertLineBreaks", "AllowSubstitutions", "LineEnding", "AddBiDiMarks"};
const std::initializer_list<const char*> kClose3 = {"SaveChanges", "OriginalFormat", "RouteDocument"};
const std::initializer_list<const char*> kExcelClose = {"SaveChanges", "Filename", "RouteWorkbook"};
const std::initializer_list<const char*> kExcelOpen = {
    "Filename", "UpdateLinks", "ReadOnly", "Format", "Password", "WriteResPassword", "IgnoreReadOnlyRecommended",
    "Origin", "Delimiter", "Editable", "Notify", "Converter", "AddToMru", "Local", "CorruptLoad"};
const std::initializer_list<const char*> kExcelSaveAs = {
    "Filename", "FileFormat", "Password", "WriteResPassword", "ReadOnlyRecommended", "CreateBackup",
    "AccessMode", "ConflictResolution", "AddToMru", "TextCodepage", "TextVisualLayout", "Local"};
const std::initializer_list<const char*> kPowerPointOpen = {"FileName", "ReadOnly", "Untitled", "WithWindow"};
const std::initializer_list<const char*> kPowerPointSaveAs = {"FileName", "FileFormat", "EmbedTrueTypeFonts"};

bool encrypted(const std::string& path) { return isProtected(path); }

class Engines : public OfficeFixture {};

TEST_F(Engines, WordCallsInBothDirections) {
    for (const char* name : {"memo.docx", "memo.doc"}) {
        SCOPED_TRACE(name);
        bool binary = std::string(name) == "memo.doc";
        std::string path = copySample(name, name);
        PredictableSession session(1, 0, 0);
        std::string password = officePassword(path);
        for (bool encrypt : {true, false}) {
            SCOPED_TRACE(encrypt ? "protect" : "unprotect");
            DeleteFileA(journalPath.c_str());
            int before = session.guidsGiven;
            ASSERT_EQ(encrypt ? session.protect(path.c_str(), false) : session.unprotect(path.c_str(), false), 0);
            EXPECT_EQ(encrypted(path), encrypt);
            std::string temporary = path + "." + PredictableSession::guidText(before + 2) + ".doc";
            std::vector<Expected> expected;
            std::string security = "value=I4:3";
            if (binary) expected.push_back({"Word.Application.AutomationSecurity", "put", security.c_str()});
            std::string open = encrypt ? describeArgs(kWordOpen, {{0, bstr(path)}})
                                       : describeArgs(kWordOpen, {{0, bstr(path)}, {4, bstr(password)}});
            std::string save = describeArgs(kWordSaveAs, {{0, bstr(temporary)}, {3, bstr(encrypt ? password : "")}});
            std::string close = describeArgs(kClose3, {});
            expected.insert(expected.end(), {{"Word.Application.Visible", "put", "value=BOOL:0"},
                                             {"Word.Application.Documents", "get", ""},
                                             {"Word.Documents.Open", "method", open.c_str()},
                                             {"Word.Document.ReadOnlyRecommended", "get", ""},
                                             {"Word.Document.SaveFormat", "get", ""},
                                             {"Word.Document.SaveAs", "method", save.c_str()},
                                             {"Word.Document.Close", "method", close.c_str()}});
            expectCalls(journal(), expected);
            EXPECT_FALSE(exists(temporary));
        }
    }
}

TEST_F(Engines, ExcelCallsInBothDirectionsWithLocaleZero) {
    struct Case {
        const char* name;
        const char* format;
        const char* saveFormat;
    };
    const Case cases[] = {{"sheet.xlsx", "51", "INT:51"}, {"sheet.xls", "56", "INT:56"}, {"sheet.xlsb", "50", "INT:50"}};
    PredictableSession session(0, 0, 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = copySample(c.name, c.name);
        bool binary = std::string(c.name) == "sheet.xls";
        std::string password = officePassword(path);
        for (bool encrypt : {true, false}) {
            SCOPED_TRACE(encrypt ? "protect" : "unprotect");
            DeleteFileA(journalPath.c_str());
            int before = session.guidsGiven;
            ASSERT_EQ(encrypt ? session.protect(path.c_str(), false) : session.unprotect(path.c_str(), false), 0);
            EXPECT_EQ(encrypted(path), encrypt);
            std::string extension = path.substr(path.rfind('.'));
            std::string temporary = path + PredictableSession::guidText(before + 2) + extension;
            std::string open = encrypt ? describeArgs(kExcelOpen, {{0, bstr(path)}})
                                       : describeArgs(kExcelOpen, {{0, bstr(path)}, {4, bstr(password)}});
            std::string save = describeArgs(kExcelSaveAs, {{0, bstr(temporary)},
                                                           {1, c.saveFormat},
                                                           {2, bstr(encrypt ? password : "")},
                                                           {3, bstr("")},
                                                           {4, "BOOL:0"},
                                                           {5, "BOOL:0"},
                                                           {6, "I4:3"}});
            std::string close = describeArgs(kExcelClose, {});
            std::vector<Expected> expected;
            if (binary) expected.push_back({"Excel.Application.AutomationSecurity", "put", "value=I4:3", "0x0000"});
            expected.insert(expected.end(), {{"Excel.Application.Visible", "put", "value=BOOL:0", "0x0000"},
                                             {"Excel.Application.Workbooks", "get", "", "0x0000"},
                                             {"Excel.Workbooks.Open", "method", open.c_str(), "0x0000"},
                                             {"Excel.Workbook.ReadOnlyRecommended", "get", "", "0x0000"},
                                             {"Excel.Workbook.FileFormat", "get", "", "0x0000"},
                                             {"Excel.Workbook.SaveAs", "method", save.c_str(), "0x0000"},
                                             {"Excel.Workbook.Close", "method", close.c_str(), "0x0000"}});
            expectCalls(journal(), expected);
            EXPECT_FALSE(exists(temporary));
        }
    }
}

TEST_F(Engines, PowerPointCallsInBothDirectionsAndThePromptAnswered) {
    PredictableSession session(0, 1, 0);
    for (const char* name : {"deck.pptx", "deck.ppt"}) {
        SCOPED_TRACE(name);
        std::string path = copySample(name, name);
        bool binary = std::string(name) == "deck.ppt";
        std::string password = officePassword(path);
        for (bool encrypt : {true, false}) {
            SCOPED_TRACE(encrypt ? "protect" : "unprotect");
            DeleteFileA(journalPath.c_str());
            ASSERT_EQ(encrypt ? session.protect(path.c_str(), false) : session.unprotect(path.c_str(), false), 0);
            EXPECT_EQ(encrypted(path), encrypt);
            std::string open = describeArgs(kPowerPointOpen,
                                            {{0, bstr(path)}, {1, "I4:0"}, {2, "I4:0"}, {3, encrypt ? "I4:0" : "I4:-1"}});
            std::string save = describeArgs(kPowerPointSaveAs, {{0, bstr(path)}, {1, "I4:11"}, {2, "I4:-1"}});
            std::string passwordPut = "value=" + bstr(encrypt ? password : "");
            std::vector<Expected> expected;
            if (binary) expected.push_back({"PowerPoint.Application.AutomationSecurity", "put", "value=I4:3"});
            expected.insert(expected.end(), {{"PowerPoint.Application.HWND", "get", ""},
                                             {"PowerPoint.Application.WindowState", "put", "value=I4:2"},
                                             {"PowerPoint.Application.Visible", "put", "value=I4:-1"},
                                             {"PowerPoint.Application.Presentations", "get", ""},
                                             {"PowerPoint.Presentations.Open", "method", open.c_str()},
                                             {"PowerPoint.Presentation.Password", "put", passwordPut.c_str()}});
            if (!encrypt) expected.push_back({"PowerPoint.Presentation.WritePassword", "put", "value=BSTR:\"\""});
            expected.insert(expected.end(), {{"PowerPoint.Presentation.SaveAs", "method", save.c_str()},
                                             {"PowerPoint.Presentation.Close", "method", ""},
                                             {"PowerPoint.Presentations.Count", "get", ""}});
            expectCalls(journal(), expected);
        }
    }
}

TEST_F(Engines, PowerPointFallsBackToATemporaryNameWhenTheFirstSaveFails) {
    struct Case {
        const char* fault;
        int code;
        bool processed;
    };
    // Once: only the save over the document fails, the temporary file then
    // replaces it. Every time: both saves report a non-zero code, nothing is
    // moved and the flow puts the original back.
    const Case cases[] = {{"fail 0x80004005 once", 0, true}, {"return 1", 303, false}};
    PredictableSession session(0, 1, 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        std::string path = copySample("deck.pptx", "Deck.pptx");
        DeleteFileA(journalPath.c_str());
        int before = session.guidsGiven;
        setFault("PowerPoint.Presentation.SaveAs", c.fault);
        EXPECT_EQ(session.protect(path.c_str(), false), c.code);
        clearFaults();
        std::vector<Call> saves = callsOf(journal(), "PowerPoint.Presentation.SaveAs");
        ASSERT_EQ(saves.size(), 2u);
        std::string temporary = path + PredictableSession::guidText(before + 2) + ".pptx";
        EXPECT_EQ(saves[1].args, describeArgs(kPowerPointSaveAs, {{0, bstr(temporary)}, {1, "I4:11"}, {2, "I4:-1"}}));
        EXPECT_FALSE(exists(temporary));
        EXPECT_EQ(encrypted(path), c.processed);
        if (!c.processed) {
            EXPECT_EQ(readFile(path), readFile(sample("deck.pptx")));
        }
        EXPECT_EQ(listFolder(folder).size(), 2u);  // the deck and the journal
    }
}

TEST_F(Engines, TheSavedFileThatCannotReplaceTheDocumentIsReported) {
    // Another program holds the document from the open on: the engine cannot
    // delete it to put the saved file in its place; the document stays as
    // it was and the saved file is removed.
    struct Case {
        const char* name;
        const char* member;
        int code;
    };
    const Case cases[] = {{"memo.docx", "Word.Documents.Open", 206},
                          {"deck.pptx", "PowerPoint.Presentations.Open", 305},
                          {"sheet.xlsx", "Excel.Workbooks.Open", 405}};
    PredictableSession session(1, 1, 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = copySample(c.name, c.name);
        setFault(c.member, "hold 1500");
        int code = std::string(c.name) == "memo.docx"   ? session.protectWord(path.c_str(), "pw")
                   : std::string(c.name) == "deck.pptx" ? session.protectPowerPoint(path.c_str(), "pw")
                                                        : session.protectExcel(path.c_str(), "pw");
        clearFaults();
        EXPECT_EQ(code, c.code);
        EXPECT_EQ(readFile(path), readFile(sample(c.name)));
        Sleep(1700);
        for (const std::string& name : listFolder(folder)) EXPECT_EQ(name.find('{'), std::string::npos) << name;
    }
}

TEST_F(Engines, AnApplicationThatIsNotInstalled) {
    std::string doc = copySample("memo.docx", "memo.docx");
    std::string book = copySample("sheet.xlsx", "sheet.xlsx");
    {
        OfficeApplication session(0, 0, 0);
        RegDeleteTreeA(HKEY_CLASSES_ROOT, "Excel.Application");
        RegDeleteTreeA(HKEY_CLASSES_ROOT, "Word.Application");
        // Excel's engine swallows the start failure: 1, and the flow puts
        // the backup back.
        EXPECT_EQ(session.protect(book.c_str(), false), 1);
        // Word's start failure reaches the job.
        try {
            session.protect(doc.c_str(), false);
            ADD_FAILURE() << "no exception";
        } catch (const Exception& e) {
            EXPECT_EQ(e.getErrorCode(), 201);
            EXPECT_STREQ(e.getMessage(), "OfficeApplication#createWordApplication,1,Failed to create Word");
        }
        EXPECT_TRUE(runStandin("/RegServer"));
    }
    EXPECT_EQ(readFile(doc), readFile(sample("memo.docx")));
    EXPECT_EQ(readFile(book), readFile(sample("sheet.xlsx")));
    for (const std::string& name : listFolder(folder)) EXPECT_EQ(name.find('{'), std::string::npos) << name;
}

TEST_F(Engines, ValidatorTakesOnlyAPasswordPromptAndPressesTheErrorBoxButton) {
    std::string path = copySample("deck.pptx", "deck.pptx");
    PredictableSession session(0, 1, 0);
    ASSERT_EQ(session.protect(path.c_str(), false), 0);
    Bytes protectedBytes = readFile(path);
    // A wrong password: the error box is dismissed, Open fails, the
    // presentation is left as it was.
    setScreenshotPrefix("office-wrong-password-");
    EXPECT_EQ(session.unprotectPowerPoint(path.c_str(), "wrong-password"), 1000);
    setScreenshotPrefix("");
    EXPECT_EQ(readFile(path), protectedBytes);
    // A dialog owned by a PowerPoint window without a password edit is not
    // taken for the prompt.
    HWND owner = CreateWindowExA(0, "STATIC", "Microsoft PowerPoint - test", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 nullptr, nullptr);
    HWND fake = CreateWindowExA(0, "#32770", "Password", WS_POPUP, 0, 0, 100, 100, owner, nullptr, nullptr, nullptr);
    ASSERT_NE(fake, nullptr);
    LoadLibraryA("riched20.dll");
    CreateWindowExA(0, "RichEdit20A", "", WS_CHILD, 0, 0, 10, 10, fake, HMENU(4), nullptr, nullptr);
    CreateWindowExA(0, "Edit", "", WS_CHILD, 0, 0, 10, 10, fake, HMENU(5), nullptr, nullptr);  // no ES_PASSWORD
    CreateWindowExA(0, "Button", "OK", WS_CHILD, 0, 0, 10, 10, fake, HMENU(1), nullptr, nullptr);
    CreateWindowExA(0, "Button", "Cancel", WS_CHILD, 0, 0, 10, 10, fake, HMENU(2), nullptr, nullptr);
    PowerPointPasswordValidator validator("x");
    EXPECT_EQ(validator.findPasswordDialog(), nullptr);
    SetWindowLongA(GetDlgItem(fake, 5), GWL_STYLE, GetWindowLongA(GetDlgItem(fake, 5), GWL_STYLE) | ES_PASSWORD);
    EXPECT_EQ(validator.findPasswordDialog(), fake);
    // This thread owns windows the validator's walk passes and types into,
    // and handles no message until it waits for the validator's end, as a
    // job thread does with its notifier: the wait serves what the validator
    // sends, and the walk itself sends nothing.
    validator.start();
    Sleep(1500);
    validator.stop();
    EXPECT_TRUE(validator.waitForEnd(5000));
    EXPECT_EQ(testing_support::windowText(GetDlgItem(fake, 5)), "x");
    DestroyWindow(fake);
    DestroyWindow(owner);
}

// One engine step's ways out: its own code, a COM error or anything else
// turned into the step's code with one log line, or passed on when the step
// names no text for it.
TEST(EngineStep, WhatAStepThrowsBecomesItsCodeAndOneLogLine) {
    const std::string log = testing_support::debugLog();
    struct Row {
        const char* name;
        int thrown;  // 0 none, 1 ComError, 2 std::runtime_error
        bool otherText;
        int code;             // -1: passed on to the caller
        const char* logLine;  // "" for none
    };
    const Row rows[] = {
        {"returns", 0, true, 7, ""},
        {"com-error", 1, true, 403, "OfficeApplication#stepTest,13,Save: Exception No=80004005 Message=refused"},
        {"other", 2, true, 403, "OfficeApplication#stepTest,14,Save: Unknown Exception"},
        {"other-passed-on", 2, false, -1, ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const size_t before = readFile(log).size();
        const engine_step::Failure failure{"stepTest", 403, "OfficeApplication#%s,13,Save: Exception No=%x Message=%s",
                                           r.otherText ? "OfficeApplication#%s,14,Save: Unknown Exception" : nullptr};
        int code = -1;
        try {
            code = engine_step::run(failure, [&] {
                if (r.thrown == 1) throw ComError(E_FAIL, "refused");
                if (r.thrown == 2) throw std::runtime_error("no memory");
                return 7;
            });
        } catch (const std::runtime_error&) {
        }
        EXPECT_EQ(code, r.code);
        const Bytes after = readFile(log);
        const std::string added(after.begin() + static_cast<std::ptrdiff_t>(before), after.end());
        if (r.logLine[0] == '\0') {
            EXPECT_EQ(added, "");
        } else {
            const std::string line = std::string(r.logLine);
            EXPECT_TRUE(added.find(line + "\n") != std::string::npos || added.find(line + "\r\n") != std::string::npos)
                << added;
            EXPECT_EQ(added.find('\n'), added.size() - 1) << added;  // that line alone
        }
    }
}

}  // namespace
