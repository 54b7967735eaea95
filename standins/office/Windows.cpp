#include "Windows.h"

#include <richedit.h>

#include "Journal.h"
#include "testing/Screenshot.h"

#include <vector>

namespace office_standin {

namespace {

// A frame's face: the application workspace colour with the title in the
// middle.
void paintFrame(HWND hwnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT r;
    GetClientRect(hwnd, &r);
    FillRect(dc, &r, reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1));
    wchar_t title[128];
    GetWindowTextW(hwnd, title, 128);
    SetBkMode(dc, TRANSPARENT);
    DrawTextW(dc, title, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    EndPaint(hwnd, &ps);
}

LRESULT CALLBACK frameProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_CLOSE) {
        ShowWindow(hwnd, SW_HIDE);  // the application decides when it ends, not the window
        return 0;
    }
    if (msg == WM_PAINT) {
        paintFrame(hwnd);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

// A shown window as a user's open document window: closing it ends it.
LRESULT CALLBACK shownWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_PAINT) {
        paintFrame(hwnd);
        return 0;
    }
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

// An in-memory dialog template: DLGTEMPLATE followed by its items.
class DialogTemplate {
public:
    DialogTemplate(const wchar_t* title, short cx, short cy) {
        DLGTEMPLATE t{};
        t.style = DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU;
        t.cx = cx;
        t.cy = cy;
        append(&t, sizeof t);
        word(0);  // no menu
        word(0);  // standard class
        text(title);
        word(8);
        text(L"MS Shell Dlg");
    }
    void item(const wchar_t* cls, const wchar_t* caption, WORD id, DWORD style, short x, short y, short cx, short cy) {
        align();
        DLGITEMTEMPLATE it{};
        it.style = style | WS_CHILD | WS_VISIBLE;
        it.x = x;
        it.y = y;
        it.cx = cx;
        it.cy = cy;
        it.id = id;
        append(&it, sizeof it);
        text(cls);
        text(caption);
        word(0);  // no creation data
        count()++;
    }
    const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(data_.data()); }

private:
    WORD& count() { return reinterpret_cast<DLGTEMPLATE*>(data_.data())->cdit; }
    void append(const void* p, std::size_t n) {
        const WORD* w = static_cast<const WORD*>(p);
        data_.insert(data_.end(), w, w + n / 2);
    }
    void word(WORD w) { data_.push_back(w); }
    void text(const wchar_t* s) {
        do data_.push_back(WORD(*s));
        while (*s++);
    }
    void align() {
        if (data_.size() % 2) data_.push_back(0);  // DWORD alignment
    }
    std::vector<WORD> data_;
};

struct PromptState {
    std::wstring message;
    std::wstring password;
    UINT timeoutMs;
    const char* screenshotName;
};

// When the tests ask for it (registry value "ScreenshotPrefix"), a dialog
// photographs itself once it is painted: only its own process can.
constexpr UINT_PTR kTimeoutTimer = 1;
constexpr UINT_PTR kScreenshotTimer = 2;

void takeScreenshot(HWND dlg, const char* name) {
    HKEY h;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kConfigKey, 0, KEY_READ, &h) != ERROR_SUCCESS) return;
    char prefix[128] = "";
    DWORD size = sizeof prefix - 1;
    DWORD type = 0;
    LONG rc = RegQueryValueExA(h, "ScreenshotPrefix", nullptr, &type, reinterpret_cast<BYTE*>(prefix), &size);
    RegCloseKey(h);
    if (rc == ERROR_SUCCESS && type == REG_SZ && prefix[0]) testing_support::saveScreenshot(dlg, std::string(prefix) + name);
}

INT_PTR CALLBACK promptProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    auto* state = reinterpret_cast<PromptState*>(GetWindowLongPtrW(dlg, DWLP_USER));
    switch (msg) {
    case WM_INITDIALOG:
        state = reinterpret_cast<PromptState*>(lp);
        SetWindowLongPtrW(dlg, DWLP_USER, lp);
        SetDlgItemTextW(dlg, 4, state->message.c_str());
        SendDlgItemMessageW(dlg, 4, EM_SETBKGNDCOLOR, 0, GetSysColor(COLOR_BTNFACE));
        SetTimer(dlg, kTimeoutTimer, state->timeoutMs, nullptr);
        SetTimer(dlg, kScreenshotTimer, 50, nullptr);
        SetFocus(GetDlgItem(dlg, 5));
        return FALSE;
    case WM_TIMER:
        if (wp == kScreenshotTimer) {
            KillTimer(dlg, kScreenshotTimer);
            if (state) takeScreenshot(dlg, state->screenshotName);
            return TRUE;
        }
        EndDialog(dlg, IDCANCEL);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) {
            if (LOWORD(wp) == IDOK && state) {
                wchar_t buffer[1024];
                GetDlgItemTextW(dlg, 5, buffer, 1024);
                state->password = buffer;
            }
            EndDialog(dlg, LOWORD(wp));
            return TRUE;
        }
        break;
    }
    return FALSE;
}

}  // namespace

HWND createFrame(AppKind app) {
    const wchar_t* cls = app == AppKind::Word ? L"OpusApp" : app == AppKind::Excel ? L"XLMAIN" : L"PP12FrameClass";
    const wchar_t* title =
        app == AppKind::Word ? L"Microsoft Word" : app == AppKind::Excel ? L"Microsoft Excel" : L"Microsoft PowerPoint";
    WNDCLASSW wc{};
    wc.lpfnWndProc = frameProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = cls;
    RegisterClassW(&wc);
    return CreateWindowExW(0, cls, title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 640, 420, nullptr,
                           nullptr, wc.hInstance, nullptr);
}

int showWindowUntilClosed(const std::wstring& className, const std::wstring& title) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = shownWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = className.c_str();
    if (RegisterClassW(&wc) == 0) return 1;
    HWND window = CreateWindowExW(0, className.c_str(), title.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 300, 200,
                                  480, 300, nullptr, nullptr, wc.hInstance, nullptr);
    if (window == nullptr) return 1;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}

PromptAnswer askPassword(HWND frame, const std::wstring& documentName, std::wstring& password, UINT timeoutMs) {
    static HMODULE richEdit = LoadLibraryW(L"riched20.dll");
    (void)richEdit;
    DialogTemplate t(L"Password", 220, 86);
    t.item(L"RichEdit20W", L"", 4, ES_MULTILINE | ES_READONLY, 7, 7, 206, 28);
    t.item(L"STATIC", L"Password:", 0xFFFF, SS_LEFT, 7, 41, 50, 10);
    t.item(L"EDIT", L"", 5, ES_PASSWORD | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 60, 39, 153, 13);
    t.item(L"BUTTON", L"OK", 1, BS_DEFPUSHBUTTON | WS_TABSTOP, 109, 65, 50, 14);
    t.item(L"BUTTON", L"Cancel", 2, BS_PUSHBUTTON | WS_TABSTOP, 163, 65, 50, 14);
    PromptState state{L"'" + documentName + L"' is protected.\r\nEnter the password to open the file.", L"", timeoutMs,
                      "PasswordPrompt"};
    INT_PTR rc = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.get(), frame, promptProc,
                                         reinterpret_cast<LPARAM>(&state));
    if (rc != IDOK) return PromptAnswer::Cancel;
    password = state.password;
    return PromptAnswer::Ok;
}

void showPowerPointError(HWND frame, const std::wstring& text, UINT timeoutMs) {
    DialogTemplate t(L"Microsoft Office PowerPoint", 240, 62);
    t.item(L"STATIC", text.c_str(), 0xFFFF, SS_LEFT, 7, 7, 226, 30);
    t.item(L"BUTTON", L"OK", 2, BS_DEFPUSHBUTTON | WS_TABSTOP, 95, 42, 50, 14);
    PromptState state{L"", L"", timeoutMs, "PasswordError"};
    DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.get(), frame, promptProc, reinterpret_cast<LPARAM>(&state));
}

}  // namespace office_standin
