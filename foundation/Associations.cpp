#include "Associations.h"

#include <windows.h>

#include <string>

#include "Registry.h"

namespace {

constexpr DWORD kExpandedSize = 1024;

bool findProgramToken(const char* extension, String& token) {
    if (extension == nullptr) return false;
    ClassesRootRegistry registry;
    String typeName;
    if (!registry.getString(extension, "", typeName)) return false;
    std::string commandKey = std::string(typeName.getContents()) + "\\shell\\open\\command";
    String command;
    if (!registry.getString(commandKey.c_str(), "", command)) return false;
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
