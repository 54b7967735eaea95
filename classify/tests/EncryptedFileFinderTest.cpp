#include "classify/EncryptedFileFinder.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "classify/FileType.h"
#include "classify/tests/CompoundFiles.h"
#include "classify/tests/TestFiles.h"
#include "classify/tests/ZipBytes.h"

namespace {

using test_compound::Stream;
using test_files::join;

// isEncrypted opens an Office file fewer times than its two checks do one
// after the other; it must come to the same answer as they do.
EncryptionState fromTheSeparateChecks(const std::string& path) {
    EncryptedFileFinder finder;
    if (!FileType::isOfficeFile(path.c_str())) return -1;
    if (finder.isPasswordEncrypted(path.c_str())) return kPasswordEncrypted;
    return finder.checkRightsManagement(path.c_str()) == 1 ? kRightsManaged : kNotProtected;
}

EncryptionState classify(const std::string& path) {
    EncryptionState state = kNotProtected;
    bool found = EncryptedFileFinder().isEncrypted(path.c_str(), state);
    EXPECT_EQ(found, state != kNotProtected) << path;
    EncryptionState separate = fromTheSeparateChecks(path);
    if (separate != -1) {
        EXPECT_EQ(state, separate) << path;
    }
    return state;
}

std::string fib(unsigned ident, unsigned flags) {
    std::string bytes(64, '\0');
    bytes[0] = static_cast<char>(ident & 0xFF);
    bytes[1] = static_cast<char>(ident >> 8);
    bytes[10] = static_cast<char>(flags & 0xFF);
    bytes[11] = static_cast<char>(flags >> 8);
    return bytes;
}

std::string workbook(unsigned char secondRecord) {
    std::string bytes(64, '\0');
    bytes[0] = 0x09;
    bytes[1] = 0x08;
    bytes[2] = 16;
    bytes[20] = static_cast<char>(secondRecord);
    return bytes;
}

const Stream kWordPlain{{}, L"WordDocument", fib(0xA5EC, 0x0000)};
const Stream kEncryptionInfo{{}, L"EncryptionInfo", std::string(64, '\x04')};
const Stream kEncryptedPackage{{}, L"EncryptedPackage", std::string(512, '\x55')};
const Stream kRightsOpenXml = test_compound::rightsManagement(test_compound::kOpenXmlTransform, test_compound::xrml("a"));
const Stream kRightsBinary = test_compound::rightsManagement(test_compound::kBinaryTransform, test_compound::xrml("a"));

struct Case {
    const char* name;
    std::vector<Stream> streams;
    EncryptionState expected;
};

TEST(EncryptedFileFinder, CompoundFilesByFormat) {
    const Case cases[] = {
        {"plain.doc", {kWordPlain}, kNotProtected},
        {"encrypted.doc", {{{}, L"WordDocument", fib(0xA5EC, 0x0100)}}, kPasswordEncrypted},
        {"write-reserved.doc", {{{}, L"WordDocument", fib(0xA5EC, 0x0800)}}, kPasswordEncrypted},
        {"old-ident.doc", {{{}, L"WordDocument", fib(0xA5DB, 0x0900)}}, kNotProtected},
        {"short-fib.doc", {{{}, L"WordDocument", std::string("\xEC\xA5", 2)}}, kNotProtected},
        {"no-stream.doc", {{{}, L"Table", "x"}}, kNotProtected},
        {"ENCRYPTED.DOC", {{{}, L"WordDocument", fib(0xA5EC, 0x0100)}}, kPasswordEncrypted},
        {"filepass.xls", {{{}, L"Workbook", workbook(0x2F)}}, kPasswordEncrypted},
        {"REPORT.XLS", {{{}, L"Workbook", workbook(0x86)}}, kPasswordEncrypted},
        {"plain.xls", {{{}, L"Workbook", workbook(0xE1)}}, kNotProtected},
        {"tiny.xls", {{{}, L"Workbook", std::string(20, '\x2F')}}, kNotProtected},
        {"summary.ppt", {{{}, L"EncryptedSummary", "x"}, {{}, L"PowerPoint Document", "x"}}, kPasswordEncrypted},
        {"summary.pps", {{{}, L"EncryptedSummary", ""}}, kPasswordEncrypted},
        {"plain.ppt", {{{}, L"PowerPoint Document", "x"}}, kNotProtected},
        {"package.pptx", {kEncryptionInfo, kEncryptedPackage}, kPasswordEncrypted},
        {"package.xlsx", {kEncryptionInfo, kEncryptedPackage}, kPasswordEncrypted},
        {"package.ppsm", {kEncryptionInfo, kEncryptedPackage}, kPasswordEncrypted},
        {"package.xlsb", {kEncryptionInfo}, kPasswordEncrypted},
        {"Package.DOCM", {kEncryptionInfo}, kPasswordEncrypted},
        {"no-info.docx", {kEncryptedPackage}, kNotProtected},
        {"package.xps", {kEncryptionInfo}, kNotProtected},
        // A Word stream in a file named .xls is not looked at, and so on.
        {"misnamed.xls", {{{}, L"WordDocument", fib(0xA5EC, 0x0100)}}, kNotProtected},
        {"info.doc", {kEncryptionInfo}, kNotProtected},
    };
    std::string folder = testing_support::freshFolder("finder-formats");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = join(folder, c.name);
        ASSERT_TRUE(test_compound::make(path, c.streams));
        EXPECT_EQ(classify(path), c.expected);
    }
}

TEST(EncryptedFileFinder, RightsManagementStorages) {
    const Stream noPrimary{{L"\x06" L"DataSpaces", L"TransformInfo", L"DRMEncryptedTransform"}, L"Other", "x"};
    const Stream strongTransform{{L"\x06" L"DataSpaces", L"TransformInfo", L"StrongEncryptionTransform"},
                                 L"\x06" L"Primary", "x"};
    const struct {
        const char* name;
        std::vector<Stream> streams;
        int rightsResult;
        EncryptionState expected;
    } cases[] = {
        {"managed.docx", {kRightsOpenXml, {{}, L"EncryptedPackage", "x"}}, 1, kRightsManaged},
        {"managed.xps", {kRightsOpenXml}, 1, kRightsManaged},
        {"managed.doc", {kRightsBinary, kWordPlain}, 1, kRightsManaged},
        {"managed.ppt", {kRightsBinary}, 1, kRightsManaged},
        {"managed-and-encrypted.xlsx", {kRightsOpenXml, kEncryptionInfo}, 1, kPasswordEncrypted},
        {"managed-and-encrypted.doc", {kRightsBinary, {{}, L"WordDocument", fib(0xA5EC, 0x0100)}}, 1,
         kPasswordEncrypted},
        {"wrong-transform.doc", {kRightsOpenXml, kWordPlain}, 202, kNotProtected},
        {"wrong-transform.pptx", {kRightsBinary}, 202, kNotProtected},
        {"agile-like.docx", {strongTransform, kEncryptionInfo}, 202, kPasswordEncrypted},
        {"no-primary.docx", {noPrimary}, 105, kNotProtected},
        {"no-dataspaces.doc", {kWordPlain}, 202, kNotProtected},
    };
    std::string folder = testing_support::freshFolder("finder-rights");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = join(folder, c.name);
        ASSERT_TRUE(test_compound::make(path, c.streams));
        EXPECT_EQ(EncryptedFileFinder().checkRightsManagement(path.c_str()), c.rightsResult);
        EXPECT_EQ(classify(path), c.expected);
    }
    EXPECT_EQ(EncryptedFileFinder().checkRightsManagement(nullptr), 100);
}

TEST(EncryptedFileFinder, RightsManagedFileThatCannotBeOpenedExclusivelyIsNotReported) {
    std::string folder = testing_support::freshFolder("finder-locked");
    std::string readOnly = join(folder, "read-only.docx");
    std::string held = join(folder, "held.doc");
    ASSERT_TRUE(test_compound::make(readOnly, {kRightsOpenXml}));
    ASSERT_TRUE(test_compound::make(held, {kRightsBinary, kWordPlain}));
    ASSERT_TRUE(SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));

    // Wine run by root opens read-only files for writing all the same; the
    // read-only case holds only where the attribute is enforced.
    HANDLE probe = CreateFileA(readOnly.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    bool enforced = probe == INVALID_HANDLE_VALUE;
    if (!enforced) CloseHandle(probe);
    if (enforced) {
        EXPECT_EQ(EncryptedFileFinder().checkRightsManagement(readOnly.c_str()), 201);
        EXPECT_EQ(classify(readOnly), kNotProtected);
    }
    {
        // As an editor holds a document: reading and writing, others may read.
        HANDLE h = CreateFileA(held.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        EXPECT_EQ(EncryptedFileFinder().checkRightsManagement(held.c_str()), 201);
        EXPECT_EQ(classify(held), kNotProtected);
        CloseHandle(h);
    }
    EXPECT_EQ(classify(held), kRightsManaged);
    SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(classify(readOnly), kRightsManaged);
}

TEST(EncryptedFileFinder, ClassifyingChangesNoFile) {
    std::string folder = testing_support::freshFolder("finder-unchanged");
    std::string path = join(folder, "managed.docx");
    ASSERT_TRUE(test_compound::make(path, {kRightsOpenXml, kEncryptionInfo}));
    WIN32_FILE_ATTRIBUTE_DATA before = {};
    ASSERT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &before));
    std::string bytes = test_files::read(path);
    Sleep(20);
    EXPECT_EQ(classify(path), kPasswordEncrypted);
    WIN32_FILE_ATTRIBUTE_DATA after = {};
    ASSERT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &after));
    EXPECT_EQ(test_files::read(path), bytes);
    EXPECT_EQ(CompareFileTime(&before.ftLastWriteTime, &after.ftLastWriteTime), 0);
}

TEST(EncryptedFileFinder, ZipPackagesPdfAndArchives) {
    std::string folder = testing_support::freshFolder("finder-zip-pdf");
    std::string officeZip = test_zip::archive({{"[Content_Types].xml"}, {"word/document.xml"}}, true);
    const struct {
        const char* name;
        std::string bytes;
        EncryptionState expected;
    } cases[] = {
        {"plain.docx", officeZip, kNotProtected},
        {"plain.xps", officeZip, kNotProtected},
        {"other-zip.docx", test_zip::archive({{"word/document.xml"}}), kNotProtected},
        {"locked.zip", test_zip::archive({{"a.txt", true}, {"b.txt", true, true}}), kPasswordEncrypted},
        {"LOCKED.ZIP", test_zip::archive({{"a.txt", true}}), kPasswordEncrypted},
        {"one-plain.zip", test_zip::archive({{"a.txt", true}, {"b.txt"}}), kNotProtected},
        // Cut after the first central-directory entry: judged on that one.
        {"truncated.zip", test_zip::archive({{"a.txt", true}, {"b.txt"}}).substr(0, 140), kPasswordEncrypted},
        {"not-local.zip", "PK\x05\x06" + std::string(18, '\0'), kNotProtected},
        {"encrypted.pdf", "%PDF-1.4\ntrailer<</Encrypt 4 0 R>>\n%%EOF\n", kPasswordEncrypted},
        {"ENCRYPTED.PDF", "%PDF-1.4\ntrailer<</Encrypt 4 0 R>>\n%%EOF\n", kPasswordEncrypted},
        {"not-a.pdf", "PK\x03\x04 /Encrypt", kNotProtected},
        {"encrypt.txt", "%PDF-1.4\n/Encrypt\n", kNotProtected},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(classify(test_files::write(folder, c.name, c.bytes)), c.expected);
    }
    std::string plainDocx = join(folder, "plain.docx");
    EXPECT_TRUE(FileType::isZipFile(plainDocx.c_str()));
    EXPECT_EQ(EncryptedFileFinder().checkRightsManagement(plainDocx.c_str()), 0);
    EXPECT_EQ(EncryptedFileFinder().checkEncryptedPackage(plainDocx.c_str()), -1);
    std::string otherZip = join(folder, "other-zip.docx");
    EXPECT_FALSE(FileType::isZipFile(otherZip.c_str()));
    EXPECT_FALSE(FileType::isZipFile(join(folder, "locked.zip").c_str())) << "not an Open XML name";
    EXPECT_FALSE(FileType::isZipFile(test_files::write(folder, "nine.docx", officeZip.substr(0, 9)).c_str()));
}

TEST(EncryptedFileFinder, BadInputNeverCrashesAndCountsAsNotProtected) {
    std::string folder = testing_support::freshFolder("finder-bad");
    std::string valid = join(folder, "valid.doc");
    ASSERT_TRUE(test_compound::make(valid, {kRightsBinary, {{}, L"WordDocument", fib(0xA5EC, 0x0100)},
                                            {{}, L"Data", std::string(20000, 'd')}}));
    std::string whole = test_files::read(valid);
    std::string corrupt = whole;
    for (size_t i = 512; i < corrupt.size(); i += 7) corrupt[i] = static_cast<char>(i * 31);
    std::string badHeader = whole;
    badHeader.replace(0x2C, 4, "\xFF\xFF\xFF\x7F");  // FAT sector count

    std::vector<std::string> paths;
    for (const char* extension : {".doc", ".xls", ".ppt", ".docx", ".xps", ".pdf", ".zip"}) {
        paths.push_back(test_files::write(folder, std::string("empty") + extension, ""));
        paths.push_back(test_files::write(folder, std::string("half") + extension, whole.substr(0, whole.size() / 2)));
        paths.push_back(test_files::write(folder, std::string("header") + extension, whole.substr(0, 512)));
        paths.push_back(test_files::write(folder, std::string("corrupt") + extension, corrupt));
        paths.push_back(test_files::write(folder, std::string("bad-header") + extension, badHeader));
        std::string sub = join(folder, std::string("folder") + extension);
        std::filesystem::create_directories(sub);
        paths.push_back(sub);
        paths.push_back(join(folder, std::string("missing") + extension));
    }
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        EncryptionState state = kNotProtected;
        EncryptedFileFinder().isEncrypted(path.c_str(), state);
        // A truncated or damaged file may still hold the sectors a check
        // needs; only files without any content must come out unprotected.
        bool hasContent = path.find("half") != std::string::npos || path.find("corrupt") != std::string::npos ||
                          path.find("bad-header") != std::string::npos;
        if (!hasContent) {
            EXPECT_EQ(state, kNotProtected);
        }
    }
    // Unreadable: another handle holds each file with no sharing at all.
    for (const char* extension : {".doc", ".xls", ".ppt", ".docx", ".pdf", ".zip"}) {
        std::string path = join(folder, std::string("locked") + extension);
        ASSERT_TRUE(CopyFileA(valid.c_str(), path.c_str(), FALSE));
        HANDLE holder = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(holder, INVALID_HANDLE_VALUE);
        EXPECT_EQ(classify(path), kNotProtected) << path;
        CloseHandle(holder);
    }
    EncryptionState state = kNotProtected;
    EXPECT_FALSE(EncryptedFileFinder().isEncrypted(nullptr, state));
    EXPECT_FALSE(EncryptedFileFinder().isPasswordEncrypted(join(folder, "missing.doc").c_str()));
}

TEST(EncryptedFileFinder, SparseArchiveOfMoreThanFourGigabytes) {
    std::string folder = testing_support::freshFolder("finder-sparse");
    std::string path = test_files::write(folder, "huge.zip", test_zip::archive({{"a.txt", true}}));
    std::filesystem::resize_file(path, 4ull * 1024 * 1024 * 1024 + 4096);
    EXPECT_EQ(classify(path), kNotProtected);
    std::filesystem::remove(path);
}

TEST(EncryptedFileFinder, SamplesFromOtherPrograms) {
    const struct {
        const char* name;
        EncryptionState expected;
    } cases[] = {
        {"lo-plain.doc", kNotProtected},      {"lo-rc4.doc", kPasswordEncrypted},
        {"lo-plain.xls", kNotProtected},      {"lo-rc4.xls", kPasswordEncrypted},
        {"lo-plain.ppt", kNotProtected},      {"lo-plain.docx", kNotProtected},
        {"lo-plain.xlsx", kNotProtected},     {"lo-plain.pptx", kNotProtected},
        {"agile.docx", kPasswordEncrypted},   {"agile.xlsx", kPasswordEncrypted},
        {"agile.pptx", kPasswordEncrypted},   {"standard.docx", kPasswordEncrypted},
        {"standard.xlsx", kPasswordEncrypted}, {"standard.pptx", kPasswordEncrypted},
        {"lo-plain.pdf", kNotProtected},      {"qpdf-plain.pdf", kNotProtected},
        {"pdftk-aes128.pdf", kPasswordEncrypted}, {"pdftk-rc4.pdf", kPasswordEncrypted},
        {"qpdf-aes256.pdf", kPasswordEncrypted},
    };
    // Work on copies: the rights-management check opens files read/write.
    std::string folder = testing_support::freshFolder("finder-samples");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string copy = join(folder, c.name);
        ASSERT_TRUE(CopyFileA(test_files::fixture(c.name).c_str(), copy.c_str(), FALSE));
        EXPECT_EQ(classify(copy), c.expected);
    }
}

}  // namespace
