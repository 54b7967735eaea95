#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>

#include "foundation/Exception.h"
#include "foundation/Thread.h"
#include "testing/ModalDriver.h"
#include "testing/ThreadProbe.h"

namespace {

// What a test thread reports; it outlives the Thread objects.
struct Record {
    std::atomic<int> runs{0};
    std::atomic<DWORD> runThread{0};
    std::atomic<bool> destroyed{false};
    HANDLE started = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    // SendToJoiner: a window of the test's thread that run() sends its text to.
    HWND joinerWindow = nullptr;
    ~Record() {
        CloseHandle(started);
        CloseHandle(release);
    }
};

enum class Behaviour { Record, WaitForRelease, DeleteItself, Throw, SendToJoiner };

class TestThread : public Thread {
public:
    TestThread(Record& record, Behaviour behaviour) : Thread(nullptr, 0, 0), record_(record), behaviour_(behaviour) {}
    ~TestThread() override { record_.destroyed = true; }

    void run() override {
        // Locals only after the start is signalled: the object may be gone.
        Record& record = record_;
        Behaviour behaviour = behaviour_;
        record.runs++;
        record.runThread = GetCurrentThreadId();
        if (behaviour == Behaviour::DeleteItself) {
            delete this;
            SetEvent(record.started);
            return;
        }
        SetEvent(record.started);
        if (behaviour == Behaviour::WaitForRelease) WaitForSingleObject(record.release, INFINITE);
        if (behaviour == Behaviour::Throw) throw Exception("TestThread#run,1,failure", 7);
        if (behaviour == Behaviour::SendToJoiner) {
            SendMessageA(record.joinerWindow, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("sent from run"));
        }
    }

private:
    Record& record_;
    Behaviour behaviour_;
};

using testing_support::observeThread;

DWORD exitCodeAfterEnd(const unique_handle& thread) {
    EXPECT_EQ(WaitForSingleObject(thread.get(), 10000), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeThread(thread.get(), &code);
    return code;
}

}  // namespace

TEST(Thread, RunsOnceOnItsOwnThreadAfterStart) {
    Record record;
    auto* thread = new TestThread(record, Behaviour::Record);
    unique_handle handle = observeThread(*thread);
    ASSERT_TRUE(handle);
    Sleep(100);
    EXPECT_EQ(record.runs, 0);
    thread->start();
    EXPECT_TRUE(thread->join(10000));
    EXPECT_EQ(WaitForSingleObject(handle.get(), 0), WAIT_OBJECT_0) << "join returned before the thread ended";
    EXPECT_TRUE(thread->join(0)) << "an ended thread joins again at once";
    EXPECT_EQ(exitCodeAfterEnd(handle), 1u);
    EXPECT_EQ(record.runs, 1);
    EXPECT_EQ(record.runThread, thread->getThreadId());
    EXPECT_NE(record.runThread, GetCurrentThreadId());
    delete thread;
    EXPECT_TRUE(record.destroyed);
}

TEST(Thread, DestructorNeverWaits) {
    Record record;
    auto* thread = new TestThread(record, Behaviour::WaitForRelease);
    unique_handle handle = observeThread(*thread);
    thread->start();
    ASSERT_EQ(WaitForSingleObject(record.started, 10000), WAIT_OBJECT_0);
    ULONGLONG before = GetTickCount64();
    EXPECT_FALSE(thread->join(300)) << "the thread is still running";
    const ULONGLONG waited = GetTickCount64() - before;
    EXPECT_GE(waited, 250u);
    EXPECT_LT(waited, 2000u);
    before = GetTickCount64();
    delete thread;
    EXPECT_LT(GetTickCount64() - before, 1000u);
    EXPECT_EQ(WaitForSingleObject(handle.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "the thread must still run";
    SetEvent(record.release);
    EXPECT_EQ(exitCodeAfterEnd(handle), 1u);
}

TEST(Thread, JobDeletingItselfAndFailingJobs) {
    Record deleting;
    auto* thread = new TestThread(deleting, Behaviour::DeleteItself);
    unique_handle handle = observeThread(*thread);
    thread->start();
    EXPECT_EQ(exitCodeAfterEnd(handle), 1u);
    EXPECT_TRUE(deleting.destroyed);
    EXPECT_EQ(deleting.runs, 1);

    // An exception never leaves the thread's entry: the thread ends normally.
    Record throwing;
    auto* failing = new TestThread(throwing, Behaviour::Throw);
    handle = observeThread(*failing);
    failing->start();
    EXPECT_EQ(exitCodeAfterEnd(handle), 1u);
    delete failing;
}

TEST(Thread, DeletedBeforeStartEndsWithoutRunning) {
    Record record;
    auto* thread = new TestThread(record, Behaviour::Record);
    unique_handle handle = observeThread(*thread);
    ASSERT_TRUE(handle);
    // Nothing to wait for, and no waiting for a thread that would never end.
    const ULONGLONG before = GetTickCount64();
    EXPECT_TRUE(thread->join(INFINITE));
    EXPECT_LT(GetTickCount64() - before, 1000u);
    EXPECT_EQ(WaitForSingleObject(handle.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "still suspended";
    delete thread;
    EXPECT_EQ(exitCodeAfterEnd(handle), 1u);
    EXPECT_EQ(record.runs, 0);
}

// A run() that sends to a window of the joining thread ends while the
// joiner waits: join serves the sent message instead of waiting for ever.
TEST(Thread, JoinServesWhatRunSendsToTheJoinersWindows) {
    Record record;
    record.joinerWindow = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(record.joinerWindow, nullptr);
    TestThread thread(record, Behaviour::SendToJoiner);
    thread.start();
    EXPECT_TRUE(thread.join(10000));
    EXPECT_EQ(testing_support::windowText(record.joinerWindow), "sent from run");
    DestroyWindow(record.joinerWindow);
}
