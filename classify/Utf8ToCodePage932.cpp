#include <windows.h>
#include <mlang.h>

#include <cstring>
#include <memory>
#include <new>

#include <wrl/client.h>

#include "classify/CompoundFile.h"
#include "foundation/StringConverter.h"

namespace {

// The MinGW import libraries carry neither identifier.
const CLSID kCMLangConvertCharset = {0xD66D6F99, 0xCDAA, 0x11D0, {0xB8, 0x22, 0x00, 0xC0, 0x4F, 0xC9, 0xB3, 0x1F}};
const IID kIMLangConvertCharset = {0xD66D6F98, 0xCDAA, 0x11D0, {0xB8, 0x22, 0x00, 0xC0, 0x4F, 0xC9, 0xB3, 0x1F}};

constexpr UINT kUtf8 = 65001;
constexpr UINT kShiftJis = 932;

// The same conversion through UTF-16 with the code-page functions. Wine's
// converter creates and initialises but answers E_NOTIMPL to DoConversion.
char* convertWithCodePages(const char* utf8) {
    return codePageFromWide(kShiftJis, wideFromCodePage(kUtf8, utf8).get()).release();
}

}  // namespace

char* convertUtf8ToCodePage932(const char* utf8) {
    if (utf8 == nullptr) return nullptr;
    Microsoft::WRL::ComPtr<IMLangConvertCharset> converter;
    if (FAILED(CoCreateInstance(kCMLangConvertCharset, nullptr, CLSCTX_INPROC_SERVER, kIMLangConvertCharset,
                                reinterpret_cast<void**>(converter.GetAddressOf()))) ||
        !converter) {
        return nullptr;
    }
    if (FAILED(converter->Initialize(kUtf8, kShiftJis, 1))) return nullptr;
    size_t length = std::strlen(utf8);
    if (length > 0x3FFFFFFF) return nullptr;
    UINT sourceSize = static_cast<UINT>(length + 1);
    UINT outSize = static_cast<UINT>(3 * length + 3);
    std::unique_ptr<char[]> out(new (std::nothrow) char[outSize]());
    if (!out) return nullptr;
    HRESULT hr = converter->DoConversion(reinterpret_cast<BYTE*>(const_cast<char*>(utf8)), &sourceSize,
                                         reinterpret_cast<BYTE*>(out.get()), &outSize);
    if (hr == E_NOTIMPL) return convertWithCodePages(utf8);
    if (FAILED(hr)) return nullptr;
    out[3 * length + 2] = '\0';
    return out.release();
}
