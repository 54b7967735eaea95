#include "browser/XListView.h"

#include "browser/tests/ListHost.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "foundation/LinkedList.h"
#include "resources/TarnwickIds.h"
#include "testing/Screenshot.h"
#include "testing/TestPaths.h"
#include "wingui/ListView.h"
#include "wingui/MessagePump.h"
#include "wingui/Window.h"

using namespace testing_support;

namespace {

using HostWindow = browser_test::ListHost;

std::string fixture(const std::string& name) {
    return nativePath(TARNWICK_SOURCE_DIR "/classify/tests/fixtures") + "\\" + name;
}

void writeBytes(const std::string& path, size_t size) {
    std::ofstream out(path, std::ios::binary);
    out << std::string(size, 'x');
}

struct Row {
    std::string name;
    std::string state;
    std::string type;
    std::string size;
    LPARAM data;
    bool dimmed;
};

std::vector<Row> rows(HWND list) {
    std::vector<Row> result;
    for (int i = 0; i < listRowCount(list); ++i) {
        const UINT state = static_cast<UINT>(SendMessageA(list, LVM_GETITEMSTATE, i, LVIS_CUT));
        result.push_back({listGetCell(list, i, 0), listGetCell(list, i, 1), listGetCell(list, i, 3),
                          listGetCell(list, i, 4), listGetData(list, i), (state & LVIS_CUT) != 0});
    }
    return result;
}

const Row* findRow(const std::vector<Row>& all, const std::string& name) {
    for (const Row& row : all) {
        if (row.name == name) return &row;
    }
    return nullptr;
}

class XListViewTest : public testing::Test {
protected:
    void SetUp() override {
        folder_ = freshFolder("xlistview") + "\\";
        CopyFileA(fixture("lo-plain.docx").c_str(), (folder_ + "Plain report.docx").c_str(), FALSE);
        CopyFileA(fixture("agile.docx").c_str(), (folder_ + "Locked.docx").c_str(), FALSE);
        CopyFileA(fixture("lo-plain.xlsx").c_str(), (folder_ + "REPORT.XLSX").c_str(), FALSE);
        CopyFileA(fixture("qpdf-aes256.pdf").c_str(), (folder_ + "secret.pdf").c_str(), FALSE);
        writeBytes(folder_ + "empty.pdf", 0);
        writeBytes(folder_ + "one.xps", 1);
        writeBytes(folder_ + "kib.pdf", 1024);
        writeBytes(folder_ + "kib plus.pdf", 1025);
        writeBytes(folder_ + "notes.txt", 10);
        CreateDirectoryA((folder_ + "folder.docx").c_str(), nullptr);
    }
    std::string folder_;
};

TEST_F(XListViewTest, ListsDocumentsWithTheirStateAndNothingElse) {
    // A file past 4 GiB, sparse so that it costs no disk.
    {
        const LARGE_INTEGER size = {{1025, 1}};
        HANDLE huge = CreateFileA((folder_ + "huge.pdf").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        ASSERT_NE(huge, INVALID_HANDLE_VALUE);
        EXPECT_TRUE(SetFilePointerEx(huge, size, nullptr, FILE_BEGIN) && SetEndOfFile(huge));
        CloseHandle(huge);
    }
    HostWindow host("File list");
    ASSERT_NE(host.list, nullptr);
    XListView_ListFolder(host.list, folder_.c_str());
    EXPECT_STREQ(XListView_GetCurrentFolder(), folder_.c_str());
    EXPECT_TRUE(IsWindowEnabled(host.list));

    const std::vector<Row> all = rows(host.list);
    ASSERT_EQ(all.size(), 9u);
    // The control keeps the rows sorted by name, whatever the enumeration.
    for (size_t i = 1; i < all.size(); ++i) EXPECT_LE(lstrcmpiA(all[i - 1].name.c_str(), all[i].name.c_str()), 0);
    EXPECT_EQ(findRow(all, "notes.txt"), nullptr);
    EXPECT_EQ(findRow(all, "folder.docx"), nullptr);

    const struct {
        const char* name;
        const char* state;
        LPARAM data;
    } expected[] = {{"Plain report.docx", "", 0}, {"Locked.docx", "PWD", 2}, {"REPORT.XLSX", "", 0},
                    {"secret.pdf", "PWD", 2},     {"one.xps", "", 0}};
    for (const auto& e : expected) {
        const Row* row = findRow(all, e.name);
        ASSERT_NE(row, nullptr) << e.name;
        EXPECT_EQ(row->state, e.state) << e.name;
        EXPECT_EQ(row->data, e.data) << e.name;
        // Plain files are drawn dimmed, protected ones are not.
        EXPECT_EQ(row->dimmed, e.data == 0) << e.name;
    }
    EXPECT_EQ(findRow(all, "empty.pdf")->size, "0");
    EXPECT_EQ(findRow(all, "one.xps")->size, "1");
    EXPECT_EQ(findRow(all, "kib.pdf")->size, "1");
    EXPECT_EQ(findRow(all, "kib plus.pdf")->size, "2");
    EXPECT_EQ(findRow(all, "huge.pdf")->size, "4194306");
    EXPECT_FALSE(findRow(all, "secret.pdf")->type.empty());

    // Sizes are right-aligned, and the columns are the five of the list.
    LVCOLUMNA column = {};
    column.mask = LVCF_FMT;
    ASSERT_TRUE(SendMessageA(host.list, LVM_GETCOLUMNA, 4, reinterpret_cast<LPARAM>(&column)));
    EXPECT_EQ(column.fmt & LVCFMT_JUSTIFYMASK, LVCFMT_RIGHT);

    browser_test::settleForScreenshot(host.getWindow());
    EXPECT_GT(host.customDraws, 0);
    EXPECT_FALSE(saveScreenshot(host.getWindow(), "FileList").empty());
}

TEST_F(XListViewTest, SetColumnsTwiceLeavesFiveColumns) {
    HostWindow host("File list");
    XListView_SetColumns(host.list);
    HWND header = reinterpret_cast<HWND>(SendMessageA(host.list, LVM_GETHEADER, 0, 0));
    EXPECT_EQ(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0), 5);
    const char* titles[] = {"FileName", "Encrypted", "LastModified", "Type", "Size(KB)"};
    for (int i = 0; i < 5; ++i) {
        char text[64] = {};
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT;
        column.pszText = text;
        column.cchTextMax = sizeof text;
        SendMessageA(host.list, LVM_GETCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
        EXPECT_STREQ(text, titles[i]);
    }
}

TEST_F(XListViewTest, NoFolderEmptiesAndDisablesTheList) {
    HostWindow host("File list");
    XListView_ListFolder(host.list, folder_.c_str());
    ASSERT_GT(listRowCount(host.list), 0);
    XListView_ListFolder(host.list, nullptr);
    EXPECT_EQ(listRowCount(host.list), 0);
    EXPECT_FALSE(IsWindowEnabled(host.list));
    EXPECT_STREQ(XListView_GetCurrentFolder(), "");
}

TEST_F(XListViewTest, JobDoneListsTheFolderAgain) {
    HostWindow host("File list");
    XListView_ListFolder(host.list, folder_.c_str());
    XListView_SelectAll(host.list);
    const int before = listRowCount(host.list);
    writeBytes(folder_ + "new.docx", 10);
    PostMessageA(host.list, WM_JOB_DONE, 0, 0);
    pumpPendingMessages();
    EXPECT_EQ(listRowCount(host.list), before + 1);
    // A new listing loses the selection.
    EXPECT_EQ(SendMessageA(host.list, LVM_GETSELECTEDCOUNT, 0, 0), 0);
}

TEST_F(XListViewTest, DroppedFilesAreAddedSelectedAndVanishedOnesRemoved) {
    HostWindow host("File list");
    XListView_ListFolder(host.list, folder_.c_str());
    const int before = listRowCount(host.list);
    EXPECT_EQ(XListView_SelectAll(host.list), before);
    EXPECT_EQ(SendMessageA(host.list, LVM_GETSELECTEDCOUNT, 0, 0), before);
    for (int i = 0; i < before; ++i) {
        LVITEMA clear = {};
        clear.stateMask = LVIS_SELECTED;
        SendMessageA(host.list, LVM_SETITEMSTATE, i, reinterpret_cast<LPARAM>(&clear));
    }

    writeBytes(folder_ + "dropped.pdf", 5);
    XListView_InsertDroppedFile(host.list, (folder_ + "dropped.pdf").c_str());
    XListView_InsertDroppedFile(host.list, (folder_ + "missing.pdf").c_str());
    XListView_InsertDroppedFile(host.list, (folder_ + "folder.docx").c_str());
    ASSERT_EQ(listRowCount(host.list), before + 1);
    ASSERT_EQ(SendMessageA(host.list, LVM_GETSELECTEDCOUNT, 0, 0), 1);
    const int selected = static_cast<int>(SendMessageA(host.list, LVM_GETNEXTITEM, -1, LVNI_SELECTED));
    EXPECT_EQ(listGetCell(host.list, selected, 0), "dropped.pdf");

    // Items run from the highest row to the lowest, as the selection
    // queries build them.
    DeleteFileA((folder_ + "dropped.pdf").c_str());
    LinkedList items;
    for (int i = 0; i < listRowCount(host.list); ++i) {
        items.addFirst(new ListItem(listGetCell(host.list, i, 0).c_str(), i, 0, ""));
    }
    XListView_Refresh(host.list, &items);
    EXPECT_EQ(listRowCount(host.list), before);
    EXPECT_EQ(findRow(rows(host.list), "dropped.pdf"), nullptr);
}

// Rows taken before the folder was listed again (a job may end during a
// drag): the vanished file's own row goes, not the row now at its old index.
TEST_F(XListViewTest, RefreshAfterAnotherListingRemovesTheRightRow) {
    HostWindow host("File list");
    XListView_ListFolder(host.list, folder_.c_str());
    int old = -1;
    for (int i = 0; i < listRowCount(host.list); ++i) {
        if (listGetCell(host.list, i, 0) == "kib.pdf") old = i;
    }
    ASSERT_GE(old, 0);
    LinkedList items;
    items.addFirst(new ListItem("kib.pdf", old, 0, ""));
    writeBytes(folder_ + "aaa.pdf", 3);  // sorts first: every row moves down one
    XListView_ListFolder(host.list, folder_.c_str());
    const std::string atOldIndex = listGetCell(host.list, old, 0);
    ASSERT_NE(atOldIndex, "kib.pdf");
    DeleteFileA((folder_ + "kib.pdf").c_str());
    const int before = listRowCount(host.list);
    XListView_Refresh(host.list, &items);
    const std::vector<Row> after = rows(host.list);
    EXPECT_EQ(static_cast<int>(after.size()), before - 1);
    EXPECT_EQ(findRow(after, "kib.pdf"), nullptr);
    EXPECT_NE(findRow(after, atOldIndex), nullptr);
}

}  // namespace
