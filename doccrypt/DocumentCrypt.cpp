#include "DocumentCrypt.h"

#include <windows.h>
#include <bcrypt.h>
#include <objbase.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <new>
#include <stdexcept>
#include <utility>
#include <vector>

#include "doccrypt/BinaryCrypto.h"
#include "doccrypt/CompoundCheck.h"
#include "doccrypt/Formats.h"
#include "doccrypt/PptCrypto.h"

namespace doccrypt {

namespace {

constexpr std::uint64_t kMaxSize = 1ull << 30;
const std::wstring kSummary = L"\x05SummaryInformation";
const std::wstring kDocumentSummary = L"\x05" L"DocumentSummaryInformation";

using Microsoft::WRL::ComPtr;

// A failure on the way, carried up to the one place that reports it.
struct Failure {
    Outcome outcome;
    std::string reason;
};

[[noreturn]] void fail(Outcome outcome, std::string reason) { throw Failure{outcome, std::move(reason)}; }

[[noreturn]] void storageFailed(const char* what, HRESULT hr) {
    char code[16];
    std::snprintf(code, sizeof code, "%08lX", static_cast<unsigned long>(hr));
    // Reading a malformed compound file fails here; writing one in memory
    // fails only when the platform does.
    fail(Outcome::Damaged, std::string(what) + " (0x" + code + ")");
}

using Streams = std::vector<std::pair<std::wstring, Bytes>>;

// Reads streams of one compound file. No stream can be larger than the file
// that holds it: a size beyond that is damage (a platform reader may
// otherwise follow a broken sector chain for a long time).
class StreamReader {
public:
    StreamReader(IStorage* storage, std::uint64_t fileSize) : storage_(storage), limit_(fileSize) {}
    IStorage* get() const { return storage_; }

    // False when there is no such stream.
    bool read(const wchar_t* name, Bytes& out) const {
        ComPtr<IStream> stream;
        if (FAILED(storage_->OpenStream(name, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream))) return false;
        STATSTG stat;
        if (FAILED(stream->Stat(&stat, STATFLAG_NONAME))) storageFailed("a stream cannot be read", E_FAIL);
        if (stat.cbSize.QuadPart > limit_ || stat.cbSize.QuadPart > kMaxSize)
            fail(Outcome::Damaged, "a stream is larger than its file");
        out.resize(std::size_t(stat.cbSize.QuadPart));
        std::size_t done = 0;
        while (done < out.size()) {
            ULONG got = 0;
            ULONG want = ULONG(std::min<std::size_t>(out.size() - done, 1u << 24));
            HRESULT hr = stream->Read(out.data() + done, want, &got);
            if (FAILED(hr) || got == 0) storageFailed("a stream ends early", FAILED(hr) ? hr : STG_E_READFAULT);
            done += got;
        }
        return true;
    }

private:
    IStorage* storage_;
    std::uint64_t limit_;
};

// The child storage for reading; null when there is none.
ComPtr<IStorage> openStorage(IStorage* parent, const wchar_t* name) {
    ComPtr<IStorage> storage;
    if (FAILED(parent->OpenStorage(name, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0, &storage)))
        return nullptr;
    return storage;
}

bool hasStorage(IStorage* parent, const wchar_t* name) { return openStorage(parent, name) != nullptr; }

void writeStream(IStorage* storage, const std::wstring& name, const Bytes& data) {
    ComPtr<IStream> stream;
    HRESULT hr = storage->CreateStream(name.c_str(), STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &stream);
    if (FAILED(hr)) storageFailed("a stream cannot be made", hr);
    std::size_t done = 0;
    while (done < data.size()) {
        ULONG wrote = 0;
        ULONG want = ULONG(std::min<std::size_t>(data.size() - done, 1u << 24));
        hr = stream->Write(data.data() + done, want, &wrote);
        if (FAILED(hr) || wrote == 0) storageFailed("a stream cannot be written", FAILED(hr) ? hr : STG_E_WRITEFAULT);
        done += wrote;
    }
}

// A compound file in memory: read from bytes, or made afresh and taken out
// as bytes.
class MemoryStorage {
public:
    // Opens bytes read-only.
    explicit MemoryStorage(const Bytes& whole) {
        std::string damage;
        if (!checkCompoundFile(whole.data(), whole.size(), damage)) fail(Outcome::Damaged, damage);
        makeBytes();
        ULARGE_INTEGER zero{};
        ULONG wrote = 0;
        HRESULT hr = bytes_->WriteAt(zero, whole.data(), ULONG(whole.size()), &wrote);
        if (FAILED(hr) || wrote != whole.size()) fail(Outcome::Failed, "no memory for the compound file");
        hr = StgOpenStorageOnILockBytes(bytes_.Get(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0, &storage_);
        if (FAILED(hr)) storageFailed("the compound file is damaged", hr);
    }
    // A new, empty compound file.
    MemoryStorage() {
        makeBytes();
        HRESULT hr = StgCreateDocfileOnILockBytes(bytes_.Get(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0,
                                                  &storage_);
        if (FAILED(hr)) fail(Outcome::Failed, "no compound file can be made");
    }
    IStorage* get() const { return storage_.Get(); }

    // Commits and closes the storage; its bytes.
    Bytes finish() {
        HRESULT hr = storage_->Commit(STGC_DEFAULT);
        if (FAILED(hr)) fail(Outcome::Failed, "the compound file cannot be committed");
        storage_.Reset();
        STATSTG stat;
        hr = bytes_->Stat(&stat, STATFLAG_NONAME);
        if (FAILED(hr) || stat.cbSize.QuadPart > kMaxSize) fail(Outcome::Failed, "the compound file cannot be taken out");
        Bytes out(std::size_t(stat.cbSize.QuadPart));
        ULARGE_INTEGER zero{};
        ULONG got = 0;
        hr = bytes_->ReadAt(zero, out.data(), ULONG(out.size()), &got);
        if (FAILED(hr) || got != out.size()) fail(Outcome::Failed, "the compound file cannot be taken out");
        return out;
    }

private:
    void makeBytes() {
        if (FAILED(CreateILockBytesOnHGlobal(nullptr, TRUE, &bytes_)))
            fail(Outcome::Failed, "no memory for the compound file");
    }
    ComPtr<ILockBytes> bytes_;
    ComPtr<IStorage> storage_;
};

// The compound file with some streams' contents replaced and the streams
// named in remove left out; every other storage and stream is copied as it is.
Bytes replaceStreams(const Bytes& whole, const Streams& streams, const std::vector<std::wstring>& remove = {}) {
    MemoryStorage source(whole);
    MemoryStorage target;
    std::vector<std::wstring> names;
    for (const auto& s : streams) names.push_back(s.first);
    names.insert(names.end(), remove.begin(), remove.end());
    std::vector<WCHAR*> exclude;
    for (auto& n : names) exclude.push_back(&n[0]);
    exclude.push_back(nullptr);
    HRESULT hr = source.get()->CopyTo(0, nullptr, exclude.data(), target.get());
    if (FAILED(hr)) storageFailed("the compound file cannot be copied", hr);
    for (const auto& s : streams) writeStream(target.get(), s.first, s.second);
    return target.finish();
}

// An encrypted package: the \x06DataSpaces storage, EncryptionInfo and
// EncryptedPackage, as Office writes them.
Bytes encryptedPackageFile(const EncryptedStreams& streams) {
    MemoryStorage root;
    {
        std::map<std::wstring, ComPtr<IStorage>> opened;
        for (const auto& s : dataSpacesStreams()) {
            // "a/b/c": storages a and b (made on demand), stream c.
            IStorage* parent = root.get();
            std::wstring sofar;
            std::size_t start = 0;
            const std::string& path = s.first;
            for (std::size_t slash; (slash = path.find('/', start)) != std::string::npos; start = slash + 1) {
                std::wstring part(path.begin() + std::ptrdiff_t(start), path.begin() + std::ptrdiff_t(slash));
                sofar += L"/" + part;
                auto it = opened.find(sofar);
                if (it == opened.end()) {
                    ComPtr<IStorage> child;
                    HRESULT hr = parent->CreateStorage(part.c_str(), STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE,
                                                       0, 0, &child);
                    if (FAILED(hr)) storageFailed("a storage cannot be made", hr);
                    it = opened.emplace(sofar, std::move(child)).first;
                }
                parent = it->second.Get();
            }
            writeStream(parent, std::wstring(path.begin() + std::ptrdiff_t(start), path.end()), s.second);
        }
        // Children before parents, so that the root's commit sees them.
        while (!opened.empty()) {
            auto last = std::prev(opened.end());
            last->second->Commit(STGC_DEFAULT);
            opened.erase(last);
        }
    }
    writeStream(root.get(), L"EncryptionInfo", streams.encryptionInfo);
    writeStream(root.get(), L"EncryptedPackage", streams.encryptedPackage);
    return root.finish();
}

void check(DecryptStatus status, const std::string& detail) {
    switch (status) {
    case DecryptStatus::Ok: return;
    case DecryptStatus::WrongPassword: fail(Outcome::WrongPassword, "the password is not the document's");
    case DecryptStatus::Unsupported: fail(Outcome::UnknownCipher, detail);
    case DecryptStatus::IntegrityFailed: fail(Outcome::Damaged, "the package fails its integrity check");
    case DecryptStatus::Corrupt: break;
    }
    fail(Outcome::Damaged, detail.empty() ? "the encryption data is damaged" : detail);
}

bool isCompoundFile(const Bytes& b) {
    static const std::uint8_t sig[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    return b.size() >= 512 && std::equal(sig, sig + 8, b.begin());
}

bool isZip(const Bytes& b) { return b.size() >= 4 && b[0] == 'P' && b[1] == 'K' && b[2] == 3 && b[3] == 4; }

// Rights management keeps its content behind a DRM transform of the data
// spaces; no password opens it.
bool isRightsManaged(IStorage* root) {
    ComPtr<IStorage> spaces = openStorage(root, L"\x06" L"DataSpaces");
    ComPtr<IStorage> info = spaces ? openStorage(spaces.Get(), L"TransformInfo") : nullptr;
    if (!info) return false;
    return hasStorage(info.Get(), L"DRMEncryptedTransform") || hasStorage(info.Get(), L"\x09" L"DRMTransform");
}

// A Word document's streams: the table stream is the one the FIB names.
struct WordStreams {
    Bytes word, table, data;
    std::wstring tableName;
    bool hasData = false;
};

WordStreams readWordStreams(const StreamReader& storage, Bytes word) {
    WordStreams w;
    w.word = std::move(word);
    if (!inspectWordStream(w.word).valid) fail(Outcome::Damaged, "the WordDocument stream is not a Word document");
    w.tableName = (w.word[11] & 0x02) ? L"1Table" : L"0Table";
    if (!storage.read(w.tableName.c_str(), w.table)) fail(Outcome::Damaged, "the table stream is missing");
    w.hasData = storage.read(L"Data", w.data);
    return w;
}

Streams wordStreamList(WordStreams& w) {
    Streams streams{{L"WordDocument", std::move(w.word)}, {w.tableName, std::move(w.table)}};
    if (w.hasData) streams.push_back({L"Data", std::move(w.data)});
    return streams;
}

// The presentation's streams; false when the storage holds none.
struct PresentationStreams {
    Bytes currentUser, document, pictures, encryptedSummary;
    bool hasPictures = false, hasEncryptedSummary = false;
    std::vector<NamedStream> summary;
};

bool readPresentationStreams(const StreamReader& storage, PresentationStreams& p) {
    if (!storage.read(L"PowerPoint Document", p.document)) return false;
    if (!storage.read(L"Current User", p.currentUser)) fail(Outcome::Damaged, "the Current User stream is missing");
    p.hasPictures = storage.read(L"Pictures", p.pictures);
    p.hasEncryptedSummary = storage.read(L"EncryptedSummary", p.encryptedSummary);
    for (const std::wstring& name : {kSummary, kDocumentSummary}) {
        NamedStream s;
        if (storage.read(name.c_str(), s.data)) {
            s.name.assign(name.begin(), name.end());
            p.summary.push_back(std::move(s));
        }
    }
    return true;
}

// The decrypted compound file, or the same bytes for a plain one.
Bytes decryptCompoundFile(const Bytes& file, const std::u16string& password, bool& wasEncrypted) {
    Bytes stream;
    MemoryStorage source(file);
    const StreamReader storage(source.get(), file.size());
    if (isRightsManaged(storage.get())) fail(Outcome::RightsManaged, "the document is protected by rights management");
    Bytes info, package;
    if (storage.read(L"EncryptionInfo", info)) {
        if (!storage.read(L"EncryptedPackage", package)) fail(Outcome::Damaged, "EncryptedPackage is missing");
        Decrypted d = decryptPackage(info, package, password);
        check(d.status, d.detail);
        if (!isZip(d.package)) fail(Outcome::Damaged, "the decrypted package is no package");
        wasEncrypted = true;
        return std::move(d.package);
    }
    if (storage.read(L"WordDocument", stream)) {
        WordStreams w = readWordStreams(storage, std::move(stream));
        if (!inspectWordStream(w.word).encrypted) return file;
        std::string detail;
        check(decryptWordStreams(w.word, w.table, w.hasData ? &w.data : nullptr, password, detail), detail);
        wasEncrypted = true;
        return replaceStreams(file, wordStreamList(w));
    }
    if (storage.read(L"Workbook", stream) || storage.read(L"Book", stream)) {
        BinaryFacts facts = inspectWorkbookStream(stream);
        if (!facts.valid) fail(Outcome::Damaged, "the Workbook stream is not a workbook");
        if (!facts.encrypted) return file;
        if (facts.biff5) fail(Outcome::UnknownCipher, "an encrypted Excel 5 workbook");
        DecryptedWorkbook d = decryptWorkbookStream(stream, password);
        check(d.status, d.detail);
        wasEncrypted = true;
        return replaceStreams(file, {{L"Workbook", std::move(d.stream)}});
    }
    PresentationStreams p;
    if (readPresentationStreams(storage, p)) {
        if (!inspectCurrentUserStream(p.currentUser).valid) fail(Outcome::Damaged, "the Current User stream is damaged");
        if (!isEncryptedPresentation(p.currentUser, p.document)) return file;
        DecryptedPresentation d =
            decryptPresentationStreams(p.currentUser, p.document, p.hasPictures ? &p.pictures : nullptr, password);
        check(d.status, d.detail);
        Streams streams{{L"Current User", std::move(d.currentUser)}, {L"PowerPoint Document", std::move(d.document)}};
        std::vector<std::wstring> remove;
        if (p.hasEncryptedSummary) {
            // The summary streams it holds go back in place of the
            // placeholders; one that cannot be read leaves them.
            remove.push_back(L"EncryptedSummary");
            std::vector<NamedStream> summary;
            if (readEncryptedSummary(p.currentUser, p.document, p.encryptedSummary, password, summary)) {
                for (NamedStream& s : summary) {
                    std::wstring name(s.name.begin(), s.name.end());
                    // Only property streams: "Current User" must not replace the document.
                    if (!name.empty() && name[0] == L'\x05') streams.push_back({name, std::move(s.data)});
                }
            }
        }
        wasEncrypted = true;
        return replaceStreams(file, streams, remove);
    }
    fail(Outcome::Damaged, "the compound file holds no Word, Excel or PowerPoint document");
}

// A plain compound file, encrypted.
Bytes encryptCompoundFile(const Bytes& file, const std::u16string& password, const RandomFill& random) {
    Bytes stream;
    std::string error;
    MemoryStorage source(file);
    const StreamReader storage(source.get(), file.size());
    if (storage.read(L"WordDocument", stream)) {
        WordStreams w = readWordStreams(storage, std::move(stream));
        // Embedded objects would have to move into the Data stream first.
        if (hasStorage(storage.get(), L"ObjectPool")) fail(Outcome::NotEncryptable, "a document with embedded objects");
        if (!encryptWordStreams(w.word, w.table, w.hasData ? &w.data : nullptr, password, random, error))
            fail(Outcome::NotEncryptable, error);
        return replaceStreams(file, wordStreamList(w));
    }
    if (storage.read(L"Workbook", stream) || storage.read(L"Book", stream)) {
        if (inspectWorkbookStream(stream).biff5) fail(Outcome::NotEncryptable, "an Excel 5 workbook");
        Bytes encrypted;
        if (!encryptWorkbookStream(stream, password, random, encrypted, error)) fail(Outcome::NotEncryptable, error);
        return replaceStreams(file, {{L"Workbook", std::move(encrypted)}});
    }
    PresentationStreams p;
    if (readPresentationStreams(storage, p)) {
        // The summary information is encrypted too, as PowerPoint does: it
        // moves into EncryptedSummary, the plain summary stream goes and the
        // document summary keeps no properties.
        Bytes user, document, summary;
        if (!encryptPresentationStreams(p.currentUser, p.document, p.hasPictures ? &p.pictures : nullptr, password,
                                        random, user, document, error, &p.summary, &summary))
            fail(Outcome::NotEncryptable, error);
        return replaceStreams(file,
                              {{L"Current User", std::move(user)},
                               {L"PowerPoint Document", std::move(document)},
                               {L"EncryptedSummary", std::move(summary)},
                               {kDocumentSummary, emptyDocumentSummary()}},
                              {kSummary});
    }
    fail(Outcome::Damaged, "the compound file holds no Word, Excel or PowerPoint document");
}

template <typename Work>
Result guarded(Work work) {
    try {
        work();
        return Result{Outcome::Ok, {}};
    } catch (const Failure& f) {
        return Result{f.outcome, f.reason};
    } catch (const std::bad_alloc&) {
        return Result{Outcome::Failed, "not enough memory"};
    } catch (const std::exception& e) {
        return Result{Outcome::Failed, e.what()};
    } catch (...) {
        return Result{Outcome::Failed, "unexpected exception"};
    }
}

void checkPackage(const Bytes& zip) {
    std::string error;
    if (!verifyPackage(zip, error)) fail(Outcome::Damaged, "the package is damaged: " + error);
}

void inspectCompoundFile(const Bytes& file, DocumentFacts& facts) {
    MemoryStorage source(file);
    const StreamReader storage(source.get(), file.size());
    if (isRightsManaged(storage.get())) fail(Outcome::RightsManaged, "the document is protected by rights management");
    Bytes stream;
    if (storage.read(L"EncryptionInfo", stream)) {
        facts.encrypted = true;
        return;
    }
    BinaryFacts binary;
    if (storage.read(L"WordDocument", stream)) {
        binary = inspectWordStream(stream);
        facts.format = DocFormat::Doc;
    } else if (storage.read(L"Workbook", stream) || storage.read(L"Book", stream)) {
        binary = inspectWorkbookStream(stream);
        facts.format = binary.biff5 ? DocFormat::Xls95 : DocFormat::Xls;
    } else {
        PresentationStreams p;
        if (!readPresentationStreams(storage, p)) fail(Outcome::Damaged, "no Word, Excel or PowerPoint document");
        binary = inspectCurrentUserStream(p.currentUser);
        binary.encrypted = binary.valid && isEncryptedPresentation(p.currentUser, p.document);
        facts.format = DocFormat::Ppt;
    }
    if (!binary.valid) fail(Outcome::Damaged, std::string("not a valid ") + formatName(facts.format) + " document");
    facts.encrypted = binary.encrypted;
    facts.readOnlyRecommended = binary.readOnlyRecommended;
}

}  // namespace

Result inspectDocument(const Bytes& file, DocumentFacts& facts) {
    facts = DocumentFacts();
    return guarded([&] {
        if (isZip(file)) {
            PackageFacts package;
            std::string error;
            if (!inspectPackage(file, package, error)) fail(Outcome::Damaged, "the package is damaged: " + error);
            facts.format = package.format;
            facts.readOnlyRecommended = package.readOnlyRecommended;
        } else if (isCompoundFile(file)) {
            inspectCompoundFile(file, facts);
        } else {
            fail(Outcome::Damaged, "neither a package nor a compound file");
        }
    });
}

Result decryptDocument(const Bytes& file, const std::u16string& password, Bytes& plain, bool& wasEncrypted) {
    wasEncrypted = false;
    return guarded([&] {
        if (isZip(file)) {
            checkPackage(file);
            plain = file;
        } else if (isCompoundFile(file)) {
            plain = decryptCompoundFile(file, password, wasEncrypted);
        } else {
            fail(Outcome::Damaged, "neither a package nor a compound file");
        }
    });
}

Result encryptDocument(const Bytes& file, const std::u16string& password, const RandomFill& random, Bytes& encrypted) {
    if (isZip(file)) {  // encrypted as it is, without a copy of its own
        return guarded([&] {
            checkPackage(file);
            encrypted = encryptedPackageFile(encryptAgile(file, password, random));
        });
    }
    Bytes plain;
    bool wasEncrypted = false;
    Result r = decryptDocument(file, password, plain, wasEncrypted);
    if (r.outcome != Outcome::Ok) return r;
    return guarded([&] {
        encrypted = isZip(plain) ? encryptedPackageFile(encryptAgile(plain, password, random))
                                 : encryptCompoundFile(plain, password, random);
    });
}

void systemRandom(std::uint8_t* data, std::size_t size) {
    if (!BCRYPT_SUCCESS(BCryptGenRandom(nullptr, data, ULONG(size), BCRYPT_USE_SYSTEM_PREFERRED_RNG)))
        throw std::runtime_error("the platform has no random numbers");
}

const char* outcomeName(Outcome outcome) {
    switch (outcome) {
    case Outcome::Ok: return "ok";
    case Outcome::WrongPassword: return "wrong password";
    case Outcome::Damaged: return "damaged";
    case Outcome::UnknownCipher: return "unknown encryption";
    case Outcome::RightsManaged: return "rights-managed";
    case Outcome::NotEncryptable: return "cannot be encrypted";
    case Outcome::Failed: return "platform failure";
    }
    return "?";
}

}  // namespace doccrypt
