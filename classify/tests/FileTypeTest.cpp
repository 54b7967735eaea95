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

TEST(FileType, KindByExtension) {
    using App = KindApplication;
    using Format = KindFormat;
    struct Case {
        const char* path;
        const char* extension;  // nullptr: no kind
        App application = App::None;
        Format format = Format::Binary;
    } const cases[] = {
        {"C:\\a\\memo.doc", ".doc", App::Word, Format::Binary},
        {"C:\\a\\memo.docx", ".docx", App::Word, Format::OpenXml},
        {"C:\\a\\macro.docm", ".docm", App::Word, Format::OpenXml},
        {"C:\\a\\book.xls", ".xls", App::Excel, Format::Binary},
        {"C:\\a\\book.xlsx", ".xlsx", App::Excel, Format::OpenXml},
        {"C:\\a\\book.xlsm", ".xlsm", App::Excel, Format::OpenXml},
        {"C:\\a\\book.xlsb", ".xlsb", App::Excel, Format::OpenXml},
        {"C:\\a\\deck.ppt", ".ppt", App::PowerPoint, Format::Binary},
        {"C:\\a\\show.pps", ".pps", App::PowerPoint, Format::Binary},
        {"C:\\a\\deck.pptx", ".pptx", App::PowerPoint, Format::OpenXml},
        {"C:\\a\\deck.pptm", ".pptm", App::PowerPoint, Format::OpenXml},
        {"C:\\a\\show.ppsx", ".ppsx", App::PowerPoint, Format::OpenXml},
        {"C:\\a\\show.ppsm", ".ppsm", App::PowerPoint, Format::OpenXml},
        {"C:\\a\\print.xps", ".xps", App::None, Format::Xps},
        {"C:\\a\\scan.pdf", ".pdf", App::Pdf, Format::Pdf},
        // Upper and mixed case give the lower-case row.
        {"C:\\A\\MEMO.DOCX", ".docx", App::Word, Format::OpenXml},
        {"c:\\a\\Show.PpS", ".pps", App::PowerPoint, Format::Binary},
        {"C:\\a\\SCAN.PDF", ".pdf", App::Pdf, Format::Pdf},
        // Only the last extension counts.
        {"C:\\a\\memo.docx.pdf", ".pdf", App::Pdf, Format::Pdf},
        {"C:\\a\\scan.pdf.docx", ".docx", App::Word, Format::OpenXml},
        {"C:\\a\\book.xls.doc", ".doc", App::Word, Format::Binary},
        {"C:\\a\\memo.docx.bak", nullptr},
        {"C:\\a\\memo.doc.txt", nullptr},
        // A name that is only the extension has it.
        {".xlsb", ".xlsb", App::Excel, Format::OpenXml},
        // No dot, a trailing dot or space, a dot in the folder, near misses.
        {"docx", nullptr},
        {"C:\\a\\pdf", nullptr},
        {"C:\\a\\memo.docx.", nullptr},
        {"C:\\a\\memo.doc ", nullptr},
        {"C:\\a.docx\\readme", nullptr},
        {"C:\\a\\memo.docxx", nullptr},
        {"C:\\a\\memo.dox", nullptr},
        {"C:\\a\\print.oxps", nullptr},
        {"C:\\a\\archive.zip", nullptr},
        {".", nullptr},
        {"", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const FileKind* kind = fileKindOf(c.path);
        if (c.extension == nullptr) {
            EXPECT_EQ(kind, nullptr);
            continue;
        }
        ASSERT_NE(kind, nullptr);
        EXPECT_STREQ(kind->extension, c.extension);
        EXPECT_EQ(kind->application, c.application);
        EXPECT_EQ(kind->format, c.format);
    }
    EXPECT_EQ(fileKindOf(nullptr), nullptr);
}

TEST(FileType, BinaryExtensionStandsForItsApplication) {
    EXPECT_STREQ(binaryExtensionOf(KindApplication::Word), ".doc");
    EXPECT_STREQ(binaryExtensionOf(KindApplication::Excel), ".xls");
    EXPECT_STREQ(binaryExtensionOf(KindApplication::PowerPoint), ".ppt");
    EXPECT_EQ(binaryExtensionOf(KindApplication::Pdf), nullptr);
    EXPECT_EQ(binaryExtensionOf(KindApplication::None), nullptr);
}

}  // namespace
