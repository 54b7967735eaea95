#pragma once

#include <windows.h>

#include "wingui/Dialog.h"

// Shows a file's name and its derived password (template 140) and lets the
// user copy the password to the clipboard.
class PasswordExporterDialog : public ModalDialog {
public:
    enum { kCopied = 1028 };  // end code after "Copy Password"

    PasswordExporterDialog();

    // Stores the owner and empties both texts.
    void prepare(HWND owner);
    // Runs the dialog with copies of both texts (cut to 1023 and 255
    // characters); returns 1 (Close), 2 (closed) or kCopied.
    INT_PTR show(const char* fileName, const char* password);

private:
    INT_PTR handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void onInitDialog();
    void onCommand(int id);

    char fileName_[1024];
    char password_[256];
};
