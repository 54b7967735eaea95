#include "foundation/String.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "foundation/Exception.h"

TEST(String, TextOrNone) {
    String none;
    EXPECT_EQ(none.getContents(), nullptr);
    EXPECT_EQ(none.getLength(), 0);
    EXPECT_FALSE(none.equals(""));
    EXPECT_FALSE(none.equals(nullptr));

    String empty("");
    ASSERT_NE(empty.getContents(), nullptr);
    EXPECT_STREQ(empty.getContents(), "");
    EXPECT_TRUE(empty.equals(""));

    String fromNull(static_cast<const char*>(nullptr));
    EXPECT_EQ(fromNull.getContents(), nullptr);
}

TEST(String, EqualsIsExactAndCaseSensitive) {
    String text("Report.doc");
    EXPECT_TRUE(text.equals("Report.doc"));
    EXPECT_FALSE(text.equals("report.doc"));
    EXPECT_FALSE(text.equals("Report.do"));
    EXPECT_FALSE(text.equals(nullptr));
}

TEST(String, AssignmentCopiesAndNullChangesNothing) {
    char source[] = "first";
    String text(source);
    source[0] = 'X';
    EXPECT_STREQ(text.getContents(), "first");

    text = static_cast<const char*>(nullptr);
    EXPECT_STREQ(text.getContents(), "first");

    text = "second text";
    EXPECT_STREQ(text.getContents(), "second text");
    EXPECT_EQ(text.getLength(), 11);

    // Its own contents: the copy is made before the old text goes.
    text = text.getContents();
    EXPECT_STREQ(text.getContents(), "second text");
    text = text.getContents() + 7;
    EXPECT_STREQ(text.getContents(), "text");

    String copy(text);
    EXPECT_NE(copy.getContents(), text.getContents());
    EXPECT_STREQ(copy.getContents(), "text");

    text.clear();
    EXPECT_EQ(text.getContents(), nullptr);
    EXPECT_EQ(text.getLength(), 0);
    copy = text;
    EXPECT_EQ(copy.getContents(), nullptr);
}

TEST(EndsWithIgnoreCase, Suffixes) {
    struct Case {
        const char* text;
        const char* suffix;
        bool expected;
    } cases[] = {
        {"REPORT.DOC", ".doc", true},   {"report.docx", ".doc", false}, {"doc", ".doc", false},
        {"anything", "", true},         {"", "", true},                 {".DoCx", ".docX", true},
        {nullptr, ".doc", false},       {"a.doc", nullptr, false},      {"a.pdf", ".PDF", true},
        {"a.p@f", ".p`f", false},  // '@' and '`' are next to the letters but not letters
    };
    for (const Case& c : cases) {
        EXPECT_EQ(endsWithIgnoreCase(c.text, c.suffix), c.expected)
            << (c.text ? c.text : "(null)") << " / " << (c.suffix ? c.suffix : "(null)");
    }
}

TEST(StringBuffer, GrowsByIncrementAndStaysTerminated) {
    StringBuffer buffer(2, 3);
    EXPECT_STREQ(buffer.getBuffer(), "");
    for (char c : std::string("abcde")) ASSERT_TRUE(buffer.append(c));
    EXPECT_EQ(buffer.getCapacity(), 5);
    EXPECT_EQ(buffer.getLength(), 5);
    EXPECT_STREQ(buffer.getBuffer(), "abcde");
    ASSERT_TRUE(buffer.append('f'));
    EXPECT_EQ(buffer.getCapacity(), 8);
    EXPECT_STREQ(buffer.getBuffer(), "abcdef");
}

TEST(StringBuffer, LongTextFromZeroCapacity) {
    StringBuffer buffer(0, 1);
    std::string expected;
    for (int i = 0; i < 5000; ++i) {
        char c = static_cast<char>('a' + i % 26);
        ASSERT_TRUE(buffer.append(c));
        expected += c;
    }
    EXPECT_EQ(std::strlen(buffer.getBuffer()), expected.size());
    EXPECT_EQ(buffer.getBuffer(), expected);
}
