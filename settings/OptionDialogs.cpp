#include "settings/OptionDialogs.h"

#include <commctrl.h>
#include <shellapi.h>

#include "settings/ResourceIds.h"
#include "settings/TarnwickRegistry.h"

namespace {

const char kExecutableFilter[] = "Files (*.exe)\0*.exe\0";

void openLink(HWND dialog, const NMLINK& link) {
    if (link.item.szUrl[0] != L'\0') ShellExecuteW(dialog, L"open", link.item.szUrl, nullptr, nullptr, SW_SHOWNORMAL);
}

void onPdftkInit(HWND dialog) {
    String path;
    if (TarnwickRegistry().getPathForPDFTK(path)) SetDlgItemTextA(dialog, IDC_PDFTK_PATH, path.getContents());
    centerWindow(dialog, GetParent(dialog));
}

void onPdftkRefer(HWND dialog) {
    char path[1024];
    if (chooseFile(dialog, kExecutableFilter, path, sizeof path)) SetDlgItemTextA(dialog, IDC_PDFTK_PATH, path);
}

void onPdftkOk(HWND dialog) {
    char path[1024] = {};
    if (GetDlgItemTextA(dialog, IDC_PDFTK_PATH, path, sizeof path) <= 0) return;
    TarnwickRegistry().setPathForPDFTK(path);
    EndDialog(dialog, IDOK);
}

bool isChecked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

void setMenuCheck(HWND window, bool checked) {
    MENUITEMINFOA item = {};
    item.cbSize = sizeof item;
    item.fMask = MIIM_STATE;
    HMENU menu = GetMenu(window);
    if (!GetMenuItemInfoA(menu, IDM_DONT_UPDATE_LASTMODIFIED, FALSE, &item)) item.fState = 0;
    item.fState = checked ? (item.fState | MFS_CHECKED) : (item.fState & ~MFS_CHECKED);
    SetMenuItemInfoA(menu, IDM_DONT_UPDATE_LASTMODIFIED, FALSE, &item);
    DrawMenuBar(window);
}

}  // namespace

PdfToolkitSettingDialog::PdfToolkitSettingDialog() : ModalDialog(IDD_PDFTK_SETTING) {}

INT_PTR PdfToolkitSettingDialog::show() { return run(procedure, 0); }

INT_PTR CALLBACK PdfToolkitSettingDialog::procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        switch (message) {
            case WM_INITDIALOG: onPdftkInit(dialog); return TRUE;
            case WM_CLOSE: EndDialog(dialog, IDCANCEL); return TRUE;
            case WM_NOTIFY: {
                const auto* header = reinterpret_cast<const NMHDR*>(lParam);
                if (header->idFrom != IDC_PDFTK_LINK || (header->code != NM_CLICK && header->code != NM_RETURN)) {
                    return FALSE;
                }
                openLink(dialog, *reinterpret_cast<const NMLINK*>(lParam));
                return TRUE;
            }
            case WM_COMMAND:
                switch (LOWORD(wParam)) {
                    case IDOK: onPdftkOk(dialog); return TRUE;
                    case IDCANCEL: EndDialog(dialog, IDCANCEL); return TRUE;
                    case IDC_PDFTK_REFER: onPdftkRefer(dialog); return TRUE;
                    default: return FALSE;
                }
            default: return FALSE;
        }
    } catch (...) {
        return FALSE;
    }
}

PdfAccessRightsDialog::PdfAccessRightsDialog() : ModalDialog(IDD_PDF_ACCESS_RIGHTS) {}

INT_PTR PdfAccessRightsDialog::show() { return run(procedure, reinterpret_cast<LPARAM>(this)); }

INT_PTR CALLBACK PdfAccessRightsDialog::procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        auto* self = dialogObject<PdfAccessRightsDialog>(dialog, message, lParam);
        if (self == nullptr) return FALSE;
        switch (message) {
            case WM_INITDIALOG: self->onInitDialog(dialog); return TRUE;
            case WM_CLOSE: EndDialog(dialog, IDCANCEL); return TRUE;
            case WM_COMMAND:
                if (LOWORD(wParam) == IDOK) self->onOk(dialog);
                if (LOWORD(wParam) == IDCANCEL) EndDialog(dialog, IDCANCEL);
                return TRUE;
            default: return FALSE;
        }
    } catch (...) {
        return FALSE;
    }
}

void PdfAccessRightsDialog::onInitDialog(HWND dialog) {
    TarnwickRegistry settings;
    CheckDlgButton(dialog, IDC_RIGHT_PRINTING, settings.isPrinting() ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_RIGHT_COPY_CONTENTS, settings.isCopyContents() ? BST_CHECKED : BST_UNCHECKED);
    centerWindow(dialog, GetParent(dialog));
}

void PdfAccessRightsDialog::onOk(HWND dialog) {
    TarnwickRegistry settings;
    settings.setPrinting(isChecked(dialog, IDC_RIGHT_PRINTING));
    settings.setCopyContents(isChecked(dialog, IDC_RIGHT_COPY_CONTENTS));
    EndDialog(dialog, IDOK);
}

VersionDialog::VersionDialog() : ModalDialog(IDD_VERSION) {}

INT_PTR VersionDialog::show() { return run(procedure, 0); }

INT_PTR CALLBACK VersionDialog::procedure(HWND dialog, UINT message, WPARAM, LPARAM) {
    switch (message) {
        case WM_INITDIALOG: centerWindow(dialog, GetParent(dialog)); return TRUE;
        case WM_CLOSE: EndDialog(dialog, IDCANCEL); return TRUE;
        case WM_COMMAND: EndDialog(dialog, IDOK); return TRUE;
        default: return FALSE;
    }
}

void showDonotUpdateFileTimeMark(HWND window) { setMenuCheck(window, TarnwickRegistry().isDonotUpdateFileTime()); }

bool toggleDonotUpdateFileTime(HWND window) {
    MENUITEMINFOA item = {};
    item.cbSize = sizeof item;
    item.fMask = MIIM_STATE;
    bool wasChecked = GetMenuItemInfoA(GetMenu(window), IDM_DONT_UPDATE_LASTMODIFIED, FALSE, &item) &&
                      (item.fState & MFS_CHECKED) != 0;
    setMenuCheck(window, !wasChecked);
    TarnwickRegistry().setDonotUpdateFileTime(!wasChecked);
    return !wasChecked;
}
