#include "OfficeCrypto.h"

#include <cstring>
#include <future>
#include <stdexcept>

namespace doccrypt {

namespace {

const std::uint8_t kBlockVerifierInput[8] = {0xfe, 0xa7, 0xd2, 0x76, 0x3b, 0x4b, 0x9e, 0x79};
const std::uint8_t kBlockVerifierValue[8] = {0xd7, 0xaa, 0x0f, 0x6d, 0x30, 0x61, 0x34, 0x4e};
const std::uint8_t kBlockKeyValue[8] = {0x14, 0x6e, 0x0b, 0xe7, 0xab, 0xac, 0xd0, 0xd6};
const std::uint8_t kBlockHmacKey[8] = {0x5f, 0xb2, 0xad, 0x01, 0x0c, 0xb9, 0xe1, 0xf6};
const std::uint8_t kBlockHmacValue[8] = {0xa0, 0x67, 0x7f, 0x02, 0xb2, 0x2c, 0x84, 0x33};

constexpr std::size_t kSegment = 4096;

Bytes bytesOf(const std::uint8_t (&a)[8]) { return Bytes(a, a + 8); }

Bytes le32(std::uint32_t v) {
    return Bytes{std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)};
}

std::uint32_t readLe32(const Bytes& b, std::size_t at) {
    return std::uint32_t(b[at]) | (std::uint32_t(b[at + 1]) << 8) | (std::uint32_t(b[at + 2]) << 16) |
           (std::uint32_t(b[at + 3]) << 24);
}

std::uint16_t readLe16(const Bytes& b, std::size_t at) { return std::uint16_t(b[at] | (b[at + 1] << 8)); }


Bytes cut(const Bytes& data, std::size_t size, std::uint8_t fill) {
    Bytes out(data.begin(), data.begin() + std::min(size, data.size()));
    out.resize(size, fill);
    return out;
}

Bytes random(const RandomFill& fill, std::size_t n) {
    Bytes out(n);
    fill(out.data(), n);
    return out;
}

RunningHash runningHash(HashKind kind) {
    if (kind == HashKind::Sha1) return Sha1();
    return Sha512();
}

// Encrypts or decrypts the package in 4096-byte segments, each with its own
// IV, appending the result to out (which then needs no copy of its own).
void cryptSegments(bool encrypt, HashKind kind, const Bytes& key, const Bytes& keySalt, const std::uint8_t* data,
                   std::size_t size, Bytes& out) {
    // Each segment is padded with zeros to a whole number of blocks.
    const std::size_t at = out.size();
    out.resize(at + (size + 15) / 16 * 16, 0);
    if (size) std::memcpy(&out[at], data, size);
    Aes aes(key);
    RunningHash ivHash = runningHash(kind);  // one hash object for every segment's IV
    std::uint32_t index = 0;
    for (std::size_t p = at; p < out.size(); p += kSegment, ++index) {
        std::size_t n = std::min(kSegment, out.size() - p);
        const std::uint8_t block[4] = {std::uint8_t(index), std::uint8_t(index >> 8), std::uint8_t(index >> 16),
                                       std::uint8_t(index >> 24)};
        ivHash.update(keySalt.data(), keySalt.size());
        ivHash.update(block, 4);
        Bytes iv = ivHash.finish();  // at least 20 bytes: the IV is the first 16
        if (encrypt) aes.cbcEncrypt(iv.data(), &out[p], &out[p], n / 16);
        else aes.cbcDecrypt(iv.data(), &out[p], &out[p], n / 16);
    }
}

void appendLe32(Bytes& b, std::uint32_t v) {
    Bytes x = le32(v);
    b.insert(b.end(), x.begin(), x.end());
}

std::string attr(const std::map<std::string, std::string>& m, const char* name) {
    auto it = m.find(name);
    return it == m.end() ? std::string() : it->second;
}

bool parseUnsigned(const std::string& text, unsigned long& out) {
    if (text.empty() || text.size() > 9) return false;
    out = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        out = out * 10 + unsigned(c - '0');
    }
    return true;
}

bool hashKindOf(const std::string& name, HashKind& kind) {
    if (name == "SHA512") kind = HashKind::Sha512;
    else if (name == "SHA1") kind = HashKind::Sha1;
    else return false;
    return true;
}

Decrypted fail(DecryptStatus status, const std::string& detail) {
    Decrypted d;
    d.status = status;
    d.detail = detail;
    return d;
}

std::uint64_t packageSize(const Bytes& encryptedPackage) {
    return std::uint64_t(readLe32(encryptedPackage, 0)) | (std::uint64_t(readLe32(encryptedPackage, 4)) << 32);
}

}  // namespace

Bytes agileIteratedHash(HashKind kind, const Bytes& salt, const std::u16string& password, unsigned spinCount);
Bytes agileBlockKey(HashKind kind, const Bytes& iterated, const Bytes& blockKey, std::size_t keyBytes);

namespace {

// An agile encryption description: the password key encryptor's and the
// package's parameters, checked and decoded.
struct AgileDescription {
    std::map<std::string, std::string> keyData, integrity, keyEnc;
    bool hasIntegrity = false;
    HashKind keyHash = HashKind::Sha512, dataHash = HashKind::Sha512;
    unsigned long spin = 0, keyBits = 0, dataKeyBits = 0;
    Bytes salt, verifierInput, verifierValue, keyValue, dataSalt;
};

// Reads the description; false with the failure when it is incomplete,
// damaged or of a cipher this engine does not know.
bool readAgileDescription(const Bytes& info, AgileDescription& a, Decrypted& failure) {
    std::string xml(info.begin() + 8, info.end());
    if (!xmlElementAttributes(xml, "keyData", a.keyData) || !xmlElementAttributes(xml, "encryptedKey", a.keyEnc)) {
        failure = fail(DecryptStatus::Corrupt, "the encryption description is incomplete");
        return false;
    }
    a.hasIntegrity = xmlElementAttributes(xml, "dataIntegrity", a.integrity);

    const auto& keyEnc = a.keyEnc;
    const auto& keyData = a.keyData;
    unsigned long blockSize = 0, dataBlockSize = 0;
    if (!hashKindOf(attr(keyEnc, "hashAlgorithm"), a.keyHash) ||
        !hashKindOf(attr(keyData, "hashAlgorithm"), a.dataHash) ||
        attr(keyEnc, "cipherAlgorithm") != "AES" || attr(keyData, "cipherAlgorithm") != "AES" ||
        attr(keyEnc, "cipherChaining") != "ChainingModeCBC" || attr(keyData, "cipherChaining") != "ChainingModeCBC") {
        failure = fail(DecryptStatus::Unsupported, "unsupported cipher or hash");
        return false;
    }
    if (!parseUnsigned(attr(keyEnc, "spinCount"), a.spin) || a.spin > 10000000 ||
        !parseUnsigned(attr(keyEnc, "keyBits"), a.keyBits) || !parseUnsigned(attr(keyData, "keyBits"), a.dataKeyBits) ||
        !parseUnsigned(attr(keyEnc, "blockSize"), blockSize) ||
        !parseUnsigned(attr(keyData, "blockSize"), dataBlockSize)) {
        failure = fail(DecryptStatus::Corrupt, "bad numbers in the encryption description");
        return false;
    }
    const auto aesKeyBits = [](unsigned long bits) { return bits == 128 || bits == 192 || bits == 256; };
    if (!aesKeyBits(a.keyBits) || !aesKeyBits(a.dataKeyBits) || blockSize != 16 || dataBlockSize != 16) {
        failure = fail(DecryptStatus::Unsupported, "unsupported key or block size");
        return false;
    }

    if (!base64Decode(attr(keyEnc, "saltValue"), a.salt) ||
        !base64Decode(attr(keyEnc, "encryptedVerifierHashInput"), a.verifierInput) ||
        !base64Decode(attr(keyEnc, "encryptedVerifierHashValue"), a.verifierValue) ||
        !base64Decode(attr(keyEnc, "encryptedKeyValue"), a.keyValue) ||
        !base64Decode(attr(keyData, "saltValue"), a.dataSalt) || a.salt.empty() || a.dataSalt.empty() ||
        a.verifierInput.empty() || a.verifierInput.size() % 16 || a.verifierValue.size() % 16 ||
        a.verifierValue.size() < hashSize(a.keyHash) || a.keyValue.size() % 16 ||
        a.keyValue.size() < a.dataKeyBits / 8) {
        failure = fail(DecryptStatus::Corrupt, "bad values in the encryption description");
        return false;
    }
    return true;
}

// The package's secret key, unlocked with the password's hash; false when
// the verifier shows the password is not the document's.
bool unlockAgileSecret(const AgileDescription& a, const PasswordHash& passwordHash, Bytes& secret) {
    Bytes iterated = passwordHash(a.keyHash, a.salt, unsigned(a.spin));
    Bytes k1 = agileBlockKey(a.keyHash, iterated, bytesOf(kBlockVerifierInput), a.keyBits / 8);
    Bytes k2 = agileBlockKey(a.keyHash, iterated, bytesOf(kBlockVerifierValue), a.keyBits / 8);
    Bytes k3 = agileBlockKey(a.keyHash, iterated, bytesOf(kBlockKeyValue), a.keyBits / 8);
    Bytes input = aesCbcDecrypt(k1, a.salt, a.verifierInput);
    Bytes expected = aesCbcDecrypt(k2, a.salt, a.verifierValue);
    unsigned long saltSize = 0;
    if (parseUnsigned(attr(a.keyEnc, "saltSize"), saltSize) && saltSize <= input.size()) input.resize(saltSize);
    Bytes got = hash(a.keyHash, input);
    if (std::memcmp(got.data(), expected.data(), got.size()) != 0) return false;
    secret = aesCbcDecrypt(k3, a.salt, a.keyValue);
    secret.resize(a.dataKeyBits / 8);
    return true;
}

// The data-integrity HMAC's key and expected value, decrypted with the
// secret; false when they are damaged.
bool unlockAgileIntegrity(const AgileDescription& a, const Bytes& secret, Bytes& hmacKey, Bytes& hmacValue) {
    Bytes encKey, encValue;
    if (!base64Decode(attr(a.integrity, "encryptedHmacKey"), encKey) ||
        !base64Decode(attr(a.integrity, "encryptedHmacValue"), encValue) || encKey.empty() || encKey.size() % 16 ||
        encValue.size() % 16 || encValue.size() < hashSize(a.dataHash))
        return false;
    hmacKey = aesCbcDecrypt(secret, cut(hash2(a.dataHash, a.dataSalt, bytesOf(kBlockHmacKey)), 16, 0x36), encKey);
    hmacKey.resize(std::min(hmacKey.size(), hashSize(a.dataHash)));
    hmacValue = aesCbcDecrypt(secret, cut(hash2(a.dataHash, a.dataSalt, bytesOf(kBlockHmacValue)), 16, 0x36), encValue);
    hmacValue.resize(hashSize(a.dataHash));
    return true;
}

Decrypted decryptAgile(const Bytes& info, const Bytes& encryptedPackage, const PasswordHash& passwordHash) {
    AgileDescription a;
    Decrypted failure;
    if (!readAgileDescription(info, a, failure)) return failure;
    Bytes secret;
    if (!unlockAgileSecret(a, passwordHash, secret))
        return fail(DecryptStatus::WrongPassword, "the password is incorrect");

    if (encryptedPackage.size() < 8) return fail(DecryptStatus::Corrupt, "the encrypted package is truncated");
    std::uint64_t size = packageSize(encryptedPackage);
    std::size_t body = encryptedPackage.size() - 8;
    if (size > body || body - size >= kSegment + 16)
        return fail(DecryptStatus::Corrupt, "the encrypted package has the wrong size");
    Bytes hmacKey, hmacValue;
    if (a.hasIntegrity && !unlockAgileIntegrity(a, secret, hmacKey, hmacValue))
        return fail(DecryptStatus::Corrupt, "bad data-integrity values");
    std::size_t cipherLen = body / 16 * 16;
    if (cipherLen < size) return fail(DecryptStatus::Corrupt, "the encrypted package is truncated");
    // The integrity check and the decryption read the same bytes
    // independently: on a large package they run side by side.
    Bytes computed;
    auto check = [&] {
        if (a.hasIntegrity) computed = hmac(a.dataHash, hmacKey, encryptedPackage);
    };
    Decrypted d;
    if (a.hasIntegrity && encryptedPackage.size() >= (1u << 20)) {
        auto pending = std::async(std::launch::async, check);
        cryptSegments(false, a.dataHash, secret, a.dataSalt, encryptedPackage.data() + 8, cipherLen, d.package);
        pending.get();
    } else {
        check();
        cryptSegments(false, a.dataHash, secret, a.dataSalt, encryptedPackage.data() + 8, cipherLen, d.package);
    }
    if (a.hasIntegrity && computed != hmacValue)
        return fail(DecryptStatus::IntegrityFailed, "the document's data integrity check failed");
    d.package.resize(std::size_t(size));
    d.status = DecryptStatus::Ok;
    return d;
}

Decrypted decryptStandard(const Bytes& info, const Bytes& encryptedPackage, const PasswordHash& passwordHash) {
    // Version, flags, header size, header, verifier.
    if (info.size() < 12) return fail(DecryptStatus::Corrupt, "the encryption header is truncated");
    std::uint32_t headerSize = readLe32(info, 8);
    if (headerSize < 32 || headerSize > info.size() - 12) return fail(DecryptStatus::Corrupt, "bad encryption header size");
    std::size_t h = 12;
    std::uint32_t algId = readLe32(info, h + 8), hashId = readLe32(info, h + 12), keyBits = readLe32(info, h + 16);
    if ((algId != 0x660E && algId != 0x660F && algId != 0x6610) || (hashId != 0x8004 && hashId != 0))
        return fail(DecryptStatus::Unsupported, "unsupported cipher in the encryption header");
    if (keyBits != 128 && keyBits != 192 && keyBits != 256) return fail(DecryptStatus::Unsupported, "unsupported key size");
    std::size_t v = h + headerSize;
    if (info.size() < v + 4 + 16 + 16 + 4 + 32) return fail(DecryptStatus::Corrupt, "the verifier is truncated");
    std::uint32_t saltSize = readLe32(info, v);
    if (saltSize != 16) return fail(DecryptStatus::Corrupt, "bad salt size");
    Bytes salt(info.begin() + long(v) + 4, info.begin() + long(v) + 20);
    Bytes encVerifier(info.begin() + long(v) + 20, info.begin() + long(v) + 36);
    Bytes encVerifierHash(info.begin() + long(v) + 40, info.begin() + long(v) + 72);

    // The same iterated hash as the agile method's, with SHA-1 and 50,000 rounds.
    Bytes hv = passwordHash(HashKind::Sha1, salt, 50000);
    if (hv.size() != hashSize(HashKind::Sha1)) return fail(DecryptStatus::Corrupt, "bad password hash");
    hv = hash2(HashKind::Sha1, hv, le32(0));
    Bytes b1(64, 0x36), b2(64, 0x5c);
    for (std::size_t i = 0; i < hv.size(); ++i) {
        b1[i] ^= hv[i];
        b2[i] ^= hv[i];
    }
    Bytes derived = hash(HashKind::Sha1, b1);
    Bytes x2 = hash(HashKind::Sha1, b2);
    derived.insert(derived.end(), x2.begin(), x2.end());
    derived.resize(keyBits / 8);

    Bytes verifier = aesEcbDecrypt(derived, encVerifier);
    Bytes verifierHash = aesEcbDecrypt(derived, encVerifierHash);
    Bytes got = hash(HashKind::Sha1, verifier);
    if (std::memcmp(got.data(), verifierHash.data(), got.size()) != 0)
        return fail(DecryptStatus::WrongPassword, "the password is incorrect");
    if (encryptedPackage.size() < 8) return fail(DecryptStatus::Corrupt, "the encrypted package is truncated");
    std::uint64_t size = packageSize(encryptedPackage);
    std::size_t body = (encryptedPackage.size() - 8) / 16 * 16;
    if (size > body) return fail(DecryptStatus::Corrupt, "the encrypted package is truncated");
    Decrypted d;
    d.package = aesEcbDecrypt(derived, Bytes(encryptedPackage.begin() + 8, encryptedPackage.begin() + 8 + long(body)));
    d.package.resize(std::size_t(size));
    d.status = DecryptStatus::Ok;
    return d;
}

}  // namespace

Bytes agileIteratedHash(HashKind kind, const Bytes& salt, const std::u16string& password, unsigned spinCount) {
    Bytes h = hash2(kind, salt, passwordBytes(password));
    std::uint8_t buf[4 + 64];
    std::size_t hs = h.size();
    std::memcpy(buf + 4, h.data(), hs);
    // One hash object for every round: finish() starts it afresh, and the
    // platform's objects are then reused rather than made anew.
    auto spin = [&](RunningHash&& s) {
        for (unsigned i = 0; i < spinCount; ++i) {
            buf[0] = std::uint8_t(i);
            buf[1] = std::uint8_t(i >> 8);
            buf[2] = std::uint8_t(i >> 16);
            buf[3] = std::uint8_t(i >> 24);
            s.update(buf, 4 + hs);
            Bytes next = s.finish();
            std::memcpy(buf + 4, next.data(), hs);
        }
    };
    if (kind == HashKind::Sha512) spin(Sha512());
    else spin(Sha1());
    return Bytes(buf + 4, buf + 4 + hs);
}

Bytes agileBlockKey(HashKind kind, const Bytes& iterated, const Bytes& blockKey, std::size_t keyBytes) {
    return cut(hash2(kind, iterated, blockKey), keyBytes, 0x36);
}

Bytes agileKey(HashKind kind, const Bytes& salt, const std::u16string& password, unsigned spinCount,
               const Bytes& blockKey, std::size_t keyBytes) {
    return agileBlockKey(kind, agileIteratedHash(kind, salt, password, spinCount), blockKey, keyBytes);
}

EncryptedStreams encryptAgile(const Bytes& package, const std::u16string& password, const RandomFill& fill,
                              unsigned spinCount) {
    const HashKind kind = HashKind::Sha512;
    Bytes keySalt = random(fill, 16);
    Bytes passwordSalt = random(fill, 16);
    Bytes secret = random(fill, 32);
    Bytes verifier = random(fill, 16);
    Bytes hmacKey = random(fill, 64);

    // The password's key derivation needs nothing of the package: on a
    // large package it runs beside the encryption and the HMAC.
    auto derive = [&] { return agileIteratedHash(kind, passwordSalt, password, spinCount); };
    std::future<Bytes> pending;
    if (package.size() >= (1u << 20)) pending = std::async(std::launch::async, derive);

    EncryptedStreams out;
    Bytes& ep = out.encryptedPackage;
    std::uint64_t size = package.size();
    appendLe32(ep, std::uint32_t(size));
    appendLe32(ep, std::uint32_t(size >> 32));
    cryptSegments(true, kind, secret, keySalt, package.data(), package.size(), ep);

    Bytes hmacValue = hmac(kind, hmacKey, ep);
    Bytes encHmacKey = aesCbcEncrypt(secret, cut(hash2(kind, keySalt, bytesOf(kBlockHmacKey)), 16, 0x36), hmacKey);
    Bytes encHmacValue = aesCbcEncrypt(secret, cut(hash2(kind, keySalt, bytesOf(kBlockHmacValue)), 16, 0x36), hmacValue);

    Bytes iterated = pending.valid() ? pending.get() : derive();
    Bytes k1 = agileBlockKey(kind, iterated, bytesOf(kBlockVerifierInput), 32);
    Bytes k2 = agileBlockKey(kind, iterated, bytesOf(kBlockVerifierValue), 32);
    Bytes k3 = agileBlockKey(kind, iterated, bytesOf(kBlockKeyValue), 32);
    Bytes encInput = aesCbcEncrypt(k1, passwordSalt, verifier);
    Bytes encValue = aesCbcEncrypt(k2, passwordSalt, hash(kind, verifier));
    Bytes encKey = aesCbcEncrypt(k3, passwordSalt, secret);

    std::string common =
        "blockSize=\"16\" keyBits=\"256\" hashSize=\"64\" cipherAlgorithm=\"AES\" cipherChaining=\"ChainingModeCBC\" "
        "hashAlgorithm=\"SHA512\"";
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
        "<encryption xmlns=\"http://schemas.microsoft.com/office/2006/encryption\" "
        "xmlns:p=\"http://schemas.microsoft.com/office/2006/keyEncryptor/password\" "
        "xmlns:c=\"http://schemas.microsoft.com/office/2006/keyEncryptor/certificate\">"
        "<keyData saltSize=\"16\" " + common + " saltValue=\"" + base64Encode(keySalt) + "\"/>"
        "<dataIntegrity encryptedHmacKey=\"" + base64Encode(encHmacKey) + "\" encryptedHmacValue=\"" +
        base64Encode(encHmacValue) + "\"/>"
        "<keyEncryptors><keyEncryptor uri=\"http://schemas.microsoft.com/office/2006/keyEncryptor/password\">"
        "<p:encryptedKey spinCount=\"" + std::to_string(spinCount) + "\" saltSize=\"16\" " + common +
        " saltValue=\"" + base64Encode(passwordSalt) + "\" encryptedVerifierHashInput=\"" + base64Encode(encInput) +
        "\" encryptedVerifierHashValue=\"" + base64Encode(encValue) + "\" encryptedKeyValue=\"" + base64Encode(encKey) +
        "\"/></keyEncryptor></keyEncryptors></encryption>";
    Bytes& info = out.encryptionInfo;
    info = {4, 0, 4, 0, 0x40, 0, 0, 0};
    info.insert(info.end(), xml.begin(), xml.end());
    return out;
}

Decrypted decryptPackage(const Bytes& encryptionInfo, const Bytes& encryptedPackage, const std::u16string& password) {
    return decryptPackage(encryptionInfo, encryptedPackage, [&](HashKind kind, const Bytes& salt, unsigned spinCount) {
        return agileIteratedHash(kind, salt, password, spinCount);
    });
}

Decrypted decryptPackage(const Bytes& encryptionInfo, const Bytes& encryptedPackage, const PasswordHash& password) {
    try {
        if (encryptionInfo.size() < 8) return fail(DecryptStatus::Corrupt, "the encryption description is truncated");
        std::uint16_t major = readLe16(encryptionInfo, 0), minor = readLe16(encryptionInfo, 2);
        std::uint32_t flags = readLe32(encryptionInfo, 4);
        if (major == 4 && minor == 4 && flags == 0x40) return decryptAgile(encryptionInfo, encryptedPackage, password);
        if ((major == 3 || major == 4) && minor == 2 && (flags & 0x24) == 0x24)
            return decryptStandard(encryptionInfo, encryptedPackage, password);
        return fail(DecryptStatus::Unsupported, "unsupported encryption version");
    } catch (const std::exception& e) {
        return fail(DecryptStatus::Corrupt, e.what());
    }
}

bool xmlElementAttributes(const std::string& xml, const std::string& name, std::map<std::string, std::string>& out) {
    out.clear();
    std::size_t at = 0;
    while ((at = xml.find('<', at)) != std::string::npos) {
        std::size_t nameStart = ++at;
        std::size_t nameEnd = nameStart;
        while (nameEnd < xml.size() && !std::strchr(" \t\r\n/>", xml[nameEnd])) ++nameEnd;
        std::string tag = xml.substr(nameStart, nameEnd - nameStart);
        std::size_t colon = tag.find(':');
        std::string local = colon == std::string::npos ? tag : tag.substr(colon + 1);
        if (local != name) continue;
        std::size_t p = nameEnd;
        for (;;) {
            while (p < xml.size() && std::strchr(" \t\r\n", xml[p])) ++p;
            if (p >= xml.size()) return false;
            if (xml[p] == '/' || xml[p] == '>') return true;
            std::size_t eq = xml.find('=', p);
            if (eq == std::string::npos) return false;
            std::string key = xml.substr(p, eq - p);
            while (!key.empty() && std::strchr(" \t\r\n", key.back())) key.pop_back();
            std::size_t q = eq + 1;
            while (q < xml.size() && std::strchr(" \t\r\n", xml[q])) ++q;
            if (q >= xml.size() || (xml[q] != '"' && xml[q] != '\'')) return false;
            std::size_t close = xml.find(xml[q], q + 1);
            if (close == std::string::npos) return false;
            out[key] = xml.substr(q + 1, close - q - 1);
            p = close + 1;
        }
    }
    return false;
}

}  // namespace doccrypt

namespace doccrypt {

namespace {

// Length-prefixed UTF-16 text padded to a multiple of four bytes.
void appendLpUnicode(Bytes& b, const std::string& ascii) {
    appendLe32(b, std::uint32_t(ascii.size() * 2));
    for (char c : ascii) {
        b.push_back(std::uint8_t(c));
        b.push_back(0);
    }
    while (b.size() % 4) b.push_back(0);
}

void appendVersion(Bytes& b) {  // major 1, minor 0
    b.push_back(1);
    b.push_back(0);
    b.push_back(0);
    b.push_back(0);
}

}  // namespace

std::vector<std::pair<std::string, Bytes>> dataSpacesStreams() {
    const std::string root = "\x06" "DataSpaces";
    Bytes version;
    appendLpUnicode(version, "Microsoft.Container.DataSpaces");
    appendVersion(version);
    appendVersion(version);
    appendVersion(version);

    Bytes entry;
    appendLe32(entry, 1);  // one reference component
    appendLe32(entry, 0);  // a stream
    appendLpUnicode(entry, "EncryptedPackage");
    appendLpUnicode(entry, "StrongEncryptionDataSpace");
    Bytes map;
    appendLe32(map, 8);
    appendLe32(map, 1);
    appendLe32(map, std::uint32_t(entry.size() + 4));
    map.insert(map.end(), entry.begin(), entry.end());

    Bytes definition;
    appendLe32(definition, 8);
    appendLe32(definition, 1);
    appendLpUnicode(definition, "StrongEncryptionTransform");

    Bytes id;
    appendLpUnicode(id, "{FF9A3F03-56EF-4613-BDD5-5A41C1D07246}");
    Bytes primary;
    appendLe32(primary, std::uint32_t(8 + id.size()));  // header length up to the name
    appendLe32(primary, 1);                              // transform type
    primary.insert(primary.end(), id.begin(), id.end());
    appendLpUnicode(primary, "Microsoft.Container.EncryptionTransform");
    appendVersion(primary);
    appendVersion(primary);
    appendVersion(primary);
    appendLe32(primary, 0);  // no encryption name
    appendLe32(primary, 0);  // block size
    appendLe32(primary, 0);  // cipher mode
    appendLe32(primary, 4);  // reserved

    return {
        {root + "/Version", version},
        {root + "/DataSpaceMap", map},
        {root + "/DataSpaceInfo/StrongEncryptionDataSpace", definition},
        {root + "/TransformInfo/StrongEncryptionTransform/\x06Primary", primary},
    };
}

}  // namespace doccrypt
