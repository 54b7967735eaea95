#include "app/FileTimeMenu.h"

#include "resources/TarnwickIds.h"
#include "settings/TarnwickRegistry.h"

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

// An item and the setting it shows.
struct OptionItem {
    UINT id;
    bool (TarnwickRegistry::*get)();
    bool (TarnwickRegistry::*set)(bool);
};

const OptionItem kKeepFileTimes = {IDM_DONT_UPDATE_LASTMODIFIED, &TarnwickRegistry::isDonotUpdateFileTime,
                                   &TarnwickRegistry::setDonotUpdateFileTime};
const OptionItem kBuiltInEngine = {IDM_BUILT_IN_ENGINE, &TarnwickRegistry::isBuiltInEngine,
                                   &TarnwickRegistry::setBuiltInEngine};

void showMark(HWND window, const OptionItem& option) {
    TarnwickRegistry settings;
    setMenuCheck(window, option.id, (settings.*option.get)());
}

// Flips the item's mark, stores it and returns the new state.
bool toggleMark(HWND window, const OptionItem& option) {
    const bool checked = !isChecked(GetMenu(window), option.id);
    setMenuCheck(window, option.id, checked);
    TarnwickRegistry settings;
    (settings.*option.set)(checked);
    return checked;
}

}  // namespace

void showDonotUpdateFileTimeMark(HWND window) { showMark(window, kKeepFileTimes); }

bool toggleDonotUpdateFileTime(HWND window) { return toggleMark(window, kKeepFileTimes); }

void showBuiltInEngineMark(HWND window) { showMark(window, kBuiltInEngine); }

bool toggleBuiltInEngine(HWND window) { return toggleMark(window, kBuiltInEngine); }
