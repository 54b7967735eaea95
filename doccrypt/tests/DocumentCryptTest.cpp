// Whole documents through the engine: every kind it writes comes back, and
// what other programs encrypted opens with their passwords.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "doccrypt/DocumentCrypt.h"

using namespace doccrypt;

namespace {

Bytes readSource(const std::string& relative) {
    std::ifstream in(std::string(TARNWICK_SOURCE_DIR) + "/" + relative, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

const std::string kSamples = "standins/office/tests/data/";
const std::string kFixtures = "classify/tests/fixtures/";

TEST(DocumentCrypt, EveryKindComesBackWithItsPasswordOnly) {
    for (const char* name : {"memo.docx", "memo.docm", "sheet.xlsx", "sheet.xlsm", "sheet.xlsb", "deck.pptx",
                             "deck.pptm", "deck.ppsx", "deck.ppsm", "memo.doc", "sheet.xls", "deck.ppt"}) {
        SCOPED_TRACE(name);
        Bytes original = readSource(kSamples + name);
        ASSERT_FALSE(original.empty());
        DocumentFacts before, after;
        ASSERT_EQ(inspectDocument(original, before).outcome, Outcome::Ok);
        Bytes encrypted;
        ASSERT_EQ(encryptDocument(original, u"Pw-1", systemRandom, encrypted).outcome, Outcome::Ok);
        ASSERT_EQ(inspectDocument(encrypted, after).outcome, Outcome::Ok);
        EXPECT_TRUE(after.encrypted);

        Bytes plain;
        bool wasEncrypted = false;
        EXPECT_EQ(decryptDocument(encrypted, u"Pw-2", plain, wasEncrypted).outcome, Outcome::WrongPassword);
        ASSERT_EQ(decryptDocument(encrypted, u"Pw-1", plain, wasEncrypted).outcome, Outcome::Ok);
        EXPECT_TRUE(wasEncrypted);
        ASSERT_EQ(inspectDocument(plain, after).outcome, Outcome::Ok);
        EXPECT_FALSE(after.encrypted);
        EXPECT_EQ(after.format, before.format);
        // A package comes back byte for byte; a compound file with its streams.
        if (isOpenXml(before.format)) {
            EXPECT_TRUE(plain == original);
        }
    }
}

TEST(DocumentCrypt, OtherProgramsFilesOpenWithTheirPasswords) {
    struct Case {
        std::string file;
        const char16_t* password;
        std::string plain;  // what the package decrypts to; empty for compound files
    } cases[] = {
        {kSamples + "memo-agile-npm.docx", u"Secret-1", kSamples + "memo.docx"},
        {kSamples + "sheet-agile-npm.xlsx", u"Secret-1", kSamples + "sheet.xlsx"},
        {kSamples + "deck-agile-npm.pptx", u"Secret-1", kSamples + "deck.pptx"},
        {kSamples + "memo-standard-npm.docx", u"Secret-1", kSamples + "memo.docx"},
        {kSamples + "sheet-standard-npm.xlsx", u"Secret-1", kSamples + "sheet.xlsx"},
        {kFixtures + "agile.docx", u"fixture", kFixtures + "lo-plain.docx"},
        {kFixtures + "standard.pptx", u"fixture", kFixtures + "lo-plain.pptx"},
        {kFixtures + "standard.xlsx", u"fixture", kFixtures + "lo-plain.xlsx"},
        {kFixtures + "lo-rc4.doc", u"fixture", ""},
        {kFixtures + "lo-rc4.xls", u"fixture", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        Bytes file = readSource(c.file);
        Bytes plain;
        bool wasEncrypted = false;
        EXPECT_EQ(decryptDocument(file, u"not-it", plain, wasEncrypted).outcome, Outcome::WrongPassword);
        ASSERT_EQ(decryptDocument(file, c.password, plain, wasEncrypted).outcome, Outcome::Ok);
        EXPECT_TRUE(wasEncrypted);
        if (!c.plain.empty()) {
            EXPECT_TRUE(plain == readSource(c.plain));
        }
        DocumentFacts facts;
        ASSERT_EQ(inspectDocument(plain, facts).outcome, Outcome::Ok);
        EXPECT_FALSE(facts.encrypted);
    }
}

// Damaged files through the structured-storage side, which the native
// fuzzing cannot reach: flipped and cut bytes of plain and encrypted
// documents of each container. Each fails with an outcome or succeeds; none
// crashes (a fixed seed makes the run repeatable).
TEST(DocumentCrypt, DamagedFilesFailCleanly) {
    std::mt19937 random(20261209);
    int failed = 0, runs = 0;
    for (const char* name : {"memo.docx", "memo.doc", "sheet.xls", "deck.ppt"}) {
        Bytes plain = readSource(kSamples + name), encrypted;
        ASSERT_EQ(encryptDocument(plain, u"Pw-1", systemRandom, encrypted).outcome, Outcome::Ok);
        for (const Bytes* seed : {&plain, &encrypted}) {
            for (int i = 0; i < 40; ++i, ++runs) {
                Bytes damaged = *seed;
                if (i % 4 == 0) {
                    damaged.resize(random() % damaged.size());
                } else {
                    for (int flips = 1 + int(random() % 8); flips > 0; --flips)
                        damaged[random() % damaged.size()] ^= std::uint8_t(1 + random() % 255);
                }
                Bytes out;
                bool wasEncrypted = false;
                DocumentFacts facts;
                inspectDocument(damaged, facts);
                if (decryptDocument(damaged, u"Pw-1", out, wasEncrypted).outcome != Outcome::Ok) ++failed;
                encryptDocument(damaged, u"Pw-1", systemRandom, out);
            }
        }
    }
    // Most damage is seen; an RC4 stream has no checksum, so some is not.
    EXPECT_GT(failed, runs / 4);
}

}  // namespace
