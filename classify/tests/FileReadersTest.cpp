#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "classify/PDFFile.h"
#include "classify/ZipFile.h"
#include "classify/tests/TestFiles.h"
#include "classify/tests/ZipBytes.h"

namespace {

using test_files::write;

// A PDF of total bytes whose text "/Encrypt" starts at offset - from - the end
// of the file (0 = no key at all).
std::string pdfWithKeyFromEnd(size_t total, size_t fromEnd) {
    std::string bytes = "%PDF-1.7\n" + std::string(total - 9, ' ');
    if (fromEnd > 0) bytes.replace(total - fromEnd, 8, "/Encrypt");
    return bytes;
}

template <typename F>
int thrownCode(F&& f) {
    try {
        f();
    } catch (int code) {
        return code;
    }
    return 0;
}

TEST(PDFFile, SearchesTheLastKilobyteWithoutTheFinalByte) {
    struct Case {
        const char* what;
        std::string bytes;
        bool encrypted;
    } cases[] = {
        {"short file with the key", "%PDF-1.4\ntrailer\n<</Size 3/Encrypt 2 0 R>>\n%%EOF\n", true},
        {"short file without", "%PDF-1.4\ntrailer\n<</Size 3/Root 1 0 R>>\n%%EOF\n", false},
        {"short file searched to its last byte", "%PDF-1.4\n/Encrypt", true},
        {"key starting 1024 bytes before the end", pdfWithKeyFromEnd(5000, 1024), true},
        {"key starting 1025 bytes before the end", pdfWithKeyFromEnd(5000, 1025), false},
        {"key 1,500 bytes before the end", pdfWithKeyFromEnd(5000, 1500), false},
        {"key ending in the final byte of a long file", pdfWithKeyFromEnd(5000, 8), false},
        {"key ending one byte before that", pdfWithKeyFromEnd(5000, 9), true},
        {"file of exactly 1024 bytes, key at its end", pdfWithKeyFromEnd(1024, 8), false},
        {"file of 1023 bytes, key at its end", pdfWithKeyFromEnd(1023, 8), true},
        {"NUL bytes before the key", "%PDF-1.5\n" + std::string(300, '\0') + "<</Encrypt 9 0 R>>\n", true},
        {"key split by a NUL", "%PDF-1.5\n/Encr" + std::string(1, '\0') + "ypt\n", false},
    };
    std::string folder = testing_support::freshFolder("pdf-tail");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PDFFile pdf(write(folder, "sample.pdf", c.bytes).c_str());
        EXPECT_EQ(pdf.isEncrypted(), c.encrypted);
    }
}

TEST(PDFFile, ThrowsItsCodesForFilesItCannotJudge) {
    std::string folder = testing_support::freshFolder("pdf-codes");
    std::filesystem::create_directories(test_files::join(folder, "folder.pdf"));
    struct Case {
        const char* what;
        std::string path;
        int code;
    } cases[] = {
        {"missing", test_files::join(folder, "missing.pdf"), PDFFile::kMissing},
        {"a folder", test_files::join(folder, "folder.pdf"), PDFFile::kUnreadable},
        {"empty", write(folder, "empty.pdf", ""), PDFFile::kNotPdf},
        {"four bytes", write(folder, "four.pdf", "%PDF"), PDFFile::kNotPdf},
        {"a ZIP named .pdf", write(folder, "zip.pdf", test_zip::archive({{"a.txt"}})), PDFFile::kNotPdf},
        {"header not at the start", write(folder, "late.pdf", " %PDF-1.4\n/Encrypt\n"), PDFFile::kNotPdf},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(thrownCode([&] { PDFFile pdf(c.path.c_str()); }), c.code);
    }
    EXPECT_EQ(thrownCode([] { PDFFile pdf(nullptr); }), PDFFile::kNullPath);
}

struct ZipResult {
    int code;
    int entries;
    bool encrypted;
};

ZipResult openAndScan(const std::string& path) {
    ZipFile zip;
    zip.clear();
    ZipResult result{0, -1, false};
    try {
        result.code = zip.open(path.c_str());
        result.entries = zip.scan();
        result.encrypted = zip.isEncrypted();
    } catch (int code) {
        result.code = code;
    }
    zip.close();
    return result;
}

TEST(ZipFile, OpensScansAndThrowsItsCodes) {
    std::string folder = testing_support::freshFolder("zip-file");
    std::filesystem::create_directories(test_files::join(folder, "folder.zip"));
    struct Case {
        const char* what;
        std::string path;
        ZipResult expected;
    } cases[] = {
        {"all encrypted", write(folder, "locked.zip", test_zip::archive({{"a", true}, {"b", true}})), {0, 2, true}},
        {"one plain entry", write(folder, "mixed.zip", test_zip::archive({{"a", true}, {"b"}})), {0, 2, false}},
        {"folders only", write(folder, "folders.zip", test_zip::archive({{"a/"}, {"b/"}})), {0, 0, false}},
        {"missing", test_files::join(folder, "missing.zip"), {ZipFile::kMissing, -1, false}},
        {"a folder", test_files::join(folder, "folder.zip"), {ZipFile::kUnreadable, -1, false}},
        {"three bytes", write(folder, "short.zip", "PK\x03"), {ZipFile::kTooShort, -1, false}},
        {"empty", write(folder, "empty.zip", ""), {ZipFile::kTooShort, -1, false}},
        {"central directory first", write(folder, "odd.zip", "PK\x01\x02" + test_zip::archive({{"a", true}})),
         {ZipFile::kNoLocalHeader, -1, false}},
        {"a PDF named .zip", write(folder, "pdf.zip", "%PDF-1.4\n"), {ZipFile::kNoLocalHeader, -1, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ZipResult got = openAndScan(c.path);
        EXPECT_EQ(got.code, c.expected.code);
        EXPECT_EQ(got.entries, c.expected.entries);
        EXPECT_EQ(got.encrypted, c.expected.encrypted);
    }
    ZipFile zip;
    EXPECT_EQ(thrownCode([&] { zip.open(nullptr); }), ZipFile::kNullPath);
}

TEST(ZipFile, RefusesAnArchiveTooLargeToHold) {
    // Sparse: 5 GiB long, a few bytes on disk. Its length does not fit in 32
    // bits, and reading it whole would exhaust memory.
    std::string folder = testing_support::freshFolder("zip-large");
    std::string path = write(folder, "huge.zip", test_zip::archive({{"a", true}}));
    std::filesystem::resize_file(path, 5ull * 1024 * 1024 * 1024 + 17);
    EXPECT_EQ(openAndScan(path).code, ZipFile::kTooLarge);

    std::string atLimit = write(folder, "limit.zip", test_zip::archive({{"a", true}}));
    std::filesystem::resize_file(atLimit, ZipFile::kMaxBytes + 1);
    EXPECT_EQ(openAndScan(atLimit).code, ZipFile::kTooLarge);
}

}  // namespace
