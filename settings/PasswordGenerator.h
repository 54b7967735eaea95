#pragma once

#include "foundation/Object.h"

// Derives passwords from the user name, the machine's directory GUID, fixed
// pieces and (for two variants) the file name. Thread-safe. Every operation
// returns true when it wrote the password; on false the output is untouched.
class PasswordGenerator : public Object {
public:
    // While one lives on a thread, that thread's derivations ask the
    // directory service for the machine's identity once and reuse it: a job
    // holds one for its run. Scopes nest; a failed look-up is not kept.
    class IdentityScope {
    public:
        IdentityScope();
        ~IdentityScope();
        IdentityScope(const IdentityScope&) = delete;
        IdentityScope& operator=(const IdentityScope&) = delete;
    };

    // 15 lower-case hex characters; output holds at least 16 bytes.
    static bool getOfficePassword(const char* fileName, char* output);
    // 32 lower-case hex characters; output holds at least 33 bytes.
    static bool getPdfUserPassword(const char* fileName, char* output);
    static bool getPdfOwnerPassword(char* output);

    // The same for a full path: the file name is the part after its last
    // backslash.
    static bool getOfficePasswordForPath(const char* path, char* output);
    static bool getPdfUserPasswordForPath(const char* path, char* output);
};
