#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "doccrypt/Crypto.h"
#include "doccrypt/OfficeCrypto.h"
#include "TestBytes.h"

using namespace doccrypt;
using namespace doccrypt::test_bytes;

TEST(CryptoVectors, HashesMatchPublishedDigests) {
    struct Case {
        HashKind kind;
        std::string message;
        std::string digest;
    } cases[] = {
        {HashKind::Sha1, "abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {HashKind::Sha1, "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
        {HashKind::Sha512, "",
         "cf83e1357eefb8bdf1542850d66d8007d620e4050b5715dc83f4a921d36ce9ce47d0d13c5d85f2b0ff8318d2877eec2f63b931bd47417a81a538327af927da3e"},
        {HashKind::Sha512, "abc",
         "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1a836ba3c23a3feebbd454d4423643ce80e2a9ac94fa54ca49f"},
        {HashKind::Sha512,
         "abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopqrstu",
         "8e959b75dae313da8cf4f72814fc143f8f7779c6eb9f7fa17299aeadb6889018501d289e4900f7e4331b99dec4b5433ac7d329eeb6dd26545e96e55b874be909"},
    };
    for (const Case& c : cases) EXPECT_EQ(toHex(hash(c.kind, text(c.message))), c.digest) << c.message;
}

TEST(CryptoVectors, HmacMatchesRfcCases) {
    EXPECT_EQ(toHex(hmac(HashKind::Sha512, text("Jefe"), text("what do ya want for nothing?"))),
              "164b7a7bfcf819e2e395fbe73b56e0a387bd64222e831fd610270cd7ea2505549758bf75c05a994a6d034f65f8f0e6fdcaeab1a34d4a6b4b636e070a38bce737");
    EXPECT_EQ(toHex(hmac(HashKind::Sha1, text("Jefe"), text("what do ya want for nothing?"))),
              "effcdf6ae5eb2fa2d27416d5f184df9c259a7c79");
    // A key longer than the block is hashed first (RFC 4231 case 6).
    EXPECT_EQ(toHex(hmac(HashKind::Sha512, Bytes(131, 0xaa), text("Test Using Larger Than Block-Size Key - Hash Key First"))),
              "80b24263c7c1a3ebb71493c1dd7be8b49b46d1f41b4aeec1121b013783f8f3526b56d037e05f2598bd0fd2215d6a1e5295e64f73f63f0aec8b915a985d786598");
}

TEST(CryptoVectors, AesBlocksMatchFips197BothWays) {
    const Bytes plain = fromHex("00112233445566778899aabbccddeeff");
    struct Case {
        std::size_t keySize;
        std::string cipher;
    } cases[] = {{16, "69c4e0d86a7b0430d8cdb78070b4c55a"},
                 {24, "dda97ca4864cdfe06eaf70a0ec0d7191"},
                 {32, "8ea2b7ca516745bfeafc49904b496089"}};
    for (const Case& c : cases) {
        Bytes key(c.keySize);
        for (std::size_t i = 0; i < key.size(); ++i) key[i] = std::uint8_t(i);
        Aes aes(key);
        Bytes out(16), back(16);
        aes.encryptBlock(plain.data(), out.data());
        EXPECT_EQ(toHex(out), c.cipher);
        aes.decryptBlock(out.data(), back.data());
        EXPECT_EQ(back, plain);
    }
    EXPECT_THROW(Aes(Bytes(20)), std::invalid_argument);
}

TEST(CryptoVectors, CbcMatchesSp800_38a) {
  for (bool instructions : {true, false}) {
    allowAesInstructions(instructions);
    Bytes key = fromHex("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");
    Bytes iv = fromHex("000102030405060708090a0b0c0d0e0f");
    Bytes plain = fromHex("6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51");
    Bytes cipher = aesCbcEncrypt(key, iv, plain);
    EXPECT_EQ(toHex(cipher), "f58c4c04d6e5f1ba779eabfb5f7bfbd69cfc4e967edb808d679f777bc6702c7d");
    EXPECT_EQ(aesCbcDecrypt(key, iv, cipher), plain);
    EXPECT_THROW(aesCbcEncrypt(key, iv, Bytes(15)), std::invalid_argument);
    // Longer runs exercise the four-block path and its tail.
    Bytes longer(16 * 11);
    for (std::size_t i = 0; i < longer.size(); ++i) longer[i] = std::uint8_t(i * 13);
    Bytes enc = aesCbcEncrypt(key, iv, longer);
    allowAesInstructions(!instructions);
    EXPECT_EQ(aesCbcEncrypt(key, iv, longer), enc);
    EXPECT_EQ(aesCbcDecrypt(key, iv, enc), longer);
  }
  allowAesInstructions(true);
}

TEST(CryptoVectors, Base64RoundTripsAndRejectsGarbage) {
    const char* cases[][2] = {{"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"}, {"foobar", "Zm9vYmFy"}};
    for (auto& c : cases) {
        EXPECT_EQ(base64Encode(text(c[0])), c[1]);
        Bytes back;
        ASSERT_TRUE(base64Decode(c[1], back));
        EXPECT_EQ(back, text(c[0]));
    }
    Bytes out;
    EXPECT_FALSE(base64Decode("Zm9v*", out));
    EXPECT_FALSE(base64Decode("Zg==Zg", out));
}

TEST(AgileEncryption, RoundTripsEverySizeAroundSegmentBoundaries) {
    for (std::size_t size : {std::size_t(0), std::size_t(1), std::size_t(15), std::size_t(16), std::size_t(4095),
                             std::size_t(4096), std::size_t(4097), std::size_t(10000)}) {
        Bytes package(size);
        for (std::size_t i = 0; i < size; ++i) package[i] = std::uint8_t(i * 7 + 3);
        EncryptedStreams e = encryptAgile(package, u"Secret", countingFrom(0), 1000);
        ASSERT_GE(e.encryptedPackage.size(), size + 8);
        if (size >= 16) {
            EXPECT_EQ(std::search(e.encryptedPackage.begin(), e.encryptedPackage.end(), package.begin(),
                                  package.begin() + 16),
                      e.encryptedPackage.end());
        }
        Decrypted d = decryptPackage(e.encryptionInfo, e.encryptedPackage, u"Secret");
        ASSERT_EQ(d.status, DecryptStatus::Ok) << size << " " << d.detail;
        EXPECT_EQ(d.package, package);
    }
}

TEST(AgileEncryption, RefusesWrongPasswordsAndTampering) {
    Bytes package(5000, 0x41);
    EncryptedStreams e = encryptAgile(package, u"Secret", countingFrom(0), 1000);
    EXPECT_EQ(decryptPackage(e.encryptionInfo, e.encryptedPackage, u"secret").status, DecryptStatus::WrongPassword);
    EXPECT_EQ(decryptPackage(e.encryptionInfo, e.encryptedPackage, u"").status, DecryptStatus::WrongPassword);

    Bytes flipped = e.encryptedPackage;
    flipped[100] ^= 1;
    EXPECT_EQ(decryptPackage(e.encryptionInfo, flipped, u"Secret").status, DecryptStatus::IntegrityFailed);
    // A large package is checked while it is decrypted: the same verdicts.
    EncryptedStreams large = encryptAgile(Bytes(3u << 20, 0x42), u"Secret", countingFrom(0), 1000);
    EXPECT_EQ(decryptPackage(large.encryptionInfo, large.encryptedPackage, u"Secret").package, Bytes(3u << 20, 0x42));
    large.encryptedPackage[2u << 20] ^= 0x80;
    EXPECT_EQ(decryptPackage(large.encryptionInfo, large.encryptedPackage, u"Secret").status, DecryptStatus::IntegrityFailed);

    Bytes truncated(e.encryptedPackage.begin(), e.encryptedPackage.begin() + 2000);
    EXPECT_NE(decryptPackage(e.encryptionInfo, truncated, u"Secret").status, DecryptStatus::Ok);

    Bytes info = e.encryptionInfo;
    info.resize(info.size() / 2);
    EXPECT_EQ(decryptPackage(info, e.encryptedPackage, u"Secret").status, DecryptStatus::Corrupt);
    EXPECT_EQ(decryptPackage(Bytes{1, 2}, e.encryptedPackage, u"Secret").status, DecryptStatus::Corrupt);
    EXPECT_EQ(decryptPackage(Bytes{9, 0, 9, 0, 0, 0, 0, 0}, e.encryptedPackage, u"Secret").status,
              DecryptStatus::Unsupported);
}

TEST(AgileEncryption, DescriptionCarriesTheAdvertisedParameters) {
    EncryptedStreams e = encryptAgile(Bytes(10), u"x", countingFrom(0));
    std::string xml(e.encryptionInfo.begin() + 8, e.encryptionInfo.end());
    std::map<std::string, std::string> key, data;
    ASSERT_TRUE(xmlElementAttributes(xml, "encryptedKey", key));
    ASSERT_TRUE(xmlElementAttributes(xml, "keyData", data));
    EXPECT_EQ(key["spinCount"], "100000");
    EXPECT_EQ(key["hashAlgorithm"], "SHA512");
    EXPECT_EQ(data["keyBits"], "256");
    EXPECT_TRUE(xmlElementAttributes(xml, "dataIntegrity", data));
    EXPECT_EQ((Bytes(e.encryptionInfo.begin(), e.encryptionInfo.begin() + 8)), (Bytes{4, 0, 4, 0, 0x40, 0, 0, 0}));
}

TEST(AgileEncryption, KeyDerivationIsTheIteratedHash) {
    // Two spins by hand against the function.
    Bytes salt(16, 1), block{1, 2, 3, 4, 5, 6, 7, 8};
    Bytes h = hash2(HashKind::Sha512, salt, passwordBytes(u"pw"));
    for (std::uint32_t i = 0; i < 2; ++i) h = hash2(HashKind::Sha512, Bytes{std::uint8_t(i), 0, 0, 0}, h);
    Bytes expected = hash2(HashKind::Sha512, h, block);
    expected.resize(32);
    EXPECT_EQ(agileKey(HashKind::Sha512, salt, u"pw", 2, block, 32), expected);
    Bytes longKey = agileKey(HashKind::Sha1, salt, u"pw", 2, block, 32);
    EXPECT_EQ(longKey[20], 0x36);
}
