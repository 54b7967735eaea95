#include "testing/Waiting.h"

namespace testing_support {

namespace {

void handleQueued() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

}  // namespace

void pumpFor(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    for (;;) {
        handleQueued();
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= milliseconds) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - elapsed, QS_ALLINPUT);
    }
}

bool pumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        handleQueued();
        if (done()) return true;
        if (GetTickCount() - start > timeoutMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

ChildProcess::~ChildProcess() {
    if (process_.hProcess == nullptr) return;
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_.hProcess, 99);
        WaitForSingleObject(process_.hProcess, 5000);
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
}

bool ChildProcess::start(const std::string& commandLine, const std::string& folder) {
    std::string line = commandLine;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    return CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                          folder.empty() ? nullptr : folder.c_str(), &startup, &process_) != FALSE;
}

bool ChildProcess::isRunning() const {
    return process_.hProcess != nullptr && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

bool ChildProcess::waitForExit(DWORD timeoutMs, DWORD& exitCode) {
    if (process_.hProcess == nullptr) return false;
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD elapsed = GetTickCount() - start;
        const DWORD wait = MsgWaitForMultipleObjects(1, &process_.hProcess, FALSE,
                                                     elapsed >= timeoutMs ? 0 : timeoutMs - elapsed, QS_ALLINPUT);
        if (wait == WAIT_OBJECT_0) return GetExitCodeProcess(process_.hProcess, &exitCode) != FALSE;
        if (wait != WAIT_OBJECT_0 + 1) return false;
        handleQueued();
    }
}

int runProgram(const std::string& commandLine, const std::string& folder, DWORD timeoutMs) {
    ChildProcess program;
    DWORD code = 0;
    if (!program.start(commandLine, folder) || !program.waitForExit(timeoutMs, code)) return -1;
    return static_cast<int>(code);
}

}  // namespace testing_support
