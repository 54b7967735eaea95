#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "doccrypt/BinaryCrypto.h"
#include "doccrypt/PptCrypto.h"
#include "TestBytes.h"

using namespace doccrypt;
using namespace doccrypt::test_bytes;

namespace {

// A presentation record: version/instance, type, body.
void pptRecord(Bytes& s, std::uint16_t verInstance, std::uint16_t type, const Bytes& body) {
    s.push_back(std::uint8_t(verInstance));
    s.push_back(std::uint8_t(verInstance >> 8));
    s.push_back(std::uint8_t(type));
    s.push_back(std::uint8_t(type >> 8));
    putLe32(s, std::uint32_t(body.size()));
    s.insert(s.end(), body.begin(), body.end());
}

struct Streams {
    Bytes currentUser, document;
};

// The LibreOffice sample's streams (tests/data/make-variants.py).
Streams deck() {
    std::ifstream in(std::string(TARNWICK_SOURCE_DIR) + "/standins/office/tests/data/deck-ppt.streams", std::ios::binary);
    Bytes all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Streams s;
    if (all.size() < 4) return s;
    std::size_t n = le32(all, 0);
    s.currentUser.assign(all.begin() + 4, all.begin() + 4 + std::ptrdiff_t(n));
    s.document.assign(all.begin() + 4 + std::ptrdiff_t(n), all.end());
    return s;
}

// What a reader sees: the current edit's fields and every live persist
// object, found by walking the edits the way a presentation reader does.
struct View {
    std::uint32_t token = 0, editCount = 0, seed = 0, session = 0, editLength = 0;
    Bytes editFields;  // lastSlideIdRef .. version .. docPersistIdRef, lastView
    std::map<std::uint32_t, Bytes> objects;
};

View view(const Streams& s, bool encrypted = false) {
    View v;
    v.token = le32(s.currentUser, 12);
    std::size_t at = le32(s.currentUser, 16);
    std::map<std::uint32_t, std::uint32_t> directory;
    for (;;) {
        const Bytes& d = s.document;
        EXPECT_EQ(le16(d, at + 2), 0x0FF5);
        std::uint32_t length = le32(d, at + 4);
        if (v.editCount++ == 0) {
            v.editLength = length;
            v.seed = le32(d, at + 8 + 20);
            v.session = length >= 32 ? le32(d, at + 8 + 28) : 0;
            v.editFields.assign(d.begin() + std::ptrdiff_t(at) + 8, d.begin() + std::ptrdiff_t(at) + 16);
            v.editFields.insert(v.editFields.end(), d.begin() + std::ptrdiff_t(at) + 24, d.begin() + std::ptrdiff_t(at) + 28);
            v.editFields.insert(v.editFields.end(), d.begin() + std::ptrdiff_t(at) + 32, d.begin() + std::ptrdiff_t(at) + 36);
        }
        std::size_t dir = le32(d, at + 8 + 12);
        EXPECT_EQ(le16(d, dir + 2), 0x1772);
        std::size_t end = dir + 8 + le32(d, dir + 4);
        for (std::size_t p = dir + 8; p < end;) {
            std::uint32_t entry = le32(d, p), first = entry & 0xFFFFF, count = entry >> 20;
            p += 4;
            for (std::uint32_t i = 0; i < count; ++i, p += 4) directory.emplace(first + i, le32(d, p));
        }
        std::size_t last = le32(d, at + 8 + 8);
        if (!last) break;
        at = last;
    }
    // Encrypted headers say nothing: there an object ends where the next one
    // (or the directory) starts, as independent decryptors assume.
    std::map<std::uint32_t, std::uint32_t> byOffset;
    for (const auto& [id, offset] : directory) byOffset[offset] = id;
    std::size_t directoryAt = le32(s.document, le32(s.currentUser, 16) + 8 + 12);
    for (auto it = byOffset.begin(); it != byOffset.end(); ++it) {
        std::size_t offset = it->first, size = 8 + le32(s.document, offset + 4);
        if (encrypted) size = (std::next(it) == byOffset.end() ? directoryAt : std::next(it)->first) - offset;
        v.objects[it->second].assign(s.document.begin() + std::ptrdiff_t(offset),
                                     s.document.begin() + std::ptrdiff_t(offset + size));
    }
    return v;
}

Streams encrypt(const Streams& plain, const std::u16string& password) {
    Streams out;
    std::string error;
    EXPECT_TRUE(encryptPresentationStreams(plain.currentUser, plain.document, nullptr, password, countingFrom(7),
                                           out.currentUser, out.document, error))
        << error;
    return out;
}

// A presentation saved twice: the second edit replaces object 2 and adds
// object 6 (a gap in the persist ids, so two directory runs).
Streams twoEdits() {
    Streams s;
    Bytes& d = s.document;
    std::map<std::uint32_t, std::uint32_t> at;
    auto object = [&](std::uint32_t id, std::uint16_t type, std::size_t size, std::uint8_t fill) {
        at[id] = std::uint32_t(d.size());
        pptRecord(d, 0x000F, type, Bytes(size, fill));
    };
    auto edit = [&](const std::vector<std::vector<std::uint32_t>>& runs, std::uint32_t lastEdit, std::uint32_t seed) {
        std::size_t dir = d.size();
        Bytes entries;
        for (const auto& run : runs) {
            putLe32(entries, run[0] | (std::uint32_t(run.size()) << 20));
            for (std::uint32_t id : run) putLe32(entries, at[id]);
        }
        pptRecord(d, 0, 0x1772, entries);
        std::size_t editAt = d.size();
        Bytes body;
        putLe32(body, 0x100);          // lastSlideIdRef
        body.insert(body.end(), {0xBC, 0x0D, 0x00, 0x03});
        putLe32(body, lastEdit);
        putLe32(body, std::uint32_t(dir));
        putLe32(body, 1);              // docPersistIdRef
        putLe32(body, seed);
        body.insert(body.end(), {0x01, 0x00, 0x12, 0x00});
        pptRecord(d, 0, 0x0FF5, body);
        return std::uint32_t(editAt);
    };
    object(1, 0x03E8, 300, 0x11);
    object(2, 0x03EE, 700, 0x22);
    object(3, 0x03F8, 50, 0x33);
    std::uint32_t first = edit({{1, 2, 3}}, 0, 3);
    object(2, 0x03EE, 900, 0x44);
    object(6, 0x03EE, 20, 0x66);
    std::uint32_t second = edit({{2}, {6}}, first, 6);
    pptRecord(s.currentUser, 0, 0x0FF6, Bytes(36, 0));
    setLe32(s.currentUser, 8, 0x14);
    setLe32(s.currentUser, 12, 0xE391C05F);
    setLe32(s.currentUser, 16, second);
    return s;
}

}  // namespace

TEST(PptEncryption, TheSampleComesBackByteForByte) {
    Streams plain = deck();
    ASSERT_GT(plain.document.size(), 1000u) << "tests/data/deck-ppt.streams is missing";
    ASSERT_FALSE(isEncryptedPresentation(plain.currentUser, plain.document));
    View before = view(plain);
    ASSERT_EQ(before.objects.size(), 5u);

    Streams enc = encrypt(plain, u"Secret-1");
    ASSERT_FALSE(enc.document.empty());
    EXPECT_TRUE(isEncryptedPresentation(enc.currentUser, enc.document));
    View after = view(enc, true);
    EXPECT_EQ(after.token, 0xF3D1C4DFu);
    EXPECT_EQ(after.editCount, 1u);
    EXPECT_EQ(after.editLength, 32u);
    EXPECT_EQ(after.session, 6u) << "the session takes the next free persist id";
    EXPECT_EQ(after.seed, 6u);
    EXPECT_EQ(after.editFields, before.editFields);
    // Every object is encrypted, header included; the session is plain and
    // says the summary information is not encrypted.
    ASSERT_EQ(after.objects.size(), 6u);
    for (std::uint32_t id = 1; id <= 5; ++id) {
        EXPECT_EQ(after.objects[id].size(), before.objects[id].size()) << id;
        EXPECT_NE(Bytes(after.objects[id].begin(), after.objects[id].begin() + 8),
                  Bytes(before.objects[id].begin(), before.objects[id].begin() + 8)) << id;
    }
    const Bytes& session = after.objects[6];
    EXPECT_EQ(le16(session, 2), 0x2F14);
    Rc4CryptoApiInfo info;
    std::size_t used = 0;
    ASSERT_TRUE(parseRc4CryptoApiInfo(session.data() + 8, session.size() - 8, info, used));
    EXPECT_EQ(info.keyBits, 128u);
    EXPECT_TRUE(checkRc4CryptoApiPassword(info, u"Secret-1"));
    EXPECT_EQ(le32(session, 8 + 4) & 0x0C, 0x0Cu);  // fCryptoAPI, fDocProps

    DecryptedPresentation back = decryptPresentationStreams(enc.currentUser, enc.document, nullptr, u"Secret-1");
    ASSERT_EQ(back.status, DecryptStatus::Ok) << back.detail;
    EXPECT_EQ(back.currentUser, plain.currentUser);
    EXPECT_EQ(back.document, plain.document);

    struct Refused {
        const char16_t* password;
        DecryptStatus status;
    } refused[] = {{u"secret-1", DecryptStatus::WrongPassword}, {u"", DecryptStatus::WrongPassword}};
    for (const Refused& r : refused)
        EXPECT_EQ(decryptPresentationStreams(enc.currentUser, enc.document, nullptr, r.password).status, r.status);
    EXPECT_EQ(decryptPresentationStreams(plain.currentUser, plain.document, nullptr, u"Secret-1").status,
              DecryptStatus::Unsupported);
    Bytes cu, doc;
    std::string error;
    EXPECT_FALSE(encryptPresentationStreams(enc.currentUser, enc.document, nullptr, u"x", countingFrom(1), cu, doc, error));
}

TEST(PptEncryption, LaterEditsWinAndTheResultIsOneSave) {
    Streams plain = twoEdits();
    View before = view(plain);
    ASSERT_EQ(before.editCount, 2u);
    ASSERT_EQ(before.objects.size(), 4u);
    EXPECT_EQ(before.objects[2][8], 0x44);

    Streams enc = encrypt(plain, u"pw");
    View after = view(enc, true);
    EXPECT_EQ(after.editCount, 1u);
    EXPECT_EQ(after.session, 7u);
    EXPECT_EQ(after.objects.size(), 5u);

    DecryptedPresentation back = decryptPresentationStreams(enc.currentUser, enc.document, nullptr, u"pw");
    ASSERT_EQ(back.status, DecryptStatus::Ok) << back.detail;
    View result = view({back.currentUser, back.document});
    EXPECT_EQ(result.token, 0xE391C05Fu);
    EXPECT_EQ(result.editCount, 1u);
    EXPECT_EQ(result.editLength, 28u);
    EXPECT_EQ(result.session, 0u);
    EXPECT_EQ(result.seed, 6u);
    EXPECT_EQ(result.editFields, before.editFields);
    EXPECT_EQ(result.objects, before.objects);
    // Nothing else: the live objects, one directory of two runs, one edit.
    std::size_t live = 0;
    for (const auto& o : before.objects) live += o.second.size();
    EXPECT_EQ(back.document.size(), live + (8 + 4 + 12 + 4 + 4) + (8 + 28));
}

TEST(PptEncryption, PicturesAreRefusedBothWays) {
    Streams plain = deck();
    Streams enc = encrypt(plain, u"pw");
    Bytes pictures(100, 1), none;
    Bytes cu, doc;
    std::string error;
    EXPECT_FALSE(encryptPresentationStreams(plain.currentUser, plain.document, &pictures, u"pw", countingFrom(1), cu, doc, error));
    EXPECT_NE(error.find("pictures"), std::string::npos) << error;
    EXPECT_EQ(decryptPresentationStreams(enc.currentUser, enc.document, &pictures, u"pw").status, DecryptStatus::Unsupported);
    EXPECT_EQ(decryptPresentationStreams(enc.currentUser, enc.document, &none, u"pw").status, DecryptStatus::Ok);
}

TEST(PptEncryption, MalformedStreamsFailCleanly) {
    Streams plain = deck();
    Streams enc = encrypt(plain, u"pw");
    const std::size_t plainEdit = le32(plain.currentUser, 16), plainDir = le32(plain.document, plainEdit + 8 + 12);
    const std::size_t encEdit = le32(enc.currentUser, 16), encDir = le32(enc.document, encEdit + 8 + 12);

    // Each case damages a copy of both the plain and the encrypted streams.
    struct Case {
        const char* name;
        std::function<void(Streams&, std::size_t edit, std::size_t dir)> damage;
    } cases[] = {
        {"no current user", [](Streams& s, std::size_t, std::size_t) { s.currentUser.clear(); }},
        {"current user cut", [](Streams& s, std::size_t, std::size_t) { s.currentUser.resize(18); }},
        {"unknown token", [](Streams& s, std::size_t, std::size_t) { setLe32(s.currentUser, 12, 0x12345678); }},
        {"edit outside", [](Streams& s, std::size_t, std::size_t) { setLe32(s.currentUser, 16, 0xFFFFFFF0); }},
        {"edit not an edit", [](Streams& s, std::size_t, std::size_t) { setLe32(s.currentUser, 16, 0); }},
        {"document cut in half", [](Streams& s, std::size_t, std::size_t) { s.document.resize(s.document.size() / 2); }},
        {"document cut by one", [](Streams& s, std::size_t, std::size_t) { s.document.pop_back(); }},
        {"empty document", [](Streams& s, std::size_t, std::size_t) { s.document.clear(); }},
        {"edit points at itself", [](Streams& s, std::size_t edit, std::size_t) { setLe32(s.document, edit + 8 + 8, std::uint32_t(edit)); }},
        {"edit points forward", [](Streams& s, std::size_t edit, std::size_t) { setLe32(s.document, edit + 8 + 8, std::uint32_t(edit + 4)); }},
        {"directory outside", [](Streams& s, std::size_t edit, std::size_t) { setLe32(s.document, edit + 8 + 12, 0x7FFFFFFF); }},
        {"directory length huge", [](Streams& s, std::size_t, std::size_t dir) { setLe32(s.document, dir + 4, 0xFFFFFFF8); }},
        {"directory run too long", [](Streams& s, std::size_t, std::size_t dir) { setLe32(s.document, dir + 8, 1u | (0xFFFu << 20)); }},
        {"persist id zero", [](Streams& s, std::size_t, std::size_t dir) { setLe32(s.document, dir + 8, 0u | (1u << 20)); }},
        {"object offset outside", [](Streams& s, std::size_t, std::size_t dir) { setLe32(s.document, dir + 12, 0xFFFFFF00); }},
        {"objects overlap", [](Streams& s, std::size_t, std::size_t dir) {
             for (std::size_t i = 0; i < 5; ++i) setLe32(s.document, dir + 12 + 4 * i, le32(s.document, dir + 16));
         }},
        {"object points at the edit", [](Streams& s, std::size_t edit, std::size_t dir) { setLe32(s.document, dir + 12, std::uint32_t(edit)); }},
    };
    for (const Case& c : cases) {
        Streams p = plain, e = enc;
        c.damage(p, plainEdit, plainDir);
        c.damage(e, encEdit, encDir);
        Bytes cu, doc;
        std::string error;
        EXPECT_FALSE(encryptPresentationStreams(p.currentUser, p.document, nullptr, u"pw", countingFrom(1), cu, doc, error))
            << c.name;
        EXPECT_NE(decryptPresentationStreams(e.currentUser, e.document, nullptr, u"pw").status, DecryptStatus::Ok) << c.name;
        isEncryptedPresentation(e.currentUser, e.document);
    }

    // A huge length in an object's header: plain in one, encrypted in the other.
    Streams p = plain;
    setLe32(p.document, 4, 0xFFFFFFF0);
    Bytes cu, doc;
    std::string error;
    EXPECT_FALSE(encryptPresentationStreams(p.currentUser, p.document, nullptr, u"pw", countingFrom(1), cu, doc, error));
    Streams e = enc;
    e.document[4] ^= 0xFF;
    e.document[7] ^= 0x7F;
    EXPECT_EQ(decryptPresentationStreams(e.currentUser, e.document, nullptr, u"pw").status, DecryptStatus::Corrupt);
    // A damaged session header is not RC4 CryptoAPI; a session id naming nothing is damage.
    std::size_t sessionAt = le32(enc.document, encDir + 8 + 4 * 6);
    e = enc;
    e.document[sessionAt + 8 + 2] = 9;
    EXPECT_EQ(decryptPresentationStreams(e.currentUser, e.document, nullptr, u"pw").status, DecryptStatus::Unsupported);
    e = enc;
    setLe32(e.document, encEdit + 8 + 28, 99);
    EXPECT_EQ(decryptPresentationStreams(e.currentUser, e.document, nullptr, u"pw").status, DecryptStatus::Corrupt);
}

namespace {

// The key stream of one block from its start, as a reader of the format
// applies it: independent of the writer's own parser.
Bytes decryptBlock(const Bytes& base, std::uint32_t block, Bytes data) {
    Rc4(rc4CryptoApiBlockKey(base, block, 128)).apply(data.data(), data.size());
    return data;
}

std::u16string name16(const char* ascii) { return std::u16string(ascii, ascii + std::char_traits<char>::length(ascii)); }

// Encrypts the sample with the summary streams given; the encrypted
// presentation goes to enc, the EncryptedSummary stream to stream.
bool encryptWithSummary(const Streams& plain, const std::u16string& password, const std::vector<NamedStream>& summary,
                        Streams& enc, Bytes& stream) {
    std::string error;
    return encryptPresentationStreams(plain.currentUser, plain.document, nullptr, password, countingFrom(7),
                                      enc.currentUser, enc.document, error, &summary, &stream);
}

}  // namespace

TEST(PptEncryptedSummary, StreamsAreStoredEncryptedAndReadBack) {
    Streams plain = deck();
    ASSERT_FALSE(plain.document.empty());
    std::vector<NamedStream> summary{{u"\x05SummaryInformation", text("title: Quarterly figures")},
                                     {u"\x05" + name16("DocumentSummaryInformation"), Bytes(300, 0x42)}};
    Streams enc;
    Bytes stream;
    ASSERT_TRUE(encryptWithSummary(plain, u"Secret-1", summary, enc, stream));

    // The session says the properties are encrypted: fCryptoAPI set, fDocProps clear.
    View after = view(enc, true);
    const Bytes& session = after.objects[after.session];
    EXPECT_EQ(le32(session, 8 + 4) & 0x0C, 0x04u);
    Rc4CryptoApiInfo info;
    std::size_t used = 0;
    ASSERT_TRUE(parseRc4CryptoApiInfo(session.data() + 8, session.size() - 8, info, used));
    Bytes base = rc4CryptoApiBaseHash(info.salt, u"Secret-1");

    // Read by hand: the two sizes (block 0), the descriptors (block 0 afresh),
    // each stream with its own block.
    ASSERT_GE(stream.size(), 8u);
    Bytes head = decryptBlock(base, 0, Bytes(stream.begin(), stream.begin() + 8));
    std::size_t arrayAt = le32(head, 0), arraySize = le32(head, 4);
    EXPECT_EQ(arrayAt, 8 + summary[0].data.size() + summary[1].data.size());
    ASSERT_EQ(arrayAt + arraySize, stream.size());
    Bytes d = decryptBlock(base, 0, Bytes(stream.begin() + std::ptrdiff_t(arrayAt), stream.end()));
    ASSERT_EQ(le32(d, 0), 2u);
    std::size_t at = 4;
    for (const NamedStream& want : summary) {
        std::size_t offset = le32(d, at), size = le32(d, at + 4);
        std::uint16_t block = le16(d, at + 8);
        ASSERT_EQ(d[at + 10], want.name.size());
        EXPECT_EQ(d[at + 11] & 0x01, 0x01) << "fStream";
        std::u16string name;
        for (std::size_t k = 0; k < want.name.size(); ++k) name.push_back(char16_t(le16(d, at + 16 + 2 * k)));
        EXPECT_TRUE(name == want.name);
        EXPECT_EQ(le16(d, at + 16 + 2 * want.name.size()), 0) << "the name is NUL-terminated";
        ASSERT_EQ(size, want.data.size());
        Bytes data(stream.begin() + std::ptrdiff_t(offset), stream.begin() + std::ptrdiff_t(offset + size));
        EXPECT_NE(data, want.data) << "stored in the clear";
        EXPECT_EQ(decryptBlock(base, block, data), want.data);
        at += 16 + 2 * (want.name.size() + 1);
    }
    EXPECT_EQ(at, arraySize);

    // The reader gives them back with the password, and only with it.
    std::vector<NamedStream> back;
    ASSERT_TRUE(readEncryptedSummary(enc.currentUser, enc.document, stream, u"Secret-1", back));
    ASSERT_EQ(back.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_TRUE(back[i].name == summary[i].name) << i;
        EXPECT_EQ(back[i].data, summary[i].data) << i;
    }
    EXPECT_FALSE(readEncryptedSummary(enc.currentUser, enc.document, stream, u"secret-1", back));
    EXPECT_FALSE(readEncryptedSummary(plain.currentUser, plain.document, stream, u"Secret-1", back));

    // The presentation itself still decrypts to the plain one.
    DecryptedPresentation plainAgain = decryptPresentationStreams(enc.currentUser, enc.document, nullptr, u"Secret-1");
    ASSERT_EQ(plainAgain.status, DecryptStatus::Ok) << plainAgain.detail;
    EXPECT_EQ(plainAgain.document, plain.document);
}

TEST(PptEncryptedSummary, WrittenEvenWithoutPropertiesAndDamageFailsCleanly) {
    Streams plain = deck();
    ASSERT_FALSE(plain.document.empty());
    Streams enc;
    Bytes stream;
    ASSERT_TRUE(encryptWithSummary(plain, u"pw", {}, enc, stream));
    EXPECT_EQ(stream.size(), 12u) << "the sizes and a descriptor count of zero";
    std::vector<NamedStream> back{{u"x", Bytes(1)}};
    ASSERT_TRUE(readEncryptedSummary(enc.currentUser, enc.document, stream, u"pw", back));
    EXPECT_TRUE(back.empty());

    ASSERT_TRUE(encryptWithSummary(plain, u"pw", {{u"\x05SummaryInformation", Bytes(40, 0x17)}}, enc, stream));
    // Every cut and every flipped byte either reads or fails; never past the end.
    for (std::size_t n = 0; n < stream.size(); ++n) {
        Bytes cut(stream.begin(), stream.begin() + std::ptrdiff_t(n));
        readEncryptedSummary(enc.currentUser, enc.document, cut, u"pw", back);
        Bytes flipped = stream;
        flipped[n] ^= 0xA5;
        readEncryptedSummary(enc.currentUser, enc.document, flipped, u"pw", back);
    }
    EXPECT_FALSE(readEncryptedSummary(enc.currentUser, enc.document, Bytes(64, 0x5A), u"pw", back));

    // A name no descriptor can hold is refused rather than cut.
    EXPECT_FALSE(encryptWithSummary(plain, u"pw", {{std::u16string(256, u'n'), Bytes(4)}}, enc, stream));
}

TEST(PptEncryptedSummary, ThePlaceholderIsADocumentSummaryWithoutProperties) {
    Bytes s = emptyDocumentSummary();
    ASSERT_EQ(s.size(), 72u);
    EXPECT_EQ(le16(s, 0), 0xFFFE) << "byte order mark";
    EXPECT_EQ(le32(s, 24), 1u) << "one property set";
    EXPECT_EQ(toHex(Bytes(s.begin() + 28, s.begin() + 44)), "02d5cdd59c2e1b10939708002b2cf9ae");
    std::size_t set = le32(s, 44);
    ASSERT_EQ(set, 48u);
    EXPECT_EQ(le32(s, set), s.size() - set) << "the set's size";
    EXPECT_EQ(le32(s, set + 4), 1u) << "the code page alone";
    EXPECT_EQ(le32(s, set + 8), 1u) << "property id 1: the code page";
    std::size_t value = set + le32(s, set + 12);
    EXPECT_EQ(le16(s, value), 2u) << "VT_I2";
}
