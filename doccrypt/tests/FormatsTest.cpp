#include <gtest/gtest.h>

#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>

#include "doccrypt/Formats.h"
#include "doccrypt/OfficeCrypto.h"
#include "TestBytes.h"

using namespace doccrypt;
using namespace doccrypt::test_bytes;

namespace {

// "tests/data/..." are the sample documents beside the Office stand-in,
// "fuzz/corpus/..." this folder's fuzzing corpus.
Bytes readSource(const std::string& relative) {
    const std::string corpus = "fuzz/corpus/";
    std::string path = relative.compare(0, corpus.size(), corpus) == 0
                           ? "/doccrypt/fuzz/office_streams/" + relative.substr(corpus.size())
                           : "/standins/office/" + relative;
    std::ifstream in(std::string(TARNWICK_SOURCE_DIR) + path, std::ios::binary);
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
        {"fuzz/corpus/stored.docx", DocFormat::Docx, 12, false},  // entries stored, not deflated
        {"tests/data/memo.docm", DocFormat::Docm, 13, false},
        {"tests/data/readonly.docx", DocFormat::Docx, 12, true},
        {"tests/data/sheet.xlsx", DocFormat::Xlsx, 51, false},
        {"tests/data/sheet.xlsm", DocFormat::Xlsm, 52, false},
        {"tests/data/sheet.xlsb", DocFormat::Xlsb, 50, false},
        {"tests/data/readonly.xlsb", DocFormat::Xlsb, 50, true},
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
    Bytes storedCorrupt = readSource("fuzz/corpus/stored.docx");
    storedCorrupt[200] ^= 0x01;  // inside the first stored entry: only its checksum tells
    for (const Bytes* b : {&truncated, &notZip, &corrupt, &storedCorrupt}) {
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

namespace {

// One BIFF12 record: one or two type bytes, then the size in one to four.
Bytes record12(std::uint32_t type, const Bytes& body) {
    Bytes r;
    if (type >= 0x80) {
        r.push_back(std::uint8_t((type & 0x7F) | 0x80));
        r.push_back(std::uint8_t(type >> 7));
    } else {
        r.push_back(std::uint8_t(type));
    }
    std::size_t n = body.size();
    do {
        r.push_back(std::uint8_t((n & 0x7F) | (n > 0x7F ? 0x80 : 0)));
        n >>= 7;
    } while (n);
    r.insert(r.end(), body.begin(), body.end());
    return r;
}

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

}  // namespace

TEST(BinaryFacts, XlsbWorkbookPartReadOnlyRecommendation) {
    const Bytes begin = record12(0x83, {}), end = record12(0x84, {});
    // fReadOnlyRec, wResPass, then a null user name.
    auto sharing = [](std::uint8_t flag) { return record12(0x224, {flag, 0, 0x12, 0x34, 0xFF, 0xFF, 0xFF, 0xFF}); };
    const Bytes sharingIso = record12(0x2A4, {0xE8, 0x03, 0, 0, 1, 0, 0xFF, 0xFF, 0xFF, 0xFF});
    const Bytes longRecord = record12(0x99, Bytes(300, 0x7F));  // two size bytes
    Bytes truncated = concat({begin, sharing(1)});
    truncated.pop_back();
    struct Case {
        const char* what;
        Bytes part;
        bool valid, readOnly;
    } cases[] = {
        {"flag set", concat({begin, sharing(1), end}), true, true},
        {"flag clear", concat({begin, sharing(0), end}), true, false},
        {"no sharing record", concat({begin, longRecord, end}), true, false},
        {"after long records", concat({begin, longRecord, record12(0x80, Bytes(20000, 1)), sharing(1), end}), true, true},
        // A size written in four bytes where one would do is still a size.
        {"padded size", concat({begin, Bytes{0x27, 0x82, 0x80, 0x80, 0x00, 7, 7}, sharing(1)}), true, true},
        {"iso form alone", concat({begin, sharingIso, end}), true, true},
        {"plain form counts", concat({begin, sharingIso, sharing(0), end}), true, false},
        {"after the end", concat({begin, end, sharing(1)}), true, false},
        {"body too short", concat({begin, record12(0x224, {1}), end}), true, false},
        {"body cut off", truncated, true, false},
        {"size of five bytes", concat({begin, Bytes{0x27, 0x80, 0x80, 0x80, 0x80, 0x00}, sharing(1)}), true, false},
        {"size past the end", concat({begin, Bytes{0x27, 0xFF, 0xFF, 0xFF, 0x7F}, sharing(1)}), true, false},
        {"type past 14 bits", concat({begin, Bytes{0xA4, 0x84, 0x02, 1, 0}}), true, false},
        {"not a workbook", concat({record12(0x81, {}), sharing(1)}), false, false},
        {"empty", Bytes(), false, false},
        {"lone type byte", Bytes{0x83}, false, false},
    };
    for (const Case& c : cases) {
        BinaryFacts f = inspectXlsbWorkbook(c.part);
        EXPECT_EQ(f.valid, c.valid) << c.what;
        EXPECT_EQ(f.readOnlyRecommended, c.readOnly) << c.what;
    }
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
