// The real Tarnwick.exe, started as a user starts it and driven only from
// outside: clicks, keys and menu choices through SendInput, the results
// read from its windows, the registry and the files, which are checked by
// tools this program did not write (msoffcrypto-tool, qpdf). The program
// works through the Office stand-in, or with its built-in engine where no
// Office is registered at all.

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "ProgramDriver.h"
#include "RemoteUi.h"
#include "TarnwickDriver.h"
#include "office/tests/OfficeTestSupport.h"
#include "resources/TarnwickIds.h"
#include "settings/PasswordGenerator.h"
#include "settings/TarnwickRegistry.h"
#include "testing/Screenshot.h"
#include "testing/TestPaths.h"
#include "testing/UnixCommand.h"
#include "testing/Waiting.h"

using namespace remote_ui;
using office_test::NoOfficeRegistered;
using office_test::OfficeWatch;
using office_test::streamsOf;
using program_driver::checkWithTools;
using program_driver::notifierRowImages;
using program_driver::RowImage;
using program_driver::ScopedWineDrive;
using program_driver::Tarnwick;
using program_driver::windowColour;
using program_driver::windowIcon;
using testing_support::pumpFor;
using testing_support::pumpUntil;
using testing_support::readBytes;

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

    std::string folder;
    std::string documents;
    std::string work;
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
    ASSERT_TRUE(pumpUntil([&] { return program.rows->rowCount() == 7; }, 10000)) << program.rows->rowCount();
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
    ASSERT_TRUE(pumpUntil([&] { return program.rows->selectedCount() == 7; }, 5000)) << program.rows->selectedCount();
    clickCentre(program.child(IDC_ENCRYPT_BUTTON));
    // The finished notifier's rows show Tarnwick's own images: the success
    // image beside each "OK", the failure image beside the "NG".
    program.waitForJobAndClose(picture("MainWindowEncryptionDone"), [&](HWND notifier) {
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
    ASSERT_TRUE(pumpUntil([&] { return program.states() == "PWD||PWD|PWD|PWD|PWD|PWD|"; }, 10000))
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
    ASSERT_TRUE(pumpUntil([&] { return program.rows->selectedCount() == 1; }, 5000));
    clickCentre(program.child(IDC_PASSWORD_BUTTON));
    HWND exporter = program.waitForOtherWindow([](const std::string& t) { return t == "Password Exporter"; }, 10000);
    ASSERT_NE(exporter, nullptr);
    EXPECT_EQ(windowText(GetDlgItem(exporter, IDC_EXPORTED_PASSWORD)), office_test::officePassword(pathOf("memo.docx")));
    testing_support::saveScreenshot(exporter, picture("MainWindowPasswordExporter"));
    drawn["dialog height"] = clientSize(exporter).cy;
    EXPECT_EQ(buttonsCut(program.handle(), exporter), "");
    PostMessageA(exporter, WM_CLOSE, 0, 0);
    ASSERT_TRUE(pumpUntil([&] { return !IsWindow(exporter); }, 5000));

    // Everything back.
    program.chooseMenu('E', 'A');
    ASSERT_TRUE(pumpUntil([&] { return program.rows->selectedCount() == 7; }, 5000));
    clickCentre(program.child(IDC_DECRYPT_BUTTON));
    program.waitForJobAndClose(picture("MainWindowDecryptionDone"));
    ASSERT_TRUE(pumpUntil([&] { return program.states() == "|||||||"; }, 10000)) << program.states();

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
    pumpFor(500);
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
    ASSERT_TRUE(pumpUntil([&] { return program.rows->rowCount() == 14; }, 10000)) << program.rows->rowCount();
    // Option > Built-in Encryption: the setting follows the check mark.
    program.chooseMenu('O', 'B');
    ASSERT_TRUE(pumpUntil([] { return TarnwickRegistry().isBuiltInEngine(); }, 3000));

    activate(program.window);
    clickAt(program.list, {40, 200});
    program.chooseMenu('E', 'A');
    ASSERT_TRUE(pumpUntil([&] { return program.rows->selectedCount() == 14; }, 5000)) << program.rows->selectedCount();
    clickCentre(program.child(IDC_ENCRYPT_BUTTON));
    EXPECT_EQ(program.waitForJobAndClose("MainWindowBuiltInEncryptionDone"),
              "Encryption Result: Total=14   Scucceeded=14   Failed=0");
    std::string encrypted;
    for (int i = 0; i < 14; ++i) encrypted += "PWD|";
    ASSERT_TRUE(pumpUntil([&] { return program.states() == encrypted; }, 10000)) << program.states();

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
    ASSERT_TRUE(pumpUntil([&] { return program.rows->selectedCount() == 14; }, 5000));
    clickCentre(program.child(IDC_DECRYPT_BUTTON));
    EXPECT_EQ(program.waitForJobAndClose("MainWindowBuiltInDecryptionDone"),
              "Decryption Result: Total=14   Scucceeded=14   Failed=0");
    ASSERT_TRUE(pumpUntil([&] { return program.states() == rows; }, 10000)) << program.states();
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
    ASSERT_TRUE(pumpUntil([] { return !TarnwickRegistry().isBuiltInEngine(); }, 3000));
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
        pumpFor(500);
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
        ASSERT_TRUE(pumpUntil([&] { return IsIconic(program.window) != FALSE; }, 15000));
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
    ASSERT_TRUE(pumpUntil(
        [&] {
            for (HWND other : topLevelWindows(program.id())) {
                if (className(other) == "ComboLBox") dropped = other;
            }
            return dropped != nullptr;
        },
        3000));
    pumpFor(300);
    testing_support::saveScreenshot(dropped, "MainWindowHistory");
    const int itemHeight = static_cast<int>(SendMessageA(dropped, LB_GETITEMHEIGHT, 0, 0));
    clickAt(dropped, {30, 2 * itemHeight + itemHeight / 2});
    ASSERT_TRUE(pumpUntil([&] { return program.title() == documents + "\\ - Tarnwick"; }, 5000)) << program.title();
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
    ASSERT_TRUE(pumpUntil([&] { return std::abs(listLeft() - 500) <= 3; }, 3000)) << listLeft();
    testing_support::saveScreenshot(program.window, "MainWindowSplitterMoved");

    GetWindowRect(splitter, &bar);
    RECT frame;
    GetWindowRect(program.window, &frame);
    drag({(bar.left + bar.right) / 2, start.y}, {frame.left - 60, start.y});
    ASSERT_TRUE(pumpUntil([&] { return listLeft() == client.right / 3; }, 3000)) << listLeft();
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
    ASSERT_TRUE(pumpUntil([&] { return program.title() == " - Tarnwick"; }, 5000)) << program.title();
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
        EXPECT_TRUE(pumpUntil([&] { return program.title() == std::string(personal) + "\\ - Tarnwick"; }, 5000))
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
    ASSERT_TRUE(pumpUntil([] { return TarnwickRegistry().isDonotUpdateFileTime(); }, 3000));
    program.chooseMenu('O', 'U');
    ASSERT_TRUE(pumpUntil([] { return !TarnwickRegistry().isDonotUpdateFileTime(); }, 3000));

    // A menu left open for the picture.
    activate(program.window);
    pressKeys({'E'}, {VK_MENU});
    HWND popup = nullptr;
    ASSERT_TRUE(pumpUntil([&] { return (popup = FindWindowA("#32768", nullptr)) != nullptr && IsWindowVisible(popup); },
                        3000));
    pumpFor(300);
    testing_support::saveScreenshot(program.window, "MainWindowWithFiles");
    testing_support::saveScreenshot(popup, "MainWindowEditMenu");
    pressKeys({VK_ESCAPE});
    pressKeys({VK_ESCAPE});

    program.chooseMenu('H', 'H');
    HWND viewer = nullptr;
    ASSERT_TRUE(pumpUntil(
        [&] {
            viewer = FindWindowA("LANTERNPANE_WINDOW", nullptr);
            return viewer != nullptr && endsWith(windowText(viewer), "Tarnwick.html - Lanternpane");
        },
        30000))
        << (viewer != nullptr ? windowText(viewer) : std::string("no viewer"));
    EXPECT_TRUE(contains(windowText(viewer), buildFile("html\\Tarnwick.html"))) << windowText(viewer);
    PostMessageA(viewer, WM_CLOSE, 0, 0);
    pumpUntil([&] { return !IsWindow(viewer); }, 10000);
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
        ASSERT_TRUE(pumpUntil([&] { return !IsWindow(box); }, 5000));
        EXPECT_EQ(FindWindowA("LANTERNPANE_WINDOW", nullptr), nullptr);
    };
    expectMessage("Postwarden", "Error:\r\nNot found Lanternpane.exe program", "MainWindowHelpViewerMissing");
    ASSERT_TRUE(CopyFileA(buildFile("Lanternpane.exe").c_str(), (bare + "\\Lanternpane.exe").c_str(), FALSE));
    expectMessage("Tarnwick", "Error:\r\nNot found a help file(Tarnwick.html)", "MainWindowHelpPageMissing");
}
