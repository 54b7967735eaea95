#include <windows.h>

#include <gtest/gtest.h>

#include "ProgramDriver.h"

#include <string>

#include "testing/Screenshot.h"
#include "testing/TestPaths.h"

namespace {

std::string programPath() { return testing_support::nativePath(TARNWICK_BINARY_DIR) + "\\Tarnwick.exe"; }

HWND waitForTopLevel(DWORD processId, const char* title, DWORD timeoutMs) {
    struct Search {
        DWORD processId;
        const char* title;
        HWND found;
    } search = {processId, title, nullptr};
    DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        EnumWindows(
            [](HWND window, LPARAM data) -> BOOL {
                auto* s = reinterpret_cast<Search*>(data);
                DWORD owner = 0;
                GetWindowThreadProcessId(window, &owner);
                char text[256] = {};
                GetWindowTextA(window, text, sizeof text);
                const std::string shown(text);
                const std::string end(s->title);
                // The main window's title is "Tarnwick" until it shows a
                // folder, then "<folder> - Tarnwick"; the start-up's monitor
                // window is not it.
                const bool named = shown == "Tarnwick" || (shown.size() >= end.size() &&
                                                           shown.compare(shown.size() - end.size(), end.size(), end) == 0);
                if (owner == s->processId && IsWindowVisible(window) && named &&
                    shown != "Office Applications - Tarnwick") {
                    s->found = window;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr) return search.found;
        program_driver::pause(100);
    }
    return nullptr;
}

// Ends the program if a test leaves it running.
struct ProcessGuard {
    PROCESS_INFORMATION& process;
    ~ProcessGuard() {
        if (process.hProcess == nullptr) return;
        if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process.hProcess, 99);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
};

}  // namespace

TEST(TarnwickProgram, OpensItsWindowAndEndsWithZeroWhenClosed) {
    std::string commandLine = "\"" + programPath() + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               &process))
        << GetLastError();
    ProcessGuard guard{process};

    // The first start in a new prefix can be slow on a loaded machine.
    HWND window = waitForTopLevel(process.dwProcessId, " - Tarnwick", 180000);
    ASSERT_NE(window, nullptr) << "no main window";
    program_driver::pause(500);
    EXPECT_FALSE(testing_support::saveScreenshot(window, "Tarnwick").empty());

    PostMessageA(window, WM_CLOSE, 0, 0);
    ASSERT_EQ(WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0);
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    EXPECT_EQ(exitCode, 0u);
}
