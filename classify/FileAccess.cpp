#include "FileAccess.h"

#ifdef _WIN32
#include <windows.h>

#include <memory>

#include "foundation/StringConverter.h"
#else
#include <sys/stat.h>
#endif

namespace fileaccess {

#ifdef _WIN32

bool exists(const char* path) { return path != nullptr && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

std::FILE* openForReading(const char* path) {
    if (path == nullptr) return nullptr;
    std::unique_ptr<wchar_t[]> wide = wideFromAnsi(path);
    return wide ? _wfopen(wide.get(), L"rb") : nullptr;
}

bool length(std::FILE* file, std::uint64_t& size) {
    if (_fseeki64(file, 0, SEEK_END) != 0) return false;
    __int64 end = _ftelli64(file);
    if (end < 0) return false;
    size = static_cast<std::uint64_t>(end);
    return true;
}

bool seekTo(std::FILE* file, std::uint64_t offset) {
    return _fseeki64(file, static_cast<__int64>(offset), SEEK_SET) == 0;
}

#else

bool exists(const char* path) {
    struct stat info;
    return path != nullptr && stat(path, &info) == 0;
}

std::FILE* openForReading(const char* path) {
    if (path == nullptr) return nullptr;
    // A folder opens for reading here but not on Windows; keep Windows' answer.
    struct stat info;
    if (stat(path, &info) == 0 && S_ISDIR(info.st_mode)) return nullptr;
    return std::fopen(path, "rb");
}

bool length(std::FILE* file, std::uint64_t& size) {
    if (fseeko(file, 0, SEEK_END) != 0) return false;
    off_t end = ftello(file);
    if (end < 0) return false;
    size = static_cast<std::uint64_t>(end);
    return true;
}

bool seekTo(std::FILE* file, std::uint64_t offset) { return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0; }

#endif

}  // namespace fileaccess
