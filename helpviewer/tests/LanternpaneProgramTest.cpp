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
        ProgramRun run = start(c.arguments, c.title);
        if (run.process.hProcess == nullptr) continue;
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
