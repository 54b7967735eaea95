#include "BinaryCrypto.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "ByteOrder.h"

namespace doccrypt {

using namespace byte_order;

Bytes rc4CryptoApiBaseHash(const Bytes& salt, const std::u16string& password) {
    Bytes pw = passwordBytes(password);
    Sha1 h;
    h.update(salt.data(), salt.size());
    h.update(pw.data(), pw.size());
    return h.finish();
}

Bytes rc4CryptoApiBlockKey(const Bytes& baseHash, std::uint32_t block, unsigned keyBits) {
    Bytes input = baseHash;
    putLe32(input, block);
    Bytes key = Sha1::digest(input);
    if (keyBits == 40) {
        key.resize(16);
        std::fill(key.begin() + 5, key.end(), 0);
    } else {
        key.resize(std::min<std::size_t>(keyBits / 8, key.size()));
    }
    return key;
}

Bytes rc4PlainBaseHash(const Bytes& salt, const std::u16string& password) {
    Bytes first = Md5::digest(passwordBytes(password));
    Md5 m;
    for (int i = 0; i < 16; ++i) {
        m.update(first.data(), 5);
        m.update(salt.data(), salt.size());
    }
    Bytes second = m.finish();
    second.resize(5);
    return second;
}

Bytes rc4PlainBlockKey(const Bytes& baseHash, std::uint32_t block) {
    Bytes input = baseHash;
    putLe32(input, block);
    return Md5::digest(input);
}

namespace {

constexpr std::uint32_t kAlgRc4 = 0x6801, kAlgSha1 = 0x8004, kFlagCryptoApi = 0x04;
constexpr char16_t kProvider[] = u"Microsoft Enhanced Cryptographic Provider v1.0";

}  // namespace

Bytes buildRc4CryptoApiInfo(const Rc4CryptoApiInfo& info) {
    Bytes header;
    putLe32(header, kFlagCryptoApi);
    putLe32(header, 0);  // extra size
    putLe32(header, kAlgRc4);
    putLe32(header, kAlgSha1);
    putLe32(header, info.keyBits);
    putLe32(header, 1);  // provider type: RSA full
    putLe32(header, 0);
    putLe32(header, 0);
    for (const char16_t* c = kProvider; *c; ++c) putLe16(header, std::uint16_t(*c));
    putLe16(header, 0);

    Bytes out;
    putLe16(out, 4);  // version 4.2
    putLe16(out, 2);
    putLe32(out, kFlagCryptoApi);
    putLe32(out, std::uint32_t(header.size()));
    out.insert(out.end(), header.begin(), header.end());
    putLe32(out, std::uint32_t(info.salt.size()));
    out.insert(out.end(), info.salt.begin(), info.salt.end());
    out.insert(out.end(), info.encryptedVerifier.begin(), info.encryptedVerifier.end());
    putLe32(out, std::uint32_t(info.encryptedVerifierHash.size()));
    out.insert(out.end(), info.encryptedVerifierHash.begin(), info.encryptedVerifierHash.end());
    return out;
}

bool parseRc4CryptoApiInfo(const std::uint8_t* p, std::size_t size, Rc4CryptoApiInfo& out, std::size_t& used) {
    if (size < 12) return false;
    std::uint16_t major = le16(p), minor = le16(p + 2);
    if (minor != 2 || major < 2 || major > 4) return false;
    std::uint32_t headerSize = le32(p + 8);
    if (headerSize < 32 || headerSize > size - 12) return false;
    const std::uint8_t* h = p + 12;
    std::uint32_t alg = le32(h + 8), hashAlg = le32(h + 12), keyBits = le32(h + 16);
    if ((alg != kAlgRc4 && alg != 0) || (hashAlg != kAlgSha1 && hashAlg != 0)) return false;
    if (keyBits == 0) keyBits = 40;
    if (keyBits < 40 || keyBits > 128 || keyBits % 8) return false;
    std::size_t at = 12 + std::size_t(headerSize);
    if (size - at < 4 + 16 + 16 + 4 + 20) return false;
    if (le32(p + at) != 16 || le32(p + at + 36) != 20) return false;
    out.keyBits = keyBits;
    out.salt.assign(p + at + 4, p + at + 20);
    out.encryptedVerifier.assign(p + at + 20, p + at + 36);
    out.encryptedVerifierHash.assign(p + at + 40, p + at + 60);
    used = at + 60;
    return true;
}

Rc4CryptoApiInfo makeRc4CryptoApiInfo(const std::u16string& password, const RandomFill& random) {
    Rc4CryptoApiInfo info;
    info.salt.resize(16);
    random(info.salt.data(), info.salt.size());
    Bytes verifier(16);
    random(verifier.data(), verifier.size());
    Bytes verifierHash = Sha1::digest(verifier);
    Rc4 rc4(rc4CryptoApiBlockKey(rc4CryptoApiBaseHash(info.salt, password), 0, info.keyBits));
    rc4.apply(verifier.data(), verifier.size());
    rc4.apply(verifierHash.data(), verifierHash.size());
    info.encryptedVerifier = verifier;
    info.encryptedVerifierHash = verifierHash;
    return info;
}

bool checkRc4CryptoApiPassword(const Rc4CryptoApiInfo& info, const std::u16string& password) {
    Rc4 rc4(rc4CryptoApiBlockKey(rc4CryptoApiBaseHash(info.salt, password), 0, info.keyBits));
    Bytes verifier = info.encryptedVerifier, verifierHash = info.encryptedVerifierHash;
    rc4.apply(verifier.data(), verifier.size());
    rc4.apply(verifierHash.data(), verifierHash.size());
    return Sha1::digest(verifier) == verifierHash;
}

namespace {

// RC4 keyed afresh at every block boundary of the stream, applied by stream
// position: bytes left plain still move the key stream on.
class BlockCipher {
public:
    BlockCipher(std::function<Bytes(std::uint32_t)> keyOf, std::size_t blockSize)
        : keyOf_(std::move(keyOf)), blockSize_(blockSize) {}

    void apply(std::uint8_t* data, std::size_t position, std::size_t size) {
        while (size) {
            std::size_t block = position / blockSize_, within = position % blockSize_;
            if (!rc4_ || block != block_ || within < offset_) {
                rc4_.emplace(keyOf_(std::uint32_t(block)));
                block_ = block;
                offset_ = 0;
            }
            rc4_->skip(within - offset_);
            std::size_t take = std::min(size, blockSize_ - within);
            rc4_->apply(data, take);
            offset_ = within + take;
            position += take;
            data += take;
            size -= take;
        }
    }

private:
    std::function<Bytes(std::uint32_t)> keyOf_;
    std::size_t blockSize_;
    std::optional<Rc4> rc4_;
    std::size_t block_ = 0, offset_ = 0;
};

constexpr std::uint16_t kBof = 0x0809, kEof = 0x000A, kFilePass = 0x002F, kBoundSheet = 0x0085, kIndex = 0x020B,
                        kExtSst = 0x00FF;
constexpr std::size_t kXlsBlock = 1024;

bool staysPlain(std::uint16_t type) {
    switch (type) {
    case kBof: case kFilePass:
    case 0x0194:  // UsrExcl
    case 0x0195:  // FileLock
    case 0x00E1:  // InterfaceHdr
    case 0x0196:  // RRDInfo
    case 0x0138:  // RRDHead
        return true;
    default:
        return false;
    }
}

struct Record {
    std::size_t at;
    std::uint16_t type;
    std::size_t size;
};

// Every record of the stream; false when one runs past the end. Fewer than
// four bytes left over at the end are ignored (padding).
bool records(const Bytes& s, std::vector<Record>& out) {
    out.clear();
    std::size_t p = 0;
    while (s.size() - p >= 4) {
        Record r{p, le16(&s[p]), le16(&s[p + 2])};
        if (s.size() - p - 4 < r.size) return false;
        out.push_back(r);
        p += 4 + r.size;
    }
    return true;
}

// Moves the stream positions records hold: every one at or after from by delta.
void relocate(Bytes& s, const std::vector<Record>& recs, std::size_t from, long long delta) {
    auto fix = [&](std::size_t at) {
        std::uint32_t v = le32(&s[at]);
        if (v < from) return;
        long long moved = (long long)v + delta;
        if (moved >= 0 && moved <= 0xFFFFFFFFll) setLe32(&s[at], std::uint32_t(moved));
    };
    for (const Record& r : recs) {
        std::size_t body = r.at + 4;
        if (r.type == kBoundSheet && r.size >= 4) {
            fix(body);
        } else if (r.type == kIndex && r.size >= 16) {
            fix(body + 12);
            for (std::size_t i = 16; i + 4 <= r.size; i += 4) fix(body + i);
        } else if (r.type == kExtSst && r.size >= 2) {
            for (std::size_t i = 2; i + 8 <= r.size; i += 8) fix(body + i);
        }
    }
}

void cryptRecords(Bytes& s, const std::vector<Record>& recs, BlockCipher& cipher) {
    for (const Record& r : recs) {
        if (staysPlain(r.type)) continue;
        std::size_t start = r.type == kBoundSheet ? 4 : 0;  // the sheet's stream position stays plain
        if (start < r.size) cipher.apply(&s[r.at + 4 + start], r.at + 4 + start, r.size - start);
    }
}

// The first BOF (BIFF8) and, in the globals, the FILEPASS record if any.
bool findHeader(const std::vector<Record>& recs, const Bytes& s, std::size_t& filePass, std::string& error) {
    if (recs.empty() || recs[0].type != kBof || recs[0].size < 4 || le16(&s[4]) != 0x0600) {
        error = "the stream is not a BIFF8 workbook";
        return false;
    }
    filePass = 0;
    for (std::size_t i = 1; i < recs.size() && recs[i].type != kEof; ++i) {
        if (recs[i].type == kFilePass) {
            filePass = i;
            break;
        }
    }
    return true;
}

// The block keys for password from an RC4 encryption header (version, then
// the plain RC4 or the CryptoAPI fields), after checking the password.
DecryptStatus keyFromHeader(const std::uint8_t* p, std::size_t size, const std::u16string& password,
                            std::function<Bytes(std::uint32_t)>& keyOf, std::string& detail) {
    if (size >= 4 && le16(p) == 1 && le16(p + 2) == 1) {
        if (size < 52) {
            detail = "the encryption header is truncated";
            return DecryptStatus::Corrupt;
        }
        Bytes salt(p + 4, p + 20), verifier(p + 20, p + 36), verifierHash(p + 36, p + 52);
        Bytes base = rc4PlainBaseHash(salt, password);
        Rc4 rc4(rc4PlainBlockKey(base, 0));
        rc4.apply(verifier.data(), verifier.size());
        rc4.apply(verifierHash.data(), verifierHash.size());
        if (Md5::digest(verifier) != verifierHash) {
            detail = "the password is incorrect";
            return DecryptStatus::WrongPassword;
        }
        keyOf = [base](std::uint32_t block) { return rc4PlainBlockKey(base, block); };
        return DecryptStatus::Ok;
    }
    Rc4CryptoApiInfo info;
    std::size_t used = 0;
    if (!parseRc4CryptoApiInfo(p, size, info, used)) {
        detail = "the encryption header is not RC4";
        return DecryptStatus::Unsupported;
    }
    if (!checkRc4CryptoApiPassword(info, password)) {
        detail = "the password is incorrect";
        return DecryptStatus::WrongPassword;
    }
    Bytes base = rc4CryptoApiBaseHash(info.salt, password);
    unsigned bits = info.keyBits;
    keyOf = [base, bits](std::uint32_t block) { return rc4CryptoApiBlockKey(base, block, bits); };
    return DecryptStatus::Ok;
}

}  // namespace

DecryptedWorkbook decryptWorkbookStream(const Bytes& stream, const std::u16string& password) {
    DecryptedWorkbook result;
    auto fail = [&](DecryptStatus status, const char* detail) {
        result.status = status;
        result.stream.clear();
        result.detail = detail;
        return result;
    };
    std::vector<Record> recs;
    if (!records(stream, recs)) return fail(DecryptStatus::Corrupt, "a record runs past the end of the workbook");
    std::size_t index = 0;
    std::string error;
    if (!findHeader(recs, stream, index, error)) return fail(DecryptStatus::Corrupt, "the stream is not a BIFF8 workbook");
    if (!index) return fail(DecryptStatus::Unsupported, "the workbook is not encrypted");
    const Record fp = recs[index];
    const std::uint8_t* body = &stream[fp.at + 4];
    if (fp.size < 6 || le16(body) != 1) return fail(DecryptStatus::Unsupported, "XOR obfuscation is not supported");

    std::function<Bytes(std::uint32_t)> keyOf;
    std::string why;
    DecryptStatus status = keyFromHeader(body + 2, fp.size - 2, password, keyOf, why);
    if (status != DecryptStatus::Ok) return fail(status, why.c_str());
    Bytes plain = stream;
    BlockCipher cipher(keyOf, kXlsBlock);
    cryptRecords(plain, recs, cipher);
    std::size_t removed = 4 + fp.size;
    relocate(plain, recs, fp.at + removed, -(long long)removed);
    plain.erase(plain.begin() + std::ptrdiff_t(fp.at), plain.begin() + std::ptrdiff_t(fp.at + removed));
    result.status = DecryptStatus::Ok;
    result.stream = std::move(plain);
    return result;
}

bool encryptWorkbookStream(const Bytes& plain, const std::u16string& password, const RandomFill& random, Bytes& out,
                           std::string& error) {
    std::vector<Record> recs;
    if (!records(plain, recs)) {
        error = "a record runs past the end of the workbook";
        return false;
    }
    std::size_t index = 0;
    if (!findHeader(recs, plain, index, error)) return false;
    if (index) {
        error = "the workbook is already encrypted";
        return false;
    }
    Rc4CryptoApiInfo info = makeRc4CryptoApiInfo(password, random);
    Bytes filePass;
    putLe16(filePass, kFilePass);
    putLe16(filePass, 0);
    putLe16(filePass, 1);  // RC4
    Bytes header = buildRc4CryptoApiInfo(info);
    filePass.insert(filePass.end(), header.begin(), header.end());
    filePass[2] = std::uint8_t((filePass.size() - 4) & 0xFF);
    filePass[3] = std::uint8_t((filePass.size() - 4) >> 8);

    std::size_t insertAt = 4 + recs[0].size;
    Bytes s = plain;
    relocate(s, recs, insertAt, (long long)filePass.size());
    s.insert(s.begin() + std::ptrdiff_t(insertAt), filePass.begin(), filePass.end());
    if (!records(s, recs)) {
        error = "a record runs past the end of the workbook";
        return false;
    }
    Bytes base = rc4CryptoApiBaseHash(info.salt, password);
    unsigned bits = info.keyBits;
    BlockCipher cipher([base, bits](std::uint32_t block) { return rc4CryptoApiBlockKey(base, block, bits); }, kXlsBlock);
    cryptRecords(s, recs, cipher);
    out = std::move(s);
    return true;
}

namespace {

// Where the FIB's (offset, size) pairs start and how many there are: past the
// base, the 16-bit and the 32-bit field arrays.
bool fibPairs(const Bytes& w, std::size_t& at, std::size_t& count) {
    std::size_t p = 32;
    if (w.size() < p + 2) return false;
    p += 2 + 2 * std::size_t(le16(&w[p]));
    if (w.size() < p + 2) return false;
    p += 2 + 4 * std::size_t(le16(&w[p]));
    if (w.size() < p + 2) return false;
    count = le16(&w[p]);
    at = p + 2;
    return w.size() >= at + 8 * count;
}

// The table offsets of every pair with a size, moved by delta.
void moveTableOffsets(Bytes& w, std::size_t at, std::size_t count, long long delta) {
    for (std::size_t i = 0; i < count; ++i) {
        std::uint8_t* pair = &w[at + 8 * i];
        if (le32(pair + 4)) setLe32(pair, std::uint32_t((long long)le32(pair) + delta));
    }
}

}  // namespace

DecryptStatus decryptWordStreams(Bytes& wordDocument, Bytes& table, Bytes* data, const std::u16string& password,
                                 std::string& detail) {
    constexpr std::size_t kPlainHead = 68, kWordBlock = 512;
    if (wordDocument.size() < kPlainHead || le16(&wordDocument[0]) != 0xA5EC) {
        detail = "the document stream is not a Word document";
        return DecryptStatus::Corrupt;
    }
    std::uint16_t flags = le16(&wordDocument[10]);
    if (!(flags & 0x0100)) {
        detail = "the document is not encrypted";
        return DecryptStatus::Unsupported;
    }
    if (flags & 0x8000) {
        detail = "XOR obfuscation is not supported";
        return DecryptStatus::Unsupported;
    }
    std::uint32_t headerSize = le32(&wordDocument[14]);
    if (headerSize > table.size()) {
        detail = "the encryption header is truncated";
        return DecryptStatus::Corrupt;
    }
    std::function<Bytes(std::uint32_t)> keyOf;
    DecryptStatus status = keyFromHeader(table.data(), headerSize, password, keyOf, detail);
    if (status != DecryptStatus::Ok) return status;
    BlockCipher(keyOf, kWordBlock).apply(&wordDocument[kPlainHead], kPlainHead, wordDocument.size() - kPlainHead);
    if (table.size() > headerSize) BlockCipher(keyOf, kWordBlock).apply(&table[headerSize], headerSize, table.size() - headerSize);
    if (data && !data->empty()) BlockCipher(keyOf, kWordBlock).apply(data->data(), 0, data->size());
    // Plain from now on: no encryption flag, no header size, and the header
    // taken out of the table when nothing the FIB points at lies inside it.
    wordDocument[11] = std::uint8_t(wordDocument[11] & ~0x01);
    setLe32(&wordDocument[14], 0);
    std::size_t at = 0, pairs = 0;
    if (headerSize && fibPairs(wordDocument, at, pairs)) {
        bool clear = true;
        for (std::size_t i = 0; i < pairs; ++i) {
            const std::uint8_t* pair = &wordDocument[at + 8 * i];
            if (le32(pair + 4) && le32(pair) < headerSize) clear = false;
        }
        if (clear) {
            moveTableOffsets(wordDocument, at, pairs, -(long long)headerSize);
            table.erase(table.begin(), table.begin() + std::ptrdiff_t(headerSize));
        }
    }
    return DecryptStatus::Ok;
}

bool encryptWordStreams(Bytes& wordDocument, Bytes& table, Bytes* data, const std::u16string& password,
                        const RandomFill& random, std::string& error) {
    constexpr std::size_t kPlainHead = 68, kWordBlock = 512;
    if (wordDocument.size() < kPlainHead || le16(&wordDocument[0]) != 0xA5EC) {
        error = "the document stream is not a Word document";
        return false;
    }
    std::uint16_t flags = le16(&wordDocument[10]);
    if (flags & 0x8100) {
        error = "the document is already encrypted";
        return false;
    }
    std::size_t p = 0, pairs = 0;
    if (!fibPairs(wordDocument, p, pairs)) return error = "the document header is truncated", false;
    // The header goes first in the table stream: everything the FIB points
    // at there moves by its size.
    Rc4CryptoApiInfo info = makeRc4CryptoApiInfo(password, random);
    Bytes header = buildRc4CryptoApiInfo(info);
    for (std::size_t i = 0; i < pairs; ++i) {
        const std::uint8_t* pair = &wordDocument[p + 8 * i];
        if (le32(pair + 4) && std::uint64_t(le32(pair)) + header.size() > 0xFFFFFFFFull)
            return error = "a table offset is out of range", false;
    }
    moveTableOffsets(wordDocument, p, pairs, (long long)header.size());
    table.insert(table.begin(), header.begin(), header.end());
    wordDocument[11] = std::uint8_t(wordDocument[11] | 0x01);
    setLe32(&wordDocument[14], std::uint32_t(header.size()));

    Bytes base = rc4CryptoApiBaseHash(info.salt, password);
    unsigned bits = info.keyBits;
    auto keyOf = [base, bits](std::uint32_t block) { return rc4CryptoApiBlockKey(base, block, bits); };
    BlockCipher(keyOf, kWordBlock).apply(&wordDocument[kPlainHead], kPlainHead, wordDocument.size() - kPlainHead);
    if (table.size() > header.size())
        BlockCipher(keyOf, kWordBlock).apply(&table[header.size()], header.size(), table.size() - header.size());
    if (data && !data->empty()) BlockCipher(keyOf, kWordBlock).apply(data->data(), 0, data->size());
    return true;
}

}  // namespace doccrypt
