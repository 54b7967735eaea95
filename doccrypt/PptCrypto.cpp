#include "PptCrypto.h"

#include <algorithm>
#include <map>
#include <optional>
#include <vector>

#include "BinaryCrypto.h"
#include "ByteOrder.h"

namespace doccrypt {

namespace {

using namespace byte_order;

constexpr std::uint16_t kCurrentUserAtom = 0x0FF6, kUserEditAtom = 0x0FF5, kPersistDirectoryAtom = 0x1772,
                        kCryptSession = 0x2F14;
constexpr std::uint32_t kPlainToken = 0xE391C05F, kEncryptedToken = 0xF3D1C4DF;
// The UserEditAtom's body without and with encryptSessionPersistIdRef.
constexpr std::size_t kEditFields = 28, kEditFieldsEncrypted = 32;
constexpr std::uint32_t kMaxPersistId = 0xFFFFF, kMaxRun = 0xFFF;
// fDocProps: the summary information is not encrypted (clear: it is, in the
// EncryptedSummary stream).
constexpr std::uint8_t kFlagDocProps = 0x08;

struct RecordHeader {
    std::uint16_t verInstance = 0, type = 0;
    std::uint32_t length = 0;
};

// The record header at at, when the whole record lies inside s.
bool recordAt(const Bytes& s, std::size_t at, RecordHeader& h) {
    if (at > s.size() || s.size() - at < 8) return false;
    h.verInstance = le16(&s[at]);
    h.type = le16(&s[at + 2]);
    h.length = le32(&s[at + 4]);
    return h.length <= s.size() - at - 8;
}

struct UserEdit {
    std::uint16_t verInstance = 0;
    Bytes fields;  // the first 28 body bytes, as found
    std::uint32_t offsetLastEdit = 0, offsetPersistDirectory = 0, persistIdSeed = 0;
    std::uint32_t encryptSession = 0;  // 0: none
};

struct Presentation {
    std::uint32_t token = 0;
    UserEdit current;
    std::map<std::uint32_t, std::uint32_t> directory;  // persist id -> stream offset, latest edit wins
};

bool fail(std::string& error, const char* why) {
    error = why;
    return false;
}

bool readUserEdit(const Bytes& doc, std::size_t at, UserEdit& edit, std::string& error) {
    RecordHeader h;
    if (!recordAt(doc, at, h) || h.type != kUserEditAtom || h.length < kEditFields)
        return fail(error, "the edit record is missing or damaged");
    const std::uint8_t* body = &doc[at + 8];
    edit.verInstance = h.verInstance;
    edit.fields.assign(body, body + kEditFields);
    edit.offsetLastEdit = le32(body + 8);
    edit.offsetPersistDirectory = le32(body + 12);
    edit.persistIdSeed = le32(body + 20);
    edit.encryptSession = h.length >= kEditFieldsEncrypted ? le32(body + 28) : 0;
    return true;
}

// Adds the pairs of the PersistDirectoryAtom at at to the directory, keeping
// the ones already there (they come from later edits).
bool readDirectory(const Bytes& doc, std::size_t at, std::map<std::uint32_t, std::uint32_t>& directory,
                   std::string& error) {
    RecordHeader h;
    if (!recordAt(doc, at, h) || h.type != kPersistDirectoryAtom)
        return fail(error, "the persist directory is missing or damaged");
    const std::uint8_t* p = &doc[at + 8];
    std::size_t left = h.length;
    while (left) {
        if (left < 4) return fail(error, "a persist directory entry is cut short");
        std::uint32_t entry = le32(p);
        std::uint32_t first = entry & kMaxPersistId, count = entry >> 20;
        p += 4;
        left -= 4;
        if (first == 0 || first + count - (count ? 1 : 0) > kMaxPersistId)
            return fail(error, "a persist id is out of range");
        if (left / 4 < count) return fail(error, "a persist directory entry is cut short");
        for (std::uint32_t i = 0; i < count; ++i, p += 4, left -= 4) directory.emplace(first + i, le32(p));
    }
    return true;
}

bool readCurrentUser(const Bytes& cu, std::uint32_t& token, std::uint32_t& currentEdit, std::string& error) {
    RecordHeader h;
    if (!recordAt(cu, 0, h) || h.type != kCurrentUserAtom || h.length < 12)
        return fail(error, "the Current User stream is not a presentation's");
    token = le32(&cu[12]);
    currentEdit = le32(&cu[16]);
    if (token != kPlainToken && token != kEncryptedToken) return fail(error, "the Current User stream is not a presentation's");
    return true;
}

// The current edit and the persist object directory of every edit, walked
// from the current one back to the first.
bool readPresentation(const Bytes& cu, const Bytes& doc, Presentation& out, std::string& error) {
    std::uint32_t at = 0;
    if (!readCurrentUser(cu, out.token, at, error)) return false;
    out.directory.clear();
    for (bool first = true;; first = false) {
        UserEdit edit;
        if (!readUserEdit(doc, at, edit, error)) return false;
        if (!readDirectory(doc, edit.offsetPersistDirectory, out.directory, error)) return false;
        if (first) out.current = edit;
        if (edit.offsetLastEdit == 0) break;
        // Edits are appended: an earlier one lies earlier in the stream. This
        // also ends any loop.
        if (edit.offsetLastEdit >= at) return fail(error, "the edit chain loops");
        at = edit.offsetLastEdit;
    }
    return true;
}

struct PersistObject {
    std::uint32_t id = 0;
    Bytes record;
};

// The key stream for one persist object: keyed by its persist id, from the start.
Rc4 objectCipher(const Bytes& baseHash, std::uint32_t id, unsigned keyBits) {
    return Rc4(rc4CryptoApiBlockKey(baseHash, id, keyBits));
}

// Copies out every persist object but skip, decrypting each when baseHash is
// given. Objects may not overlap: together they fit in the stream.
bool readObjects(const Bytes& doc, const Presentation& p, std::uint32_t skip, const Bytes* baseHash, unsigned keyBits,
                 std::vector<PersistObject>& out, std::string& error) {
    out.clear();
    std::size_t total = 0;
    for (const auto& [id, offset] : p.directory) {
        if (id == skip) continue;
        if (offset > doc.size() || doc.size() - offset < 8) return fail(error, "a persist object lies outside the stream");
        std::uint8_t head[8];
        std::copy(doc.begin() + std::ptrdiff_t(offset), doc.begin() + std::ptrdiff_t(offset) + 8, head);
        std::optional<Rc4> cipher;
        if (baseHash) {
            cipher.emplace(objectCipher(*baseHash, id, keyBits));
            cipher->apply(head, 8);
        }
        std::uint32_t length = le32(head + 4);
        if (length > doc.size() - offset - 8) return fail(error, "a persist object runs past the end of the stream");
        total += 8 + std::size_t(length);
        if (total > doc.size()) return fail(error, "persist objects overlap");
        std::uint16_t type = le16(head + 2);
        if (type == kUserEditAtom || type == kPersistDirectoryAtom || type == kCryptSession || type == kCurrentUserAtom)
            return fail(error, "a persist object is not a presentation record");
        PersistObject object;
        object.id = id;
        object.record.assign(head, head + 8);
        object.record.insert(object.record.end(), doc.begin() + std::ptrdiff_t(offset) + 8,
                             doc.begin() + std::ptrdiff_t(offset) + 8 + std::ptrdiff_t(length));
        if (cipher) cipher->apply(object.record.data() + 8, length);
        out.push_back(std::move(object));
    }
    return true;
}

// One full save: the objects (in persist-id order), their directory and one
// UserEditAtom built from edit's fields. Returns the edit's offset.
bool writeDocument(const std::vector<PersistObject>& objects, const UserEdit& edit, std::uint32_t seed,
                   std::uint32_t encryptSession, Bytes& out, std::uint32_t& editOffset, std::string& error) {
    out.clear();
    std::vector<std::pair<std::uint32_t, std::uint32_t>> placed;
    for (const PersistObject& o : objects) {
        if (out.size() > 0xFFFFFFFFull - o.record.size()) return fail(error, "the presentation is too large");
        placed.push_back({o.id, std::uint32_t(out.size())});
        out.insert(out.end(), o.record.begin(), o.record.end());
    }
    Bytes entries;
    for (std::size_t i = 0; i < placed.size();) {
        std::size_t run = 1;
        while (i + run < placed.size() && run < kMaxRun && placed[i + run].first == placed[i].first + run) ++run;
        putLe32(entries, placed[i].first | (std::uint32_t(run) << 20));
        for (std::size_t k = 0; k < run; ++k) putLe32(entries, placed[i + k].second);
        i += run;
    }
    std::size_t directoryAt = out.size();
    std::size_t editSize = encryptSession ? kEditFieldsEncrypted : kEditFields;
    if (directoryAt + 8 + entries.size() + 8 + editSize > 0xFFFFFFFFull) return fail(error, "the presentation is too large");
    putLe16(out, 0);
    putLe16(out, kPersistDirectoryAtom);
    putLe32(out, std::uint32_t(entries.size()));
    out.insert(out.end(), entries.begin(), entries.end());

    editOffset = std::uint32_t(out.size());
    putLe16(out, edit.verInstance);
    putLe16(out, kUserEditAtom);
    putLe32(out, std::uint32_t(editSize));
    std::size_t body = out.size();
    out.insert(out.end(), edit.fields.begin(), edit.fields.end());
    setLe32(&out[body + 8], 0);  // no earlier edit
    setLe32(&out[body + 12], std::uint32_t(directoryAt));
    setLe32(&out[body + 20], seed);
    if (encryptSession) putLe32(out, encryptSession);
    return true;
}

Bytes currentUserFor(const Bytes& cu, std::uint32_t token, std::uint32_t editOffset) {
    Bytes out = cu;
    setLe32(&out[12], token);
    setLe32(&out[16], editOffset);
    return out;
}

// The encryption session of an encrypted presentation, with the password
// checked against it.
DecryptStatus openSession(const Bytes& currentUser, const Bytes& document, const std::u16string& password,
                          Presentation& p, Rc4CryptoApiInfo& info, std::string& error) {
    if (!readPresentation(currentUser, document, p, error)) return DecryptStatus::Corrupt;
    std::uint32_t session = p.current.encryptSession;
    if (!session) {
        error = "the presentation is not encrypted";
        return DecryptStatus::Unsupported;
    }
    auto found = p.directory.find(session);
    RecordHeader h;
    if (found == p.directory.end() || !recordAt(document, found->second, h) || h.type != kCryptSession) {
        error = "the encryption session is missing or damaged";
        return DecryptStatus::Corrupt;
    }
    std::size_t used = 0;
    if (!parseRc4CryptoApiInfo(&document[found->second + 8], h.length, info, used)) {
        error = "the encryption header is not RC4 CryptoAPI";
        return DecryptStatus::Unsupported;
    }
    if (!checkRc4CryptoApiPassword(info, password)) {
        error = "the password is incorrect";
        return DecryptStatus::WrongPassword;
    }
    return DecryptStatus::Ok;
}

// The EncryptedSummary stream: two sizes (the descriptors' offset and size),
// the streams, then the descriptor count and descriptors. Each stream is
// encrypted from the start of the key stream of its own block number; the
// sizes and, separately, the descriptors use block 0, each from the start.
constexpr std::size_t kSummaryHeader = 8, kDescriptorFixed = 16;
constexpr std::uint8_t kDescriptorIsStream = 0x01;

bool buildEncryptedSummary(const std::vector<NamedStream>& streams, const Bytes& base, unsigned keyBits, Bytes& out,
                           std::string& error) {
    if (streams.size() > 0xFFFF) return fail(error, "too many summary streams");
    out.assign(kSummaryHeader, 0);
    Bytes descriptors;
    putLe32(descriptors, std::uint32_t(streams.size()));
    for (std::size_t i = 0; i < streams.size(); ++i) {
        const NamedStream& s = streams[i];
        if (s.name.empty() || s.name.size() > 0xFF) return fail(error, "a summary stream's name is too long");
        if (out.size() + s.data.size() > 0xFFFFFFFFull) return fail(error, "the summary information is too large");
        std::size_t at = out.size();
        out.insert(out.end(), s.data.begin(), s.data.end());
        objectCipher(base, std::uint32_t(i), keyBits).apply(out.data() + at, s.data.size());
        putLe32(descriptors, std::uint32_t(at));
        putLe32(descriptors, std::uint32_t(s.data.size()));
        putLe16(descriptors, std::uint16_t(i));
        descriptors.push_back(std::uint8_t(s.name.size()));
        descriptors.push_back(kDescriptorIsStream);
        putLe32(descriptors, 0);
        for (char16_t c : s.name) putLe16(descriptors, std::uint16_t(c));
        putLe16(descriptors, 0);
    }
    if (out.size() + descriptors.size() > 0xFFFFFFFFull) return fail(error, "the summary information is too large");
    setLe32(&out[0], std::uint32_t(out.size()));
    setLe32(&out[4], std::uint32_t(descriptors.size()));
    objectCipher(base, 0, keyBits).apply(out.data(), kSummaryHeader);
    objectCipher(base, 0, keyBits).apply(descriptors.data(), descriptors.size());
    out.insert(out.end(), descriptors.begin(), descriptors.end());
    return true;
}

bool parseEncryptedSummary(const Bytes& stream, const Bytes& base, unsigned keyBits, std::vector<NamedStream>& out) {
    out.clear();
    if (stream.size() < kSummaryHeader) return false;
    std::uint8_t head[kSummaryHeader];
    std::copy(stream.begin(), stream.begin() + kSummaryHeader, head);
    objectCipher(base, 0, keyBits).apply(head, kSummaryHeader);
    std::size_t arrayAt = le32(head), arraySize = le32(head + 4);
    if (arrayAt < kSummaryHeader || arrayAt > stream.size() || arraySize > stream.size() - arrayAt || arraySize < 4)
        return false;
    Bytes d(stream.begin() + std::ptrdiff_t(arrayAt), stream.begin() + std::ptrdiff_t(arrayAt + arraySize));
    objectCipher(base, 0, keyBits).apply(d.data(), d.size());
    std::uint32_t count = le32(d.data());
    std::size_t at = 4;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (d.size() - at < kDescriptorFixed) return false;
        std::size_t offset = le32(&d[at]), size = le32(&d[at + 4]);
        std::uint16_t block = le16(&d[at + 8]);
        std::size_t nameSize = d[at + 10];
        bool isStream = (d[at + 11] & kDescriptorIsStream) != 0;
        at += kDescriptorFixed;
        if ((d.size() - at) / 2 < nameSize + 1) return false;
        NamedStream s;
        for (std::size_t k = 0; k < nameSize; ++k) s.name.push_back(char16_t(le16(&d[at + 2 * k])));
        at += 2 * (nameSize + 1);
        if (offset < kSummaryHeader || offset > arrayAt || size > arrayAt - offset) return false;
        if (!isStream) continue;
        s.data.assign(stream.begin() + std::ptrdiff_t(offset), stream.begin() + std::ptrdiff_t(offset + size));
        objectCipher(base, block, keyBits).apply(s.data.data(), s.data.size());
        out.push_back(std::move(s));
    }
    return true;
}

}  // namespace

bool isEncryptedPresentation(const Bytes& currentUser, const Bytes& document) {
    Presentation p;
    std::string error;
    std::uint32_t token = 0, at = 0;
    if (readCurrentUser(currentUser, token, at, error) && token == kEncryptedToken) return true;
    return readPresentation(currentUser, document, p, error) && p.current.encryptSession != 0;
}

DecryptedPresentation decryptPresentationStreams(const Bytes& currentUser, const Bytes& document, const Bytes* pictures,
                                                 const std::u16string& password) {
    DecryptedPresentation result;
    auto failWith = [&](DecryptStatus status, const std::string& detail) {
        result = DecryptedPresentation();
        result.status = status;
        result.detail = detail;
        return result;
    };
    Presentation p;
    Rc4CryptoApiInfo info;
    std::string error;
    DecryptStatus status = openSession(currentUser, document, password, p, info, error);
    if (status != DecryptStatus::Ok) return failWith(status, error);
    std::uint32_t session = p.current.encryptSession;
    if (pictures && !pictures->empty())
        return failWith(DecryptStatus::Unsupported, "encrypted pictures are not supported");

    Bytes base = rc4CryptoApiBaseHash(info.salt, password);
    std::vector<PersistObject> objects;
    if (!readObjects(document, p, session, &base, info.keyBits, objects, error))
        return failWith(DecryptStatus::Corrupt, error);
    // The session took the next free id when the file was encrypted: give it back.
    std::uint32_t seed = p.current.persistIdSeed;
    std::uint32_t highest = objects.empty() ? 0 : objects.back().id;
    if (seed == session && session > highest) seed = highest;
    std::uint32_t editOffset = 0;
    if (!writeDocument(objects, p.current, seed, 0, result.document, editOffset, error))
        return failWith(DecryptStatus::Corrupt, error);
    result.currentUser = currentUserFor(currentUser, kPlainToken, editOffset);
    result.status = DecryptStatus::Ok;
    return result;
}

bool encryptPresentationStreams(const Bytes& currentUser, const Bytes& document, const Bytes* pictures,
                                const std::u16string& password, const RandomFill& random, Bytes& outCurrentUser,
                                Bytes& outDocument, std::string& error, const std::vector<NamedStream>* summary,
                                Bytes* encryptedSummary) {
    Presentation p;
    if (!readPresentation(currentUser, document, p, error)) return false;
    if (p.token == kEncryptedToken || p.current.encryptSession) return fail(error, "the presentation is already encrypted");
    if (pictures && !pictures->empty()) return fail(error, "encrypting a presentation with pictures is not supported");
    std::vector<PersistObject> objects;
    if (!readObjects(document, p, 0, nullptr, 0, objects, error)) return false;
    if (objects.empty()) return fail(error, "the presentation has no persist objects");
    std::uint32_t session = std::max(p.current.persistIdSeed, objects.back().id);
    if (session >= kMaxPersistId) return fail(error, "no persist id is left for the encryption session");
    ++session;

    Rc4CryptoApiInfo info = makeRc4CryptoApiInfo(password, random);
    Bytes base = rc4CryptoApiBaseHash(info.salt, password);
    for (PersistObject& o : objects) objectCipher(base, o.id, info.keyBits).apply(o.record.data(), o.record.size());

    Bytes header = buildRc4CryptoApiInfo(info);
    if (encryptedSummary) {
        static const std::vector<NamedStream> none;
        if (!buildEncryptedSummary(summary ? *summary : none, base, info.keyBits, *encryptedSummary, error))
            return false;
    } else {
        header[4] |= kFlagDocProps;   // the flags' copy
        header[12] |= kFlagDocProps;  // the EncryptionHeader's own
    }
    PersistObject container;
    container.id = session;
    putLe16(container.record, 0x000F);
    putLe16(container.record, kCryptSession);
    putLe32(container.record, std::uint32_t(header.size()));
    container.record.insert(container.record.end(), header.begin(), header.end());
    objects.push_back(std::move(container));

    std::uint32_t editOffset = 0;
    if (!writeDocument(objects, p.current, session, session, outDocument, editOffset, error)) return false;
    outCurrentUser = currentUserFor(currentUser, kEncryptedToken, editOffset);
    return true;
}

bool readEncryptedSummary(const Bytes& currentUser, const Bytes& document, const Bytes& encryptedSummary,
                          const std::u16string& password, std::vector<NamedStream>& out) {
    out.clear();
    Presentation p;
    Rc4CryptoApiInfo info;
    std::string error;
    if (openSession(currentUser, document, password, p, info, error) != DecryptStatus::Ok) return false;
    return parseEncryptedSummary(encryptedSummary, rc4CryptoApiBaseHash(info.salt, password), info.keyBits, out);
}

Bytes emptyDocumentSummary() {
    // FMTID_DocSummaryInformation {D5CDD502-2E9C-101B-9397-08002B2CF9AE}.
    static const std::uint8_t kFormatId[16] = {0x02, 0xD5, 0xCD, 0xD5, 0x9C, 0x2E, 0x1B, 0x10,
                                               0x93, 0x97, 0x08, 0x00, 0x2B, 0x2C, 0xF9, 0xAE};
    constexpr std::uint32_t kSetOffset = 48;
    constexpr std::uint16_t kVtI2 = 2, kCodePage = 1252;
    Bytes out;
    putLe16(out, 0xFFFE);      // byte order
    putLe16(out, 0);           // version
    putLe32(out, 0x00020006);  // system: Win32
    out.insert(out.end(), 16, 0);  // class id
    putLe32(out, 1);           // one property set
    out.insert(out.end(), kFormatId, kFormatId + 16);
    putLe32(out, kSetOffset);
    // The property set: size, one property (the code page, id 1) at 16.
    putLe32(out, 24);
    putLe32(out, 1);
    putLe32(out, 1);
    putLe32(out, 16);
    putLe16(out, kVtI2);
    putLe16(out, 0);
    putLe16(out, kCodePage);
    putLe16(out, 0);
    return out;
}

}  // namespace doccrypt
