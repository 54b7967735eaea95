#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/PathScan.h"

namespace {

// Offsets of every separator the scan finds, searching on one byte after
// each hit.
std::vector<long> separators(const std::string& text, const DoubleByteRule& rule) {
    std::vector<long> found;
    for (const char* p = findPathSeparator(text.c_str(), rule); p != nullptr; p = findPathSeparator(p + 1, rule)) {
        found.push_back(p - text.c_str());
    }
    return found;
}

using Offsets = std::vector<long>;

}  // namespace

TEST(PathScan, ShiftJisTrailBytesAreNoSeparators) {
    // 0x95 0x5C and 0x83 0x5C are Shift_JIS characters whose second byte is
    // the backslash byte.
    struct Case {
        std::string text;
        Offsets expected;
    } cases[] = {
        {"C:\\A\\B", {2, 4}},
        {"C:\\\x95\x5C\\x", {2, 5}},
        {"C:\\\x83\x5C\x83\x5C\\\x95\x5C", {2, 7}},
        {"\x95\x5C\x95\x5C", {}},
        // Lead byte without a valid trail byte: a single byte.
        {"\x95\\", {}},
        {"\x95\x20\\", {2}},
        {"\x81", {}},
        {"x\x81", {}},
        {"\xE0\x40\\\xFC\xFC\\", {2, 5}},
        // 0xA0 to 0xDF are single-byte katakana.
        {"\xB1\\", {1}},
        {"", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(separators(c.text, kShiftJisRule), c.expected) << c.text;
    }
    // The byte 0x7F and 0xFD-0xFF are no trail bytes.
    EXPECT_EQ(separators(std::string("\x95\x7F\\"), kShiftJisRule), Offsets({2}));
    EXPECT_EQ(findPathSeparator(static_cast<const char*>(nullptr), kShiftJisRule), nullptr);
}

TEST(PathScan, SingleByteCodePagesSplitAtEveryBackslash) {
    // In Western code pages 0xE9 is a letter (e acute): "caf\xE9\\x" has a
    // real separator after it.
    EXPECT_EQ(separators("C:\\caf\xE9\\x", kSingleByteRule), Offsets({2, 7}));
    EXPECT_EQ(separators("C:\\caf\xE9\\x", kShiftJisRule), Offsets({2}));
    EXPECT_EQ(separators("\\\\server\\share", kSingleByteRule), Offsets({0, 1, 8}));
}

TEST(PathScan, FileNameOfPath) {
    EXPECT_STREQ(fileNameOfPath("C:\\Work\\Report.DOCX", kSingleByteRule), "Report.DOCX");
    EXPECT_STREQ(fileNameOfPath("Report.docx", kSingleByteRule), "Report.docx");
    EXPECT_STREQ(fileNameOfPath("C:\\Work\\", kSingleByteRule), "");
    EXPECT_EQ(fileNameOfPath(nullptr, kSingleByteRule), nullptr);

    // Shift_JIS: 0x95 0x5C is one character whose trail byte is a backslash.
    const char path[] = "C:\\Work\\\x95\x5C.doc";
    EXPECT_STREQ(fileNameOfPath(path, kShiftJisRule), "\x95\x5C.doc");
    EXPECT_STREQ(fileNameOfPath(path, kSingleByteRule), ".doc");
    // A lead byte at the very end does not swallow the terminator.
    EXPECT_STREQ(fileNameOfPath("C:\\a\\b\x95", kShiftJisRule), "b\x95");
}
