// Black-box: runs the setup program and the uninstaller on a machine where
// Tarnwick was never installed (installer/tests/fresh-prefix.sh makes a new
// Wine prefix for every run), then looks at the files, the Start menu, the
// registry and the windows they leave. The suites run in the order written:
// silent install, silent uninstall, then the setup program's pages.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <tlhelp32.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "TarnwickVersion.h"
#include "foundation/WinHandles.h"
#include "testing/ModalDriver.h"
#include "testing/Screenshot.h"
#include "testing/TestPaths.h"
#include "testing/Waiting.h"

namespace fs = std::filesystem;
using Microsoft::WRL::ComPtr;

namespace {

const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tarnwick";
const char kSettingsKey[] = "SOFTWARE\\Merrowind\\Application\\Tarnwick\\Config";
const char kSettingName[] = "InstallerTestSetting";
const char kSettingValue[] = "the user's own";

std::string setupProgram() { return testing_support::nativePath(TARNWICK_SETUP); }
std::string shippedStage() { return testing_support::nativePath(TARNWICK_SETUP_STAGE); }
std::string helpSources() { return testing_support::nativePath(TARNWICK_SOURCE_DIR "/helpviewer/html"); }

std::string shellFolder(int csidl) {
    char path[MAX_PATH] = {};
    return SUCCEEDED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)) ? path : "";
}
std::string makersFolder() { return shellFolder(CSIDL_PROGRAM_FILES) + "\\Merrowind"; }
std::string installFolder() { return makersFolder() + "\\Tarnwick"; }
std::string menuFolder() { return shellFolder(CSIDL_COMMON_PROGRAMS) + "\\Tarnwick"; }
std::string helpPage() { return installFolder() + "\\html\\Tarnwick.html"; }

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

using testing_support::pumpUntil;
using testing_support::runProgram;

// Waits for a program to end and returns its exit code; ends it and returns
// 99 when it outlives the time.
DWORD waitForExit(HANDLE process, DWORD timeoutMs) {
    if (WaitForSingleObject(process, timeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(process, 99);
        return 99;
    }
    DWORD exitCode = 1;
    GetExitCodeProcess(process, &exitCode);
    return exitCode;
}

using testing_support::windowText;

// The first visible top-level window whose title passes the test.
HWND waitForWindow(const std::function<bool(const std::string&)>& titleMatches, DWORD timeoutMs) {
    struct Search {
        const std::function<bool(const std::string&)>* matches;
        HWND found;
    } search = {&titleMatches, nullptr};
    pumpUntil(
        [&search] {
            EnumWindows(
                [](HWND window, LPARAM data) -> BOOL {
                    auto* s = reinterpret_cast<Search*>(data);
                    if (!IsWindowVisible(window) || !(*s->matches)(windowText(window))) return TRUE;
                    s->found = window;
                    return FALSE;
                },
                reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        timeoutMs);
    return search.found;
}

HWND waitForTitle(const std::string& title, DWORD timeoutMs) {
    return waitForWindow([&title](const std::string& text) { return text == title; }, timeoutMs);
}

// Closes a window of another program and waits for that program to end;
// ends it forcibly if it does not. Returns the program's exit code.
DWORD closeProgram(HWND window) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    unique_handle process(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE, processId));
    PostMessageA(window, WM_CLOSE, 0, 0);
    return process ? waitForExit(process.get(), 30000) : 1;
}

std::string readFile(const std::string& path) {
    std::ifstream in(fs::u8path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The files under folder, as paths relative to it.
std::set<std::string> filesUnder(const std::string& folder) {
    std::set<std::string> files;
    std::error_code error;
    for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (it->is_regular_file()) files.insert(fs::relative(it->path(), folder).make_preferred().string());
    }
    return files;
}

std::string registryText(HKEY root, const char* key, const char* name) {
    char value[1024] = {};
    DWORD size = sizeof value;
    LSTATUS status = RegGetValueA(root, key, name, RRF_RT_REG_SZ, nullptr, value, &size);
    return status == ERROR_SUCCESS ? value : "<missing>";
}

bool registryNumber(HKEY root, const char* key, const char* name, DWORD* number) {
    DWORD size = sizeof *number;
    return RegGetValueA(root, key, name, RRF_RT_REG_DWORD, nullptr, number, &size) == ERROR_SUCCESS;
}

bool keyExists(HKEY root, const char* key) {
    unique_hkey opened;
    return RegOpenKeyExA(root, key, 0, KEY_READ, opened.put()) == ERROR_SUCCESS;
}

std::string productVersionOf(const std::string& program) {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(program.c_str(), &ignored);
    std::vector<char> block(size);
    char* value = nullptr;
    UINT length = 0;
    if (size == 0 || !GetFileVersionInfoA(program.c_str(), 0, size, block.data()) ||
        !VerQueryValueA(block.data(), "\\StringFileInfo\\040904b0\\ProductVersion", reinterpret_cast<void**>(&value),
                        &length)) {
        return "<none>";
    }
    return value;
}

struct Shortcut {
    std::string target, arguments, workingFolder, iconFile;
    int iconIndex = -1;
};

// What Explorer reads from a .lnk file.
bool readShortcut(const std::string& file, Shortcut* shortcut) {
    ComPtr<IShellLinkA> link;
    ComPtr<IPersistFile> persist;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link)))) return false;
    if (FAILED(link.As(&persist))) return false;
    std::wstring wideFile(file.begin(), file.end());
    if (FAILED(persist->Load(wideFile.c_str(), STGM_READ))) return false;
    char text[MAX_PATH * 2] = {};
    link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH);
    shortcut->target = text;
    link->GetArguments(text, sizeof text);
    shortcut->arguments = text;
    link->GetWorkingDirectory(text, MAX_PATH);
    shortcut->workingFolder = text;
    link->GetIconLocation(text, MAX_PATH, &shortcut->iconIndex);
    shortcut->iconFile = text;
    return true;
}

// Ends every process started from the file name (as in "Lanternpane.exe").
// The prefix is the test's own: nobody else runs these programs there.
void endProcessesNamed(const std::string& name) {
    unique_hfile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = snapshot && Process32First(snapshot.get(), &entry); more;
         more = Process32Next(snapshot.get(), &entry)) {
        if (lstrcmpiA(entry.szExeFile, name.c_str()) != 0) continue;
        unique_handle process(OpenProcess(PROCESS_TERMINATE, FALSE, entry.th32ProcessID));
        if (process) TerminateProcess(process.get(), 99);
    }
}

// A program that a test started: ended when the test leaves it running.
// Wine gives no process handle for a program started through a shortcut, so
// such a program is found by its file name.
struct StartedProgram {
    explicit StartedProgram(std::string name = {}) : fileName(std::move(name)) {}
    StartedProgram(const StartedProgram&) = delete;
    StartedProgram& operator=(const StartedProgram&) = delete;
    ~StartedProgram() {
        if (process) {
            if (WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT) TerminateProcess(process.get(), 99);
        } else if (!fileName.empty()) {
            endProcessesNamed(fileName);
        }
    }

    std::string fileName;
    bool started = false;
    unique_handle process;
};

// Opens a shortcut the way a click in the Start menu does.
void openShortcut(const std::string& file, StartedProgram* program) {
    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOCLOSEPROCESS;
    info.lpFile = file.c_str();
    info.nShow = SW_SHOWNORMAL;
    program->started = ShellExecuteExA(&info) != FALSE;
    program->process.reset(info.hProcess);
}

void writeUserSetting() {
    unique_hkey key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_WRITE, nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key.get(), kSettingName, 0, REG_SZ, reinterpret_cast<const BYTE*>(kSettingValue),
                             sizeof kSettingValue),
              ERROR_SUCCESS);
}

bool installed() { return keyExists(HKEY_LOCAL_MACHINE, kUninstallKey) && exists(installFolder() + "\\Tarnwick.exe"); }

void installSilently() {
    EXPECT_EQ(runProgram("\"" + setupProgram() + "\" /S", "", 180000), 0) << "the silent setup failed or did not end";
    ASSERT_TRUE(installed()) << "the silent setup did not install Tarnwick";
}

class TestWithCom : public ::testing::Test {
protected:
    void SetUp() override { comReady_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)); }
    void TearDown() override {
        if (comReady_) CoUninitialize();
    }

private:
    bool comReady_ = false;
};

// ---------------------------------------------------------------------------

class SilentInstall : public TestWithCom {
protected:
    static void SetUpTestSuite() {
        // A user who had settings from an earlier copy: nothing may touch them.
        writeUserSetting();
        if (!installed()) installSilently();
    }
};

TEST_F(SilentInstall, PlacesEveryShippedFileAndNothingElse) {
    std::set<std::string> expected = {"Tarnwick.exe", "Lanternpane.exe", "Uninstall.exe"};
    std::set<std::string> pages = filesUnder(helpSources());
    ASSERT_FALSE(pages.empty());
    for (const auto& page : pages) expected.insert("html\\" + page);
    EXPECT_EQ(filesUnder(installFolder()), expected);

    for (const char* program : {"Tarnwick.exe", "Lanternpane.exe"}) {
        EXPECT_EQ(readFile(installFolder() + "\\" + program), readFile(shippedStage() + "\\" + program))
            << program << " differs from the build's stripped copy";
    }
    for (const auto& page : pages) {
        EXPECT_EQ(readFile(installFolder() + "\\html\\" + page), readFile(helpSources() + "\\" + page)) << page;
    }
}

TEST_F(SilentInstall, StartMenuFolderHoldsTheProgramAndItsHelp) {
    EXPECT_EQ(filesUnder(menuFolder()), (std::set<std::string>{"Tarnwick.lnk", "Tarnwick Help.lnk"}));
    struct {
        const char* link;
        std::string target, arguments;
    } const cases[] = {
        {"Tarnwick.lnk", installFolder() + "\\Tarnwick.exe", ""},
        // Lanternpane takes its whole command line as the page: no quotes.
        {"Tarnwick Help.lnk", installFolder() + "\\Lanternpane.exe", helpPage()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.link);
        Shortcut shortcut;
        ASSERT_TRUE(readShortcut(menuFolder() + "\\" + c.link, &shortcut));
        EXPECT_EQ(shortcut.target, c.target);
        EXPECT_EQ(shortcut.arguments, c.arguments);
        EXPECT_EQ(shortcut.workingFolder, installFolder());
        EXPECT_EQ(shortcut.iconFile, installFolder() + "\\Tarnwick.exe");
        EXPECT_EQ(shortcut.iconIndex, 0);
    }
}

TEST_F(SilentInstall, UninstallEntryDescribesTheInstallation) {
    const std::string uninstaller = "\"" + installFolder() + "\\Uninstall.exe\"";
    struct {
        const char* name;
        std::string value;
    } const texts[] = {
        {"DisplayName", "Tarnwick"},
        {"DisplayVersion", TARNWICK_VERSION_TEXT},
        {"Publisher", "Merrowind"},
        {"DisplayIcon", installFolder() + "\\Tarnwick.exe,0"},
        {"InstallLocation", installFolder()},
        {"UninstallString", uninstaller},
        {"QuietUninstallString", uninstaller + " /S"},
    };
    for (const auto& t : texts) {
        EXPECT_EQ(registryText(HKEY_LOCAL_MACHINE, kUninstallKey, t.name), t.value) << t.name;
    }
    // The entry and the program itself tell the same version.
    EXPECT_EQ(productVersionOf(installFolder() + "\\Tarnwick.exe"), TARNWICK_VERSION_TEXT);

    // EstimatedSize is in kilobytes.
    std::uintmax_t bytes = 0;
    std::set<std::string> files = filesUnder(installFolder());
    for (const auto& file : files) bytes += fs::file_size(fs::u8path(installFolder() + "\\" + file));
    DWORD kilobytes = 0;
    ASSERT_TRUE(registryNumber(HKEY_LOCAL_MACHINE, kUninstallKey, "EstimatedSize", &kilobytes));
    EXPECT_GE(kilobytes + files.size(), bytes / 1024);
    EXPECT_LE(kilobytes, bytes / 1024 + files.size());
    for (const char* flag : {"NoModify", "NoRepair"}) {
        DWORD value = 0;
        EXPECT_TRUE(registryNumber(HKEY_LOCAL_MACHINE, kUninstallKey, flag, &value) && value == 1) << flag;
    }
}

TEST_F(SilentInstall, ProgramStartsFromItsShortcutAndShowsItsWindow) {
    StartedProgram program{"Tarnwick.exe"};
    openShortcut(menuFolder() + "\\Tarnwick.lnk", &program);
    ASSERT_TRUE(program.started) << GetLastError();
    // The first start in a new prefix can be slow on a loaded machine.
    HWND window = waitForTitle("Tarnwick", 180000);
    ASSERT_NE(window, nullptr) << "no window titled Tarnwick";
    Sleep(500);
    EXPECT_FALSE(testing_support::saveScreenshot(window, "InstalledTarnwick").empty());
    EXPECT_EQ(closeProgram(window), 0u);
}

TEST_F(SilentInstall, HelpShortcutShowsTheInstalledPageInLanternpane) {
    ASSERT_TRUE(exists(helpPage()));
    StartedProgram program{"Lanternpane.exe"};
    openShortcut(menuFolder() + "\\Tarnwick Help.lnk", &program);
    ASSERT_TRUE(program.started) << GetLastError();
    // Lanternpane's title is the address it was given.
    HWND window = waitForTitle(helpPage() + " - Lanternpane", 60000);
    ASSERT_NE(window, nullptr) << "no Lanternpane window showing " << helpPage();
    Sleep(500);
    EXPECT_FALSE(testing_support::saveScreenshot(window, "InstalledHelp").empty());
    EXPECT_EQ(closeProgram(window), 0u);
}

// ---------------------------------------------------------------------------

class SilentUninstall : public TestWithCom {
protected:
    static void SetUpTestSuite() {
        writeUserSetting();
        if (!installed()) installSilently();
        // Run as the list of installed programs runs it. The uninstaller
        // copies itself to the temp folder and works from there, so the
        // first process ends early: wait for the result.
        std::string command = registryText(HKEY_LOCAL_MACHINE, kUninstallKey, "QuietUninstallString");
        EXPECT_EQ(runProgram(command, "", 60000), 0) << command;
        EXPECT_TRUE(pumpUntil([] { return !exists(installFolder()) && !keyExists(HKEY_LOCAL_MACHINE, kUninstallKey); },
                              60000))
            << "the uninstaller did not finish";
    }
};

TEST_F(SilentUninstall, RemovesTheProgramFolderAndTheEmptyMakersFolder) {
    EXPECT_EQ(filesUnder(installFolder()), std::set<std::string>{});
    EXPECT_FALSE(exists(installFolder()));
    EXPECT_FALSE(exists(makersFolder()));
}

TEST_F(SilentUninstall, RemovesTheStartMenuFolder) { EXPECT_FALSE(exists(menuFolder())); }

TEST_F(SilentUninstall, RemovesTheUninstallEntry) { EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kUninstallKey)); }

TEST_F(SilentUninstall, LeavesTheUsersSettingsAlone) {
    EXPECT_EQ(registryText(HKEY_CURRENT_USER, kSettingsKey, kSettingName), kSettingValue);
}

// ---------------------------------------------------------------------------

// The setup program's window and the page it shows, told by its buttons.
class SetupWindow {
public:
    explicit SetupWindow(HWND window) : window_(window) {}

    std::string nextButton() const { return windowText(GetDlgItem(window_, IDOK)); }
    bool waitForNextButton(const std::string& text) const {
        return pumpUntil([&] { return nextButton() == text; }, 120000);
    }
    // What the button itself sends: BM_CLICK may fail while another window
    // is the active one.
    void pressNext() const {
        PostMessageA(window_, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(window_, IDOK)));
    }

    // Texts of all the controls of the current page.
    std::vector<std::string> texts() const {
        std::vector<std::string> all;
        EnumChildWindows(
            window_,
            [](HWND child, LPARAM data) -> BOOL {
                if (IsWindowVisible(child)) reinterpret_cast<std::vector<std::string>*>(data)->push_back(windowText(child));
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&all));
        return all;
    }
    bool shows(const std::string& text) const {
        for (const auto& t : texts()) {
            if (t == text) return true;
        }
        return false;
    }
    void screenshot(const char* name) const {
        Sleep(700);
        EXPECT_FALSE(testing_support::saveScreenshot(window_, name).empty()) << name;
    }

private:
    HWND window_;
};

TEST(SetupPages, WelcomeFolderAndFinishThenStartsTarnwick) {
    if (installed()) {
        // Start from a clean machine: the earlier suites may have left it.
        runProgram(registryText(HKEY_LOCAL_MACHINE, kUninstallKey, "QuietUninstallString"), "", 60000);
        pumpUntil([] { return !exists(installFolder()); }, 60000);
    }
    testing_support::ChildProcess setupRun;
    ASSERT_TRUE(setupRun.start("\"" + setupProgram() + "\"")) << "cannot start the setup: error " << GetLastError();

    HWND window = waitForTitle("Tarnwick Setup", 60000);
    ASSERT_NE(window, nullptr) << "no window titled Tarnwick Setup";
    SetupWindow setup(window);

    ASSERT_TRUE(setup.waitForNextButton("&Next >")) << setup.nextButton();
    EXPECT_TRUE(setup.shows("Welcome to Tarnwick " TARNWICK_VERSION_TEXT " Setup"));
    setup.screenshot("SetupWelcome");

    setup.pressNext();
    ASSERT_TRUE(setup.waitForNextButton("&Install")) << setup.nextButton();
    EXPECT_TRUE(setup.shows(installFolder())) << "the folder page does not offer " << installFolder();
    setup.screenshot("SetupFolder");

    setup.pressNext();
    ASSERT_TRUE(setup.waitForNextButton("&Finish")) << setup.nextButton();
    EXPECT_TRUE(setup.shows("Start Tarnwick"));
    setup.screenshot("SetupFinish");

    // "Start Tarnwick" is ticked: Finish ends the setup and starts the
    // program it installed.
    setup.pressNext();
    DWORD setupCode = 99;
    EXPECT_TRUE(setupRun.waitForExit(60000, setupCode)) << "the setup did not end";
    EXPECT_EQ(setupCode, 0u);
    EXPECT_TRUE(installed());
    HWND program = waitForTitle("Tarnwick", 120000);
    ASSERT_NE(program, nullptr) << "Finish did not start Tarnwick";
    EXPECT_EQ(closeProgram(program), 0u);
}

}  // namespace
