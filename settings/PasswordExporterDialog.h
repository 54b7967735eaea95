#pragma once

#include <windows.h>

#include "settings/DialogSupport.h"

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
    static INT_PTR CALLBACK procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    void onInitDialog(HWND dialog);
    void onCommand(HWND dialog, int id);

    char fileName_[1024];
    char password_[256];
};
