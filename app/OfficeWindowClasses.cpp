#include "OfficeWindowClasses.h"

#include "classify/FileType.h"

namespace {

struct OfficeClass {
    const char* className;
    KindApplication application;
};

const OfficeClass kOfficeClasses[] = {
    {"OpusApp", KindApplication::Word},
    {"PP11FrameClass", KindApplication::PowerPoint},
    {"PP12FrameClass", KindApplication::PowerPoint},
    {"XLMAIN", KindApplication::Excel},
};

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Window class names are compared by the system without regard to ASCII
// case; bytes beyond ASCII must match exactly.
bool equalIgnoringCase(const char* first, const char* second) {
    for (; *first != '\0' && *second != '\0'; ++first, ++second) {
        if (lowerAscii(*first) != lowerAscii(*second)) return false;
    }
    return *first == *second;
}

}  // namespace

const char* officeExtensionOfWindowClass(const char* className) {
    if (className == nullptr) return nullptr;
    for (const OfficeClass& entry : kOfficeClasses) {
        if (equalIgnoringCase(className, entry.className)) return binaryExtensionOf(entry.application);
    }
    return nullptr;
}
