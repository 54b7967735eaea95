#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "foundation/RegistryText.h"

TEST(RegistryText, Trimming) {
    struct Case {
        const char* stored;
        const char* expected;
    } cases[] = {
        {" C:\\Work\r\n", "C:\\Work"},
        {"   ", ""},
        {"\t\r\n \t", ""},
        {"", ""},
        {"inner  blanks stay", "inner  blanks stay"},
        {"\tx", "x"},
        {"x\n", "x"},
    };
    for (const Case& c : cases) {
        char buffer[64];
        std::strcpy(buffer, c.stored);
        EXPECT_EQ(trimRegistryText(buffer), std::strlen(c.expected)) << '"' << c.stored << '"';
        EXPECT_STREQ(buffer, c.expected);
    }
    EXPECT_EQ(trimRegistryText(nullptr), 0u);
}

TEST(RegistryText, DecimalNumbers) {
    struct Case {
        const char* text;
        int expected;
    } cases[] = {
        {"42", 42},       {"-7", -7},   {"+9", 9},   {"12abc", 12},
        {"abc", 0},       {"", 0},      {"-", 0},    {" 5", 5},
        {"2147483647", INT_MAX},        {"99999999999999999999", INT_MAX},
        {"-2147483648", INT_MIN},       {"-99999999999999999999", INT_MIN},
    };
    for (const Case& c : cases) EXPECT_EQ(parseDecimalNumber(c.text), c.expected) << c.text;
    EXPECT_EQ(parseDecimalNumber(nullptr), 0);
}

TEST(RegistryText, GeometryParsing) {
    struct Case {
        const char* text;
        int count;
        int values[4];
    } cases[] = {
        {"10 20 300 200", 4, {10, 20, 300, 200}},
        {"-8 -8 1296 1010", 4, {-8, -8, 1296, 1010}},
        {"10 20", 2, {10, 20, -1, -1}},
        {"10 x 300 200", 1, {10, -1, -1, -1}},
        {"", 0, {-1, -1, -1, -1}},
        {"1 2 3 4 5", 4, {1, 2, 3, 4}},
        {"  1\t2 3  4", 4, {1, 2, 3, 4}},
    };
    for (const Case& c : cases) {
        int values[4] = {-1, -1, -1, -1};
        EXPECT_EQ(parseGeometry(c.text, values), c.count) << c.text;
        for (int i = 0; i < 4; ++i) EXPECT_EQ(values[i], c.values[i]) << c.text << " #" << i;
    }
}

TEST(RegistryText, GeometryFormatting) {
    char text[64];
    ASSERT_TRUE(formatGeometry(text, sizeof text, 50, 60, 850, 660));
    EXPECT_STREQ(text, "50 60 800 600");
    ASSERT_TRUE(formatGeometry(text, sizeof text, INT_MIN, 0, INT_MAX, 0));
    EXPECT_STREQ(text, "-2147483648 0 2147483647 0");
    char small[8];
    EXPECT_FALSE(formatGeometry(small, sizeof small, 50, 60, 850, 660));
}

TEST(RegistryText, ModuleNames) {
    EXPECT_EQ(moduleNameFromPath(L"C:\\Program Files\\Merrowind\\Tarnwick.exe"), L"Tarnwick");
    EXPECT_EQ(moduleNameFromPath(L"C:\\dir.d\\program"), L"program");
    EXPECT_EQ(moduleNameFromPath(L"C:\\a\\name.v2.exe"), L"name.v2");
    EXPECT_EQ(moduleNameFromPath(L"bare.exe"), L"bare");
    EXPECT_EQ(moduleNameFromPath(nullptr), L"");
}
