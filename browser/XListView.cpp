#include "browser/XListView.h"

#include <shellapi.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "browser/FileTransfer.h"
#include "browser/ListCommands.h"
#include "browser/ListRows.h"
#include "classify/EncryptedFileFinder.h"
#include "foundation/LinkedList.h"
#include "foundation/Log.h"
#include "foundation/String.h"
#include "foundation/WinHandles.h"
#include "resources/TarnwickIds.h"
#include "wingui/ListView.h"
#include "wingui/ProcessWindows.h"
#include "wingui/Subclass.h"

namespace {

// The current folder: at most 1023 characters, ending in a backslash, or
// empty when no file-system folder is shown.
char currentFolder[1024];

// Search patterns and full paths are built in buffers of this size; what
// does not fit is left out, never cut.
constexpr std::size_t kPathCapacity = MAX_PATH;

void setCurrentFolder(const char* folder) {
    if (folder == nullptr) folder = "";
    std::size_t length = std::strlen(folder);
    if (length >= sizeof currentFolder) {
        logError("XListView_ListFolder,1,Folder too long, not listed: %s", folder);
        length = 0;
    }
    std::memmove(currentFolder, folder, length);
    currentFolder[length] = '\0';
}

void setSubItem(HWND list, int row, int column, const char* text) { listSetCell(list, row, column, text); }

// The row that shows name: the one at index while it still does, else the
// row found by name (the list may have been listed again since the index
// was taken, for instance by a job ending during a drag); -1 when none does.
int rowNamed(HWND list, int index, const char* name) {
    if (name == nullptr) return -1;
    if (listGetCell(list, index, 0) == name) return index;
    LVFINDINFOA find = {};
    find.flags = LVFI_STRING;
    find.psz = name;
    return static_cast<int>(
        SendMessageA(list, LVM_FINDITEMA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
}

// The list's own procedure, laid over the list view's in the ANSI form. It
// belongs to the window and goes with it.
class FileListProcedure final : public Subclass {
public:
    FileListProcedure() : Subclass("XListView_WndProc") {}

protected:
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void onWindowGone() override { delete this; }
};

}  // namespace

HWND XListView_Create(HWND parent, int id) {
    currentFolder[0] = '\0';
    HWND list = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                                WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SORTASCENDING |
                                    LVS_SHAREIMAGELISTS | LVS_NOLABELWRAP | LVS_EDITLABELS,
                                400, 0, 200, 200, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                Program_GetInstance(), nullptr);
    if (list == nullptr) return nullptr;
    auto procedure = std::make_unique<FileListProcedure>();
    if (procedure->install(list, Subclass::Form::Ansi)) procedure.release();  // the window's from now on
    listUseSystemImages(list);
    // The drop target stays registered for the window's life; the lock
    // keeps OLE's stub of it alive between drags.
    CDropTarget* target = XListView_DropTarget();
    target->bind(list);
    CoLockObjectExternal(target, TRUE, FALSE);
    const HRESULT registered = RegisterDragDrop(list, target);
    if (FAILED(registered)) logError("XListView_Create,1,RegisterDragDrop failed 0x%08lx", registered);
    return list;
}

BOOL XListView_SetColumns(HWND list) {
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    for (int i = 0; i < 10; ++i) SendMessageA(list, LVM_DELETECOLUMN, 0, 0);
    const ListColumn columns[] = {{"FileName", 300},
                                  {"Encrypted", 80},
                                  {"LastModified", 110},
                                  {"Type", 110},
                                  {"Size(KB)", 60, LVCFMT_RIGHT}};
    listAddColumns(list, columns);
    return TRUE;
}

void XListView_ListFolder(HWND list, const char* folder) {
    // A name being edited belongs to a row that is about to go: the editor
    // is cancelled, never ended with its text on another row.
    XListView_CancelLabelEdit(list);
    setCurrentFolder(folder);
    EnableWindow(list, currentFolder[0] != '\0');
    HCURSOR previous = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);

    const std::size_t folderLength = std::strlen(currentFolder);
    if (folderLength != 0 && listrows::fitsPath(folderLength, 3, kPathCapacity)) {
        const std::string pattern = std::string(currentFolder) + "*.*";
        WIN32_FIND_DATAA entry;
        unique_hfind search(FindFirstFileA(pattern.c_str(), &entry));
        if (search) {
            do {
                if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) continue;
                if (std::strcmp(entry.cFileName, ".") == 0) continue;
                if (!listrows::isListedName(entry.cFileName)) continue;
                if (!listrows::fitsPath(folderLength, std::strlen(entry.cFileName), kPathCapacity)) {
                    logError("XListView_ListFolder,2,Path too long, not listed: %s%s", currentFolder,
                             entry.cFileName);
                    continue;
                }
                const std::string fullPath = std::string(currentFolder) + entry.cFileName;
                XListView_InsertFile(list, entry, fullPath.c_str());
            } while (FindNextFileA(search.get(), &entry));
        }
    } else if (folderLength != 0) {
        logError("XListView_ListFolder,3,Search pattern too long, not listed: %s", currentFolder);
    }

    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    // Turning redrawing on again does not repaint by itself.
    InvalidateRect(list, nullptr, TRUE);
    SetCursor(previous);
}

int XListView_InsertFile(HWND list, const WIN32_FIND_DATAA& entry, const char* fullPath) {
    const std::string size =
        listrows::sizeText((static_cast<std::uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow);

    std::string date;
    FILETIME local;
    SYSTEMTIME time;
    if (FileTimeToLocalFileTime(&entry.ftLastWriteTime, &local) && FileTimeToSystemTime(&local, &time)) {
        date = listrows::dateText(time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute);
    }

    SHFILEINFOA type = {};
    SHGetFileInfoA(fullPath, 0, &type, sizeof type, SHGFI_TYPENAME | SHGFI_USEFILEATTRIBUTES);

    EncryptionState state = kNotProtected;
    EncryptionState found = kNotProtected;
    if (EncryptedFileFinder().isEncrypted(fullPath, found) &&
        (found == kRightsManaged || found == kPasswordEncrypted)) {
        state = found;
    }

    // The small icon's place in the system image list, by the extension as
    // the type name is: asked of the file itself, the shell opens it and
    // takes some milliseconds a file under Wine, many times what the state
    // costs, and no icon handle is needed for the index.
    int image = -1;
    SHFILEINFOA icon = {};
    if (SHGetFileInfoA(fullPath, FILE_ATTRIBUTE_NORMAL, &icon, sizeof icon,
                       SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES) != 0) {
        image = icon.iIcon;
    }

    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    item.iItem = 0;
    item.pszText = const_cast<char*>(entry.cFileName);
    item.iImage = image;
    item.lParam = state;
    if (state == kNotProtected) {
        item.mask |= LVIF_STATE;
        item.state = LVIS_CUT;
        item.stateMask = LVIS_CUT;
    }
    const int row = static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    if (row < 0) return -1;
    setSubItem(list, row, 1, listrows::stateText(state));
    setSubItem(list, row, 2, date.c_str());
    setSubItem(list, row, 3, type.szTypeName);
    setSubItem(list, row, 4, size.c_str());
    return row;
}

void XListView_InsertDroppedFile(HWND list, const char* fullPath) {
    if (fullPath == nullptr) return;
    WIN32_FIND_DATAA entry;
    unique_hfind search(FindFirstFileA(fullPath, &entry));
    if (!search) return;
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 || std::strcmp(entry.cFileName, ".") == 0) return;
    const int row = XListView_InsertFile(list, entry, fullPath);
    if (row == -1) return;
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED;
    item.state = LVIS_SELECTED;
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

void XListView_Refresh(HWND list, LinkedList* items) {
    if (items == nullptr) return;
    for (Iterator* node = items->getHead(); node != nullptr; node = node->getNext()) {
        const auto* item = dynamic_cast<const ListItem*>(node->getObject());
        if (item == nullptr) continue;
        String name;
        item->getName(name);
        const std::string fullPath = std::string(currentFolder) + (name.getContents() ? name.getContents() : "");
        logDebug("XListView_Refresh,1,fullpath=%s", fullPath.c_str());
        if (GetFileAttributesA(fullPath.c_str()) == INVALID_FILE_ATTRIBUTES) {
            logDebug("XListView_Refresh,2,removed fullpath=%s", fullPath.c_str());
            const int row = rowNamed(list, item->getIndex(), name.getContents());
            if (row >= 0) SendMessageA(list, LVM_DELETEITEM, static_cast<WPARAM>(row), 0);
        }
    }
}

int XListView_SelectAll(HWND list) {
    const int count = listRowCount(list);
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    for (int row = 0; row < count; ++row) {
        SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    }
    return count;
}

const char* XListView_GetCurrentFolder() { return currentFolder; }

LRESULT XListView_OnCustomDraw(NMLVCUSTOMDRAW* draw) {
    const DWORD stage = draw->nmcd.dwDrawStage;
    if (stage == CDDS_ITEMPREPAINT || stage == (CDDS_ITEMPREPAINT | CDDS_SUBITEM)) {
        draw->clrText = listrows::textColour(static_cast<long>(draw->nmcd.lItemlParam));
        draw->clrTextBk = CLR_DEFAULT;
    }
    return CDRF_NOTIFYITEMDRAW | CDRF_NOTIFYPOSTPAINT;
}

namespace {

LRESULT FileListProcedure::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND list = window_;
    try {
        switch (message) {
            case LVM_EDITLABELA:
                logDebug("ListView::LVM_EDITLABEL");
                break;
            case WM_GETDLGCODE:
                return DLGC_WANTALLKEYS;
            case WM_COMMAND:
                if (XListView_OnCommand(list, LOWORD(wParam))) return 1;
                break;
            case WM_KEYDOWN:
                passOn(message, wParam, lParam);
                return XListView_OnKeyDown(list, wParam);
            case WM_DESTROY:
                RevokeDragDrop(list);
                break;
            case WM_CONTEXTMENU:
                XListView_OnContextMenu(list, lParam);
                return 1;
            case WM_LBUTTONDBLCLK:
                RunSelectedFiles(list);
                return 1;
            case WM_JOB_DONE:
                XListView_ListFolder(list, currentFolder);
                return 1;
            default:
                break;
        }
    } catch (...) {
        // Answered here: the control may have had the message already
        // (WM_KEYDOWN).
        logError("XListView_WndProc,1,Unexpected exception at message 0x%x", message);
        return 0;
    }
    return passOn(message, wParam, lParam);
}

}  // namespace
