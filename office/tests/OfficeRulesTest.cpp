#include <gtest/gtest.h>

#include <string>

#include "office/OfficeRules.h"

using namespace office_rules;

namespace {

const char kGuid[] = "{0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0}";

TEST(OfficeRules, EngineByExtension) {
    struct Case {
        const char* path;
        Engine engine;
        bool pre2007;
    };
    const Case cases[] = {
        {"C:\\d\\a.doc", Engine::Word, true},         {"C:\\d\\Report.DOCX", Engine::Word, false},
        {"C:\\d\\a.docm", Engine::Word, false},       {"C:\\d\\a.ppt", Engine::PowerPoint, true},
        {"C:\\d\\a.PPS", Engine::PowerPoint, true},   {"C:\\d\\a.pptx", Engine::PowerPoint, false},
        {"C:\\d\\a.pptm", Engine::PowerPoint, false}, {"C:\\d\\a.ppsx", Engine::PowerPoint, false},
        {"C:\\d\\a.ppsm", Engine::PowerPoint, false}, {"C:\\d\\a.xls", Engine::Excel, true},
        {"C:\\d\\a.xlsb", Engine::Excel, false},      {"C:\\d\\a.Xlsx", Engine::Excel, false},
        {"C:\\d\\a.xlsm", Engine::Excel, false},      {"C:\\d\\x.doc.txt", Engine::None, false},
        {"C:\\d\\a.pdf", Engine::None, false},        {"C:\\d\\doc", Engine::None, false},
        {"", Engine::None, false},                    {nullptr, Engine::None, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path != nullptr ? c.path : "(null)");
        EXPECT_EQ(engineFor(c.path), c.engine);
        EXPECT_EQ(isSupported(c.path), c.engine != Engine::None);
        EXPECT_EQ(isPre2007(c.path), c.pre2007);
    }
}

TEST(OfficeRules, BackupAndTemporaryNames) {
    EXPECT_EQ(backupPath("C:\\d\\report.docx", kGuid), std::string("C:\\d\\report.docx.") + kGuid + ".docx");
    EXPECT_EQ(backupPath("C:\\d.e\\Memo.DOC", kGuid), std::string("C:\\d.e\\Memo.DOC.") + kGuid + ".DOC");
    EXPECT_EQ(wordTemporaryPath("C:\\d\\r.docx", kGuid), std::string("C:\\d\\r.docx.") + kGuid + ".doc");
    EXPECT_EQ(appendedTemporaryPath("C:\\d\\Deck.pptx", kGuid), std::string("C:\\d\\Deck.pptx") + kGuid + ".pptx");
    EXPECT_EQ(appendedTemporaryPath("C:\\d\\Book.xlsx", kGuid), std::string("C:\\d\\Book.xlsx") + kGuid + ".xlsx");
    EXPECT_EQ(extensionOf("C:\\a.b\\c"), ".b\\c");
    EXPECT_EQ(extensionOf("nodot"), "");
}

TEST(OfficeRules, PathLimitCoversTheLongestDerivedName) {
    // The backup name adds ".", the GUID and the extension.
    auto pathOfLength = [](std::size_t length, const char* extension) {
        std::string ext = extension;
        return "C:\\" + std::string(length - 3 - ext.size(), 'a') + ext;
    };
    std::size_t limitDocx = kPathBufferSize - 1 - 1 - kGuidTextLength - 5;  // longest accepted .docx path
    EXPECT_FALSE(isPathTooLong(pathOfLength(limitDocx, ".docx").c_str()));
    EXPECT_TRUE(isPathTooLong(pathOfLength(limitDocx + 1, ".docx").c_str()));
    std::size_t limitXls = kPathBufferSize - 1 - 1 - kGuidTextLength - 4;
    EXPECT_FALSE(isPathTooLong(pathOfLength(limitXls, ".xls").c_str()));
    EXPECT_TRUE(isPathTooLong(pathOfLength(limitXls + 1, ".xls").c_str()));
    EXPECT_TRUE(isPathTooLong(pathOfLength(1024, ".doc").c_str()));
    EXPECT_TRUE(isPathTooLong(pathOfLength(5000, ".doc").c_str()));
    EXPECT_TRUE(isPathTooLong(nullptr));
    EXPECT_FALSE(isPathTooLong("C:\\short.doc"));
}

TEST(OfficeRules, ExcelSaveFormat) {
    const int cases[][2] = {{39, -4143}, {1, -4143}, {43, -4143}, {44, 44},  {51, 51}, {50, 50},
                            {52, 52},    {56, 56},   {0, 0},      {-4143, -4143}, {-1, -1}};
    for (const auto& c : cases) EXPECT_EQ(excelSaveFormat(c[0]), c[1]) << c[0];
}

TEST(OfficeRules, PasswordsAreMasked) {
    EXPECT_EQ(maskedPassword("0123456789abcde"), "***************");
    EXPECT_EQ(maskedPassword(""), "");
    EXPECT_EQ(maskedPassword(nullptr), "");
}

}  // namespace
