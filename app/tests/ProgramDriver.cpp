#include "ProgramDriver.h"

#include <commctrl.h>

#include <cstddef>
#include <cstring>

#include "testing/TestPaths.h"
#include "testing/Waiting.h"

namespace program_driver {

std::string tarnwickPath() { return testing_support::nativePath(TARNWICK_BINARY_DIR) + "\\Tarnwick.exe"; }

std::string officeStandinPath() {
    return testing_support::nativePath(TARNWICK_BINARY_DIR) + "\\standins\\office-standin.exe";
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

bool ChildProcess::start(const std::string& commandLine) {
    std::string line = commandLine;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    return CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process_) !=
           FALSE;
}

bool ChildProcess::isRunning() const {
    return process_.hProcess != nullptr && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

bool ChildProcess::waitForExit(DWORD timeoutMs, DWORD& exitCode) {
    if (process_.hProcess == nullptr) return false;
    if (WaitForSingleObject(process_.hProcess, timeoutMs) != WAIT_OBJECT_0) return false;
    return GetExitCodeProcess(process_.hProcess, &exitCode) != FALSE;
}

OwnWindow::OwnWindow(const char* className, const char* title, bool visible, HWND owner) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = className;
    RegisterClassA(&windowClass);
    window_ = CreateWindowExA(0, className, title, WS_OVERLAPPEDWINDOW | (visible ? WS_VISIBLE : 0), 700, 600, 300,
                              200, owner, nullptr, windowClass.hInstance, nullptr);
}

OwnWindow::~OwnWindow() {
    if (window_ != nullptr) DestroyWindow(window_);
}

HWND findTopLevel(const WindowQuery& query) {
    struct Search {
        const WindowQuery* query;
        HWND found;
    } search = {&query, nullptr};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            const WindowQuery& q = *s->query;
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (q.processId != 0 && owner != q.processId) return TRUE;
            if (q.visibleOnly && !IsWindowVisible(window)) return TRUE;
            if (q.className != nullptr) {
                char className[256] = {};
                GetClassNameA(window, className, sizeof className);
                if (std::strcmp(className, q.className) != 0) return TRUE;
            }
            if (q.titlePrefix != nullptr) {
                char title[512] = {};
                GetWindowTextA(window, title, sizeof title);
                if (std::strncmp(title, q.titlePrefix, std::strlen(q.titlePrefix)) != 0) return TRUE;
            }
            s->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND waitForTopLevel(const WindowQuery& query, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        HWND window = findTopLevel(query);
        if (window != nullptr) return window;
        if (GetTickCount() - start >= timeoutMs) return nullptr;
        pause(20);
    }
}

void pause(DWORD ms) { testing_support::pumpFor(ms); }

// The main window: the visible window whose title is "Tarnwick" or
// "<folder> - Tarnwick" (not the monitor window).
HWND mainWindow(DWORD processId) {
    struct Search {
        DWORD processId;
        HWND found;
    } search = {processId, nullptr};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            char className[64] = {};
            char title[512] = {};
            GetClassNameA(window, className, sizeof className);
            GetWindowTextA(window, title, sizeof title);
            const std::string text(title);
            const bool named = text == "Tarnwick" ||
                               (text.size() > 11 && text.compare(text.size() - 11, 11, " - Tarnwick") == 0);
            if (owner == s->processId && IsWindowVisible(window) && named &&
                std::string(className) != "_OfffceApplicationProgram_") {
                s->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND waitForMainWindow(DWORD processId, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (HWND window = mainWindow(processId)) return window;
        if (GetTickCount() - start >= timeoutMs) return nullptr;
        pause(20);
    }
}

namespace {

// A block in another process: a record followed by a text buffer.
template <typename Record>
struct RemoteBlock {
    Record record;
    char text[1024];
};


}  // namespace

std::string remoteListCell(HANDLE process, HWND list, int row, int column) {
    using Block = RemoteBlock<LVITEMA>;
    RemoteMemory remote(process, sizeof(Block));
    if (remote.get() == nullptr) return {};
    Block local = {};
    local.record.iSubItem = column;
    local.record.pszText = remote.get() + offsetof(Block, text);
    local.record.cchTextMax = sizeof local.text;
    if (!WriteProcessMemory(process, remote.get(), &local, sizeof local, nullptr)) return {};
    SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote.get()));
    if (!ReadProcessMemory(process, remote.get(), &local, sizeof local, nullptr)) return {};
    local.text[sizeof local.text - 1] = '\0';
    return local.text;
}

bool remoteListColumn(HANDLE process, HWND list, int column, std::string& title, int& width) {
    using Block = RemoteBlock<LVCOLUMNA>;
    RemoteMemory remote(process, sizeof(Block));
    if (remote.get() == nullptr) return false;
    Block local = {};
    local.record.mask = LVCF_TEXT | LVCF_WIDTH;
    local.record.pszText = remote.get() + offsetof(Block, text);
    local.record.cchTextMax = sizeof local.text;
    if (!WriteProcessMemory(process, remote.get(), &local, sizeof local, nullptr)) return false;
    if (!SendMessageA(list, LVM_GETCOLUMNA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(remote.get()))) {
        return false;
    }
    if (!ReadProcessMemory(process, remote.get(), &local, sizeof local, nullptr)) return false;
    local.text[sizeof local.text - 1] = '\0';
    title = local.text;
    width = local.record.cx;
    return true;
}

}  // namespace program_driver
