#include "Formats.h"

#include <algorithm>
#include <cstring>

#include "ByteOrder.h"

namespace doccrypt {

namespace {

using namespace byte_order;

constexpr std::size_t kMaxEntry = 512u << 20;

// ---- DEFLATE ----

struct BitReader {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t pos = 0;
    std::uint32_t bitBuf = 0;
    int bitCount = 0;
    bool overrun = false;

    int bits(int need) {
        std::uint32_t val = bitBuf;
        while (bitCount < need) {
            if (pos >= size) {
                overrun = true;
                return 0;
            }
            val |= std::uint32_t(data[pos++]) << bitCount;
            bitCount += 8;
        }
        bitBuf = val >> need;
        bitCount -= need;
        return int(val & ((1u << need) - 1));
    }
};

struct Huffman {
    short count[16];
    short symbol[320];
};

// Canonical code from lengths; false when the lengths over-subscribe.
bool build(Huffman& h, const short* length, int n) {
    std::memset(h.count, 0, sizeof h.count);
    for (int s = 0; s < n; ++s) h.count[length[s]]++;
    if (h.count[0] == n) return true;
    int left = 1;
    for (int len = 1; len < 16; ++len) {
        left <<= 1;
        left -= h.count[len];
        if (left < 0) return false;
    }
    short offs[16];
    offs[1] = 0;
    for (int len = 1; len < 15; ++len) offs[len + 1] = short(offs[len] + h.count[len]);
    for (int s = 0; s < n; ++s)
        if (length[s]) h.symbol[offs[length[s]]++] = short(s);
    return true;
}

int decode(BitReader& r, const Huffman& h) {
    int code = 0, first = 0, index = 0;
    for (int len = 1; len < 16; ++len) {
        code |= r.bits(1);
        if (r.overrun) return -1;
        int count = h.count[len];
        if (code - count < first) return h.symbol[index + (code - first)];
        index += count;
        first += count;
        first <<= 1;
        code <<= 1;
    }
    return -1;
}

const short kLenBase[29] = {3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 15, 17, 19, 23, 27, 31,
                            35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
const short kLenExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
const short kDistBase[30] = {1, 2, 3, 4, 5, 7, 9, 13, 17, 25, 33, 49, 65, 97, 129, 193,
                             257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
const short kDistExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

bool codes(BitReader& r, Bytes& out, std::size_t limit, const Huffman& lencode, const Huffman& distcode) {
    for (;;) {
        int sym = decode(r, lencode);
        if (sym < 0) return false;
        if (sym < 256) {
            if (out.size() >= limit) return false;
            out.push_back(std::uint8_t(sym));
        } else if (sym == 256) {
            return true;
        } else {
            sym -= 257;
            if (sym >= 29) return false;
            std::size_t len = std::size_t(kLenBase[sym] + r.bits(kLenExtra[sym]));
            int dsym = decode(r, distcode);
            if (dsym < 0 || dsym >= 30) return false;
            std::size_t dist = std::size_t(kDistBase[dsym] + r.bits(kDistExtra[dsym]));
            if (r.overrun || dist > out.size() || out.size() + len > limit) return false;
            std::size_t from = out.size() - dist;
            for (std::size_t i = 0; i < len; ++i) out.push_back(out[from + i]);
        }
    }
}

bool fixedBlock(BitReader& r, Bytes& out, std::size_t limit) {
    static Huffman lencode, distcode;
    static bool ready = false;
    if (!ready) {
        short lengths[288];
        int s = 0;
        for (; s < 144; ++s) lengths[s] = 8;
        for (; s < 256; ++s) lengths[s] = 9;
        for (; s < 280; ++s) lengths[s] = 7;
        for (; s < 288; ++s) lengths[s] = 8;
        build(lencode, lengths, 288);
        for (s = 0; s < 30; ++s) lengths[s] = 5;
        build(distcode, lengths, 30);
        ready = true;
    }
    return codes(r, out, limit, lencode, distcode);
}

bool dynamicBlock(BitReader& r, Bytes& out, std::size_t limit) {
    static const short order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    int nlen = r.bits(5) + 257, ndist = r.bits(5) + 1, ncode = r.bits(4) + 4;
    if (r.overrun || nlen > 286 || ndist > 30) return false;
    short lengths[320] = {0};
    for (int i = 0; i < ncode; ++i) lengths[order[i]] = short(r.bits(3));
    Huffman lencode, distcode;
    if (r.overrun || !build(lencode, lengths, 19)) return false;
    int index = 0;
    while (index < nlen + ndist) {
        int sym = decode(r, lencode);
        if (sym < 0) return false;
        if (sym < 16) {
            lengths[index++] = short(sym);
        } else {
            short len = 0;
            int repeat;
            if (sym == 16) {
                if (index == 0) return false;
                len = lengths[index - 1];
                repeat = 3 + r.bits(2);
            } else if (sym == 17) {
                repeat = 3 + r.bits(3);
            } else {
                repeat = 11 + r.bits(7);
            }
            if (r.overrun || index + repeat > nlen + ndist) return false;
            while (repeat--) lengths[index++] = len;
        }
    }
    if (lengths[256] == 0) return false;
    if (!build(lencode, lengths, nlen) || !build(distcode, lengths + nlen, ndist)) return false;
    return codes(r, out, limit, lencode, distcode);
}

}  // namespace

bool inflate(const std::uint8_t* data, std::size_t size, Bytes& out, std::size_t outLimit) {
    BitReader r{data, size};
    out.clear();
    int last;
    do {
        last = r.bits(1);
        int type = r.bits(2);
        if (r.overrun) return false;
        if (type == 0) {
            r.bitBuf = 0;
            r.bitCount = 0;
            if (r.pos + 4 > size) return false;
            std::size_t len = le16(data + r.pos), nlen = le16(data + r.pos + 2);
            r.pos += 4;
            if (len != (~nlen & 0xffff) || r.pos + len > size || out.size() + len > outLimit) return false;
            out.insert(out.end(), data + r.pos, data + r.pos + len);
            r.pos += len;
        } else if (type == 1) {
            if (!fixedBlock(r, out, outLimit)) return false;
        } else if (type == 2) {
            if (!dynamicBlock(r, out, outLimit)) return false;
        } else {
            return false;
        }
    } while (!last);
    return true;
}

namespace {

// CRC-32 eight bytes at a step: entry[k] is the table for a byte followed
// by k zero bytes.
struct CrcTable {
    std::uint32_t entry[8][256];
    CrcTable() {
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            entry[0][i] = c;
        }
        for (int k = 1; k < 8; ++k)
            for (std::uint32_t i = 0; i < 256; ++i)
                entry[k][i] = (entry[k - 1][i] >> 8) ^ entry[0][entry[k - 1][i] & 0xff];
    }
};

std::uint32_t crc32(const std::uint8_t* data, std::size_t size) {
    static const CrcTable table;  // made once, thread-safe
    const auto& t = table.entry;
    std::uint32_t c = 0xFFFFFFFFu;
    for (; size >= 8; data += 8, size -= 8) {
        std::uint32_t lo = c ^ le32(data), hi = le32(data + 4);
        c = t[7][lo & 0xff] ^ t[6][(lo >> 8) & 0xff] ^ t[5][(lo >> 16) & 0xff] ^ t[4][lo >> 24] ^ t[3][hi & 0xff] ^
            t[2][(hi >> 8) & 0xff] ^ t[1][(hi >> 16) & 0xff] ^ t[0][hi >> 24];
    }
    for (std::size_t i = 0; i < size; ++i) c = t[0][(c ^ data[i]) & 0xff] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

// Where the central directory lies, from the end-of-central-directory record.
struct CentralDirectory {
    std::size_t entries = 0, offset = 0, size = 0;
};

bool findCentralDirectory(const Bytes& zip, CentralDirectory& dir, std::string& error) {
    const std::size_t n = zip.size();
    if (n < 22) {
        error = "the file is too short to be a package";
        return false;
    }
    std::size_t eocd = std::string::npos;
    std::size_t stop = n > 22 + 65535 ? n - 22 - 65535 : 0;
    for (std::size_t i = n - 22 + 1; i-- > stop;) {
        if (le32(&zip[i]) == 0x06054b50) {
            eocd = i;
            break;
        }
    }
    if (eocd == std::string::npos) {
        error = "the package has no central directory";
        return false;
    }
    dir.entries = le16(&zip[eocd + 10]);
    dir.size = le32(&zip[eocd + 12]);
    dir.offset = le32(&zip[eocd + 16]);
    if (dir.offset > n || dir.size > n - dir.offset) {
        error = "the package's central directory is out of range";
        return false;
    }
    return true;
}

// One central directory record.
struct DirectoryEntry {
    std::size_t method = 0, csize = 0, usize = 0, local = 0;
    std::uint32_t crc = 0;
    std::string name;
};

// Reads the record at p, which must end by end, and moves p past it.
bool readDirectoryEntry(const Bytes& zip, std::size_t& p, std::size_t end, DirectoryEntry& entry,
                        std::string& error) {
    if (p + 46 > end || le32(&zip[p]) != 0x02014b50) {
        error = "the package's central directory is damaged";
        return false;
    }
    entry.method = le16(&zip[p + 10]);
    entry.csize = le32(&zip[p + 20]);
    entry.usize = le32(&zip[p + 24]);
    std::size_t nameLen = le16(&zip[p + 28]), extraLen = le16(&zip[p + 30]), commentLen = le16(&zip[p + 32]);
    entry.local = le32(&zip[p + 42]);
    if (p + 46 + nameLen > end) {
        error = "the package's central directory is damaged";
        return false;
    }
    entry.name.assign(reinterpret_cast<const char*>(&zip[p + 46]), nameLen);
    entry.crc = le32(&zip[p + 16]);
    p += 46 + nameLen + extraLen + commentLen;
    return true;
}

// Finds the entry's data through its local header and checks its size and
// CRC. A stored entry is checked where it lies and copied into out only with
// copyStored; a deflated one is inflated into out.
bool checkEntryData(const Bytes& zip, const DirectoryEntry& entry, bool copyStored, Bytes& out, std::string& error) {
    const std::size_t n = zip.size();
    const std::size_t local = entry.local;
    if (local > n || n - local < 30 || le32(&zip[local]) != 0x04034b50) {
        error = "a package entry's header is damaged";
        return false;
    }
    std::size_t dataAt = local + 30 + le16(&zip[local + 26]) + le16(&zip[local + 28]);
    if (dataAt > n || entry.csize > n - dataAt || entry.usize > kMaxEntry) {
        error = "a package entry is truncated";
        return false;
    }
    const std::uint8_t* content = zip.data() + dataAt;
    if (entry.method == 0) {
        if (entry.csize != entry.usize) {
            error = "a stored package entry has inconsistent sizes";
            return false;
        }
    } else if (entry.method != 8) {
        error = "a package entry uses an unknown compression method";
        return false;
    } else if (!inflate(content, entry.csize, out, entry.usize) || out.size() != entry.usize) {
        error = "a package entry cannot be decompressed";
        return false;
    } else {
        content = out.data();
    }
    if (crc32(content, entry.usize) != entry.crc) {
        error = "a package entry is damaged (checksum mismatch): " + entry.name;
        return false;
    }
    if (copyStored && entry.method == 0) out.assign(content, content + entry.usize);
    return true;
}

// Walks the central directory; for each entry (or only the named one)
// extracts the data and checks size and CRC.
bool walkZip(const Bytes& zip, const std::string* only, Bytes& out, std::string& error) {
    out.clear();
    CentralDirectory dir;
    if (!findCentralDirectory(zip, dir, error)) return false;
    std::size_t p = dir.offset;
    const std::size_t end = dir.offset + dir.size;
    for (std::size_t e = 0; e < dir.entries; ++e) {
        DirectoryEntry entry;
        if (!readDirectoryEntry(zip, p, end, entry, error)) return false;
        if (only && entry.name != *only) continue;
        if (!checkEntryData(zip, entry, only != nullptr, out, error)) return false;
        if (only) return true;
    }
    if (!only) return true;
    error = "the package has no entry " + *only;
    return false;
}

}  // namespace

bool zipEntry(const Bytes& zip, const std::string& name, Bytes& out, std::string& error) {
    return walkZip(zip, &name, out, error);
}

bool verifyPackage(const Bytes& zip, std::string& error) {
    Bytes scratch;
    return walkZip(zip, nullptr, scratch, error);
}


namespace {

bool contains(const Bytes& text, const char* needle) {
    std::size_t len = std::strlen(needle);
    if (text.size() < len) return false;
    return std::search(text.begin(), text.end(), needle, needle + len) != text.end();
}

// True when the first element with this local name has attribute = 1/true/on.
bool flagAttribute(const Bytes& xml, const char* element, const char* attribute) {
    std::string text(xml.begin(), xml.end());
    std::string open = std::string(":") + element;
    std::size_t at = text.find("<" + std::string(element));
    if (at == std::string::npos) {
        std::size_t colon = text.find(open);
        while (colon != std::string::npos) {
            std::size_t lt = text.rfind('<', colon);
            if (lt != std::string::npos && text.find_first_of(" >/", lt) >= colon) {
                at = lt;
                break;
            }
            colon = text.find(open, colon + 1);
        }
    }
    if (at == std::string::npos) return false;
    std::size_t close = text.find('>', at);
    if (close == std::string::npos) return false;
    std::string tag = text.substr(at, close - at);
    for (std::size_t a = tag.find(attribute); a != std::string::npos; a = tag.find(attribute, a + 1)) {
        char before = a ? tag[a - 1] : ' ';
        if (before != ' ' && before != ':' && before != '\t' && before != '\n' && before != '\r') continue;
        std::size_t eq = a + std::strlen(attribute);
        if (eq >= tag.size() || tag[eq] != '=') continue;
        std::size_t q = eq + 1;
        if (q >= tag.size()) return false;
        std::size_t end = tag.find(tag[q], q + 1);
        std::string value = tag.substr(q + 1, end == std::string::npos ? std::string::npos : end - q - 1);
        return value == "1" || value == "true" || value == "on";
    }
    return false;
}

}  // namespace

bool inspectPackage(const Bytes& zip, PackageFacts& facts, std::string& error) {
    facts = PackageFacts();
    if (!verifyPackage(zip, error)) return false;
    Bytes types;
    if (!zipEntry(zip, "[Content_Types].xml", types, error)) return false;
    struct Kind {
        const char* type;
        DocFormat format;
    };
    // Macro-enabled and binary types first: their names extend the plain ones.
    static const Kind kinds[] = {
        {"application/vnd.ms-word.document.macroEnabled.main+xml", DocFormat::Docm},
        {"application/vnd.ms-word.template.macroEnabledTemplate.main+xml", DocFormat::Docm},
        {"wordprocessingml.document.main+xml", DocFormat::Docx},
        {"wordprocessingml.template.main+xml", DocFormat::Docx},
        {"application/vnd.ms-excel.sheet.binary.macroEnabled.main", DocFormat::Xlsb},
        {"application/vnd.ms-excel.sheet.macroEnabled.main+xml", DocFormat::Xlsm},
        {"spreadsheetml.sheet.main+xml", DocFormat::Xlsx},
        {"application/vnd.ms-powerpoint.slideshow.macroEnabled.main+xml", DocFormat::Ppsm},
        {"application/vnd.ms-powerpoint.presentation.macroEnabled.main+xml", DocFormat::Pptm},
        {"presentationml.slideshow.main+xml", DocFormat::Ppsx},
        {"presentationml.presentation.main+xml", DocFormat::Pptx},
    };
    for (const Kind& k : kinds) {
        if (contains(types, k.type)) {
            facts.format = k.format;
            break;
        }
    }
    if (facts.format == DocFormat::Unknown) {
        error = "the package is not a document of a known kind";
        return false;
    }
    Bytes part;
    std::string ignored;
    if (appOf(facts.format) == AppKind::Word && zipEntry(zip, "word/settings.xml", part, ignored))
        facts.readOnlyRecommended = flagAttribute(part, "writeProtection", "recommended");
    if ((facts.format == DocFormat::Xlsx || facts.format == DocFormat::Xlsm) &&
        zipEntry(zip, "xl/workbook.xml", part, ignored))
        facts.readOnlyRecommended = flagAttribute(part, "fileSharing", "readOnlyRecommended");
    if (facts.format == DocFormat::Xlsb && zipEntry(zip, "xl/workbook.bin", part, ignored))
        facts.readOnlyRecommended = inspectXlsbWorkbook(part).readOnlyRecommended;
    return true;
}

BinaryFacts inspectWordStream(const Bytes& s) {
    BinaryFacts f;
    if (s.size() < 12 || le16(&s[0]) != 0xA5EC) return f;
    std::uint16_t flags = le16(&s[10]);
    f.valid = true;
    f.encrypted = (flags & 0x0100) != 0;
    f.readOnlyRecommended = (flags & 0x0400) != 0;
    return f;
}

BinaryFacts inspectWorkbookStream(const Bytes& s) {
    BinaryFacts f;
    std::size_t p = 0;
    bool first = true;
    while (p + 4 <= s.size()) {
        std::uint16_t type = le16(&s[p]), size = le16(&s[p + 2]);
        if (p + 4 + size > s.size()) break;
        const std::uint8_t* body = &s[p + 4];
        if (first) {
            if (type != 0x0809 || size < 4) return f;
            std::uint16_t version = le16(body);
            if (version != 0x0600 && version != 0x0500) return f;
            f.biff5 = version == 0x0500;
            f.valid = true;
            first = false;
        } else if (type == 0x002F) {
            f.encrypted = true;
        } else if (type == 0x005B && size >= 2) {
            f.readOnlyRecommended = le16(body) != 0;
        } else if (type == 0x000A) {
            break;
        }
        p += 4 + size;
    }
    return f;
}

BinaryFacts inspectCurrentUserStream(const Bytes& s) {
    BinaryFacts f;
    // CurrentUserAtom: record header (8), size (4), then the header token.
    if (s.size() < 16) return f;
    std::uint32_t token = le32(&s[12]);
    if (token == 0xE391C05F) f.valid = true;
    else if (token == 0xF3D1C4DF) f.valid = f.encrypted = true;
    return f;
}

namespace {

// One BIFF12 record: the type is one byte, or two when the first has its
// high bit set (seven bits from each); the size is one to four bytes of seven
// bits each, low bits first, the high bit saying another follows. False when
// the header is malformed or the body runs past the end.
bool nextBiff12Record(const Bytes& s, std::size_t& pos, std::uint32_t& type, const std::uint8_t*& body,
                      std::size_t& size) {
    if (pos >= s.size()) return false;
    type = s[pos++];
    if (type & 0x80) {
        if (pos >= s.size() || (s[pos] & 0x80)) return false;
        type = (type & 0x7F) | (std::uint32_t(s[pos++]) << 7);
    }
    size = 0;
    for (int i = 0;; ++i) {
        if (i == 4 || pos >= s.size()) return false;
        std::uint8_t b = s[pos++];
        size |= std::size_t(b & 0x7F) << (7 * i);
        if (!(b & 0x80)) break;
    }
    if (size > s.size() - pos) return false;
    body = s.data() + pos;
    pos += size;
    return true;
}

constexpr std::uint32_t kBrtBeginBook = 0x0083, kBrtEndBook = 0x0084, kBrtFileSharing = 0x0224,
                        kBrtFileSharingIso = 0x02A4;

}  // namespace

BinaryFacts inspectXlsbWorkbook(const Bytes& part) {
    BinaryFacts f;
    std::size_t pos = 0, size = 0;
    std::uint32_t type = 0;
    const std::uint8_t* body = nullptr;
    if (!nextBiff12Record(part, pos, type, body, size) || type != kBrtBeginBook) return f;
    f.valid = true;
    while (nextBiff12Record(part, pos, type, body, size) && type != kBrtEndBook) {
        if (type == kBrtFileSharing) {
            // fReadOnlyRec first. It follows any ISO form and is the one that counts.
            if (size >= 2) f.readOnlyRecommended = le16(body) != 0;
            break;
        }
        // dwSpinCount, then fReadOnlyRec.
        if (type == kBrtFileSharingIso && size >= 6) f.readOnlyRecommended = le16(body + 4) != 0;
    }
    return f;
}

bool isOpenXml(DocFormat f) { return f != DocFormat::Unknown && f < DocFormat::Doc; }

AppKind appOf(DocFormat f) {
    switch (f) {
    case DocFormat::Docx: case DocFormat::Docm: case DocFormat::Doc:
        return AppKind::Word;
    case DocFormat::Xlsx: case DocFormat::Xlsm: case DocFormat::Xlsb: case DocFormat::Xls: case DocFormat::Xls95:
        return AppKind::Excel;
    default:
        return AppKind::PowerPoint;
    }
}

int formatCode(DocFormat f) {
    switch (f) {
    case DocFormat::Doc: return 0;
    case DocFormat::Docx: return 12;
    case DocFormat::Docm: return 13;
    case DocFormat::Xls: return 56;
    case DocFormat::Xls95: return 39;
    case DocFormat::Xlsx: return 51;
    case DocFormat::Xlsm: return 52;
    case DocFormat::Xlsb: return 50;
    case DocFormat::Ppt: return 1;
    case DocFormat::Pptx: return 24;
    case DocFormat::Pptm: return 25;
    case DocFormat::Ppsx: return 28;
    case DocFormat::Ppsm: return 29;
    default: return -1;
    }
}

const char* formatName(DocFormat f) {
    static const char* const names[] = {"unknown", "docx", "docm", "xlsx", "xlsm", "xlsb", "pptx", "pptm",
                                        "ppsx",    "ppsm", "doc",  "xls",  "xls95", "ppt"};
    return names[int(f)];
}

}  // namespace doccrypt
