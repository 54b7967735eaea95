#include "CompoundCheck.h"

#include <algorithm>
#include <vector>

#include "ByteOrder.h"

namespace doccrypt {

namespace {

using byte_order::le16;
using byte_order::le32;

constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kNoStream = 0xFFFFFFFF;
constexpr std::size_t kEntrySize = 128;
constexpr std::uint32_t kMiniCutoff = 4096;

bool no(std::string& reason, const char* why) {
    reason = why;
    return false;
}

class Checker {
public:
    Checker(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool run(std::string& reason) {
        static const std::uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
        if (size_ < 512) return no(reason, "shorter than a compound file header");
        for (int i = 0; i < 8; ++i)
            if (data_[i] != kSignature[i]) return no(reason, "no compound file signature");
        if (le16(data_ + 28) != 0xFFFE) return no(reason, "wrong byte order mark");
        const unsigned shift = le16(data_ + 30);
        if (shift != 9 && shift != 12) return no(reason, "unknown sector size");
        if (le16(data_ + 32) != 6) return no(reason, "unknown mini sector size");
        sectorSize_ = std::size_t(1) << shift;
        major4_ = le16(data_ + 26) == 4;
        sectors_ = size_ / sectorSize_ == 0 ? 0 : std::uint32_t(std::min<std::size_t>(size_ / sectorSize_ - 1, 0x7FFFFFFF));
        if (!readFat(reason)) return false;

        std::vector<std::uint32_t> directory;
        if (!chain(fat_, le32(data_ + 48), sectors_, directory)) return no(reason, "broken directory chain");
        if (directory.empty()) return no(reason, "no directory");
        entries_.clear();
        for (std::uint32_t sector : directory)
            for (std::size_t at = 0; at < sectorSize_; at += kEntrySize) entries_.push_back(sectorAt(sector) + at);
        if (entryType(0) != 5) return no(reason, "the first directory entry is not the root");

        // The mini stream lives in the root entry's chain; the mini FAT in its own.
        std::vector<std::uint32_t> miniStream, miniFatSectors;
        const std::uint64_t rootSize = entrySize(0);
        if (!chain(fat_, le32(data_ + entries_[0] + 116), sectors_, miniStream) ||
            std::uint64_t(miniStream.size()) * sectorSize_ < rootSize)
            return no(reason, "broken mini stream");
        miniSectors_ = std::uint32_t(std::min<std::uint64_t>((rootSize + 63) / 64, 0x7FFFFFFF));
        if (!chain(fat_, le32(data_ + 60), sectors_, miniFatSectors)) return no(reason, "broken mini FAT chain");
        miniFat_.clear();
        for (std::uint32_t sector : miniFatSectors)
            for (std::size_t at = 0; at < sectorSize_; at += 4) miniFat_.push_back(le32(data_ + sectorAt(sector) + at));

        return walkTree(reason);
    }

private:
    std::size_t sectorAt(std::uint32_t sector) const { return (std::size_t(sector) + 1) * sectorSize_; }

    // The FAT sectors from the header's list and the DIFAT chain, then the FAT itself.
    bool readFat(std::string& reason) {
        const std::uint32_t fatSectors = le32(data_ + 44);
        if (fatSectors > sectors_) return no(reason, "more FAT sectors than the file holds");
        std::vector<std::uint32_t> list;
        for (int i = 0; i < 109 && list.size() < fatSectors; ++i) list.push_back(le32(data_ + 76 + 4 * i));
        std::uint32_t difat = le32(data_ + 68);
        const std::size_t perSector = sectorSize_ / 4 - 1;
        for (std::uint32_t hops = 0; list.size() < fatSectors; ++hops) {
            if (difat >= sectors_ || hops > sectors_) return no(reason, "broken DIFAT chain");
            const std::uint8_t* p = data_ + sectorAt(difat);
            for (std::size_t i = 0; i < perSector && list.size() < fatSectors; ++i) list.push_back(le32(p + 4 * i));
            difat = le32(p + 4 * perSector);
        }
        fat_.clear();
        for (std::uint32_t sector : list) {
            if (sector >= sectors_) return no(reason, "a FAT sector lies outside the file");
            for (std::size_t at = 0; at < sectorSize_; at += 4) fat_.push_back(le32(data_ + sectorAt(sector) + at));
        }
        return true;
    }

    // The sectors of a chain, each inside limit and the table, visited once.
    static bool chain(const std::vector<std::uint32_t>& table, std::uint32_t start, std::uint32_t limit,
                      std::vector<std::uint32_t>& out) {
        out.clear();
        for (std::uint32_t at = start; at != kEndOfChain;) {
            if (at >= limit || at >= table.size() || out.size() >= limit) return false;
            out.push_back(at);
            at = table[at];
        }
        return true;
    }

    int entryType(std::size_t index) const { return data_[entries_[index] + 66]; }

    std::uint64_t entrySize(std::size_t index) const {
        const std::uint8_t* e = data_ + entries_[index];
        std::uint64_t low = le32(e + 120);
        // Version 3 files may hold anything in the high half.
        return major4_ ? low | (std::uint64_t(le32(e + 124)) << 32) : low;
    }

    // Every entry reached from the root at most once, each stream's chain sound.
    bool walkTree(std::string& reason) {
        std::vector<bool> seen(entries_.size(), false);
        std::vector<std::uint32_t> pending{0};
        seen[0] = true;
        std::vector<std::uint32_t> sectors;
        while (!pending.empty()) {
            const std::uint32_t index = pending.back();
            pending.pop_back();
            const std::uint8_t* e = data_ + entries_[index];
            const int type = entryType(index);
            if (type != 1 && type != 2 && type != 5) return no(reason, "a directory entry of unknown type");
            if (le16(e + 64) > 64 || le16(e + 64) % 2 != 0) return no(reason, "a directory name of impossible length");
            for (std::uint32_t link : {le32(e + 68), le32(e + 72), le32(e + 76)}) {
                if (link == kNoStream) continue;
                if (link >= entries_.size() || seen[link]) return no(reason, "a directory link out of range or in a loop");
                seen[link] = true;
                pending.push_back(link);
            }
            if (type != 2) continue;
            const std::uint64_t size = entrySize(index);
            const bool mini = size < kMiniCutoff;
            const std::uint32_t start = le32(e + 116);
            if (size == 0) continue;
            if (mini ? !chain(miniFat_, start, miniSectors_, sectors) || std::uint64_t(sectors.size()) * 64 < size
                     : !chain(fat_, start, sectors_, sectors) || std::uint64_t(sectors.size()) * sectorSize_ < size)
                return no(reason, "a stream's sector chain is broken or too short");
        }
        return true;
    }

    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t sectorSize_ = 512;
    bool major4_ = false;
    std::uint32_t sectors_ = 0;
    std::uint32_t miniSectors_ = 0;
    std::vector<std::uint32_t> fat_, miniFat_;
    std::vector<std::size_t> entries_;
};

}  // namespace

bool checkCompoundFile(const std::uint8_t* data, std::size_t size, std::string& reason) {
    return Checker(data, size).run(reason);
}

}  // namespace doccrypt
