#include "Thread.h"

#include <windows.h>
#include <process.h>

#include <utility>

#include "Exception.h"
#include "Log.h"

Thread::Thread(void* owner, unsigned stackSize, int value) : owner_(owner), value_(value) {
    SECURITY_ATTRIBUTES attributes = {};
    attributes.nLength = sizeof attributes;
    attributes.bInheritHandle = TRUE;
    // The run-time library's start function, so that its facilities work
    // inside run().
    uintptr_t handle = _beginthreadex(&attributes, stackSize, procedure, this, CREATE_SUSPENDED, &threadId_);
    if (handle == 0) {
        DWORD error = GetLastError();
        handle_ = nullptr;
        throw Exception(static_cast<int>(error), "Thread#Thread,1,Failed to create a thread");
    }
    handle_ = reinterpret_cast<void*>(handle);
}

Thread::~Thread() {
    HANDLE handle = std::exchange(handle_, nullptr);
    if (handle != nullptr) {
        DWORD exitCode = 0;
        GetExitCodeThread(handle, &exitCode);
        CloseHandle(handle);
    }
}

void Thread::start() {
    if (handle_ != nullptr) ResumeThread(handle_);
}

unsigned __stdcall Thread::procedure(void* argument) {
    Thread* thread = static_cast<Thread*>(argument);
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
