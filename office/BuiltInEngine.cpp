// The built-in engine: the document encrypted or decrypted by doccrypt/,
// without any Office application. The new document is written beside the
// old one and then takes its place, as the applications' saves do.

#include <algorithm>
#include <string>

#include "doccrypt/DocumentCrypt.h"
#include "foundation/Log.h"
#include "foundation/WinHandles.h"
#include "office/OfficeApplication.h"
#include "office/OfficeRules.h"

using namespace office_codes;

namespace {

constexpr LONGLONG kMaxDocument = 1ll << 30;

int codeFor(doccrypt::Outcome outcome) {
    switch (outcome) {
        case doccrypt::Outcome::Ok: return kSuccess;
        case doccrypt::Outcome::WrongPassword: return kBuiltInWrongPassword;
        case doccrypt::Outcome::Damaged: return kBuiltInDamagedFile;
        case doccrypt::Outcome::UnknownCipher: return kBuiltInUnknownCipher;
        case doccrypt::Outcome::RightsManaged: return kBuiltInRightsManaged;
        case doccrypt::Outcome::NotEncryptable: return kBuiltInNotEncryptable;
        case doccrypt::Outcome::Failed: break;
    }
    return kBuiltInPlatformFailed;
}

// Moves size bytes in pieces of at most 16 MB, one call of move(done, want,
// moved) each; false when a call fails or moves nothing.
template <typename Move>
bool inPieces(std::size_t size, Move move) {
    std::size_t done = 0;
    while (done < size) {
        DWORD moved = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size - done, 1u << 24));
        if (!move(done, want, moved) || moved == 0) return false;
        done += moved;
    }
    return true;
}

bool readWholeFile(const char* path, doccrypt::Bytes& out) {
    unique_hfile file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
    LARGE_INTEGER size;
    if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart > kMaxDocument) return false;
    out.resize(static_cast<std::size_t>(size.QuadPart));
    return inPieces(out.size(), [&](std::size_t done, DWORD want, DWORD& got) {
        return ReadFile(file.get(), out.data() + done, want, &got, nullptr) != FALSE;
    });
}

// A new file, never one that exists; false when it is not written whole.
bool writeNewFile(const std::string& path, const doccrypt::Bytes& data) {
    unique_hfile file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    return inPieces(data.size(),
                    [&](std::size_t done, DWORD want, DWORD& wrote) {
                        return WriteFile(file.get(), data.data() + done, want, &wrote, nullptr) != FALSE;
                    }) &&
           FlushFileBuffers(file.get()) != FALSE;
}

// The derived password as the formats hash it: the same characters the
// applications receive through automation.
std::u16string passwordText(const char* password) {
    std::u16string out;
    int n = MultiByteToWideChar(CP_ACP, 0, password, -1, nullptr, 0);
    if (n <= 1) return out;
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, password, -1, &wide[0], n);
    out.assign(wide.begin(), wide.end() - 1);
    SecureZeroMemory(&wide[0], wide.size() * sizeof(wchar_t));
    return out;
}

}  // namespace

int OfficeApplication::builtInEngine(const char* filePath, const char* password, bool encrypt) {
    const char* method = encrypt ? "protectBuiltIn" : "unprotectBuiltIn";
    logDebug("OfficeApplication#%s,1,Start %s", method, filePath);
    doccrypt::Bytes original;
    if (!readWholeFile(filePath, original)) {
        logError("OfficeApplication#%s,2,Failed to read %s error=%u", method, filePath,
                 static_cast<unsigned>(GetLastError()));
        return kBuiltInReadFailed;
    }
    doccrypt::Bytes changed;
    bool wasEncrypted = true;
    std::u16string text = passwordText(password);
    doccrypt::Result outcome =
        encrypt ? doccrypt::encryptDocument(original, text, doccrypt::systemRandom, changed)
                : doccrypt::decryptDocument(original, text, changed, wasEncrypted);
    if (!text.empty()) SecureZeroMemory(&text[0], text.size() * sizeof(char16_t));
    if (outcome.outcome != doccrypt::Outcome::Ok) {
        logError("OfficeApplication#%s,3,Not %s: %s (%s) file=%s", method, encrypt ? "encrypted" : "decrypted",
                 doccrypt::outcomeName(outcome.outcome), outcome.reason.c_str(), filePath);
        return codeFor(outcome.outcome);
    }
    if (!wasEncrypted) {
        // Nothing to take off: the document stays as it is.
        logDebug("OfficeApplication#%s,4,Not encrypted, left as it is %s", method, filePath);
        return kSuccess;
    }
    const std::string temporary = appendedTemporaryFor(filePath);
    if (temporary.empty() || !writeNewFile(temporary, changed)) {
        logError("OfficeApplication#%s,5,Failed to write %s error=%u", method, temporary.c_str(),
                 static_cast<unsigned>(GetLastError()));
        discardUnusedTemporary(kBuiltInWriteFailed, temporary);
        return kBuiltInWriteFailed;
    }
    const int result =
        placeSavedFile(method, filePath, temporary, 6, kBuiltInDocumentNotDeleted, kBuiltInTemporaryNotMoved);
    discardUnusedTemporary(result, temporary);
    logDebug("OfficeApplication#%s,9,End rc=%d", method, result);
    return result;
}
