#include "IssuanceLicense.h"

#include <windows.h>
#include <msxml2.h>

#include <memory>

#include <wrl/client.h>

#include "foundation/Exception.h"
#include "foundation/StringConverter.h"
#include "foundation/WinHandles.h"

using Microsoft::WRL::ComPtr;

namespace {

// The MinGW import libraries carry neither identifier.
const CLSID kDomDocument30 = {0xF5078F32, 0xC551, 0x11D3, {0x89, 0xB9, 0x00, 0x00, 0xF8, 0x1F, 0xE2, 0x21}};
const IID kIXMLDOMDocument2 = {0x2933BF95, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

unique_bstr toBstr(const char* text) {
    std::unique_ptr<wchar_t[]> wide = wideFromAnsi(text);
    if (!wide) return unique_bstr();
    return unique_bstr(SysAllocString(wide.get()));
}

}  // namespace

IssuanceLicense::IssuanceLicense() : apartment_(ComApartment::Kind::Com) {
    HRESULT created = CoCreateInstance(kDomDocument30, nullptr, CLSCTX_ALL, kIXMLDOMDocument2,
                                       reinterpret_cast<void**>(document_.ReleaseAndGetAddressOf()));
    if (FAILED(created) || !document_) {
        document_.Reset();
        throw Exception("IssuanceLicense::IssuanceLicense,1,Failed to create an MSXML2::Document30 object", 0);
    }
    unique_bstr name(SysAllocString(L"SelectionLanguage"));
    unique_variant language;
    language.vt = VT_BSTR;
    language.bstrVal = SysAllocString(L"XPath");
    if (name && language.bstrVal != nullptr) document_->setProperty(name.get(), language);
}

IssuanceLicense::~IssuanceLicense() = default;

bool IssuanceLicense::load(const char* xml) {
    if (!document_ || xml == nullptr) return false;
    document_->put_async(VARIANT_FALSE);
    unique_bstr text = toBstr(xml);
    if (!text) return false;
    VARIANT_BOOL loaded = VARIANT_FALSE;
    HRESULT hr = document_->loadXML(text.get(), &loaded);
    return SUCCEEDED(hr) && loaded == VARIANT_TRUE;
}

bool IssuanceLicense::getTextByPath(const char* xpath, String& text) {
    if (!document_) throw Exception("IssuanceLicense::getTextByPath,1,xmlDoc is NULL", 0);
    unique_bstr query = toBstr(xpath);
    if (!query) return false;
    ComPtr<IXMLDOMNode> node;
    if (document_->selectSingleNode(query.get(), &node) != S_OK || !node) return false;
    unique_bstr value;
    if (FAILED(node->get_text(value.put()))) return false;
    std::unique_ptr<char[]> narrow(StringConverter::toMultiByte(value ? value.get() : L""));
    if (!narrow) return false;
    text = narrow.get();
    return true;
}
