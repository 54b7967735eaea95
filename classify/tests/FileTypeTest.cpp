#include "classify/FileType.h"

#include <gtest/gtest.h>

#include <string>

#include "classify/EncryptionMarks.h"

namespace {

TEST(FileType, ExtensionTables) {
    struct Case {
        const char* path;
        bool office;
        bool office2007;
        bool openXml;
        bool xps;
    } cases[] = {
        {"C:\\a\\report.doc", true, false, false, false},
        {"C:\\a\\REPORT.XLS", true, false, false, false},
        {"C:\\a\\deck.pps", true, false, false, false},
        {"C:\\a\\Deck.PPSM", true, true, true, false},
        {"C:\\a\\book.xlsb", true, true, true, false},
        {"C:\\a\\letter.DocX", true, true, true, false},
        {"C:\\a\\print.xps", true, false, true, true},
        {"C:\\a\\print.oxps", false, false, false, false},
        {"C:\\a\\notes.pdf", false, false, false, false},
        {"C:\\a\\archive.zip", false, false, false, false},
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

std::string fib(unsigned ident, unsigned flags) {
    std::string bytes(18, '\0');
    bytes[0] = static_cast<char>(ident & 0xFF);
    bytes[1] = static_cast<char>(ident >> 8);
    bytes[10] = static_cast<char>(flags & 0xFF);
    bytes[11] = static_cast<char>(flags >> 8);
    return bytes;
}

bool wordMarks(const std::string& bytes) {
    return marks::wordHeaderMarksEncryption(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

TEST(EncryptionMarks, WordFileInformationBlock) {
    struct Case {
        const char* what;
        std::string bytes;
        bool encrypted;
    } cases[] = {
        {"encrypted", fib(0xA5EC, 0x0100), true},
        {"write reservation only", fib(0xA5EC, 0x0800), true},
        {"oldest ident that counts", fib(0xA5DC, 0x0100), true},
        {"ident below 0xA5DC, every flag", fib(0xA5DB, 0xFFFF), false},
        {"other flags", fib(0xA5EC, 0xF6FF), false},
        {"twelve bytes suffice", fib(0xA5EC, 0x0100).substr(0, 12), true},
        {"eleven bytes do not", fib(0xA5EC, 0x0100).substr(0, 11), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(wordMarks(c.bytes), c.encrypted);
    }
}

std::string workbook(unsigned char secondRecordLow, size_t length = 32) {
    std::string bytes(length, '\0');
    bytes[0] = 0x09;  // BOF
    bytes[1] = 0x08;
    bytes[2] = 16;
    if (length > 20) bytes[20] = static_cast<char>(secondRecordLow);
    return bytes;
}

TEST(EncryptionMarks, WorkbookSecondRecord) {
    struct Case {
        const char* what;
        std::string bytes;
        bool encrypted;
    } cases[] = {
        {"FILEPASS", workbook(0x2F), true},
        {"WRITEPROT", workbook(0x86), true},
        {"INTERFACEHDR", workbook(0xE1), false},
        {"FILEPASS in a 21-byte stream", workbook(0x2F, 21), true},
        {"20-byte stream", workbook(0x2F, 20), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(marks::workbookHeaderMarksEncryption(reinterpret_cast<const unsigned char*>(c.bytes.data()),
                                                       c.bytes.size()),
                  c.encrypted);
    }
}

}  // namespace
