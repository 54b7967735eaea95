#include "classify/FileType.h"

#include <gtest/gtest.h>


namespace {

TEST(FileType, ExtensionTables) {
    struct Case {
        const char* path;
        bool office;
        bool office2007;
        bool openXml;
        bool xps;
    } cases[] = {
        {"C:\\a\\REPORT.XLS", true, false, false, false},
        {"C:\\a\\Deck.PPSM", true, true, true, false},
        {"C:\\a\\book.xlsb", true, true, true, false},
        {"C:\\a\\letter.DocX", true, true, true, false},
        {"C:\\a\\print.xps", true, false, true, true},
        {"C:\\a\\print.oxps", false, false, false, false},
        {"C:\\a\\notes.pdf", false, false, false, false},
        {"C:\\a\\docx", false, false, false, false},
        {"C:\\a.doc\\readme.txt", false, false, false, false},
        {"", false, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(FileType::isOfficeFile(c.path), c.office);
        EXPECT_EQ(FileType::isOffice2007File(c.path), c.office2007);
        EXPECT_EQ(FileType::isOpenXmlFile(c.path), c.openXml);
        EXPECT_EQ(FileType::isXpsFile(c.path), c.xps);
    }
    EXPECT_FALSE(FileType::isOfficeFile(nullptr));
}

}  // namespace
