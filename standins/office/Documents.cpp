#include "Documents.h"

#include <bcrypt.h>
#include <objbase.h>

#include <map>
#include <memory>
#include <vector>

#include "BinaryCrypto.h"
#include "OfficeCrypto.h"
#include "PptCrypto.h"

namespace office_standin {

namespace {

constexpr std::uint64_t kMaxFile = 1ull << 30;

const char* appName(AppKind app) {
    switch (app) {
    case AppKind::Word: return "Word";
    case AppKind::Excel: return "Excel";
    default: return "PowerPoint";
    }
}

std::wstring wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

struct ComRelease {
    void operator()(IUnknown* p) const {
        if (p) p->Release();
    }
};
template <typename T>
using Com = std::unique_ptr<T, ComRelease>;

bool readFile(const std::wstring& path, Bytes& out, std::wstring& error) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        DWORD e = GetLastError();
        error = (e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND)
                    ? L"The file could not be found: " + path
                    : L"The file could not be opened (error " + std::to_wstring(e) + L"): " + path;
        return false;
    }
    LARGE_INTEGER size;
    bool ok = GetFileSizeEx(h, &size) && std::uint64_t(size.QuadPart) <= kMaxFile;
    if (ok) {
        out.resize(std::size_t(size.QuadPart));
        std::size_t done = 0;
        while (ok && done < out.size()) {
            DWORD got = 0;
            DWORD want = DWORD(std::min<std::size_t>(out.size() - done, 1u << 24));
            ok = ReadFile(h, out.data() + done, want, &got, nullptr) && got > 0;
            done += got;
        }
    }
    CloseHandle(h);
    if (!ok) error = L"The file could not be read: " + path;
    return ok;
}

bool readStream(IStorage* storage, const wchar_t* name, Bytes& out) {
    IStream* raw = nullptr;
    if (FAILED(storage->OpenStream(name, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &raw))) return false;
    Com<IStream> stream(raw);
    STATSTG stat;
    if (FAILED(stream->Stat(&stat, STATFLAG_NONAME)) || stat.cbSize.QuadPart > kMaxFile) return false;
    out.resize(std::size_t(stat.cbSize.QuadPart));
    std::size_t done = 0;
    while (done < out.size()) {
        ULONG got = 0;
        ULONG want = ULONG(std::min<std::size_t>(out.size() - done, 1u << 24));
        if (FAILED(stream->Read(out.data() + done, want, &got)) || got == 0) return false;
        done += got;
    }
    return true;
}

bool hasStream(IStorage* storage, const wchar_t* name) {
    IStream* raw = nullptr;
    if (FAILED(storage->OpenStream(name, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &raw))) return false;
    raw->Release();
    return true;
}

void writeStream(IStorage* storage, const std::wstring& name, const Bytes& data);

// A compound file held in memory, opened read-only.
Com<IStorage> openMemoryStorage(const Bytes& whole, Com<ILockBytes>& bytes) {
    ILockBytes* lb = nullptr;
    if (FAILED(CreateILockBytesOnHGlobal(nullptr, TRUE, &lb))) throw E_OUTOFMEMORY;
    bytes.reset(lb);
    ULARGE_INTEGER zero{};
    ULONG wrote = 0;
    HRESULT hr = lb->WriteAt(zero, whole.data(), ULONG(whole.size()), &wrote);
    if (FAILED(hr) || wrote != whole.size()) throw FAILED(hr) ? hr : STG_E_WRITEFAULT;
    IStorage* raw = nullptr;
    hr = StgOpenStorageOnILockBytes(lb, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0, &raw);
    if (FAILED(hr)) throw hr;
    return Com<IStorage>(raw);
}

// The compound file with some streams' contents replaced and the streams
// named in remove left out; every other storage and stream is copied as it is.
Bytes replaceStreams(const Bytes& whole, const std::vector<std::pair<std::wstring, Bytes>>& streams,
                     const std::vector<std::wstring>& remove = {}) {
    Com<ILockBytes> sourceBytes;
    Com<IStorage> source = openMemoryStorage(whole, sourceBytes);
    ILockBytes* lb = nullptr;
    if (FAILED(CreateILockBytesOnHGlobal(nullptr, TRUE, &lb))) throw E_OUTOFMEMORY;
    Com<ILockBytes> targetBytes(lb);
    {
        IStorage* raw = nullptr;
        HRESULT hr = StgCreateDocfileOnILockBytes(lb, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, &raw);
        if (FAILED(hr)) throw hr;
        Com<IStorage> target(raw);
        std::vector<std::wstring> names;
        for (const auto& s : streams) names.push_back(s.first);
        names.insert(names.end(), remove.begin(), remove.end());
        std::vector<WCHAR*> exclude;
        for (auto& n : names) exclude.push_back(&n[0]);
        exclude.push_back(nullptr);
        hr = source->CopyTo(0, nullptr, exclude.data(), target.get());
        if (FAILED(hr)) throw hr;
        for (const auto& s : streams) writeStream(target.get(), s.first, s.second);
        hr = target->Commit(STGC_DEFAULT);
        if (FAILED(hr)) throw hr;
    }
    STATSTG stat;
    HRESULT hr = lb->Stat(&stat, STATFLAG_NONAME);
    if (FAILED(hr)) throw hr;
    if (stat.cbSize.QuadPart > kMaxFile) throw STG_E_MEDIUMFULL;
    Bytes out(std::size_t(stat.cbSize.QuadPart));
    ULARGE_INTEGER zero{};
    ULONG got = 0;
    hr = lb->ReadAt(zero, out.data(), ULONG(out.size()), &got);
    if (FAILED(hr) || got != out.size()) throw FAILED(hr) ? hr : STG_E_READFAULT;
    return out;
}

Bytes replaceStream(const Bytes& whole, const std::wstring& name, const Bytes& data) {
    return replaceStreams(whole, {{name, data}});
}

OpenOutcome failure(OpenFailure kind, const std::wstring& message) {
    OpenOutcome o;
    o.failure = kind;
    o.message = message;
    return o;
}

bool isCompoundFile(const Bytes& b) {
    static const std::uint8_t sig[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    return b.size() >= 512 && std::equal(sig, sig + 8, b.begin());
}

OpenOutcome fromPackage(const std::wstring& path, AppKind app, Bytes package, bool encrypted,
                        const std::u16string& password) {
    PackageFacts facts;
    std::string error;
    if (!inspectPackage(package, facts, error))
        return failure(OpenFailure::Other, L"The file is damaged or is not a document (" + wide(error) + L"): " + path);
    if (appOf(facts.format) != app)
        return failure(OpenFailure::Other, L"The file is not a " + wide(appName(app)) + L" document: " + path);
    OpenOutcome o;
    o.document.fullName = path;
    o.document.format = facts.format;
    o.document.readOnlyRecommended = facts.readOnlyRecommended;
    o.document.wasEncrypted = encrypted;
    o.document.password = encrypted ? password : std::u16string();
    o.document.content = std::move(package);
    return o;
}

// The outcome of decrypting a binary document: the failure, or the plain
// compound file with the decrypted streams in place.
OpenOutcome fromDecrypted(const std::wstring& path, AppKind app, const Bytes& whole, DecryptStatus status,
                          const std::string& detail, const std::vector<std::pair<std::wstring, Bytes>>& streams,
                          DocFormat format, bool readOnlyRecommended, const std::u16string& password,
                          const std::vector<std::wstring>& remove = {}) {
    if (status == DecryptStatus::WrongPassword)
        return failure(OpenFailure::WrongPassword,
                       L"The password is incorrect. " + wide(appName(app)) + L" cannot open the document: " + path);
    if (status != DecryptStatus::Ok)
        return failure(OpenFailure::Other, L"The encrypted document cannot be opened (" + wide(detail) + L"): " + path);
    OpenOutcome o;
    try {
        o.document.content = replaceStreams(whole, streams, remove);
    } catch (HRESULT) {
        return failure(OpenFailure::Other, L"The decrypted document could not be put together: " + path);
    }
    o.document.fullName = path;
    o.document.format = format;
    o.document.readOnlyRecommended = readOnlyRecommended;
    o.document.wasEncrypted = true;
    o.document.password = password;
    return o;
}

OpenOutcome notThisApp(const std::wstring& path, AppKind app) {
    return failure(OpenFailure::Other, L"The file is not a " + wide(appName(app)) + L" document: " + path);
}

// An RC4-encrypted Word document: decrypted into a plain compound file.
OpenOutcome fromEncryptedWord(const std::wstring& path, AppKind app, const Bytes& whole, Bytes wordDocument,
                              const std::wstring& tableName, Bytes table, Bytes* data, const std::u16string* password) {
    if (app != AppKind::Word) return notThisApp(path, app);
    if (!password) return failure(OpenFailure::NeedPassword, L"A password is required to open this document: " + path);
    std::string detail;
    DecryptStatus status = decryptWordStreams(wordDocument, table, data, *password, detail);
    bool readOnly = inspectWordStream(wordDocument).readOnlyRecommended;
    std::vector<std::pair<std::wstring, Bytes>> streams{{L"WordDocument", std::move(wordDocument)},
                                                        {tableName, std::move(table)}};
    if (data) streams.push_back({L"Data", std::move(*data)});
    return fromDecrypted(path, app, whole, status, detail, streams, DocFormat::Doc, readOnly, *password);
}

// An RC4-encrypted BIFF8 workbook: decrypted into a plain compound file.
OpenOutcome fromEncryptedWorkbook(const std::wstring& path, AppKind app, const Bytes& whole, const Bytes& stream,
                                  const std::u16string* password) {
    if (app != AppKind::Excel) return notThisApp(path, app);
    if (!password) return failure(OpenFailure::NeedPassword, L"A password is required to open this document: " + path);
    DecryptedWorkbook d = decryptWorkbookStream(stream, *password);
    bool readOnly = inspectWorkbookStream(d.stream).readOnlyRecommended;
    return fromDecrypted(path, app, whole, d.status, d.detail, {{L"Workbook", std::move(d.stream)}}, DocFormat::Xls,
                         readOnly, *password);
}

// An RC4 CryptoAPI-encrypted presentation: decrypted into a plain compound
// file. The encrypted summary (written when the properties were encrypted
// too) is dropped; the summary streams it holds are put back in place of
// the placeholders, or, when it cannot be read, the presentation opens
// without those properties.
OpenOutcome fromEncryptedPresentation(const std::wstring& path, AppKind app, const Bytes& whole, const Bytes& currentUser,
                                      const Bytes& document, const Bytes* pictures, const Bytes* encryptedSummary,
                                      const std::u16string* password) {
    if (app != AppKind::PowerPoint) return notThisApp(path, app);
    if (!password) return failure(OpenFailure::NeedPassword, L"A password is required to open this document: " + path);
    DecryptedPresentation d = decryptPresentationStreams(currentUser, document, pictures, *password);
    std::vector<std::pair<std::wstring, Bytes>> streams{{L"Current User", std::move(d.currentUser)},
                                                        {L"PowerPoint Document", std::move(d.document)}};
    std::vector<std::wstring> remove;
    if (encryptedSummary) {
        remove.push_back(L"EncryptedSummary");
        std::vector<NamedStream> summary;
        if (d.status == DecryptStatus::Ok &&
            readEncryptedSummary(currentUser, document, *encryptedSummary, *password, summary)) {
            for (NamedStream& s : summary) {
                std::wstring name(s.name.begin(), s.name.end());
                // Only the property streams: a name like "Current User" must not replace the document.
                if (!name.empty() && name[0] == L'\x05') streams.push_back({name, std::move(s.data)});
            }
        }
    }
    return fromDecrypted(path, app, whole, d.status, d.detail, streams, DocFormat::Ppt, false, *password, remove);
}

OpenOutcome fromCompoundFile(const std::wstring& path, AppKind app, Bytes whole, const std::u16string* password) {
    IStorage* raw = nullptr;
    HRESULT hr = StgOpenStorage(path.c_str(), nullptr, STGM_READ | STGM_SHARE_DENY_WRITE, nullptr, 0, &raw);
    if (FAILED(hr)) hr = StgOpenStorage(path.c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0, &raw);
    if (FAILED(hr)) return failure(OpenFailure::Other, L"The compound file is damaged: " + path);
    Com<IStorage> storage(raw);

    if (hasStream(storage.get(), L"EncryptionInfo") || hasStream(storage.get(), L"EncryptedPackage")) {
        Bytes info, package;
        if (!readStream(storage.get(), L"EncryptionInfo", info) || !readStream(storage.get(), L"EncryptedPackage", package))
            return failure(OpenFailure::Other, L"The encrypted document is damaged: " + path);
        if (!password) return failure(OpenFailure::NeedPassword, L"A password is required to open this document: " + path);
        Decrypted d = decryptPackage(info, package, *password);
        switch (d.status) {
        case DecryptStatus::Ok:
            return fromPackage(path, app, std::move(d.package), true, *password);
        case DecryptStatus::WrongPassword:
            return failure(OpenFailure::WrongPassword,
                           L"The password is incorrect. " + wide(appName(app)) + L" cannot open the document: " + path);
        default:
            return failure(OpenFailure::Other, L"The encrypted document cannot be opened (" + wide(d.detail) + L"): " + path);
        }
    }

    OpenOutcome o;
    Bytes stream;
    BinaryFacts facts;
    DocFormat format = DocFormat::Unknown;
    if (readStream(storage.get(), L"WordDocument", stream)) {
        facts = inspectWordStream(stream);
        format = DocFormat::Doc;
        if (facts.valid && facts.encrypted) {
            std::wstring tableName = (stream[11] & 0x02) ? L"1Table" : L"0Table";
            Bytes table, data;
            if (!readStream(storage.get(), tableName.c_str(), table))
                return failure(OpenFailure::Other, L"The encrypted document is damaged: " + path);
            bool hasData = readStream(storage.get(), L"Data", data);
            storage.reset();
            return fromEncryptedWord(path, app, whole, std::move(stream), tableName, std::move(table),
                                     hasData ? &data : nullptr, password);
        }
    } else if (readStream(storage.get(), L"Workbook", stream)) {
        facts = inspectWorkbookStream(stream);
        format = facts.biff5 ? DocFormat::Xls95 : DocFormat::Xls;
        if (facts.valid && facts.encrypted && format == DocFormat::Xls) {
            storage.reset();
            return fromEncryptedWorkbook(path, app, whole, stream, password);
        }
    } else if (readStream(storage.get(), L"Book", stream)) {
        facts = inspectWorkbookStream(stream);
        format = facts.biff5 ? DocFormat::Xls95 : DocFormat::Xls;
    } else if (hasStream(storage.get(), L"PowerPoint Document") && readStream(storage.get(), L"Current User", stream)) {
        facts = inspectCurrentUserStream(stream);
        format = DocFormat::Ppt;
        Bytes document, pictures;
        if (facts.valid && readStream(storage.get(), L"PowerPoint Document", document) &&
            isEncryptedPresentation(stream, document)) {
            bool hasPictures = readStream(storage.get(), L"Pictures", pictures);
            Bytes summary;
            bool hasSummary = readStream(storage.get(), L"EncryptedSummary", summary);
            storage.reset();
            return fromEncryptedPresentation(path, app, whole, stream, document, hasPictures ? &pictures : nullptr,
                                             hasSummary ? &summary : nullptr, password);
        }
    }
    if (format == DocFormat::Unknown || !facts.valid)
        return failure(OpenFailure::Other, L"The file is not a document this application can open: " + path);
    if (appOf(format) != app)
        return failure(OpenFailure::Other, L"The file is not a " + wide(appName(app)) + L" document: " + path);
    if (facts.encrypted)
        return failure(OpenFailure::Other,
                       L"This document is encrypted with a method the stand-in cannot decrypt (" +
                           wide(formatName(format)) + L" encryption is not supported): " + path);
    o.document.fullName = path;
    o.document.format = format;
    o.document.readOnlyRecommended = facts.readOnlyRecommended;
    o.document.content = std::move(whole);
    return o;
}

void randomFill(std::uint8_t* p, std::size_t n) {
    if (!BCRYPT_SUCCESS(BCryptGenRandom(nullptr, p, ULONG(n), BCRYPT_USE_SYSTEM_PREFERRED_RNG)))
        throw AppError{E_FAIL, L"No random numbers available"};
}

void writeStream(IStorage* storage, const std::wstring& name, const Bytes& data) {
    IStream* raw = nullptr;
    HRESULT hr = storage->CreateStream(name.c_str(), STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &raw);
    if (FAILED(hr)) throw hr;
    Com<IStream> stream(raw);
    std::size_t done = 0;
    while (done < data.size()) {
        ULONG wrote = 0;
        ULONG want = ULONG(std::min<std::size_t>(data.size() - done, 1u << 24));
        hr = stream->Write(data.data() + done, want, &wrote);
        if (FAILED(hr) || wrote == 0) throw FAILED(hr) ? hr : STG_E_WRITEFAULT;
        done += wrote;
    }
}

// Storage path "a/b/c": storages a and b (created on demand), stream c.
void writeNested(IStorage* root, std::map<std::wstring, Com<IStorage>>& opened, const std::string& path,
                 const Bytes& data) {
    IStorage* parent = root;
    std::wstring sofar;
    std::size_t start = 0;
    for (std::size_t slash; (slash = path.find('/', start)) != std::string::npos; start = slash + 1) {
        std::wstring part = wide(path.substr(start, slash - start));
        sofar += L"/" + part;
        auto it = opened.find(sofar);
        if (it == opened.end()) {
            IStorage* child = nullptr;
            HRESULT hr = parent->CreateStorage(part.c_str(), STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &child);
            if (FAILED(hr)) throw hr;
            it = opened.emplace(sofar, Com<IStorage>(child)).first;
        }
        parent = it->second.get();
    }
    writeStream(parent, wide(path.substr(start)), data);
}

void writeEncrypted(const std::wstring& temp, const EncryptedStreams& streams) {
    IStorage* raw = nullptr;
    HRESULT hr = StgCreateDocfile(temp.c_str(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, &raw);
    if (FAILED(hr)) throw hr;
    Com<IStorage> root(raw);
    {
        std::map<std::wstring, Com<IStorage>> opened;
        for (const auto& s : dataSpacesStreams()) writeNested(root.get(), opened, s.first, s.second);
        writeStream(root.get(), L"EncryptionInfo", streams.encryptionInfo);
        writeStream(root.get(), L"EncryptedPackage", streams.encryptedPackage);
        // Children before parents: close the sub-storages (deepest first) so the root commit sees them.
        while (!opened.empty()) {
            auto last = std::prev(opened.end());
            last->second->Commit(STGC_DEFAULT);
            opened.erase(last);
        }
    }
    hr = root->Commit(STGC_DEFAULT);
    if (FAILED(hr)) throw hr;
}

void writePlain(const std::wstring& temp, const Bytes& data) {
    HANDLE h = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) throw HRESULT_FROM_WIN32(GetLastError());
    std::size_t done = 0;
    bool ok = true;
    while (ok && done < data.size()) {
        DWORD wrote = 0;
        DWORD want = DWORD(std::min<std::size_t>(data.size() - done, 1u << 24));
        ok = WriteFile(h, data.data() + done, want, &wrote, nullptr) && wrote > 0;
        done += wrote;
    }
    DWORD e = GetLastError();
    CloseHandle(h);
    if (!ok) throw HRESULT_FROM_WIN32(e);
}

// The workbook file with its Workbook stream encrypted (RC4 CryptoAPI).
Bytes encryptedWorkbook(const Bytes& whole, const std::u16string& password, HRESULT errorCode) {
    Bytes stream;
    {
        Com<ILockBytes> bytes;
        Com<IStorage> storage = openMemoryStorage(whole, bytes);
        if (!readStream(storage.get(), L"Workbook", stream)) throw STG_E_FILENOTFOUND;
    }
    Bytes encrypted;
    std::string error;
    if (!encryptWorkbookStream(stream, password, randomFill, encrypted, error))
        throw AppError{errorCode, L"The workbook cannot be encrypted (" + wide(error) + L")."};
    return replaceStream(whole, L"Workbook", encrypted);
}

// The Word document file with its streams encrypted (RC4 CryptoAPI).
Bytes encryptedWordDocument(const Bytes& whole, const std::u16string& password, HRESULT errorCode) {
    Bytes word, table, data;
    std::wstring tableName;
    bool hasData = false;
    {
        Com<ILockBytes> bytes;
        Com<IStorage> storage = openMemoryStorage(whole, bytes);
        if (!readStream(storage.get(), L"WordDocument", word) || word.size() < 12) throw STG_E_FILENOTFOUND;
        tableName = (word[11] & 0x02) ? L"1Table" : L"0Table";
        if (!readStream(storage.get(), tableName.c_str(), table)) throw STG_E_FILENOTFOUND;
        hasData = readStream(storage.get(), L"Data", data);
        // Embedded objects would have to move into the Data stream first.
        IStorage* pool = nullptr;
        if (SUCCEEDED(storage->OpenStorage(L"ObjectPool", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0, &pool))) {
            pool->Release();
            throw AppError{errorCode, L"A document with embedded objects cannot be encrypted by the stand-in."};
        }
    }
    std::string error;
    if (!encryptWordStreams(word, table, hasData ? &data : nullptr, password, randomFill, error))
        throw AppError{errorCode, L"The document cannot be encrypted (" + wide(error) + L")."};
    std::vector<std::pair<std::wstring, Bytes>> streams{{L"WordDocument", std::move(word)}, {tableName, std::move(table)}};
    if (hasData) streams.push_back({L"Data", std::move(data)});
    return replaceStreams(whole, streams);
}

// The presentation file with its streams encrypted (RC4 CryptoAPI). The
// summary information is encrypted too, as PowerPoint does: it moves into
// the EncryptedSummary stream, the plain summary stream goes and the
// document summary stream keeps no properties.
Bytes encryptedPresentation(const Bytes& whole, const std::u16string& password, HRESULT errorCode) {
    const std::wstring kSummary = L"\x05SummaryInformation", kDocumentSummary = L"\x05" L"DocumentSummaryInformation";
    Bytes currentUser, document, pictures;
    bool hasPictures = false;
    std::vector<NamedStream> summary;
    {
        Com<ILockBytes> bytes;
        Com<IStorage> storage = openMemoryStorage(whole, bytes);
        if (!readStream(storage.get(), L"Current User", currentUser) ||
            !readStream(storage.get(), L"PowerPoint Document", document))
            throw STG_E_FILENOTFOUND;
        hasPictures = readStream(storage.get(), L"Pictures", pictures);
        for (const std::wstring& name : {kSummary, kDocumentSummary}) {
            NamedStream s;
            if (readStream(storage.get(), name.c_str(), s.data)) {
                s.name.assign(name.begin(), name.end());
                summary.push_back(std::move(s));
            }
        }
    }
    Bytes encryptedUser, encryptedDocument, encryptedSummary;
    std::string error;
    if (!encryptPresentationStreams(currentUser, document, hasPictures ? &pictures : nullptr, password, randomFill,
                                    encryptedUser, encryptedDocument, error, &summary, &encryptedSummary))
        throw AppError{errorCode, L"The presentation cannot be encrypted (" + wide(error) + L")."};
    return replaceStreams(whole,
                          {{L"Current User", std::move(encryptedUser)},
                           {L"PowerPoint Document", std::move(encryptedDocument)},
                           {L"EncryptedSummary", std::move(encryptedSummary)},
                           {kDocumentSummary, emptyDocumentSummary()}},
                          {kSummary});
}

}  // namespace

std::wstring fullPathOf(const std::wstring& path) {
    wchar_t buffer[32768];
    DWORD n = GetFullPathNameW(path.c_str(), 32768, buffer, nullptr);
    return (n == 0 || n >= 32768) ? path : std::wstring(buffer, n);
}

std::wstring fileNameOf(const std::wstring& path) {
    std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

OpenOutcome loadDocument(const std::wstring& given, AppKind app, const std::u16string* password) {
    try {
        if (given.empty()) return failure(OpenFailure::Other, L"No file name was given.");
        std::wstring path = fullPathOf(given);
        Bytes whole;
        std::wstring error;
        if (!readFile(path, whole, error)) return failure(OpenFailure::Other, error);
        if (whole.empty()) return failure(OpenFailure::Other, L"The file is empty: " + path);
        if (whole.size() >= 4 && whole[0] == 'P' && whole[1] == 'K' && whole[2] == 3 && whole[3] == 4)
            return fromPackage(path, app, std::move(whole), false, std::u16string());
        if (isCompoundFile(whole)) return fromCompoundFile(path, app, std::move(whole), password);
        return failure(OpenFailure::Other, L"The file is not a document this application can open: " + path);
    } catch (const std::exception&) {
        return failure(OpenFailure::Other, L"The file could not be read into memory: " + given);
    }
}

void saveDocument(const LoadedDocument& doc, const std::wstring& given, const std::u16string& password,
                  HRESULT errorCode) {
    if (given.empty()) throw AppError{errorCode, L"No file name was given."};
    if (!isOpenXml(doc.format) && doc.format != DocFormat::Xls && doc.format != DocFormat::Doc &&
        doc.format != DocFormat::Ppt && !password.empty())
        throw AppError{errorCode, L"encryption of this format is not supported"};
    std::wstring target = fullPathOf(given);
    DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        throw AppError{errorCode, L"The file is read-only and cannot be replaced: " + target};
    std::wstring temp = target + L".~standin" + std::to_wstring(GetCurrentProcessId()) + L".tmp";
    try {
        if (isOpenXml(doc.format) && !password.empty())
            writeEncrypted(temp, encryptAgile(doc.content, password, randomFill));
        else if (doc.format == DocFormat::Xls && !password.empty())
            writePlain(temp, encryptedWorkbook(doc.content, password, errorCode));
        else if (doc.format == DocFormat::Doc && !password.empty())
            writePlain(temp, encryptedWordDocument(doc.content, password, errorCode));
        else if (doc.format == DocFormat::Ppt && !password.empty())
            writePlain(temp, encryptedPresentation(doc.content, password, errorCode));
        else
            writePlain(temp, doc.content);
    } catch (HRESULT hr) {
        DeleteFileW(temp.c_str());
        wchar_t code[16];
        wsprintfW(code, L"%08X", unsigned(hr));
        throw AppError{errorCode, L"The document could not be written (0x" + std::wstring(code) + L"): " + target};
    } catch (const std::bad_alloc&) {
        DeleteFileW(temp.c_str());
        throw AppError{errorCode, L"Not enough memory to save the document: " + target};
    }
    if (!MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DWORD e = GetLastError();
        DeleteFileW(temp.c_str());
        throw AppError{errorCode, L"The document could not be saved as " + target + L" (error " + std::to_wstring(e) + L")."};
    }
}

}  // namespace office_standin
