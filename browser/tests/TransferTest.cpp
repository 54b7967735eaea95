// Files leaving and entering the file list the way a user moves them: the
// clipboard after the copying program has ended, and drags run by OLE's own
// drag loop with real pointer input, between the list and another window
// that registered a drop target.

#include "browser/FileTransfer.h"

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "browser/XListView.h"
#include "browser/tests/ListHost.h"
#include "browser/tests/ListTestSupport.h"
#include "testing/ModalDriver.h"
#include "testing/Screenshot.h"
#include "testing/TestPaths.h"
#include "testing/Waiting.h"
#include "wingui/ListView.h"
#include "wingui/MessagePump.h"
#include "wingui/Window.h"

using namespace testing_support;
using namespace browser_test;

namespace {

std::string withoutSeparator(const std::string& folder) { return folder.substr(0, folder.size() - 1); }

std::vector<std::string> sorted(std::vector<std::string> names) {
    for (std::string& name : names) CharLowerA(&name[0]);
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> pathsIn(const std::string& folder, const std::vector<std::string>& names) {
    std::vector<std::string> paths;
    for (const std::string& name : names) paths.push_back(folder + name);
    return paths;
}

// What another program does with files dropped on it: copies them into its
// folder and reports a copy, or moves them there itself and reports no
// effect, as the shell does for a move within one volume.
enum class DropAction { Copy, MoveReportingNone };

class FolderDropTarget : public IDropTarget {
public:
    FolderDropTarget(const std::string& folder, DropAction action) : folder_(folder), action_(action) {}
    virtual ~FolderDropTarget() = default;

    std::vector<std::string> dropped;  // the paths of the last drop
    int drops = 0;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (IsEqualIID(iid, IID_IDropTarget) || IsEqualIID(iid, IID_IUnknown)) {
            *object = static_cast<IDropTarget*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(InterlockedDecrement(&references_)); }
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject*, DWORD, POINTL, DWORD* effect) override {
        *effect &= offered();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* effect) override {
        *effect &= offered();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragLeave() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
        ++drops;
        FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        STGMEDIUM medium = {};
        if (FAILED(data->GetData(&format, &medium))) {
            *effect = DROPEFFECT_NONE;
            return S_OK;
        }
        dropped = pathsOf(static_cast<HDROP>(GlobalLock(medium.hGlobal)));
        GlobalUnlock(medium.hGlobal);
        ReleaseStgMedium(&medium);
        for (const std::string& path : dropped) {
            const std::string target = folder_ + path.substr(path.find_last_of('\\') + 1);
            if (action_ == DropAction::Copy) {
                CopyFileA(path.c_str(), target.c_str(), TRUE);
            } else {
                MoveFileA(path.c_str(), target.c_str());
            }
        }
        *effect = action_ == DropAction::Copy ? DROPEFFECT_COPY : DROPEFFECT_NONE;
        return S_OK;
    }

private:
    DWORD offered() const { return action_ == DropAction::Copy ? DROPEFFECT_COPY : DROPEFFECT_MOVE; }

    volatile LONG references_ = 1;
    std::string folder_;
    DropAction action_;
};

// Another program's window with its drop target.
class DropWindow : public Window {
public:
    DropWindow(const std::string& folder, DropAction action) : target(folder, action) {
        WNDCLASSEXA windowClass = {};
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "BrowserTestDropWindow";
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
        registerClass(windowClass);
        createWindow(0, windowClass.lpszClassName, "Drop here", WS_POPUP | WS_VISIBLE | WS_BORDER, 840, 120, 300, 220,
                     nullptr, nullptr, GetModuleHandleA(nullptr));
        registered = SUCCEEDED(RegisterDragDrop(window_, &target));
    }
    ~DropWindow() override {
        if (registered) RevokeDragDrop(window_);
    }
    POINT middle() const {
        RECT r;
        GetWindowRect(window_, &r);
        return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }

    FolderDropTarget target;
    bool registered = false;
};

// The drag source of a drag that starts outside the list.
class PlainDropSource : public IDropSource {
public:
    virtual ~PlainDropSource() = default;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (IsEqualIID(iid, IID_IDropSource) || IsEqualIID(iid, IID_IUnknown)) {
            *object = static_cast<IDropSource*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape, DWORD keys) override {
        if (escape) return DRAGDROP_S_CANCEL;
        return (keys & MK_LBUTTON) != 0 ? S_OK : DRAGDROP_S_DROP;
    }
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }
};

// A hand on the pointer, on its own thread: the drag loop runs inside this
// thread's message handling, so the input has to come from elsewhere. It
// presses the left button at from, moves past the drag threshold, glides to
// to in small steps, rests there while the drag loop looks at the target,
// and lets go.
class DraggingHand {
public:
    DraggingHand(POINT from, POINT to)
        : thread_([this, from, to] {
              mouseMoveTo(from);
              Sleep(150);
              mouseLeftButton(from, true);
              Sleep(150);
              for (int i = 1; i <= 4; ++i) {
                  mouseMoveTo({from.x + 3 * i, from.y + i});
                  Sleep(60);
              }
              const int steps = 16;
              for (int i = 1; i <= steps; ++i) {
                  mouseMoveTo({from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps});
                  Sleep(40);
              }
              Sleep(500);
              mouseLeftButton(to, false);
              Sleep(400);
              done = true;
          }) {}
    ~DraggingHand() { thread_.join(); }
    // Handles this thread's messages until the hand is done.
    void pumpUntilDone() {
        EXPECT_TRUE(testing_support::pumpUntil([this] { return done.load(); }, 60000));
        settle();
    }

    std::atomic<bool> done{false};

private:
    std::thread thread_;
};

class TransferTest : public testing::Test {
protected:
    void SetUp() override {
        folder_ = freshFolder("transfer") + "\\";
        elsewhere_ = freshFolder("transfer-elsewhere") + "\\";
        writeBytes(folder_ + "first.docx", 11, '1');
        writeBytes(folder_ + "second report.xlsx", 12, '2');
        writeBytes(folder_ + "third.pdf", 13, '3');
        writeBytes(folder_ + "stays.pptx", 14, '4');
        shown_ = std::make_unique<ListedFolder>("File list transfers", folder_);
    }
    void TearDown() override {
        shown_.reset();
    }
    HWND list() const { return shown_->list(); }

    std::string folder_;
    std::string elsewhere_;
    std::unique_ptr<ListedFolder> shown_;
};

// What Paste, a drop and the list's Delete take: an existing file, never a
// folder (whatever its name) or a path with nothing behind it.
TEST(PlainFile, IsAnExistingFileAndNoFolder) {
    const std::string folder = freshFolder("plain-file") + "\\";
    writeBytes(folder + "file.docx", 3);
    ASSERT_TRUE(CreateDirectoryA((folder + "folder.docx").c_str(), nullptr));
    const struct {
        const char* name;
        bool plain;
    } cases[] = {{"file.docx", true}, {"FILE.DOCX", true}, {"folder.docx", false}, {"missing.docx", false}, {"", false}};
    for (const auto& c : cases) EXPECT_EQ(isPlainFile(folder + c.name), c.plain) << c.name;
}

// The list's Copy in another program that then ends: the clipboard still
// holds exactly the copied files.
TEST_F(TransferTest, CopiedFilesStayOnTheClipboardAfterTheProgramEnds) {
    emptyClipboard();
    const std::string helper = nativePath(TARNWICK_BINARY_DIR "/browser/list_copy_and_exit.exe");
    const std::vector<std::string> copied = {"first.docx", "second report.xlsx", "third.pdf"};
    std::string commandLine = "\"" + helper + "\" \"" + withoutSeparator(folder_) + "\"";
    for (const std::string& name : copied) commandLine += " \"" + name + "\"";
    ASSERT_EQ(testing_support::runProgram(commandLine), 0) << commandLine;
    EXPECT_EQ(sorted(clipboardPaths()), sorted(pathsIn(folder_, copied)));
    // And the list here can paste them.
    EXPECT_EQ(XListView_QueryCliboard(list()), 3);
    emptyClipboard();
}

// A drag of two rows to a window that copies them: the files arrive there,
// and the list and its files stay as they were.
TEST_F(TransferTest, DragToACopyingWindowLeavesTheList) {
    DropWindow window(elsewhere_, DropAction::Copy);
    ASSERT_TRUE(window.registered);
    const std::vector<std::string> rowsBefore = rowNames(list());
    select(list(), {"first.docx", "stays.pptx"});
    {
        DraggingHand hand(rowPoint(list(), rowOf(list(), "first.docx")), window.middle());
        hand.pumpUntilDone();
    }
    EXPECT_EQ(window.target.drops, 1);
    EXPECT_EQ(sorted(window.target.dropped), sorted(pathsIn(folder_, {"first.docx", "stays.pptx"})));
    EXPECT_EQ(namesIn(withoutSeparator(elsewhere_)), (std::vector<std::string>{"first.docx", "stays.pptx"}));
    EXPECT_EQ(rowNames(list()), rowsBefore);
    EXPECT_EQ(readAll(folder_ + "first.docx"), std::string(11, '1'));
    EXPECT_EQ(readAll(folder_ + "stays.pptx"), std::string(14, '4'));
}

// A window that moves the dragged files itself and reports no effect: their
// rows leave the list, the others stay.
TEST_F(TransferTest, DragToAWindowThatMovesTheFilesRemovesTheirRows) {
    DropWindow window(elsewhere_, DropAction::MoveReportingNone);
    ASSERT_TRUE(window.registered);
    select(list(), {"second report.xlsx", "third.pdf"});
    {
        DraggingHand hand(rowPoint(list(), rowOf(list(), "third.pdf")), window.middle());
        hand.pumpUntilDone();
    }
    EXPECT_EQ(window.target.drops, 1);
    EXPECT_EQ(namesIn(withoutSeparator(elsewhere_)), (std::vector<std::string>{"second report.xlsx", "third.pdf"}));
    EXPECT_EQ(rowNames(list()), (std::vector<std::string>{"first.docx", "stays.pptx"}));
    browser_test::settleForScreenshot(shown_->host->getWindow());
    saveScreenshot(shown_->host->getWindow(), "FileListAfterDragOut");
}

// Rows dragged from the list and dropped back on it: the message for the
// file, and neither the list nor the file changes.
TEST_F(TransferTest, DragBackOntoTheListChangesNothing) {
    const std::vector<std::string> rowsBefore = rowNames(list());
    select(list(), {"first.docx"});
    std::string message;
    ModalDriver::run(
        [&] {
            DraggingHand hand(rowPoint(list(), rowOf(list(), "first.docx")), rowPoint(list(), 3));
            hand.pumpUntilDone();
        },
        {answer("Drag & Drop", message, IDOK)});
    EXPECT_EQ(message, "Cannot copy the file '" + folder_ +
                           "first.docx' to the destination folder, because the same file name already exists");
    EXPECT_EQ(rowNames(list()), rowsBefore);
    EXPECT_EQ(readAll(folder_ + "first.docx"), std::string(11, '1'));
}

// Files dragged from another window onto the list, from a source that
// finishes a move by deleting its originals, as the shell does: the Office
// documents come into the list's folder with selected rows, moved when the
// source allows it; a PDF and a text file are not taken, and the source
// loses nothing that the list did not take.
TEST_F(TransferTest, DragFromAnotherWindowOntoTheListTakesOnlyDocuments) {
    const struct {
        const char* name;
        std::vector<std::string> names;
        DWORD allowed;
        DWORD effect;
        bool movedIn;  // the documents left the source folder
    } cases[] = {
        {"documents with a PDF and a text file", {"arriving.docx", "arriving.xls", "left out.pdf", "notes.txt"},
         DROPEFFECT_COPY | DROPEFFECT_MOVE, DROPEFFECT_COPY, true},
        {"documents only", {"moving.docx", "moving.xls"}, DROPEFFECT_COPY | DROPEFFECT_MOVE, DROPEFFECT_MOVE, true},
        {"a source that only copies", {"copied.docx", "copied.xls", "kept.pdf"}, DROPEFFECT_COPY, DROPEFFECT_COPY,
         false},
    };
    char fill = 'a';
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const std::string& name : c.names) writeBytes(elsewhere_ + name, 21, fill);
        IDataObject* data = shellDataObject(withoutSeparator(elsewhere_), c.names);
        ASSERT_NE(data, nullptr);
        PlainDropSource source;
        DWORD effect = DROPEFFECT_NONE;
        HRESULT result = E_FAIL;
        {
            // The drag starts over a window of this thread, as it would over
            // the window of the program the files come from.
            DropWindow from(elsewhere_, DropAction::Copy);
            DraggingHand hand(from.middle(), rowPoint(list(), 1));
            // As a program would: the drag starts once this thread has seen
            // the button go down (OLE reads the thread's own key state).
            EXPECT_TRUE(testing_support::pumpUntil([] { return GetKeyState(VK_LBUTTON) < 0; }, 30000));
            result = DoDragDrop(data, &source, c.allowed, &effect);
            hand.pumpUntilDone();
        }
        data->Release();
        // The source finishes a move by deleting what it offered.
        if (effect == DROPEFFECT_MOVE) {
            for (const std::string& name : c.names) DeleteFileA((elsewhere_ + name).c_str());
        }
        EXPECT_EQ(result, DRAGDROP_S_DROP);
        EXPECT_EQ(effect, c.effect);
        for (const std::string& name : c.names) {
            SCOPED_TRACE(name);
            const bool document = name.find(".do") != std::string::npos || name.find(".xl") != std::string::npos;
            EXPECT_EQ(exists(elsewhere_ + name), !(document && c.movedIn));
            EXPECT_EQ(readAll((document ? folder_ : elsewhere_) + name), std::string(21, fill));
            EXPECT_EQ(exists(folder_ + name), document);
            if (!document) continue;
            const int row = rowOf(list(), name);
            ASSERT_GE(row, 0);
            EXPECT_EQ(SendMessageA(list(), LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_SELECTED),
                      static_cast<LRESULT>(LVIS_SELECTED));
        }
        EXPECT_EQ(SendMessageA(list(), LVM_GETSELECTEDCOUNT, 0, 0), 2);
        ++fill;
    }
}

}  // namespace
