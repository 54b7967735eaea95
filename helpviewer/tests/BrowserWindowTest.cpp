// Lanternpane's window, opened in the test process and driven there.
#include "helpviewer/BrowserWindow.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>
#include <exdispid.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "helpviewer/LanternpaneIds.h"
#include "testing/ModalDriver.h"
#include "testing/Screenshot.h"

namespace lanternpane {
namespace {

// Handles what is queued now; a WM_QUIT that a closed window posted is
// taken out of the way as well.
void pump() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

bool quitIsQueued() {
    MSG message;
    return PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != FALSE;
}

RECT childRect(HWND parent, HWND child) {
    RECT r = {};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::string addressText(HWND address) {
    return testing_support::windowText(reinterpret_cast<HWND>(SendMessageA(address, CBEM_GETEDITCONTROL, 0, 0)));
}

std::vector<std::string> historyItems(HWND address) {
    std::vector<std::string> items;
    LRESULT count = SendMessageA(address, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        char text[1024] = {};
        COMBOBOXEXITEMA item = {};
        item.mask = CBEIF_TEXT;
        item.iItem = i;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(address, CBEM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        items.push_back(text);
    }
    return items;
}

// An IDispatch that stands for some other frame of a page.
class OtherFrame : public IDispatch {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
            *object = static_cast<IDispatch*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }
};

// Records the location notifications that reach the window, then lets the
// window handle them.
std::vector<std::string> g_locations;
WNDPROC g_windowProcedure = nullptr;

LRESULT CALLBACK recordingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_BROWSER_LOCATION && lParam != 0) g_locations.push_back(reinterpret_cast<const char*>(lParam));
    return CallWindowProcA(g_windowProcedure, window, message, wParam, lParam);
}

// A control that never finishes loading, as under a system without an HTML
// engine that does not even report an error.
class EndlessBrowserWindow : public CBrowserWindow {
protected:
    bool isControlBusy(IWebBrowser2*) override { return true; }
};

class BrowserWindowTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        OleInitialize(nullptr);
        INITCOMMONCONTROLSEX controls = {sizeof controls, 0x9FFF};
        InitCommonControlsEx(&controls);
    }

    void open(CBrowserWindow& object) {
        window_ = object.create(GetModuleHandleA(nullptr));
        ASSERT_NE(window_, nullptr);
        ShowWindow(window_, SW_SHOW);
        UpdateWindow(window_);
        pump();
    }

    void TearDown() override {
        if (window_ != nullptr && IsWindow(window_)) DestroyWindow(window_);
        pump();
        g_locations.clear();
    }

    // Sends a location as the event sink does.
    LRESULT sendLocation(const wchar_t* location) {
        return SendMessageA(window_, WM_BROWSER_LOCATION, 0, reinterpret_cast<LPARAM>(allocateLocationText(location)));
    }

    IWebBrowser2* queryBrowser(CBrowserWindow& object) {
        IWebBrowser2* browser = nullptr;
        if (object.getOleObject() != nullptr) {
            object.getOleObject()->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(&browser));
        }
        return browser;
    }

    HWND window_ = nullptr;
};

TEST_F(BrowserWindowTest, LayoutKeepsButtonsLeftAndStretchesAddressBoxAndBrowser) {
    CBrowserWindow object;
    open(object);
    IWebBrowser2* browser = queryBrowser(object);
    ASSERT_NE(browser, nullptr);
    struct {
        const char* name;
        int width, height;  // outer size; 0 keeps the size the window started with
    } const sizes[] = {{"at start", 0, 0}, {"wider", 1000, 640}, {"narrower", 520, 360}, {"wide again", 900, 600}};
    for (const auto& size : sizes) {
        SCOPED_TRACE(size.name);
        if (size.width > 0) SetWindowPos(window_, nullptr, 0, 0, size.width, size.height, SWP_NOMOVE | SWP_NOZORDER);
        pump();
        RECT client = {};
        GetClientRect(window_, &client);
        RECT back = childRect(window_, object.backButton());
        RECT forward = childRect(window_, object.forwardButton());
        RECT address = childRect(window_, object.addressBox());
        EXPECT_EQ(back.left, 2);
        EXPECT_EQ(back.top, 2);
        EXPECT_EQ(back.right - back.left, 65);
        EXPECT_EQ(back.bottom - back.top, 22);
        EXPECT_EQ(forward.left, 70);
        EXPECT_EQ(forward.top, 2);
        EXPECT_EQ(forward.right - forward.left, 65);
        EXPECT_EQ(address.left, 140);
        EXPECT_EQ(address.top, 2);
        EXPECT_EQ(address.right, client.right - 2);
        long left = -1, top = -1, width = -1, height = -1;
        browser->get_Left(&left);
        browser->get_Top(&top);
        browser->get_Width(&width);
        browser->get_Height(&height);
        EXPECT_EQ(left, 0);
        EXPECT_EQ(top, 30);
        EXPECT_EQ(width, client.right);
        EXPECT_EQ(height, client.bottom - 30);
    }
    browser->Release();
    sendLocation(L"file:///C:/Program%20Files/Tarnwick/html/Tarnwick.html");
    sendLocation(L"file:///C:/Program%20Files/Tarnwick/html/Tarnwick.html#pdf");
    pump();
    EXPECT_FALSE(testing_support::saveScreenshot(window_, "Lanternpane").empty());
    SendMessageA(object.addressBox(), CB_SHOWDROPDOWN, TRUE, 0);
    pump();
    COMBOBOXINFO info = {};
    info.cbSize = sizeof info;
    HWND combo = reinterpret_cast<HWND>(SendMessageA(object.addressBox(), CBEM_GETCOMBOCONTROL, 0, 0));
    ASSERT_TRUE(GetComboBoxInfo(combo, &info));
    RECT list = {};
    GetWindowRect(info.hwndList, &list);
    // The history list that drops down shows both addresses.
    EXPECT_GE(list.bottom - list.top, 2 * SendMessageA(combo, CB_GETITEMHEIGHT, 0, 0));
    EXPECT_FALSE(testing_support::saveScreenshot(window_, "LanternpaneHistory").empty());
    SendMessageA(object.addressBox(), CB_SHOWDROPDOWN, FALSE, 0);
}

TEST_F(BrowserWindowTest, LocationEntersTheAddressBoxAndTheHistoryOnce) {
    CBrowserWindow object;
    open(object);
    const std::string help = "file:///Z:/Tarnwick/html/Tarnwick.html";
    const std::string helpUpper = "FILE:///Z:/TARNWICK/HTML/TARNWICK.HTML";
    struct {
        const wchar_t* location;
        std::string addressAfter;
        std::vector<std::string> historyAfter;
    } const steps[] = {
        {L"file:///Z:/Tarnwick/html/Tarnwick.html", help, {help}},
        {L"file:///Z:/Tarnwick/html/Tarnwick.html", help, {help}},
        {L"about:blank", help, {help}},
        {L"ABOUT:BLANK", help, {help}},
        {L"", help, {help}},
        // The history compares exactly; a new address goes first.
        {L"FILE:///Z:/TARNWICK/HTML/TARNWICK.HTML", helpUpper, {helpUpper, help}},
        {L"file:///Z:/Tarnwick/html/Tarnwick.html", help, {helpUpper, help}},
    };
    int number = 0;
    for (const auto& step : steps) {
        SCOPED_TRACE(testing::Message() << "step " << ++number);
        EXPECT_EQ(sendLocation(step.location), 1);
        EXPECT_EQ(addressText(object.addressBox()), step.addressAfter);
        EXPECT_EQ(historyItems(object.addressBox()), step.historyAfter);
    }
}

TEST_F(BrowserWindowTest, EventSinkReportsTheLocationOnlyForTheFrameThatCompleted) {
    CBrowserWindow object;
    open(object);
    g_windowProcedure = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(recordingProcedure)));
    IWebBrowser2* browser = queryBrowser(object);
    ASSERT_NE(browser, nullptr);
    BSTR location = nullptr;
    ASSERT_EQ(browser->get_LocationURL(&location), S_OK);
    char* expected = allocateLocationText(location);
    SysFreeString(location);
    OtherFrame otherFrame;
    BrowserEvent& sink = object.browserEvent();

    auto invoke = [&](DISPID id, IDispatch* frame, bool withParameters) {
        VARIANT arguments[2];
        VariantInit(&arguments[0]);
        arguments[0].vt = VT_BSTR;
        arguments[0].bstrVal = SysAllocString(L"file:///Z:/page.html");
        VariantInit(&arguments[1]);
        arguments[1].vt = VT_DISPATCH;
        arguments[1].pdispVal = frame;
        DISPPARAMS parameters = {arguments, nullptr, frame != nullptr ? 2u : 0u, 0};
        VARIANT result;
        VariantInit(&result);
        result.vt = VT_I4;
        result.lVal = 7;
        HRESULT hr = sink.Invoke(id, IID_NULL, 0, DISPATCH_METHOD, withParameters ? &parameters : nullptr, &result,
                                 nullptr, nullptr);
        EXPECT_EQ(result.vt, VT_EMPTY) << "the result is always cleared";
        SysFreeString(arguments[0].bstrVal);
        return hr;
    };
    IDispatch* control = browser;
    struct {
        const char* name;
        DISPID id;
        IDispatch* frame;
        bool withParameters;
        HRESULT result;
        size_t locationsAfter;
        bool connectedAfter;
    } const steps[] = {
        {"an event without parameters", DISPID_DOCUMENTCOMPLETE, control, false, E_INVALIDARG, 0, true},
        {"NavigateComplete2 of the page", DISPID_NAVIGATECOMPLETE2, control, true, S_OK, 0, true},
        {"DocumentComplete of another frame", DISPID_DOCUMENTCOMPLETE, &otherFrame, true, S_OK, 0, true},
        {"DocumentComplete of the page", DISPID_DOCUMENTCOMPLETE, control, true, S_OK, 1, true},
        {"BeforeNavigate2", DISPID_BEFORENAVIGATE2, control, true, S_OK, 1, true},
        {"NavigateComplete2 of another frame", DISPID_NAVIGATECOMPLETE2, &otherFrame, true, S_OK, 1, true},
        {"DocumentComplete of the page, no longer the latest", DISPID_DOCUMENTCOMPLETE, control, true, S_OK, 1, true},
        {"DocumentComplete of the latest frame", DISPID_DOCUMENTCOMPLETE, &otherFrame, true, S_OK, 2, true},
        {"OnQuit", DISPID_ONQUIT, nullptr, true, S_OK, 2, false},
        {"DocumentComplete after OnQuit", DISPID_DOCUMENTCOMPLETE, &otherFrame, true, S_OK, 2, false},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        EXPECT_EQ(invoke(step.id, step.frame, step.withParameters), step.result);
        EXPECT_EQ(g_locations.size(), step.locationsAfter);
        EXPECT_EQ(sink.isConnected(), step.connectedAfter);
    }
    for (const std::string& reported : g_locations) EXPECT_EQ(reported, expected);
    freeLocationText(expected);

    UINT count = 99;
    EXPECT_EQ(sink.GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 0u);
    ITypeInfo* typeInfo = reinterpret_cast<ITypeInfo*>(1);
    EXPECT_TRUE(FAILED(sink.GetTypeInfo(0, 0, &typeInfo)));
    EXPECT_EQ(typeInfo, nullptr);
    browser->Release();
}

TEST_F(BrowserWindowTest, BackForwardAndDisabledMenuItemsChangeNothing) {
    CBrowserWindow object;
    open(object);
    sendLocation(L"file:///Z:/Tarnwick/html/Tarnwick.html");
    HMENU menu = GetMenu(window_);
    ASSERT_NE(menu, nullptr);
    struct {
        const char* text;
        UINT id;
        bool enabled;
    } const items[] = {
        {"Open(&O)", IDM_LANTERNPANE_OPEN, false},
        {"Close(&X)", IDM_LANTERNPANE_CLOSE, true},
        {"Version Info(&V)", IDM_LANTERNPANE_VERSION, false},
    };
    for (const auto& item : items) {
        char text[64] = {};
        GetMenuStringA(menu, item.id, text, sizeof text, MF_BYCOMMAND);
        EXPECT_STREQ(text, item.text);
        UINT state = GetMenuState(menu, item.id, MF_BYCOMMAND);
        EXPECT_EQ((state & (MF_GRAYED | MF_DISABLED)) == 0, item.enabled) << item.text;
    }
    char popup[32] = {};
    GetMenuStringA(menu, 0, popup, sizeof popup, MF_BYPOSITION);
    EXPECT_STREQ(popup, "File(&F)");
    GetMenuStringA(menu, 1, popup, sizeof popup, MF_BYPOSITION);
    EXPECT_STREQ(popup, "Help(&)");

    // With no pages visited the control refuses Back and Forward.
    const std::pair<const char*, std::function<void()>> actions[] = {
        {"Back", [&] { SendMessageA(object.backButton(), BM_CLICK, 0, 0); }},
        {"Forward", [&] { SendMessageA(object.forwardButton(), BM_CLICK, 0, 0); }},
        {"Open", [&] { SendMessageA(window_, WM_COMMAND, IDM_LANTERNPANE_OPEN, 0); }},
        {"Version Info", [&] { SendMessageA(window_, WM_COMMAND, IDM_LANTERNPANE_VERSION, 0); }},
    };
    for (const auto& action : actions) {
        SCOPED_TRACE(action.first);
        action.second();
        pump();
        EXPECT_TRUE(IsWindow(window_));
        EXPECT_NE(object.getOleObject(), nullptr);
        EXPECT_EQ(addressText(object.addressBox()), "file:///Z:/Tarnwick/html/Tarnwick.html");
    }
}

TEST_F(BrowserWindowTest, CloseReleasesTheControlAndEndsTheLoop) {
    CBrowserWindow object;
    open(object);
    ASSERT_TRUE(object.browserEvent().isConnected());
    SendMessageA(window_, WM_COMMAND, IDM_LANTERNPANE_CLOSE, 0);
    EXPECT_FALSE(IsWindow(window_));
    EXPECT_EQ(object.getWindow(), nullptr);
    EXPECT_EQ(object.getOleObject(), nullptr);
    EXPECT_FALSE(object.browserEvent().isConnected());
    EXPECT_TRUE(quitIsQueued());
    pump();
    object.navigate("about:blank");  // without a control: nothing happens
}

// A navigation that never ends must neither hold the program nor survive
// the window.
TEST_F(BrowserWindowTest, NavigationThatNeverEndsDoesNotHoldTheProgram) {
    EndlessBrowserWindow object;
    object.setNavigationLimits({200, 600});
    open(object);
    struct {
        const char* name;
        std::function<void()> before;
        bool windowAfter;
        bool quitAfter;
        std::string addressAfter;
    } const cases[] = {
        {"nothing else happens: the wait gives up", [] {}, true, false, ""},
        {"messages are handled meanwhile",
         [&] {
             PostMessageA(window_, WM_BROWSER_LOCATION, 0,
                          reinterpret_cast<LPARAM>(allocateLocationText(L"file:///Z:/meanwhile.html")));
         },
         true,
         false,
         "file:///Z:/meanwhile.html"},
        {"the program is asked to quit", [] { PostQuitMessage(3); }, true, true, "file:///Z:/meanwhile.html"},
        {"the window is closed", [&] { PostMessageA(window_, WM_COMMAND, IDM_LANTERNPANE_CLOSE, 0); }, false, true, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.before();
        ULONGLONG start = GetTickCount64();
        object.navigate(L"file:///Z:/nowhere/Tarnwick.html");
        ULONGLONG waited = GetTickCount64() - start;
        EXPECT_EQ(IsWindow(window_) != FALSE, c.windowAfter);
        if (c.windowAfter) {
            EXPECT_EQ(addressText(object.addressBox()), c.addressAfter);
        }
        EXPECT_EQ(quitIsQueued(), c.quitAfter) << "a quit request must reach the main loop";
        if (!c.quitAfter) {
            // Under Wine the control reports an error, so the shorter limit ends it.
            EXPECT_GE(waited, 200u) << "the wait ended while the control still looked alive";
        } else {
            MSG message;
            PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
        }
    }
    EXPECT_EQ(object.getOleObject(), nullptr);
}

}  // namespace
}  // namespace lanternpane
