#include "settings/OptionDialogs.h"

#include <commctrl.h>
#include <shellapi.h>

#include "resources/TarnwickIds.h"
#include "settings/TarnwickRegistry.h"
#include "wingui/CommonDialogs.h"

namespace {

const char kExecutableFilter[] = "Files (*.exe)\0*.exe\0";

bool isChecked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

}  // namespace

PdfToolkitSettingDialog::PdfToolkitSettingDialog() : ModalDialog(IDD_PDFTK_SETTING) {}

INT_PTR PdfToolkitSettingDialog::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: onInitDialog(); return TRUE;
        case WM_CLOSE: end(IDCANCEL); return TRUE;
        case WM_NOTIFY: return onNotify(*reinterpret_cast<const NMHDR*>(lParam));
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDOK: onOk(); return TRUE;
                case IDCANCEL: end(IDCANCEL); return TRUE;
                case IDC_PDFTK_REFER: onRefer(); return TRUE;
                default: return FALSE;
            }
        default: return FALSE;
    }
}

void PdfToolkitSettingDialog::onInitDialog() {
    String path;
    if (TarnwickRegistry().getPathForPDFTK(path)) SetDlgItemTextA(dialog_, IDC_PDFTK_PATH, path.getContents());
    centerWindow(dialog_, GetParent(dialog_));
}

INT_PTR PdfToolkitSettingDialog::onNotify(const NMHDR& header) {
    if (header.idFrom != IDC_PDFTK_LINK || (header.code != NM_CLICK && header.code != NM_RETURN)) return FALSE;
    const auto& link = reinterpret_cast<const NMLINK&>(header);
    if (link.item.szUrl[0] != L'\0') ShellExecuteW(dialog_, L"open", link.item.szUrl, nullptr, nullptr, SW_SHOWNORMAL);
    return TRUE;
}

void PdfToolkitSettingDialog::onRefer() {
    char path[1024];
    if (chooseFile(dialog_, kExecutableFilter, path, sizeof path)) SetDlgItemTextA(dialog_, IDC_PDFTK_PATH, path);
}

void PdfToolkitSettingDialog::onOk() {
    char path[1024] = {};
    if (GetDlgItemTextA(dialog_, IDC_PDFTK_PATH, path, sizeof path) <= 0) return;
    TarnwickRegistry().setPathForPDFTK(path);
    end(IDOK);
}

PdfAccessRightsDialog::PdfAccessRightsDialog() : ModalDialog(IDD_PDF_ACCESS_RIGHTS) {}

INT_PTR PdfAccessRightsDialog::handleMessage(UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG: onInitDialog(); return TRUE;
        case WM_CLOSE: end(IDCANCEL); return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) onOk();
            if (LOWORD(wParam) == IDCANCEL) end(IDCANCEL);
            return TRUE;
        default: return FALSE;
    }
}

void PdfAccessRightsDialog::onInitDialog() {
    TarnwickRegistry settings;
    CheckDlgButton(dialog_, IDC_RIGHT_PRINTING, settings.isPrinting() ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog_, IDC_RIGHT_COPY_CONTENTS, settings.isCopyContents() ? BST_CHECKED : BST_UNCHECKED);
    centerWindow(dialog_, GetParent(dialog_));
}

void PdfAccessRightsDialog::onOk() {
    TarnwickRegistry settings;
    settings.setPrinting(isChecked(dialog_, IDC_RIGHT_PRINTING));
    settings.setCopyContents(isChecked(dialog_, IDC_RIGHT_COPY_CONTENTS));
    end(IDOK);
}

VersionDialog::VersionDialog() : ModalDialog(IDD_VERSION) {}

INT_PTR VersionDialog::handleMessage(UINT message, WPARAM, LPARAM) {
    switch (message) {
        case WM_INITDIALOG: centerWindow(dialog_, GetParent(dialog_)); return TRUE;
        case WM_CLOSE: end(IDCANCEL); return TRUE;
        case WM_COMMAND: end(IDOK); return TRUE;
        default: return FALSE;
    }
}
