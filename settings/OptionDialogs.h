#pragma once

#include <windows.h>

#include "settings/DialogSupport.h"

// "PDF Toolkit Setting" (template 139): the path of pdftk.exe. Stores a
// non-empty path on OK; OK with an empty path keeps the dialog open.
class PdfToolkitSettingDialog : public ModalDialog {
public:
    PdfToolkitSettingDialog();
    // 1 after OK, 2 after Cancel or closing.
    INT_PTR show();

private:
    static INT_PTR CALLBACK procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
};

// "Access Rights to Encrypted PDF Files (pdftk)" (template 141): the
// "Printing" and "CopyContents" settings, stored only on OK.
class PdfAccessRightsDialog : public ModalDialog {
public:
    PdfAccessRightsDialog();
    // 1 after OK, 2 after Cancel or closing.
    INT_PTR show();

private:
    static INT_PTR CALLBACK procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    void onInitDialog(HWND dialog);
    void onOk(HWND dialog);
};

// The version box (template 103); any command ends it with 1, closing
// with 2.
class VersionDialog : public ModalDialog {
public:
    VersionDialog();
    INT_PTR show();

private:
    static INT_PTR CALLBACK procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
};

// Sets the check mark of the menu item "Don't Update LastModified (&U)" in
// window's menu bar from the setting and redraws the menu bar.
void showDonotUpdateFileTimeMark(HWND window);

// Flips that check mark, redraws the menu bar and stores the new state
// (checked means the file times are kept). Returns the new state.
bool toggleDonotUpdateFileTime(HWND window);
