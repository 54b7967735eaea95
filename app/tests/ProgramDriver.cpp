#include "ProgramDriver.h"

#include <commctrl.h>

#include <cstddef>
#include <cstring>

#include "testing/ModalDriver.h"
#include "testing/TestPaths.h"
#include "testing/Waiting.h"

namespace program_driver {

std::string tarnwickPath() { return testing_support::nativePath(TARNWICK_BINARY_DIR) + "\\Tarnwick.exe"; }

std::string officeStandinPath() {
    return testing_support::nativePath(TARNWICK_BINARY_DIR) + "\\standins\\office-standin.exe";
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
            if (owner != s->processId || !IsWindowVisible(window)) return TRUE;
            char className[64] = {};
            GetClassNameA(window, className, sizeof className);
            const std::string text = testing_support::windowTitle(window);
            const bool named = text == "Tarnwick" ||
                               (text.size() > 11 && text.compare(text.size() - 11, 11, " - Tarnwick") == 0);
            if (named && std::string(className) != "_OfffceApplicationProgram_") {
                s->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND waitForMainWindow(DWORD processId, DWORD timeoutMs) {
    HWND window = nullptr;
    testing_support::pumpUntil([&] { return (window = mainWindow(processId)) != nullptr; }, timeoutMs);
    return window;
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
