#include <windows.h>
#include <mlang.h>

#include <cstring>
#include <memory>
#include <new>

#include <wrl/client.h>

#include "classify/CompoundFile.h"

namespace {

// The MinGW import libraries carry neither identifier.
const CLSID kCMLangConvertCharset = {0xD66D6F99, 0xCDAA, 0x11D0, {0xB8, 0x22, 0x00, 0xC0, 0x4F, 0xC9, 0xB3, 0x1F}};
const IID kIMLangConvertCharset = {0xD66D6F98, 0xCDAA, 0x11D0, {0xB8, 0x22, 0x00, 0xC0, 0x4F, 0xC9, 0xB3, 0x1F}};

constexpr UINT kUtf8 = 65001;
constexpr UINT kShiftJis = 932;

// The same conversion through UTF-16 with the code-page functions. Wine's
// converter creates and initialises but answers E_NOTIMPL to DoConversion.
char* convertWithCodePages(const char* utf8) {
    int wideLength = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    if (wideLength <= 0) return nullptr;
    std::unique_ptr<wchar_t[]> wide(new (std::nothrow) wchar_t[static_cast<size_t>(wideLength)]);
    if (!wide || MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide.get(), wideLength) <= 0) return nullptr;
    int length = WideCharToMultiByte(kShiftJis, 0, wide.get(), -1, nullptr, 0, nullptr, nullptr);
    if (length <= 0) return nullptr;
    char* out = new (std::nothrow) char[static_cast<size_t>(length)]();
    if (out == nullptr) return nullptr;
    if (WideCharToMultiByte(kShiftJis, 0, wide.get(), -1, out, length, nullptr, nullptr) <= 0) {
        delete[] out;
        return nullptr;
    }
    return out;
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
