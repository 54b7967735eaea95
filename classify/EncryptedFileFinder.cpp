#include "EncryptedFileFinder.h"

#include <windows.h>
#include <objbase.h>

#include <atomic>
#include <cstdio>
#include <memory>

#include <wrl/client.h>

#include "classify/EncryptionMarks.h"
#include "classify/FileType.h"
#include "classify/PDFFile.h"
#include "classify/StorageNames.h"
#include "classify/ZipFile.h"
#include "foundation/String.h"
#include "foundation/StringConverter.h"
#include "foundation/WinHandles.h"

using Microsoft::WRL::ComPtr;
using namespace storage_names;

namespace {

std::atomic<int> accessErrors{0};

void reportAccessError(const char* path) {
    std::printf("Access error:%d %s\n", ++accessErrors, path != nullptr ? path : "");
}

HRESULT openStorage(const char* path, ComPtr<IStorage>& root) {
    std::unique_ptr<wchar_t[]> wide = wideFromAnsi(path);
    if (!wide) return E_OUTOFMEMORY;
    return StgOpenStorage(wide.get(), nullptr, kReadExclusive, nullptr, 0, &root);
}

HRESULT openStorageEx(const char* path, DWORD mode, ComPtr<IStorage>& root) {
    std::unique_ptr<wchar_t[]> wide = wideFromAnsi(path);
    if (!wide) return E_OUTOFMEMORY;
    return StgOpenStorageEx(wide.get(), mode, STGFMT_STORAGE, 0, nullptr, nullptr, IID_IStorage,
                            reinterpret_cast<void**>(root.ReleaseAndGetAddressOf()));
}

bool hasStream(IStorage* root, const wchar_t* name) {
    ComPtr<IStream> stream;
    return SUCCEEDED(root->OpenStream(name, nullptr, kReadExclusive, 0, &stream)) && stream;
}

// Reads up to size bytes (at most 32) from the start of a stream and judges
// them; kStreamMissing when there is no such stream, kNotEncrypted when the
// read fails.
int judgeStreamHead(IStorage* root, const wchar_t* streamName, size_t size,
                    bool (*marksEncryption)(const unsigned char*, size_t)) {
    ComPtr<IStream> stream;
    if (FAILED(root->OpenStream(streamName, nullptr, kReadExclusive, 0, &stream)) || !stream) {
        return EncryptedFileFinder::kStreamMissing;
    }
    unsigned char head[32] = {};
    ULONG got = 0;
    if (size > sizeof head || FAILED(stream->Read(head, static_cast<ULONG>(size), &got))) {
        return EncryptedFileFinder::kNotEncrypted;
    }
    return marksEncryption(head, got) ? EncryptedFileFinder::kEncrypted : EncryptedFileFinder::kNotEncrypted;
}

// The format checks on an opened root storage.
int wordDocument(IStorage* root) {
    return judgeStreamHead(root, kWordDocument, marks::kWordHeaderBytes, marks::wordHeaderMarksEncryption);
}
int powerPointDocument(IStorage* root) {
    return hasStream(root, kEncryptedSummary) ? EncryptedFileFinder::kEncrypted : EncryptedFileFinder::kStreamMissing;
}
int excelWorkbook(IStorage* root) {
    return judgeStreamHead(root, kWorkbook, marks::kWorkbookHeaderBytes, marks::workbookHeaderMarksEncryption);
}
int encryptedPackage(IStorage* root) {
    return hasStream(root, kEncryptionInfo) ? EncryptedFileFinder::kEncrypted : EncryptedFileFinder::kStreamMissing;
}

// Which of the four format checks tells whether a file of the path's kind
// has a password: the binary formats by their application's main stream,
// every Open XML package by its encryption stream; none for the others.
enum class PasswordCheck { None, WordDocument, PowerPointDocument, ExcelWorkbook, EncryptedPackage };

PasswordCheck passwordCheckFor(const char* path) {
    const FileKind* kind = fileKindOf(path);
    if (kind == nullptr) return PasswordCheck::None;
    if (kind->format == KindFormat::OpenXml) return PasswordCheck::EncryptedPackage;
    if (kind->format != KindFormat::Binary) return PasswordCheck::None;
    switch (kind->application) {
        case KindApplication::Word: return PasswordCheck::WordDocument;
        case KindApplication::PowerPoint: return PasswordCheck::PowerPointDocument;
        case KindApplication::Excel: return PasswordCheck::ExcelWorkbook;
        default: return PasswordCheck::None;
    }
}

// The password-check dispatch by extension, on an opened root storage.
bool passwordCheckOnRoot(IStorage* root, const char* path) {
    switch (passwordCheckFor(path)) {
        case PasswordCheck::WordDocument: return wordDocument(root) == EncryptedFileFinder::kEncrypted;
        case PasswordCheck::PowerPointDocument: return powerPointDocument(root) == EncryptedFileFinder::kEncrypted;
        case PasswordCheck::ExcelWorkbook: return excelWorkbook(root) == EncryptedFileFinder::kEncrypted;
        case PasswordCheck::EncryptedPackage: return encryptedPackage(root) == EncryptedFileFinder::kEncrypted;
        case PasswordCheck::None: break;
    }
    return false;
}

// The rights-management walk below an opened root storage (steps 5 to 8).
int walkRightsManagement(IStorage* root, const char* path) {
    STATSTG stat = {};
    if (FAILED(root->Stat(&stat, STATFLAG_NONAME))) return EncryptedFileFinder::kNoRootStatistics;
    TransformStorages storages;
    if (openTransformStorage(root, transformFor(path), kReadWriteExclusive, storages) != WalkStep::Done) {
        return EncryptedFileFinder::kStorageMissing;
    }
    ComPtr<IStream> primary;
    if (FAILED(storages.transform->OpenStream(kPrimary, nullptr, kReadWriteExclusive, 0, &primary)) || !primary) {
        return EncryptedFileFinder::kNoPrimaryStream;
    }
    return EncryptedFileFinder::kRightsManagedFile;
}

// What the first bytes of a file allow. A file that does not begin with the
// compound-file signature cannot be opened as a compound file: every
// structured-storage check of it fails, and need not be made.
enum class Head { Unknown, Compound, Other };

Head probeHead(const char* path) {
    static const unsigned char kCompoundSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    unique_hfile file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return Head::Unknown;
    unsigned char head[sizeof kCompoundSignature] = {};
    DWORD got = 0;
    if (!ReadFile(file.get(), head, sizeof head, &got, nullptr)) return Head::Unknown;
    return got == sizeof head && FileType::startsWith(head, kCompoundSignature, sizeof head) ? Head::Compound
                                                                                               : Head::Other;
}

struct OfficeFindings {
    bool rightsManaged = false;
    bool passwordEncrypted = false;
};

// The same answers as checkRightsManagement() == 1 and isPasswordEncrypted(),
// with fewer opens of the file: one look at its first bytes, then one
// read/write exclusive open that serves both checks when it succeeds.
OfficeFindings examineOfficeFile(EncryptedFileFinder& finder, const char* path) {
    OfficeFindings found;
    Head head = probeHead(path);
    if (head == Head::Other) return found;
    if (head == Head::Unknown) {
        found.rightsManaged = finder.checkRightsManagement(path) == EncryptedFileFinder::kRightsManagedFile;
        found.passwordEncrypted = finder.isPasswordEncrypted(path);
        return found;
    }
    ComPtr<IStorage> root;
    if (SUCCEEDED(openStorageEx(path, kReadWriteExclusive, root)) && root) {
        found.rightsManaged = walkRightsManagement(root.Get(), path) == EncryptedFileFinder::kRightsManagedFile;
        found.passwordEncrypted = passwordCheckOnRoot(root.Get(), path);
    } else {
        found.passwordEncrypted = finder.isPasswordEncrypted(path);
    }
    return found;
}

}  // namespace

bool EncryptedFileFinder::isEncrypted(const char* path, EncryptionState& state) {
    bool result = false;
    const FileKind* kind = fileKindOf(path);
    if (kind != nullptr && kind->format != KindFormat::Pdf) {
        try {
            OfficeFindings found = examineOfficeFile(*this, path);
            if (found.rightsManaged) state = kRightsManaged;
            if (found.passwordEncrypted) state = kPasswordEncrypted;
            if (found.rightsManaged || found.passwordEncrypted) result = true;
        } catch (...) {
            reportAccessError(path);
        }
    }
    if (kind != nullptr && kind->format == KindFormat::Pdf) {
        try {
            PDFFile pdf(path);
            if (pdf.isEncrypted()) {
                result = true;
                state = kPasswordEncrypted;
            }
        } catch (...) {
            reportAccessError(path);
        }
    }
    if (endsWithIgnoreCase(path, ".zip")) {
        try {
            ZipFile zip;
            zip.clear();
            if (zip.open(path) == 0) {
                zip.scan();
                if (zip.isEncrypted()) {
                    result = true;
                    state = kPasswordEncrypted;
                }
            }
            zip.close();
        } catch (...) {
            reportAccessError(path);
        }
    }
    return result;
}

int EncryptedFileFinder::checkRightsManagement(const char* path) {
    if (path == nullptr) return kNoStorage;
    if (FileType::isZipFile(path)) return kOfficeZipPackage;
    try {
        std::unique_ptr<wchar_t[]> wide = wideFromAnsi(path);
        if (!wide || FAILED(StgIsStorageFile(wide.get()))) return kStorageTestFailed;
        ComPtr<IStorage> root;
        if (FAILED(openStorageEx(path, kReadWriteExclusive, root))) return kCannotOpenStorage;
        if (!root) return kNoStorage;
        return walkRightsManagement(root.Get(), path);
    } catch (...) {
        return kOtherException;
    }
}

bool EncryptedFileFinder::isPasswordEncrypted(const char* path) {
    if (path == nullptr || GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) return false;
    switch (passwordCheckFor(path)) {
        case PasswordCheck::WordDocument: return checkWordDocument(path) == kEncrypted;
        case PasswordCheck::PowerPointDocument: return checkPowerPointDocument(path) == kEncrypted;
        case PasswordCheck::ExcelWorkbook: return checkExcelWorkbook(path) == kEncrypted;
        case PasswordCheck::EncryptedPackage: return checkEncryptedPackage(path) == kEncrypted;
        case PasswordCheck::None: break;
    }
    return false;
}

int EncryptedFileFinder::checkWordDocument(const char* path) {
    ComPtr<IStorage> root;
    if (FAILED(openStorage(path, root)) || !root) return kNotCompoundFile;
    return wordDocument(root.Get());
}

int EncryptedFileFinder::checkPowerPointDocument(const char* path) {
    ComPtr<IStorage> root;
    if (FAILED(openStorage(path, root)) || !root) return kNotCompoundFile;
    return powerPointDocument(root.Get());
}

int EncryptedFileFinder::checkExcelWorkbook(const char* path) {
    ComPtr<IStorage> root;
    if (FAILED(openStorage(path, root)) || !root) return kNotCompoundFile;
    return excelWorkbook(root.Get());
}

int EncryptedFileFinder::checkEncryptedPackage(const char* path) {
    ComPtr<IStorage> root;
    if (FAILED(openStorageEx(path, kReadExclusive, root)) || !root) return kNotCompoundFile;
    return encryptedPackage(root.Get());
}
