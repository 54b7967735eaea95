#pragma once

#include <windows.h>
#include <objbase.h>

#include <wrl/client.h>

// Names inside Office compound files, and the walk to the rights-management
// licence stream that detection and licence reading share.
namespace storage_names {

// Three names begin with a control character; the literals are split so that
// the hexadecimal escape ends where it should.
constexpr const wchar_t* kDataSpaces = L"\x06" L"DataSpaces";
constexpr const wchar_t* kTransformInfo = L"TransformInfo";
constexpr const wchar_t* kDrmTransform = L"\x09" L"DRMTransform";
constexpr const wchar_t* kDrmEncryptedTransform = L"DRMEncryptedTransform";
constexpr const wchar_t* kPrimary = L"\x06" L"Primary";
constexpr const wchar_t* kWordDocument = L"WordDocument";
constexpr const wchar_t* kEncryptedSummary = L"EncryptedSummary";
constexpr const wchar_t* kWorkbook = L"Workbook";
constexpr const wchar_t* kEncryptionInfo = L"EncryptionInfo";

constexpr DWORD kReadExclusive = STGM_READ | STGM_SHARE_EXCLUSIVE;            // 0x10
constexpr DWORD kReadWriteExclusive = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;  // 0x12

// The transform storage for a document path: Open XML and XPS packages use
// "DRMEncryptedTransform", the binary formats U+0009 "DRMTransform".
const wchar_t* transformFor(const char* path);

enum class WalkStep { DataSpaces, TransformInfo, Transform, Done };

// The three storages from the root down to the transform storage. They stay
// open together: a storage released before its children invalidates them.
struct TransformStorages {
    Microsoft::WRL::ComPtr<IStorage> dataSpaces;
    Microsoft::WRL::ComPtr<IStorage> transformInfo;
    Microsoft::WRL::ComPtr<IStorage> transform;
};

// Opens U+0006 "DataSpaces", "TransformInfo" and the transform storage, each
// inside the one before and each with mode; each open must answer exactly
// S_OK. Returns Done with all three open, or the step that failed.
WalkStep openTransformStorage(IStorage* root, const wchar_t* transformName, DWORD mode, TransformStorages& out);

}  // namespace storage_names
