#include <gtest/gtest.h>

#include <cstdarg>
#include <cstring>
#include <string>

#include "foundation/LogText.h"

namespace {

std::string format(const char* fmt, ...) {
    static char buffer[kLogMessageBufferSize];
    std::memset(buffer, '#', sizeof buffer);
    va_list args;
    va_start(args, fmt);
    std::size_t length = formatLogMessage(buffer, fmt, args);
    va_end(args);
    EXPECT_EQ(length, std::strlen(buffer));
    return buffer;
}

std::tm makeTime(int year, int month, int day, int weekday, int hour, int minute, int second) {
    std::tm time = {};
    time.tm_year = year - 1900;
    time.tm_mon = month - 1;
    time.tm_mday = day;
    time.tm_wday = weekday;
    time.tm_hour = hour;
    time.tm_min = minute;
    time.tm_sec = second;
    return time;
}

}  // namespace

TEST(LogText, MessagesAreCutAtTheBufferLimit) {
    EXPECT_EQ(format("step %d,%s", 3, "text"), "step 3,text");
    EXPECT_EQ(format("%s", std::string(40000, 'x').c_str()), std::string(30718, 'x'));
    EXPECT_EQ(format("%s", std::string(30718, 'y').c_str()).size(), 30718u);
    EXPECT_EQ(format("%s", std::string(30719, 'z').c_str()).size(), 30718u);
    EXPECT_EQ(format(nullptr), "");
}

TEST(LogText, ClassicTimeText) {
    struct Case {
        std::tm time;
        const char* expected;
    } cases[] = {
        {makeTime(2026, 12, 7, 1, 12, 0, 0), "Mon Dec  7 12:00:00 2026 "},
        {makeTime(2027, 1, 31, 0, 23, 59, 59), "Sun Jan 31 23:59:59 2027 "},
        {makeTime(2026, 6, 1, 6, 0, 5, 9), "Sat Jun  1 00:05:09 2026 "},
    };
    for (const Case& c : cases) {
        char text[kLogTimeTextLength + 1];
        formatLogTime(c.time, text);
        EXPECT_STREQ(text, c.expected);
        EXPECT_EQ(std::strlen(text), kLogTimeTextLength);
    }
    // Fields out of range never write past the text.
    std::tm odd = makeTime(123456, 13, 123, 9, 99, 99, 99);
    char text[kLogTimeTextLength + 1];
    formatLogTime(odd, text);
    EXPECT_EQ(std::strlen(text), kLogTimeTextLength);
}

TEST(LogText, PathLimit) {
    char path[kLogPathMaxLength + 1];
    ASSERT_TRUE(joinLogPath(".\\", "Tarnwick.log", path));
    EXPECT_STREQ(path, ".\\\\Tarnwick.log");
    std::string folder(250, 'f');
    ASSERT_TRUE(joinLogPath(folder.c_str(), "12345678", path));
    EXPECT_EQ(std::strlen(path), 259u);
    EXPECT_FALSE(joinLogPath(folder.c_str(), "123456789", path));
    EXPECT_STREQ(path, "");
}

TEST(LogText, ComErrorFallbacks) {
    struct Case {
        long result;
        const char* expected;
    } cases[] = {
        {static_cast<long>(0x80040200ul), "IDispatch error #0"},
        {static_cast<long>(0x80040201ul), "IDispatch error #1"},
        {static_cast<long>(0x8004FFFFul), "IDispatch error #65023"},
        {static_cast<long>(0x800401FFul), "Unknown error 0x800401FF"},
        {static_cast<long>(0x80050000ul), "Unknown error 0x80050000"},
        {1, "Unknown error 0x1"},
    };
    for (const Case& c : cases) {
        char text[64];
        formatComFallbackMessage(c.result, text, sizeof text);
        EXPECT_STREQ(text, c.expected);
    }
    char message[] = "Invalid pointer\r\n";
    removeTrailingLineBreak(message);
    EXPECT_STREQ(message, "Invalid pointer");
}
