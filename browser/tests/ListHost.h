#pragma once

#include <windows.h>
#include <commctrl.h>

#include "browser/FileTransfer.h"
#include "browser/ListCommands.h"
#include "browser/XListView.h"
#include "testing/Waiting.h"
#include "wingui/MessagePump.h"
#include "wingui/Window.h"

namespace browser_test {

constexpr int kListId = 1002;

// A top-level window that holds the file list the way the main window
// does: it answers the list's custom draw, its label-edit notifications and
// the start of a drag.
class ListHost : public Window {
public:
    explicit ListHost(const char* title, int x = 50, int y = 50) {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&controls);
        WNDCLASSEXA windowClass = {};
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "BrowserTestListHost";
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        registerClass(windowClass);
        createWindow(0, windowClass.lpszClassName, title, WS_POPUP | WS_VISIBLE | WS_CAPTION, x, y, 700, 320,
                     nullptr, nullptr, GetModuleHandleA(nullptr));
        list = XListView_Create(window_, kListId);
        XListView_SetColumns(list);
        MoveWindow(list, 0, 0, 680, 280, TRUE);
        SetForegroundWindow(window_);
        SetFocus(list);
    }
    HWND list = nullptr;
    int customDraws = 0;
    // End-of-edit notifications the control sent.
    int endEdits = 0;

protected:
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_NOTIFY) return onNotify(reinterpret_cast<NMHDR*>(lParam));
        return defaultHandling(message, wParam, lParam);
    }

private:
    LRESULT onNotify(NMHDR* header) {
        if (header->idFrom != kListId) return 0;
        switch (header->code) {
            case NM_CUSTOMDRAW:
                ++customDraws;
                return XListView_OnCustomDraw(reinterpret_cast<NMLVCUSTOMDRAW*>(header));
            case LVN_BEGINLABELEDITA:
                XListView_BeginLabelEdit(list, reinterpret_cast<NMLVDISPINFOA*>(header)->item.iItem);
                return 0;
            case LVN_ENDLABELEDITA: {
                ++endEdits;
                const LVITEMA& item = reinterpret_cast<NMLVDISPINFOA*>(header)->item;
                return XListView_EndLabelEdit(list, item.iItem, item.pszText == nullptr);
            }
            case LVN_BEGINDRAG: XListView_OnBegindrag(list); return 0;
            default: return 0;
        }
    }
};

// Lets the list paint and the display show it before the screen is copied:
// under a loaded machine the display lags the painting.
inline void settleForScreenshot(HWND window) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    testing_support::pumpFor(500);
}

}  // namespace browser_test
