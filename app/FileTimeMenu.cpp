#include "app/FileTimeMenu.h"

#include "settings/TarnwickRegistry.h"
#include "wingui/TarnwickIds.h"

namespace {

bool isChecked(HMENU menu, UINT id) {
    MENUITEMINFOA item = {};
    item.cbSize = sizeof item;
    item.fMask = MIIM_STATE;
    return GetMenuItemInfoA(menu, id, FALSE, &item) && (item.fState & MFS_CHECKED) != 0;
}

void setMenuCheck(HWND window, UINT id, bool checked) {
    MENUITEMINFOA item = {};
    item.cbSize = sizeof item;
    item.fMask = MIIM_STATE;
    HMENU menu = GetMenu(window);
    if (!GetMenuItemInfoA(menu, id, FALSE, &item)) item.fState = 0;
    item.fState = checked ? (item.fState | MFS_CHECKED) : (item.fState & ~MFS_CHECKED);
    SetMenuItemInfoA(menu, id, FALSE, &item);
    DrawMenuBar(window);
}

// Flips the item's mark and returns the new state.
bool toggleMark(HWND window, UINT id) {
    const bool checked = !isChecked(GetMenu(window), id);
    setMenuCheck(window, id, checked);
    return checked;
}

}  // namespace

void showDonotUpdateFileTimeMark(HWND window) {
    setMenuCheck(window, IDM_DONT_UPDATE_LASTMODIFIED, TarnwickRegistry().isDonotUpdateFileTime());
}

bool toggleDonotUpdateFileTime(HWND window) {
    const bool checked = toggleMark(window, IDM_DONT_UPDATE_LASTMODIFIED);
    TarnwickRegistry().setDonotUpdateFileTime(checked);
    return checked;
}

void showBuiltInEngineMark(HWND window) {
    setMenuCheck(window, IDM_BUILT_IN_ENGINE, TarnwickRegistry().isBuiltInEngine());
}

bool toggleBuiltInEngine(HWND window) {
    const bool checked = toggleMark(window, IDM_BUILT_IN_ENGINE);
    TarnwickRegistry().setBuiltInEngine(checked);
    return checked;
}
