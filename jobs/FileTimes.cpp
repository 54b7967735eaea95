#include "FileTimes.h"

#include "foundation/WinHandles.h"

bool getFileTime(const char* path, FILETIME& lastAccess, FILETIME& lastWrite) {
    if (!path) return false;
    unique_hfile file(CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && GetFileTime(file.get(), nullptr, &lastAccess, &lastWrite);
}

bool setFileTime(const char* path, const FILETIME& lastAccess, const FILETIME& lastWrite) {
    if (!path) return false;
    // Write access to the attributes is enough for the times and also works
    // on read-only files.
    unique_hfile file(
        CreateFileA(path, FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && SetFileTime(file.get(), nullptr, &lastAccess, &lastWrite);
}
