#include "settings/TarnwickRegistry.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

const char TarnwickRegistry::kKey[] = "SOFTWARE\\Merrowind\\Application\\Tarnwick\\Config";

namespace {

const char kTrue[] = "true";
const char kFalse[] = "false";

}  // namespace

TarnwickRegistry::TarnwickRegistry() { createKey(kKey); }

TarnwickRegistry::~TarnwickRegistry() = default;

bool TarnwickRegistry::readFlag(const char* name, bool whenAbsent) {
    String value;
    if (!getString(kKey, name, value)) return whenAbsent;
    return value.equals(kTrue);
}

bool TarnwickRegistry::writeFlag(const char* name, bool value) { return setString(kKey, name, value ? kTrue : kFalse); }

bool TarnwickRegistry::isDonotUpdateFileTime() { return readFlag("DonotUdateFileTime", false); }

bool TarnwickRegistry::setDonotUpdateFileTime(bool keep) { return writeFlag("DonotUdateFileTime", keep); }

bool TarnwickRegistry::getPathForPDFTK(String& path) { return getString(kKey, "PathForPDFTK", path); }

bool TarnwickRegistry::setPathForPDFTK(const char* path) {
    return path != nullptr && setString(kKey, "PathForPDFTK", path);
}

bool TarnwickRegistry::isPrinting() { return readFlag("Printing", true); }

bool TarnwickRegistry::setPrinting(bool allowed) { return writeFlag("Printing", allowed); }

bool TarnwickRegistry::isCopyContents() { return readFlag("CopyContents", true); }

bool TarnwickRegistry::setCopyContents(bool allowed) { return writeFlag("CopyContents", allowed); }

bool TarnwickRegistry::getWorkingFolder(String& folder) {
    if (getString(kKey, "WorkingFolder", folder)) return true;

    char profile[260] = {};
    DWORD length = GetEnvironmentVariableA("USERPROFILE", profile, sizeof profile);
    // Zero: missing or empty; sizeof or more: too long for the buffer.
    if (length == 0 || length >= sizeof profile) return false;

    char path[sizeof profile + 8];
    std::snprintf(path, sizeof path, "%s\\twk", profile);
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) CreateDirectoryA(path, nullptr);
    // Only a folder will do: files are moved into it later.
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return false;
    folder = path;
    return true;
}

int TarnwickRegistry::getMacroSecurityLevel() {
    int level = 0;
    if (!getInteger(kKey, "MacroSecurityLevel", level)) return 3;
    return level < 1 || level > 3 ? 3 : level;
}

bool TarnwickRegistry::isBuiltInEngine() {
    int engine = 0;
    return getInteger(kKey, "EncryptionEngine", engine) && engine == 1;
}

bool TarnwickRegistry::setBuiltInEngine(bool builtIn) { return setInteger(kKey, "EncryptionEngine", builtIn ? 1 : 0); }

bool TarnwickRegistry::getInitialFolder(String& folder) { return getString(kKey, "InitialFolder", folder); }

bool TarnwickRegistry::setInitialFolder(const char* folder) {
    return folder != nullptr && setString(kKey, "InitialFolder", folder);
}
