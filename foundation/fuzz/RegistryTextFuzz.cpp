// Registry values, log configuration and folder paths are text written by
// other programs or users: any bytes must trim, parse and scan without
// faults, and every result must stay inside the text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "foundation/LogText.h"
#include "foundation/PathScan.h"
#include "foundation/RegistryText.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

void scan(const std::string& text, const DoubleByteRule& rule) {
    const char* begin = text.c_str();
    const char* end = begin + std::strlen(begin);
    for (const char* p = findPathSeparator(begin, rule); p != nullptr; p = findPathSeparator(p + 1, rule)) {
        check(p >= begin && p < end && *p == '\\');
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    std::string trimmed = text;
    std::size_t length = trimRegistryText(&trimmed[0]);
    check(length == std::strlen(trimmed.c_str()) && length <= std::strlen(text.c_str()));
    if (length > 0) {
        check(trimmed[0] != ' ' && trimmed[0] != '\t' && trimmed[0] != '\r' && trimmed[0] != '\n');
    }

    parseDecimalNumber(text.c_str());
    int values[4] = {0, 0, 0, 0};
    int count = parseGeometry(text.c_str(), values);
    check(count >= 0 && count <= 4);
    char formatted[64];
    check(formatGeometry(formatted, sizeof formatted, values[0], values[1], values[2], values[3]));

    scan(text, kShiftJisRule);
    scan(text, kSingleByteRule);

    char path[kLogPathMaxLength + 1];
    if (joinLogPath(text.c_str(), "name.log", path)) check(std::strlen(path) <= kLogPathMaxLength);
    return 0;
}
