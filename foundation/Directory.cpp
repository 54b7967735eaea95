#include "Directory.h"

#include "AnsiCodePage.h"

#include <cstring>

namespace {

bool pathExists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

Directory::Directory(const char* path) : path_(path != nullptr ? path : "") {}

bool Directory::exists() { return pathExists(path_.getContents()); }

bool Directory::create(SECURITY_ATTRIBUTES* attributes) {
    const char* path = path_.getContents();
    int length = path_.getLength();
    if (length == 0 || std::strcmp(path, ".") == 0 || std::strcmp(path, "..") == 0) return false;
    // A longer path cannot be created through the ANSI calls; cutting it
    // would create some other folder.
    if (length >= MAX_PATH) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    char work[MAX_PATH];
    std::memcpy(work, path, static_cast<size_t>(length) + 1);
    const DoubleByteRule rule = doubleByteRuleFor(GetACP());

    // Every level but the last ends at a separator; the first character is
    // skipped so that a leading backslash is no level of its own.
    for (char* separator = findPathSeparator(work + 1, rule); separator != nullptr;
         separator = findPathSeparator(separator + 1, rule)) {
        *separator = '\0';
        bool made = pathExists(work) || CreateDirectoryA(work, attributes) != FALSE;
        *separator = '\\';
        if (!made) return false;
    }
    if (pathExists(work)) return true;
    return CreateDirectoryA(work, attributes) != FALSE;
}
