#include "browser/FileTransfer.h"

#include <commctrl.h>
#include <shlobj.h>

#include <wrl/client.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "browser/CommandRules.h"
#include "browser/ListCommands.h"
#include "browser/ListRows.h"
#include "browser/XListView.h"
#include "classify/FileType.h"
#include "classify/RightsManagedFile.h"
#include "foundation/AnsiCodePage.h"
#include "foundation/Exception.h"
#include "foundation/LinkedList.h"
#include "foundation/Log.h"
#include "foundation/Registry.h"
#include "foundation/String.h"
#include "foundation/StringConverter.h"
#include "foundation/WinHandles.h"
#include "wingui/ListView.h"

using Microsoft::WRL::ComPtr;

namespace {

const char kDropCaption[] = "Drag & Drop";

// "...no right to update the access rights, so left out %s\n", kept in the
// Shift_JIS code page like the other Japanese log texts.
const char kNoCertificateText[] =
    "XListView_DragDropFiles,10,"
    "\x83\x41\x83\x4e\x83\x5a\x83\x58\x8c\xa0\x8c\xc0\x82\xf0\x8d\x58\x90\x56\x82\xb7\x82\xe9\x8c\xa0\x97\x98"
    "\x82\xaa\x82\xc8\x82\xa2\x82\xcc\x82\xc5\x8f\x9c\x8a\x4f"
    " %s\n";

FORMATETC fileListFormat() { return {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL}; }

void clearSelection(HWND list) {
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED;
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
}

// The paths of a CF_HDROP list. A path longer than 259 characters is left
// out (and logged) rather than cut into the name of another file.
std::vector<std::string> droppedPaths(HDROP files, const char* logName) {
    std::vector<std::string> paths;
    const UINT count = DragQueryFileA(files, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        const UINT length = DragQueryFileA(files, i, nullptr, 0);
        if (length == 0) continue;
        if (length >= MAX_PATH) {
            logError("%s,0,Path too long, left out (%u characters)", logName, length);
            continue;
        }
        char path[MAX_PATH] = {};
        DragQueryFileA(files, i, path, sizeof path);
        paths.emplace_back(path);
    }
    return paths;
}

// True when both paths name one file, whatever their spelling: the same
// text without regard to case, or the same volume and file index (another
// drive letter, a short name, a link).
bool isSameFile(const std::string& first, const std::string& second) {
    if (lstrcmpiA(first.c_str(), second.c_str()) == 0) return true;
    auto identify = [](const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
        unique_hfile file(CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        return file && GetFileInformationByHandle(file.get(), &info);
    };
    BY_HANDLE_FILE_INFORMATION a, b;
    if (!identify(first, a) || !identify(second, b)) return false;
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
           a.nFileIndexLow == b.nFileIndexLow;
}

// The destination of a source in the current folder; false when it would
// not fit a path buffer (left out, never cut).
bool destinationOf(const std::string& source, std::string& destination) {
    const char* folder = XListView_GetCurrentFolder();
    const char* name = ansiFileNameOfPath(source.c_str());
    if (!listrows::fitsPath(std::strlen(folder), std::strlen(name), MAX_PATH)) return false;
    destination = std::string(folder) + name;
    return true;
}

void showSameFile(HWND list, const char* format, const std::string& source) {
    char text[1200];
    std::snprintf(text, sizeof text, format, source.c_str());
    MessageBoxA(list, text, kDropCaption, MB_OK | MB_ICONERROR);
}

// Logs whether the current user may update the rights of a copied
// rights-managed document.
void examineRights(const std::string& destination) {
    try {
        RightsManagedFile document(destination.c_str());
        String owner;
        if (!document.getOwner(owner)) return;
        if (hasClientLicensorCertificate(owner.getContents())) {
            logDebug("XListView_DragDropFiles,9,Found a CLC for owner= %s\n", owner.getContents());
        } else {
            logDebug(kNoCertificateText, destination.c_str());
        }
    } catch (...) {
        logError("XListView_DragDropFiles,11,Rights examination failed %s", destination.c_str());
    }
}

// Runs use(files) on the CF_HDROP list of a data object.
template <typename Use>
bool withFileList(IDataObject* data, Use use) {
    FORMATETC format = fileListFormat();
    STGMEDIUM medium = {};
    if (FAILED(data->GetData(&format, &medium))) return false;
    HDROP files = static_cast<HDROP>(GlobalLock(medium.hGlobal));
    if (files != nullptr) {
        use(files);
        GlobalUnlock(medium.hGlobal);
    }
    ReleaseStgMedium(&medium);
    return true;
}

// An existing file that a copy replaces. It is set aside (renamed to its
// own path followed by a new GUID) rather than deleted, so that a copy that
// fails does not lose it. Whatever happens after, the guard's end deletes it
// when its replacement is in place and otherwise puts it back under its
// name, with its attributes (read-only included).
class SetAsideFile {
public:
    SetAsideFile() = default;
    ~SetAsideFile() { finish(); }
    SetAsideFile(const SetAsideFile&) = delete;
    SetAsideFile& operator=(const SetAsideFile&) = delete;

    // Moves destination (with these attributes) out of the way; false, with
    // the file as it was, when its place for the meantime would not fit a
    // path or the file is held.
    bool setAside(const std::string& destination, DWORD attributes) {
        String guid;
        std::string parked;
        if (Guid().toString(guid)) parked = destination + guid.getContents();
        const bool readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
        if (readOnly) SetFileAttributesA(destination.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
        if (parked.empty() || parked.size() >= MAX_PATH || !MoveFileA(destination.c_str(), parked.c_str())) {
            if (readOnly) SetFileAttributesA(destination.c_str(), attributes);
            return false;
        }
        destination_ = destination;
        parked_ = parked;
        attributes_ = attributes;
        return true;
    }

    // The replacement is in place: the old file goes at the guard's end.
    void replaced() { replaced_ = true; }

private:
    void finish() noexcept {
        if (parked_.empty()) return;
        if (replaced_) {
            SetFileAttributesA(parked_.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(parked_.c_str());
        } else if (MoveFileA(parked_.c_str(), destination_.c_str())) {
            SetFileAttributesA(destination_.c_str(), attributes_);
        } else {
            logError("SetAsideFile,1,Could not restore %s from %s", destination_.c_str(), parked_.c_str());
        }
    }

    std::string destination_;
    std::string parked_;
    DWORD attributes_ = 0;
    bool replaced_ = false;
};

// How the way to a copy's destination was cleared.
enum class Clearance {
    Refused,   // nothing is copied (the user was told or asked)
    Free,      // nothing was there
    SetAside,  // an existing file waits in the guard to be replaced
};

// Clears the way for a copy to destination. An existing file is replaced
// only when the user agrees; a folder of that name is never replaced; a
// file that cannot be set aside stays, and the user is told.
Clearance clearWay(HWND list, const std::string& destination, SetAsideFile& old) {
    const DWORD attributes = GetFileAttributesA(destination.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        logDebug("clearWay,1,not found %s", destination.c_str());
        return Clearance::Free;
    }
    char text[1400];
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        std::snprintf(text, sizeof text,
                      "Error: Couldn't drop the directory '%s' to the destination folder,\r\n because the same name "
                      "directory already exists",
                      destination.c_str());
        MessageBoxA(list, text, kDropCaption, MB_OK | MB_ICONERROR);
        return Clearance::Refused;
    }
    std::snprintf(text, sizeof text,
                  "The same file name '%s' already exists in the destination drop target.\r\nAre you sure you want "
                  "to overwrite it?",
                  destination.c_str());
    // Asked before anything changes: a cancelled overwrite leaves the file
    // exactly as it was, read-only included.
    if (MessageBoxA(list, text, kDropCaption, MB_OKCANCEL | MB_ICONQUESTION) != IDOK) return Clearance::Refused;
    if (!old.setAside(destination, attributes)) {
        logError("clearWay,2,Could not set aside %s", destination.c_str());
        std::snprintf(text, sizeof text, "Error: Couldn't overwrite the file '%s'. It stays as it was.",
                      destination.c_str());
        MessageBoxA(list, text, kDropCaption, MB_OK | MB_ICONERROR);
        return Clearance::Refused;
    }
    return Clearance::SetAside;
}

// What copying one file into the current folder came to.
enum class CopyOutcome {
    NotCopied,  // refused or failed; any file it was to replace is back
    Added,      // a new file: the list needs a row for it
    Replaced,   // an existing file (and its row) got the new content
};

CopyOutcome copyOneFile(HWND list, const std::string& source, const std::string& destination) {
    SetAsideFile old;
    const Clearance clearance = clearWay(list, destination, old);
    if (clearance == Clearance::Refused) return CopyOutcome::NotCopied;
    if (!CopyFileA(source.c_str(), destination.c_str(), TRUE)) {
        logError("copyOneFile,1,CopyFile failed %s (%lu)", destination.c_str(), GetLastError());
        return CopyOutcome::NotCopied;
    }
    old.replaced();
    return clearance == Clearance::Free ? CopyOutcome::Added : CopyOutcome::Replaced;
}

// Where files come from: what differs between a paste and a drop.
struct Intake {
    const char* logName;
    bool documentsOnly;       // only the files the list shows are taken
    bool examinesRights;      // a rights-managed copy is examined
    const char* sameFileText;  // the source is the destination itself
};

const Intake kPaste = {"XListView_DoPaste", false, false,
                       "Error: Cannot copy the file '%s' to the destination folder, because the same file name "
                       "already exists."};
const Intake kDrop = {"XListView_DragDropFiles", true, true,
                      "Cannot copy the file '%s' to the destination folder, because the same file name already "
                      "exists"};

// Copies (or, with move, moves) the files of a CF_HDROP list that intake
// takes into the current folder, asking before an overwrite; new files get
// a row. What it was offered and what it took.
listcmd::DropTally copyIntoCurrentFolder(HWND list, HDROP files, const Intake& intake, bool move) {
    logDebug("%s,1,Start destination=%s", intake.logName, XListView_GetCurrentFolder());
    clearSelection(list);
    listcmd::DropTally tally;
    tally.moved = move;
    if (files == nullptr) {
        logError("%s,2,HDROP is NULL", intake.logName);
        return tally;
    }
    // Every entry counts, also those left out before they are looked at.
    tally.offered = static_cast<int>(DragQueryFileA(files, 0xFFFFFFFF, nullptr, 0));
    for (const std::string& source : droppedPaths(files, intake.logName)) {
        if (!isPlainFile(source)) continue;
        if (intake.documentsOnly && !FileType::isOfficeFile(source.c_str())) continue;
        std::string destination;
        if (!destinationOf(source, destination)) {
            logError("%s,3,Destination too long for %s", intake.logName, source.c_str());
            continue;
        }
        if (isSameFile(source, destination)) {
            showSameFile(list, intake.sameFileText, source);
            continue;
        }
        logDebug("%s,4,Copying source=%s dest=%s", intake.logName, source.c_str(), destination.c_str());
        const CopyOutcome outcome = copyOneFile(list, source, destination);
        if (outcome == CopyOutcome::NotCopied) continue;
        ++tally.taken;
        if (move && !DeleteFileA(source.c_str())) {
            logError("%s,5,Failed to delete a sourcefile %s", intake.logName, source.c_str());
        }
        if (intake.examinesRights) examineRights(destination);
        if (outcome == CopyOutcome::Added) XListView_InsertDroppedFile(list, destination.c_str());
    }
    logDebug("%s,6,End offered=%d taken=%d", intake.logName, tally.offered, tally.taken);
    return tally;
}

// The shell's item ids of one data object: the folder's and its items',
// freed with the shell's allocator.
struct ItemIds {
    ItemIds() = default;
    ItemIds(const ItemIds&) = delete;
    ItemIds& operator=(const ItemIds&) = delete;
    ~ItemIds() {
        if (!allocator) return;
        for (LPITEMIDLIST entry : entries) allocator->Free(entry);
        if (folder != nullptr) allocator->Free(folder);
    }

    ComPtr<IMalloc> allocator;
    LPITEMIDLIST folder = nullptr;
    std::vector<LPITEMIDLIST> entries;
};

// The shell folder of folder, its item id kept in ids; null (logged) when the
// shell cannot parse or bind it.
ComPtr<IShellFolder> bindFolder(IShellFolder* desktop, const char* folder, ItemIds& ids) {
    ComPtr<IShellFolder> shellFolder;
    std::unique_ptr<wchar_t[]> wideFolder = wideFromAnsi(folder);
    if (!wideFolder ||
        FAILED(desktop->ParseDisplayName(nullptr, nullptr, wideFolder.get(), nullptr, &ids.folder, nullptr))) {
        logError("XListView_GetFilesDataObject,1,Failed in ParseDisplayName");
    } else if (FAILED(desktop->BindToObject(ids.folder, nullptr, IID_IShellFolder,
                                            reinterpret_cast<void**>(shellFolder.GetAddressOf())))) {
        logError("XListView_GetFilesDataObject,2,BindToObject");
    }
    return shellFolder;
}

// Adds the item id of each item (ListItem names) that the shell folder can
// parse to ids; the others are logged and left out.
void parseItems(IShellFolder* shellFolder, LinkedList& items, ItemIds& ids) {
    for (Iterator* node = items.getHead(); node != nullptr; node = node->getNext()) {
        const auto* item = dynamic_cast<const ListItem*>(node->getObject());
        if (item == nullptr) continue;
        String name;
        item->getName(name);
        std::unique_ptr<wchar_t[]> wideName = wideFromAnsi(name.getContents());
        LPITEMIDLIST entry = nullptr;
        if (!wideName ||
            FAILED(shellFolder->ParseDisplayName(nullptr, nullptr, wideName.get(), nullptr, &entry, nullptr))) {
            logError("XListView_GetFilesDataObject,3,Failed in BindToObject %s", name.getContents());
            continue;
        }
        ids.entries.push_back(entry);
    }
}

// The shell's data object for the parsed items; false (logged) when there
// are none or the shell makes none.
bool offerItems(IShellFolder* shellFolder, std::vector<LPITEMIDLIST>& entries, IDataObject** dataObject) {
    if (!entries.empty() &&
        SUCCEEDED(shellFolder->GetUIObjectOf(nullptr, static_cast<UINT>(entries.size()),
                                             const_cast<LPCITEMIDLIST*>(entries.data()), IID_IDataObject, nullptr,
                                             reinterpret_cast<void**>(dataObject)))) {
        return true;
    }
    logError("XListView_GetFilesDataObject,4,Failed in GetUIObjectOf");
    return false;
}

CDropTarget* dropTarget = nullptr;

}  // namespace

bool isPlainFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

CDropTarget* XListView_DropTarget() {
    if (dropTarget == nullptr) dropTarget = new CDropTarget();
    return dropTarget;
}

bool XListView_GetFilesDataObject(const char* folder, LinkedList* items, IDataObject** dataObject) {
    *dataObject = nullptr;
    const int n = items != nullptr ? items->getLength() : 0;
    if (n == 0) {
        logDebug("XListView_GetFilesDataObject,1,Start %d", n);
        return false;
    }
    ItemIds ids;
    bool made = false;
    try {
        ComPtr<IShellFolder> desktop;
        if (FAILED(SHGetMalloc(&ids.allocator)) || FAILED(SHGetDesktopFolder(&desktop))) {
            throw Exception("no shell allocator or desktop", 0);
        }
        ComPtr<IShellFolder> shellFolder = bindFolder(desktop.Get(), folder, ids);
        if (shellFolder) {
            parseItems(shellFolder.Get(), *items, ids);
            // Only the names the shell could parse are offered.
            made = offerItems(shellFolder.Get(), ids.entries, dataObject);
        }
    } catch (const Exception& e) {
        logError("XListView_GetFilesDataObject,5,Exception %s", e.getMessage());
    } catch (...) {
        logError("XListView_GetFilesDataObject,5,Exception %s", "unknown");
    }
    if (!made) *dataObject = nullptr;
    return made;
}

void XListView_CopyToClipboard(HWND list) {
    LinkedList items;
    if (XListView_GetOfficeFileNamesList(list, &items) == 0) return;
    ComPtr<IDataObject> data;
    if (!XListView_GetFilesDataObject(XListView_GetCurrentFolder(), &items, data.GetAddressOf())) return;
    logDebug("XListView_CopyToClipboard,2,GetDataObject OK");
    if (SUCCEEDED(OleSetClipboard(data.Get()))) {
        logDebug("XListView_CopyToClipboard,3,OleSetClipboard OK\n");
        OleFlushClipboard();
    }
}

int XListView_QueryCliboard(HWND) {
    int count = 0;
    ComPtr<IDataObject> data;
    if (SUCCEEDED(OleGetClipboard(data.GetAddressOf()))) {
        withFileList(data.Get(), [&](HDROP files) {
            for (const std::string& path : droppedPaths(files, "XListView_QueryCliboard")) {
                if (isPlainFile(path)) ++count;
            }
        });
    }
    logDebug("XListView_QueryCliboard,4,End num=%d", count);
    return count;
}

void XListView_PastFromClipboard(HWND list) {
    ComPtr<IDataObject> data;
    if (FAILED(OleGetClipboard(data.GetAddressOf()))) return;
    withFileList(data.Get(), [&](HDROP files) { XListView_DoPaste(list, files); });
}

void XListView_DoPaste(HWND list, HDROP files) { copyIntoCurrentFolder(list, files, kPaste, false); }

listcmd::DropTally XListView_DragDropFiles(HWND list, HDROP files, bool move) {
    return copyIntoCurrentFolder(list, files, kDrop, move);
}

void XListView_OnBegindrag(HWND list) {
    logDebug("XListView_OnBegindrag,1,Start");
    LinkedList items;
    if (XListView_GetOfficeFileNamesList(list, &items) == 0) return;
    ComPtr<IDataObject> data;
    if (!XListView_GetFilesDataObject(XListView_GetCurrentFolder(), &items, data.GetAddressOf())) return;
    logDebug("XListView_OnBegindrag,2,XListView_GetFilesData");
    ComPtr<CDropSource> source;
    source.Attach(new CDropSource());
    DWORD effect = DROPEFFECT_NONE;
    const HRESULT result = DoDragDrop(data.Get(), source.Get(), DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect);
    if (SUCCEEDED(result) && effect == DROPEFFECT_NONE) {
        logDebug("XListView_OnBeginDrag,3,effect NONE= %d", static_cast<int>(effect));
        XListView_Refresh(list, &items);
    } else {
        logDebug("XListView_OnBeginDrag,4,effect OTHER= %d", static_cast<int>(effect));
    }
}

CDropTarget::CDropTarget() : references_(1), window_(nullptr), accept_(false) {}

CDropTarget::~CDropTarget() = default;

HRESULT CDropTarget::QueryInterface(REFIID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    if (IsEqualIID(iid, IID_IDropTarget) || IsEqualIID(iid, IID_IUnknown)) {
        AddRef();
        *object = static_cast<IDropTarget*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG CDropTarget::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&references_)); }

ULONG CDropTarget::Release() {
    const LONG count = InterlockedDecrement(&references_);
    if (count == 0) {
        if (dropTarget == this) dropTarget = nullptr;
        delete this;
    }
    return static_cast<ULONG>(count);
}

HRESULT CDropTarget::DragEnter(IDataObject* data, DWORD keyState, POINTL, DWORD* effect) {
    FORMATETC format = fileListFormat();
    accept_ = data != nullptr && data->QueryGetData(&format) == S_OK;
    if (accept_) {
        *effect = listcmd::dropEffect(keyState, *effect);
        SetFocus(window_);
    } else {
        *effect = DROPEFFECT_NONE;
    }
    return S_OK;
}

HRESULT CDropTarget::DragOver(DWORD keyState, POINTL, DWORD* effect) {
    *effect = accept_ ? listcmd::dropEffect(keyState, *effect) : DROPEFFECT_NONE;
    return S_OK;
}

HRESULT CDropTarget::DragLeave() {
    accept_ = false;
    return S_OK;
}

HRESULT CDropTarget::Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) {
    if (!accept_ || data == nullptr) {
        *effect = DROPEFFECT_NONE;
        return S_OK;
    }
    // On entry the effects the source allows; on return what was done, for
    // a source that finishes a move by deleting its originals.
    const DWORD allowed = *effect;
    listcmd::DropTally tally;
    try {
        FORMATETC format = fileListFormat();
        if (data->QueryGetData(&format) == S_OK) {
            const bool move = listcmd::dropMoves(GetKeyState(VK_CONTROL) < 0, allowed);
            SetForegroundWindow(window_);
            withFileList(data, [&](HDROP files) { tally = XListView_DragDropFiles(window_, files, move); });
        }
    } catch (...) {
        logError("CDropTarget::Drop,1,Unexpected exception");
    }
    *effect = listcmd::performedDropEffect(tally, allowed);
    logDebug("CDropTarget::Drop,2,offered=%d taken=%d effect=%lu", tally.offered, tally.taken, *effect);
    return S_OK;
}

CDropSource::CDropSource() : references_(1), dropped_(false) {}

HRESULT CDropSource::QueryInterface(REFIID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    if (IsEqualIID(iid, IID_IDropSource) || IsEqualIID(iid, IID_IUnknown)) {
        AddRef();
        *object = static_cast<IDropSource*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG CDropSource::AddRef() { return ++references_; }

ULONG CDropSource::Release() {
    const ULONG count = --references_;
    if (count == 0) delete this;
    return count;
}

HRESULT CDropSource::QueryContinueDrag(BOOL escapePressed, DWORD keyState) {
    switch (listcmd::continueDrag(escapePressed != FALSE, keyState)) {
        case listcmd::DragStep::Cancel: return DRAGDROP_S_CANCEL;
        case listcmd::DragStep::Continue: return S_OK;
        case listcmd::DragStep::Drop: break;
    }
    dropped_ = true;
    return DRAGDROP_S_DROP;
}

HRESULT CDropSource::GiveFeedback(DWORD) { return DRAGDROP_S_USEDEFAULTCURSORS; }
