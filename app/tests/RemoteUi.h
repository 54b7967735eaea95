#pragma once

// Drives another process's windows from outside, as a user would: finds
// them, reads their texts (list rows through memory in the other process),
// and clicks and types through SendInput.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "testing/ModalDriver.h"
#include "testing/Waiting.h"

namespace remote_ui {

using testing_support::windowText;
std::string className(HWND window);
// The text of a message box of another process: its longest static text.
std::string messageText(HWND box);

// Visible top-level windows of a process.
std::vector<HWND> topLevelWindows(DWORD processId);

// A list view in another process, read through buffers allocated there.
class RemoteList {
public:
    RemoteList(HANDLE process, HWND list);

    int rowCount() const;
    int selectedCount() const;
    std::string cell(int row, int column) const;
    // The row whose first column is name, or -1.
    int rowOf(const std::string& name) const;
    // The row's on-screen centre of its first column.
    POINT rowCentre(int row) const;
    // A part of a row (LVIR_ICON, LVIR_LABEL, ...) in the list's client
    // coordinates.
    RECT itemRect(int row, int part) const;

private:
    HANDLE process_;
    HWND list_;
};

// The texts of a ComboBoxEx's items in another process.
std::vector<std::string> comboItems(HANDLE process, HWND combo);

// Brings window to the front and gives it the keyboard.
void activate(HWND window);
// A left click at a point in window's client coordinates.
void clickAt(HWND window, POINT client);
// A left click in the middle of window.
void clickCentre(HWND window);
void doubleClickAt(HWND window, POINT client);
// Presses keys one after the other (each down and up), with modifiers held
// for the whole sequence.
void pressKeys(const std::vector<WORD>& keys, const std::vector<WORD>& modifiers = {});
// Drags with the left button from one screen point to another.
void drag(POINT from, POINT to);

// ---- whether texts fit ----

SIZE clientSize(HWND window);
// The visible push buttons among window's children whose text or picture
// is cut (BCM_GETIDEALSIZE larger than the button), one line each.
std::string buttonsCut(HANDLE process, HWND window);
// The titles and cells of a list's columns that do not fit with the list's
// room beside them (6 pixels at 96 DPI), one line each.
std::string columnsCut(HANDLE process, HWND list, int dpi);
// The height of a list's first row; 0 when it has none.
int rowHeight(HANDLE process, HWND list);

}  // namespace remote_ui
