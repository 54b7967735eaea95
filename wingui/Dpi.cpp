#include "wingui/Dpi.h"

#include <cstddef>

namespace {

// Looks up a user32 function of newer systems; null where there is none.
template <typename Function>
Function user32Function(const char* name) {
    HMODULE user32 = GetModuleHandleA("user32.dll");
    if (user32 == nullptr) return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name)));
}

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using SystemParametersInfoForDpiFunction = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);

UINT logPixelsOf(HWND window) {
    HDC dc = GetDC(window);
    if (dc == nullptr) return kStandardDpi;
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(window, dc);
    return dpi > 0 ? static_cast<UINT>(dpi) : kStandardDpi;
}

}  // namespace

UINT dpiOfWindow(HWND window) {
    static const auto getDpiForWindow = user32Function<GetDpiForWindowFunction>("GetDpiForWindow");
    if (window != nullptr && getDpiForWindow != nullptr) {
        const UINT dpi = getDpiForWindow(window);
        if (dpi != 0) return dpi;
    }
    return logPixelsOf(window);
}

unique_hfont createMessageFont(UINT dpi) {
    static const auto parametersForDpi =
        user32Function<SystemParametersInfoForDpiFunction>("SystemParametersInfoForDpi");
    NONCLIENTMETRICSA metrics = {};
    if (parametersForDpi != nullptr) {
        // The wide record is the one this function takes.
        NONCLIENTMETRICSW wide = {};
        wide.cbSize = sizeof wide;
        if (parametersForDpi(SPI_GETNONCLIENTMETRICS, wide.cbSize, &wide, 0, dpi)) {
            return unique_hfont(CreateFontIndirectW(&wide.lfMessageFont));
        }
    }
    // The record as it was before iPaddedBorderWidth: accepted by every
    // Windows version. Its sizes are at the system DPI.
    metrics.cbSize = offsetof(NONCLIENTMETRICSA, iPaddedBorderWidth);
    if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0)) return unique_hfont();
    metrics.lfMessageFont.lfHeight =
        rescaleForDpi(metrics.lfMessageFont.lfHeight, static_cast<int>(logPixelsOf(nullptr)), static_cast<int>(dpi));
    return unique_hfont(CreateFontIndirectA(&metrics.lfMessageFont));
}

int smallIconSize(UINT dpi) { return scaleForDpi(16, static_cast<int>(dpi)); }

UINT applyDpiChange(HWND window, WPARAM wParam, LPARAM lParam) {
    const auto* suggested = reinterpret_cast<const RECT*>(lParam);
    if (suggested != nullptr) {
        SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return HIWORD(wParam);
}
