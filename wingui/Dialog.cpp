#include "wingui/Dialog.h"

#include "foundation/Log.h"
#include "wingui/ProcessWindows.h"

INT_PTR Dialog::runModal(HINSTANCE instance, int templateId, HWND owner) {
    return DialogBoxParamA(instance, MAKEINTRESOURCEA(templateId), owner, procedure, reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK Dialog::procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    Dialog* object = nullptr;
    if (message == WM_INITDIALOG) {
        object = reinterpret_cast<Dialog*>(lParam);
        if (object != nullptr) {
            object->dialog_ = dialog;
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        }
    } else {
        object = reinterpret_cast<Dialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
    }
    if (object == nullptr) return FALSE;

    INT_PTR result = FALSE;
    try {
        result = object->handleMessage(message, wParam, lParam);
    } catch (...) {
        logError("Dialog#procedure,1,Unexpected exception at message 0x%x", message);
        result = FALSE;
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(dialog, DWLP_USER, 0);
        object->dialog_ = nullptr;
    }
    return result;
}

void ModalDialog::prepare(HWND owner) {
    owner_ = owner;
    instance_ = Program_GetInstance();
}

INT_PTR ModalDialog::run() { return runModal(instance_, templateId_, owner_); }
