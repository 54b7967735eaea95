#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "standins/office/fuzz/FuzzEntry.h"

// Replays the fuzzing corpus (and every sample document) through the
// parsers: nothing may crash, hang or trip the sanitizers.
TEST(CorpusReplay, EveryInputIsHandled) {
#ifdef _WIN32
    GTEST_SKIP() << "replayed by the native build";
#else
    namespace fs = std::filesystem;
    std::size_t count = 0;
    for (const char* folder : {"/standins/office/fuzz/corpus", "/standins/office/tests/data"}) {
        for (const auto& entry : fs::directory_iterator(fs::path(std::string(TARNWICK_SOURCE_DIR) + folder))) {
            if (!entry.is_regular_file()) continue;
            std::ifstream in(entry.path(), std::ios::binary);
            std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            office_standin::fuzzOne(bytes.data(), bytes.size());
            ++count;
        }
    }
    EXPECT_GT(count, 20u);
#endif
}
