#include "AnsiCodePage.h"

#include <windows.h>

namespace {

// Lead bytes of the code page in use (when not Shift_JIS): any following
// byte but the terminator completes the character, as CharNextA does.
bool anyTrailByte(unsigned char byte) { return byte != 0; }

}  // namespace

bool isAnsiLeadByte(unsigned char byte) { return IsDBCSLeadByteEx(CP_ACP, byte) != FALSE; }

DoubleByteRule doubleByteRuleFor(unsigned codePage) {
    if (codePage == 932) return kShiftJisRule;
    CPINFO info;
    if (GetCPInfo(codePage, &info) && info.MaxCharSize > 1 && codePage == GetACP()) {
        return DoubleByteRule{isAnsiLeadByte, anyTrailByte};
    }
    return kSingleByteRule;
}

const char* ansiFileNameOfPath(const char* path) { return fileNameOfPath(path, doubleByteRuleFor(GetACP())); }
