#include "browser/ListCommands.h"

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "browser/FileTransfer.h"
#include "browser/XListView.h"
#include "browser/tests/ListHost.h"
#include "browser/tests/ListTestSupport.h"
#include "foundation/LinkedList.h"
#include "resources/TarnwickIds.h"
#include "testing/ModalDriver.h"
#include "testing/Screenshot.h"
#include "testing/TestPaths.h"
#include "testing/Waiting.h"
#include "wingui/ListView.h"
#include "wingui/MessagePump.h"
#include "wingui/Window.h"

using namespace testing_support;

namespace {

using browser_test::kListId;
using namespace browser_test;

std::vector<std::string> strings(const LinkedList& list) {
    std::vector<std::string> result;
    for (Iterator* node = list.getHead(); node != nullptr; node = node->getNext()) {
        result.push_back(static_cast<const String*>(node->getObject())->getContents());
    }
    return result;
}

class ListCommandsTest : public testing::Test {
protected:
    void SetUp() override {
        folder_ = freshFolder("listcommands") + "\\";
        CopyFileA(fixture("lo-plain.docx").c_str(), (folder_ + "a.docx").c_str(), FALSE);
        CopyFileA(fixture("lo-plain.docx").c_str(), (folder_ + "plain two.doc").c_str(), FALSE);
        CopyFileA(fixture("agile.docx").c_str(), (folder_ + "Locked.docx").c_str(), FALSE);
        CopyFileA(fixture("qpdf-aes256.pdf").c_str(), (folder_ + "secret.pdf").c_str(), FALSE);
        writeBytes(folder_ + "Report.pdf", 10);
        writeBytes(folder_ + "OTHER.docx", 10);
        writeBytes(folder_ + "one.xps", 1);
        shown_ = std::make_unique<ListedFolder>("File list commands", folder_);
    }
    void TearDown() override {
        shown_.reset();
    }
    HWND list() const { return shown_->list(); }

    std::string folder_;
    std::unique_ptr<ListedFolder> shown_;
};

// The selection's plain and protected files, as the list's rows show them.
TEST_F(ListCommandsTest, SelectionQueries) {
    browser_test::settleForScreenshot(shown_->host->getWindow());
    saveScreenshot(shown_->host->getWindow(), "FileListCommands");
    select(list(), {"a.docx", "Locked.docx", "secret.pdf", "one.xps"});
    LinkedList plain, encrypted, eligible, protectedFiles, items;
    int skippedPlain = 0, skippedEncrypted = 0;
    EXPECT_EQ(XListView_GetNonEncSelectedFilesList(list(), &plain, &skippedPlain), 2);
    EXPECT_EQ(skippedPlain, 2);
    EXPECT_EQ(strings(plain), (std::vector<std::string>{folder_ + "a.docx", folder_ + "one.xps"}));
    EXPECT_EQ(XListView_GetEncSelectedFilesList(list(), &encrypted, &skippedEncrypted), 2);
    EXPECT_EQ(skippedEncrypted, 2);
    EXPECT_EQ(strings(encrypted), (std::vector<std::string>{folder_ + "Locked.docx", folder_ + "secret.pdf"}));
    EXPECT_EQ(XListView_GetOfficePDFFilesList(list(), &eligible), 3);
    EXPECT_EQ(XListView_GetProtectedOfficePDFFilesList(list(), &protectedFiles), 2);
    EXPECT_EQ(XListView_GetOfficeFileNamesList(list(), &items), 4);
    // Highest row first.
    const auto* first = static_cast<const ListItem*>(items.getHead()->getObject());
    EXPECT_EQ(first->getIndex(), XListView_GetLastSelelctedItem(list()));
    select(list(), {});
    EXPECT_EQ(XListView_GetLastSelelctedItem(list()), -1);
    EXPECT_EQ(XListView_GetOfficeFileNamesList(list(), &items), 0);
}

// Selects the row of name and opens the label editor with F2; the editor,
// or null.
HWND editWithF2(HWND list, const std::string& name) {
    select(list, {name});
    SetFocus(list);
    pressKey(VK_F2);
    settle();
    return reinterpret_cast<HWND>(SendMessageA(list, LVM_GETEDITCONTROL, 0, 0));
}

// Types a new name into the label editor opened by F2 and ends it with
// key; returns the text of the "Change FileName" message, if one came.
// Wine's list view sends no end-of-edit notification for a change of case
// only; there (direct) the test asks the list what the
// notification would have asked, with the editor still open.
std::string renameThroughEditor(HWND list, const std::string& name, const std::string& typed, WORD key,
                                bool expectMessage, bool direct) {
    HWND edit = editWithF2(list, name);
    EXPECT_NE(edit, nullptr) << name;
    if (edit == nullptr) return "";
    // Select everything, rub it out, then type.
    SendMessageA(edit, EM_SETSEL, 0, -1);
    SendMessageA(edit, WM_CHAR, VK_BACK, 1);
    typeInto(edit, typed);
    std::string message;
    auto end = [&] {
        if (!direct) {
            pressKey(key);
            return;
        }
        if (XListView_EndLabelEdit(list, rowOf(list, name), false)) {
            LVITEMA item = {};
            item.pszText = const_cast<char*>(typed.c_str());
            SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(rowOf(list, name)), reinterpret_cast<LPARAM>(&item));
        }
    };
    if (expectMessage) {
        ModalDriver::run([&] { end(); settle(); }, {answer("Change FileName", message, IDOK)});
    } else {
        end();
    }
    settle();
    // A rejected name opens the editor again; leave it.
    if (SendMessageA(list, LVM_GETEDITCONTROL, 0, 0) != 0) {
        pressKey(VK_ESCAPE);
        settle();
    }
    return message;
}

TEST_F(ListCommandsTest, ChangeNameRulesThroughTheLabelEditor) {
    const struct {
        const char* name;
        const char* typed;
        WORD key;
        const char* message;  // "" when none
        const char* after;    // the file that exists afterwards
        bool direct;
    } cases[] = {
        {"a.docx", "a.doc", VK_RETURN, "Error: You cannot change the file extension!", "a.docx", false},
        {"a.docx", "b:c.docx", VK_RETURN, "Error: You cannot use the characters \\/:*?\"<>| in the filename!",
         "a.docx", false},
        {"a.docx", "other.DOCX", VK_RETURN, "Error: The same file name already exists.", "a.docx", false},
        {"a.docx", "zzz.docx", VK_ESCAPE, "", "a.docx", false},
        {"a.docx", "b.DOCX", VK_RETURN, "", "b.DOCX", false},
        {"Report.pdf", "report.pdf", VK_RETURN, "", "report.pdf", true},
        {"one.xps", "one.xps", VK_RETURN, "", "one.xps", false},
    };
    for (const auto& c : cases) {
        const std::string message =
            renameThroughEditor(list(), c.name, c.typed, c.key, c.message[0] != '\0', c.direct);
        EXPECT_EQ(message, c.message) << c.name << " -> " << c.typed;
        EXPECT_GE(rowOf(list(), c.after), 0) << c.after;
        WIN32_FIND_DATAA entry;
        HANDLE found = FindFirstFileA((folder_ + c.after).c_str(), &entry);
        ASSERT_NE(found, INVALID_HANDLE_VALUE) << c.after;
        FindClose(found);
        EXPECT_STREQ(entry.cFileName, c.after);
    }
    EXPECT_FALSE(exists(folder_ + "zzz.docx"));
}

// An emptied name, ended with Enter: the message, then the editor again on
// the same row, and the file keeps its name.
TEST_F(ListCommandsTest, EmptyNameAsksForANameAndEditsAgain) {
    HWND edit = editWithF2(list(), "a.docx");
    ASSERT_NE(edit, nullptr);
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
    const int endEdits = shown_->host->endEdits;
    std::string message;
    ModalDriver::run([&] { pressKey(VK_RETURN); settle(); }, {answer("Change FileName", message, IDOK)});
    settle();
    EXPECT_EQ(shown_->host->endEdits, endEdits + 1);
    EXPECT_EQ(message, "Error: Please enter the file name.");
    EXPECT_NE(SendMessageA(list(), LVM_GETEDITCONTROL, 0, 0), 0) << "editing did not start again";
    pressKey(VK_ESCAPE);
    settle();
    EXPECT_TRUE(exists(folder_ + "a.docx"));
    EXPECT_GE(rowOf(list(), "a.docx"), 0);
}

// The editor's cancel is a cancel, also when a finished job lists the
// folder again while the editor is open; and the row renamed is the one
// being edited, not the highest selected one.
TEST_F(ListCommandsTest, RenameCancelledByAReloadAndRenameOfTheEditedRow) {
    HWND edit = editWithF2(list(), "a.docx");
    ASSERT_NE(edit, nullptr);
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("moved.docx"));
    SendMessageA(list(), WM_JOB_DONE, 0, 0);
    settle();
    pressKey(VK_RETURN);
    settle();
    EXPECT_EQ(SendMessageA(list(), LVM_GETEDITCONTROL, 0, 0), 0);
    EXPECT_TRUE(exists(folder_ + "a.docx"));
    EXPECT_FALSE(exists(folder_ + "moved.docx"));

    // The editor opened on the lower of two selected rows, as a click on
    // its name opens it.
    select(list(), {"a.docx", "one.xps"});
    SendMessageA(list(), LVM_EDITLABELA, static_cast<WPARAM>(rowOf(list(), "a.docx")), 0);
    settle();
    edit = reinterpret_cast<HWND>(SendMessageA(list(), LVM_GETEDITCONTROL, 0, 0));
    ASSERT_NE(edit, nullptr);
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("renamed.docx"));
    pressKey(VK_RETURN);
    settle();
    EXPECT_TRUE(exists(folder_ + "renamed.docx"));
    EXPECT_FALSE(exists(folder_ + "a.docx"));
    EXPECT_TRUE(exists(folder_ + "one.xps"));
    EXPECT_GE(rowOf(list(), "renamed.docx"), 0);
    EXPECT_GE(rowOf(list(), "one.xps"), 0);
}

TEST_F(ListCommandsTest, ChangeNameFromTheMenuRefusesEncryptedRowsButF2Edits) {
    select(list(), {"Locked.docx"});
    std::string message;
    ModalDriver::run([&] { SendMessageA(list(), WM_COMMAND, IDM_LIST_CHANGE_NAME, 0); },
                     {answer("Change FileName", message, IDOK)});
    EXPECT_EQ(message, "Cannot change file name for encrypted file:'Locked.docx'");
    EXPECT_EQ(SendMessageA(list(), LVM_GETEDITCONTROL, 0, 0), 0);
    SetFocus(list());
    pressKey(VK_F2);
    settle();
    EXPECT_NE(SendMessageA(list(), LVM_GETEDITCONTROL, 0, 0), 0);
    pressKey(VK_ESCAPE);
    settle();
}

// Registers program as the open command of extension for this user
// (HKCU\Software\Classes) for one scope; what was there before comes back.
class ScopedOpenCommand {
public:
    ScopedOpenCommand(const char* extension, const std::string& program)
        : extensionKey_(std::string(kClasses) + extension) {
        HKEY key = nullptr;
        hadExtension_ = RegOpenKeyExA(HKEY_CURRENT_USER, extensionKey_.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS;
        if (hadExtension_) {
            char value[256] = {};
            DWORD size = sizeof value;
            hadType_ = RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size) ==
                       ERROR_SUCCESS;
            if (hadType_) previousType_ = value;
            RegCloseKey(key);
        }
        setDefault(extensionKey_, kType);
        setDefault(std::string(kClasses) + kType + "\\shell\\open\\command", "\"" + program + "\" \"%1\"");
    }
    ~ScopedOpenCommand() {
        RegDeleteTreeA(HKEY_CURRENT_USER, (std::string(kClasses) + kType).c_str());
        if (!hadExtension_) {
            RegDeleteTreeA(HKEY_CURRENT_USER, extensionKey_.c_str());
        } else if (hadType_) {
            setDefault(extensionKey_, previousType_);
        } else {
            RegDeleteKeyValueA(HKEY_CURRENT_USER, extensionKey_.c_str(), nullptr);
        }
    }
    ScopedOpenCommand(const ScopedOpenCommand&) = delete;
    ScopedOpenCommand& operator=(const ScopedOpenCommand&) = delete;

private:
    static constexpr const char* kClasses = "Software\\Classes\\";
    static constexpr const char* kType = "TarnwickTest.ListOpen";
    static void setDefault(const std::string& key, const std::string& value) {
        ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, key.c_str(), nullptr, REG_SZ, value.c_str(),
                                  static_cast<DWORD>(value.size() + 1)),
                  ERROR_SUCCESS)
            << key;
    }
    std::string extensionKey_;
    bool hadExtension_ = false;
    bool hadType_ = false;
    std::string previousType_;
};

// The command line that the recording program wrote into file, waiting up
// to twenty seconds for it (a loaded machine starts programs slowly);
// "(nothing)" when none came.
std::string recordedCommandLine(const std::string& file, DWORD waitMs = 20000) {
    if (!pumpUntil([&] { return exists(file); }, waitMs)) return "(nothing)";
    return readAll(file);
}

// Open (Enter, a double click, the menu command) starts the program
// registered for the extension with the quoted full path; rows without a
// registered program are passed over.
TEST_F(ListCommandsTest, OpenStartsTheRegisteredProgramWithTheQuotedPath) {
    const std::string programs = freshFolder("listcommands-open");
    CreateDirectoryA((programs + "\\Record Args").c_str(), nullptr);
    const std::string program = programs + "\\Record Args\\record args.exe";
    ASSERT_TRUE(CopyFileA(nativePath(TARNWICK_BINARY_DIR "/foundation/recordargs.exe").c_str(), program.c_str(), FALSE));
    ScopedOpenCommand association(".doc", program);
    const std::string expected = "\"" + program + "\" \"" + folder_ + "plain two.doc\"";
    auto recordInto = [&](const char* name) {
        const std::string file = programs + "\\" + name;
        SetEnvironmentVariableA("TARNWICK_RECORD_FILE", file.c_str());
        return file;
    };

    std::string record = recordInto("enter.txt");
    select(list(), {"plain two.doc", "one.xps"});
    // Keys go to the foreground window's focus.
    SetForegroundWindow(GetAncestor(list(), GA_ROOT));
    SetFocus(list());
    pressKey(VK_RETURN);
    EXPECT_EQ(recordedCommandLine(record), expected);

    record = recordInto("double-click.txt");
    select(list(), {});
    mouseClickAt(rowPoint(list(), rowOf(list(), "plain two.doc")), 2);
    EXPECT_EQ(recordedCommandLine(record), expected);
    // The control never saw the double click: no label editor came up.
    EXPECT_EQ(SendMessageA(list(), LVM_GETEDITCONTROL, 0, 0), 0);

    record = recordInto("menu.txt");
    SendMessageA(list(), WM_COMMAND, IDM_LIST_OPEN, 0);
    EXPECT_EQ(recordedCommandLine(record), expected);

    // Only rows whose extension has a program: nothing starts.
    record = recordInto("nothing.txt");
    select(list(), {"one.xps"});
    SetForegroundWindow(GetAncestor(list(), GA_ROOT));
    SetFocus(list());
    pressKey(VK_RETURN);
    EXPECT_EQ(recordedCommandLine(record, 1000), "(nothing)");
    SetEnvironmentVariableA("TARNWICK_RECORD_FILE", nullptr);
}

TEST_F(ListCommandsTest, DeleteAsksOnceAndMovesToTheTrash) {
    select(list(), {"a.docx", "Report.pdf", "one.xps"});
    std::string question;
    ModalDriver::run([&] { SendMessageA(list(), WM_KEYDOWN, VK_DELETE, 0); },
                     {answer("Delete Files", question, IDCANCEL)});
    EXPECT_EQ(question, "Are you sure you want to move the selected 3 files to the TrashBox?");
    EXPECT_TRUE(exists(folder_ + "a.docx"));
    const int before = listRowCount(list());

    // One of the three is already gone: its row goes all the same.
    DeleteFileA((folder_ + "one.xps").c_str());
    ModalDriver::run([&] { SendMessageA(list(), WM_COMMAND, IDM_LIST_DELETE, 0); },
                     {answer("Delete Files", question, IDOK)});
    EXPECT_EQ(listRowCount(list()), before - 3);
    EXPECT_FALSE(exists(folder_ + "a.docx"));
    EXPECT_FALSE(exists(folder_ + "Report.pdf"));
    // The prefix's own trash holds them.
    const std::string trash = nativePath(TARNWICK_BINARY_DIR "/wineprefix/home/.local/share/Trash/files") + "\\";
    WIN32_FIND_DATAA entry;
    HANDLE found = FindFirstFileA((trash + "a*.docx").c_str(), &entry);
    EXPECT_NE(found, INVALID_HANDLE_VALUE) << trash;
    if (found != INVALID_HANDLE_VALUE) FindClose(found);

    // A name that the prefix's code page cannot write reaches the list as
    // "r?.docx"; the shell would read that '?' as a wildcard and take
    // "ra.docx" and "rb.docx" with it. Its row is not handed over and
    // stays; the other selected file goes, and nothing else.
    const std::wstring wide = std::wstring(folder_.begin(), folder_.end()) + L"r\u8868.docx";
    HANDLE unwritable = CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(unwritable, INVALID_HANDLE_VALUE);
    CloseHandle(unwritable);
    writeBytes(folder_ + "ra.docx", 3);
    writeBytes(folder_ + "rb.docx", 3);
    XListView_ListFolder(list(), folder_.c_str());
    ASSERT_GE(rowOf(list(), "r?.docx"), 0);
    select(list(), {"r?.docx", "ra.docx"});
    ModalDriver::run([&] { SendMessageA(list(), WM_KEYDOWN, VK_DELETE, 0); },
                     {answer("Delete Files", question, IDOK)});
    EXPECT_EQ(question, "Are you sure you want to move the selected 2 files to the TrashBox?");
    EXPECT_NE(GetFileAttributesW(wide.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(exists(folder_ + "ra.docx"));
    EXPECT_TRUE(exists(folder_ + "rb.docx"));
    EXPECT_GE(rowOf(list(), "r?.docx"), 0);
    EXPECT_EQ(rowOf(list(), "ra.docx"), -1);
    EXPECT_GE(rowOf(list(), "rb.docx"), 0);
}

// The context menu's item states while it is shown, in menu order:
// Encrypt, Decrypt, Password, Open, Delete, Change Name, Copy, Paste,
// Refresh; 'E' enabled, 'G' greyed.
std::string shownMenuStates(HWND list, const std::string& screenshot) {
    std::string states;
    ModalDriver::run([&] { SendMessageA(list, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), MAKELPARAM(-1, -1)); },
                     {[&] {
                         HWND menuWindow = FindWindowA("#32768", nullptr);
                         if (menuWindow == nullptr || !IsWindowVisible(menuWindow)) return false;
                         HMENU menu = reinterpret_cast<HMENU>(SendMessageA(menuWindow, MN_GETHMENU, 0, 0));
                         if (menu == nullptr) return false;
                         const UINT ids[] = {IDM_LIST_ENCRYPT, IDM_LIST_DECRYPT, IDM_LIST_PASSWORD,
                                             IDM_LIST_OPEN,    IDM_LIST_DELETE,  IDM_LIST_CHANGE_NAME,
                                             IDM_LIST_COPY,    IDM_LIST_PASTE,   IDM_LIST_REFRESH};
                         for (UINT id : ids) states += (GetMenuState(menu, id, MF_BYCOMMAND) & MF_GRAYED) ? 'G' : 'E';
                         if (!screenshot.empty()) saveScreenshot(menuWindow, screenshot);
                         PostMessageA(menuWindow, WM_KEYDOWN, VK_ESCAPE, 0);
                         EndMenu();
                         return true;
                     }});
    return states;
}

TEST_F(ListCommandsTest, ContextMenuStatesPerSelection) {
    emptyClipboard();
    select(list(), {});
    EXPECT_EQ(shownMenuStates(list(), ""), "GGGGGGGGE");
    putFilesOnClipboard({folder_ + "a.docx"});
    EXPECT_EQ(shownMenuStates(list(), ""), "GGGGGGGEE");
    // Two plain Word documents and an encrypted PDF.
    select(list(), {"a.docx", "plain two.doc", "secret.pdf"});
    EXPECT_EQ(shownMenuStates(list(), "ContextMenu"), "EEEEEEEGG");
    // Only XPS: Open and Change Name keep their previous states.
    select(list(), {"one.xps"});
    EXPECT_EQ(shownMenuStates(list(), ""), "GGGEEEEEG");
    select(list(), {});
    shownMenuStates(list(), "");
    select(list(), {"one.xps"});
    EXPECT_EQ(shownMenuStates(list(), ""), "GGGGEGEEG");
    emptyClipboard();
}

TEST_F(ListCommandsTest, EncryptAndDecryptWithoutEligibleFilesSayWhy) {
    const struct {
        std::vector<std::string> selection;
        int command;
        const char* message;
    } cases[] = {
        {{"Locked.docx", "secret.pdf"}, IDM_LIST_ENCRYPT, "Encrypt: Please select unencrypted files by PWD."},
        {{}, IDM_LIST_ENCRYPT, "Encrypt: Please select unencrypted files by PWD."},
        {{"a.docx", "one.xps"}, IDM_LIST_DECRYPT, "Decrypt: Please select encrypted files by PWD."},
        {{}, IDM_LIST_DECRYPT, "Decrypt: Please select encrypted files by PWD."},
    };
    for (const auto& c : cases) {
        select(list(), c.selection);
        std::string message;
        ModalDriver::run([&] { SendMessageA(list(), WM_COMMAND, static_cast<WPARAM>(c.command), 0); },
                         {answer("Tarnwick", message, IDOK)});
        EXPECT_EQ(message, c.message);
    }
}

TEST_F(ListCommandsTest, PasswordMessagesAndExporter) {
    std::string message;
    select(list(), {"a.docx"});
    ModalDriver::run([&] { SendMessageA(list(), WM_COMMAND, IDM_LIST_PASSWORD, 0); },
                     {answer("Tarnwick", message, IDOK)});
    EXPECT_EQ(message, "Password: Please select an encrypted file by PWD");
    select(list(), {"Locked.docx"});
    std::string shown;
    ModalDriver::run([&] { XListView_ShowPassword(list()); },
                     {[&] {
                         HWND dialog = findThreadWindow("Password Exporter");
                         if (dialog == nullptr) return false;
                         shown = windowText(GetDlgItem(dialog, IDC_EXPORTED_PASSWORD));
                         saveScreenshot(dialog, "ListPasswordExporter");
                         click(dialog, IDOK);
                         return true;
                     }});
    EXPECT_EQ(shown.size(), 15u);
}

TEST_F(ListCommandsTest, CopyPutsTheSelectedFilesOnTheClipboard) {
    select(list(), {"a.docx", "secret.pdf"});
    SendMessageA(list(), WM_COMMAND, IDM_LIST_COPY, 0);
    std::vector<std::string> names = clipboardPaths();
    std::sort(names.begin(), names.end());
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(lstrcmpiA(names[0].c_str(), (folder_ + "a.docx").c_str()), 0) << names[0];
    EXPECT_EQ(lstrcmpiA(names[1].c_str(), (folder_ + "secret.pdf").c_str()), 0) << names[1];
    emptyClipboard();
}

TEST_F(ListCommandsTest, QueryCountsFilesNotFolders) {
    CreateDirectoryA((folder_ + "sub").c_str(), nullptr);
    putFilesOnClipboard({folder_ + "a.docx", folder_ + "sub", folder_ + "Report.pdf"});
    EXPECT_EQ(XListView_QueryCliboard(list()), 2);
    emptyClipboard();
    EXPECT_EQ(XListView_QueryCliboard(list()), 0);
}

TEST_F(ListCommandsTest, PasteCopiesAsksBeforeOverwritingAndRefusesFolders) {
    const std::string source = freshFolder("listcommands-source") + "\\";
    writeBytes(source + "notes.txt", 7, 'n');
    writeBytes(source + "OTHER.docx", 20, 'o');
    writeBytes(source + "sub.pdf", 3, 's');
    CreateDirectoryA((folder_ + "sub.pdf").c_str(), nullptr);
    SetFileAttributesA((folder_ + "OTHER.docx").c_str(), FILE_ATTRIBUTE_READONLY);
    putFilesOnClipboard({source + "notes.txt", source + "OTHER.docx", source + "sub.pdf"});
    const int before = listRowCount(list());

    std::string overwrite, directory;
    ModalDriver::run([&] { SendMessageA(list(), WM_COMMAND, IDM_LIST_PASTE, 0); },
                     {answer("Drag & Drop", overwrite, IDCANCEL), answer("Drag & Drop", directory, IDOK)});
    EXPECT_EQ(overwrite, "The same file name '" + folder_ +
                             "OTHER.docx' already exists in the destination drop target.\r\nAre you sure you want "
                             "to overwrite it?");
    EXPECT_EQ(directory, "Error: Couldn't drop the directory '" + folder_ +
                             "sub.pdf' to the destination folder,\r\n because the same name directory already exists");
    // Cancelled: the old file stays as it was, read-only too; the text file
    // got a row.
    EXPECT_EQ(readAll(folder_ + "OTHER.docx").size(), 10u);
    EXPECT_NE(GetFileAttributesA((folder_ + "OTHER.docx").c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_EQ(readAll(folder_ + "notes.txt"), "nnnnnnn");
    EXPECT_EQ(listRowCount(list()), before + 1);
    EXPECT_GE(rowOf(list(), "notes.txt"), 0);

    putFilesOnClipboard({source + "OTHER.docx"});
    ModalDriver::run([&] { XListView_PastFromClipboard(list()); }, {answer("Drag & Drop", overwrite, IDOK)});
    EXPECT_EQ(readAll(folder_ + "OTHER.docx"), std::string(20, 'o'));
    EXPECT_EQ(listRowCount(list()), before + 1);

    // Pasting the folder's own file.
    std::string same;
    putFilesOnClipboard({folder_ + "a.docx"});
    ModalDriver::run([&] { XListView_PastFromClipboard(list()); }, {answer("Drag & Drop", same, IDOK)});
    EXPECT_EQ(same, "Error: Cannot copy the file '" + folder_ +
                        "a.docx' to the destination folder, because the same file name already exists.");
    emptyClipboard();
}

// Overwriting a read-only file, answered OK: the new content is in place
// and nothing else is left in the folder. A copy that fails after the
// answer puts the old file back.
TEST_F(ListCommandsTest, PasteOverAReadOnlyFileAnsweredOk) {
    const std::string source = freshFolder("listcommands-readonly") + "\\";
    writeBytes(source + "OTHER.docx", 20, 'o');
    const std::string destination = folder_ + "OTHER.docx";
    SetFileAttributesA(destination.c_str(), FILE_ATTRIBUTE_READONLY);
    const std::vector<std::string> before = namesIn(folder_.substr(0, folder_.size() - 1));
    const int rows = listRowCount(list());
    putFilesOnClipboard({source + "OTHER.docx"});

    std::string question;
    ModalDriver::run([&] { SendMessageA(list(), WM_COMMAND, IDM_LIST_PASTE, 0); },
                     {answer("Drag & Drop", question, IDOK)});
    EXPECT_FALSE(question.empty());
    EXPECT_EQ(readAll(destination), std::string(20, 'o'));
    EXPECT_EQ(namesIn(folder_.substr(0, folder_.size() - 1)), before);
    EXPECT_EQ(listRowCount(list()), rows);

    // The source cannot be read while another program holds it.
    writeBytes(source + "OTHER.docx", 30, 'n');
    SetFileAttributesA(destination.c_str(), FILE_ATTRIBUTE_READONLY);
    HANDLE held = CreateFileA((source + "OTHER.docx").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    ModalDriver::run([&] { XListView_PastFromClipboard(list()); }, {answer("Drag & Drop", question, IDOK)});
    CloseHandle(held);
    EXPECT_EQ(readAll(destination), std::string(20, 'o'));
    EXPECT_EQ(namesIn(folder_.substr(0, folder_.size() - 1)), before);
    EXPECT_EQ(listRowCount(list()), rows);

    // In a folder so deep that the old file's place for the meantime (its
    // path and a GUID) would not fit a path: the user is told, and the old
    // file stays as it was.
    std::string deep = freshFolder("listcommands-deep");
    deep += "\\" + std::string(230 - deep.size() - 1, 'd');
    ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr)) << deep;
    const std::string old = deep + "\\OTHER.docx";
    writeBytes(old, 9, 'k');
    XListView_ListFolder(list(), (deep + "\\").c_str());
    std::string failure;
    ModalDriver::run([&] { XListView_PastFromClipboard(list()); },
                     {answer("Drag & Drop", question, IDOK), answer("Drag & Drop", failure, IDOK)});
    EXPECT_EQ(failure, "Error: Couldn't overwrite the file '" + old + "'. It stays as it was.");
    EXPECT_EQ(readAll(old), std::string(9, 'k'));
    EXPECT_EQ(namesIn(deep), std::vector<std::string>{"OTHER.docx"});
    emptyClipboard();
}

DWORD dropOnList(IDataObject* data, DWORD keys) {
    CDropTarget* target = XListView_DropTarget();
    POINTL point = {100, 100};
    DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    target->DragEnter(data, keys, point, &effect);
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    target->DragOver(keys, point, &effect);
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    target->Drop(data, keys, point, &effect);
    return effect;
}

TEST_F(ListCommandsTest, DropMovesListableFilesAndCopiesWithControl) {
    const std::string desktop = freshFolder("listcommands-desktop") + "\\";
    writeBytes(desktop + "moved.docx", 5);
    writeBytes(desktop + "copied.xlsx", 6);
    writeBytes(desktop + "ignored.pdf", 7);
    writeBytes(desktop + "ignored.txt", 8);
    CreateDirectoryA((desktop + "folder.docx").c_str(), nullptr);
    const int before = listRowCount(list());

    IDataObject* data = shellDataObject(desktop, {"moved.docx", "ignored.pdf", "ignored.txt", "folder.docx"});
    ASSERT_NE(data, nullptr);
    // Moved in, but the PDF, the text file and the folder were left out:
    // the source hears "copy", so that it deletes none of them.
    EXPECT_EQ(dropOnList(data, MK_LBUTTON), static_cast<DWORD>(DROPEFFECT_COPY));
    data->Release();
    EXPECT_FALSE(exists(desktop + "moved.docx"));
    EXPECT_TRUE(exists(folder_ + "moved.docx"));
    EXPECT_TRUE(exists(desktop + "ignored.pdf"));
    EXPECT_FALSE(exists(folder_ + "ignored.pdf"));
    EXPECT_FALSE(exists(folder_ + "ignored.txt"));
    EXPECT_FALSE(exists(folder_ + "folder.docx"));
    EXPECT_EQ(listRowCount(list()), before + 1);

    // Ctrl held down (real key state) copies.
    data = shellDataObject(desktop, {"copied.xlsx"});
    INPUT down = {};
    down.type = INPUT_KEYBOARD;
    down.ki.wVk = VK_CONTROL;
    INPUT up = down;
    up.ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(1, &down, sizeof down);
    settle();
    EXPECT_EQ(dropOnList(data, MK_LBUTTON | MK_CONTROL), static_cast<DWORD>(DROPEFFECT_COPY));
    SendInput(1, &up, sizeof up);
    settle();
    data->Release();
    EXPECT_TRUE(exists(desktop + "copied.xlsx"));
    EXPECT_TRUE(exists(folder_ + "copied.xlsx"));

    // Dropping the list's own files back on it.
    std::string same;
    data = shellDataObject(folder_, {"a.docx"});
    DWORD effect = DROPEFFECT_MOVE;
    ModalDriver::run([&] { effect = dropOnList(data, MK_LBUTTON); }, {answer("Drag & Drop", same, IDOK)});
    data->Release();
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));

    // A cancelled overwrite takes nothing either.
    writeBytes(desktop + "OTHER.docx", 4);
    data = shellDataObject(desktop, {"OTHER.docx"});
    std::string overwrite;
    ModalDriver::run([&] { effect = dropOnList(data, MK_LBUTTON); }, {answer("Drag & Drop", overwrite, IDCANCEL)});
    data->Release();
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_TRUE(exists(desktop + "OTHER.docx"));
    EXPECT_EQ(readAll(folder_ + "OTHER.docx").size(), 10u);
    EXPECT_EQ(same, "Cannot copy the file '" + folder_ +
                        "a.docx' to the destination folder, because the same file name already exists");
    EXPECT_TRUE(exists(folder_ + "a.docx"));

    // Answered OK, the file moves in over the old one: the source hears
    // "move", the row stays the only one and nothing else is left behind.
    const std::vector<std::string> names = namesIn(folder_.substr(0, folder_.size() - 1));
    const int rows = listRowCount(list());
    data = shellDataObject(desktop, {"OTHER.docx"});
    ModalDriver::run([&] { effect = dropOnList(data, MK_LBUTTON); }, {answer("Drag & Drop", overwrite, IDOK)});
    data->Release();
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_MOVE));
    EXPECT_FALSE(exists(desktop + "OTHER.docx"));
    EXPECT_EQ(readAll(folder_ + "OTHER.docx").size(), 4u);
    EXPECT_EQ(namesIn(folder_.substr(0, folder_.size() - 1)), names);
    EXPECT_EQ(listRowCount(list()), rows);
}

TEST_F(ListCommandsTest, DropOfDataWithoutFilesIsRefused) {
    IDataObject* data = nullptr;
    ASSERT_EQ(OleGetClipboard(&data), S_OK);
    emptyClipboard();
    data->Release();
    ASSERT_EQ(OleGetClipboard(&data), S_OK);
    CDropTarget* target = XListView_DropTarget();
    POINTL point = {0, 0};
    DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    target->DragEnter(data, 0, point, &effect);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));

    effect = DROPEFFECT_COPY;
    target->Drop(data, 0, point, &effect);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));

    data->Release();
}

}  // namespace
