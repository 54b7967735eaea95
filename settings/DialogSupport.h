#pragma once

#include <windows.h>

#include "foundation/Object.h"

// Places window centred over parent (or at 0, 0 when parent is null), kept
// on the primary screen, without repainting, and shows it.
void centerWindow(HWND window, HWND parent);

// The system's open-file dialog owned by owner. filter is the usual list of
// double-zero-terminated pairs; buffer (emptied first) receives the chosen
// file's full path. True when the user chose a file.
bool chooseFile(HWND owner, const char* filter, char* buffer, int size);

// For a dialog procedure whose parameter is its dialog object: remembers the
// object at WM_INITDIALOG and returns it (null for messages before that).
template <typename Dialog>
Dialog* dialogObject(HWND dialog, UINT message, LPARAM lParam) {
    if (message == WM_INITDIALOG) SetWindowLongPtrA(dialog, DWLP_USER, lParam);
    return reinterpret_cast<Dialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

// The common part of the modal dialogs: the owner, the module holding the
// template and the template id.
class ModalDialog : public Object {
public:
    explicit ModalDialog(int templateId) : templateId_(templateId) {}

    // Stores the owner and the module instance of this program.
    void prepare(HWND owner);

protected:
    // Runs the dialog modally; returns its end code (-1 when it could not be
    // created).
    INT_PTR run(DLGPROC procedure, LPARAM parameter);

private:
    HWND owner_ = nullptr;
    HINSTANCE instance_ = nullptr;
    int templateId_;
};
