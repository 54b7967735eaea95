#include "RegistryText.h"

#include <climits>
#include <cstdio>
#include <cstring>

namespace {

bool isTrimmed(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool isDigit(char c) { return c >= '0' && c <= '9'; }

int clampToInt(long long value) {
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

// Parses an optional sign and digits at text. Returns the position after
// them, or null when no digit follows.
const char* readNumber(const char* text, int& value) {
    const char* p = text;
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    if (!isDigit(*p)) return nullptr;
    long long magnitude = 0;
    for (; isDigit(*p); ++p) {
        // Past the int range the exact value no longer matters.
        if (magnitude <= static_cast<long long>(INT_MAX) + 1) magnitude = magnitude * 10 + (*p - '0');
    }
    value = clampToInt(negative ? -magnitude : magnitude);
    return p;
}

const char* skipBlanks(const char* p) {
    while (*p == ' ' || *p == '\t') ++p;
    return p;
}

}  // namespace

std::size_t trimRegistryText(char* text) {
    if (text == nullptr) return 0;
    std::size_t start = 0;
    while (text[start] != '\0' && isTrimmed(text[start])) ++start;
    std::size_t length = std::strlen(text + start);
    while (length > 0 && isTrimmed(text[start + length - 1])) --length;
    std::memmove(text, text + start, length);
    text[length] = '\0';
    return length;
}

int parseDecimalNumber(const char* text) {
    if (text == nullptr) return 0;
    int value = 0;
    if (readNumber(skipBlanks(text), value) == nullptr) return 0;
    return value;
}

int parseGeometry(const char* text, int values[4]) {
    if (text == nullptr) return 0;
    const char* p = text;
    int count = 0;
    while (count < 4) {
        int value = 0;
        const char* next = readNumber(skipBlanks(p), value);
        if (next == nullptr) break;
        values[count++] = value;
        p = next;
    }
    return count;
}

bool formatGeometry(char* buffer, std::size_t size, int left, int top, int right, int bottom) {
    if (buffer == nullptr || size == 0) return false;
    int width = clampToInt(static_cast<long long>(right) - left);
    int height = clampToInt(static_cast<long long>(bottom) - top);
    int written = std::snprintf(buffer, size, "%d %d %d %d", left, top, width, height);
    return written >= 0 && static_cast<std::size_t>(written) < size;
}

std::wstring moduleNameFromPath(const wchar_t* path) {
    if (path == nullptr) return std::wstring();
    std::wstring name(path);
    std::size_t slash = name.find_last_of(L'\\');
    if (slash != std::wstring::npos) name.erase(0, slash + 1);
    std::size_t dot = name.find_last_of(L'.');
    if (dot != std::wstring::npos) name.erase(dot);
    return name;
}
