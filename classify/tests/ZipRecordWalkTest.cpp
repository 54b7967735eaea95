#include "classify/ZipRecordWalk.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classify/tests/ZipBytes.h"

namespace {

using test_zip::Entry;

zipwalk::EntryCounts walk(const std::string& bytes, size_t length, size_t* stoppedAt = nullptr) {
    // A block of exactly length bytes, so that the sanitizer sees any read
    // past its end.
    std::vector<unsigned char> block(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length));
    const unsigned char* begin = block.data();
    const unsigned char* cursor = begin;
    zipwalk::EntryCounts counts = zipwalk::walkRecords(&cursor, begin + block.size());
    if (stoppedAt != nullptr) *stoppedAt = static_cast<size_t>(cursor - begin);
    return counts;
}

zipwalk::EntryCounts walk(const std::string& bytes) { return walk(bytes, bytes.size()); }

bool allEncrypted(const zipwalk::EntryCounts& c) { return c.entries > 0 && c.entries == c.encrypted; }

TEST(ZipRecordWalk, CountsFileEntriesOfTheCentralDirectory) {
    struct Case {
        const char* what;
        std::vector<Entry> entries;
        int files;
        int encrypted;
    } cases[] = {
        {"all encrypted", {{"a.txt", true}, {"b.txt", true}}, 2, 2},
        {"one plain among encrypted", {{"a.txt", true}, {"b.txt", false}, {"c.txt", true}}, 3, 2},
        {"folders only", {{"docs/", false}, {"docs/old/", false}}, 0, 0},
        {"folders do not count", {{"docs/", false}, {"docs/a.txt", true}}, 1, 1},
        {"data descriptors", {{"a.txt", true, true}, {"b.txt", true, true, std::string(5000, 'x')}}, 2, 2},
        {"descriptor then plain header", {{"a.txt", true, true}, {"b.txt", false, false}}, 2, 1},
        {"an empty name is not a file", {{"", false}, {"a.txt", true}}, 1, 1},
        {"no entries", {}, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        size_t stoppedAt = 0;
        std::string bytes = test_zip::archive(c.entries);
        zipwalk::EntryCounts counts = walk(bytes, bytes.size(), &stoppedAt);
        EXPECT_EQ(counts.entries, c.files);
        EXPECT_EQ(counts.encrypted, c.encrypted);
        EXPECT_EQ(counts.unencrypted, c.files - c.encrypted);
        EXPECT_EQ(stoppedAt, bytes.size()) << "the walk ends after the end record";
    }
}

TEST(ZipRecordWalk, StopsAtTheEndRecordAndSkipsItsComment) {
    std::string bytes = test_zip::archive({{"a.txt", true}});
    bytes[bytes.size() - 2] = 4;  // comment length
    bytes += "note";
    size_t end = bytes.size();
    bytes += test_zip::archive({{"b.txt", false}});  // never reached
    size_t stoppedAt = 0;
    zipwalk::EntryCounts counts = walk(bytes, bytes.size(), &stoppedAt);
    EXPECT_EQ(counts.entries, 1);
    EXPECT_EQ(stoppedAt, end);
}

TEST(ZipRecordWalk, TruncatedArchiveIsJudgedOnTheEntriesSeen) {
    std::vector<Entry> entries = {{"a.txt", true}, {"b.txt", true, true}, {"c.txt", false}};
    std::string bytes = test_zip::archive(entries);
    std::string directory = bytes.substr(bytes.find("PK\x01\x02"));
    size_t secondCentralEnd = bytes.size() - directory.size() + 2 * (46 + 5);
    // Every cut: no read outside the block, never more entries than written.
    for (size_t length = 0; length <= bytes.size(); ++length) {
        zipwalk::EntryCounts counts = walk(bytes, length);
        ASSERT_LE(counts.entries, 3) << length;
        if (length < secondCentralEnd) {
            EXPECT_TRUE(counts.entries == 0 || allEncrypted(counts)) << length;
        }
    }
    EXPECT_EQ(walk(bytes, secondCentralEnd).entries, 2);
    EXPECT_TRUE(allEncrypted(walk(bytes, secondCentralEnd)));
    EXPECT_EQ(walk(bytes, secondCentralEnd - 1).entries, 1) << "a name cut short is not an entry";
}

TEST(ZipRecordWalk, UnknownBytesAreSteppedOverFourAtATime) {
    std::string bytes = std::string(8, '\x7F') + test_zip::archive({{"a.txt", true}});
    EXPECT_EQ(walk(bytes).entries, 1);
    // Misaligned by one: the signatures are never seen.
    EXPECT_EQ(walk(std::string(1, 'x') + test_zip::archive({{"a.txt", true}})).entries, 0);
}

TEST(ZipRecordWalk, HeadersThatAllSearchForAMissingDescriptorEnd) {
    // Thousands of local headers announcing a data descriptor that never
    // comes: each would search to the end of the block.
    std::string header;
    test_zip::put(header, {{4, 0x04034B50}, {2, 20}, {2, 0x0008}});
    header += std::string(22, '\0');
    std::string bytes;
    for (int i = 0; i < 20000; ++i) bytes += header;
    EXPECT_EQ(walk(bytes).entries, 0);
}

}  // namespace
