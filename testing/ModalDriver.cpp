#include "testing/ModalDriver.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "testing/Waiting.h"

namespace testing_support {

namespace {

const DWORD kStepTimeoutMs = 10000;

struct DriverState {
    std::vector<ModalDriver::Step> steps;
    size_t next = 0;
    DWORD since = 0;
    bool busy = false;
    bool failed = false;
};

thread_local DriverState* current = nullptr;

BOOL CALLBACK closeOne(HWND window, LPARAM) {
    if (IsWindowVisible(window)) PostMessageA(window, WM_CLOSE, 0, 0);
    return TRUE;
}

void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD) {
    DriverState* state = current;
    if (state == nullptr || state->busy) return;
    state->busy = true;
    if (!state->failed && state->next < state->steps.size()) {
        if (state->steps[state->next]()) {
            ++state->next;
            state->since = GetTickCount();
        }
    }
    if (GetTickCount() - state->since > kStepTimeoutMs) {
        if (!state->failed) {
            ADD_FAILURE() << (state->next < state->steps.size() ? "step " + std::to_string(state->next) + " timed out"
                                                                 : std::string("dialog still open after the last step"));
            state->failed = true;
        }
        EnumThreadWindows(GetCurrentThreadId(), closeOne, 0);
    }
    state->busy = false;
}

}  // namespace

void ModalDriver::run(const std::function<void()>& open, std::vector<Step> steps) {
    DriverState state;
    state.steps = std::move(steps);
    state.since = GetTickCount();
    DriverState* outer = current;
    current = &state;
    UINT_PTR timer = SetTimer(nullptr, 0, 50, tick);
    open();
    KillTimer(nullptr, timer);
    current = outer;
    EXPECT_EQ(state.next, state.steps.size()) << "the dialog ended before every step ran";
}

HWND findThreadWindow(const char* title) {
    struct Search {
        const char* title;
        HWND found;
    } search = {title, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            if (IsWindowVisible(window) && windowText(window) == s->title) {
                s->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void click(HWND dialog, int id) { PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

namespace {

INPUT pointerAt(POINT point, DWORD flags) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = point.x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = point.y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE | flags;
    return input;
}

}  // namespace

void mouseClick(HWND control) {
    RECT r;
    GetWindowRect(control, &r);
    mouseClickAt({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
}

void mouseMoveTo(POINT point) {
    INPUT input = pointerAt(point, 0);
    SendInput(1, &input, sizeof input);
}

void mouseLeftButton(POINT point, bool down) {
    INPUT input = pointerAt(point, down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP);
    SendInput(1, &input, sizeof input);
}

void mouseClickAt(POINT point, int clicks) {
    std::vector<INPUT> inputs = {pointerAt(point, 0)};
    for (int i = 0; i < clicks; ++i) {
        inputs.push_back(pointerAt(point, MOUSEEVENTF_LEFTDOWN));
        inputs.push_back(pointerAt(point, MOUSEEVENTF_LEFTUP));
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void typeInto(HWND edit, const std::string& text) {
    SendMessageA(edit, EM_SETSEL, 0, -1);
    for (char c : text) SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 1);
}

std::string windowText(HWND window, DWORD timeoutMs) {
    char text[1024] = {};
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                             timeoutMs, &copied)) {
        return std::string();
    }
    return text;
}

std::string windowTitle(HWND window) {
    char text[2048] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
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
            if (q.titlePrefix != nullptr && windowTitle(window).rfind(q.titlePrefix, 0) != 0) {
                return TRUE;
            }
            s->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND waitForTopLevel(const WindowQuery& query, DWORD timeoutMs) {
    HWND window = nullptr;
    pumpUntil([&] { return (window = findTopLevel(query)) != nullptr; }, timeoutMs);
    return window;
}

OwnerWindow::OwnerWindow(int x, int y, int width, int height, bool visible) {
    static bool ready = false;
    if (!ready) {
        INITCOMMONCONTROLSEX controls = {sizeof controls, 0x9FFF};
        InitCommonControlsEx(&controls);
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
        windowClass.lpszClassName = "SettingsTestOwner";
        RegisterClassA(&windowClass);
        ready = true;
    }
    window_ = CreateWindowExA(0, "SettingsTestOwner", "Owner", WS_POPUP | WS_BORDER | (visible ? WS_VISIBLE : 0), x, y, width, height,
                              nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

OwnerWindow::~OwnerWindow() {
    if (window_ != nullptr) DestroyWindow(window_);
}

HWND sharedOwnerWindow() {
    static OwnerWindow* owner = new OwnerWindow(100, 80, 800, 600, true);
    return owner->get();
}

bool isCentredOver(HWND inner, HWND outer) {
    RECT a, b;
    if (!GetWindowRect(inner, &a) || !GetWindowRect(outer, &b)) return false;
    return std::abs((a.left + a.right) - (b.left + b.right)) <= 2 &&
           std::abs((a.top + a.bottom) - (b.top + b.bottom)) <= 2;
}

}  // namespace testing_support
