#pragma once

#include <windows.h>

#include <functional>
#include <string>

// Waiting in tests while this thread's messages are handled, so that a
// window of the test, or a program that sends to one, is never stuck.
namespace testing_support {

// Handles this thread's messages for the given time.
void pumpFor(DWORD milliseconds);

// Handles this thread's messages until done() holds (checked after each
// round) or timeoutMs has passed; whether done() held.
bool pumpUntil(const std::function<bool()>& done, DWORD timeoutMs);

// Runs commandLine in folder ("" for this process's folder) and waits up to
// timeoutMs for it to end, handling messages meanwhile. Its exit code, or
// -1 when it could not start or did not end in time (it is then ended).
int runProgram(const std::string& commandLine, const std::string& folder = "", DWORD timeoutMs = 60000);

}  // namespace testing_support
