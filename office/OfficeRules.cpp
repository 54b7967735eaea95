#include "OfficeRules.h"

#include <cstring>

#include "classify/FileType.h"

namespace office_rules {

Engine engineFor(const char* path) {
    const FileKind* kind = fileKindOf(path);
    if (kind == nullptr) return Engine::None;
    switch (kind->application) {
        case KindApplication::Word: return Engine::Word;
        case KindApplication::PowerPoint: return Engine::PowerPoint;
        case KindApplication::Excel: return Engine::Excel;
        case KindApplication::None:
        case KindApplication::Pdf: break;
    }
    return Engine::None;
}

bool isSupported(const char* path) { return engineFor(path) != Engine::None; }

bool isPre2007(const char* path) {
    const FileKind* kind = fileKindOf(path);
    return kind != nullptr && kind->isOfficeDocument() && kind->format == KindFormat::Binary;
}

std::string extensionOf(const char* path) {
    if (path == nullptr) return std::string();
    const char* dot = std::strrchr(path, '.');
    return dot != nullptr ? std::string(dot) : std::string();
}

std::string backupPath(const char* path, const char* guid) {
    return std::string(path) + "." + guid + extensionOf(path);
}

std::string wordTemporaryPath(const char* path, const char* guid) {
    return std::string(path) + "." + guid + ".doc";
}

std::string appendedTemporaryPath(const char* path, const char* guid) {
    return std::string(path) + guid + extensionOf(path);
}

bool isPathTooLong(const char* path) {
    if (path == nullptr) return true;
    std::size_t length = std::strlen(path);
    if (length >= kPathBufferSize) return true;
    // The backup name is the longest of the derived names: one dot, the GUID
    // and the extension (Word's ".doc" is never longer than that).
    std::size_t longest = length + 1 + kGuidTextLength + extensionOf(path).size();
    if (extensionOf(path).size() < 4) longest = length + 1 + kGuidTextLength + 4;
    return longest >= kPathBufferSize;
}

int excelSaveFormat(int fileFormat) { return fileFormat >= 1 && fileFormat <= 43 ? -4143 : fileFormat; }

std::string maskedPassword(const char* password) {
    return std::string(password != nullptr ? std::strlen(password) : 0, '*');
}

}  // namespace office_rules
