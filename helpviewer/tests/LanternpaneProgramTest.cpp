// Black-box: runs Lanternpane.exe as its own process.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "helpviewer/LanternpaneIds.h"
#include "testing/Screenshot.h"
#include "testing/TestPaths.h"

namespace {

struct FoundWindow {
    DWORD process;
    HWND window;
};

BOOL CALLBACK findProgramWindow(HWND window, LPARAM context) {
    FoundWindow* found = reinterpret_cast<FoundWindow*>(context);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char className[64] = {};
    GetClassNameA(window, className, sizeof className);
    if (process == found->process && std::string(className) == "LANTERNPANE_WINDOW") {
        found->window = window;
        return FALSE;
    }
    return TRUE;
}

std::string windowTitle(HWND window) {
    char title[2048] = {};
    GetWindowTextA(window, title, sizeof title);
    return title;
}

struct ProgramRun {
    PROCESS_INFORMATION process = {};
    HWND window = nullptr;
};

// Starts the program with the given arguments and waits until its window
// shows the final title (the title changes once the start-up navigation is
// over).
ProgramRun start(const std::string& arguments, const std::string& expectedTitle) {
    ProgramRun run;
    std::string program = testing_support::nativePath(TARNWICK_BINARY_DIR "/Lanternpane.exe");
    std::string commandLine = "\"" + program + "\"" + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (!CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &run.process)) {
        ADD_FAILURE() << "cannot start " << program << ": " << GetLastError();
        return run;
    }
    for (int i = 0; i < 600; ++i) {
        FoundWindow found = {run.process.dwProcessId, nullptr};
        EnumWindows(findProgramWindow, reinterpret_cast<LPARAM>(&found));
        if (found.window != nullptr && windowTitle(found.window) == expectedTitle) {
            run.window = found.window;
            break;
        }
        Sleep(100);
    }
    EXPECT_NE(run.window, nullptr) << "no window titled \"" << expectedTitle << "\"";
    return run;
}

// File > Close, then the exit code.
DWORD closeAndWait(ProgramRun& run) {
    DWORD exitCode = STILL_ACTIVE;
    if (run.window != nullptr) PostMessageA(run.window, WM_COMMAND, IDM_LANTERNPANE_CLOSE, 0);
    if (WaitForSingleObject(run.process.hProcess, 30000) != WAIT_OBJECT_0) {
        TerminateProcess(run.process.hProcess, 99);
        ADD_FAILURE() << "Lanternpane did not end after File > Close";
    }
    GetExitCodeProcess(run.process.hProcess, &exitCode);
    CloseHandle(run.process.hThread);
    CloseHandle(run.process.hProcess);
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
    } const cases[] = {
        {"no command line", "", " - Lanternpane"},
        {"a path with spaces, unquoted", " " + page, page + " - Lanternpane"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ProgramRun run = start(c.arguments, c.title);
        if (run.process.hProcess == nullptr) continue;
        if (c.arguments.empty() && run.window != nullptr) {
            testing_support::saveScreenshot(run.window, "LanternpaneProgram");
        }
        EXPECT_EQ(closeAndWait(run), 0u);
    }
}

// On a 150 % screen the bar grows with the DPI: the Back and Forward
// buttons are half again as large as on a 100 % screen, the page below them.
TEST(LanternpaneProgramTest, TheBarGrowsWithTheScreensDpi) {
    RECT back[2] = {};
    RECT forward[2] = {};
    const DWORD dpis[2] = {96, 144};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(dpis[i]);
        testing_support::ScreenDpi screen(dpis[i]);
        ProgramRun run = start("", " - Lanternpane");
        if (run.process.hProcess == nullptr) continue;
        if (run.window != nullptr) {
            GetClientRect(GetDlgItem(run.window, IDC_LANTERNPANE_BACK), &back[i]);
            GetClientRect(GetDlgItem(run.window, IDC_LANTERNPANE_FORWARD), &forward[i]);
            if (i == 1) testing_support::saveScreenshot(run.window, "LanternpaneProgram-144dpi");
        }
        EXPECT_EQ(closeAndWait(run), 0u);
    }
    for (const RECT* button : {back, forward}) {
        EXPECT_NEAR(button[1].right, button[0].right * 1.5, 1);
        EXPECT_NEAR(button[1].bottom, button[0].bottom * 1.5, 1);
    }
}

}  // namespace
