#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "WinguiTestIds.h"
#include "resources/MainWindowHandle.h"
#include "testing/ModalDriver.h"
#include "wingui/ComApartment.h"
#include "wingui/Dialog.h"
#include "wingui/ListView.h"
#include "wingui/MessagePump.h"
#include "wingui/ProcessWindows.h"
#include "wingui/Subclass.h"
#include "wingui/Window.h"

using namespace testing_support;

namespace {

const char kClassName[] = "WinguiTestWindow";
const UINT kThrowMessage = WM_APP + 1;
const UINT kCountMessage = WM_APP + 2;

// Records what reached it, and throws on request.
class ProbeWindow : public Window {
public:
    ProbeWindow() {
        WNDCLASSEXA windowClass = {};
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = kClassName;
        Window::registerClass(windowClass);
    }
    HWND create() {
        return createWindow(0, kClassName, "probe", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                            GetModuleHandleA(nullptr));
    }
    std::vector<UINT> seen;
    bool gone = false;

protected:
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        seen.push_back(message);
        switch (message) {
            case kThrowMessage: throw std::runtime_error("handler failed");
            case kCountMessage: return static_cast<LRESULT>(seen.size());
            default: return defaultHandling(message, wParam, lParam);
        }
    }
    void onWindowGone() override { gone = true; }
};

bool contains(const std::vector<UINT>& messages, UINT message) {
    for (UINT m : messages) {
        if (m == message) return true;
    }
    return false;
}

TEST(WindowBase, BindsAtCreationAndUnbindsWhenDestroyed) {
    ProbeWindow probe;
    HWND window = probe.create();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(probe.getWindow(), window);
    // WM_NCCREATE itself already reaches the object.
    ASSERT_FALSE(probe.seen.empty());
    EXPECT_EQ(probe.seen.front(), static_cast<UINT>(WM_NCCREATE));
    EXPECT_TRUE(contains(probe.seen, WM_CREATE));

    DestroyWindow(window);
    EXPECT_TRUE(probe.gone);
    EXPECT_EQ(probe.getWindow(), nullptr);
    EXPECT_TRUE(contains(probe.seen, WM_NCDESTROY));
}

TEST(WindowBase, AnExceptionInAHandlerStopsAtTheBoundary) {
    ProbeWindow probe;
    HWND window = probe.create();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(SendMessageA(window, kThrowMessage, 0, 0), 0);
    // The window goes on working after the failure.
    const LRESULT count = SendMessageA(window, kCountMessage, 0, 0);
    EXPECT_EQ(count, static_cast<LRESULT>(probe.seen.size()));
    EXPECT_EQ(probe.seen.back(), kCountMessage);
}

TEST(WindowBase, DeletingTheObjectDestroysItsWindowWithoutCallingBack) {
    auto* probe = new ProbeWindow;
    HWND window = probe->create();
    ASSERT_NE(window, nullptr);
    delete probe;
    EXPECT_FALSE(IsWindow(window));
}

TEST(WindowBase, ClassRegistrationIsIdempotent) {
    WNDCLASSEXA windowClass = {};
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "WinguiTestTwice";
    EXPECT_TRUE(Window::registerClass(windowClass));
    EXPECT_TRUE(Window::registerClass(windowClass));
}

const UINT kSubclassMessage = WM_APP + 3;

// Laid over a ProbeWindow: answers kSubclassMessage itself, throws at
// kThrowMessage, notes the text of WM_SETTEXT in the form it arrives in and
// passes everything else on.
class ProbeSubclass : public Subclass {
public:
    explicit ProbeSubclass(Form form) : Subclass("ProbeSubclass"), form_(form) {}
    bool install(HWND window) { return Subclass::install(window, form_); }
    std::vector<UINT> seen;
    std::string text;
    bool gone = false;

protected:
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        seen.push_back(message);
        switch (message) {
            case kThrowMessage: throw std::runtime_error("subclass failed");
            case kSubclassMessage: return 7;
            case WM_SETTEXT: noteText(lParam); break;
            default: break;
        }
        return passOn(message, wParam, lParam);
    }
    void onWindowGone() override { gone = true; }

private:
    void noteText(LPARAM lParam) {
        if (form_ == Form::Ansi) {
            text = reinterpret_cast<const char*>(lParam);
            return;
        }
        char narrow[64] = {};
        WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<const wchar_t*>(lParam), -1, narrow, sizeof narrow,
                            nullptr, nullptr);
        text = narrow;
    }
    Form form_;
};

std::string windowText(HWND window) {
    char text[64] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

TEST(SubclassHelper, MessagesReachTheHandlerAndPassOnInTheFormInstalled) {
    for (Subclass::Form form : {Subclass::Form::Ansi, Subclass::Form::Unicode}) {
        SCOPED_TRACE(form == Subclass::Form::Ansi ? "ANSI" : "Unicode");
        ProbeWindow probe;
        HWND window = probe.create();
        ASSERT_NE(window, nullptr);
        ProbeSubclass subclass(form);
        ASSERT_TRUE(subclass.install(window));
        EXPECT_EQ(subclass.getWindow(), window);
        ProbeSubclass second(form);
        EXPECT_FALSE(second.install(window));
        EXPECT_EQ(IsWindowUnicode(window) != FALSE, form == Subclass::Form::Unicode);

        EXPECT_EQ(SendMessageA(window, kSubclassMessage, 0, 0), 7);
        EXPECT_FALSE(contains(probe.seen, kSubclassMessage));
        // Passed on, the answer is the window's own.
        const LRESULT count = SendMessageA(window, kCountMessage, 0, 0);
        EXPECT_EQ(count, static_cast<LRESULT>(probe.seen.size()));
        EXPECT_TRUE(contains(subclass.seen, kCountMessage));
        // The text reaches the handler in its form and the window's own
        // procedure in the one it had.
        SetWindowTextA(window, "Probe text");
        EXPECT_EQ(subclass.text, "Probe text");
        EXPECT_EQ(windowText(window), "Probe text");
    }
}

TEST(SubclassHelper, AnExceptionInTheHandlerStopsAtTheBoundaryAndPassesOn) {
    ProbeWindow probe;
    HWND window = probe.create();
    ASSERT_NE(window, nullptr);
    ProbeSubclass subclass(Subclass::Form::Unicode);
    ASSERT_TRUE(subclass.install(window));
    EXPECT_EQ(SendMessageA(window, kThrowMessage, 0, 0), 0);
    EXPECT_TRUE(contains(subclass.seen, kThrowMessage));
    EXPECT_TRUE(contains(probe.seen, kThrowMessage));
    EXPECT_EQ(SendMessageA(window, kSubclassMessage, 0, 0), 7);
}

LRESULT CALLBACK laidOnTop(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto previous = reinterpret_cast<WNDPROC>(GetPropA(window, "WinguiTestUnder"));
    if (message == WM_NCDESTROY) RemovePropA(window, "WinguiTestUnder");
    return CallWindowProcA(previous, window, message, wParam, lParam);
}

TEST(SubclassHelper, NothingDanglesWhenTheWindowOrTheObjectGoesFirst) {
    ProbeWindow probe;
    HWND window = probe.create();
    ASSERT_NE(window, nullptr);
    const LONG_PTR own = GetWindowLongPtrA(window, GWLP_WNDPROC);
    {
        ProbeSubclass subclass(Subclass::Form::Ansi);
        ASSERT_TRUE(subclass.install(window));
    }
    // The object went first: the window has its procedure back and takes
    // another subclass.
    EXPECT_EQ(GetWindowLongPtrA(window, GWLP_WNDPROC), own);
    EXPECT_EQ(SendMessageA(window, kSubclassMessage, 0, 0), 0);
    EXPECT_TRUE(contains(probe.seen, kSubclassMessage));

    // Gone while another procedure lies on top of ours: ours stays in the
    // chain and passes on.
    auto under = std::make_unique<ProbeSubclass>(Subclass::Form::Ansi);
    ASSERT_TRUE(under->install(window));
    SetPropA(window, "WinguiTestUnder",
             reinterpret_cast<HANDLE>(SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(laidOnTop))));
    under.reset();
    const LRESULT count = SendMessageA(window, kCountMessage, 0, 0);
    EXPECT_EQ(count, static_cast<LRESULT>(probe.seen.size()));
    DestroyWindow(window);
    EXPECT_TRUE(probe.gone);

    // The window went first: the object is told and lets go.
    ProbeWindow other;
    ASSERT_NE(other.create(), nullptr);
    ProbeSubclass last(Subclass::Form::Unicode);
    ASSERT_TRUE(last.install(other.getWindow()));
    DestroyWindow(other.getWindow());
    EXPECT_TRUE(last.gone);
    EXPECT_EQ(last.getWindow(), nullptr);
    EXPECT_TRUE(contains(last.seen, WM_NCDESTROY));
    EXPECT_TRUE(other.gone);
}

class ProbeDialog : public ModalDialog {
public:
    ProbeDialog() : ModalDialog(IDD_WINGUI_TEST) {}
    INT_PTR show() { return run(); }
    int throws = 0;
    bool initialised = false;

protected:
    INT_PTR handleMessage(UINT message, WPARAM wParam, LPARAM) override {
        switch (message) {
            case WM_INITDIALOG: initialised = getDialog() != nullptr; return TRUE;
            case WM_CLOSE: end(IDCANCEL); return TRUE;
            case WM_COMMAND: return onCommand(LOWORD(wParam));
            default: return FALSE;
        }
    }

private:
    INT_PTR onCommand(int id) {
        if (id == IDC_WINGUI_TEST_THROW) {
            ++throws;
            throw std::runtime_error("command failed");
        }
        if (id == IDOK) end(IDOK);
        return TRUE;
    }
};

TEST(DialogBase, RunsModallyAndSurvivesAThrowingHandler) {
    ProbeDialog dialog;
    dialog.prepare(sharedOwnerWindow());
    INT_PTR result = -1;
    HWND shown = nullptr;
    ModalDriver::run([&] { result = dialog.show(); },
                     {[&] { return (shown = findThreadWindow("Wingui Test Dialog")) != nullptr; },
                      [&] {
                          click(shown, IDC_WINGUI_TEST_THROW);
                          return true;
                      },
                      [&] { return dialog.throws == 1; },
                      [&] {
                          click(shown, IDOK);
                          return true;
                      }});
    EXPECT_TRUE(dialog.initialised);
    EXPECT_EQ(dialog.throws, 1);
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(dialog.getDialog(), nullptr);
}

TEST(DialogBase, CloseRequestEndsWithCancel) {
    ProbeDialog dialog;
    dialog.prepare(sharedOwnerWindow());
    INT_PTR result = -1;
    ModalDriver::run([&] { result = dialog.show(); }, {[&] {
                         HWND shown = findThreadWindow("Wingui Test Dialog");
                         if (shown != nullptr) PostMessageA(shown, WM_CLOSE, 0, 0);
                         return shown != nullptr;
                     }});
    EXPECT_EQ(result, IDCANCEL);
}

// Pumps: a WM_QUIT ends every pump and is posted again; a watched message
// is noted and may end the pass.
class PumpTest : public testing::Test {
protected:
    void SetUp() override {
        pumpPendingMessages();
        MSG stale;
        while (PeekMessageA(&stale, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }
    static int queued(UINT message) {
        int count = 0;
        MSG m;
        while (PeekMessageA(&m, nullptr, message, message, PM_REMOVE)) ++count;
        return count;
    }
};

TEST_F(PumpTest, PendingPassNotesTheWatchedMessageAndCanStopThere) {
    const UINT watched = WM_APP + 10;
    const UINT other = WM_APP + 11;
    PostThreadMessageA(GetCurrentThreadId(), watched, 0, 0);
    PostThreadMessageA(GetCurrentThreadId(), other, 0, 0);
    PumpPass pass = pumpPendingMessages(0, watched, true);
    EXPECT_TRUE(pass.sawWatched);
    EXPECT_FALSE(pass.quit);
    EXPECT_EQ(queued(other), 1);

    PostThreadMessageA(GetCurrentThreadId(), watched, 0, 0);
    PostThreadMessageA(GetCurrentThreadId(), other, 0, 0);
    pass = pumpPendingMessages(0, watched, false);
    EXPECT_TRUE(pass.sawWatched);
    EXPECT_EQ(queued(other), 0);
}

TEST_F(PumpTest, QuitEndsEveryPumpAndIsPostedAgain) {
    PostQuitMessage(7);
    PumpPass pass = pumpPendingMessages();
    EXPECT_TRUE(pass.quit);

    ProbeWindow probe;
    HWND window = probe.create();
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(pumpUntilDestroyed(window));
    EXPECT_TRUE(IsWindow(window));

    EXPECT_EQ(runMessageLoop(), 7);
}

TEST_F(PumpTest, WaitEndsWhenTheWindowIsGone) {
    ProbeWindow probe;
    HWND window = probe.create();
    ASSERT_NE(window, nullptr);
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(pumpUntilDestroyed(window));
    EXPECT_FALSE(IsWindow(window));
}

TEST(ListViewHelpers, ColumnsRowsCellsAndItemData) {
    OwnerWindow owner(0, 0, 400, 300, false);
    HWND list = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | LVS_REPORT | LVS_SHAREIMAGELISTS, 0, 0, 400, 300,
                                owner.get(), nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(list, nullptr);
    const ListColumn columns[] = {{"Name", 120}, {"Size", 60, LVCFMT_RIGHT}};
    listAddColumns(list, columns);
    LVCOLUMNA column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH;
    ASSERT_TRUE(SendMessageA(list, LVM_GETCOLUMNA, 1, reinterpret_cast<LPARAM>(&column)));
    EXPECT_EQ(column.fmt & LVCFMT_JUSTIFYMASK, LVCFMT_RIGHT);
    EXPECT_EQ(column.cx, 60);

    OwnedImageList images(16, 16);
    images.attachSmall(list);
    EXPECT_EQ(images.addIcon(GetModuleHandleA(nullptr), 9999), -1);

    int row = listInsertRow(list, 0, "a & b.docx", -1, 2);
    ASSERT_EQ(row, 0);
    listSetCell(list, row, 1, "12 KB");
    EXPECT_EQ(listGetCell(list, row, 0), "a & b.docx");
    EXPECT_EQ(listGetCell(list, row, 1), "12 KB");
    EXPECT_EQ(listGetData(list, row), 2);
    EXPECT_EQ(listRowCount(list), 1);
    EXPECT_EQ(listGetCell(list, 5, 0), "");
    EXPECT_EQ(listGetData(list, 5), 0);
}

APTTYPE apartmentType() {
    APTTYPE type;
    APTTYPEQUALIFIER qualifier;
    return SUCCEEDED(CoGetApartmentType(&type, &qualifier)) ? type : APTTYPE_CURRENT;
}

TEST(ComApartmentGuard, JoinsAndLeavesOnlyWhatItJoined) {
    // The test thread runs in its own apartment from the test main; a fresh
    // thread shows the guard's own effect.
    DWORD id;
    struct Result {
        APTTYPE inside = APTTYPE_CURRENT;
        bool initialised = false;
        bool leftAfter = false;
        bool nestedKept = false;
    } result;
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](void* argument) -> DWORD {
            auto* r = static_cast<Result*>(argument);
            {
                ComApartment apartment(ComApartment::Kind::Ole);
                r->initialised = apartment.isInitialised();
                r->inside = apartmentType();
                {
                    // A second guard of the other kind on the same thread
                    // neither fails the thread nor ends its apartment.
                    ComApartment nested(ComApartment::Kind::Com);
                }
                r->nestedKept = apartmentType() == APTTYPE_MAINSTA || apartmentType() == APTTYPE_STA;
            }
            r->leftAfter = apartmentType() == APTTYPE_CURRENT;
            return 0;
        },
        &result, 0, &id);
    ASSERT_NE(thread, nullptr);
    WaitForSingleObject(thread, 10000);
    CloseHandle(thread);
    EXPECT_TRUE(result.initialised);
    EXPECT_TRUE(result.inside == APTTYPE_MAINSTA || result.inside == APTTYPE_STA);
    EXPECT_TRUE(result.nestedKept);
    EXPECT_TRUE(result.leftAfter);
}

TEST(ProcessWindows, TheFirstMainWindowIsKeptAndActivatedFromAnyThread) {
    ProbeWindow first;
    ProbeWindow second;
    ASSERT_NE(first.create(), nullptr);
    ASSERT_NE(second.create(), nullptr);
    MainWindow_SetHandle(first.getWindow());
    MainWindow_SetHandle(second.getWindow());
    EXPECT_EQ(MainWindow_GetHandle(), first.getWindow());

    HMODULE user32 = LoadLibraryA("user32.dll");
    User32_SetModule(user32);
    EXPECT_EQ(User32_GetModule(), user32);
    EXPECT_NE(GetProcAddress(User32_GetModule(), "SetLayeredWindowAttributes"), nullptr);

    // From another thread it must neither block nor crash.
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](void*) -> DWORD {
            MainWindow_Activate();
            return 0;
        },
        nullptr, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
    CloseHandle(thread);
}

}  // namespace
