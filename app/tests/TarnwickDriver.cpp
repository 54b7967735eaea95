#include "TarnwickDriver.h"

#include <commctrl.h>
#include <winioctl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "office/tests/OfficeTestSupport.h"
#include "resources/TarnwickIds.h"
#include "settings/PasswordGenerator.h"
#include "testing/TestPaths.h"
#include "testing/UnixCommand.h"
#include "testing/Waiting.h"

using namespace remote_ui;
using testing_support::pumpFor;
using testing_support::pumpUntil;

namespace program_driver {

namespace {

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

Tarnwick::Tarnwick(const std::string& program) { started_ = process_.start("\"" + program + "\""); }

Tarnwick::~Tarnwick() {
    if (!started_ || !process_.isRunning() || window == nullptr) return;
    PostMessageA(window, WM_CLOSE, 0, 0);
    DWORD code = 0;
    process_.waitForExit(15000, code);
}

bool Tarnwick::waitForMainWindow(const std::string& titleEnd) {
    if (!started_) return false;
    // The first start in a new prefix can be slow on a loaded machine.
    window = nullptr;
    pumpUntil(
        [&] {
            HWND found = mainWindow(process_.id());
            if (found != nullptr && endsWith(windowText(found), titleEnd)) window = found;
            return window != nullptr;
        },
        120000);
    if (window == nullptr) return false;
    // The title can come before the dialog has made its list.
    pumpUntil([&] { return GetDlgItem(window, IDC_MAIN_LIST) != nullptr; }, 30000);
    list = GetDlgItem(window, IDC_MAIN_LIST);
    rows = std::make_unique<RemoteList>(process_.handle(), list);
    // The first layout and the simulated splitter click come as posted
    // messages: let them pass.
    pumpFor(800);
    return list != nullptr;
}

HWND Tarnwick::tree() const {
    HWND found = FindWindowExA(window, nullptr, WC_TREEVIEWA, nullptr);
    if (found != nullptr) return found;
    HWND host = FindWindowExA(window, nullptr, "SHBrowseForFolder ShellNameSpace Control", nullptr);
    return FindWindowExA(host, nullptr, WC_TREEVIEWA, nullptr);
}

std::string Tarnwick::itemText(HWND folders, LPARAM item) const {
    RemoteMemory block(process_.handle(), 1024);
    char* remote = block.get();
    TVITEMA request = {};
    request.mask = TVIF_TEXT;
    request.hItem = reinterpret_cast<HTREEITEM>(item);
    request.pszText = remote + 256;
    request.cchTextMax = 512;
    WriteProcessMemory(process_.handle(), remote, &request, sizeof request, nullptr);
    SendMessageA(folders, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(remote));
    char text[512] = {};
    ReadProcessMemory(process_.handle(), remote + 256, text, sizeof text - 1, nullptr);
    return text;
}

LPARAM Tarnwick::treeItem(UINT relation, LPARAM item) const {
    return static_cast<LPARAM>(SendMessageA(tree(), TVM_GETNEXTITEM, relation, item));
}

LPARAM Tarnwick::childNamed(LPARAM parent, const std::string& name) const {
    HWND folders = tree();
    SendMessageA(folders, TVM_EXPAND, TVE_EXPAND, parent);
    for (LPARAM child = treeItem(TVGN_CHILD, parent); child != 0; child = treeItem(TVGN_NEXT, child)) {
        const std::string text = itemText(folders, child);
        // A drive shows as "<label> (Z:)".
        if (lstrcmpiA(text.c_str(), name.c_str()) == 0 || endsWith(text, "(" + name + ")")) return child;
    }
    return 0;
}

void Tarnwick::clickFolder(const std::string& path) {
    HWND folders = tree();
    ASSERT_NE(folders, nullptr);
    LPARAM item = childNamed(treeItem(TVGN_ROOT, 0), "My Computer");
    ASSERT_NE(item, 0) << "no My Computer";
    std::string rest = path;
    while (!rest.empty() && item != 0) {
        const size_t cut = rest.find('\\');
        const std::string name = rest.substr(0, cut);
        rest = cut == std::string::npos ? "" : rest.substr(cut + 1);
        item = childNamed(item, name);
        ASSERT_NE(item, 0) << "no folder " << name << " in the tree";
    }
    clickTreeItem(item);
}

void Tarnwick::clickTreeItem(LPARAM item) {
    HWND folders = tree();
    SendMessageA(folders, TVM_ENSUREVISIBLE, 0, item);
    RemoteMemory block(process_.handle(), sizeof(RECT));
    char* remote = block.get();
    ASSERT_NE(remote, nullptr);
    // TVM_GETITEMRECT takes the item in the rectangle it fills.
    WriteProcessMemory(process_.handle(), remote, &item, sizeof item, nullptr);
    SendMessageA(folders, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(remote));
    RECT rect = {};
    ReadProcessMemory(process_.handle(), remote, &rect, sizeof rect, nullptr);
    activate(window);
    clickAt(folders, {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2});
}

bool Tarnwick::step(const std::string& folder) {
    clickFolder(folder);
    const std::string shown = folder + "\\ - Tarnwick";
    return pumpUntil([&] { return title() == shown; }, 5000);
}

void Tarnwick::chooseMenu(WORD popup, WORD item) {
    activate(window);
    pressKeys({popup}, {VK_MENU});
    pumpFor(300);
    pressKeys({item});
}

int Tarnwick::waitForExit(DWORD timeoutMs) {
    DWORD code = 0;
    return process_.waitForExit(timeoutMs, code) ? static_cast<int>(code) : -1;
}

HWND Tarnwick::waitForOtherWindow(const std::function<bool(const std::string&)>& accept, DWORD timeoutMs) {
    HWND found = nullptr;
    pumpUntil(
        [&] {
            for (HWND other : topLevelWindows(process_.id())) {
                if (other != window && accept(windowText(other))) {
                    found = other;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return found;
}

std::string Tarnwick::waitForJobAndClose(const std::string& picture, const std::function<void(HWND)>& inspect) {
    HWND notifier = nullptr;
    if (!pumpUntil(
            [&] {
                for (HWND other : topLevelWindows(process_.id())) {
                    HWND close = GetDlgItem(other, IDOK);
                    if (other != window && close != nullptr && IsWindowEnabled(close) &&
                        GetDlgItem(other, IDCANCEL) != nullptr) {
                        notifier = other;
                        return true;
                    }
                }
                return false;
            },
            240000)) {
        ADD_FAILURE() << "the job did not finish";
        return "";
    }
    pumpFor(300);
    testing_support::saveScreenshot(notifier, picture);
    if (inspect) inspect(notifier);
    std::string tally;
    for (HWND child = GetWindow(notifier, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        const std::string text = windowText(child);
        if (text.find(" Result: ") != std::string::npos) tally = text;
    }
    clickCentre(GetDlgItem(notifier, IDOK));
    EXPECT_TRUE(pumpUntil([&] { return !IsWindow(notifier); }, 10000));
    return tally;
}

std::string Tarnwick::states() const {
    std::string joined;
    for (int row = 0; row < rows->rowCount(); ++row) joined += rows->cell(row, 1) + "|";
    return joined;
}

std::uint32_t windowColour() {
    const COLORREF colour = GetSysColor(COLOR_WINDOW);
    return (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
}

std::map<std::string, RowImage> notifierRowImages(HANDLE process, HWND notifier, int dpi) {
    const int size = MulDiv(16, dpi, 96);
    std::map<std::string, RowImage> images;
    HWND list = GetDlgItem(notifier, 1000);
    RemoteList rows(process, list);
    HMODULE program = LoadLibraryExA(tarnwickPath().c_str(), nullptr,
                                     LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    EXPECT_NE(program, nullptr);
    const testing_support::WindowImage success =
        testing_support::drawIconResource(program, IDI_SUCCESS, size, windowColour());
    const testing_support::WindowImage failure =
        testing_support::drawIconResource(program, IDI_FAILURE, size, windowColour());
    FreeLibrary(program);
    const testing_support::WindowImage shot = testing_support::captureWindow(list);
    // The picture includes the list's border; the rectangles are in client
    // coordinates.
    RECT frame;
    GetWindowRect(list, &frame);
    POINT origin = {0, 0};
    ClientToScreen(list, &origin);
    const int dx = origin.x - frame.left, dy = origin.y - frame.top;
    for (int row = 0; row < rows.rowCount(); ++row) {
        const RECT icon = rows.itemRect(row, LVIR_ICON);
        const RECT corners = {icon.left + dx - 2, icon.top + dy - 2, icon.left + dx + 4, icon.top + dy + 4};
        images[rows.cell(row, 0)] = {rows.cell(row, 2), testing_support::bestMatchShare(shot, corners, success, 24),
                                     testing_support::bestMatchShare(shot, corners, failure, 24)};
    }
    return images;
}

testing_support::WindowImage windowIcon(const std::string& folder, HWND window, int size, std::uint32_t background) {
    testing_support::WindowImage icon;
    const auto xWindow = reinterpret_cast<UINT_PTR>(GetPropA(window, "__wine_x11_whole_window"));
    EXPECT_NE(xWindow, 0u);
    const std::string report = folder + "\\icon.txt";
    char id[32];
    std::snprintf(id, sizeof id, "0x%llx", static_cast<unsigned long long>(xWindow));
    testing_support::runUnix(folder, "xprop -id " + std::string(id) + " -notype 32c _NET_WM_ICON > '" +
                                         testing_support::unixPath(report) + "'");
    std::string text = testing_support::readBytes(report);
    const size_t equals = text.find('=');
    if (equals == std::string::npos) return icon;
    std::replace(text.begin(), text.end(), ',', ' ');
    std::istringstream numbers(text.substr(equals + 1));
    unsigned long long width = 0, height = 0;
    while (numbers >> width >> height) {
        std::vector<std::uint32_t> pixels;
        unsigned long long argb = 0;
        for (unsigned long long i = 0; i < width * height && numbers >> argb; ++i) {
            // Over the background, as a window draws it.
            const unsigned alpha = (argb >> 24) & 0xFF;
            std::uint32_t pixel = 0;
            for (int shift = 0; shift < 24; shift += 8) {
                const unsigned front = (argb >> shift) & 0xFF, back = (background >> shift) & 0xFF;
                pixel |= ((front * alpha + back * (255 - alpha)) / 255) << shift;
            }
            pixels.push_back(pixel);
        }
        if (width == static_cast<unsigned>(size) && height == static_cast<unsigned>(size)) {
            icon.width = icon.height = size;
            icon.pixels = pixels;
        }
    }
    return icon;
}

std::string checkWithTools(const std::string& folder, const std::vector<std::string>& office, const std::string& pdf) {
    char user[64] = {};
    EXPECT_TRUE(PasswordGenerator::getPdfUserPasswordForPath(pdf.c_str(), user));
    const std::string report = folder + "\\check-pdf.txt";
    testing_support::runUnix(folder, "qpdf --show-encryption --password=" + std::string(user) + " '" +
                                         testing_support::unixPath(pdf) + "' > '" + testing_support::unixPath(report) +
                                         "' 2>&1");
    return office_test::checkOfficePasswords(folder, office) + testing_support::readBytes(report);
}

namespace {

// The request of the mount manager's Wine extension "define Unix drive".
struct DefineDriveRequest {
    ULONG size;
    ULONG type;
    ULONG fsType;
    DWORD serial;
    ULONGLONG unixDevice;
    WCHAR letter;
    USHORT mountPointOffset;
    USHORT deviceOffset;
    USHORT labelOffset;
};

}  // namespace

ScopedWineDrive::ScopedWineDrive(char letter, unsigned type, const std::string& unixFolder) : letter_(letter) {
    defined_ = define(type, unixFolder);
}

ScopedWineDrive::~ScopedWineDrive() {
    if (defined_) define(DRIVE_NO_ROOT_DIR, "");
}

bool ScopedWineDrive::define(unsigned type, const std::string& unixFolder) {
    std::vector<char> buffer(sizeof(DefineDriveRequest) + unixFolder.size() + 1, '\0');
    auto* request = reinterpret_cast<DefineDriveRequest*>(buffer.data());
    request->size = static_cast<ULONG>(buffer.size());
    request->type = type;
    request->letter = static_cast<WCHAR>(letter_);
    if (!unixFolder.empty()) {
        request->mountPointOffset = sizeof(DefineDriveRequest);
        std::copy(unixFolder.begin(), unixFolder.end(), buffer.begin() + sizeof(DefineDriveRequest));
    }
    HANDLE manager = CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (manager == INVALID_HANDLE_VALUE) return false;
    const DWORD kDefineUnixDrive = CTL_CODE('m', 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);
    DWORD returned = 0;
    const bool done = DeviceIoControl(manager, kDefineUnixDrive, buffer.data(), static_cast<DWORD>(buffer.size()),
                                      nullptr, 0, &returned, nullptr) != FALSE;
    CloseHandle(manager);
    return done;
}

}  // namespace program_driver
