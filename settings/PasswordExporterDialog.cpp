#include "settings/PasswordExporterDialog.h"

#include <cstring>

#include "resources/TarnwickIds.h"
#include "wingui/CommonDialogs.h"

namespace {

void copyBounded(char* target, size_t size, const char* source) {
    if (source == nullptr) source = "";
    size_t length = std::strlen(source);
    if (length >= size) length = size - 1;
    std::memcpy(target, source, length);
    target[length] = '\0';
}

// Replaces the contents of the clipboard, which the caller has opened, by
// text as CF_TEXT. The clipboard takes over only movable memory.
void setClipboardText(const char* text) {
    size_t length = std::strlen(text);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, length + 1);
    if (memory == nullptr) return;
    void* target = GlobalLock(memory);
    bool handedOver = false;
    if (target != nullptr) {
        std::memcpy(target, text, length + 1);
        GlobalUnlock(memory);
        EmptyClipboard();
        handedOver = SetClipboardData(CF_TEXT, memory) != nullptr;
    }
    if (!handedOver) GlobalFree(memory);
}

}  // namespace

PasswordExporterDialog::PasswordExporterDialog() : ModalDialog(IDD_PASSWORD_EXPORTER) {
    fileName_[0] = '\0';
    password_[0] = '\0';
}

void PasswordExporterDialog::prepare(HWND owner) {
    ModalDialog::prepare(owner);
    std::memset(fileName_, 0, sizeof fileName_);
    std::memset(password_, 0, sizeof password_);
}

INT_PTR PasswordExporterDialog::show(const char* fileName, const char* password) {
    copyBounded(fileName_, sizeof fileName_, fileName);
    copyBounded(password_, sizeof password_, password);
    return run();
}

INT_PTR PasswordExporterDialog::handleMessage(UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG: onInitDialog(); return TRUE;
        case WM_CLOSE: end(IDCANCEL); return TRUE;
        case WM_COMMAND: onCommand(LOWORD(wParam)); return TRUE;
        default: return FALSE;
    }
}

void PasswordExporterDialog::onInitDialog() {
    SetDlgItemTextA(dialog_, IDC_EXPORTED_FILENAME, fileName_);
    SetDlgItemTextA(dialog_, IDC_EXPORTED_PASSWORD, password_);
    centerWindow(dialog_, GetParent(dialog_));
}

void PasswordExporterDialog::onCommand(int id) {
    if (id == IDOK || id == IDCANCEL) {
        end(id);
    } else if (id == IDC_COPY_PASSWORD) {
        // A clipboard held by another program keeps the dialog open.
        if (!OpenClipboard(nullptr)) return;
        char text[255] = {};
        if (GetDlgItemTextA(dialog_, IDC_EXPORTED_PASSWORD, text, sizeof text) > 0) setClipboardText(text);
        CloseClipboard();
        end(kCopied);
    }
}
