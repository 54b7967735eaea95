#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "standins/office/Formats.h"
#include "standins/office/OfficeCrypto.h"
#include "TestBytes.h"

using namespace office_standin;
using namespace office_standin::test_bytes;

namespace {

Bytes readSource(const std::string& relative) {
    std::ifstream in(std::string(TARNWICK_SOURCE_DIR) + "/standins/office/" + relative, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace

TEST(PackageFacts, KindAndReadOnlyRecommendationComeFromTheContent) {
    struct Case {
        const char* file;
        DocFormat format;
        int code;
        bool readOnly;
    } cases[] = {
        {"tests/data/memo.docx", DocFormat::Docx, 12, false},
        {"tests/data/memo.docm", DocFormat::Docm, 13, false},
        {"tests/data/readonly.docx", DocFormat::Docx, 12, true},
        {"tests/data/sheet.xlsx", DocFormat::Xlsx, 51, false},
        {"tests/data/sheet.xlsm", DocFormat::Xlsm, 52, false},
        {"tests/data/sheet.xlsb", DocFormat::Xlsb, 50, false},
        {"tests/data/readonly.xlsx", DocFormat::Xlsx, 51, true},
        {"tests/data/deck.pptx", DocFormat::Pptx, 24, false},
        {"tests/data/deck.pptm", DocFormat::Pptm, 25, false},
        {"tests/data/deck.ppsx", DocFormat::Ppsx, 28, false},
        {"tests/data/deck.ppsm", DocFormat::Ppsm, 29, false},
    };
    for (const Case& c : cases) {
        PackageFacts facts;
        std::string error;
        ASSERT_TRUE(inspectPackage(readSource(c.file), facts, error)) << c.file << ": " << error;
        EXPECT_EQ(facts.format, c.format) << c.file;
        EXPECT_EQ(formatCode(facts.format), c.code) << c.file;
        EXPECT_EQ(facts.readOnlyRecommended, c.readOnly) << c.file;
    }
}

TEST(PackageFacts, DamagedPackagesAreRefusedWithAReason) {
    Bytes good = readSource("tests/data/memo.docx");
    Bytes truncated(good.begin(), good.begin() + long(good.size() / 2));
    Bytes corrupt = good;
    for (std::size_t i = 100; i < 300; ++i) corrupt[i] ^= 0x5a;  // inside the first entry's data
    Bytes notZip(500, 'x');
    for (const Bytes* b : {&truncated, &notZip, &corrupt}) {
        PackageFacts facts;
        std::string error;
        Bytes part;
        EXPECT_FALSE(inspectPackage(*b, facts, error));
        EXPECT_FALSE(error.empty());
    }
    PackageFacts facts;
    std::string error;
    EXPECT_FALSE(inspectPackage(Bytes(), facts, error));
}

TEST(PackageFacts, InflateRejectsBadInputAndHonoursTheLimit) {
    Bytes deflated = readSource("fuzz/corpus/deflate.bin");
    Bytes out;
    ASSERT_TRUE(inflate(deflated.data(), deflated.size(), out, 1 << 20));
    EXPECT_EQ(out.size(), 32u * 20);
    EXPECT_FALSE(inflate(deflated.data(), deflated.size(), out, 100));
    EXPECT_FALSE(inflate(deflated.data(), deflated.size() / 2, out, 1 << 20));
    const std::uint8_t reservedType[] = {0x07};
    EXPECT_FALSE(inflate(reservedType, 1, out, 100));
}

TEST(BinaryFacts, FlagsOfTheBinaryFormats) {
    BinaryFacts word = inspectWordStream(readSource("fuzz/corpus/worddocument.bin"));
    EXPECT_TRUE(word.valid);
    EXPECT_FALSE(word.encrypted);
    EXPECT_FALSE(word.readOnlyRecommended);
    Bytes fib(32, 0);
    fib[0] = 0xEC;
    fib[1] = 0xA5;
    fib[11] = 0x05;  // encrypted, read-only recommended
    word = inspectWordStream(fib);
    EXPECT_TRUE(word.encrypted && word.readOnlyRecommended);
    EXPECT_FALSE(inspectWordStream(Bytes(8, 0)).valid);

    BinaryFacts book = inspectWorkbookStream(readSource("fuzz/corpus/workbook.bin"));
    EXPECT_TRUE(book.valid);
    EXPECT_FALSE(book.biff5 || book.encrypted || book.readOnlyRecommended);
    Bytes biff5;
    record(biff5, 0x0809, {0x00, 0x05, 0x05, 0x00});
    record(biff5, 0x002F, {0, 0});
    record(biff5, 0x005B, {1, 0, 0, 0});
    record(biff5, 0x000A, {});
    book = inspectWorkbookStream(biff5);
    EXPECT_TRUE(book.valid && book.biff5 && book.encrypted && book.readOnlyRecommended);
    biff5.resize(biff5.size() - 7);  // a record cut short is not read
    EXPECT_FALSE(inspectWorkbookStream(biff5).readOnlyRecommended);

    EXPECT_TRUE(inspectCurrentUserStream(readSource("fuzz/corpus/currentuser.bin")).valid);
    EXPECT_FALSE(inspectCurrentUserStream(readSource("fuzz/corpus/currentuser.bin")).encrypted);
}

TEST(Interoperability, FilesFromAnotherEncryptorDecryptToTheOriginal) {
    struct Case {
        const char* split;
        const char* original;
    } cases[] = {{"fuzz/corpus/memo-agile-npm.docx.split", "tests/data/memo.docx"},
                 {"fuzz/corpus/sheet-agile-npm.xlsx.split", "tests/data/sheet.xlsx"},
                 {"fuzz/corpus/memo-standard-npm.docx.split", "tests/data/memo.docx"},
                 {"fuzz/corpus/sheet-standard-npm.xlsx.split", "tests/data/sheet.xlsx"}};
    for (const Case& c : cases) {
        Bytes all = readSource(c.split);
        ASSERT_GT(all.size(), 4u);
        std::size_t infoSize = all[0] | (all[1] << 8) | (all[2] << 16);
        Bytes info(all.begin() + 4, all.begin() + 4 + long(infoSize));
        Bytes package(all.begin() + 4 + long(infoSize), all.end());
        Decrypted d = decryptPackage(info, package, u"Secret-1");
        ASSERT_EQ(d.status, DecryptStatus::Ok) << c.split << ": " << d.detail;
        EXPECT_EQ(d.package, readSource(c.original)) << c.split;
        EXPECT_EQ(decryptPackage(info, package, u"Secret-2").status, DecryptStatus::WrongPassword);
    }
}
