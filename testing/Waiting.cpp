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

int runProgram(const std::string& commandLine, const std::string& folder, DWORD timeoutMs) {
    std::string line = commandLine;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &process)) {
        return -1;
    }
    CloseHandle(process.hThread);
    const DWORD start = GetTickCount();
    DWORD code = static_cast<DWORD>(-1);
    for (;;) {
        const DWORD elapsed = GetTickCount() - start;
        const DWORD wait = MsgWaitForMultipleObjects(1, &process.hProcess, FALSE,
                                                     elapsed >= timeoutMs ? 0 : timeoutMs - elapsed, QS_ALLINPUT);
        if (wait == WAIT_OBJECT_0) {
            GetExitCodeProcess(process.hProcess, &code);
            break;
        }
        if (wait != WAIT_OBJECT_0 + 1) {
            TerminateProcess(process.hProcess, static_cast<UINT>(-1));
            break;
        }
        handleQueued();
    }
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

}  // namespace testing_support
