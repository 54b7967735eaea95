#include "CompoundFile.h"

#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

#include <wrl/client.h>

#include "classify/IssuanceLicense.h"
#include "classify/StorageNames.h"
#include "foundation/Exception.h"
#include "foundation/Log.h"
#include "foundation/Registry.h"
#include "foundation/AnsiCodePage.h"
#include "foundation/StringConverter.h"

using Microsoft::WRL::ComPtr;
using namespace storage_names;

namespace {

// The licence stream: a fixed header, then the XrML text in UTF-8.
constexpr ULONGLONG kLicenceHeaderBytes = 176;
// A licence is a few kilobytes; a stream that claims more than this is not
// read into memory.
constexpr ULONGLONG kMaxLicenceStreamBytes = 16ull * 1024 * 1024;

// The extension of the file name in path, from its last dot, or "".
const char* extensionOf(const char* path) {
    const char* dot = std::strrchr(ansiFileNameOfPath(path), '.');
    return dot != nullptr ? dot : "";
}

bool copyFile(const char* from, const char* to) {
    if (CopyFileA(from, to, FALSE)) return true;
    // A copy that broke off half-way must not stay behind.
    SetFileAttributesA(to, FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(to);
    return false;
}

// Reads the whole stream into a zero-filled block of its size plus one.
std::unique_ptr<char[]> readWholeStream(IStream* stream, ULONGLONG& size) {
    STATSTG stat = {};
    if (FAILED(stream->Stat(&stat, STATFLAG_NONAME))) throw Exception("Failed to get a stream stat", 0);
    size = stat.cbSize.QuadPart;
    if (size > kMaxLicenceStreamBytes) throw Exception::formatted(0, "Stream of %llu bytes is too large", size);
    std::unique_ptr<char[]> block(new (std::nothrow) char[static_cast<size_t>(size) + 1]());
    if (!block) throw Exception("Failed to allocate a stream buffer", 0);
    ULONG total = 0;
    while (total < size) {
        ULONG got = 0;
        HRESULT hr = stream->Read(block.get() + total, static_cast<ULONG>(size - total), &got);
        if (FAILED(hr) || got == 0) break;
        total += got;
    }
    size = total;
    return block;
}

}  // namespace

CompoundFile::~CompoundFile() { close(); }

bool CompoundFile::openRoot(const char* path) {
    std::unique_ptr<wchar_t[]> wide = wideFromAnsi(path);
    if (!wide) return false;
    ComPtr<IStorage> root;
    HRESULT hr = StgOpenStorageEx(wide.get(), kReadExclusive, STGFMT_STORAGE, 0, nullptr, nullptr, IID_IStorage,
                                  reinterpret_cast<void**>(root.GetAddressOf()));
    if (FAILED(hr) || !root) return false;
    root_ = std::move(root);
    return true;
}

bool CompoundFile::copyNextTo(const char* guid, const char* extension) {
    int written =
        std::snprintf(copyPath_, sizeof copyPath_, "%s.%s%s.~veldtcopy", path_.getContents(), guid, extension);
    if (written < 0 || written > kMaxCopyPath) {
        copyPath_[0] = '\0';
        return false;
    }
    return copyFile(path_.getContents(), copyPath_);
}

bool CompoundFile::copyToProfile(const char* guid, const char* extension) {
    char profile[MAX_PATH] = {};
    DWORD length = GetEnvironmentVariableA("UserProfile", profile, sizeof profile);
    if (length == 0 || length >= sizeof profile) {
        copyPath_[0] = '\0';
        return false;
    }
    int written = std::snprintf(copyPath_, sizeof copyPath_, "%s\\%s.%s%s.~veldtcopy", profile,
                                ansiFileNameOfPath(path_.getContents()), guid, extension);
    if (written < 0 || written > kMaxCopyPath) {
        copyPath_[0] = '\0';
        return false;
    }
    return copyFile(path_.getContents(), copyPath_);
}

bool CompoundFile::open(const char* path) {
    close();
    if (path == nullptr) return false;
    path_ = path;
    std::unique_ptr<wchar_t[]> wide = wideFromAnsi(path);
    // Only a compound file can hold the licence: a file that is none (answer
    // S_FALSE) is not copied in the hope that the copy is one.
    if (!wide || StgIsStorageFile(wide.get()) != S_OK) {
        logError("CompoundFile#open,2,This is not a storage file %s", path);
        return false;
    }
    if (!openRoot(path)) {
        logError("CompoundFile#open,3,Failed to open a storage %s", path);
        String guid;
        if (!Guid().toString(guid)) return false;
        const char* extension = extensionOf(path);
        if (!copyNextTo(guid.getContents(), extension)) {
            logError("CompoundFile#open,6,Failed to copy a file %s to %s", path, copyPath_);
            if (!copyToProfile(guid.getContents(), extension)) {
                logError("CompoundFile#open,6,Failed to copy a file %s to %s", path, copyPath_);
                copyPath_[0] = '\0';
                return false;
            }
        }
        if (!openRoot(copyPath_)) {
            deleteCopy();
            return false;
        }
    }
    STATSTG stat = {};
    if (FAILED(root_->Stat(&stat, STATFLAG_NONAME))) {
        logError("CompoundFile#open,4,Failed to get a stat %s", path);
        return false;
    }
    return true;
}

bool CompoundFile::getIssuanceLicense(IssuanceLicense& licence) {
    if (!root_) {
        logError("CompoundFile#getIssuanceLicense,2,storageRoot is NULL");
        return false;
    }
    const wchar_t* transformName = transformFor(path_.getContents());
    try {
        TransformStorages storages;
        WalkStep step = openTransformStorage(root_.Get(), transformName, kReadExclusive, storages);
        if (step == WalkStep::DataSpaces || step == WalkStep::TransformInfo) return false;
        if (step != WalkStep::Done) {
            logError("CompoundFile#getIssuanceLicense,8,Failed to open a storage %S", transformName);
            return false;
        }
        ComPtr<IStream> primary;
        if (FAILED(storages.transform->OpenStream(kPrimary, nullptr, kReadExclusive, 0, &primary)) || !primary) {
            logError("CompoundFile#getIssuanceLicense,7,Failed to open a stream %S", kPrimary);
            return false;
        }
        ULONGLONG size = 0;
        std::unique_ptr<char[]> block = readWholeStream(primary.Get(), size);
        if (size <= kLicenceHeaderBytes) return false;
        std::unique_ptr<char[]> text(convertUtf8ToCodePage932(block.get() + kLicenceHeaderBytes));
        if (!text) return false;
        const char* closing = "</XrML>";
        char* end = std::strstr(text.get(), closing);
        if (end != nullptr) end[std::strlen(closing)] = '\0';
        licence.load(text.get());
        return true;
    } catch (const Exception& e) {
        logError("CompoundFile#getIssuanceLicense,9,Exception:%s", e.getMessage());
    } catch (...) {
        logError("CompoundFile#getIssuanceLicense,11,Exception");
    }
    return false;
}

void CompoundFile::deleteCopy() {
    if (copyPath_[0] == '\0') return;
    // CopyFile carries the read-only attribute over; it would block the delete.
    SetFileAttributesA(copyPath_, FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(copyPath_);
    copyPath_[0] = '\0';
}

void CompoundFile::close() {
    root_.Reset();
    deleteCopy();
}
