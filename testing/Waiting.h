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

// A started program; ended (exit code 99) if still running when the object
// goes.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts the command line in folder ("" for this process's folder);
    // false (with GetLastError) when it cannot.
    bool start(const std::string& commandLine, const std::string& folder = "");
    HANDLE handle() const { return process_.hProcess; }
    DWORD id() const { return process_.dwProcessId; }
    bool isRunning() const;
    // True and the exit code when the program ended within timeoutMs;
    // handles this thread's messages meanwhile.
    bool waitForExit(DWORD timeoutMs, DWORD& exitCode);

private:
    PROCESS_INFORMATION process_ = {};
};

// Runs commandLine in folder ("" for this process's folder) and waits up to
// timeoutMs for it to end, handling messages meanwhile. Its exit code, or
// -1 when it could not start or did not end in time (it is then ended).
int runProgram(const std::string& commandLine, const std::string& folder = "", DWORD timeoutMs = 60000);

}  // namespace testing_support
