#include "foundation/StringConverter.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <string>

TEST(StringConverter, RoundTripsAnsiText) {
    EXPECT_EQ(StringConverter::toWideChar(nullptr), nullptr);
    EXPECT_EQ(StringConverter::toMultiByte(nullptr), nullptr);

    wchar_t* wide = StringConverter::toWideChar("C:\\Work\\R\xe9sum\xe9.docx");  // é in code page 1252
    ASSERT_NE(wide, nullptr);
    EXPECT_EQ(std::wstring(wide), L"C:\\Work\\R\u00e9sum\u00e9.docx");
    char* narrow = StringConverter::toMultiByte(wide);
    ASSERT_NE(narrow, nullptr);
    EXPECT_STREQ(narrow, "C:\\Work\\R\xe9sum\xe9.docx");
    delete[] wide;
    delete[] narrow;

    wchar_t* empty = StringConverter::toWideChar("");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty[0], L'\0');
    delete[] empty;
}
