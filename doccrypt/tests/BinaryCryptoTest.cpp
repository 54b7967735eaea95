#include <gtest/gtest.h>

#include <string>

#include "doccrypt/BinaryCrypto.h"
#include "TestBytes.h"

using namespace doccrypt;
using namespace doccrypt::test_bytes;

namespace {

Bytes le32Bytes(std::uint32_t v) { return {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)}; }

// A small BIFF8 workbook: globals with a sheet entry, a string table and its
// index, then one sheet whose row index points at its cell block. Records are
// long enough to cross several 1024-byte key blocks.
struct Workbook {
    Bytes stream;
    std::size_t boundSheetAt = 0, indexAt = 0, extSstAt = 0;
    std::size_t sheetBof = 0, sstAt = 0, dbCellAt = 0;
};

Workbook sampleWorkbook() {
    Workbook w;
    Bytes& s = w.stream;
    Bytes bof = {0x00, 0x06, 0x05, 0x00, 0xBB, 0x0D, 0xCC, 0x07, 0, 0, 0, 0, 0x06, 0x04, 0, 0};
    record(s, 0x0809, bof);
    record(s, 0x00E1, {0xB0, 0x04});
    record(s, 0x005C, Bytes(112, 0x20));  // write access: user name
    w.boundSheetAt = s.size();
    record(s, 0x0085, {0, 0, 0, 0, 0, 0, 6, 0, 'S', 'h', 'e', 'e', 't', '1'});
    w.sstAt = s.size();
    Bytes sst = {1, 0, 0, 0, 1, 0, 0, 0, 3, 0, 0, 'a', 'b', 'c'};
    record(s, 0x00FC, sst);
    w.extSstAt = s.size();
    record(s, 0x00FF, {8, 0, 0, 0, 0, 0, 12, 0, 0, 0});
    record(s, 0x1001, Bytes(1500, 0x41));  // something long across a block boundary
    record(s, 0x000A, {});
    w.sheetBof = s.size();
    record(s, 0x0809, bof);
    w.indexAt = s.size();
    record(s, 0x020B, Bytes(20, 0));
    record(s, 0x0225, {0, 0, 0xFF, 0});  // default row height (the index's column-width target below)
    for (int i = 0; i < 3; ++i) record(s, 0x0208, Bytes(16, std::uint8_t(i)));
    w.dbCellAt = s.size();
    record(s, 0x00D7, {0x30, 0, 0, 0});
    record(s, 0x1002, Bytes(2100, 0x42));
    record(s, 0x000A, {});
    // The stream positions the records hold.
    auto put = [&](std::size_t at, std::uint32_t v) {
        Bytes b = le32Bytes(v);
        std::copy(b.begin(), b.end(), s.begin() + std::ptrdiff_t(at));
    };
    put(w.boundSheetAt + 4, std::uint32_t(w.sheetBof));
    put(w.extSstAt + 4 + 2, std::uint32_t(w.sstAt + 12));
    put(w.indexAt + 4 + 12, std::uint32_t(w.indexAt + 24));
    put(w.indexAt + 4 + 16, std::uint32_t(w.dbCellAt));
    return w;
}

}  // namespace

TEST(BinaryCryptoVectors, Rc4AndMd5MatchPublishedOutputs) {
    struct Rc4Case {
        const char *key, *plain, *cipher;
    } rc4Cases[] = {{"Key", "Plaintext", "bbf316e8d940af0ad3"},
                    {"Wiki", "pedia", "1021bf0420"},
                    {"Secret", "Attack at dawn", "45a01f645fc35b383552544b9bf5"}};
    for (const auto& c : rc4Cases) {
        Bytes data = text(c.plain);
        Rc4(text(c.key)).apply(data.data(), data.size());
        EXPECT_EQ(toHex(data), c.cipher) << c.key;
    }
    // Skipping is the same as encrypting and throwing away.
    Bytes whole(600, 0), tail(100, 0);
    Rc4(text("Key")).apply(whole.data(), whole.size());
    Rc4 skipping(text("Key"));
    skipping.skip(500);
    skipping.apply(tail.data(), tail.size());
    EXPECT_EQ(tail, Bytes(whole.begin() + 500, whole.end()));

    struct Md5Case {
        std::string in;
        const char* digest;
    } md5Cases[] = {{"", "d41d8cd98f00b204e9800998ecf8427e"},
                    {"abc", "900150983cd24fb0d6963f7d28e17f72"},
                    {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
                    {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
                     "d174ab98d277d9f5a5611c2c9f419d9f"},
                    {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
                     "57edf4a22be3c955ac49da2e2107b67a"}};
    for (const auto& c : md5Cases) EXPECT_EQ(toHex(Md5::digest(text(c.in))), c.digest) << c.in;
}

TEST(BinaryCryptoKeys, FortyBitKeysArePaddedAndLongerKeysCut) {
    Bytes base = rc4CryptoApiBaseHash(Bytes(16, 1), u"pw");
    Bytes k40 = rc4CryptoApiBlockKey(base, 3, 40), k128 = rc4CryptoApiBlockKey(base, 3, 128);
    ASSERT_EQ(k40.size(), 16u);
    ASSERT_EQ(k128.size(), 16u);
    EXPECT_EQ(Bytes(k40.begin(), k40.begin() + 5), Bytes(k128.begin(), k128.begin() + 5));
    EXPECT_EQ(Bytes(k40.begin() + 5, k40.end()), Bytes(11, 0));
    EXPECT_EQ(rc4CryptoApiBlockKey(base, 3, 56).size(), 7u);
    EXPECT_NE(rc4CryptoApiBlockKey(base, 4, 128), k128);
}

TEST(BinaryCryptoHeader, BuildsParsesAndChecksThePassword) {
    Rc4CryptoApiInfo info = makeRc4CryptoApiInfo(u"Secret-1", countingFrom(7));
    Bytes bytes = buildRc4CryptoApiInfo(info);
    Rc4CryptoApiInfo back;
    std::size_t used = 0;
    ASSERT_TRUE(parseRc4CryptoApiInfo(bytes.data(), bytes.size(), back, used));
    EXPECT_EQ(used, bytes.size());
    EXPECT_EQ(back.salt, info.salt);
    EXPECT_TRUE(checkRc4CryptoApiPassword(back, u"Secret-1"));
    EXPECT_FALSE(checkRc4CryptoApiPassword(back, u"Secret-2"));
    EXPECT_FALSE(checkRc4CryptoApiPassword(back, u""));
    // Every truncation is refused, never read past.
    for (std::size_t n = 0; n < bytes.size(); ++n)
        EXPECT_FALSE(parseRc4CryptoApiInfo(bytes.data(), n, back, used)) << n;
}

TEST(XlsEncryption, RoundTripKeepsPlainPartsAndMovesPositions) {
    Workbook w = sampleWorkbook();
    Bytes encrypted;
    std::string error;
    ASSERT_TRUE(encryptWorkbookStream(w.stream, u"Secret-1", countingFrom(7), encrypted, error)) << error;

    // FILEPASS right after the first BOF, everything after it moved by its size.
    ASSERT_GT(encrypted.size(), w.stream.size());
    std::size_t shift = encrypted.size() - w.stream.size();
    EXPECT_EQ(encrypted[20], 0x2F);
    EXPECT_EQ(encrypted[21], 0x00);
    EXPECT_EQ(shift, 4u + std::size_t(encrypted[22] | (encrypted[23] << 8)));
    EXPECT_EQ(Bytes(encrypted.begin(), encrypted.begin() + 20), Bytes(w.stream.begin(), w.stream.begin() + 20));
    // The interface header stays plain, the write-access body does not.
    EXPECT_EQ(Bytes(encrypted.begin() + 20 + std::ptrdiff_t(shift), encrypted.begin() + 26 + std::ptrdiff_t(shift)),
              Bytes(w.stream.begin() + 20, w.stream.begin() + 26));
    EXPECT_NE(encrypted[26 + shift + 4], 0x20);
    // The sheet entry's position is plain and points at the sheet's BOF, still plain.
    std::uint32_t sheet = le32(encrypted, w.boundSheetAt + shift + 4);
    EXPECT_EQ(sheet, w.sheetBof + shift);
    EXPECT_EQ(Bytes(encrypted.begin() + sheet, encrypted.begin() + sheet + 20),
              Bytes(w.stream.begin() + std::ptrdiff_t(w.sheetBof), w.stream.begin() + std::ptrdiff_t(w.sheetBof) + 20));

    DecryptedWorkbook back = decryptWorkbookStream(encrypted, u"Secret-1");
    ASSERT_EQ(back.status, DecryptStatus::Ok) << back.detail;
    EXPECT_EQ(back.stream, w.stream);

    EXPECT_EQ(decryptWorkbookStream(encrypted, u"secret-1").status, DecryptStatus::WrongPassword);
    EXPECT_EQ(decryptWorkbookStream(encrypted, u"").status, DecryptStatus::WrongPassword);
    EXPECT_EQ(decryptWorkbookStream(w.stream, u"Secret-1").status, DecryptStatus::Unsupported);
}

TEST(XlsEncryption, MalformedStreamsFailCleanly) {
    Workbook w = sampleWorkbook();
    Bytes encrypted;
    std::string error;
    ASSERT_TRUE(encryptWorkbookStream(w.stream, u"pw", countingFrom(7), encrypted, error));
    Bytes twice;
    EXPECT_FALSE(encryptWorkbookStream(encrypted, u"pw", countingFrom(7), twice, error));

    Bytes biff5 = w.stream;
    biff5[5] = 0x05;
    biff5[4] = 0x00;
    Bytes notBof = w.stream;
    notBof[0] = 0x10;
    Bytes overrun = w.stream;
    overrun[w.dbCellAt + 2] = 0xFF;
    for (const Bytes& bad : {Bytes(), biff5, notBof, overrun}) {
        EXPECT_FALSE(encryptWorkbookStream(bad, u"pw", countingFrom(7), twice, error));
        EXPECT_NE(decryptWorkbookStream(bad, u"pw").status, DecryptStatus::Ok);
    }
    // Cut inside a record: refused as damaged, never read past.
    std::size_t shift = encrypted.size() - w.stream.size();
    for (std::size_t n : {std::size_t(30), std::size_t(60), w.extSstAt + shift + 20, w.dbCellAt + shift + 500}) {
        DecryptedWorkbook d = decryptWorkbookStream(Bytes(encrypted.begin(), encrypted.begin() + std::ptrdiff_t(n)), u"pw");
        EXPECT_EQ(d.status, DecryptStatus::Corrupt) << n;
    }
    // A damaged header is refused.
    Bytes damaged = encrypted;
    damaged[24 + 2] = 9;  // version
    EXPECT_EQ(decryptWorkbookStream(damaged, u"pw").status, DecryptStatus::Unsupported);
}

namespace {

// A Word document's streams: a FIB with two (offset, size) pairs into the
// table, a body long enough to span several 512-byte key blocks.
struct WordFiles {
    Bytes word, table, data;
};

WordFiles sampleDocument() {
    WordFiles f;
    f.word.assign(3000, 0);
    f.word[0] = 0xEC;
    f.word[1] = 0xA5;
    f.word[11] = 0x02;  // the 1Table stream
    f.word[32] = 1;     // one 16-bit field, one 32-bit field, three pairs
    f.word[36] = 1;
    f.word[42] = 3;
    auto put = [&](std::size_t at, std::uint32_t v) {
        Bytes b = le32Bytes(v);
        std::copy(b.begin(), b.end(), f.word.begin() + std::ptrdiff_t(at));
    };
    put(44, 0), put(48, 100);       // at the start of the table
    put(52, 7777), put(56, 0);      // no size: not an offset to move
    put(60, 100), put(64, 900);
    for (std::size_t i = 68; i < f.word.size(); ++i) f.word[i] = std::uint8_t(i * 7);
    for (std::size_t i = 0; i < 1000; ++i) f.table.push_back(std::uint8_t(i * 3));
    f.data.assign(700, 0x5A);
    return f;
}

}  // namespace

TEST(DocEncryption, RoundTripMovesTheTableAndKeepsTheHeadPlain) {
    WordFiles plain = sampleDocument();
    WordFiles enc = plain;
    std::string error;
    ASSERT_TRUE(encryptWordStreams(enc.word, enc.table, &enc.data, u"Secret-1", countingFrom(7), error)) << error;
    std::uint32_t headerSize = le32(enc.word, 14);
    EXPECT_EQ(enc.word[11] & 0x01, 0x01);
    EXPECT_EQ(enc.table.size(), plain.table.size() + headerSize);
    EXPECT_EQ(Bytes(enc.word.begin() + 18, enc.word.begin() + 44), Bytes(plain.word.begin() + 18, plain.word.begin() + 44));
    EXPECT_EQ(le32(enc.word, 44), headerSize);
    EXPECT_EQ(le32(enc.word, 52), 7777u);
    EXPECT_EQ(le32(enc.word, 60), 100 + headerSize);
    EXPECT_NE(Bytes(enc.word.begin() + 68, enc.word.end()), Bytes(plain.word.begin() + 68, plain.word.end()));
    EXPECT_NE(enc.data, plain.data);
    Rc4CryptoApiInfo info;
    std::size_t used = 0;
    ASSERT_TRUE(parseRc4CryptoApiInfo(enc.table.data(), headerSize, info, used));
    EXPECT_EQ(used, headerSize);

    WordFiles back = enc;
    std::string detail;
    EXPECT_EQ(decryptWordStreams(back.word, back.table, &back.data, u"Secret-2", detail), DecryptStatus::WrongPassword);
    EXPECT_EQ(back.word, enc.word);
    ASSERT_EQ(decryptWordStreams(back.word, back.table, &back.data, u"Secret-1", detail), DecryptStatus::Ok) << detail;
    EXPECT_EQ(back.word, plain.word);
    EXPECT_EQ(back.table, plain.table);
    EXPECT_EQ(back.data, plain.data);

    // Refused: already encrypted, not a document, a header cut short.
    WordFiles again = enc;
    EXPECT_FALSE(encryptWordStreams(again.word, again.table, nullptr, u"x", countingFrom(7), error));
    Bytes notWord(100, 0), empty;
    EXPECT_FALSE(encryptWordStreams(notWord, empty, nullptr, u"x", countingFrom(7), error));
    EXPECT_EQ(decryptWordStreams(notWord, empty, nullptr, u"x", detail), DecryptStatus::Corrupt);
    WordFiles cut = enc;
    cut.table.resize(headerSize - 1);
    EXPECT_EQ(decryptWordStreams(cut.word, cut.table, nullptr, u"Secret-1", detail), DecryptStatus::Corrupt);
}
