#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "ProgramDriver.h"
#include "RemoteUi.h"
#include "app/OfficeMonitor.h"
#include "testing/ModalDriver.h"
#include "testing/Screenshot.h"
#include "testing/TestPaths.h"
#include "testing/Waiting.h"

// The real Tarnwick.exe at start-up, with and without an open Office window
// (the Office stand-in's visible "OpusApp" window, or windows of this test).

using namespace program_driver;
using testing_support::pumpFor;
using testing_support::pumpUntil;

namespace {

const char kWordTitle[] = "Quarterly Report.doc - Word stand-in";
const char kQuestionCaption[] = "Startup Tarnwick";
const char kLogKey[] = "SOFTWARE\\Merrowind\\Application\\Tarnwick\\Log";
// The first start of a new prefix can be slow on a loaded machine.
constexpr DWORD kStartTimeoutMs = 120000;

// Tarnwick's log (debug level) in a fresh folder for one test; left alone
// when the prefix already has a log configuration of its own.
class TarnwickLog {
public:
    explicit TarnwickLog(const std::string& name) : folder_(testing_support::freshFolder(name)) {
        HKEY key = nullptr;
        owned_ = RegOpenKeyExA(HKEY_CURRENT_USER, kLogKey, 0, KEY_READ, &key) != ERROR_SUCCESS;
        if (key != nullptr) RegCloseKey(key);
        if (!owned_) return;
        RegSetKeyValueA(HKEY_CURRENT_USER, kLogKey, "dir", REG_SZ, folder_.c_str(),
                        static_cast<DWORD>(folder_.size() + 1));
        const DWORD level = 2;
        RegSetKeyValueA(HKEY_CURRENT_USER, kLogKey, "level", REG_DWORD, &level, sizeof level);
    }
    ~TarnwickLog() {
        if (owned_) RegDeleteTreeA(HKEY_CURRENT_USER, kLogKey);
    }
    bool active() const { return owned_; }
    std::string text() const { return testing_support::readBytes(folder_ + "\\Tarnwick.log"); }

private:
    std::string folder_;
    bool owned_;
};

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

// The stand-in's visible Word window with the title; null when it does not
// appear.
HWND showWordWindow(ChildProcess& standin, const char* title) {
    if (!standin.start(quoted(officeStandinPath()) + " /ShowWindow OpusApp " + quoted(title))) return nullptr;
    return waitForTopLevel({standin.id(), "OpusApp", title}, 60000);
}

HWND monitorWindow(DWORD processId) { return findTopLevel({processId, kOfficeMonitorClassName, nullptr, false}); }

// Visible, not minimised, and where a restored window stands: while it is
// restored, the window is briefly visible and not iconic but still at the
// place and size of a minimised one ((-32000, -32000) on Windows, a small
// bar at the bottom of the screen where Wine places windows itself).
bool isShownRestored(HWND window) {
    if (window == nullptr || !IsWindowVisible(window) || IsIconic(window)) return false;
    RECT bounds = {};
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    if (!GetWindowRect(window, &bounds) || !GetWindowPlacement(window, &placement)) return false;
    // The normal place is in work-area coordinates.
    RECT workArea = {};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &workArea, 0);
    OffsetRect(&placement.rcNormalPosition, workArea.left, workArea.top);
    return EqualRect(&bounds, &placement.rcNormalPosition) != FALSE;
}

HWND waitForMonitorShown(DWORD processId, DWORD timeoutMs) {
    HWND window = nullptr;
    const bool shown = pumpUntil([&] { return isShownRestored(window = monitorWindow(processId)); }, timeoutMs);
    return shown ? window : nullptr;
}

// The row of the monitor's list whose title is title; -1 when none shows
// within timeoutMs (each round empties the list and fills it again).
int waitForRow(const ChildProcess& program, HWND list, const std::string& title, DWORD timeoutMs) {
    int found = -1;
    pumpUntil(
        [&] {
            const int rows = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
            for (int row = 0; row < rows; ++row) {
                if (remoteListCell(program.handle(), list, row, 0) == title) return (found = row) >= 0;
            }
            return found >= 0;
        },
        timeoutMs);
    return found;
}

// Starts Tarnwick and checks that it goes straight on to its main window:
// the monitor never shows restored. Closes the main window again.
void expectStartGoesStraightOn(const std::string& screenshotName) {
    ChildProcess tarnwick;
    ASSERT_TRUE(tarnwick.start(quoted(tarnwickPath()))) << GetLastError();
    bool monitorShown = false;
    HWND main = nullptr;
    const DWORD start = GetTickCount();
    while (main == nullptr && GetTickCount() - start < kStartTimeoutMs && tarnwick.isRunning()) {
        if (isShownRestored(monitorWindow(tarnwick.id()))) monitorShown = true;
        main = mainWindow(tarnwick.id());
        pumpFor(5);
    }
    ASSERT_NE(main, nullptr) << "no main window";
    EXPECT_FALSE(monitorShown) << "the Office monitor showed";
    EXPECT_EQ(monitorWindow(tarnwick.id()), nullptr);
    pumpFor(300);
    testing_support::saveScreenshot(main, screenshotName);

    PostMessageA(main, WM_CLOSE, 0, 0);
    DWORD exitCode = 99;
    ASSERT_TRUE(tarnwick.waitForExit(30000, exitCode));
    EXPECT_EQ(exitCode, 0u);
}

// The cancel question of the monitor, once it shows.
HWND waitForQuestion(DWORD processId) { return waitForTopLevel({processId, "#32770", kQuestionCaption}, 10000); }

bool waitUntilGone(HWND window, DWORD timeoutMs) {
    return pumpUntil([&] { return !IsWindow(window); }, timeoutMs);
}

}  // namespace

TEST(OfficeMonitorProgram, WithoutOfficeWindowsTheStartGoesStraightOn) {
    TarnwickLog log("office-monitor-log-straight");
    expectStartGoesStraightOn("TarnwickWithoutOffice");
    if (log.active()) {
        const std::string text = log.text();
        EXPECT_NE(text.find("Debug: Tarnwick#WinMain,1,Start"), std::string::npos) << text;
        EXPECT_NE(text.find("Debug: Tarnwick#WinMain,3,End"), std::string::npos) << text;
    }
}

TEST(OfficeMonitorProgram, AnInvisibleWordFrameDoesNotHoldUpTheStart) {
    OwnWindow hidden("OpusApp", "Automation.doc - Microsoft Word", false);
    ASSERT_NE(hidden.get(), nullptr);
    expectStartGoesStraightOn("TarnwickWithInvisibleWord");
}

TEST(OfficeMonitorProgram, AnotherWindowNamingWordDoesNotHoldUpTheStart) {
    OwnWindow other("TarnwickTestNotes", "Notes about Microsoft Word - Word", true);
    ASSERT_NE(other.get(), nullptr);
    expectStartGoesStraightOn("TarnwickWithOtherWordTitle");
}

// On a 100 % and a 150 % screen: the monitor's place, size and columns grow
// with the DPI, and its texts fit.
class OfficeMonitorAtDpi : public testing::TestWithParam<int> {};

TEST_P(OfficeMonitorAtDpi, AWordWindowHoldsUpTheStartUntilItIsClosed) {
    const int dpi = GetParam();
    const auto scaled = [dpi](int value) { return value * dpi / 96; };
    testing_support::ScreenDpi screen(static_cast<DWORD>(dpi));
    ChildProcess standin;
    HWND word = showWordWindow(standin, kWordTitle);
    ASSERT_NE(word, nullptr) << "the stand-in's Word window did not show";

    ChildProcess tarnwick;
    ASSERT_TRUE(tarnwick.start(quoted(tarnwickPath()))) << GetLastError();
    HWND monitor = waitForMonitorShown(tarnwick.id(), kStartTimeoutMs);
    ASSERT_NE(monitor, nullptr) << "the Office monitor did not show";

    EXPECT_EQ(testing_support::windowTitle(monitor), "Office Applications - Tarnwick");
    RECT bounds = {};
    GetWindowRect(monitor, &bounds);
    EXPECT_EQ(bounds.left, scaled(10));
    EXPECT_EQ(bounds.top, scaled(10));
    EXPECT_EQ(bounds.right - bounds.left, scaled(520));
    EXPECT_EQ(bounds.bottom - bounds.top, scaled(240));
    EXPECT_NE(GetWindowLongPtrA(monitor, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);

    HWND status = GetDlgItem(monitor, kOfficeMonitorStatusId);
    HWND list = GetDlgItem(monitor, kOfficeMonitorListId);
    ASSERT_NE(status, nullptr);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(testing_support::windowText(status), "Please terminate Office Applications to start 'Tarnwick'.");
    RECT statusBounds = {};
    RECT listBounds = {};
    GetWindowRect(status, &statusBounds);
    GetWindowRect(list, &listBounds);
    EXPECT_LE(listBounds.bottom, statusBounds.top);
    EXPECT_GT(listBounds.bottom - listBounds.top, 100);

    const struct {
        const char* title;
        int width;
    } columns[] = {{"Application Name", 240}, {"User Name", 120}, {"Domain Name", 120}};
    for (int i = 0; i < 3; ++i) {
        std::string title;
        int width = 0;
        ASSERT_TRUE(remoteListColumn(tarnwick.handle(), list, i, title, width)) << i;
        EXPECT_EQ(title, columns[i].title);
        EXPECT_EQ(width, scaled(columns[i].width));
    }
    std::string noTitle;
    int noWidth = 0;
    EXPECT_FALSE(remoteListColumn(tarnwick.handle(), list, 3, noTitle, noWidth));

    const int row = waitForRow(tarnwick, list, kWordTitle, 5000);
    ASSERT_GE(row, 0) << "the Word window is not listed";
    char user[300] = {};
    char domain[300] = {};
    ASSERT_TRUE(getProcessOwner(standin.id(), user, sizeof user, domain, sizeof domain));
    char thisUser[300] = {};
    DWORD size = sizeof thisUser;
    GetUserNameA(thisUser, &size);
    EXPECT_STREQ(user, thisUser);
    EXPECT_EQ(remoteListCell(tarnwick.handle(), list, row, 1), user);
    EXPECT_EQ(remoteListCell(tarnwick.handle(), list, row, 2), domain);
    pumpFor(300);
    EXPECT_EQ(remote_ui::columnsCut(tarnwick.handle(), list, dpi), "");
    EXPECT_FALSE(
        testing_support::saveScreenshot(monitor, dpi == 96 ? "OfficeMonitor" : "OfficeMonitor-" + std::to_string(dpi) + "dpi")
            .empty());

    // Minimised, it comes back at the next round.
    ShowWindow(monitor, SW_MINIMIZE);
    EXPECT_NE(waitForMonitorShown(tarnwick.id(), 15000), nullptr) << "not restored after minimising";
    EXPECT_EQ(mainWindow(tarnwick.id()), nullptr);

    // Closing Word lets the start go on at the next round.
    PostMessageA(word, WM_CLOSE, 0, 0);
    DWORD standinExit = 99;
    ASSERT_TRUE(standin.waitForExit(10000, standinExit));
    ASSERT_TRUE(waitUntilGone(monitor, 15000)) << "the monitor stayed";
    HWND main = waitForMainWindow(tarnwick.id(), kStartTimeoutMs);
    ASSERT_NE(main, nullptr) << "no main window after Word was closed";

    PostMessageA(main, WM_CLOSE, 0, 0);
    DWORD exitCode = 99;
    ASSERT_TRUE(tarnwick.waitForExit(30000, exitCode));
    EXPECT_EQ(exitCode, 0u);
}

INSTANTIATE_TEST_SUITE_P(Screens, OfficeMonitorAtDpi, testing::Values(96, 144),
                         [](const testing::TestParamInfo<int>& screen) { return std::to_string(screen.param) + "dpi"; });

TEST(OfficeMonitorProgram, ClosingTheMonitorAsksAndOkEndsTheProgramWithOne) {
    TarnwickLog log("office-monitor-log-cancel");
    ChildProcess standin;
    ASSERT_NE(showWordWindow(standin, kWordTitle), nullptr) << "the stand-in's Word window did not show";

    ChildProcess tarnwick;
    ASSERT_TRUE(tarnwick.start(quoted(tarnwickPath()))) << GetLastError();
    HWND monitor = waitForMonitorShown(tarnwick.id(), kStartTimeoutMs);
    ASSERT_NE(monitor, nullptr) << "the Office monitor did not show";

    // Cancel: the question goes, the monitor stays and goes on waiting.
    PostMessageA(monitor, WM_CLOSE, 0, 0);
    HWND question = waitForQuestion(tarnwick.id());
    ASSERT_NE(question, nullptr) << "no question";
    EXPECT_EQ(testing_support::windowText(GetDlgItem(question, 0xFFFF)), "Are you sure you want to cancel to start 'Tarnwick'");
    EXPECT_NE(GetDlgItem(question, IDOK), nullptr);
    EXPECT_NE(GetDlgItem(question, IDCANCEL), nullptr);
    pumpFor(300);
    EXPECT_FALSE(testing_support::saveScreenshot(question, "OfficeMonitorCancelQuestion").empty());
    testing_support::click(question, IDCANCEL);
    ASSERT_TRUE(waitUntilGone(question, 10000));
    pumpFor(2500);
    EXPECT_TRUE(tarnwick.isRunning());
    EXPECT_TRUE(IsWindow(monitor));
    EXPECT_EQ(mainWindow(tarnwick.id()), nullptr);

    // OK: the program ends with 1 and never shows its main window.
    PostMessageA(monitor, WM_CLOSE, 0, 0);
    question = waitForQuestion(tarnwick.id());
    ASSERT_NE(question, nullptr) << "no question the second time";
    testing_support::click(question, IDOK);
    bool mainShown = false;
    const DWORD start = GetTickCount();
    while (tarnwick.isRunning() && GetTickCount() - start < 15000) {
        if (mainWindow(tarnwick.id()) != nullptr) mainShown = true;
        pumpFor(10);
    }
    DWORD exitCode = 99;
    ASSERT_TRUE(tarnwick.waitForExit(0, exitCode)) << "still running";
    EXPECT_EQ(exitCode, 1u);
    EXPECT_FALSE(mainShown);
    if (log.active()) {
        const std::string text = log.text();
        EXPECT_NE(text.find("Debug: Tarnwick#WinMain,1,Start"), std::string::npos) << text;
        EXPECT_EQ(text.find("Tarnwick#WinMain,3,End"), std::string::npos) << text;
    }
}
