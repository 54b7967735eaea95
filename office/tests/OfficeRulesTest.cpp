#include <gtest/gtest.h>

#include <algorithm>
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

// A path is refused exactly when one of the names made from it (the
// backup, Word's or the appended temporary name) would not fit a buffer of
// 1024 bytes; the longest accepted paths make a name of 1023 characters.
TEST(OfficeRules, PathsAreRefusedWhenADerivedNameWouldNotFit) {
    struct Case {
        std::size_t length;  // of the whole path
        const char* extension;
        bool refused;
    };
    const Case cases[] = {
        {979, ".docx", false}, {980, ".docx", true},  {979, ".pptm", false}, {980, ".pptm", true},
        {980, ".xls", false},  {981, ".xls", true},   {980, ".doc", false},  {981, ".doc", true},
        // Without an extension Word's ".doc" makes the longest name.
        {980, "", false},      {981, "", true},       {1023, ".doc", true},  {1024, ".doc", true},
        {5000, ".doc", true},  {12, ".doc", false},
    };
    for (const Case& c : cases) {
        const std::string ext = c.extension;
        const std::string path = "C:\\" + std::string(c.length - 3 - ext.size(), 'a') + ext;
        SCOPED_TRACE(std::to_string(c.length) + " " + ext);
        ASSERT_EQ(path.size(), c.length);
        EXPECT_EQ(isPathTooLong(path.c_str()), c.refused);
        const std::size_t longest = std::max({backupPath(path.c_str(), kGuid).size(),
                                              wordTemporaryPath(path.c_str(), kGuid).size(),
                                              appendedTemporaryPath(path.c_str(), kGuid).size()});
        if (c.refused) {
            EXPECT_GE(longest, 1024u);
        } else {
            EXPECT_LE(longest, 1023u);
        }
    }
    EXPECT_TRUE(isPathTooLong(nullptr));
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
