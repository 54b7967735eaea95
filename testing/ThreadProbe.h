#pragma once

#include <windows.h>

#include "foundation/Thread.h"
#include "foundation/WinHandles.h"

namespace testing_support {

// A handle of a Thread's system thread that stays valid after the object is
// gone, for tests that check the thread's end and exit code from outside
// (Thread::join needs the object). Null when the thread cannot be opened.
inline unique_handle observeThread(const Thread& thread) {
    return unique_handle(OpenThread(SYNCHRONIZE | THREAD_QUERY_INFORMATION, FALSE, thread.getThreadId()));
}

}  // namespace testing_support
