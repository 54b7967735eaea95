#include "PDFFile.h"

#include <cstdint>
#include <cstdio>

#include "classify/FileAccess.h"

PDFFile::PDFFile(const char* path) {
    if (path == nullptr) throw kNullPath;
    path_ = path;
    if (!fileaccess::exists(path)) throw kMissing;
    fileaccess::ScopedFile file{fileaccess::openForReading(path)};
    if (file.file == nullptr) throw kUnreadable;

    unsigned char header[5] = {};
    size_t got = std::fread(header, 1, sizeof header, file.file);
    if (!pdftail::hasPdfHeader(header, got)) throw kNotPdf;

    std::uint64_t size = 0;
    if (!fileaccess::length(file.file, size)) throw kUnreadable;
    size_t n = size < pdftail::kWindowSize ? static_cast<size_t>(size) : pdftail::kWindowSize;
    unsigned char tail[pdftail::kWindowSize] = {};
    if (!fileaccess::seekTo(file.file, size - n)) throw kUnreadable;
    n = std::fread(tail, 1, n, file.file);
    pdftail::fillWindow(window_, tail, n);
    encrypted_ = pdftail::windowNamesEncryption(window_);
}
