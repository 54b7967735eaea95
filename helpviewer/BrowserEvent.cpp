#include <exdispid.h>

#include "helpviewer/BrowserWindow.h"
#include "helpviewer/LanternpaneIds.h"

namespace lanternpane {

namespace {

// The COM identity of an event's frame argument (its first parameter, the
// last element of the argument array), referenced; null when absent.
IUnknown* frameIdentity(const DISPPARAMS* parameters) {
    if (parameters->cArgs < 1 || parameters->rgvarg == nullptr) return nullptr;
    const VARIANT& first = parameters->rgvarg[parameters->cArgs - 1];
    IDispatch* frame = nullptr;
    if (first.vt == VT_DISPATCH) {
        frame = first.pdispVal;
    } else if (first.vt == (VT_DISPATCH | VT_BYREF) && first.ppdispVal != nullptr) {
        frame = *first.ppdispVal;
    }
    IUnknown* identity = nullptr;
    if (frame == nullptr || FAILED(frame->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)))) {
        return nullptr;
    }
    return identity;
}

}  // namespace

BrowserEvent::~BrowserEvent() {
    disconnect();
}

STDMETHODIMP BrowserEvent::QueryInterface(REFIID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
        *object = static_cast<IDispatch*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP BrowserEvent::GetTypeInfoCount(UINT* count) {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
}

// The sink has no type information and no names: say so rather than
// report success with nothing in the results.
STDMETHODIMP BrowserEvent::GetTypeInfo(UINT, LCID, ITypeInfo** typeInfo) {
    if (typeInfo != nullptr) *typeInfo = nullptr;
    return DISP_E_BADINDEX;
}

STDMETHODIMP BrowserEvent::GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID, DISPID* ids) {
    if (ids != nullptr) {
        for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    }
    return DISP_E_UNKNOWNNAME;
}

HRESULT BrowserEvent::connect(IWebBrowser2* browser, HWND window) {
    disconnect();
    if (browser == nullptr) return E_POINTER;
    IConnectionPointContainer* container = nullptr;
    HRESULT hr =
        browser->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container));
    if (FAILED(hr)) return hr;
    IConnectionPoint* point = nullptr;
    hr = container->FindConnectionPoint(DIID_DWebBrowserEvents2, &point);
    container->Release();
    if (FAILED(hr)) return hr;
    DWORD cookie = 0;
    hr = point->Advise(static_cast<IDispatch*>(this), &cookie);
    point->Release();
    if (FAILED(hr)) return hr;
    cookie_ = cookie;
    window_ = window;
    browser_ = browser;
    browser_->AddRef();
    return S_OK;
}

void BrowserEvent::disconnect() {
    if (browser_ != nullptr) {
        IConnectionPointContainer* container = nullptr;
        if (cookie_ != 0 &&
            SUCCEEDED(browser_->QueryInterface(IID_IConnectionPointContainer,
                                               reinterpret_cast<void**>(&container)))) {
            IConnectionPoint* point = nullptr;
            if (SUCCEEDED(container->FindConnectionPoint(DIID_DWebBrowserEvents2, &point))) {
                point->Unadvise(cookie_);
                point->Release();
            }
            container->Release();
        }
        // Unadvise may deliver events that end up here again.
        IWebBrowser2* browser = browser_;
        browser_ = nullptr;
        browser->Release();
    }
    cookie_ = 0;
    if (frame_ != nullptr) {
        frame_->Release();
        frame_ = nullptr;
    }
}

STDMETHODIMP BrowserEvent::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT* result,
                                  EXCEPINFO*, UINT*) {
    if (result != nullptr) VariantInit(result);
    if (parameters == nullptr) return E_INVALIDARG;
    ++events_;
    switch (id) {
    case DISPID_NAVIGATECOMPLETE2: {
        IUnknown* frame = frameIdentity(parameters);
        if (frame_ != nullptr) frame_->Release();
        frame_ = frame;
        break;
    }
    case DISPID_DOCUMENTCOMPLETE: {
        IUnknown* frame = frameIdentity(parameters);
        bool sameFrame = frame != nullptr && frame == frame_;
        if (frame != nullptr) frame->Release();
        if (!sameFrame || browser_ == nullptr || window_ == nullptr || !IsWindow(window_)) break;
        BSTR location = nullptr;
        if (SUCCEEDED(browser_->get_LocationURL(&location)) && location != nullptr) {
            char* text = allocateLocationText(location);
            if (text != nullptr) SendMessageA(window_, WM_BROWSER_LOCATION, 0, reinterpret_cast<LPARAM>(text));
        }
        SysFreeString(location);
        break;
    }
    case DISPID_ONQUIT:
        disconnect();
        break;
    case DISPID_NAVIGATEERROR:
        ++errors_;
        break;
    default:
        break;
    }
    return S_OK;
}

}  // namespace lanternpane
