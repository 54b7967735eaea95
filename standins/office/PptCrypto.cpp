#include "PptCrypto.h"

#include <algorithm>
#include <map>
#include <optional>
#include <vector>

#include "BinaryCrypto.h"
#include "ByteOrder.h"

namespace office_standin {

namespace {

using namespace byte_order;

constexpr std::uint16_t kCurrentUserAtom = 0x0FF6, kUserEditAtom = 0x0FF5, kPersistDirectoryAtom = 0x1772,
                        kCryptSession = 0x2F14;
constexpr std::uint32_t kPlainToken = 0xE391C05F, kEncryptedToken = 0xF3D1C4DF;
// The UserEditAtom's body without and with encryptSessionPersistIdRef.
constexpr std::size_t kEditFields = 28, kEditFieldsEncrypted = 32;
constexpr std::uint32_t kMaxPersistId = 0xFFFFF, kMaxRun = 0xFFF;
// fDocProps: the summary information is not encrypted.
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
    std::string error;
    if (!readPresentation(currentUser, document, p, error)) return failWith(DecryptStatus::Corrupt, error);
    std::uint32_t session = p.current.encryptSession;
    if (!session) return failWith(DecryptStatus::Unsupported, "the presentation is not encrypted");
    auto found = p.directory.find(session);
    RecordHeader h;
    if (found == p.directory.end() || !recordAt(document, found->second, h) || h.type != kCryptSession)
        return failWith(DecryptStatus::Corrupt, "the encryption session is missing or damaged");
    Rc4CryptoApiInfo info;
    std::size_t used = 0;
    if (!parseRc4CryptoApiInfo(&document[found->second + 8], h.length, info, used))
        return failWith(DecryptStatus::Unsupported, "the encryption header is not RC4 CryptoAPI");
    if (!checkRc4CryptoApiPassword(info, password)) return failWith(DecryptStatus::WrongPassword, "the password is incorrect");
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
                                Bytes& outDocument, std::string& error) {
    Presentation p;
    if (!readPresentation(currentUser, document, p, error)) return false;
    if (p.token == kEncryptedToken || p.current.encryptSession) return fail(error, "the presentation is already encrypted");
    if (pictures && !pictures->empty()) return fail(error, "a presentation with pictures cannot be encrypted by the stand-in");
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
    header[4] |= kFlagDocProps;   // the flags' copy
    header[12] |= kFlagDocProps;  // the EncryptionHeader's own
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

}  // namespace office_standin
