#include "RemoteUi.h"

#include <commctrl.h>

#include "ProgramDriver.h"

namespace remote_ui {

namespace {

constexpr SIZE_T kRemoteBytes = 4096;
constexpr SIZE_T kTextOffset = 512;
constexpr int kTextBytes = 1024;

void send(std::vector<INPUT>& inputs) {
    if (!inputs.empty()) SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    inputs.clear();
}

INPUT mouse(DWORD flags) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    return input;
}

INPUT key(WORD code, DWORD flags) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = code;
    input.ki.dwFlags = flags;
    return input;
}

}  // namespace

std::string className(HWND window) {
    char name[128] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string messageText(HWND box) {
    std::string text;
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        if (lstrcmpiA(className(child).c_str(), "Static") == 0) {
            const std::string part = windowText(child);
            if (part.size() > text.size()) text = part;
        }
    }
    return text;
}

std::vector<HWND> topLevelWindows(DWORD processId) {
    struct Search {
        DWORD processId;
        std::vector<HWND> found;
    } search{processId, {}};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == s->processId && IsWindowVisible(window)) s->found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

RemoteList::RemoteList(HANDLE process, HWND list) : process_(process), list_(list) {}

int RemoteList::rowCount() const { return static_cast<int>(SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0)); }

int RemoteList::selectedCount() const { return static_cast<int>(SendMessageA(list_, LVM_GETSELECTEDCOUNT, 0, 0)); }

std::string RemoteList::cell(int row, int column) const {
    return program_driver::remoteListCell(process_, list_, row, column);
}

int RemoteList::rowOf(const std::string& name) const {
    for (int row = 0; row < rowCount(); ++row) {
        if (cell(row, 0) == name) return row;
    }
    return -1;
}

RECT RemoteList::itemRect(int row, int part) const {
    RECT bounds = {};
    program_driver::RemoteMemory remote(process_, sizeof(RECT));
    if (remote.get() == nullptr) return bounds;
    bounds.left = part;
    if (!WriteProcessMemory(process_, remote.get(), &bounds, sizeof bounds, nullptr)) return {};
    SendMessageA(list_, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote.get()));
    ReadProcessMemory(process_, remote.get(), &bounds, sizeof bounds, nullptr);
    return bounds;
}

POINT RemoteList::rowCentre(int row) const {
    const RECT bounds = itemRect(row, LVIR_LABEL);
    POINT centre = {bounds.left + 20, (bounds.top + bounds.bottom) / 2};
    ClientToScreen(list_, &centre);
    return centre;
}

std::vector<std::string> comboItems(HANDLE process, HWND combo) {
    std::vector<std::string> items;
    program_driver::RemoteMemory block(process, kRemoteBytes);
    char* remote = block.get();
    if (remote == nullptr) return items;
    const int count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
    for (int index = 0; index < count; ++index) {
        COMBOBOXEXITEMA item = {};
        item.mask = CBEIF_TEXT;
        item.iItem = index;
        item.pszText = remote + kTextOffset;
        item.cchTextMax = kTextBytes;
        char text[kTextBytes] = {};
        WriteProcessMemory(process, remote, &item, sizeof item, nullptr);
        WriteProcessMemory(process, remote + kTextOffset, text, sizeof text, nullptr);
        SendMessageA(combo, CBEM_GETITEMA, 0, reinterpret_cast<LPARAM>(remote));
        ReadProcessMemory(process, remote + kTextOffset, text, sizeof text - 1, nullptr);
        items.push_back(text);
    }
    return items;
}

void activate(HWND window) {
    SetForegroundWindow(window);
    testing_support::pumpUntil([&] { return GetForegroundWindow() == window; }, 2000);
}

void moveTo(POINT screen) {
    SetCursorPos(screen.x, screen.y);
    testing_support::pumpFor(30);
}

void clickAt(HWND window, POINT client) {
    ClientToScreen(window, &client);
    moveTo(client);
    std::vector<INPUT> inputs = {mouse(MOUSEEVENTF_LEFTDOWN), mouse(MOUSEEVENTF_LEFTUP)};
    send(inputs);
    testing_support::pumpFor(150);
}

void clickCentre(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    clickAt(window, {client.right / 2, client.bottom / 2});
}

void doubleClickAt(HWND window, POINT client) {
    ClientToScreen(window, &client);
    moveTo(client);
    std::vector<INPUT> inputs = {mouse(MOUSEEVENTF_LEFTDOWN), mouse(MOUSEEVENTF_LEFTUP), mouse(MOUSEEVENTF_LEFTDOWN),
                                 mouse(MOUSEEVENTF_LEFTUP)};
    send(inputs);
    testing_support::pumpFor(150);
}

void pressKeys(const std::vector<WORD>& keys, const std::vector<WORD>& modifiers) {
    std::vector<INPUT> inputs;
    for (WORD modifier : modifiers) inputs.push_back(key(modifier, 0));
    send(inputs);
    for (WORD code : keys) {
        inputs.push_back(key(code, 0));
        inputs.push_back(key(code, KEYEVENTF_KEYUP));
        send(inputs);
        testing_support::pumpFor(120);
    }
    for (WORD modifier : modifiers) inputs.push_back(key(modifier, KEYEVENTF_KEYUP));
    send(inputs);
    testing_support::pumpFor(100);
}

void drag(POINT from, POINT to) {
    moveTo(from);
    std::vector<INPUT> inputs = {mouse(MOUSEEVENTF_LEFTDOWN)};
    send(inputs);
    testing_support::pumpFor(100);
    const int steps = 8;
    for (int i = 1; i <= steps; ++i) {
        moveTo({from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps});
        testing_support::pumpFor(30);
    }
    inputs.push_back(mouse(MOUSEEVENTF_LEFTUP));
    send(inputs);
    testing_support::pumpFor(150);
}

SIZE clientSize(HWND window) {
    RECT rect = {};
    GetClientRect(window, &rect);
    return {rect.right, rect.bottom};
}

std::string buttonsCut(HANDLE process, HWND window) {
    std::string cut;
    for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        const SIZE has = clientSize(child);
        if (!IsWindowVisible(child) || lstrcmpiA(className(child).c_str(), "Button") != 0 || has.cx == 0) continue;
        SIZE wants = {};
        program_driver::sendWithRecord(process, child, BCM_GETIDEALSIZE, 0, wants);
        if (wants.cx <= 0 || wants.cx > has.cx || wants.cy > has.cy) {
            cut += windowText(child) + " wants " + std::to_string(wants.cx) + "x" + std::to_string(wants.cy) + "\n";
        }
    }
    return cut;
}

namespace {

// A row's rectangle (LVIR_BOUNDS or LVIR_LABEL) in a list of another process.
RECT rowRect(HANDLE process, HWND list, int row, int part) {
    RECT rect = {part, 0, 0, 0};
    program_driver::sendWithRecord(process, list, LVM_GETITEMRECT, static_cast<WPARAM>(row), rect);
    return rect;
}

}  // namespace

std::string columnsCut(HANDLE process, HWND list, int dpi) {
    std::string cut;
    auto check = [&](const std::string& text, int room) {
        struct {
            char text[MAX_PATH];
        } record = {};
        lstrcpynA(record.text, text.c_str(), sizeof record.text);
        const LRESULT width = program_driver::sendWithRecord(process, list, LVM_GETSTRINGWIDTHA, 0, record);
        if (width + dpi * 6 / 96 > room) cut += text + " needs " + std::to_string(width) + "\n";
    };
    RemoteList rows(process, list);
    std::string title;
    int width = 0;
    for (int column = 0; program_driver::remoteListColumn(process, list, column, title, width); ++column) {
        check(title, width);
        for (int row = 0; row < rows.rowCount(); ++row) {
            const RECT label = rowRect(process, list, row, LVIR_LABEL);
            check(rows.cell(row, column), column == 0 ? label.right - label.left : width);
        }
    }
    return cut;
}

int rowHeight(HANDLE process, HWND list) {
    const RECT bounds = rowRect(process, list, 0, LVIR_BOUNDS);
    return bounds.bottom - bounds.top;
}

}  // namespace remote_ui
