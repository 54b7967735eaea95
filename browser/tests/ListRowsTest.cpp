#include "browser/ListRows.h"

#include <gtest/gtest.h>

namespace {

using namespace listrows;

TEST(ListRows, SizeIsInKibRoundedUp) {
    const struct {
        std::uint64_t bytes;
        const char* text;
    } cases[] = {{0, "0"},           {1, "1"},
                 {1024, "1"},        {1025, "2"},
                 {2048, "2"},        {0xFFFFFFFFu, "4194304"},
                 {0x100000000u, "4194304"}, {0x100000001u, "4194305"},
                 {5ull << 30, "5242880"},   {0xFFFFFFFFFFFFFFFFull, "18014398509481984"}};
    for (const auto& c : cases) EXPECT_EQ(sizeText(c.bytes), c.text) << c.bytes;
}

TEST(ListRows, DateAndStateTexts) {
    EXPECT_EQ(dateText(2026, 3, 7, 9, 5), "2026/03/07 09:05");
    EXPECT_EQ(dateText(1999, 12, 31, 23, 59), "1999/12/31 23:59");
    EXPECT_STREQ(stateText(0), "");
    EXPECT_STREQ(stateText(1), "IRM");
    EXPECT_STREQ(stateText(2), "PWD");
    EXPECT_STREQ(stateText(3), "");
}

TEST(ListRows, ListedNamesByExtensionWithoutRegardToCase) {
    for (const char* name : {"a.doc", "REPORT.DOCX", "m.docm", "p.ppt", "s.pps", "p.PPTX", "p.pptm", "s.ppsx",
                             "s.ppsm", "b.xls", "b.xlsb", "b.xlsx", "b.XLSM", "x.xps", "a.pdf", "A.PDF"}) {
        EXPECT_TRUE(isListedName(name)) << name;
    }
    for (const char* name : {"notes.txt", "docx", "a.docx.bak", "a.pd", "", "report.doc "}) {
        EXPECT_FALSE(isListedName(name)) << name;
    }
    EXPECT_FALSE(isListedName(nullptr));
}

TEST(ListRows, PathsThatDoNotFitAreRefusedNotCut) {
    // Folder and name and the terminator must fit.
    EXPECT_TRUE(fitsPath(250, 9, 260));
    EXPECT_FALSE(fitsPath(250, 10, 260));
    EXPECT_FALSE(fitsPath(260, 0, 260));
    EXPECT_FALSE(fitsPath(300, 1, 260));
    EXPECT_TRUE(fitsPath(0, 259, 260));
}

TEST(ListRows, ProtectedRowsBluePlainRowsGrey) {
    EXPECT_EQ(textColour(2), 0xFF0000u);
    EXPECT_EQ(textColour(1), 0xFF0000u);
    EXPECT_EQ(textColour(0), 0x808080u);
}

}  // namespace
