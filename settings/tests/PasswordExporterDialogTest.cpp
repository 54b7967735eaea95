#include "settings/PasswordExporterDialog.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "resources/TarnwickIds.h"
#include "testing/ModalDriver.h"
#include "testing/Screenshot.h"
#include "wingui/CommonDialogs.h"

using namespace testing_support;

namespace {

const char kTitle[] = "Password Exporter";

void putOnClipboard(const std::string& text) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    memcpy(GlobalLock(memory), text.c_str(), text.size() + 1);
    GlobalUnlock(memory);
    SetClipboardData(CF_TEXT, memory);
    CloseClipboard();
}

std::string clipboardText() {
    std::string text;
    if (!OpenClipboard(nullptr)) return "(clipboard not opened)";
    HANDLE data = GetClipboardData(CF_TEXT);
    if (data != nullptr) {
        const char* p = static_cast<const char*>(GlobalLock(data));
        if (p != nullptr) text = p;
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

INT_PTR showExporter(HWND owner, const char* name, const char* password, std::vector<ModalDriver::Step> steps) {
    INT_PTR result = -1;
    ModalDriver::run(
        [&] {
            PasswordExporterDialog dialog;
            dialog.prepare(owner);
            result = dialog.show(name, password);
        },
        std::move(steps));
    return result;
}

}  // namespace

TEST(PasswordExporterDialog, ShowsNameAndPasswordAndCopiesTheFieldAsTyped) {
    HWND owner = sharedOwnerWindow();
    putOnClipboard("something older");
    HWND dialog = nullptr;
    INT_PTR result = showExporter(
        owner, "Quarterly Report 2026.docx", "3f9a0c41be27d5e",
        {[&] { return (dialog = findThreadWindow(kTitle)) != nullptr; },
         [&] {
             EXPECT_EQ(windowText(GetDlgItem(dialog, IDC_EXPORTED_FILENAME)), "Quarterly Report 2026.docx");
             EXPECT_EQ(windowText(GetDlgItem(dialog, IDC_EXPORTED_PASSWORD)), "3f9a0c41be27d5e");
             EXPECT_TRUE(isCentredOver(dialog, owner));
             EXPECT_FALSE(saveScreenshot(dialog, "PasswordExporter").empty());
             // The user overtypes the field: the copy takes what it shows.
             typeInto(GetDlgItem(dialog, IDC_EXPORTED_PASSWORD), "typed by hand 42");
             click(dialog, IDC_COPY_PASSWORD);
             return true;
         }});
    EXPECT_EQ(result, PasswordExporterDialog::kCopied);
    EXPECT_EQ(clipboardText(), "typed by hand 42");
}

TEST(PasswordExporterDialog, BusyClipboardKeepsTheDialogOpen) {
    HWND owner = sharedOwnerWindow();
    putOnClipboard("kept");
    // Another thread's window holds the clipboard open until told to let go.
    std::atomic<bool> holding{false};
    std::atomic<bool> release{false};
    std::thread holder([&] {
        HWND window = CreateWindowExA(0, "STATIC", "holder", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        bool opened = OpenClipboard(window) != FALSE;
        holding = true;
        while (opened && !release) Sleep(10);
        if (opened) CloseClipboard();
        DestroyWindow(window);
    });
    while (!holding) Sleep(10);

    HWND dialog = nullptr;
    DWORD clickedAt = 0;
    INT_PTR result = showExporter(owner, "b.docx", "0123456789abcde",
                                  {[&] { return (dialog = findThreadWindow(kTitle)) != nullptr; },
                                   [&] {
                                       click(dialog, IDC_COPY_PASSWORD);
                                       clickedAt = GetTickCount();
                                       return true;
                                   },
                                   [&] { return GetTickCount() - clickedAt > 500; },
                                   [&] {
                                       EXPECT_TRUE(IsWindow(dialog)) << "closed although nothing was copied";
                                       release = true;
                                       click(dialog, IDOK);
                                       return true;
                                   }});
    release = true;
    holder.join();
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(clipboardText(), "kept");
}

TEST(CenterWindow, KeepsTheWindowOnThePrimaryScreen) {
    int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    struct Case {
        const char* what;
        int parentX, parentY;
        int expectedX, expectedY;  // -1: centred
    } cases[] = {
        {"centred", 300, 200, -1, -1},
        {"near the bottom right corner", screenWidth - 150, screenHeight - 100, screenWidth - 400,
         screenHeight - 300},
        {"above and left of the screen", -500, -400, 0, 0},
    };
    OwnerWindow window(0, 0, 400, 300, false);
    for (const Case& c : cases) {
        OwnerWindow parent(c.parentX, c.parentY, 500, 400, false);
        centerWindow(window.get(), parent.get());
        RECT r;
        GetWindowRect(window.get(), &r);
        EXPECT_EQ(r.right - r.left, 400) << c.what;
        if (c.expectedX < 0) {
            EXPECT_TRUE(isCentredOver(window.get(), parent.get())) << c.what;
        } else {
            EXPECT_EQ(r.left, c.expectedX) << c.what;
            EXPECT_EQ(r.top, c.expectedY) << c.what;
        }
        EXPECT_TRUE(IsWindowVisible(window.get()));
    }
}
