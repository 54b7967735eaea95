#pragma once

// What the file-list tests share: files, rows, real keys, message boxes,
// the clipboard and shell data objects.

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "browser/FileTransfer.h"
#include "browser/XListView.h"
#include "browser/tests/ListHost.h"
#include "foundation/LinkedList.h"
#include "testing/ModalDriver.h"
#include "testing/TestPaths.h"
#include "testing/Waiting.h"
#include "wingui/ComApartment.h"
#include "wingui/ListView.h"
#include "wingui/MessagePump.h"

namespace browser_test {

// The static control that holds a message box's text.
constexpr int kMessageTextId = 0xFFFF;

inline void writeBytes(const std::string& path, size_t size, char fill = 'x') {
    std::ofstream out(path, std::ios::binary);
    out << std::string(size, fill);
}

inline std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The names in a folder (without "." and ".."), sorted.
inline std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (std::strcmp(entry.cFileName, ".") != 0 && std::strcmp(entry.cFileName, "..") != 0) {
            names.push_back(entry.cFileName);
        }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

// A sample document of the classification tests.
inline std::string fixture(const std::string& name) {
    return testing_support::nativePath(TARNWICK_SOURCE_DIR "/classify/tests/fixtures") + "\\" + name;
}

// Handles whatever is queued, so that windows paint.
inline void settle() { testing_support::pumpFor(100); }

// A key pressed and let go through the system's input, Ctrl held with it
// when asked.
inline void pressKey(WORD key, bool withControl = false) {
    std::vector<INPUT> inputs;
    auto add = [&](WORD vk, DWORD flags) {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = vk;
        input.ki.dwFlags = flags;
        inputs.push_back(input);
    };
    if (withControl) add(VK_CONTROL, 0);
    add(key, 0);
    add(key, KEYEVENTF_KEYUP);
    if (withControl) add(VK_CONTROL, KEYEVENTF_KEYUP);
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

inline int rowOf(HWND list, const std::string& name) {
    for (int i = 0; i < listRowCount(list); ++i) {
        if (listGetCell(list, i, 0) == name) return i;
    }
    return -1;
}

// The names of the rows, top to bottom.
inline std::vector<std::string> rowNames(HWND list) {
    std::vector<std::string> names;
    for (int i = 0; i < listRowCount(list); ++i) names.push_back(listGetCell(list, i, 0));
    return names;
}

// The middle of a row's name on the screen.
inline POINT rowPoint(HWND list, int row) {
    RECT label = {};
    label.left = LVIR_LABEL;
    SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&label));
    POINT point = {(label.left + label.right) / 2, (label.top + label.bottom) / 2};
    ClientToScreen(list, &point);
    return point;
}

// Selects exactly the rows of the names (none for an empty list).
inline void select(HWND list, const std::vector<std::string>& names) {
    LVITEMA clear = {};
    clear.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&clear));
    for (const std::string& name : names) {
        const int row = rowOf(list, name);
        ASSERT_GE(row, 0) << name;
        LVITEMA item = {};
        item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    }
}

// A step that answers the message box with the caption: records its text
// and presses button.
inline testing_support::ModalDriver::Step answer(const char* caption, std::string& text, int button) {
    return [caption, &text, button] {
        HWND box = testing_support::findThreadWindow(caption);
        if (box == nullptr) return false;
        text = testing_support::windowText(GetDlgItem(box, kMessageTextId));
        testing_support::click(box, button);
        return true;
    };
}

inline void putFilesOnClipboard(const std::vector<std::string>& paths) {
    std::string packed;
    for (const std::string& path : paths) packed += path + '\0';
    packed += '\0';
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + packed.size());
    auto* files = static_cast<DROPFILES*>(GlobalLock(memory));
    files->pFiles = sizeof(DROPFILES);
    memcpy(reinterpret_cast<char*>(files) + sizeof(DROPFILES), packed.data(), packed.size());
    GlobalUnlock(memory);
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    SetClipboardData(CF_HDROP, memory);
    CloseClipboard();
}

inline void emptyClipboard() {
    OleSetClipboard(nullptr);
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
    }
}

// The paths of a CF_HDROP list, in its order.
inline std::vector<std::string> pathsOf(HDROP files) {
    std::vector<std::string> paths;
    const UINT count = DragQueryFileA(files, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        char path[MAX_PATH] = {};
        DragQueryFileA(files, i, path, sizeof path);
        paths.push_back(path);
    }
    return paths;
}

// The paths of the clipboard's CF_HDROP list; empty without one.
inline std::vector<std::string> clipboardPaths() {
    std::vector<std::string> paths;
    if (!OpenClipboard(nullptr)) return paths;
    HDROP files = static_cast<HDROP>(GetClipboardData(CF_HDROP));
    if (files != nullptr) paths = pathsOf(files);
    CloseClipboard();
    return paths;
}

// A shell data object for files of another folder, as the desktop offers
// when files are dragged from it.
inline IDataObject* shellDataObject(const std::string& folder, const std::vector<std::string>& names) {
    LinkedList items;
    for (const std::string& name : names) items.addLast(new ListItem(name.c_str(), 0, 0, ""));
    IDataObject* data = nullptr;
    EXPECT_TRUE(XListView_GetFilesDataObject(folder.c_str(), &items, &data));
    return data;
}

// What a file-list test holds: an OLE apartment (clipboard, drag and drop)
// and a host window at (60, 60) whose list shows folder.
class ListedFolder {
public:
    ListedFolder(const char* title, const std::string& folder) : host(std::make_unique<ListHost>(title, 60, 60)) {
        XListView_ListFolder(host->list, folder.c_str());
        settle();
    }
    ~ListedFolder() {
        host.reset();
        settle();
    }
    ListedFolder(const ListedFolder&) = delete;
    ListedFolder& operator=(const ListedFolder&) = delete;
    HWND list() const { return host->list; }

    ComApartment ole{ComApartment::Kind::Ole};
    std::unique_ptr<ListHost> host;
};

}  // namespace browser_test
