#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "doccrypt/CompoundCheck.h"
#include "doccrypt/Crypto.h"

using doccrypt::Bytes;

namespace {

Bytes readSource(const std::string& relative) {
    std::ifstream in(std::string(TARNWICK_SOURCE_DIR) + "/" + relative, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// What other programs wrote passes whole; cut anywhere past the header, or
// with a chain pointing back on itself, it does not.
TEST(CompoundCheck, SoundFilesPassAndDamagedOnesDoNot) {
    for (const char* file : {"standins/office/tests/data/memo.doc", "standins/office/tests/data/sheet.xls",
                             "standins/office/tests/data/deck.ppt", "classify/tests/fixtures/agile.docx",
                             "classify/tests/fixtures/lo-rc4.xls", "classify/tests/fixtures/lo-plain.ppt"}) {
        SCOPED_TRACE(file);
        Bytes whole = readSource(file);
        std::string reason;
        ASSERT_TRUE(doccrypt::checkCompoundFile(whole.data(), whole.size(), reason)) << reason;
        for (std::size_t cut : {std::size_t(100), whole.size() / 2, whole.size() - 512}) {
            EXPECT_FALSE(doccrypt::checkCompoundFile(whole.data(), cut, reason)) << cut;
        }
        // The directory's first sector chained to itself (where the first FAT
        // sector holds its entry).
        Bytes loop = whole;
        const std::uint32_t directory = loop[48] | (loop[49] << 8) | (loop[50] << 16) | (std::uint32_t(loop[51]) << 24);
        const std::uint32_t fatSector = loop[76] | (loop[77] << 8) | (loop[78] << 16) | (std::uint32_t(loop[79]) << 24);
        const std::size_t sectorSize = std::size_t(1) << loop[30];
        if (directory >= sectorSize / 4) continue;
        const std::size_t entry = (fatSector + 1) * sectorSize + 4 * directory;
        for (int i = 0; i < 4; ++i) loop[entry + i] = std::uint8_t(directory >> (8 * i));
        EXPECT_FALSE(doccrypt::checkCompoundFile(loop.data(), loop.size(), reason));
    }
}

}  // namespace
