// Pinned results for every primitive the formats use, at the sizes and in
// the ways they use them. The same tests run natively (our portable code) and
// under Wine (the platform's BCrypt and CryptoAPI), so both builds must agree
// with these values, which come from an independent implementation.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>

#include "doccrypt/Crypto.h"
#include "doccrypt/OfficeCrypto.h"
#include "TestBytes.h"

using namespace doccrypt;
using namespace doccrypt::test_bytes;

namespace {

Bytes pattern(std::size_t size, unsigned step, unsigned start) {
    Bytes b(size);
    for (std::size_t i = 0; i < size; ++i) b[i] = std::uint8_t(i * step + start);
    return b;
}

}  // namespace

TEST(CryptoBackend, AgileKeyDerivationAtFullStrength) {
    Bytes salt = pattern(16, 1, 0);
    Bytes iterated = agileIteratedHash(HashKind::Sha512, salt, u"Secret-1", 100000);
    EXPECT_EQ(toHex(iterated),
              "501e539c048862a9d1f3700c7083e5d7ea56ebec0e13699e43e2492f12b6a626"
              "eceb39abf2cac94cc658c07e7b55b4afe7dc462ae5d5e852a372ae67a6eb8b81");
    EXPECT_EQ(toHex(agileBlockKey(HashKind::Sha512, iterated, {0x14, 0x6e, 0x0b, 0xe7, 0xab, 0xac, 0xd0, 0xd6}, 32)),
              "d04f25e456f88e2df26d47882db3e993c7a68bf9d557ae5d25371c048b11e026");
}

TEST(CryptoBackend, HmacOverALargeMessageAndWithAnEmptyKey) {
    Bytes message = pattern(3 * 1024 * 1024 + 1, 7, 3);
    EXPECT_EQ(toHex(hmac(HashKind::Sha512, pattern(64, 5, 1), message)),
              "fee0c76aea80aa31160b35f01dbc0ae56715cdc64e3137bbbe5129dda493ff1d"
              "3247ef59a9fc31fd5f409752c08e2ba89992a2a95ae01d71114f4aaa5fbdb117");
    EXPECT_EQ(toHex(hmac(HashKind::Sha1, Bytes(), text("abc"))), "9b4a918f398d74d3e367970aba3cbe54e4d2b5d9");
}

TEST(CryptoBackend, AesCbcAcrossSegmentsInPlaceAndEcbInOneGo) {
    Bytes key = pattern(32, 1, 0), iv = pattern(16, 1, 100);
    Bytes plain = pattern(4096 * 3 + 32, 13, 5);
    Bytes cipher = aesCbcEncrypt(key, iv, plain);
    EXPECT_EQ(toHex(Sha512::digest(cipher)),
              "551f6d14a443956706c9f270bd1f49cf756f7579c7c5ce4cbdbe9862a17e5c91"
              "ad01bf63e1cd1569347f83e41cf73d7ed4f11c6ea2508b37deeceaf5b51c4c1f");
    // Segment by segment in place, the way packages are decrypted: each
    // segment chains from the last block of the one before.
    Aes aes(key);
    Bytes work = cipher;
    const std::uint8_t* chain = iv.data();
    for (std::size_t at = 0; at < work.size(); at += 4096) {
        std::size_t blocks = std::min<std::size_t>(4096, work.size() - at) / 16;
        aes.cbcDecrypt(chain, &work[at], &work[at], blocks);
        chain = &cipher[at + blocks * 16 - 16];
    }
    EXPECT_EQ(work, plain);

    Bytes key128 = pattern(16, 1, 0);
    Bytes block = fromHex("69c4e0d86a7b0430d8cdb78070b4c55a"), three;
    for (int i = 0; i < 3; ++i) three.insert(three.end(), block.begin(), block.end());
    Bytes expected;
    for (int i = 0; i < 3; ++i) {
        Bytes p = fromHex("00112233445566778899aabbccddeeff");
        expected.insert(expected.end(), p.begin(), p.end());
    }
    EXPECT_EQ(aesEcbDecrypt(key128, three), expected);
    EXPECT_THROW(aesEcbDecrypt(key128, Bytes(17)), std::invalid_argument);
    EXPECT_THROW(aesEcbDecrypt(Bytes(20), Bytes(16)), std::invalid_argument);
}

TEST(CryptoBackend, Rc4EveryKeySizeWithSkipping) {
    // The key stream after skipping 1000 bytes, for keys of 1 to 16 bytes
    // (0x11, 0x22, ...): the short ones go to the platform repeated.
    const char* expected[16] = {"17acb7ee00920b20", "ff778da3ac81aa9d", "255a0c4fb2e1be8c", "f33d57f0764b9d4c",
                                "9e7b0f28c61a031a", "ae822503e00362b3", "8ae0436b872a766e", "cadf876a7d7d0bc7",
                                "5cbd4a4750d38b4c", "b5125e9cedb0371d", "8e1c1ddd3220d80f", "5141559c25ebfa66",
                                "a4c33dbdd3464d07", "fe384a6e0f8b83ad", "0ed9cb1cdca8f2d0", "2e091bee7f191707"};
    for (std::size_t n = 1; n <= 16; ++n) {
        Bytes key = pattern(n, 0x11, 0x11);
        Rc4 rc4(key);
        rc4.skip(600);
        Bytes some(150, 0);
        rc4.apply(some.data(), some.size());
        Rc4 moved = std::move(rc4);  // the stream goes on in the new owner
        moved.skip(250);
        Bytes out(8, 0);
        moved.apply(out.data(), out.size());
        EXPECT_EQ(toHex(out), expected[n - 1]) << n << "-byte key";
    }
    // A 40-bit key is five bytes of key, nothing added (RFC 6229).
    Rc4 fortyBit(Bytes{1, 2, 3, 4, 5});
    Bytes first(16, 0), later(16, 0);
    fortyBit.apply(first.data(), first.size());
    fortyBit.skip(4096 - 16);
    fortyBit.apply(later.data(), later.size());
    EXPECT_EQ(toHex(first), "b2396305f03dc027ccc3524a0a1118a8");
    EXPECT_EQ(toHex(later), "ff25b58995996707e51fbdf08b34d875");
    EXPECT_THROW(Rc4{Bytes()}, std::invalid_argument);
    EXPECT_THROW(Rc4{Bytes(17, 1)}, std::invalid_argument);
}

TEST(CryptoBackend, HashesOfAMillionInOddPiecesAndAfreshAfterFinish) {
    struct Case {
        const char* name;
        RunningHash (*make)();
        const char* million;
        const char* abc;
    } cases[] = {
        {"md5", [] { return RunningHash(Md5()); }, "7707d6ae4e027c70eea2a935c2296f21", "900150983cd24fb0d6963f7d28e17f72"},
        {"sha1", [] { return RunningHash(Sha1()); }, "34aa973cd4c4daa4f61eeb2bdbad27316534016f",
         "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {"sha512", [] { return RunningHash(Sha512()); },
         "e718483d0ce769644e2e42c7bc15b4638e1f98b13b2044285632a803afa973eb"
         "de0ff244877ea60a4cb0432ce577c31beb009c5c2c49aa2e4eadb217ad8cc09b",
         "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a"
         "2192992a274fc1a836ba3c23a3feebbd454d4423643ce80e2a9ac94fa54ca49f"},
    };
    const std::string a(1000, 'a');
    for (const Case& c : cases) {
        RunningHash h = c.make();
        std::size_t left = 1000000, piece = 1;
        while (left) {
            std::size_t n = std::min({left, piece, a.size()});
            h.update(a.data(), n);
            left -= n;
            piece = piece * 3 + 1;  // 1, 4, 13, 40, ... then whole thousands
        }
        EXPECT_EQ(toHex(h.finish()), c.million) << c.name;
        // The same object again: a fresh hash each time.
        for (int round = 0; round < 2; ++round) {
            h.update("abc", 3);
            EXPECT_EQ(toHex(h.finish()), c.abc) << c.name << " round " << round;
        }
    }
}
