#include "Md5Hasher.h"

#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <cstring>

#include "PasswordComposition.h"
#include "foundation/WinHandles.h"

namespace {

bool report(const char* call) {
    std::printf("%s failed: %d\n", call, static_cast<int>(GetLastError()));
    std::fflush(stdout);
    return false;
}

}  // namespace

bool Md5Hasher::toHexDigest(const char* text, char* out) {
    if (text == nullptr || out == nullptr) return false;
    unique_hcryptprov provider;
    if (!CryptAcquireContextA(provider.put(), nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) {
        return report("CryptAcquireContext");
    }
    unique_hcrypthash hash;
    if (!CryptCreateHash(provider.get(), CALG_MD5, 0, 0, hash.put())) return report("CryptCreateHash");
    if (!CryptHashData(hash.get(), reinterpret_cast<const BYTE*>(text), static_cast<DWORD>(std::strlen(text)), 0)) {
        return report("CryptHashData");
    }
    BYTE value[16];
    DWORD length = sizeof value;
    if (!CryptGetHashParam(hash.get(), HP_HASHVAL, value, &length, 0)) return report("CryptGetHashParam");
    std::printf("Len=%d MD5 \n", static_cast<int>(length));
    std::fflush(stdout);
    password::renderHex(value, length, out);
    return true;
}
