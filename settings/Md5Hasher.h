#pragma once

#include "foundation/Object.h"

// MD5 through CryptoAPI, rendered as 32 lower-case hex characters.
class Md5Hasher : public Object {
public:
    // Hashes text without its terminator; out holds at least 33 bytes. False,
    // with a diagnostic on standard output, when the provider fails.
    bool toHexDigest(const char* text, char* out);
};
