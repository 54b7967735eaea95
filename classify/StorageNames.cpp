#include "StorageNames.h"

#include "classify/FileType.h"

namespace storage_names {

const wchar_t* transformFor(const char* path) {
    return FileType::isOpenXmlFile(path) || FileType::isXpsFile(path) ? kDrmEncryptedTransform : kDrmTransform;
}

WalkStep openTransformStorage(IStorage* root, const wchar_t* transformName, DWORD mode,
                              Microsoft::WRL::ComPtr<IStorage>& transform) {
    using Microsoft::WRL::ComPtr;
    ComPtr<IStorage> dataSpaces;
    if (root->OpenStorage(kDataSpaces, nullptr, mode, nullptr, 0, &dataSpaces) != S_OK) return WalkStep::DataSpaces;
    ComPtr<IStorage> transformInfo;
    if (dataSpaces->OpenStorage(kTransformInfo, nullptr, mode, nullptr, 0, &transformInfo) != S_OK) {
        return WalkStep::TransformInfo;
    }
    transform.Reset();
    if (transformInfo->OpenStorage(transformName, nullptr, mode, nullptr, 0, &transform) != S_OK || !transform) {
        transform.Reset();
        return WalkStep::Transform;
    }
    return WalkStep::Done;
}

}  // namespace storage_names
