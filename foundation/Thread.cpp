#include "Thread.h"

#include <windows.h>
#include <process.h>

#include <utility>

#include "Exception.h"
#include "Log.h"

// The object is handed over through this block so that a thread whose
// object is deleted before start() can still be let go: it then finds no
// object and ends.
struct Thread::Launch {
    Thread* object;
};

namespace {

// Waits for object while handing the calling thread the messages sent to
// its windows (a SendMessage to one of them would otherwise wait for this
// wait to end).
bool waitServingSentMessages(HANDLE object, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD spent = GetTickCount() - start;
        const DWORD left = timeoutMs == INFINITE ? INFINITE : spent >= timeoutMs ? 0 : timeoutMs - spent;
        const DWORD woken = MsgWaitForMultipleObjectsEx(1, &object, left, QS_SENDMESSAGE, MWMO_INPUTAVAILABLE);
        if (woken == WAIT_OBJECT_0) return true;
        if (woken != WAIT_OBJECT_0 + 1) return false;
        // Peeking delivers the sent messages; with this filter it removes
        // nothing from the posted queue.
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

}  // namespace

Thread::Thread(void* owner, unsigned stackSize, int value)
    : owner_(owner), value_(value), launch_(new Launch{this}) {
    SECURITY_ATTRIBUTES attributes = {};
    attributes.nLength = sizeof attributes;
    attributes.bInheritHandle = TRUE;
    // The run-time library's start function, so that its facilities work
    // inside run().
    uintptr_t handle = _beginthreadex(&attributes, stackSize, procedure, launch_, CREATE_SUSPENDED, &threadId_);
    if (handle == 0) {
        DWORD error = GetLastError();
        delete launch_;
        throw Exception("Thread#Thread,1,Failed to create a thread", static_cast<int>(error));
    }
    handle_.reset(reinterpret_cast<HANDLE>(handle));
}

Thread::~Thread() {
    if (launch_ != nullptr && handle_) {
        // Never started: the suspended thread would wait for ever.
        launch_->object = nullptr;
        launch_ = nullptr;
        ResumeThread(handle_.get());
    }
}

void Thread::start() {
    if (!handle_ || launch_ == nullptr) return;
    // From here on the block belongs to the new thread.
    launch_ = nullptr;
    ResumeThread(handle_.get());
}

bool Thread::join(DWORD timeoutMs) {
    // Suspended until start() or the destructor: it could not end meanwhile.
    if (launch_ != nullptr) return true;
    return waitServingSentMessages(handle_.get(), timeoutMs);
}

unsigned __stdcall Thread::procedure(void* argument) {
    Launch* launch = static_cast<Launch*>(argument);
    Thread* thread = launch != nullptr ? launch->object : nullptr;
    delete launch;
    if (thread == nullptr) return 1;
    // The object may be gone once run() returns: touch nothing of it after.
    try {
        thread->run();
    } catch (const Exception& e) {
        logError("Thread#procedure,1,Exception code=%d message=%s", e.getErrorCode(),
                 e.getMessage() != nullptr ? e.getMessage() : "");
    } catch (...) {
        logError("Thread#procedure,2,Unexpected exception");
    }
    return 1;
}
