#pragma once

#include <cstdint>
#include <cstdio>

// Plain binary file reading for the classifiers, on Windows and natively.
// Paths are ANSI text; on Windows they are widened with the ANSI code page.
namespace fileaccess {

// True when something (file or folder) exists at path.
bool exists(const char* path);

// fopen(path, "rb"); null when it cannot be opened.
std::FILE* openForReading(const char* path);

// Closes the file it holds when it goes out of scope.
struct ScopedFile {
    std::FILE* file;
    ~ScopedFile() {
        if (file != nullptr) std::fclose(file);
    }
};

// The length of an open file, 64 bits wide; false when it cannot be told.
bool length(std::FILE* file, std::uint64_t& size);

bool seekTo(std::FILE* file, std::uint64_t offset);

}  // namespace fileaccess
