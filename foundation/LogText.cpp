#include "LogText.h"

#include <cstdio>
#include <cstring>

std::size_t formatLogMessage(char* buffer, const char* format, va_list args) {
    buffer[0] = '\0';
    if (format == nullptr) return 0;
    int written = std::vsnprintf(buffer, kLogMessageMaxLength + 1, format, args);
    if (written < 0) {
        buffer[0] = '\0';
        return 0;
    }
    std::size_t length = static_cast<std::size_t>(written);
    return length > kLogMessageMaxLength ? kLogMessageMaxLength : length;
}

void formatLogTime(const std::tm& time, char* out) {
    static const char* const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const char* day = (time.tm_wday >= 0 && time.tm_wday < 7) ? days[time.tm_wday] : "???";
    const char* month = (time.tm_mon >= 0 && time.tm_mon < 12) ? months[time.tm_mon] : "???";
    // Fields out of range are folded into their width so that the text keeps
    // its 24 characters.
    auto field = [](int value, unsigned modulus) { return static_cast<unsigned>(value < 0 ? 0 : value) % modulus; };
    std::snprintf(out, kLogTimeTextLength + 1, "%s %s %2u %02u:%02u:%02u %04u ", day, month, field(time.tm_mday, 100),
                  field(time.tm_hour, 100), field(time.tm_min, 100), field(time.tm_sec, 100),
                  field(time.tm_year + 1900, 10000));
}

bool joinLogPath(const char* folder, const char* fileName, char* out) {
    out[0] = '\0';
    std::size_t folderLength = std::strlen(folder);
    std::size_t nameLength = std::strlen(fileName);
    if (folderLength + 1 + nameLength > kLogPathMaxLength) return false;
    std::memcpy(out, folder, folderLength);
    out[folderLength] = '\\';
    std::memcpy(out + folderLength + 1, fileName, nameLength + 1);
    return true;
}

void formatComFallbackMessage(long result, char* out, std::size_t size) {
    unsigned long code = static_cast<unsigned long>(result) & 0xFFFFFFFFul;
    if (code >= 0x80040200ul && code <= 0x8004FFFFul) {
        std::snprintf(out, size, "IDispatch error #%d", static_cast<int>(code - 0x80040200ul));
    } else {
        std::snprintf(out, size, "Unknown error 0x%0lX", code);
    }
}

void removeTrailingLineBreak(char* text) {
    std::size_t length = std::strlen(text);
    if (length > 0 && text[length - 1] == '\n') text[--length] = '\0';
    if (length > 0 && text[length - 1] == '\r') text[--length] = '\0';
}
