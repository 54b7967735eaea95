#include "ZipFile.h"

#include <cstdio>
#include <new>

#include "classify/FileAccess.h"
#include "classify/ZipRecordWalk.h"

ZipFile::~ZipFile() { close(); }

void ZipFile::clear() {
    close();
    entries_ = 0;
    encryptedEntries_ = 0;
    unencryptedEntries_ = 0;
    allEncrypted_ = false;
}

int ZipFile::open(const char* path) {
    close();
    if (path == nullptr) throw kNullPath;
    if (!fileaccess::exists(path)) throw kMissing;
    fileaccess::ScopedFile file{fileaccess::openForReading(path)};
    if (file.file == nullptr) throw kUnreadable;
    std::uint64_t length = 0;
    if (!fileaccess::length(file.file, length)) throw kUnreadable;
    if (length < 4) throw kTooShort;
    if (length > kMaxBytes) throw kTooLarge;
    if (!fileaccess::seekTo(file.file, 0)) throw kUnreadable;

    size_t size = static_cast<size_t>(length);
    unsigned char* block = new (std::nothrow) unsigned char[size];
    if (block == nullptr) throw kTooLarge;
    if (std::fread(block, 1, size, file.file) != size) {
        delete[] block;
        throw kUnreadable;
    }
    data_ = block;
    cursor_ = data_;
    end_ = data_ + size;

    unsigned long signature = static_cast<unsigned long>(data_[0]) | static_cast<unsigned long>(data_[1]) << 8 |
                              static_cast<unsigned long>(data_[2]) << 16 | static_cast<unsigned long>(data_[3]) << 24;
    if (signature != zipwalk::kLocalHeader) throw kNoLocalHeader;
    return 0;
}

int ZipFile::scan() {
    zipwalk::EntryCounts counts = zipwalk::walkRecords(&cursor_, end_);
    entries_ = counts.entries;
    encryptedEntries_ = counts.encrypted;
    unencryptedEntries_ = counts.unencrypted;
    allEncrypted_ = entries_ > 0 && entries_ == encryptedEntries_;
    return entries_;
}

void ZipFile::close() {
    delete[] data_;
    data_ = nullptr;
    cursor_ = nullptr;
    end_ = nullptr;
}
