#include "app/FileTimeMenu.h"

#include "settings/TarnwickRegistry.h"
#include "wingui/TarnwickIds.h"

namespace {

bool isChecked(HMENU menu) {
    MENUITEMINFOA item = {};
    item.cbSize = sizeof item;
    item.fMask = MIIM_STATE;
    return GetMenuItemInfoA(menu, IDM_DONT_UPDATE_LASTMODIFIED, FALSE, &item) && (item.fState & MFS_CHECKED) != 0;
}

void setMenuCheck(HWND window, bool checked) {
    MENUITEMINFOA item = {};
    item.cbSize = sizeof item;
    item.fMask = MIIM_STATE;
    HMENU menu = GetMenu(window);
    if (!GetMenuItemInfoA(menu, IDM_DONT_UPDATE_LASTMODIFIED, FALSE, &item)) item.fState = 0;
    item.fState = checked ? (item.fState | MFS_CHECKED) : (item.fState & ~MFS_CHECKED);
    SetMenuItemInfoA(menu, IDM_DONT_UPDATE_LASTMODIFIED, FALSE, &item);
    DrawMenuBar(window);
}

}  // namespace

void showDonotUpdateFileTimeMark(HWND window) { setMenuCheck(window, TarnwickRegistry().isDonotUpdateFileTime()); }

bool toggleDonotUpdateFileTime(HWND window) {
    const bool checked = !isChecked(GetMenu(window));
    setMenuCheck(window, checked);
    TarnwickRegistry().setDonotUpdateFileTime(checked);
    return checked;
}
