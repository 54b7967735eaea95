// The real Tarnwick.exe, started as a user starts it and driven only from
// outside: clicks, keys and menu choices through SendInput, the results
// read from its windows, the registry and the files, which are checked by
// tools this program did not write (msoffcrypto-tool, qpdf). The program
// works through the Office stand-in, or with its built-in engine where no
// Office is registered at all.

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <winioctl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "ProgramDriver.h"
#include "RemoteUi.h"
#include "office/tests/OfficeTestSupport.h"
#include "resources/TarnwickIds.h"
#include "settings/PasswordGenerator.h"
#include "settings/TarnwickRegistry.h"
#include "testing/Screenshot.h"
#include "testing/TestPaths.h"
#include "testing/UnixCommand.h"

using namespace remote_ui;

namespace {

const char kProfileWindowsKey[] = "Software\\Merrowind\\Application\\Tarnwick\\Windows";

std::string buildFile(const std::string& name) {
    return testing_support::nativePath(TARNWICK_BINARY_DIR) + "\\" + name;
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::string readRegistry(const char* key, const char* name) {
    char value[512] = {};
    DWORD size = sizeof value;
    if (RegGetValueA(HKEY_CURRENT_USER, key, name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) return "";
    return value;
}

void writeRegistry(const char* key, const char* name, const std::string& value) {
    RegSetKeyValueA(HKEY_CURRENT_USER, key, name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// The running program: its process, main window and children.
class Tarnwick {
public:
    explicit Tarnwick(const std::string& program = program_driver::tarnwickPath()) {
        started_ = process_.start("\"" + program + "\"");
    }
    // Closes the program if a test leaves it running; the process guard
    // ends it if it will not close.
    ~Tarnwick() {
        if (!started_ || !process_.isRunning() || window == nullptr) return;
        PostMessageA(window, WM_CLOSE, 0, 0);
        DWORD code = 0;
        process_.waitForExit(15000, code);
    }

    // Waits for the main window showing a title that ends with titleEnd.
    bool waitForMainWindow(const std::string& titleEnd = " - Tarnwick") {
        if (!started_) return false;
        // The first start in a new prefix can be slow on a loaded machine.
        window = nullptr;
        waitFor(
            [&] {
                HWND found = program_driver::mainWindow(process_.id());
                if (found != nullptr && endsWith(windowText(found), titleEnd)) window = found;
                return window != nullptr;
            },
            120000);
        if (window == nullptr) return false;
        // The title can come before the dialog has made its list.
        waitFor([&] { return GetDlgItem(window, IDC_MAIN_LIST) != nullptr; }, 30000);
        list = GetDlgItem(window, IDC_MAIN_LIST);
        rows = std::make_unique<RemoteList>(process_.handle(), list);
        // The first layout and the simulated splitter click come as posted
        // messages: let them pass.
        program_driver::pause(800);
        return list != nullptr;
    }

    HWND child(int id) const { return GetDlgItem(window, id); }
    DWORD id() const { return process_.id(); }
    HANDLE handle() const { return process_.handle(); }
    std::string title() const { return windowText(window); }

    // The folder tree, inside the shell's namespace control or not.
    HWND tree() const {
        HWND found = FindWindowExA(window, nullptr, WC_TREEVIEWA, nullptr);
        if (found != nullptr) return found;
        HWND host = FindWindowExA(window, nullptr, "SHBrowseForFolder ShellNameSpace Control", nullptr);
        return FindWindowExA(host, nullptr, WC_TREEVIEWA, nullptr);
    }

    std::string itemText(HWND folders, LPARAM item) const {
        program_driver::RemoteMemory block(process_.handle(), 1024);
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

    LPARAM treeItem(UINT relation, LPARAM item) const {
        return static_cast<LPARAM>(SendMessageA(tree(), TVM_GETNEXTITEM, relation, item));
    }

    // The child of parent (expanded first) whose name is name, or 0.
    LPARAM childNamed(LPARAM parent, const std::string& name) const {
        HWND folders = tree();
        SendMessageA(folders, TVM_EXPAND, TVE_EXPAND, parent);
        for (LPARAM child = treeItem(TVGN_CHILD, parent); child != 0; child = treeItem(TVGN_NEXT, child)) {
            const std::string text = itemText(folders, child);
            // A drive shows as "<label> (Z:)".
            const std::string drive = "(" + name + ")";
            if (lstrcmpiA(text.c_str(), name.c_str()) == 0 ||
                (text.size() >= drive.size() && text.compare(text.size() - drive.size(), drive.size(), drive) == 0)) {
                return child;
            }
        }
        return 0;
    }

    // Clicks a folder in the tree, found by the names along its path from
    // "My Computer" down (the drive shows as "(Z:)"), as a user opens the
    // tree down to it.
    void clickFolder(const std::string& path) {
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

    // Clicks an item of the tree, brought into view first.
    void clickTreeItem(LPARAM item) {
        HWND folders = tree();
        SendMessageA(folders, TVM_ENSUREVISIBLE, 0, item);
        program_driver::RemoteMemory block(process_.handle(), sizeof(RECT));
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

    // Clicks a folder in the tree and waits for the window to show it.
    bool step(const std::string& folder) {
        clickFolder(folder);
        const std::string shown = folder + "\\ - Tarnwick";
        return waitFor([&] { return title() == shown; }, 5000);
    }

    // Chooses a menu item with the keyboard: Alt with the popup's mnemonic,
    // then the item's.
    void chooseMenu(WORD popup, WORD item) {
        activate(window);
        pressKeys({popup}, {VK_MENU});
        program_driver::pause(300);
        pressKeys({item});
    }

    // Waits for the program to end; its exit code, or -1.
    int waitForExit(DWORD timeoutMs = 60000) {
        DWORD code = 0;
        return process_.waitForExit(timeoutMs, code) ? static_cast<int>(code) : -1;
    }

    // Another visible top-level window of the program, not the main window,
    // whose title satisfies accept.
    HWND waitForOtherWindow(const std::function<bool(const std::string&)>& accept, DWORD timeoutMs) {
        HWND found = nullptr;
        waitFor(
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

    // Every row's "Encrypted" text, joined by '|'.
    std::string states() const {
        std::string joined;
        for (int row = 0; row < rows->rowCount(); ++row) joined += rows->cell(row, 1) + "|";
        return joined;
    }

    HWND window = nullptr;
    HWND list = nullptr;
    std::unique_ptr<RemoteList> rows;

private:
    bool started_ = false;
    program_driver::ChildProcess process_;
};

// The text of a message box of another process.
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

class MainWindow : public testing::Test {
protected:
    void SetUp() override {
        // Windows that earlier tests of this program left open (a shared
        // owner window) would lie over the program and take the clicks.
        EnumThreadWindows(
            GetCurrentThreadId(),
            [](HWND window, LPARAM) -> BOOL {
                ShowWindow(window, SW_HIDE);
                return TRUE;
            },
            0);
        const auto* info = testing::UnitTest::GetInstance()->current_test_info();
        folder = testing_support::freshFolder(std::string("MainWindow-") + info->name());
        documents = folder + "\\Documents";
        CreateDirectoryA(documents.c_str(), nullptr);
        work = folder + "\\work";
        CreateDirectoryA(work.c_str(), nullptr);
        TarnwickRegistry settings;
        settings.setInitialFolder((documents + "\\").c_str());
        settings.setPathForPDFTK(buildFile("standins\\pdftk.exe").c_str());
        settings.setDonotUpdateFileTime(false);
        settings.setBuiltInEngine(false);
        settings.setPrinting(true);
        settings.setCopyContents(true);
        writeRegistry(TarnwickRegistry::kKey, "WorkingFolder", work);
        writeRegistry(kProfileWindowsKey, "Geometry", "40 40 900 560");
    }
    void TearDown() override { EXPECT_TRUE(office_test::waitForNoStandins(30000)); }

    void put(const std::string& name, const std::string& from) {
        ASSERT_TRUE(CopyFileA(from.c_str(), (documents + "\\" + name).c_str(), FALSE)) << from;
    }
    std::string pathOf(const std::string& name) const { return documents + "\\" + name; }

    // Waits for the job's progress window to show its tally, photographs
    // it, lets inspect look at it and closes it with a click on Close.
    // Returns the tally it shows.
    std::string waitForJobAndClose(Tarnwick& program, const std::string& picture,
                                   const std::function<void(HWND)>& inspect = nullptr) {
        HWND notifier = nullptr;
        if (!waitFor(
            [&] {
                for (HWND other : topLevelWindows(program.id())) {
                    HWND close = GetDlgItem(other, IDOK);
                    if (other != program.window && close != nullptr && IsWindowEnabled(close) &&
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
        program_driver::pause(300);
        testing_support::saveScreenshot(notifier, picture);
        if (inspect) inspect(notifier);
        std::string tally;
        for (HWND child = GetWindow(notifier, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
            const std::string text = windowText(child);
            if (contains(text, " Result: ")) tally = text;
        }
        clickCentre(GetDlgItem(notifier, IDOK));
        EXPECT_TRUE(waitFor([&] { return !IsWindow(notifier); }, 10000));
        return tally;
    }

    std::string folder;
    std::string documents;
    std::string work;
};

std::string checkWithTools(const std::string& folder, const std::vector<std::string>& office,
                           const std::string& pdf) {
    char user[64] = {};
    EXPECT_TRUE(PasswordGenerator::getPdfUserPasswordForPath(pdf.c_str(), user));
    const std::string report = folder + "\\check-pdf.txt";
    testing_support::runUnix(folder, "qpdf --show-encryption --password=" + std::string(user) + " '" +
                                         testing_support::unixPath(pdf) + "' > '" + testing_support::unixPath(report) +
                                         "' 2>&1");
    return office_test::checkOfficePasswords(folder, office) + readBytes(report);
}

std::uint32_t windowColour() {
    const COLORREF colour = GetSysColor(COLOR_WINDOW);
    return (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
}

// How much of each row's image on the screen is Tarnwick's success image
// and how much its failure image (the icon resources of Tarnwick.exe drawn
// at the row image's size), by row name; with the row's result.
struct RowImage {
    std::string result;
    double success;
    double failure;
};

// The window's icon of size x size pixels over the background colour, as
// the window system shows it: Wine hands a window's icons to X as the
// property _NET_WM_ICON of its X window (width, height, then one ARGB value
// per pixel, for each size). Empty when there is none of that size.
testing_support::WindowImage windowIcon(const std::string& folder, HWND window, int size, std::uint32_t background) {
    testing_support::WindowImage icon;
    const auto xWindow = reinterpret_cast<UINT_PTR>(GetPropA(window, "__wine_x11_whole_window"));
    EXPECT_NE(xWindow, 0u);
    const std::string report = folder + "\\icon.txt";
    char id[32];
    std::snprintf(id, sizeof id, "0x%llx", static_cast<unsigned long long>(xWindow));
    testing_support::runUnix(folder, "xprop -id " + std::string(id) + " -notype 32c _NET_WM_ICON > '" +
                                         testing_support::unixPath(report) + "'");
    std::string text = readBytes(report);
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

std::map<std::string, RowImage> notifierRowImages(HANDLE process, HWND notifier, int dpi) {
    const int size = MulDiv(16, dpi, 96);
    std::map<std::string, RowImage> images;
    HWND list = GetDlgItem(notifier, 1000);
    RemoteList rows(process, list);
    HMODULE program = LoadLibraryExA(program_driver::tarnwickPath().c_str(), nullptr,
                                     LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    EXPECT_NE(program, nullptr);
    const testing_support::WindowImage success = testing_support::drawIconResource(program, IDI_SUCCESS, size, windowColour());
    const testing_support::WindowImage failure = testing_support::drawIconResource(program, IDI_FAILURE, size, windowColour());
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

// A drive letter of the Wine prefix defined for one scope through Wine's
// mount manager, as its configuration tool defines one: a removable drive
// (its type as GetDriveType reports it) on a Unix folder.
class ScopedWineDrive {
public:
    ScopedWineDrive(char letter, unsigned type, const std::string& unixFolder) : letter_(letter) {
        defined_ = define(type, unixFolder);
    }
    ~ScopedWineDrive() {
        if (defined_) define(DRIVE_NO_ROOT_DIR, "");
    }
    bool defined() const { return defined_; }

private:
    // The request of the mount manager's Wine extension "define Unix drive".
    struct Request {
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

    bool define(unsigned type, const std::string& unixFolder) {
        std::vector<char> buffer(sizeof(Request) + unixFolder.size() + 1, '\0');
        auto* request = reinterpret_cast<Request*>(buffer.data());
        request->size = static_cast<ULONG>(buffer.size());
        request->type = type;
        request->letter = static_cast<WCHAR>(letter_);
        if (!unixFolder.empty()) {
            request->mountPointOffset = sizeof(Request);
            std::copy(unixFolder.begin(), unixFolder.end(), buffer.begin() + sizeof(Request));
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

    char letter_;
    bool defined_ = false;
};

// ---- drawing at the screen's DPI --------------------------------------

// The sizes that the runs on the two screens compare, in pixels, by DPI.
std::map<int, std::map<std::string, int>> drawnAt;

class MainWindowAtDpi : public MainWindow, public testing::WithParamInterface<int> {
protected:
    // The picture's name: at 96 DPI as it always was, else with the DPI.
    std::string picture(const std::string& name) const {
        return GetParam() == 96 ? name : name + "-" + std::to_string(GetParam()) + "dpi";
    }
};

}  // namespace

// The typical request: open the program on a folder, select everything,
// encrypt, look at the password of one file, decrypt everything again. On
// a 100 % and on a 150 % screen: there every window Tarnwick draws itself
// is half again as large, texts fit their controls, and the stored geometry
// keeps its 96 DPI numbers.
TEST_P(MainWindowAtDpi, EncryptsAndDecryptsAFolderAsAUserDoes) {
    const int dpi = GetParam();
    testing_support::ScreenDpi screen(static_cast<DWORD>(dpi));
    auto& drawn = drawnAt[dpi];
    // Room for it on the test's screen at 150 %.
    writeRegistry(kProfileWindowsKey, "Geometry", "20 20 800 600");
    const std::vector<std::pair<std::string, std::string>> samples = {
        {"memo.docx", "memo.docx"}, {"sheet.xlsx", "sheet.xlsx"}, {"deck.pptx", "deck.pptx"},
        {"memo.doc", "memo.doc"},   {"sheet.xls", "sheet.xls"},
    };
    std::vector<std::string> office;
    for (const auto& [name, sample] : samples) {
        put(name, office_test::sample(sample));
        office.push_back(pathOf(name));
    }
    const std::string pdf = pathOf("report.pdf");
    put("report.pdf", testing_support::nativePath(TARNWICK_SOURCE_DIR "/jobs/tests/fixtures/sample.pdf"));
    // A document that another program holds open fails ("NG").
    put("held.docx", office_test::sample("memo.docx"));
    HANDLE held = CreateFileA(pathOf("held.docx").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);

    Tarnwick program;
    ASSERT_TRUE(program.waitForMainWindow(documents + "\\ - Tarnwick")) << "no main window on the folder";
    ASSERT_TRUE(waitFor([&] { return program.rows->rowCount() == 7; }, 10000)) << program.rows->rowCount();
    EXPECT_EQ(program.states(), "|||||||");
    testing_support::saveScreenshot(program.window, picture("MainWindowPlain"));
    RECT frame = {};
    GetWindowRect(program.window, &frame);
    EXPECT_EQ(std::make_tuple(frame.left, frame.right - frame.left, frame.bottom - frame.top),
              std::make_tuple(20 * dpi / 96, 800 * dpi / 96, 600 * dpi / 96));
    drawn["button width"] = clientSize(program.child(IDC_ENCRYPT_BUTTON)).cx;
    drawn["button height"] = clientSize(program.child(IDC_ENCRYPT_BUTTON)).cy;
    drawn["row height"] = rowHeight(program.handle(), program.list);
    std::string title;
    program_driver::remoteListColumn(program.handle(), program.list, 0, title, drawn["column width"]);
    EXPECT_EQ(buttonsCut(program.handle(), program.window), "");
    EXPECT_EQ(columnsCut(program.handle(), program.list, dpi), "");

    // Edit > Select All, then the Encrypt button.
    activate(program.window);
    clickAt(program.list, {40, 200});
    program.chooseMenu('E', 'A');
    ASSERT_TRUE(waitFor([&] { return program.rows->selectedCount() == 7; }, 5000)) << program.rows->selectedCount();
    clickCentre(program.child(IDC_ENCRYPT_BUTTON));
    // The finished notifier's rows show Tarnwick's own images: the success
    // image beside each "OK", the failure image beside the "NG".
    waitForJobAndClose(program, picture("MainWindowEncryptionDone"), [&](HWND notifier) {
        const std::map<std::string, RowImage> images = notifierRowImages(program.handle(), notifier, dpi);
        ASSERT_EQ(images.size(), 7u);
        for (const auto& [name, image] : images) {
            SCOPED_TRACE(name);
            const bool ok = name != "held.docx";
            EXPECT_EQ(image.result, ok ? "OK" : "NG");
            EXPECT_GE(ok ? image.success : image.failure, 0.95);
            EXPECT_LE(ok ? image.failure : image.success, 0.6);
        }
        HWND results = GetDlgItem(notifier, 1000);
        drawn["notifier width"] = clientSize(notifier).cx;
        drawn["notifier button height"] = clientSize(GetDlgItem(notifier, IDOK)).cy;
        drawn["notifier row height"] = rowHeight(program.handle(), results);
        EXPECT_EQ(buttonsCut(program.handle(), notifier), "");
        EXPECT_EQ(columnsCut(program.handle(), results, dpi), "");
        // And its window carries Tarnwick's icon, as the window system
        // shows it.
        HMODULE module = LoadLibraryExA(program_driver::tarnwickPath().c_str(), nullptr,
                                        LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        const testing_support::WindowImage own = testing_support::drawIconResource(module, IDI_TARNWICK, MulDiv(16, dpi, 96), windowColour());
        FreeLibrary(module);
        EXPECT_GE(testing_support::matchShare(windowIcon(folder, notifier, MulDiv(16, dpi, 96), windowColour()), 0, 0, own, 24), 0.95);
    });
    CloseHandle(held);
    ASSERT_TRUE(waitFor([&] { return program.states() == "PWD||PWD|PWD|PWD|PWD|PWD|"; }, 10000))
        << program.states();
    testing_support::saveScreenshot(program.window, picture("MainWindowEncrypted"));
    EXPECT_EQ(columnsCut(program.handle(), program.list, dpi), "");

    const std::string report = checkWithTools(folder, office, pdf);
    for (const std::string& path : office) {
        EXPECT_TRUE(contains(report, "OK " + testing_support::unixPath(path))) << report;
    }
    EXPECT_FALSE(contains(report, "WRONG-PASSWORD-ACCEPTED")) << report;
    EXPECT_TRUE(contains(report, "Supplied password is user password")) << report;

    // One row, then Password: the exporter shows the same password.
    const int row = program.rows->rowOf("memo.docx");
    ASSERT_GE(row, 0);
    POINT centre = program.rows->rowCentre(row);
    ScreenToClient(program.list, &centre);
    clickAt(program.list, centre);
    ASSERT_TRUE(waitFor([&] { return program.rows->selectedCount() == 1; }, 5000));
    clickCentre(program.child(IDC_PASSWORD_BUTTON));
    HWND exporter = program.waitForOtherWindow([](const std::string& t) { return t == "Password Exporter"; }, 10000);
    ASSERT_NE(exporter, nullptr);
    EXPECT_EQ(windowText(GetDlgItem(exporter, IDC_EXPORTED_PASSWORD)), office_test::officePassword(pathOf("memo.docx")));
    testing_support::saveScreenshot(exporter, picture("MainWindowPasswordExporter"));
    drawn["dialog height"] = clientSize(exporter).cy;
    EXPECT_EQ(buttonsCut(program.handle(), exporter), "");
    PostMessageA(exporter, WM_CLOSE, 0, 0);
    ASSERT_TRUE(waitFor([&] { return !IsWindow(exporter); }, 5000));

    // Everything back.
    program.chooseMenu('E', 'A');
    ASSERT_TRUE(waitFor([&] { return program.rows->selectedCount() == 7; }, 5000));
    clickCentre(program.child(IDC_DECRYPT_BUTTON));
    waitForJobAndClose(program, picture("MainWindowDecryptionDone"));
    ASSERT_TRUE(waitFor([&] { return program.states() == "|||||||"; }, 10000)) << program.states();

    for (const auto& [name, sample] : samples) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(office_test::isProtected(pathOf(name)));
        // An Open XML package comes back byte for byte.
        if (name.back() == 'x') {
            EXPECT_EQ(readBytes(pathOf(name)), readBytes(office_test::sample(sample)));
        }
    }
    testing_support::runUnix(folder, "qpdf --show-encryption '" + testing_support::unixPath(pdf) + "' > '" +
                                         testing_support::unixPath(folder + "\\pdf.txt") + "'");
    EXPECT_TRUE(contains(readBytes(folder + "\\pdf.txt"), "File is not encrypted"));

    PostMessageA(program.window, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.waitForExit(), 0);
    EXPECT_EQ(readRegistry(kProfileWindowsKey, "Geometry"), "20 20 800 600");

    // Against the same run on the 100 % screen, when it ran before.
    if (dpi == 96 || drawnAt.count(96) == 0) return;
    for (const auto& [name, size] : drawn) {
        const int at96 = drawnAt[96][name];
        ASSERT_GT(at96, 0) << name;
        std::printf("%-24s %4d at 96, %4d at %d: %.2f\n", name.c_str(), at96, size, dpi, double(size) / at96);
        EXPECT_NEAR(size, at96 * dpi / 96.0, 0.1 * at96 * dpi / 96.0) << name;
    }
}

INSTANTIATE_TEST_SUITE_P(Screens, MainWindowAtDpi, testing::Values(96, 144),
                         [](const testing::TestParamInfo<int>& screen) { return std::to_string(screen.param) + "dpi"; });

// Moved to a screen of another DPI (WM_DPICHANGED, which Wine never sends
// by itself): the window takes the rectangle the system suggests, what it
// draws itself grows with the DPI, and the stored geometry stays in 96 DPI
// pixels.
TEST_F(MainWindow, FollowsItsWindowToAScreenOfAnotherDpi) {
    put("memo.docx", office_test::sample("memo.docx"));
    Tarnwick program;
    ASSERT_TRUE(program.waitForMainWindow(documents + "\\ - Tarnwick"));
    const SIZE button = clientSize(program.child(IDC_ENCRYPT_BUTTON));
    std::string title;
    int column = 0;
    ASSERT_TRUE(program_driver::remoteListColumn(program.handle(), program.list, 0, title, column));

    RECT suggested = {30, 30, 30 + 1200, 30 + 840};
    program_driver::sendWithRecord(program.handle(), program.window, WM_DPICHANGED, MAKEWPARAM(144, 144), suggested);
    program_driver::pause(500);
    RECT frame = {};
    GetWindowRect(program.window, &frame);
    EXPECT_EQ(std::make_tuple(frame.left, frame.right, frame.bottom), std::make_tuple(30L, 1230L, 870L));
    EXPECT_EQ(clientSize(program.child(IDC_ENCRYPT_BUTTON)).cx, button.cx * 3 / 2);
    int grownColumn = 0;
    ASSERT_TRUE(program_driver::remoteListColumn(program.handle(), program.list, 0, title, grownColumn));
    EXPECT_EQ(grownColumn, column * 3 / 2);
    EXPECT_EQ(buttonsCut(program.handle(), program.window), "");
    EXPECT_EQ(columnsCut(program.handle(), program.list, 144), "");
    testing_support::saveScreenshot(program.window, "MainWindowDpiChanged");

    PostMessageA(program.window, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.waitForExit(), 0);
    EXPECT_EQ(readRegistry(kProfileWindowsKey, "Geometry"), "20 20 800 560");
}

namespace {

// Every stream of a compound file, by its path of storage names.
void collectStreams(IStorage* storage, const std::wstring& prefix, std::map<std::wstring, std::string>& out) {
    IEnumSTATSTG* entries = nullptr;
    if (FAILED(storage->EnumElements(0, nullptr, 0, &entries))) return;
    STATSTG stat;
    while (entries->Next(1, &stat, nullptr) == S_OK) {
        std::wstring name = prefix + stat.pwcsName;
        if (stat.type == STGTY_STORAGE) {
            IStorage* child = nullptr;
            if (SUCCEEDED(storage->OpenStorage(stat.pwcsName, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0,
                                               &child))) {
                collectStreams(child, name + L"/", out);
                child->Release();
            }
        } else if (stat.type == STGTY_STREAM) {
            IStream* stream = nullptr;
            std::string data(static_cast<std::size_t>(stat.cbSize.QuadPart), '\0');
            ULONG got = 0;
            if (SUCCEEDED(storage->OpenStream(stat.pwcsName, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream))) {
                stream->Read(&data[0], static_cast<ULONG>(data.size()), &got);
                stream->Release();
            }
            out[name] = data.substr(0, got);
        }
        CoTaskMemFree(stat.pwcsName);
    }
    entries->Release();
}

std::map<std::wstring, std::string> streamsOf(const std::string& path) {
    std::map<std::wstring, std::string> out;
    std::wstring wide(path.begin(), path.end());
    IStorage* root = nullptr;
    if (SUCCEEDED(StgOpenStorage(wide.c_str(), nullptr, STGM_READ | STGM_SHARE_DENY_WRITE, nullptr, 0, &root))) {
        collectStreams(root, L"", out);
        root->Release();
    }
    return out;
}

// The most Office processes seen at once while it lives, looked at every 50 ms.
class OfficeWatch {
public:
    OfficeWatch()
        : thread_([this] {
              while (watching_) {
                  seen_ = std::max(seen_.load(), office_test::standinProcessCount());
                  Sleep(50);
              }
          }) {}
    ~OfficeWatch() {
        watching_ = false;
        thread_.join();
    }
    int seen() const { return seen_; }

private:
    std::atomic<bool> watching_{true};
    std::atomic<int> seen_{0};
    std::thread thread_;
};

// The Office stand-in unregistered for a test, registered again after it.
struct NoOfficeRegistered {
    NoOfficeRegistered() { registered = office_test::runStandin("/UnregServer"); }
    ~NoOfficeRegistered() { office_test::runStandin("/RegServer"); }
    bool registered = false;
};

}  // namespace

// With the built-in engine chosen in the Option menu, on a machine where no
// Office is registered: all thirteen Office extensions and a PDF are
// encrypted and decrypted, and no Office process ever runs.
TEST_F(MainWindow, BuiltInEngineEncryptsEveryOfficeFormatWithoutOffice) {
    NoOfficeRegistered noOffice;
    ASSERT_TRUE(noOffice.registered);
    CLSID clsid;
    ASSERT_FALSE(SUCCEEDED(CLSIDFromProgID(L"Word.Application", &clsid))) << "Word is still registered";
    TarnwickRegistry().setBuiltInEngine(false);

    const std::vector<std::pair<std::string, std::string>> samples = {
        {"Quarterly Report.DOCX", "memo.docx"}, {"macro memo.docm", "memo.docm"}, {"Old Memo.doc", "memo.doc"},
        {"Budget 2026.xlsx", "sheet.xlsx"},     {"macro sheet.xlsm", "sheet.xlsm"}, {"binary sheet.xlsb", "sheet.xlsb"},
        {"Old Figures.xls", "sheet.xls"},       {"Kick-off deck.pptx", "deck.pptx"}, {"macro deck.pptm", "deck.pptm"},
        {"Show.ppsx", "deck.ppsx"},             {"macro show.ppsm", "deck.ppsm"},   {"Old Slides.ppt", "deck.ppt"},
        {"Old Show.pps", "deck.ppt"},
    };
    std::vector<std::string> office, originals;
    for (const auto& [name, sample] : samples) {
        put(name, office_test::sample(sample));
        office.push_back(pathOf(name));
        const std::string extension = name.substr(name.rfind('.'));
        originals.push_back(extension.size() == 5 ? office_test::sample(sample) : "");
    }
    const std::string pdf = pathOf("Hand out.pdf");
    put("Hand out.pdf", testing_support::nativePath(TARNWICK_SOURCE_DIR "/jobs/tests/fixtures/sample.pdf"));
    const std::string rows(14, '|');

    // Any Office process, from start to end, is counted.
    OfficeWatch watch;

    Tarnwick program;
    ASSERT_TRUE(program.waitForMainWindow(documents + "\\ - Tarnwick")) << "no main window on the folder";
    ASSERT_TRUE(waitFor([&] { return program.rows->rowCount() == 14; }, 10000)) << program.rows->rowCount();
    // Option > Built-in Encryption: the setting follows the check mark.
    program.chooseMenu('O', 'B');
    ASSERT_TRUE(waitFor([] { return TarnwickRegistry().isBuiltInEngine(); }, 3000));

    activate(program.window);
    clickAt(program.list, {40, 200});
    program.chooseMenu('E', 'A');
    ASSERT_TRUE(waitFor([&] { return program.rows->selectedCount() == 14; }, 5000)) << program.rows->selectedCount();
    clickCentre(program.child(IDC_ENCRYPT_BUTTON));
    EXPECT_EQ(waitForJobAndClose(program, "MainWindowBuiltInEncryptionDone"),
              "Encryption Result: Total=14   Scucceeded=14   Failed=0");
    std::string encrypted;
    for (int i = 0; i < 14; ++i) encrypted += "PWD|";
    ASSERT_TRUE(waitFor([&] { return program.states() == encrypted; }, 10000)) << program.states();

    const std::string report = office_test::checkOfficePasswords(folder, office, originals);
    for (const std::string& path : office) {
        EXPECT_TRUE(contains(report, "OK " + testing_support::unixPath(path) + "\n")) << report;
    }
    EXPECT_FALSE(contains(report, "WRONG-PASSWORD-ACCEPTED")) << report;
    // LibreOffice shows the original text, for every format it can open
    // encrypted (not encrypted presentations of the binary format).
    std::vector<std::string> openable, openableOriginals;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (endsWith(samples[i].first, ".ppt") || endsWith(samples[i].first, ".pps")) continue;
        openable.push_back(office[i]);
        openableOriginals.push_back(office_test::sample(samples[i].second));
    }
    const std::string libre = office_test::checkWithLibreOffice(folder, openable, openableOriginals);
    for (const std::string& path : openable) {
        EXPECT_TRUE(contains(libre, "LO-OK " + testing_support::unixPath(path) + "\n")) << libre;
    }

    program.chooseMenu('E', 'A');
    ASSERT_TRUE(waitFor([&] { return program.rows->selectedCount() == 14; }, 5000));
    clickCentre(program.child(IDC_DECRYPT_BUTTON));
    EXPECT_EQ(waitForJobAndClose(program, "MainWindowBuiltInDecryptionDone"),
              "Decryption Result: Total=14   Scucceeded=14   Failed=0");
    ASSERT_TRUE(waitFor([&] { return program.states() == rows; }, 10000)) << program.states();
    for (std::size_t i = 0; i < samples.size(); ++i) {
        SCOPED_TRACE(samples[i].first);
        const std::string original = office_test::sample(samples[i].second);
        // A package comes back byte for byte, a compound file with its streams.
        if (!originals[i].empty()) {
            EXPECT_TRUE(readBytes(office[i]) == readBytes(original));
        } else {
            EXPECT_TRUE(streamsOf(office[i]) == streamsOf(original));
        }
    }

    program.chooseMenu('O', 'B');
    ASSERT_TRUE(waitFor([] { return !TarnwickRegistry().isBuiltInEngine(); }, 3000));
    PostMessageA(program.window, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.waitForExit(), 0);
    EXPECT_EQ(watch.seen(), 0) << "an Office process ran";
}

// Enter and Esc leave the window open; WM_CLOSE ends the program and stores
// the folder shown and the window's place; the menu's Exit and the close
// box end it too, and a window too small to be worth it is not stored.
TEST_F(MainWindow, OnlyExitAndCloseEndItAndClosingStoresFolderAndGeometry) {
    const std::string other = folder + "\\Other";
    CreateDirectoryA(other.c_str(), nullptr);
    {
        Tarnwick program;
        ASSERT_TRUE(program.waitForMainWindow(documents + "\\ - Tarnwick"));
        activate(program.window);
        clickAt(program.list, {40, 200});
        pressKeys({VK_RETURN});
        pressKeys({VK_ESCAPE});
        pressKeys({VK_RETURN});
        program_driver::pause(500);
        EXPECT_EQ(WaitForSingleObject(program.handle(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
        EXPECT_TRUE(IsWindowVisible(program.window));

        ASSERT_TRUE(program.step(other)) << program.title();
        RECT rect;
        GetWindowRect(program.window, &rect);
        PostMessageA(program.window, WM_CLOSE, 0, 0);
        EXPECT_EQ(program.waitForExit(), 0);
        EXPECT_EQ(readRegistry(TarnwickRegistry::kKey, "InitialFolder"), other + "\\");
        char geometry[64];
        std::snprintf(geometry, sizeof geometry, "%ld %ld %ld %ld", rect.left, rect.top, rect.right - rect.left,
                      rect.bottom - rect.top);
        EXPECT_EQ(readRegistry(kProfileWindowsKey, "Geometry"), geometry);
        EXPECT_EQ(std::string(geometry), "40 40 900 560");
    }
    {
        // File > Exit.
        Tarnwick program;
        ASSERT_TRUE(program.waitForMainWindow(other + "\\ - Tarnwick"));
        program.chooseMenu('F', 'X');
        EXPECT_EQ(program.waitForExit(), 0);
    }
    writeRegistry(kProfileWindowsKey, "Geometry", "10 10 50 50");
    {
        // The close box, on a window minimised: its tiny rectangle is not
        // stored. (The dialog itself keeps a window of 50 x 50 at its own
        // smallest size.)
        Tarnwick program;
        ASSERT_TRUE(program.waitForMainWindow());
        RECT rect;
        GetWindowRect(program.window, &rect);
        EXPECT_EQ(rect.left, 10);
        EXPECT_EQ(rect.top, 10);
        ShowWindowAsync(program.window, SW_MINIMIZE);
        ASSERT_TRUE(waitFor([&] { return IsIconic(program.window) != FALSE; }, 15000));
        PostMessageA(program.window, WM_SYSCOMMAND, SC_CLOSE, 0);
        EXPECT_EQ(program.waitForExit(), 0);
        EXPECT_EQ(readRegistry(kProfileWindowsKey, "Geometry"), "10 10 50 50");
    }
}

// The history lists each folder once, newest first visit at the top, and
// choosing an entry shows that folder.
TEST_F(MainWindow, HistoryKeepsFirstVisitOrderAndGoesBack) {
    const std::string first = folder + "\\First";
    const std::string second = folder + "\\Second";
    CreateDirectoryA(first.c_str(), nullptr);
    CreateDirectoryA(second.c_str(), nullptr);
    put("memo.docx", office_test::sample("memo.docx"));

    Tarnwick program;
    ASSERT_TRUE(program.waitForMainWindow(documents + "\\ - Tarnwick"));
    ASSERT_TRUE(program.step(first)) << program.title();
    ASSERT_TRUE(program.step(second)) << program.title();
    ASSERT_TRUE(program.step(first)) << program.title();
    HWND history = program.child(IDC_FOLDER_HISTORY);
    ASSERT_NE(history, nullptr);
    const std::vector<std::string> expected = {second + "\\", first + "\\", documents + "\\"};
    EXPECT_EQ(comboItems(program.handle(), history), expected);
    EXPECT_EQ(windowText(history), first + "\\");
    EXPECT_EQ(program.title(), first + "\\ - Tarnwick");

    // The drop-down arrow, then the last entry: the first visit, the
    // documents folder.
    activate(program.window);
    RECT box;
    GetClientRect(history, &box);
    clickAt(history, {box.right - 8, 10});
    HWND dropped = nullptr;
    ASSERT_TRUE(waitFor(
        [&] {
            for (HWND other : topLevelWindows(program.id())) {
                if (className(other) == "ComboLBox") dropped = other;
            }
            return dropped != nullptr;
        },
        3000));
    program_driver::pause(300);
    testing_support::saveScreenshot(dropped, "MainWindowHistory");
    const int itemHeight = static_cast<int>(SendMessageA(dropped, LB_GETITEMHEIGHT, 0, 0));
    clickAt(dropped, {30, 2 * itemHeight + itemHeight / 2});
    ASSERT_TRUE(waitFor([&] { return program.title() == documents + "\\ - Tarnwick"; }, 5000)) << program.title();
    EXPECT_EQ(program.rows->rowCount(), 1);
    EXPECT_EQ(comboItems(program.handle(), history), expected);
}

// Dragging the splitter moves the list's edge; dragged past the left edge
// it gives up its place, and the default third comes back.
TEST_F(MainWindow, SplitterDragMovesTheEdgeAndFallsBackToAThird) {
    Tarnwick program;
    ASSERT_TRUE(program.waitForMainWindow(documents + "\\ - Tarnwick"));
    auto listLeft = [&] {
        RECT rect;
        GetWindowRect(program.list, &rect);
        POINT corner = {rect.left, rect.top};
        ScreenToClient(program.window, &corner);
        return static_cast<int>(corner.x);
    };
    RECT client;
    GetClientRect(program.window, &client);
    EXPECT_EQ(listLeft(), client.right / 3);

    HWND splitter = FindWindowExA(program.window, nullptr, "_SPLITTER_CLASS_", nullptr);
    ASSERT_NE(splitter, nullptr);
    EXPECT_EQ(GetDlgCtrlID(splitter), IDC_MAIN_SPLITTER);
    RECT bar;
    GetWindowRect(splitter, &bar);
    activate(program.window);
    const POINT start = {(bar.left + bar.right) / 2, (bar.top + bar.bottom) / 2};
    POINT target = {500, 100};
    ClientToScreen(program.window, &target);
    drag(start, {target.x, start.y});
    ASSERT_TRUE(waitFor([&] { return std::abs(listLeft() - 500) <= 3; }, 3000)) << listLeft();
    testing_support::saveScreenshot(program.window, "MainWindowSplitterMoved");

    GetWindowRect(splitter, &bar);
    RECT frame;
    GetWindowRect(program.window, &frame);
    drag({(bar.left + bar.right) / 2, start.y}, {frame.left - 60, start.y});
    ASSERT_TRUE(waitFor([&] { return listLeft() == client.right / 3; }, 3000)) << listLeft();
}

// The computer node is no file-system folder: the list empties and is
// disabled, and the title has no folder.
TEST_F(MainWindow, AVirtualFolderEmptiesTheList) {
    put("memo.docx", office_test::sample("memo.docx"));
    Tarnwick program;
    ASSERT_TRUE(program.waitForMainWindow(documents + "\\ - Tarnwick"));
    ASSERT_EQ(program.rows->rowCount(), 1);
    EXPECT_TRUE(IsWindowEnabled(program.list));

    // A click on the computer node.
    const LPARAM computer = program.childNamed(program.treeItem(TVGN_ROOT, 0), "My Computer");
    ASSERT_NE(computer, 0);
    program.clickTreeItem(computer);
    ASSERT_TRUE(waitFor([&] { return program.title() == " - Tarnwick"; }, 5000)) << program.title();
    EXPECT_EQ(program.rows->rowCount(), 0);
    EXPECT_FALSE(IsWindowEnabled(program.list));
    // The history box no longer shows the folder before, but keeps it.
    HWND history = program.child(IDC_FOLDER_HISTORY);
    EXPECT_EQ(windowText(history), "");
    EXPECT_EQ(comboItems(program.handle(), history), std::vector<std::string>{documents + "\\"});
    testing_support::saveScreenshot(program.window, "MainWindowVirtualFolder");
}

// A start folder stored on a removable drive opens the documents folder
// instead, also when it is a folder below the drive's root.
TEST_F(MainWindow, AStartFolderOnARemovableDriveOpensTheDocumentsFolder) {
    const std::string stick = folder + "\\stick";
    CreateDirectoryA(stick.c_str(), nullptr);
    CreateDirectoryA((stick + "\\reports").c_str(), nullptr);
    ScopedWineDrive drive('R', DRIVE_REMOVABLE, testing_support::unixPath(stick));
    ASSERT_TRUE(drive.defined());
    ASSERT_EQ(GetDriveTypeA("R:\\"), static_cast<UINT>(DRIVE_REMOVABLE));
    ASSERT_NE(GetFileAttributesA("R:\\reports"), INVALID_FILE_ATTRIBUTES);
    char personal[MAX_PATH] = {};
    ASSERT_EQ(SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, 0, personal), S_OK);

    for (const char* stored : {"R:\\", "R:\\reports\\"}) {
        SCOPED_TRACE(stored);
        TarnwickRegistry().setInitialFolder(stored);
        Tarnwick program;
        ASSERT_TRUE(program.waitForMainWindow("\\ - Tarnwick"));
        EXPECT_TRUE(waitFor([&] { return program.title() == std::string(personal) + "\\ - Tarnwick"; }, 5000))
            << program.title();
    }
}

// Option > Don't Update LastModified flips the setting; Help > Show Help
// starts the help viewer on the help page.
TEST_F(MainWindow, MenuTogglesTheFileTimeSettingAndShowsHelp) {
    put("memo.docx", office_test::sample("memo.docx"));
    Tarnwick program;
    ASSERT_TRUE(program.waitForMainWindow(documents + "\\ - Tarnwick"));

    program.chooseMenu('O', 'U');
    ASSERT_TRUE(waitFor([] { return TarnwickRegistry().isDonotUpdateFileTime(); }, 3000));
    program.chooseMenu('O', 'U');
    ASSERT_TRUE(waitFor([] { return !TarnwickRegistry().isDonotUpdateFileTime(); }, 3000));

    // A menu left open for the picture.
    activate(program.window);
    pressKeys({'E'}, {VK_MENU});
    HWND popup = nullptr;
    ASSERT_TRUE(waitFor([&] { return (popup = FindWindowA("#32768", nullptr)) != nullptr && IsWindowVisible(popup); },
                        3000));
    program_driver::pause(300);
    testing_support::saveScreenshot(program.window, "MainWindowWithFiles");
    testing_support::saveScreenshot(popup, "MainWindowEditMenu");
    pressKeys({VK_ESCAPE});
    pressKeys({VK_ESCAPE});

    program.chooseMenu('H', 'H');
    HWND viewer = nullptr;
    ASSERT_TRUE(waitFor(
        [&] {
            viewer = FindWindowA("LANTERNPANE_WINDOW", nullptr);
            return viewer != nullptr && endsWith(windowText(viewer), "Tarnwick.html - Lanternpane");
        },
        30000))
        << (viewer != nullptr ? windowText(viewer) : std::string("no viewer"));
    EXPECT_TRUE(contains(windowText(viewer), buildFile("html\\Tarnwick.html"))) << windowText(viewer);
    PostMessageA(viewer, WM_CLOSE, 0, 0);
    waitFor([&] { return !IsWindow(viewer); }, 10000);
}

// Without the viewer, or without the help page, the help command says
// which is missing and starts nothing.
TEST_F(MainWindow, HelpSaysWhatIsMissing) {
    const std::string bare = folder + "\\bare";
    CreateDirectoryA(bare.c_str(), nullptr);
    ASSERT_TRUE(CopyFileA(program_driver::tarnwickPath().c_str(), (bare + "\\Tarnwick.exe").c_str(), FALSE));

    auto expectMessage = [&](const std::string& caption, const std::string& text, const std::string& picture) {
        Tarnwick program(bare + "\\Tarnwick.exe");
        ASSERT_TRUE(program.waitForMainWindow(documents + "\\ - Tarnwick"));
        program.chooseMenu('H', 'H');
        HWND box = program.waitForOtherWindow([&](const std::string& t) { return t == caption; }, 10000);
        ASSERT_NE(box, nullptr) << "no message " << caption;
        EXPECT_EQ(messageText(box), text);
        testing_support::saveScreenshot(box, picture);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(waitFor([&] { return !IsWindow(box); }, 5000));
        EXPECT_EQ(FindWindowA("LANTERNPANE_WINDOW", nullptr), nullptr);
    };
    expectMessage("Postwarden", "Error:\r\nNot found Lanternpane.exe program", "MainWindowHelpViewerMissing");
    ASSERT_TRUE(CopyFileA(buildFile("Lanternpane.exe").c_str(), (bare + "\\Lanternpane.exe").c_str(), FALSE));
    expectMessage("Tarnwick", "Error:\r\nNot found a help file(Tarnwick.html)", "MainWindowHelpPageMissing");
}
