#include "browser/ListCommands.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "browser/CommandRules.h"
#include "browser/FileTransfer.h"
#include "browser/XListView.h"
#include "classify/EncryptedFileFinder.h"
#include "foundation/LinkedList.h"
#include "foundation/Log.h"
#include "foundation/ProgramLauncher.h"
#include "foundation/Registry.h"
#include "foundation/String.h"
#include "foundation/StringConverter.h"
#include "foundation/WinHandles.h"
#include "jobs/PasswordJobs.h"
#include "resources/TarnwickIds.h"
#include "settings/PasswordExporterDialog.h"
#include "settings/PasswordGenerator.h"
#include "wingui/ListView.h"
#include "wingui/ProcessWindows.h"

namespace {

// The row whose name is being edited; set when editing begins.
int editedRow = -1;
// Set while the list cancels an open editor itself.
bool cancellingEdit = false;

const char kRenameCaption[] = "Change FileName";

// Row names are read with room for 259 characters.
constexpr int kNameCapacity = MAX_PATH;

bool isSelected(HWND list, int row) {
    return (SendMessageA(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_SELECTED) & LVIS_SELECTED) != 0;
}

std::string rowName(HWND list, int row) {
    char text[kNameCapacity] = {};
    LVITEMA item = {};
    item.iSubItem = 0;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return text;
}

std::string fullPathOf(const std::string& name) { return std::string(XListView_GetCurrentFolder()) + name; }

int selectedCount(HWND list) { return static_cast<int>(SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0)); }

// The context menu, loaded at the first popup that finds it and kept for the
// process; null when it cannot be loaded.
HMENU contextMenu() {
    static unique_hmenu menu;
    if (!menu) menu.reset(LoadMenuA(Program_GetInstance(), MAKEINTRESOURCEA(IDR_LISTVIEW_CONTEXTMENU)));
    return menu.get();
}

// Calls visit(row, name, itemData) for every selected row, lowest first.
template <typename Visit>
void forEachSelected(HWND list, Visit visit) {
    const int rows = listRowCount(list);
    for (int row = 0; row < rows; ++row) {
        if (!isSelected(list, row)) continue;
        visit(row, rowName(list, row), static_cast<long>(listGetData(list, row)));
    }
}

void startEditing(HWND list, int row) { SendMessageA(list, LVM_EDITLABELA, static_cast<WPARAM>(row), 0); }

// Editing again from inside the end-of-edit notification would meet the
// control still tearing down the old editor, so the request is queued.
void restartEditing(HWND list) {
    if (editedRow >= 0) PostMessageA(list, LVM_EDITLABELA, static_cast<WPARAM>(editedRow), 0);
}

void renameError(HWND list, const char* text) { MessageBoxA(list, text, kRenameCaption, MB_OK | MB_ICONERROR); }

// A change of case only goes through a temporary name: Wine's MoveFile
// reports success for it and leaves the old spelling on disk.
bool moveCaseOnly(const std::string& from, const std::string& to) {
    String guid;
    if (!Guid().toString(guid)) return false;
    const std::string parked = from + guid.getContents();
    if (!MoveFileA(from.c_str(), parked.c_str())) return false;
    if (MoveFileA(parked.c_str(), to.c_str())) return true;
    MoveFileA(parked.c_str(), from.c_str());
    return false;
}

BOOL renameFile(HWND list, const std::string& oldName, const std::string& newName, bool caseOnly,
                const char* format) {
    const std::string from = fullPathOf(oldName);
    const std::string to = fullPathOf(newName);
    if (caseOnly ? moveCaseOnly(from, to) : MoveFileA(from.c_str(), to.c_str()) != FALSE) return TRUE;
    char text[1200];
    std::snprintf(text, sizeof text, format, oldName.c_str(), newName.c_str());
    renameError(list, text);
    return FALSE;
}

void setItemState(HMENU menu, UINT id, listcmd::ItemState state) {
    switch (state) {
        case listcmd::ItemState::Enabled: EnableMenuItem(menu, id, MF_BYCOMMAND | MF_ENABLED); break;
        case listcmd::ItemState::Greyed: EnableMenuItem(menu, id, MF_BYCOMMAND | MF_GRAYED); break;
        case listcmd::ItemState::Unchanged: break;
    }
}

}  // namespace

// A file of the current folder (not a folder, not ".") whose name equals
// name without regard to case.
bool XListView_FileNameExists(const char* name) {
    const std::string pattern = fullPathOf("*.*");
    WIN32_FIND_DATAA entry;
    unique_hfind search(FindFirstFileA(pattern.c_str(), &entry));
    if (!search) return false;
    do {
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) continue;
        if (std::strcmp(entry.cFileName, ".") == 0) continue;
        if (lstrcmpiA(entry.cFileName, name) == 0) return true;
    } while (FindNextFileA(search.get(), &entry));
    return false;
}

int XListView_GetNonEncSelectedFilesList(HWND list, LinkedList* paths, int* skipped) {
    if (selectedCount(list) == 0) return 0;
    int added = 0;
    forEachSelected(list, [&](int, const std::string& name, long) {
        const std::string path = fullPathOf(name);
        EncryptionState state = kNotProtected;
        if (EncryptedFileFinder().isEncrypted(path.c_str(), state)) {
            if (skipped != nullptr) ++*skipped;
            return;
        }
        paths->addLast(new String(path.c_str()));
        ++added;
    });
    return added;
}

int XListView_GetEncSelectedFilesList(HWND list, LinkedList* paths, int* skipped) {
    if (selectedCount(list) == 0) return 0;
    int added = 0;
    forEachSelected(list, [&](int, const std::string& name, long) {
        const std::string path = fullPathOf(name);
        EncryptionState state = kNotProtected;
        if (!EncryptedFileFinder().isEncrypted(path.c_str(), state) || state != kPasswordEncrypted) {
            if (skipped != nullptr) ++*skipped;
            return;
        }
        paths->addLast(new String(path.c_str()));
        ++added;
    });
    return added;
}

int XListView_GetOfficePDFFilesList(HWND list, LinkedList* paths) {
    if (selectedCount(list) == 0) return 0;
    int added = 0;
    forEachSelected(list, [&](int, const std::string& name, long data) {
        if (!listcmd::isEligibleRow(name.c_str(), data)) return;
        paths->addLast(new String(fullPathOf(name).c_str()));
        ++added;
    });
    return added;
}

int XListView_GetProtectedOfficePDFFilesList(HWND list, LinkedList* paths) {
    if (selectedCount(list) == 0) return 0;
    int added = 0;
    forEachSelected(list, [&](int, const std::string& name, long data) {
        if (!listcmd::isProtectedRow(name.c_str(), data)) return;
        paths->addLast(new String(fullPathOf(name).c_str()));
        ++added;
    });
    return added;
}

int XListView_GetOfficeFileNamesList(HWND list, LinkedList* items) {
    if (selectedCount(list) == 0) return 0;
    int added = 0;
    forEachSelected(list, [&](int row, const std::string& name, long data) {
        items->addFirst(new ListItem(name.c_str(), row, data != 0 ? 1 : 0, ""));
        ++added;
    });
    return added;
}

int XListView_GetLastSelelctedItem(HWND list) {
    for (int row = listRowCount(list) - 1; row >= 0; --row) {
        if (isSelected(list, row)) return row;
    }
    return -1;
}

void XListView_EncryptSelected(HWND list) {
    LinkedList paths;
    int skipped = 0;
    if (XListView_GetNonEncSelectedFilesList(list, &paths, &skipped) == 0) {
        MessageBoxA(list, "Encrypt: Please select unencrypted files by PWD.", "Tarnwick", MB_OK | MB_ICONERROR);
        return;
    }
    // The job takes its own copy of the paths.
    startEncryptionJob(list, paths);
}

void XListView_DecryptSelected(HWND list) {
    LinkedList paths;
    int skipped = 0;
    if (XListView_GetEncSelectedFilesList(list, &paths, &skipped) == 0) {
        MessageBoxA(list, "Decrypt: Please select encrypted files by PWD.", "Tarnwick", MB_OK | MB_ICONERROR);
        return;
    }
    startDecryptionJob(list, paths);
}

void XListView_ShowPassword(HWND list) {
    const char message[] = "Password: Please select an encrypted file by PWD";
    const int row = XListView_GetLastSelelctedItem(list);
    if (row < 0 || listGetData(list, row) != kPasswordEncrypted) {
        MessageBoxA(list, message, "Tarnwick", MB_OK | MB_ICONERROR);
        return;
    }
    const std::string name = rowName(list, row);
    char password[128] = {};
    const bool derived = listcmd::isPdfName(name.c_str())
                             ? PasswordGenerator::getPdfUserPassword(name.c_str(), password)
                             : PasswordGenerator::getOfficePassword(name.c_str(), password);
    if (!derived || password[0] == '\0') return;
    PasswordExporterDialog dialog;
    dialog.prepare(list);
    dialog.show(name.c_str(), password);
}

void RunSelectedFiles(HWND list) {
    forEachSelected(list, [&](int, const std::string& name, long) {
        const std::string path = fullPathOf(name);
        const int result = ProgramLauncher().openDocument(path.c_str());
        logDebug("RunSelectedFiles,1,path=%s result=%d", path.c_str(), result);
    });
}

int XListView_DeleteSelectedFiles(HWND list) {
    const int count = selectedCount(list);
    if (count == 0) return 1;
    char question[128];
    std::snprintf(question, sizeof question, "Are you sure you want to move the selected %d files to the TrashBox?",
                  count);
    if (MessageBoxA(list, question, "Delete Files", MB_OKCANCEL | MB_ICONQUESTION) != IDOK) return 1;
    for (int row = listRowCount(list) - 1; row >= 0; --row) {
        if (!isSelected(list, row)) continue;
        const std::string name = rowName(list, row);
        const std::string path = fullPathOf(name);
        // The shell's delete reads '?' and '*' as wildcards, and a name
        // that the ANSI code page cannot spell comes with '?' in it: only a
        // path that names exactly one existing file is handed over.
        if (!listcmd::isExactFileName(name.c_str())) {
            logError("OnKeyDown,3,Not one file, not deleted: %s", path.c_str());
            continue;
        }
        if (isPlainFile(path)) {
            std::string source = path;
            source.push_back('\0');  // the list of sources ends with two NULs
            SHFILEOPSTRUCTA operation = {};
            operation.hwnd = list;
            operation.wFunc = FO_DELETE;
            operation.pFrom = source.c_str();
            operation.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SIMPLEPROGRESS;
            const int result = SHFileOperationA(&operation);
            logDebug("OnKeyDown,2,Deleted a filePath=%s d=%d", path.c_str(), result);
        }
        // A row stays while something of its name does.
        if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
            SendMessageA(list, LVM_DELETEITEM, static_cast<WPARAM>(row), 0);
        }
    }
    return 1;
}

void XListView_ChangeNameSelected(HWND list) {
    const int row = XListView_GetLastSelelctedItem(list);
    if (row < 0) return;
    const std::string name = rowName(list, row);
    if (listGetData(list, row) != kNotProtected) {
        char text[400];
        std::snprintf(text, sizeof text, "Cannot change file name for encrypted file:'%s'", name.c_str());
        renameError(list, text);
        return;
    }
    startEditing(list, row);
}

int XListView_BeginLabelEdit(HWND list, int row) {
    editedRow = row >= 0 && row < listRowCount(list) ? row : -1;
    logDebug("XListView_BeginLabelEdit,indexLabelEdit=%d", editedRow);
    return editedRow;
}

void XListView_CancelLabelEdit(HWND list) {
    if (SendMessageA(list, LVM_GETEDITCONTROL, 0, 0) == 0) return;
    cancellingEdit = true;
    SendMessageA(list, LVM_CANCELEDITLABEL, 0, 0);
    cancellingEdit = false;
}

BOOL XListView_EndLabelEdit(HWND list, int row, bool withoutText) {
    if (cancellingEdit || GetKeyState(VK_ESCAPE) < 0) return FALSE;
    // The row is the one the notification names, not the selection's.
    if (row < 0 || row >= listRowCount(list)) return FALSE;
    editedRow = row;
    const std::string oldName = rowName(list, editedRow);
    HWND edit = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETEDITCONTROL, 0, 0));
    if (edit == nullptr) return FALSE;
    char text[kNameCapacity] = {};
    GetWindowTextA(edit, text, sizeof text);
    const std::string newName = text;
    // Without text the editor was cancelled; only an emptied editor, which
    // Wine's list reports without text too, goes on to the empty-name
    // message.
    if (withoutText && !newName.empty()) return FALSE;

    switch (listcmd::classifyRename(oldName.c_str(), newName.c_str())) {
        case listcmd::RenameStart::Empty:
            renameError(list, "Error: Please enter the file name.");
            restartEditing(list);
            return FALSE;
        case listcmd::RenameStart::Same:
            return FALSE;
        case listcmd::RenameStart::CaseOnly:
            return renameFile(list, oldName, newName, true,
                              "Error: Couldn't change the file name '%s' to\r\n'%s'. \r\n");
        case listcmd::RenameStart::Full:
            break;
    }
    if (XListView_FileNameExists(newName.c_str())) {
        renameError(list, "Error: The same file name already exists.");
        restartEditing(list);
        return FALSE;
    }
    const std::unique_ptr<wchar_t[]> wide = wideFromAnsi(newName.c_str());
    switch (listcmd::checkNewFileName(oldName.c_str(), newName.c_str(), wide.get())) {
        case listcmd::NameCheck::Extension:
            renameError(list, "Error: You cannot change the file extension!");
            restartEditing(list);
            return FALSE;
        case listcmd::NameCheck::Characters:
            renameError(list, "Error: You cannot use the characters \\/:*?\"<>| in the filename!");
            restartEditing(list);
            return FALSE;
        case listcmd::NameCheck::Ok:
            break;
    }
    return renameFile(list, oldName, newName, false, "Error: Couldn't change the file name '%s' to\r\n'%s'.");
}

LRESULT XListView_OnKeyDown(HWND list, WPARAM key) {
    switch (key) {
        case VK_RETURN:
            RunSelectedFiles(list);
            return 1;
        case VK_DELETE:
            XListView_DeleteSelectedFiles(list);
            return 1;
        case VK_F2: {
            if (SendMessageA(list, LVM_GETEDITCONTROL, 0, 0) != 0) logDebug("hEdit is not null........................");
            const int row = XListView_GetLastSelelctedItem(list);
            if (row >= 0) startEditing(list, row);
            return 1;
        }
        case VK_F5:
            if (XListView_GetCurrentFolder()[0] != '\0') {
                const std::string folder = XListView_GetCurrentFolder();
                XListView_ListFolder(list, folder.c_str());
            }
            return 1;
        default:
            return 0;
    }
}

void XListView_OnContextMenu(HWND list, LPARAM position) {
    const int selected = selectedCount(list);
    POINT at = {static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
    if (at.x == -1 && at.y == -1) {
        at = {0, 0};
        ClientToScreen(list, &at);
        at.x += 5;
        at.y += 5;
    }
    HMENU menu = contextMenu();
    if (menu == nullptr) {
        MessageBoxA(list, "Failed to load a context menu,", "Tarnwick", MB_OK);
        return;
    }
    HMENU popup = GetSubMenu(menu, 0);
    if (popup == nullptr) return;

    LinkedList eligible;
    LinkedList protectedFiles;
    const int e = XListView_GetOfficePDFFilesList(list, &eligible);
    const int p = XListView_GetProtectedOfficePDFFilesList(list, &protectedFiles);
    logDebug("XListView_OnContextMenu,2,selectedFiles=%d protectedFiles =%d", e, p);
    // The clipboard is asked only where the table looks at it.
    const int clipboardFiles = (selected == 0 || e == 0) ? XListView_QueryCliboard(list) : 0;
    const listcmd::MenuStates states = listcmd::contextMenuStates(selected, e, p, clipboardFiles);
    setItemState(popup, IDM_LIST_ENCRYPT, states.encrypt);
    setItemState(popup, IDM_LIST_DECRYPT, states.decrypt);
    setItemState(popup, IDM_LIST_PASSWORD, states.password);
    setItemState(popup, IDM_LIST_OPEN, states.open);
    setItemState(popup, IDM_LIST_DELETE, states.remove);
    setItemState(popup, IDM_LIST_CHANGE_NAME, states.changeName);
    setItemState(popup, IDM_LIST_COPY, states.copy);
    setItemState(popup, IDM_LIST_PASTE, states.paste);
    setItemState(popup, IDM_LIST_REFRESH, states.refresh);
    TrackPopupMenu(popup, TPM_RIGHTBUTTON, at.x, at.y, 0, list, nullptr);
}

bool XListView_OnCommand(HWND list, int id) {
    switch (id) {
        case IDM_LIST_REFRESH: {
            const std::string folder = XListView_GetCurrentFolder();
            XListView_ListFolder(list, folder.c_str());
            return true;
        }
        case IDM_LIST_DELETE: XListView_DeleteSelectedFiles(list); return true;
        case IDM_LIST_OPEN: RunSelectedFiles(list); return true;
        case IDM_LIST_CHANGE_NAME: XListView_ChangeNameSelected(list); return true;
        case IDM_LIST_ENCRYPT: XListView_EncryptSelected(list); return false;
        case IDM_LIST_DECRYPT: XListView_DecryptSelected(list); return false;
        case IDM_LIST_PASSWORD: XListView_ShowPassword(list); return false;
        case IDM_LIST_COPY: XListView_CopyToClipboard(list); return false;
        case IDM_LIST_PASTE: XListView_PastFromClipboard(list); return false;
        default: return false;
    }
}
