#include "Splitter.h"

#include "wingui/Dpi.h"

namespace {

const char kSplitterClass[] = "_SPLITTER_CLASS_";
constexpr int kBarWidth = 4;  // at 96 DPI

}  // namespace

HWND Splitter::create(HWND parent, int id, int x, int y, int width, int height) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA windowClass = {};
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_SIZEWE));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kSplitterClass;
    if (!registerClass(windowClass)) return nullptr;
    return createWindow(0, kSplitterClass, "", WS_CHILD | WS_VISIBLE, x, y, width, height, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance);
}

LRESULT Splitter::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_LBUTTONDOWN) return onLeftButtonDown(lParam);
    return defaultHandling(message, wParam, lParam);
}

LRESULT Splitter::onLeftButtonDown(LPARAM position) {
    HWND parent = GetParent(window_);
    if (parent != nullptr) SendMessageA(parent, WM_LBUTTONDOWN, static_cast<WPARAM>(GetDlgCtrlID(window_)), position);
    return 0;
}

void Splitter_DrawBar(HWND parent, HWND splitter, int x) {
    RECT frame;
    RECT bar;
    if (!GetWindowRect(parent, &frame) || !GetWindowRect(splitter, &bar)) return;
    HDC dc = GetWindowDC(parent);
    if (dc == nullptr) return;
    // An 8 x 8 pattern of alternating pixels: a 50 % halftone.
    static const WORD kHalftone[8] = {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55};
    HBITMAP pattern = CreateBitmap(8, 8, 1, 1, kHalftone);
    HBRUSH brush = pattern != nullptr ? CreatePatternBrush(pattern) : nullptr;
    if (brush != nullptr) {
        HGDIOBJ previous = SelectObject(dc, brush);
        const int width = scaleForDpi(kBarWidth, static_cast<int>(dpiOfWindow(splitter)));
        PatBlt(dc, x, bar.top - frame.top, width, bar.bottom - bar.top, PATINVERT);
        SelectObject(dc, previous);
        DeleteObject(brush);
    }
    if (pattern != nullptr) DeleteObject(pattern);
    ReleaseDC(parent, dc);
}
