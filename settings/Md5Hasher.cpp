#include "Md5Hasher.h"

#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <cstring>

#include "PasswordComposition.h"

bool Md5Hasher::toHexDigest(const char* text, char* out) {
    if (text == nullptr || out == nullptr) return false;
    HCRYPTPROV provider = 0;
    if (!CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) {
        std::printf("CryptAcquireContext failed: %d\n", static_cast<int>(GetLastError()));
        std::fflush(stdout);
        return false;
    }
    bool done = false;
    HCRYPTHASH hash = 0;
    if (!CryptCreateHash(provider, CALG_MD5, 0, 0, &hash)) {
        std::printf("CryptCreateHash failed: %d\n", static_cast<int>(GetLastError()));
    } else {
        BYTE value[16];
        DWORD length = sizeof value;
        if (!CryptHashData(hash, reinterpret_cast<const BYTE*>(text), static_cast<DWORD>(std::strlen(text)), 0)) {
            std::printf("CryptHashData failed: %d\n", static_cast<int>(GetLastError()));
        } else if (!CryptGetHashParam(hash, HP_HASHVAL, value, &length, 0)) {
            std::printf("CryptGetHashParam failed: %d\n", static_cast<int>(GetLastError()));
        } else {
            std::printf("Len=%d MD5 \n", static_cast<int>(length));
            password::renderHex(value, length, out);
            done = true;
        }
        CryptDestroyHash(hash);
    }
    std::fflush(stdout);
    CryptReleaseContext(provider, 0);
    return done;
}
