#pragma once

// Helpers shared by the jobs tests and the file list's job tests: a window
// that owns the jobs, running a job as the file list's commands do, reading
// a finished notifier, answering the message boxes it opens, and checking
// PDF files with qpdf.

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "UnixRunner.h"
#include "foundation/LinkedList.h"
#include "office/tests/OfficeTestSupport.h"
#include "testing/ModalDriver.h"
#include "testing/Screenshot.h"
#include "testing/Waiting.h"
#include "wingui/Window.h"

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

constexpr char kEncryptionClass[] = "_EncodingNotifier_";
constexpr char kDecryptionClass[] = "_DecodingNotifier_";

// The sample PDF of the jobs tests and the pdftk stand-in of the build tree.
std::string samplePdf();
std::string pdftkStandin();
// A path's Unix name, for tools run from Linux.
std::string unixName(const std::string& path);
// Appends the paths to a job's list of files.
void fill(LinkedList& list, const std::vector<std::string>& paths);

// Stands in for the file list: the owner of the jobs' notifiers, counting
// the WM_JOB_DONE messages that reach it.
class JobOwner : public Window {
public:
    JobOwner();
    int jobsDone = 0;

private:
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// The notifier's status line, read without waiting for its busy thread.
std::string statusOf(HWND notifier);

// A row of a finished notifier.
struct Row {
    std::string type;
    std::string result;
    LPARAM success;
    int image;
};

// A finished notifier as the user sees it before pressing Close.
struct Finished {
    HWND window = nullptr;
    std::string tally;
    std::map<std::string, Row> rows;  // by file name
};

// The visible notifier of the class (kEncryptionClass, kDecryptionClass),
// waited for up to a minute; null when none shows.
HWND waitForNotifier(const char* className);
// Waits for the notifier of the class and for its tally, and reads it; a
// failure of the test when either does not come.
Finished waitForTally(const char* className);
// Presses Close and checks that the owner hears of the job exactly once, and
// not before.
void closeAndExpectOneDone(const Finished& finished, JobOwner& owner);
// Success rows in the list's own colour with the success image, the others
// red with the failure image: the colour follows the item data.
void expectRowMarks(const Finished& finished);

// The PDF opens with the user password derived from its name and with this
// user's owner password, and not without a password.
void expectPdfEncrypted(const std::string& path);
// Not encrypted, and the sample's page text is there.
void expectPdfPlain(const std::string& path);

// Base of the tests that run whole jobs: the Office fixture's folder and
// journal, a working folder, the pdftk stand-in and both rights set, COM,
// and a JobOwner.
class JobsFixture : public office_test::OfficeFixture {
protected:
    void SetUp() override;
    void TearDown() override;

    // A copy of an Office stand-in sample, or of the sample PDF (".pdf"), or
    // a few bytes (anything else), named name in the folder given.
    std::string make(const std::string& name, const std::string& sampleName, const std::string& in = "");
    std::string subfolder(const std::string& name);

    // Starts a job the way the file list's commands do, waits for its tally
    // and leaves the notifier open.
    Finished runUntilTally(bool encrypt, const std::vector<std::string>& paths);
    // The same, then Close, checking that the owner hears of it once.
    Finished run(bool encrypt, const std::vector<std::string>& paths);

    std::string work;
    std::unique_ptr<JobOwner> owner;
};

}  // namespace jobs_test
