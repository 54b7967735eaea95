#pragma once

#include <windows.h>
#include <oleauto.h>
#include <wincrypt.h>

#include "UniqueAny.h"

namespace handles {

template <typename T, auto Close, T Invalid = T{}>
struct Traits {
    static T invalid() { return Invalid; }
    static bool isValid(T value) { return value != Invalid; }
    static void close(T value) { Close(value); }
};

struct FileTraits {
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static bool isValid(HANDLE value) { return value != INVALID_HANDLE_VALUE && value != nullptr; }
    static void close(HANDLE value) { CloseHandle(value); }
};

inline void closeHandle(HANDLE h) { CloseHandle(h); }
inline void closeKey(HKEY k) { RegCloseKey(k); }
inline void deleteObject(HGDIOBJ o) { DeleteObject(o); }
inline void destroyMenu(HMENU m) { DestroyMenu(m); }
inline void destroyIcon(HICON i) { DestroyIcon(i); }
inline void freeLibrary(HMODULE m) { FreeLibrary(m); }
inline void freeString(BSTR s) { SysFreeString(s); }
inline void freeCoTaskMem(void* p) { CoTaskMemFree(p); }
template <typename P>
void freeCoTaskMemAs(P p) {
    CoTaskMemFree(p);
}
inline void releaseCryptProvider(HCRYPTPROV p) { CryptReleaseContext(p, 0); }
inline void destroyCryptHash(HCRYPTHASH h) { CryptDestroyHash(h); }

}  // namespace handles

// A kernel handle where null means none (threads, processes, events, mutexes).
using unique_handle = unique_any<HANDLE, handles::Traits<HANDLE, handles::closeHandle>>;
// A file handle, where INVALID_HANDLE_VALUE means none.
using unique_hfile = unique_any<HANDLE, handles::FileTraits>;
using unique_hkey = unique_any<HKEY, handles::Traits<HKEY, handles::closeKey>>;
using unique_hfont = unique_any<HFONT, handles::Traits<HFONT, handles::deleteObject>>;
using unique_hbitmap = unique_any<HBITMAP, handles::Traits<HBITMAP, handles::deleteObject>>;
using unique_hicon = unique_any<HICON, handles::Traits<HICON, handles::destroyIcon>>;
using unique_hmenu = unique_any<HMENU, handles::Traits<HMENU, handles::destroyMenu>>;
using unique_hmodule = unique_any<HMODULE, handles::Traits<HMODULE, handles::freeLibrary>>;
using unique_bstr = unique_any<BSTR, handles::Traits<BSTR, handles::freeString>>;
using unique_cotaskmem = unique_any<void*, handles::Traits<void*, handles::freeCoTaskMem>>;
// Memory from the COM task allocator kept as the pointer type P it was
// given as (PIDLIST_ABSOLUTE from the shell, for instance).
template <typename P>
using unique_cotaskmem_ptr = unique_any<P, handles::Traits<P, handles::freeCoTaskMemAs<P>>>;
using unique_hcryptprov = unique_any<HCRYPTPROV, handles::Traits<HCRYPTPROV, handles::releaseCryptProvider>>;
using unique_hcrypthash = unique_any<HCRYPTHASH, handles::Traits<HCRYPTHASH, handles::destroyCryptHash>>;

struct FindTraits {
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static bool isValid(HANDLE value) { return value != INVALID_HANDLE_VALUE; }
    static void close(HANDLE value) { FindClose(value); }
};
using unique_hfind = unique_any<HANDLE, FindTraits>;

// A VARIANT that clears itself.
class unique_variant : public VARIANT {
public:
    unique_variant() { VariantInit(this); }
    ~unique_variant() { VariantClear(this); }
    unique_variant(const unique_variant&) = delete;
    unique_variant& operator=(const unique_variant&) = delete;
    void reset() { VariantClear(this); }
};
