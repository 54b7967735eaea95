#include <windows.h>

#include <gtest/gtest.h>

#include "ProgramDriver.h"
#include "testing/Screenshot.h"
#include "testing/Waiting.h"

using namespace program_driver;

TEST(TarnwickProgram, OpensItsWindowAndEndsWithZeroWhenClosed) {
    ChildProcess tarnwick;
    ASSERT_TRUE(tarnwick.start("\"" + tarnwickPath() + "\"")) << GetLastError();

    // The first start in a new prefix can be slow on a loaded machine.
    HWND window = waitForMainWindow(tarnwick.id(), 180000);
    ASSERT_NE(window, nullptr) << "no main window";
    testing_support::pumpFor(500);
    EXPECT_FALSE(testing_support::saveScreenshot(window, "Tarnwick").empty());

    PostMessageA(window, WM_CLOSE, 0, 0);
    DWORD exitCode = 1;
    ASSERT_TRUE(tarnwick.waitForExit(30000, exitCode));
    EXPECT_EQ(exitCode, 0u);
}
