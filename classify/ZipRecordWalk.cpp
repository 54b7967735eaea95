#include "ZipRecordWalk.h"

#include <cstring>

namespace zipwalk {

namespace {

class Reader {
public:
    Reader(const unsigned char* cursor, const unsigned char* end) : cursor_(cursor), end_(end) {}

    const unsigned char* cursor() const { return cursor_; }
    size_t remaining() const { return static_cast<size_t>(end_ - cursor_); }

    // Copies n bytes into out and advances; false (out zeroed, cursor kept)
    // when fewer than n bytes remain.
    bool read(unsigned char* out, size_t n) {
        if (n > remaining()) {
            std::memset(out, 0, n);
            return false;
        }
        std::memcpy(out, cursor_, n);
        cursor_ += n;
        return true;
    }

    bool skip(size_t n) {
        if (n > remaining()) return false;
        cursor_ += n;
        return true;
    }

    // Distance from the cursor to the first data-descriptor signature at or
    // after it, or -1 when there is none. Remembers its last answer so that a
    // run of headers that all search to the end costs one pass, not one pass
    // each.
    long long distanceToDescriptor() {
        if (searchValid_ && cursor_ >= searchFrom_ && (found_ == nullptr || cursor_ <= found_)) {
            return found_ == nullptr ? -1 : found_ - cursor_;
        }
        searchFrom_ = cursor_;
        searchValid_ = true;
        found_ = nullptr;
        for (const unsigned char* p = cursor_; end_ - p >= 4; ++p) {
            if (p[0] == 0x50 && p[1] == 0x4B && p[2] == 0x07 && p[3] == 0x08) {
                found_ = p;
                break;
            }
        }
        return found_ == nullptr ? -1 : found_ - cursor_;
    }

private:
    const unsigned char* cursor_;
    const unsigned char* end_;
    const unsigned char* searchFrom_ = nullptr;
    const unsigned char* found_ = nullptr;
    bool searchValid_ = false;
};

unsigned le16(const unsigned char* p) { return static_cast<unsigned>(p[0]) | static_cast<unsigned>(p[1]) << 8; }

unsigned long le32(const unsigned char* p) {
    return static_cast<unsigned long>(le16(p)) | static_cast<unsigned long>(le16(p + 2)) << 16;
}

void walkLocalHeader(Reader& reader) {
    // version 2, flags 2, method 2, time 2, date 2, CRC 4, sizes 4 + 4,
    // name length 2, extra length 2
    unsigned char fixed[26];
    reader.read(fixed, sizeof fixed);
    unsigned flags = le16(fixed + 2);
    reader.skip(le16(fixed + 22));
    reader.skip(le16(fixed + 24));
    reader.skip(le32(fixed + 14));
    if (flags & 0x0008) {
        long long distance = reader.distanceToDescriptor();
        if (distance > 0) reader.skip(static_cast<size_t>(distance));
    }
}

void walkCentralHeader(Reader& reader, EntryCounts& counts) {
    // version made by, version needed, flags, method, time, date (2 each);
    // CRC, sizes (4 each); name, extra, comment lengths, disk, internal
    // attributes (2 each); external attributes, local header offset (4 each)
    unsigned char fixed[42];
    bool complete = reader.read(fixed, sizeof fixed);
    unsigned flags = le16(fixed + 4);
    size_t nameLength = le16(fixed + 24);
    const unsigned char* name = reader.cursor();
    bool nameRead = reader.skip(nameLength);
    if (complete && nameRead && nameLength > 0 && name[nameLength - 1] != '/') {
        ++counts.entries;
        if (flags & 0x0001) {
            ++counts.encrypted;
        } else {
            ++counts.unencrypted;
        }
    }
    reader.skip(le16(fixed + 26));
    reader.skip(le16(fixed + 28));
}

}  // namespace

EntryCounts walkRecords(const unsigned char** cursor, const unsigned char* end) {
    EntryCounts counts;
    if (cursor == nullptr || *cursor == nullptr || end == nullptr || end < *cursor) return counts;
    Reader reader(*cursor, end);
    for (;;) {
        unsigned char signatureBytes[4];
        if (!reader.read(signatureBytes, sizeof signatureBytes)) break;
        unsigned long signature = le32(signatureBytes);
        if (signature == kLocalHeader) {
            walkLocalHeader(reader);
        } else if (signature == kCentralHeader) {
            walkCentralHeader(reader, counts);
        } else if (signature == kEndOfCentralDirectory) {
            unsigned char fixed[18];
            reader.read(fixed, sizeof fixed);
            reader.skip(le16(fixed + 16));
            break;
        } else if (signature == kDataDescriptor) {
            unsigned char fields[12];
            reader.read(fields, sizeof fields);
        }
    }
    *cursor = reader.cursor();
    return counts;
}

}  // namespace zipwalk
