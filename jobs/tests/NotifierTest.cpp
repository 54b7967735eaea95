#include "jobs/Notifier.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "jobs/tests/JobsTestSupport.h"
#include "resources/TarnwickIds.h"
#include "testing/Screenshot.h"
#include "wingui/MessagePump.h"

namespace {

using namespace jobs_test;

HINSTANCE instance() { return GetModuleHandleA(nullptr); }

class NotifierTest : public ::testing::Test {
protected:
    void SetUp() override { CoInitialize(nullptr); }
    void TearDown() override {
        settle();
        CoUninitialize();
    }
};

}  // namespace

TEST_F(NotifierTest, RowsAreSortedByNameAndFailuresAreRedWithTheFailureImage) {
    EncryptionNotifier notifier(instance());
    notifier.create(nullptr, GetCurrentThreadId());
    HWND window = notifier.getWindow();
    ASSERT_TRUE(window);
    EXPECT_EQ(windowText(window), "Encryption Notifier");
    EXPECT_EQ(windowText(GetDlgItem(window, kNotifierStatusId)), "Encrypting Office 2003/2007 or Acrobat PDF files. ");
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(window, kNotifierCancelId)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window, kNotifierCloseId)));

    const char* paths[] = {"C:\\Reports\\Charlie & Co.pdf", "C:\\Reports\\Alpha.pdf", "Bravo budget.xls"};
    notifier.setStatus("Encrypting (1/3): 'C:\\Reports\\Charlie & Co.pdf'");
    notifier.addResult(paths[0], "OK", true);
    notifier.setStatus("Encrypting (2/3): 'C:\\Reports\\Alpha.pdf'");
    notifier.addResult(paths[1], "NG", false);
    // Longer than the status line: shown with an ellipsis in the middle.
    const char longStatus[] =
        "Encrypting (3/3): 'C:\\Users\\somebody\\Documents\\Quarterly reports of the northern region\\2026\\"
        "Second half\\Bravo budget.xls'";
    notifier.setStatus(longStatus);
    notifier.addResult(paths[2], "OK", true);
    settle();

    HWND list = GetDlgItem(window, kNotifierListId);
    ASSERT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 3);
    struct Row {
        const char* name;
        const char* result;
        LPARAM success;
    } const rows[] = {{"Alpha.pdf", "NG", 0}, {"Bravo budget.xls", "OK", 1}, {"Charlie & Co.pdf", "OK", 1}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(itemText(list, i, 0), rows[i].name);
        EXPECT_FALSE(itemText(list, i, 1).empty()) << "type name of " << rows[i].name;
        EXPECT_EQ(itemText(list, i, 2), rows[i].result);
        EXPECT_EQ(itemOf(list, i).lParam, rows[i].success);
    }
    // Success and failure rows show different images, both present.
    EXPECT_GE(itemOf(list, 0).iImage, 0);
    EXPECT_GE(itemOf(list, 1).iImage, 0);
    EXPECT_NE(itemOf(list, 0).iImage, itemOf(list, 1).iImage);
    EXPECT_EQ(itemOf(list, 1).iImage, itemOf(list, 2).iImage);

    // The list's custom draw: red text for a failed row, the list's own
    // colour otherwise, for the item and sub-item stages.
    for (DWORD stage : {DWORD(CDDS_ITEMPREPAINT), DWORD(CDDS_ITEMPREPAINT | CDDS_SUBITEM)}) {
        for (LPARAM success : {LPARAM(0), LPARAM(1)}) {
            NMLVCUSTOMDRAW draw = {};
            draw.nmcd.hdr.hwndFrom = list;
            draw.nmcd.hdr.idFrom = kNotifierListId;
            draw.nmcd.hdr.code = NM_CUSTOMDRAW;
            draw.nmcd.dwDrawStage = stage;
            draw.nmcd.lItemlParam = success;
            LRESULT answer = SendMessageA(window, WM_NOTIFY, kNotifierListId, reinterpret_cast<LPARAM>(&draw));
            EXPECT_EQ(answer, CDRF_NOTIFYITEMDRAW | CDRF_NOTIFYPOSTPAINT);
            EXPECT_EQ(draw.clrText, success ? static_cast<COLORREF>(SendMessageA(list, LVM_GETTEXTCOLOR, 0, 0))
                                            : RGB(255, 0, 0));
        }
    }
    EXPECT_EQ(windowText(GetDlgItem(window, kNotifierStatusId)), longStatus);
    EXPECT_FALSE(testing_support::saveScreenshot(window, "EncryptionNotifierRunning").empty());
}

TEST_F(NotifierTest, CancelAsksAndOnlyOkSendsTheCancelMessage) {
    struct Case {
        bool decryption;
        UINT trigger;  // the Cancel button or the close box
        int answer;
        const char* screenshot;
    } const cases[] = {
        {false, WM_COMMAND, IDCANCEL, "EncryptionCancelQuestion"},
        {false, WM_COMMAND, IDOK, nullptr},
        {true, WM_CLOSE, IDCANCEL, "DecryptionCancelQuestion"},
        {true, WM_COMMAND, IDOK, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.decryption ? "decryption " : "encryption ") +
                     (c.trigger == WM_CLOSE ? "close box " : "Cancel ") + (c.answer == IDOK ? "OK" : "Cancel"));
        EncryptionNotifier encryption(instance());
        DecryptionNotifier decryption(instance());
        Notifier& notifier = c.decryption ? static_cast<Notifier&>(decryption) : encryption;
        notifier.create(nullptr, GetCurrentThreadId());
        HWND window = notifier.getWindow();
        ASSERT_TRUE(window);
        settle();

        MessageBoxAnswer answer(c.decryption ? "Decryption Notifier" : "Encodding Notifier", c.answer, c.screenshot);
        if (c.trigger == WM_CLOSE) {
            SendMessageA(window, WM_CLOSE, 0, 0);
        } else {
            SendMessageA(window, WM_COMMAND, MAKEWPARAM(kNotifierCancelId, BN_CLICKED), 0);
        }
        ASSERT_TRUE(answer.wait()) << "no cancel question";
        ASSERT_TRUE(IsWindow(window));

        const bool confirmed = c.answer == IDOK;
        EXPECT_EQ(pumpPendingMessages(0, WM_JOB_CANCEL, true).sawWatched, confirmed);
        EXPECT_EQ(IsWindowEnabled(GetDlgItem(window, kNotifierCancelId)) != FALSE, !confirmed);
        EXPECT_EQ(GetWindowLongPtrA(window, GWLP_USERDATA), confirmed ? 0 : LONG_PTR(GetCurrentThreadId()));
        if (confirmed) {
            // Once the cancel has gone out, a close request closes at once.
            SendMessageA(window, WM_CLOSE, 0, 0);
            EXPECT_FALSE(IsWindow(window));
            notifier.setStatus("after");  // no window: no effect
            notifier.waitUntilClosed();
        }
    }
}

TEST_F(NotifierTest, AfterFinishCloseNeedsNoAnswer) {
    for (bool closeBox : {true, false}) {
        SCOPED_TRACE(closeBox ? "close box" : "Close button");
        HWND parent = CreateWindowExA(0, "static", "owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, instance(), nullptr);
        EnableWindow(parent, FALSE);
        DecryptionNotifier notifier(instance());
        notifier.create(parent, GetCurrentThreadId());
        HWND window = notifier.getWindow();
        ASSERT_TRUE(window);
        notifier.addResult("C:\\a.pdf", "OK", true);
        notifier.addResult("C:\\b.docx", "SKIPPED", false);
        const char tally[] = "Decryption Result: Total=2   Scucceeded=1   Failed=1";
        notifier.finish(tally);
        settle();
        EXPECT_EQ(windowText(GetDlgItem(window, kNotifierStatusId)), tally);
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(window, kNotifierCloseId)));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window, kNotifierCancelId)));
        if (closeBox) {
            EXPECT_FALSE(testing_support::saveScreenshot(window, "DecryptionNotifierFinished").empty());
        }

        // The user's click arrives while the job waits for the window to go.
        if (closeBox) {
            PostMessageA(window, WM_CLOSE, 0, 0);
        } else {
            PostMessageA(GetDlgItem(window, kNotifierCloseId), BM_CLICK, 0, 0);
        }
        notifier.waitUntilClosed();
        EXPECT_FALSE(IsWindow(window));
        notifier.hide();
        EXPECT_TRUE(IsWindowEnabled(parent));
        notifier.close();
        EXPECT_EQ(notifier.getWindow(), nullptr);
        DestroyWindow(parent);
    }
}

TEST_F(NotifierTest, EncryptionAndDecryptionNotifiersShowSideBySide) {
    EncryptionNotifier encryption(instance());
    DecryptionNotifier decryption(instance());
    encryption.create(nullptr, GetCurrentThreadId());
    decryption.create(nullptr, GetCurrentThreadId());
    ASSERT_TRUE(encryption.getWindow());
    ASSERT_TRUE(decryption.getWindow());
    settle();
    char name[64];
    GetClassNameA(encryption.getWindow(), name, sizeof name);
    EXPECT_STREQ(name, "_EncodingNotifier_");
    GetClassNameA(decryption.getWindow(), name, sizeof name);
    EXPECT_STREQ(name, "_DecodingNotifier_");
    EXPECT_TRUE(IsWindowVisible(encryption.getWindow()));
    EXPECT_TRUE(IsWindowVisible(decryption.getWindow()));
    EXPECT_EQ(windowText(decryption.getWindow()), "Decryption Notifier");
    EXPECT_EQ(windowText(GetDlgItem(decryption.getWindow(), kNotifierStatusId)),
              "Decrypting Office 2003/2007 or Acrobat PDF files.");
    EXPECT_FALSE(testing_support::saveScreenshot(decryption.getWindow(), "DecryptionNotifierStarted").empty());

    // The job hides and closes its notifier; the other stays.
    encryption.hide();
    encryption.close();
    EXPECT_EQ(encryption.getWindow(), nullptr);
    EXPECT_TRUE(IsWindowVisible(decryption.getWindow()));

    // Without its window every call does nothing: no window comes back and
    // the other notifier shows what it showed.
    encryption.setStatus("text");
    encryption.addResult("C:\\a.pdf", "OK", true);
    encryption.finish("tally");
    encryption.waitUntilClosed();  // returns at once
    encryption.hide();
    encryption.close();
    settle();
    EXPECT_EQ(FindWindowA("_EncodingNotifier_", nullptr), nullptr);
    EXPECT_TRUE(IsWindowVisible(decryption.getWindow()));
    EXPECT_EQ(windowText(GetDlgItem(decryption.getWindow(), kNotifierStatusId)),
              "Decrypting Office 2003/2007 or Acrobat PDF files.");
    EXPECT_EQ(ListView_GetItemCount(GetDlgItem(decryption.getWindow(), kNotifierListId)), 0);
}

// The arrangement of a real job: the notifier belongs to a worker thread
// whose loop pumps before each file, its owner to this thread.
namespace {

std::atomic<int> jobsDone{0};

LRESULT CALLBACK fileListProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_JOB_DONE) ++jobsDone;
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

TEST_F(NotifierTest, AJobThreadHearsTheCancelBeforeItsNextFileAndReportsWhenClosed) {
    WNDCLASSA fileList = {};
    fileList.lpfnWndProc = fileListProcedure;
    fileList.hInstance = instance();
    fileList.lpszClassName = "JobsTestFileList";
    RegisterClassA(&fileList);
    HWND owner = CreateWindowExA(0, "JobsTestFileList", "file list", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 instance(), nullptr);
    jobsDone = 0;
    std::atomic<HWND> window{nullptr};
    std::atomic<int> files{0};
    const int total = 200;
    std::thread job([&] {
        EncryptionNotifier notifier(instance());
        notifier.create(owner, GetCurrentThreadId());
        window = notifier.getWindow();
        int succeeded = 0;
        for (int index = 1; index <= total; ++index) {
            if (pumpPendingMessages(10, WM_JOB_CANCEL, true).sawWatched) break;
            const std::string path = "C:\\Docs\\file " + std::to_string(index) + ".pdf";
            notifier.setStatus(("Encrypting: '" + path + "'").c_str());
            Sleep(20);
            notifier.addResult(path.c_str(), "OK", true);
            ++succeeded;
            ++files;
        }
        notifier.finish(("Total=" + std::to_string(succeeded)).c_str());
        notifier.waitUntilClosed();
        notifier.hide();
        notifier.close();
        PostMessageA(owner, WM_JOB_DONE, 0, 0);
    });
    // Runs this thread's messages until done() or ten seconds have passed.
    auto pumpUntil = [](auto done) {
        for (int i = 0; i < 1000 && !done(); ++i) {
            settle();
        }
        return done();
    };
    EXPECT_TRUE(pumpUntil([&] { return files >= 2; }));
    {
        MessageBoxAnswer answer("Encodding Notifier", IDOK);
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(kNotifierCancelId, BN_CLICKED), 0);
        EXPECT_TRUE(pumpUntil([&] { return IsWindowEnabled(GetDlgItem(window, kNotifierCloseId)) != FALSE; }));
        EXPECT_TRUE(answer.wait());
    }
    const int done = files;
    EXPECT_LT(done, total);
    EXPECT_EQ(SendMessageA(GetDlgItem(window, kNotifierListId), LVM_GETITEMCOUNT, 0, 0), done);
    EXPECT_EQ(windowText(GetDlgItem(window, kNotifierStatusId)), "Total=" + std::to_string(done));

    PostMessageA(window, WM_CLOSE, 0, 0);  // no question any more
    EXPECT_TRUE(pumpUntil([&] { return jobsDone == 1; }));
    job.join();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(files, done);
    DestroyWindow(owner);
}
