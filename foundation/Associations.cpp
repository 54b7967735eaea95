#include "Associations.h"

#include <windows.h>

#include <string>

#include "Registry.h"

namespace {

constexpr DWORD kExpandedSize = 1024;

// A class key's default value as Windows' merged HKEY_CLASSES_ROOT shows
// it: the user's own classes (HKCU\Software\Classes) before the machine's.
// Wine's HKEY_CLASSES_ROOT is the machine's alone, so the user's are asked
// first here; on Windows the answer is the same.
bool classDefault(const std::string& subKey, String& value) {
    if (CurrentUserRegistry().getString(("Software\\Classes\\" + subKey).c_str(), "", value)) return true;
    return ClassesRootRegistry().getString(subKey.c_str(), "", value);
}

bool findProgramToken(const char* extension, String& token) {
    if (extension == nullptr) return false;
    String typeName;
    if (!classDefault(extension, typeName)) return false;
    String command;
    if (!classDefault(std::string(typeName.getContents()) + "\\shell\\open\\command", command)) return false;
    StringTokenizer tokenizer(command.getContents());
    String first;
    if (tokenizer.getToken(first) == nullptr || first.getLength() == 0) return false;
    token = first;
    return true;
}

}  // namespace

bool findAssociatedProgramName(const char* extension, String& program) {
    try {
        String token;
        if (!findProgramToken(extension, token)) return false;
        program = token;
        return true;
    } catch (...) {
        return false;
    }
}

bool findAssociatedProgram(const char* extension, String& program) {
    try {
        String token;
        if (!findProgramToken(extension, token)) return false;
        char expanded[kExpandedSize];
        DWORD needed = ExpandEnvironmentStringsA(token.getContents(), expanded, kExpandedSize);
        // A result that does not fit is no program path at all.
        if (needed == 0 || needed > kExpandedSize) return false;
        program = expanded;
        return true;
    } catch (...) {
        return false;
    }
}
