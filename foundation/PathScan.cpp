#include "PathScan.h"

namespace {

bool shiftJisLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool shiftJisTrail(unsigned char b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC); }
bool never(unsigned char) { return false; }

}  // namespace

const DoubleByteRule kShiftJisRule = {shiftJisLead, shiftJisTrail};
const DoubleByteRule kSingleByteRule = {never, never};

const char* findPathSeparator(const char* text, const DoubleByteRule& rule) {
    if (text == nullptr) return nullptr;
    for (const char* p = text; *p != '\0'; ++p) {
        auto byte = static_cast<unsigned char>(p[0]);
        if (rule.isLeadByte(byte) && p[1] != '\0' && rule.isTrailByte(static_cast<unsigned char>(p[1]))) {
            ++p;
            continue;
        }
        if (byte == '\\') return p;
    }
    return nullptr;
}

const char* fileNameOfPath(const char* path, const DoubleByteRule& rule) {
    const char* name = path;
    for (const char* p = findPathSeparator(path, rule); p != nullptr; p = findPathSeparator(p + 1, rule)) {
        name = p + 1;
    }
    return name;
}
