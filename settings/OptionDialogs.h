#pragma once

#include <windows.h>

#include "wingui/Dialog.h"

// "PDF Toolkit Setting" (template 139): the path of pdftk.exe. Stores a
// non-empty path on OK; OK with an empty path keeps the dialog open.
class PdfToolkitSettingDialog : public ModalDialog {
public:
    PdfToolkitSettingDialog();
    // 1 after OK, 2 after Cancel or closing.
    INT_PTR show() { return run(); }

private:
    INT_PTR handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void onInitDialog();
    INT_PTR onNotify(const NMHDR& header);
    void onRefer();
    void onOk();
};

// "Access Rights to Encrypted PDF Files (pdftk)" (template 141): the
// "Printing" and "CopyContents" settings, stored only on OK.
class PdfAccessRightsDialog : public ModalDialog {
public:
    PdfAccessRightsDialog();
    // 1 after OK, 2 after Cancel or closing.
    INT_PTR show() { return run(); }

private:
    INT_PTR handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void onInitDialog();
    void onOk();
};

// The version box (template 103); any command ends it with 1, closing
// with 2.
class VersionDialog : public ModalDialog {
public:
    VersionDialog();
    INT_PTR show() { return run(); }

private:
    INT_PTR handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
};
