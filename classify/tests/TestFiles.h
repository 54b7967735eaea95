#pragma once

#include <filesystem>
#include <fstream>
#include <string>

#include "testing/TestPaths.h"

// Files for the classifier tests, in a fresh folder per test.
namespace test_files {

inline std::string join(const std::string& folder, const std::string& name) {
    return (std::filesystem::path(folder) / name).make_preferred().string();
}

inline std::string write(const std::string& folder, const std::string& name, const std::string& bytes) {
    std::string path = join(folder, name);
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

inline std::string read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The committed sample documents made by other programs.
inline std::string fixture(const std::string& name) {
    return join(testing_support::nativePath(TARNWICK_SOURCE_DIR "/classify/tests/fixtures"), name);
}

}  // namespace test_files
