#include "StorageNames.h"

#include "classify/FileType.h"

namespace storage_names {

const wchar_t* transformFor(const char* path) {
    return FileType::isOpenXmlFile(path) || FileType::isXpsFile(path) ? kDrmEncryptedTransform : kDrmTransform;
}

WalkStep openTransformStorage(IStorage* root, const wchar_t* transformName, DWORD mode, TransformStorages& out) {
    if (root->OpenStorage(kDataSpaces, nullptr, mode, nullptr, 0, &out.dataSpaces) != S_OK || !out.dataSpaces) {
        return WalkStep::DataSpaces;
    }
    if (out.dataSpaces->OpenStorage(kTransformInfo, nullptr, mode, nullptr, 0, &out.transformInfo) != S_OK ||
        !out.transformInfo) {
        return WalkStep::TransformInfo;
    }
    if (out.transformInfo->OpenStorage(transformName, nullptr, mode, nullptr, 0, &out.transform) != S_OK ||
        !out.transform) {
        return WalkStep::Transform;
    }
    return WalkStep::Done;
}

}  // namespace storage_names
