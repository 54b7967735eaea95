#include "foundation/Exception.h"

#include <gtest/gtest.h>

#include <string>

TEST(Exception, CopiesOwnSeparateTexts) {
    Exception* original = new Exception("LinkedList#addLast,1,Failed to allocate memory", -13);
    Exception copy(*original);
    EXPECT_NE(copy.getMessage(), original->getMessage());
    delete original;
    EXPECT_STREQ(copy.getMessage(), "LinkedList#addLast,1,Failed to allocate memory");
    EXPECT_EQ(copy.getErrorCode(), -13);

    Exception assigned(nullptr, 1);
    EXPECT_EQ(assigned.getMessage(), nullptr);
    assigned = copy;
    EXPECT_STREQ(assigned.getMessage(), copy.getMessage());
    EXPECT_NE(assigned.getMessage(), copy.getMessage());
    assigned = assigned;
    EXPECT_EQ(assigned.getErrorCode(), -13);
}

TEST(Exception, FormatsAndCutsAt2047Characters) {
    Exception formatted = Exception::formatted(201, "OfficeApplication#protect,%d,%s", 3, "text");
    EXPECT_STREQ(formatted.getMessage(), "OfficeApplication#protect,3,text");
    EXPECT_EQ(formatted.getErrorCode(), 201);

    std::string longText(5000, 'z');
    Exception cut = Exception::formatted(0, "%s", longText.c_str());
    EXPECT_EQ(std::string(cut.getMessage()), std::string(2047, 'z'));

    // A message given as such is never taken for a format, nor cut.
    Exception given(("100%d done %s" + longText).c_str(), 7);
    EXPECT_EQ(std::string(given.getMessage()), "100%d done %s" + longText);
    EXPECT_EQ(given.getErrorCode(), 7);
}

TEST(Exception, ThrownAndCaughtThroughTheBase) {
    try {
        throw OutOfMemoryException("String::String,1,Failed to create a string", 0);
    } catch (const Exception& e) {
        EXPECT_STREQ(e.getMessage(), "String::String,1,Failed to create a string");
        EXPECT_EQ(e.getErrorCode(), 0);
    }
}
