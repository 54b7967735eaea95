#include "wingui/CommonDialogs.h"

#include <commdlg.h>

#include "wingui/Placement.h"
#include "wingui/ProcessWindows.h"

void centerWindow(HWND window, HWND parent) {
    RECT bounds;
    if (!GetWindowRect(window, &bounds)) return;
    int width = bounds.right - bounds.left;
    int height = bounds.bottom - bounds.top;
    ParentBounds parentBounds;
    RECT parentRect;
    bool haveParent = parent != nullptr && GetWindowRect(parent, &parentRect);
    if (haveParent) {
        parentBounds = {parentRect.left, parentRect.top, parentRect.right - parentRect.left,
                        parentRect.bottom - parentRect.top};
    }
    Placement placement = centeredPlacement(width, height, haveParent ? &parentBounds : nullptr,
                                            GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    MoveWindow(window, placement.x, placement.y, width, height, FALSE);
    ShowWindow(window, SW_SHOW);
}

bool chooseFile(HWND owner, const char* filter, char* buffer, int size) {
    if (buffer == nullptr || size <= 0) return false;
    buffer[0] = '\0';
    OPENFILENAMEA request = {};
    request.lStructSize = sizeof request;
    request.hwndOwner = owner;
    request.hInstance = Program_GetInstance();
    request.lpstrFilter = filter;
    request.nFilterIndex = 0;
    request.lpstrFile = buffer;
    request.nMaxFile = static_cast<DWORD>(size);
    request.lpstrFileTitle = nullptr;
    request.Flags = OFN_HIDEREADONLY | OFN_SHOWHELP | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_EXPLORER |
                    OFN_ENABLESIZING;
    return GetOpenFileNameA(&request) != FALSE;
}
