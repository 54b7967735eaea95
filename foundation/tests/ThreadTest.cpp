#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>

#include "foundation/Exception.h"
#include "foundation/Thread.h"

namespace {

// What a test thread reports; it outlives the Thread objects.
struct Record {
    std::atomic<int> runs{0};
    std::atomic<DWORD> runThread{0};
    std::atomic<bool> destroyed{false};
    HANDLE started = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ~Record() {
        CloseHandle(started);
        CloseHandle(release);
    }
};

enum class Behaviour { Record, WaitForRelease, DeleteItself, Throw };

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
        if (behaviour == Behaviour::Throw) throw Exception(7, "TestThread#run,1,failure");
    }

private:
    Record& record_;
    Behaviour behaviour_;
};

// A handle of the thread, to wait for its end and read its exit code.
HANDLE openThread(const Thread& thread) {
    return OpenThread(SYNCHRONIZE | THREAD_QUERY_INFORMATION, FALSE, thread.getThreadId());
}

DWORD exitCodeAfterEnd(HANDLE thread) {
    EXPECT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeThread(thread, &code);
    CloseHandle(thread);
    return code;
}

}  // namespace

TEST(Thread, RunsOnceOnItsOwnThreadAfterStart) {
    Record record;
    auto* thread = new TestThread(record, Behaviour::Record);
    HANDLE handle = openThread(*thread);
    ASSERT_NE(handle, nullptr);
    Sleep(100);
    EXPECT_EQ(record.runs, 0);
    thread->start();
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
    HANDLE handle = openThread(*thread);
    thread->start();
    ASSERT_EQ(WaitForSingleObject(record.started, 10000), WAIT_OBJECT_0);
    ULONGLONG before = GetTickCount64();
    delete thread;
    EXPECT_LT(GetTickCount64() - before, 1000u);
    EXPECT_EQ(WaitForSingleObject(handle, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "the thread must still run";
    SetEvent(record.release);
    EXPECT_EQ(exitCodeAfterEnd(handle), 1u);
}

TEST(Thread, JobDeletingItselfAndFailingJobs) {
    Record deleting;
    auto* thread = new TestThread(deleting, Behaviour::DeleteItself);
    HANDLE handle = openThread(*thread);
    thread->start();
    EXPECT_EQ(exitCodeAfterEnd(handle), 1u);
    EXPECT_TRUE(deleting.destroyed);
    EXPECT_EQ(deleting.runs, 1);

    // An exception never leaves the thread's entry: the thread ends normally.
    Record throwing;
    auto* failing = new TestThread(throwing, Behaviour::Throw);
    handle = openThread(*failing);
    failing->start();
    EXPECT_EQ(exitCodeAfterEnd(handle), 1u);
    delete failing;
}
