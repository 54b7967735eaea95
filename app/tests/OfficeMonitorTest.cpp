#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "ProgramDriver.h"
#include "app/OfficeMonitor.h"
#include "testing/ModalDriver.h"
#include "testing/ThreadProbe.h"
#include "testing/Waiting.h"
#include "wingui/ListView.h"

using program_driver::OwnWindow;

namespace {

// A report list with the monitor's three columns, in the shared visible
// window of the tests (hiding or destroying a visible top-level window costs
// two seconds on the test display).
class TestList {
public:
    TestList() : host_(testing_support::sharedOwnerWindow()) {
        list_ = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SORTASCENDING, 0, 0, 400,
                                200, host_, nullptr, GetModuleHandleA(nullptr), nullptr);
        const ListColumn columns[] = {{"Application Name", 240}, {"User Name", 120}, {"Domain Name", 120}};
        listAddColumns(list_, columns);
    }
    ~TestList() { DestroyWindow(list_); }
    TestList(const TestList&) = delete;
    TestList& operator=(const TestList&) = delete;
    HWND get() const { return list_; }
    HWND host() const { return host_; }
    // The row whose first column is title, or -1.
    int rowOf(const std::string& title) const {
        for (int row = 0; row < listRowCount(list_); ++row) {
            if (listGetCell(list_, row, 0) == title) return row;
        }
        return -1;
    }

private:
    HWND host_;
    HWND list_;
};

struct Owner {
    std::string user;
    std::string domain;
};

Owner ownerOfThisProcess() {
    char user[300] = {};
    char domain[300] = {};
    EXPECT_TRUE(getProcessOwner(GetCurrentProcessId(), user, sizeof user, domain, sizeof domain));
    return {user, domain};
}

}  // namespace

TEST(ProcessOwner, IsTheUserWhoRunsTheProcess) {
    char expectedUser[300] = {};
    DWORD size = sizeof expectedUser;
    ASSERT_TRUE(GetUserNameA(expectedUser, &size));
    const Owner owner = ownerOfThisProcess();
    EXPECT_EQ(owner.user, expectedUser);
    EXPECT_FALSE(owner.domain.empty());
}

TEST(ProcessOwner, NamesAreCutToTheBuffers) {
    const Owner full = ownerOfThisProcess();
    char user[3] = {'x', 'x', 'x'};
    char domain[2] = {'x', 'x'};
    ASSERT_TRUE(getProcessOwner(GetCurrentProcessId(), user, sizeof user, domain, sizeof domain));
    EXPECT_EQ(std::string(user), full.user.substr(0, 2));
    EXPECT_EQ(std::string(domain), full.domain.substr(0, 1));
}

TEST(ProcessOwner, FailsForAProcessThatDoesNotExist) {
    char user[64] = {};
    char domain[64] = {};
    EXPECT_FALSE(getProcessOwner(0xFFFFFFF0u, user, sizeof user, domain, sizeof domain));
}

TEST(OfficeMonitorCollect, ListsVisibleOfficeFramesWithTheirOwner) {
    OwnWindow word("OpusApp", "Collect.doc - Word test", true);
    OwnWindow powerPoint("pp12frameclass", "Collect.ppt - PowerPoint test", true);
    ASSERT_NE(word.get(), nullptr);
    ASSERT_NE(powerPoint.get(), nullptr);
    TestList list;
    EnumWindows(OfficeMonitor_EnumWindowsProc, reinterpret_cast<LPARAM>(list.get()));

    const Owner owner = ownerOfThisProcess();
    for (const char* title : {"Collect.doc - Word test", "Collect.ppt - PowerPoint test"}) {
        SCOPED_TRACE(title);
        const int row = list.rowOf(title);
        ASSERT_GE(row, 0);
        EXPECT_EQ(listGetCell(list.get(), row, 1), owner.user);
        EXPECT_EQ(listGetCell(list.get(), row, 2), owner.domain);
    }
}

TEST(OfficeMonitorCollect, SkipsInvisibleOwnedAndOtherWindows) {
    testing_support::OwnerWindow owner(0, 0, 100, 100, false);
    OwnWindow hidden("OpusApp", "Hidden.doc - Word test", false);
    OwnWindow owned("XLMAIN", "Owned.xls - Excel test", true, owner.get());
    OwnWindow other("TarnwickTestEditor", "Mentions Microsoft Word - Word test", true);
    TestList list;
    EnumWindows(OfficeMonitor_EnumWindowsProc, reinterpret_cast<LPARAM>(list.get()));
    EXPECT_EQ(list.rowOf("Hidden.doc - Word test"), -1);
    EXPECT_EQ(list.rowOf("Owned.xls - Excel test"), -1);
    EXPECT_EQ(list.rowOf("Mentions Microsoft Word - Word test"), -1);
}

TEST(OfficeApplicationMonitor, ReportsWhenNoOfficeWindowIsOpen) {
    TestList list;
    OfficeApplicationMonitor monitor;
    monitor.setTarget(list.get());
    monitor.start();
    // The first round posts to the list's parent. Peeking serves the list
    // messages that the thread sends meanwhile.
    MSG message;
    const DWORD start = GetTickCount();
    bool posted = false;
    while (!posted && GetTickCount() - start < 30000) {
        posted = PeekMessageA(&message, list.host(), WM_OFFICE_APPS_CLOSED, WM_OFFICE_APPS_CLOSED, PM_REMOVE) != FALSE;
        if (!posted) Sleep(10);
    }
    EXPECT_TRUE(posted) << "an Office window is open on the test display?";
}

// Without a target the thread ends by itself; never started, its system
// thread still ends when the object goes.
TEST(OfficeApplicationMonitor, EndsWithoutATargetAndWhenNeverStarted) {
    auto monitor = std::make_unique<OfficeApplicationMonitor>();
    monitor->start();
    EXPECT_TRUE(monitor->join(30000));
    monitor.reset();

    unique_handle thread;
    {
        OfficeApplicationMonitor idle;
        thread = testing_support::observeThread(idle);
    }
    ASSERT_TRUE(thread);
    EXPECT_EQ(WaitForSingleObject(thread.get(), 30000), WAIT_OBJECT_0) << "the never started thread was left waiting";
}

// The thread may be sending a list message to this thread when the monitor
// is released here: the release must still wait for it, and not for ever.
TEST(OfficeApplicationMonitor, ReleaseWaitsForTheThreadWhileItKeepsPolling) {
    OwnWindow word("OpusApp", "Polled.doc - Word test", true);
    TestList list;
    for (DWORD pause : {0u, 300u, 1000u}) {
        SCOPED_TRACE(pause);
        auto monitor = std::make_unique<OfficeApplicationMonitor>();
        monitor->setTarget(list.get());
        unique_handle thread = testing_support::observeThread(*monitor);
        ASSERT_TRUE(thread);
        monitor->start();
        testing_support::pumpFor(pause);
        if (pause >= 300) {
            EXPECT_GE(list.rowOf("Polled.doc - Word test"), 0);
        }
        monitor.reset();
        EXPECT_EQ(WaitForSingleObject(thread.get(), 0), WAIT_OBJECT_0) << "the thread outlived its object";
    }
}
