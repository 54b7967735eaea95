#pragma once

// Helpers shared by the jobs tests: pumping, reading the notifier's list and
// answering the message boxes it opens.

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "UnixRunner.h"
#include "testing/ModalDriver.h"
#include "testing/Screenshot.h"
#include "testing/Waiting.h"

namespace jobs_test {

// Handles whatever is queued, so that windows paint.
inline void settle() { testing_support::pumpFor(100); }

// Runs qpdf from Linux; its output.
inline std::string qpdf(const std::vector<std::string>& arguments) {
    std::string output;
    EXPECT_GE(unix_runner::run("/usr/bin/qpdf", arguments, &output), 0);
    return output;
}

using testing_support::windowText;

inline std::string itemText(HWND list, int item, int subItem) {
    char text[256] = {};
    LVITEMA request = {};
    request.iSubItem = subItem;
    request.pszText = text;
    request.cchTextMax = sizeof text;
    SendMessageA(list, LVM_GETITEMTEXTA, item, reinterpret_cast<LPARAM>(&request));
    return text;
}

inline LVITEMA itemOf(HWND list, int index) {
    LVITEMA item = {};
    item.mask = LVIF_IMAGE | LVIF_PARAM;
    item.iItem = index;
    SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return item;
}

// Sets an environment variable (inherited by pdftk) for one scope.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : name_(name) { SetEnvironmentVariableA(name, value); }
    ~ScopedEnvironment() { SetEnvironmentVariableA(name_, nullptr); }

private:
    const char* name_;
};

// Waits on another thread for the message box with the given caption (which
// this thread opens), photographs it and presses button in it.
class MessageBoxAnswer {
public:
    MessageBoxAnswer(const char* caption, int button, const char* screenshot = nullptr)
        : thread_([this, caption, button, screenshot] {
              for (int i = 0; i < 500 && !seen_; ++i) {
                  HWND box = FindWindowA("#32770", caption);
                  if (box && IsWindowVisible(box)) {
                      seen_ = true;
                      Sleep(200);
                      if (screenshot) testing_support::saveScreenshot(box, screenshot);
                      PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
                  }
                  Sleep(20);
              }
          }) {}
    ~MessageBoxAnswer() { wait(); }
    bool wait() {
        if (thread_.joinable()) thread_.join();
        return seen_;
    }

private:
    std::atomic<bool> seen_{false};
    std::thread thread_;
};

}  // namespace jobs_test
