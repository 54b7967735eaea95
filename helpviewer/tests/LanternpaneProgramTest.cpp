// Black-box: runs Lanternpane.exe as its own process.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "helpviewer/LanternpaneIds.h"
#include "testing/ModalDriver.h"
#include "testing/Screenshot.h"
#include "testing/TestPaths.h"
#include "testing/Waiting.h"

namespace {

// Lanternpane started with the given arguments, and its window once it shows
// the final title (the title changes once the start-up navigation is over).
struct ProgramRun {
    testing_support::ChildProcess process;
    HWND window = nullptr;
};

void start(ProgramRun& run, const std::string& arguments, const std::string& expectedTitle) {
    const std::string program = testing_support::nativePath(TARNWICK_BINARY_DIR "/Lanternpane.exe");
    if (!run.process.start("\"" + program + "\"" + arguments)) {
        ADD_FAILURE() << "cannot start " << program << ": " << GetLastError();
        return;
    }
    testing_support::pumpUntil(
        [&] {
            HWND found = testing_support::findTopLevel({run.process.id(), "LANTERNPANE_WINDOW", nullptr, false});
            if (found != nullptr && testing_support::windowTitle(found) == expectedTitle) run.window = found;
            return run.window != nullptr;
        },
        60000);
    EXPECT_NE(run.window, nullptr) << "no window titled \"" << expectedTitle << "\"";
}

// File > Close, then the exit code.
DWORD closeAndWait(ProgramRun& run) {
    DWORD exitCode = STILL_ACTIVE;
    if (run.window != nullptr) PostMessageA(run.window, WM_COMMAND, IDM_LANTERNPANE_CLOSE, 0);
    if (!run.process.waitForExit(30000, exitCode)) ADD_FAILURE() << "Lanternpane did not end after File > Close";
    return exitCode;
}

TEST(LanternpaneProgramTest, TitleShowsTheWholeCommandLineAndCloseEndsWithZero) {
    std::string folder = testing_support::freshFolder("LanternpaneProgram") + "\\My Help Pages";
    CreateDirectoryA(folder.c_str(), nullptr);
    std::string page = folder + "\\Tarnwick.html";
    struct {
        const char* name;
        std::string arguments;
        std::string title;
        DWORD dpi;  // of the screen; the bar grows with it
        const char* picture;
    } const cases[] = {
        {"no command line", "", " - Lanternpane", 96, "LanternpaneProgram"},
        {"a path with spaces, unquoted", " " + page, page + " - Lanternpane", 96, nullptr},
        {"on a 150 % screen", "", " - Lanternpane", 144, "LanternpaneProgram-144dpi"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testing_support::ScreenDpi screen(c.dpi);
        ProgramRun run;
        start(run, c.arguments, c.title);
        if (run.process.handle() == nullptr) continue;
        if (c.picture != nullptr && run.window != nullptr) {
            testing_support::saveScreenshot(run.window, c.picture);
            RECT back = {};
            GetClientRect(GetDlgItem(run.window, IDC_LANTERNPANE_BACK), &back);
            EXPECT_EQ(back.right, c.dpi == 96 ? 65 : 98);
            EXPECT_EQ(back.bottom, c.dpi == 96 ? 22 : 33);
        }
        EXPECT_EQ(closeAndWait(run), 0u);
    }
}

}  // namespace
