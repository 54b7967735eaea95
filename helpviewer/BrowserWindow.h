#pragma once

#include <windows.h>

#include <exdisp.h>
#include <ole2.h>

#include "foundation/WinHandles.h"
#include "helpviewer/NavigationWatch.h"
#include "wingui/Window.h"

namespace lanternpane {

extern const char kWindowClassName[];  // "LANTERNPANE_WINDOW"
extern const char kProgramTitle[];     // "Lanternpane"

// The location text handed from the event sink to the window with
// WM_BROWSER_LOCATION: allocated here, freed by the window.
char* allocateLocationText(const wchar_t* location);
void freeLocationText(char* text);

class CBrowserWindow;

// A window object bound to one window handle: the programs' window base.
using BaseWindow = ::Window;

class IBrowserWindow {
public:
    virtual ~IBrowserWindow() = default;
    virtual LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    virtual HRESULT createControls() = 0;
    virtual void closeBrowser() = 0;
    virtual void navigate(const wchar_t* url) = 0;
    virtual void navigate(const char* url) = 0;
    virtual IOleInPlaceFrame* getInPlaceFrame() = 0;
    virtual IOleObject* getOleObject() = 0;
};

// The control's client site, with its in-place site as a second part.
class COleSite : public IOleClientSite {
public:
    explicit COleSite(CBrowserWindow* owner) : owner_(owner), inPlace_(this) {}

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override { return 1; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }

    STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    STDMETHODIMP GetContainer(IOleContainer** container) override;
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

    class InPlaceSite : public IOleInPlaceSite {
    public:
        explicit InPlaceSite(COleSite* site) : site_(site) {}

        STDMETHODIMP QueryInterface(REFIID iid, void** object) override { return site_->QueryInterface(iid, object); }
        STDMETHODIMP_(ULONG) AddRef() override { return 1; }
        STDMETHODIMP_(ULONG) Release() override { return 1; }

        STDMETHODIMP GetWindow(HWND* window) override;
        STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

        STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
        STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
        STDMETHODIMP OnUIActivate() override { return S_OK; }
        STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                      LPRECT clip, LPOLEINPLACEFRAMEINFO frameInfo) override;
        STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
        STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
        STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
        STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
        STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
        STDMETHODIMP OnPosRectChange(LPCRECT position) override;

    private:
        COleSite* site_;
    };

    IOleInPlaceSite* inPlaceSite() { return &inPlace_; }
    CBrowserWindow* owner() const { return owner_; }

private:
    CBrowserWindow* owner_;
    InPlaceSite inPlace_;
};

// The in-place frame: the main window.
class COleInPlaceFrame : public IOleInPlaceFrame {
public:
    explicit COleInPlaceFrame(CBrowserWindow* owner) : owner_(owner) {}

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override { return 1; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }

    STDMETHODIMP GetWindow(HWND* window) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP GetBorder(LPRECT) override { return E_NOTIMPL; }
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return E_NOTIMPL; }
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return E_NOTIMPL; }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    STDMETHODIMP RemoveMenus(HMENU) override { return E_NOTIMPL; }
    STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return E_NOTIMPL; }

private:
    CBrowserWindow* owner_;
};

// The storage handed to the control at creation; it stores nothing.
class COleStorage : public IStorage {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override { return 1; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }

    STDMETHODIMP CreateStream(LPCOLESTR, DWORD, DWORD, DWORD, IStream**) override { return E_NOTIMPL; }
    STDMETHODIMP OpenStream(LPCOLESTR, void*, DWORD, DWORD, IStream**) override { return E_NOTIMPL; }
    STDMETHODIMP CreateStorage(LPCOLESTR, DWORD, DWORD, DWORD, IStorage**) override { return E_NOTIMPL; }
    STDMETHODIMP OpenStorage(LPCOLESTR, IStorage*, DWORD, SNB, DWORD, IStorage**) override { return E_NOTIMPL; }
    STDMETHODIMP CopyTo(DWORD, const IID*, SNB, IStorage*) override { return E_NOTIMPL; }
    STDMETHODIMP MoveElementTo(LPCOLESTR, IStorage*, LPCOLESTR, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP Commit(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP Revert() override { return E_NOTIMPL; }
    STDMETHODIMP EnumElements(DWORD, void*, DWORD, IEnumSTATSTG**) override { return E_NOTIMPL; }
    STDMETHODIMP DestroyElement(LPCOLESTR) override { return E_NOTIMPL; }
    STDMETHODIMP RenameElement(LPCOLESTR, LPCOLESTR) override { return E_NOTIMPL; }
    STDMETHODIMP SetElementTimes(LPCOLESTR, const FILETIME*, const FILETIME*, const FILETIME*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP SetClass(REFCLSID) override { return S_OK; }
    STDMETHODIMP SetStateBits(DWORD, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP Stat(STATSTG*, DWORD) override { return E_NOTIMPL; }
};

// The sink of the control's DWebBrowserEvents2.
class BrowserEvent : public IDispatch {
public:
    ~BrowserEvent();

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override { return 1; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }

    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** typeInfo) override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT* result, EXCEPINFO*,
                        UINT*) override;

    // Connects to the control's event source and keeps a reference to it.
    HRESULT connect(IWebBrowser2* browser, HWND window);
    // Disconnects and lets go of the control (also what OnQuit does).
    void disconnect();

    bool isConnected() const { return browser_ != nullptr; }
    // How many events arrived, and how many of them were navigation errors;
    // a waiting navigation reads these to see whether the control lives.
    unsigned long eventCount() const { return events_; }
    unsigned long errorCount() const { return errors_; }

private:
    IWebBrowser2* browser_ = nullptr;
    DWORD cookie_ = 0;
    IUnknown* frame_ = nullptr;  // identity of the latest NavigateComplete2 frame
    HWND window_ = nullptr;
    unsigned long events_ = 0;
    unsigned long errors_ = 0;
};

// Lanternpane's main window: Back, Forward and the address box above the
// browser control.
class CBrowserWindow : public BaseWindow, public IBrowserWindow {
public:
    CBrowserWindow();
    ~CBrowserWindow() override;
    CBrowserWindow(const CBrowserWindow&) = delete;
    CBrowserWindow& operator=(const CBrowserWindow&) = delete;

    // Registers the window class (once per process) and creates the window
    // with the "Lanternpane" menu of the instance; WM_CREATE runs
    // createControls. Returns the window or null.
    HWND create(HINSTANCE instance);

    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    HRESULT createControls() override;
    void closeBrowser() override;
    void navigate(const wchar_t* url) override;
    void navigate(const char* url) override;
    IOleInPlaceFrame* getInPlaceFrame() override;
    IOleObject* getOleObject() override;

    HWND addressBox() const { return address_; }
    HWND backButton() const { return back_; }
    HWND forwardButton() const { return forward_; }
    BrowserEvent& browserEvent() { return event_; }
    // The limits of the wait in navigate (tests shorten them).
    void setNavigationLimits(NavigationWatch::Limits limits) { limits_ = limits; }

protected:
    // Whether the control still loads; the wait in navigate asks it.
    virtual bool isControlBusy(IWebBrowser2* browser);

private:
    void waitForNavigation(IWebBrowser2* browser);
    void onSize(int width, int height);
    // Places the bar's controls and gives them the font for dpi_.
    void applyDpi();
    void onDpiChanged(WPARAM wParam, LPARAM lParam);
    void onNotify(const NMHDR* header);
    void onCommand(WPARAM wParam, LPARAM lParam);
    void onLocation(char* location);
    void navigateToAddressText(const char* text);
    IWebBrowser2* queryBrowser();  // referenced, or null

    COleSite site_;
    COleInPlaceFrame frame_;
    COleStorage storage_;
    BrowserEvent event_;
    IOleObject* oleObject_ = nullptr;
    HWND address_ = nullptr;
    HWND back_ = nullptr;
    HWND forward_ = nullptr;
    int dpi_ = 96;
    unique_hfont font_;
    NavigationWatch::Limits limits_;
};

}  // namespace lanternpane
