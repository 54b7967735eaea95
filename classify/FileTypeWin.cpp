#include "FileType.h"

#include <windows.h>

#include "foundation/Log.h"
#include "foundation/WinHandles.h"

namespace {

const unsigned char kOfficeZipSignature[10] = {0x50, 0x4B, 0x03, 0x04, 0x14, 0x00, 0x06, 0x00, 0x08, 0x00};

}  // namespace

bool FileType::isZipFile(const char* path) {
    if (path == nullptr || GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) return false;
    bool openXml = isOpenXmlFile(path);
    logDebug("FileType#isZipFile,1,filename=%s extension=%d", path, openXml ? 1 : 0);
    if (!openXml) return false;
    unique_hfile file(
        CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    unsigned char head[sizeof kOfficeZipSignature] = {};
    DWORD got = 0;
    if (!ReadFile(file.get(), head, sizeof head, &got, nullptr)) return false;
    logDebug("FileType#isZipFile,2,call startsWith");
    return got == sizeof head && startsWith(head, kOfficeZipSignature, sizeof head);
}
