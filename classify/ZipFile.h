#pragma once

#include <cstdint>

// A ZIP archive read whole into memory, and the scan of its records for
// encrypted entries. Failures of open() are thrown as int codes.
class ZipFile {
public:
    static constexpr int kNullPath = -5000;
    static constexpr int kMissing = -5001;
    static constexpr int kUnreadable = -5002;
    static constexpr int kNoLocalHeader = -5003;
    static constexpr int kTooShort = -5004;
    static constexpr int kTooLarge = -5005;

    // Archives above this size are not read: the whole file would be held in
    // memory, on the user-interface thread.
    static constexpr std::uint64_t kMaxBytes = 256ull * 1024 * 1024;

    ZipFile() = default;
    ~ZipFile();
    ZipFile(const ZipFile&) = delete;
    ZipFile& operator=(const ZipFile&) = delete;

    // Releases the block and zeroes every field.
    void clear();
    // Reads the file into memory; returns 0 or throws one of the codes above.
    int open(const char* path);
    // Walks the records; returns the number of file entries and sets the
    // all-encrypted flag.
    int scan();
    bool isEncrypted() const { return allEncrypted_; }
    // Releases the block; the cursor and end become null.
    void close();

private:
    unsigned char* data_ = nullptr;
    const unsigned char* cursor_ = nullptr;
    const unsigned char* end_ = nullptr;
    int entries_ = 0;
    int encryptedEntries_ = 0;
    int unencryptedEntries_ = 0;
    bool allEncrypted_ = false;
};
