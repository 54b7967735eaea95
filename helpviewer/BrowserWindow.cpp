#include "helpviewer/BrowserWindow.h"

#include <commctrl.h>
#include <exdispid.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#include "foundation/StringConverter.h"
#include "helpviewer/LanternpaneIds.h"
#include "wingui/Dpi.h"
#include "wingui/MessagePump.h"

namespace lanternpane {

const char kWindowClassName[] = "LANTERNPANE_WINDOW";
const char kProgramTitle[] = "Lanternpane";

namespace {

// At 96 DPI.
const int kBarHeight = 30;
const int kAddressLeft = 140;
const int kAddressHeight = 24;
const int kTextLimit = 1023;

int nonNegative(int value) {
    return value < 0 ? 0 : value;
}

// The text of one item of the address box's history (at most kTextLimit
// characters); false when there is no such item.
bool historyItemText(HWND address, LRESULT index, char (&text)[kTextLimit + 1]) {
    text[0] = '\0';
    COMBOBOXEXITEMA item = {};
    item.mask = CBEIF_TEXT;
    item.iItem = index;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    return SendMessageA(address, CBEM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)) != FALSE;
}

}  // namespace

// ---------------------------------------------------------------- texts

char* allocateLocationText(const wchar_t* location) {
    return ansiFromWide(location != nullptr ? location : L"").release();
}

void freeLocationText(char* text) {
    delete[] text;
}

// ------------------------------------------------------------- host objects

STDMETHODIMP COleSite::QueryInterface(REFIID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleClientSite)) {
        *object = static_cast<IOleClientSite*>(this);
    } else if (IsEqualIID(iid, IID_IOleInPlaceSite) || IsEqualIID(iid, IID_IOleWindow)) {
        *object = static_cast<IOleInPlaceSite*>(&inPlace_);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    return S_OK;
}

STDMETHODIMP COleSite::GetContainer(IOleContainer** container) {
    if (container != nullptr) *container = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP COleSite::InPlaceSite::GetWindow(HWND* window) {
    if (window == nullptr) return E_POINTER;
    *window = site_->owner()->getWindow();
    return S_OK;
}

STDMETHODIMP COleSite::InPlaceSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                                     LPRECT position, LPRECT clip,
                                                     LPOLEINPLACEFRAMEINFO frameInfo) {
    CBrowserWindow* owner = site_->owner();
    HWND window = owner->getWindow();
    if (frame != nullptr) *frame = owner->getInPlaceFrame();
    if (document != nullptr) *document = nullptr;
    RECT client = {};
    GetClientRect(window, &client);
    if (position != nullptr) *position = client;
    if (clip != nullptr) *clip = client;
    if (frameInfo != nullptr) {
        frameInfo->fMDIApp = FALSE;
        frameInfo->hwndFrame = window;
        frameInfo->haccel = nullptr;
        frameInfo->cAccelEntries = 0;
    }
    return S_OK;
}

STDMETHODIMP COleSite::InPlaceSite::OnPosRectChange(LPCRECT position) {
    IOleObject* control = site_->owner()->getOleObject();
    if (control != nullptr && position != nullptr) {
        IOleInPlaceObject* inPlace = nullptr;
        if (SUCCEEDED(control->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inPlace)))) {
            inPlace->SetObjectRects(position, position);
            inPlace->Release();
        }
    }
    return S_OK;
}

STDMETHODIMP COleInPlaceFrame::QueryInterface(REFIID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleWindow) ||
        IsEqualIID(iid, IID_IOleInPlaceUIWindow) || IsEqualIID(iid, IID_IOleInPlaceFrame)) {
        *object = static_cast<IOleInPlaceFrame*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP COleInPlaceFrame::GetWindow(HWND* window) {
    if (window == nullptr) return E_POINTER;
    *window = owner_->getWindow();
    return S_OK;
}

STDMETHODIMP COleStorage::QueryInterface(REFIID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IStorage)) {
        *object = static_cast<IStorage*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

// ---------------------------------------------------------- CBrowserWindow

CBrowserWindow::CBrowserWindow() : site_(this), frame_(this) {}

CBrowserWindow::~CBrowserWindow() {
    if (window_ != nullptr && IsWindow(window_)) DestroyWindow(window_);
}

HWND CBrowserWindow::create(HINSTANCE instance) {
    WNDCLASSEXA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kWindowClassName;
    if (!registerClass(windowClass)) return nullptr;
    HMENU menu = LoadMenuA(instance, "Lanternpane");
    HWND window = createWindow(0, kWindowClassName, kProgramTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, nullptr, menu, instance);
    if (window == nullptr && menu != nullptr) DestroyMenu(menu);
    return window;
}

IOleInPlaceFrame* CBrowserWindow::getInPlaceFrame() {
    return &frame_;
}

IOleObject* CBrowserWindow::getOleObject() {
    return oleObject_;
}

IWebBrowser2* CBrowserWindow::queryBrowser() {
    IWebBrowser2* browser = nullptr;
    if (oleObject_ == nullptr ||
        FAILED(oleObject_->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(&browser)))) {
        return nullptr;
    }
    return browser;
}

HRESULT CBrowserWindow::createControls() {
    HRESULT hr = OleCreate(CLSID_WebBrowser, IID_IOleObject, OLERENDER_DRAW, nullptr, &site_, &storage_,
                           reinterpret_cast<void**>(&oleObject_));
    if (FAILED(hr)) {
        oleObject_ = nullptr;
        return hr;
    }
    oleObject_->SetHostNames(L"Web Host", L"Web View");
    OleSetContainedObject(oleObject_, TRUE);
    RECT client = {};
    GetClientRect(window_, &client);
    oleObject_->DoVerb(OLEIVERB_SHOW, nullptr, &site_, -1, window_, &client);

    IWebBrowser2* browser = queryBrowser();
    if (browser != nullptr) {
        event_.connect(browser, window_);
        browser->Release();
        navigate(L"about:blank");
    }

    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window_, GWLP_HINSTANCE));
    dpi_ = static_cast<int>(dpiOfWindow(window_));
    // The height at creation is the one of the list that drops down.
    address_ = CreateWindowExA(0, WC_COMBOBOXEXA, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWN,
                               scaleForDpi(kAddressLeft, dpi_), scaleForDpi(2, dpi_), scaleForDpi(200, dpi_),
                               scaleForDpi(200, dpi_), window_,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_LANTERNPANE_ADDRESS)), instance,
                               nullptr);
    back_ = CreateWindowExA(0, "Button", "Back", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 0, 0,
                            window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_LANTERNPANE_BACK)), instance,
                            nullptr);
    forward_ = CreateWindowExA(0, "Button", "Forward", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 0,
                               0, window_,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_LANTERNPANE_FORWARD)), instance,
                               nullptr);
    applyDpi();
    return S_OK;
}

void CBrowserWindow::applyDpi() {
    const auto scaled = [this](int value) { return scaleForDpi(value, dpi_); };
    unique_hfont font = createMessageFont(static_cast<UINT>(dpi_));
    for (HWND control : {address_, back_, forward_}) {
        if (control != nullptr) SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    }
    font_ = std::move(font);
    if (back_ != nullptr) MoveWindow(back_, scaled(2), scaled(2), scaled(65), scaled(22), TRUE);
    if (forward_ != nullptr) MoveWindow(forward_, scaled(70), scaled(2), scaled(65), scaled(22), TRUE);
    RECT client = {};
    GetClientRect(window_, &client);
    onSize(client.right, client.bottom);
}

void CBrowserWindow::onDpiChanged(WPARAM wParam, LPARAM lParam) {
    const int dpi = static_cast<int>(HIWORD(wParam));
    if (dpi > 0) dpi_ = dpi;
    applyDpi();
    applyDpiChange(window_, wParam, lParam);
}

void CBrowserWindow::closeBrowser() {
    if (oleObject_ == nullptr) return;
    IWebBrowser2* browser = queryBrowser();
    if (browser != nullptr) {
        browser->Quit();
        browser->Release();
    }
    // The control itself ignores Quit and never reports OnQuit: let go of
    // its event source here so that nothing holds the control afterwards.
    event_.disconnect();
    IOleObject* control = oleObject_;
    oleObject_ = nullptr;
    control->Close(OLECLOSE_NOSAVE);
    control->Release();
}

void CBrowserWindow::navigate(const char* url) {
    std::unique_ptr<wchar_t[]> wide = wideFromAnsi(url != nullptr ? url : "");
    if (wide) navigate(wide.get());
}

void CBrowserWindow::navigate(const wchar_t* url) {
    IWebBrowser2* browser = queryBrowser();
    if (browser == nullptr) return;
    VARIANT address;
    VariantInit(&address);
    address.vt = VT_BSTR;
    address.bstrVal = SysAllocString(url != nullptr ? url : L"");
    VARIANT empty;
    VariantInit(&empty);
    HRESULT hr = browser->Navigate2(&address, &empty, &empty, &empty, &empty);
    VariantClear(&address);

    if (SUCCEEDED(hr)) waitForNavigation(browser);
    browser->Release();
}

bool CBrowserWindow::isControlBusy(IWebBrowser2* browser) {
    VARIANT_BOOL busy = VARIANT_FALSE;
    return SUCCEEDED(browser->get_Busy(&busy)) && busy != VARIANT_FALSE;
}

// Waits while the control loads, keeping the window responsive. The watch
// ends the wait for a control that reports busy for ever.
void CBrowserWindow::waitForNavigation(IWebBrowser2* browser) {
    NavigationWatch watch(GetTickCount64(), limits_);
    unsigned long events = event_.eventCount();
    unsigned long errors = event_.errorCount();
    READYSTATE lastState = READYSTATE_UNINITIALIZED;
    browser->get_ReadyState(&lastState);
    for (;;) {
        bool busy = isControlBusy(browser);
        ULONGLONG now = GetTickCount64();
        READYSTATE state = lastState;
        browser->get_ReadyState(&state);
        if (state != lastState || event_.eventCount() != events) watch.noteProgress(now);
        if (event_.errorCount() != errors) watch.noteError(now);
        lastState = state;
        events = event_.eventCount();
        errors = event_.errorCount();
        if (!watch.keepWaiting(busy, now)) return;

        // A WM_QUIT is left for the main loop, which ends the program.
        if (pumpPendingMessages().quit) return;
        // The window may have been closed while its messages were handled.
        if (oleObject_ == nullptr || window_ == nullptr) return;
        Sleep(100);
    }
}

// ------------------------------------------------------------- messages

LRESULT CBrowserWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        createControls();
        return 1;
    case WM_SIZE:
        onSize(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_DPICHANGED:
        onDpiChanged(wParam, lParam);
        return 0;
    case WM_NOTIFY:
        onNotify(reinterpret_cast<const NMHDR*>(lParam));
        return 0;
    case WM_COMMAND:
        onCommand(wParam, lParam);
        return DefWindowProcA(window_, message, wParam, lParam);
    case WM_BROWSER_LOCATION:
        onLocation(reinterpret_cast<char*>(lParam));
        return 1;
    case WM_DESTROY:
        closeBrowser();
        PostQuitMessage(0);
        return 1;
    default:
        return BaseWindow::handleMessage(message, wParam, lParam);
    }
}

void CBrowserWindow::onSize(int width, int height) {
    const auto scaled = [this](int value) { return scaleForDpi(value, dpi_); };
    if (address_ != nullptr) {
        MoveWindow(address_, scaled(kAddressLeft), scaled(2), nonNegative(width - scaled(kAddressLeft + 2)),
                   scaled(kAddressHeight), TRUE);
    }
    IWebBrowser2* browser = queryBrowser();
    if (browser != nullptr) {
        browser->put_Left(0);
        browser->put_Top(scaled(kBarHeight));
        browser->put_Width(nonNegative(width));
        browser->put_Height(nonNegative(height - scaled(kBarHeight)));
        browser->Release();
    }
}

void CBrowserWindow::onNotify(const NMHDR* header) {
    if (header == nullptr || address_ == nullptr || header->hwndFrom != address_) return;
    int reason = 0;
    if (header->code == CBEN_ENDEDITA) {
        reason = reinterpret_cast<const NMCBEENDEDITA*>(header)->iWhy;
    } else if (header->code == CBEN_ENDEDITW) {
        reason = reinterpret_cast<const NMCBEENDEDITW*>(header)->iWhy;
    } else {
        return;
    }
    if (reason != CBENF_RETURN) return;
    char text[kTextLimit + 1] = {};
    HWND edit = reinterpret_cast<HWND>(SendMessageA(address_, CBEM_GETEDITCONTROL, 0, 0));
    GetWindowTextA(edit != nullptr ? edit : address_, text, sizeof text);
    navigateToAddressText(text);
}

void CBrowserWindow::onCommand(WPARAM wParam, LPARAM lParam) {
    int id = LOWORD(wParam);
    int code = HIWORD(wParam);
    if (lParam == 0) {
        if (id == IDM_LANTERNPANE_CLOSE) DestroyWindow(window_);
        return;
    }
    HWND from = reinterpret_cast<HWND>(lParam);
    if ((from == back_ || from == forward_) && code == BN_CLICKED) {
        IWebBrowser2* browser = queryBrowser();
        if (browser == nullptr) return;
        // With no page to go to the control fails the call; nothing changes.
        if (from == back_) {
            browser->GoBack();
        } else {
            browser->GoForward();
        }
        browser->Release();
    } else if (from == address_ && code == CBN_SELCHANGE) {
        LRESULT selected = SendMessageA(address_, CB_GETCURSEL, 0, 0);
        if (selected == CB_ERR) return;
        char text[kTextLimit + 1];
        if (historyItemText(address_, selected, text)) navigateToAddressText(text);
    }
}

void CBrowserWindow::navigateToAddressText(const char* text) {
    if (text != nullptr && text[0] != '\0') navigate(text);
}

void CBrowserWindow::onLocation(char* location) {
    if (location != nullptr && address_ != nullptr && location[0] != '\0' && !isBlankPage(location)) {
        HWND edit = reinterpret_cast<HWND>(SendMessageA(address_, CBEM_GETEDITCONTROL, 0, 0));
        if (edit != nullptr) SetWindowTextA(edit, location);
        // The history holds each address once, compared exactly (the combo
        // box's own search ignores case).
        bool listed = false;
        LRESULT count = SendMessageA(address_, CB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count && !listed; ++i) {
            char text[kTextLimit + 1];
            listed = historyItemText(address_, i, text) && std::strcmp(text, location) == 0;
        }
        if (!listed) {
            COMBOBOXEXITEMA item = {};
            item.mask = CBEIF_TEXT;
            item.iItem = 0;
            item.pszText = location;
            SendMessageA(address_, CBEM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
        }
    }
    freeLocationText(location);
}

}  // namespace lanternpane
