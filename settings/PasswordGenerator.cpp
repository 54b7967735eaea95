#include "PasswordGenerator.h"

#include <windows.h>

#include <cstring>
#include <string>

#include "DirectoryObject.h"
#include "Md5Hasher.h"
#include "PasswordComposition.h"
#include "foundation/AnsiCodePage.h"
#include "foundation/String.h"

namespace {

enum class Variant { Office, PdfUser, PdfOwner };

// The machine identity of this thread's open IdentityScope.
struct IdentityCache {
    int depth = 0;
    bool known = false;
    std::string guid;
};
thread_local IdentityCache identityCache;

// The directory GUID of this machine; false when it cannot be read or is empty.
bool machineGuid(std::string& out) {
    if (identityCache.depth > 0 && identityCache.known) {
        out = identityCache.guid;
        return true;
    }
    DirectoryObject directory(".");
    String guid;
    if (!directory.getGuid(guid) || guid.getContents() == nullptr || guid.getContents()[0] == '\0') return false;
    out = guid.getContents();
    if (identityCache.depth > 0) {
        identityCache.guid = out;
        identityCache.known = true;
    }
    return true;
}

bool derive(Variant variant, const char* fileName, char* output) {
    char user[260];
    DWORD userSize = sizeof user;
    if (!GetUserNameA(user, &userSize)) user[0] = '\0';
    user[sizeof user - 1] = '\0';

    std::string identity;
    if (output == nullptr || !machineGuid(identity)) return false;
    const char* guid = identity.c_str();

    char composed[password::kMaxComposedLength + 1];
    bool fits = false;
    switch (variant) {
        case Variant::Office: fits = password::composeOffice(fileName, guid, user, composed); break;
        case Variant::PdfUser: fits = password::composePdfUser(fileName, guid, user, composed); break;
        case Variant::PdfOwner: fits = password::composePdfOwner(guid, user, composed); break;
    }
    if (!fits) return false;

    char digest[2 * 16 + 1];
    if (!Md5Hasher().toHexDigest(composed, digest)) return false;
    if (variant == Variant::Office) digest[password::kOfficePasswordLength] = '\0';
    std::strcpy(output, digest);
    return true;
}

}  // namespace

PasswordGenerator::IdentityScope::IdentityScope() { ++identityCache.depth; }

PasswordGenerator::IdentityScope::~IdentityScope() {
    if (--identityCache.depth == 0) {
        identityCache.known = false;
        identityCache.guid.clear();
    }
}

bool PasswordGenerator::getOfficePassword(const char* fileName, char* output) {
    return derive(Variant::Office, fileName, output);
}

bool PasswordGenerator::getPdfUserPassword(const char* fileName, char* output) {
    return derive(Variant::PdfUser, fileName, output);
}

bool PasswordGenerator::getPdfOwnerPassword(char* output) { return derive(Variant::PdfOwner, nullptr, output); }

bool PasswordGenerator::getOfficePasswordForPath(const char* path, char* output) {
    return getOfficePassword(ansiFileNameOfPath(path), output);
}

bool PasswordGenerator::getPdfUserPasswordForPath(const char* path, char* output) {
    return getPdfUserPassword(ansiFileNameOfPath(path), output);
}
