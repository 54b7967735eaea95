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

using Microsoft::WRL::ComPtr;
using namespace storage_names;

namespace {

const char* const kWordGroup[] = {".doc", ".docm", ".docx"};
const char* const kExcelGroup[] = {".xls", ".xlsm", ".xlsx", ".xlsb"};
const char* const kPowerPointGroup[] = {".ppt", ".pps", ".pptm", ".pptx", ".ppsx", ".ppsm"};
const char* const kXpsGroup[] = {".xps"};
const char* const kPackageExtensions[] = {".docx", ".docm", ".pptx", ".ppsx", ".pptm",
                                          ".ppsm", ".xlsx", ".xlsm", ".xlsb"};

std::atomic<int> accessErrors{0};

void reportAccessError(const char* path) {
    std::printf("Access error:%d %s\n", ++accessErrors, path != nullptr ? path : "");
}

std::unique_ptr<wchar_t[]> widePath(const char* path) {
    return std::unique_ptr<wchar_t[]>(StringConverter::toWideChar(path));
}

HRESULT openStorage(const char* path, ComPtr<IStorage>& root) {
    std::unique_ptr<wchar_t[]> wide = widePath(path);
    if (!wide) return E_OUTOFMEMORY;
    return StgOpenStorage(wide.get(), nullptr, kReadExclusive, nullptr, 0, &root);
}

HRESULT openStorageEx(const char* path, DWORD mode, ComPtr<IStorage>& root) {
    std::unique_ptr<wchar_t[]> wide = widePath(path);
    if (!wide) return E_OUTOFMEMORY;
    return StgOpenStorageEx(wide.get(), mode, STGFMT_STORAGE, 0, nullptr, nullptr, IID_IStorage,
                            reinterpret_cast<void**>(root.ReleaseAndGetAddressOf()));
}

bool hasStream(IStorage* root, const wchar_t* name) {
    ComPtr<IStream> stream;
    return SUCCEEDED(root->OpenStream(name, nullptr, kReadExclusive, 0, &stream)) && stream;
}

// Reads up to size bytes (at most 32) from the start of a stream of the
// document and judges them; -1 / -2 when the file / stream cannot be opened,
// 0 when the read fails.
int judgeStreamHead(const char* path, const wchar_t* streamName, size_t size,
                    bool (*marksEncryption)(const unsigned char*, size_t)) {
    ComPtr<IStorage> root;
    if (FAILED(openStorage(path, root)) || !root) return EncryptedFileFinder::kNotCompoundFile;
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

}  // namespace

bool EncryptedFileFinder::isEncrypted(const char* path, EncryptionState& state) {
    bool result = false;
    bool officeGroups[] = {FileType::endsWithAny(path, kWordGroup), FileType::endsWithAny(path, kExcelGroup),
                           FileType::endsWithAny(path, kPowerPointGroup), FileType::endsWithAny(path, kXpsGroup)};
    for (bool matches : officeGroups) {
        if (!matches) continue;
        try {
            bool rightsManaged = checkRightsManagement(path) == kRightsManagedFile;
            bool passwordEncrypted = isPasswordEncrypted(path);
            if (rightsManaged) state = kRightsManaged;
            if (passwordEncrypted) state = kPasswordEncrypted;
            if (rightsManaged || passwordEncrypted) result = true;
        } catch (...) {
            reportAccessError(path);
        }
    }
    if (endsWithIgnoreCase(path, ".pdf")) {
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
        std::unique_ptr<wchar_t[]> wide = widePath(path);
        if (!wide || FAILED(StgIsStorageFile(wide.get()))) return kStorageTestFailed;
        ComPtr<IStorage> root;
        if (FAILED(openStorageEx(path, kReadWriteExclusive, root))) return kCannotOpenStorage;
        if (!root) return kNoStorage;
        STATSTG stat = {};
        if (FAILED(root->Stat(&stat, STATFLAG_NONAME))) return kNoRootStatistics;

        TransformStorages storages;
        if (openTransformStorage(root.Get(), transformFor(path), kReadWriteExclusive, storages) != WalkStep::Done) {
            return kStorageMissing;
        }
        ComPtr<IStream> primary;
        if (FAILED(storages.transform->OpenStream(kPrimary, nullptr, kReadWriteExclusive, 0, &primary)) || !primary) {
            return kNoPrimaryStream;
        }
        return kRightsManagedFile;
    } catch (...) {
        return kOtherException;
    }
}

bool EncryptedFileFinder::isPasswordEncrypted(const char* path) {
    if (path == nullptr || GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) return false;
    if (endsWithIgnoreCase(path, ".doc")) return checkWordDocument(path) == kEncrypted;
    if (endsWithIgnoreCase(path, ".ppt") || endsWithIgnoreCase(path, ".pps")) {
        return checkPowerPointDocument(path) == kEncrypted;
    }
    if (endsWithIgnoreCase(path, ".xls")) return checkExcelWorkbook(path) == kEncrypted;
    if (FileType::endsWithAny(path, kPackageExtensions)) return checkEncryptedPackage(path) == kEncrypted;
    return false;
}

int EncryptedFileFinder::checkWordDocument(const char* path) {
    return judgeStreamHead(path, kWordDocument, marks::kWordHeaderBytes, marks::wordHeaderMarksEncryption);
}

int EncryptedFileFinder::checkPowerPointDocument(const char* path) {
    ComPtr<IStorage> root;
    if (FAILED(openStorage(path, root)) || !root) return kNotCompoundFile;
    return hasStream(root.Get(), kEncryptedSummary) ? kEncrypted : kStreamMissing;
}

int EncryptedFileFinder::checkExcelWorkbook(const char* path) {
    return judgeStreamHead(path, kWorkbook, marks::kWorkbookHeaderBytes, marks::workbookHeaderMarksEncryption);
}

int EncryptedFileFinder::checkEncryptedPackage(const char* path) {
    ComPtr<IStorage> root;
    if (FAILED(openStorageEx(path, kReadExclusive, root)) || !root) return kNotCompoundFile;
    return hasStream(root.Get(), kEncryptionInfo) ? kEncrypted : kStreamMissing;
}
