#include "TestPaths.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace testing_support {

std::string nativePath(const std::string& buildPath) {
#ifdef _WIN32
    // A cross build records Unix paths; Wine shows the Unix root as Z:.
    if (!buildPath.empty() && buildPath[0] == '/') {
        std::string path = "Z:" + buildPath;
        for (char& c : path) {
            if (c == '/') c = '\\';
        }
        return path;
    }
#endif
    return buildPath;
}

std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string freshFolder(const std::string& name) {
    std::filesystem::path folder =
        std::filesystem::path(nativePath(TARNWICK_BINARY_DIR)) / "test-output" / name;
    std::error_code ignored;
    // Read-only files left by a test would stay, and with them the folder.
    for (std::filesystem::recursive_directory_iterator entry(folder, ignored), end; entry != end;
         entry.increment(ignored)) {
        std::filesystem::permissions(entry->path(), std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::add, ignored);
    }
    std::filesystem::remove_all(folder, ignored);
    std::filesystem::create_directories(folder);
    return folder.make_preferred().string();
}

std::string screenshotFolder() {
    std::filesystem::path folder = std::filesystem::path(nativePath(TARNWICK_BINARY_DIR)) / "screenshots";
    std::filesystem::create_directories(folder);
    return folder.make_preferred().string();
}

}  // namespace testing_support
