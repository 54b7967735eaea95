#include "PasswordGenerator.h"

#include <windows.h>

#include <cstring>

#include "DirectoryObject.h"
#include "Md5Hasher.h"
#include "PasswordComposition.h"
#include "foundation/AnsiCodePage.h"
#include "foundation/String.h"

namespace {

enum class Variant { Office, PdfUser, PdfOwner };

bool derive(Variant variant, const char* fileName, char* output) {
    DirectoryObject directory(".");

    char user[260];
    DWORD userSize = sizeof user;
    if (!GetUserNameA(user, &userSize)) user[0] = '\0';
    user[sizeof user - 1] = '\0';

    String guid;
    if (output == nullptr || !directory.getGuid(guid) || guid.getContents() == nullptr ||
        guid.getContents()[0] == '\0') {
        return false;
    }

    char composed[password::kMaxComposedLength + 1];
    bool fits = false;
    switch (variant) {
        case Variant::Office: fits = password::composeOffice(fileName, guid.getContents(), user, composed); break;
        case Variant::PdfUser: fits = password::composePdfUser(fileName, guid.getContents(), user, composed); break;
        case Variant::PdfOwner: fits = password::composePdfOwner(guid.getContents(), user, composed); break;
    }
    if (!fits) return false;

    char digest[2 * 16 + 1];
    if (!Md5Hasher().toHexDigest(composed, digest)) return false;
    if (variant == Variant::Office) digest[password::kOfficePasswordLength] = '\0';
    std::strcpy(output, digest);
    return true;
}

}  // namespace

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
