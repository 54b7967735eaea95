// The Office session: the calls of construction, of the lazy starts and of
// the destructor, checked call by call in the stand-in's journal, and the
// concealment of PowerPoint's window.

#include <gtest/gtest.h>

#include "foundation/ComError.h"
#include "foundation/Exception.h"
#include "office/OfficeApplication.h"
#include "office/tests/OfficeTestSupport.h"

using namespace office_test;

namespace {

void setMacroSecurityLevel(DWORD level) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Merrowind\\Application\\Tarnwick\\Config", 0, nullptr, 0,
                              KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    if (level == 0) {
        RegDeleteValueA(key, "MacroSecurityLevel");
    } else {
        RegSetValueExA(key, "MacroSecurityLevel", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&level), sizeof level);
    }
    RegCloseKey(key);
}

const Expected kWordQuit{"Word.Application.Quit", "method",
                         "SaveChanges=omitted; OriginalFormat=omitted; RouteDocument=omitted"};
const Expected kPowerPointEnd[] = {
    {"PowerPoint.Application.Presentations", "get", ""},
    {"PowerPoint.Application.HWND", "get", ""},
    {"PowerPoint.Presentations.Count", "get", ""},
    {"PowerPoint.Application.Quit", "method", ""},
};
const Expected kExcelEnd[] = {
    {"Excel.Application.Workbooks", "get", "", "0x0000"},
    {"Excel.Workbooks.Count", "get", "", "0x0000"},
    {"Excel.Application.Quit", "method", "", "0x0000"},
};

class Session : public OfficeFixture {};

TEST_F(Session, ConstructionSilencesEachApplicationAndTheDestructorQuitsThem) {
    {
        OfficeApplication session(1, 1, 1);
        EXPECT_TRUE(session.isOffice12Installed());
        expectCalls(journal(), {
                                   {"Word.Application.ScreenUpdating", "put", "value=BOOL:0"},
                                   {"Word.Application.DisplayAlerts", "put", "value=I4:0"},
                                   {"PowerPoint.Application.WindowState", "get", ""},
                                   {"PowerPoint.Application.DisplayAlerts", "put", "value=I4:1"},
                                   {"Excel.Application.Visible", "put", "value=BOOL:0", "0x0000"},
                                   {"Excel.Application.DisplayAlerts", "put", "value=BOOL:0", "0x0000"},
                                   {"Excel.Application.EnableEvents", "put", "value=BOOL:0", "0x0000"},
                                   {"Excel.Application.Interactive", "put", "value=BOOL:0", "0x0000"},
                                   {"Excel.Application.ScreenUpdating", "put", "value=BOOL:0", "0x0000"},
                               });
        DeleteFileA(journalPath.c_str());
    }
    std::vector<Expected> end{kWordQuit};
    end.insert(end.end(), std::begin(kPowerPointEnd), std::end(kPowerPointEnd));
    end.insert(end.end(), std::begin(kExcelEnd), std::end(kExcelEnd));
    expectCalls(journal(), end);
}

TEST_F(Session, BelowVersion12EveryApplicationGetsTheMacroSecurityLevel) {
    struct Case {
        const char* version;
        DWORD stored;  // 0: none
        const char* value;
    };
    const Case cases[] = {{"11", 1, "value=I4:1"}, {"none", 0, "value=I4:3"}, {"11", 7, "value=I4:3"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.version) + " level " + std::to_string(c.stored));
        ASSERT_TRUE(setOfficeVersion(c.version));
        setMacroSecurityLevel(c.stored);
        DeleteFileA(journalPath.c_str());
        {
            OfficeApplication session(1, 1, 1);
            EXPECT_FALSE(session.isOffice12Installed());
        }
        std::vector<Call> calls = journal();
        std::vector<Call> security;
        for (const Call& call : calls)
            if (call.member.find(".AutomationSecurity") != std::string::npos) security.push_back(call);
        expectCalls(security, {{"Word.Application.AutomationSecurity", "put", c.value},
                               {"PowerPoint.Application.AutomationSecurity", "put", c.value},
                               {"Excel.Application.AutomationSecurity", "put", c.value}});
        // Each right after the application's own settings.
        ASSERT_GE(calls.size(), 11u);
        EXPECT_EQ(calls[2].member, "Word.Application.AutomationSecurity");
        EXPECT_EQ(calls[5].member, "PowerPoint.Application.AutomationSecurity");
        EXPECT_EQ(calls[11].member, "Excel.Application.AutomationSecurity");
    }
    setMacroSecurityLevel(0);
    ASSERT_TRUE(setOfficeVersion("12"));
}

TEST_F(Session, OnlyTheCountedApplicationsStartAndTheOthersStartOnDemand) {
    {
        OfficeApplication session(1, 0, 0);
        EXPECT_EQ(callsOf(journal(), "PowerPoint.").size(), 0u);
        EXPECT_EQ(callsOf(journal(), "Excel.").size(), 0u);
        DeleteFileA(journalPath.c_str());
        session.createExcelApplication("C:\\x\\a.xlsx");  // Open XML: the level is left alone
        session.createExcelApplication("C:\\x\\a.XLS");   // binary: the level again
        session.createPowerPointApplication("C:\\x\\a.pps");
        session.createWordApplication("C:\\x\\a.docm");
        session.createWordApplication("C:\\x\\a.doc");
        expectCalls(journal(), {
                                   {"Excel.Application.Visible", "put", "value=BOOL:0", "0x0000"},
                                   {"Excel.Application.DisplayAlerts", "put", "value=BOOL:0", "0x0000"},
                                   {"Excel.Application.EnableEvents", "put", "value=BOOL:0", "0x0000"},
                                   {"Excel.Application.Interactive", "put", "value=BOOL:0", "0x0000"},
                                   {"Excel.Application.ScreenUpdating", "put", "value=BOOL:0", "0x0000"},
                                   {"Excel.Application.AutomationSecurity", "put", "value=I4:3"},
                                   {"PowerPoint.Application.WindowState", "get", ""},
                                   {"PowerPoint.Application.DisplayAlerts", "put", "value=I4:1"},
                                   {"PowerPoint.Application.AutomationSecurity", "put", "value=I4:3"},
                                   {"Word.Application.AutomationSecurity", "put", "value=I4:3"},
                               });
        DeleteFileA(journalPath.c_str());
    }
    std::vector<Expected> end{kWordQuit};
    end.insert(end.end(), std::begin(kPowerPointEnd), std::end(kPowerPointEnd));
    end.insert(end.end(), std::begin(kExcelEnd), std::end(kExcelEnd));
    expectCalls(journal(), end);
}

TEST_F(Session, ApplicationsHoldingDocumentsAreLeftRunningWithTheirWindowStateBack) {
    std::string deck = copySample("deck.pptx", "deck.pptx");
    std::string book = copySample("sheet.xlsx", "sheet.xlsx");
    {
        OfficeApplication session(0, 1, 1);
        // A presentation and a workbook that stay open: their Close does nothing.
        setFault("PowerPoint.Presentation.Close", "nothing");
        setFault("Excel.Workbook.Close", "nothing");
        EXPECT_EQ(session.protectPowerPoint(deck.c_str(), "pw"), 0);
        EXPECT_EQ(session.protectExcel(book.c_str(), "pw"), 0);
        clearFaults();
        DeleteFileA(journalPath.c_str());
    }
    expectCalls(journal(), {
                               {"PowerPoint.Application.Presentations", "get", ""},
                               {"PowerPoint.Application.HWND", "get", ""},
                               {"PowerPoint.Presentations.Count", "get", ""},
                               {"PowerPoint.Application.WindowState", "put", "value=I4:1"},
                               {"Excel.Application.Workbooks", "get", ""},
                               {"Excel.Workbooks.Count", "get", ""},
                           });
}

TEST_F(Session, AFailedStartThrowsAndEndsWhatWasStarted) {
    // The application's first property is refused: a COM error from the
    // constructor, and Word, already started, is quit again.
    setFault("Excel.Application.Visible", "fail 0x800A03EC");
    EXPECT_THROW(OfficeApplication(1, 0, 1), ComError);
    std::vector<Call> calls = journal();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(callsOf(calls, "Word.Application.Quit").size(), 1u);
    EXPECT_EQ(callsOf(calls, "Excel.Application.Quit").size(), 1u);

    // Started on demand, the application refuses a start-up setting once: it
    // is quit, its start failed (201 reaches the job from Word and
    // PowerPoint; Excel's engine gives 1), the document is as it was, and
    // the next document starts it afresh and silences it fully.
    struct Case {
        const char* sample;
        const char* refused;
        const char* quit;
        int code;  // 201: the start failure thrown
    };
    const Case cases[] = {
        {"memo.docx", "Word.Application.DisplayAlerts", "Word.Application.Quit", 201},
        {"deck.pptx", "PowerPoint.Application.DisplayAlerts", "PowerPoint.Application.Quit", 201},
        {"sheet.xlsx", "Excel.Application.Interactive", "Excel.Application.Quit", 1},
    };
    clearFaults();
    OfficeApplication session(0, 0, 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.refused);
        std::string path = copySample(c.sample, c.sample);
        DeleteFileA(journalPath.c_str());
        setFault(c.refused, "fail 0x80004005 once");
        int code = 0;
        try {
            code = session.protect(path.c_str(), false);
        } catch (const Exception& e) {
            code = e.getErrorCode();
        }
        EXPECT_EQ(code, c.code);
        EXPECT_EQ(readFile(path), readFile(sample(c.sample)));
        EXPECT_EQ(callsOf(journal(), c.quit).size(), 1u);
        DeleteFileA(journalPath.c_str());
        EXPECT_EQ(session.protect(path.c_str(), false), 0);
        EXPECT_EQ(callsOf(journal(), c.refused).size(), 1u);
        EXPECT_TRUE(isProtected(path));
    }
}

TEST_F(Session, PowerPointWindowIsConcealedDuringTheJobAndNotLayeredAfter) {
    std::string deck = copySample("deck.pptx", "deck.pptx");
    HWND frame = nullptr;
    {
        OfficeApplication session(0, 1, 0);
        EXPECT_EQ(session.protectPowerPoint(deck.c_str(), "pw"), 0);
        frame = FindWindowA("PP12FrameClass", nullptr);
        ASSERT_NE(frame, nullptr);
        EXPECT_TRUE(GetWindowLongA(frame, GWL_EXSTYLE) & WS_EX_LAYERED);
        BYTE alpha = 255;
        DWORD flags = 0;
        COLORREF key = 0;
        EXPECT_TRUE(GetLayeredWindowAttributes(frame, &key, &alpha, &flags));
        EXPECT_EQ(alpha, 0);
        EXPECT_EQ(flags, DWORD(LWA_COLORKEY | LWA_ALPHA));
        EXPECT_TRUE(IsIconic(frame));
        session.restoreApplicationWindow(frame);
        EXPECT_FALSE(GetWindowLongA(frame, GWL_EXSTYLE) & WS_EX_LAYERED);
        session.hideApplicationWindow(frame);
        EXPECT_TRUE(GetWindowLongA(frame, GWL_EXSTYLE) & WS_EX_LAYERED);
        // Still present for the journal: WindowState minimised, Visible msoTrue.
        std::vector<Call> calls = journal();
        std::vector<Call> window;
        for (const Call& c : calls)
            if (c.member == "PowerPoint.Application.WindowState" || c.member == "PowerPoint.Application.Visible")
                window.push_back(c);
        expectCalls(window, {{"PowerPoint.Application.WindowState", "get", ""},
                             {"PowerPoint.Application.WindowState", "put", "value=I4:2"},
                             {"PowerPoint.Application.Visible", "put", "value=I4:-1"}});
    }
}

}  // namespace
