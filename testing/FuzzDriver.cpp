// Runs a fuzz target without libFuzzer, for ctest: every file of the corpus
// folders given on the command line, then a fixed number of inputs mutated
// from them with a fixed seed, so that a run is repeatable. Under the
// sanitizers of the native build any memory fault ends the run.
//
//   <target> [--runs N] [--max-len N] CORPUS_DIR...

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

using Bytes = std::vector<uint8_t>;

void runOne(const Bytes& input) {
    // A copy of exactly the input's size, so that reads past its end are seen.
    uint8_t* copy = static_cast<uint8_t*>(std::malloc(input.empty() ? 1 : input.size()));
    if (!input.empty()) std::memcpy(copy, input.data(), input.size());
    LLVMFuzzerTestOneInput(copy, input.size());
    std::free(copy);
}

Bytes mutate(const Bytes& seed, std::mt19937& random, size_t maxLength) {
    Bytes out = seed;
    int steps = 1 + static_cast<int>(random() % 8);
    for (int i = 0; i < steps; ++i) {
        switch (random() % 6) {
            case 0:  // flip a bit
                if (!out.empty()) out[random() % out.size()] ^= static_cast<uint8_t>(1u << (random() % 8));
                break;
            case 1:  // set a byte to an interesting value
                if (!out.empty()) {
                    static const uint8_t interesting[] = {0x00, 0x01, 0x22, 0x2C, 0x5C, 0x7F, 0x80, 0xFF};
                    out[random() % out.size()] = interesting[random() % sizeof interesting];
                }
                break;
            case 2:  // insert random bytes
                if (out.size() < maxLength) {
                    size_t at = out.empty() ? 0 : random() % (out.size() + 1);
                    size_t count = 1 + random() % 16;
                    for (size_t k = 0; k < count; ++k) out.insert(out.begin() + at, static_cast<uint8_t>(random()));
                }
                break;
            case 3:  // truncate
                if (!out.empty()) out.resize(random() % out.size());
                break;
            case 4:  // duplicate a slice
                if (!out.empty() && out.size() < maxLength) {
                    size_t from = random() % out.size();
                    size_t length = 1 + random() % (out.size() - from);
                    Bytes slice(out.begin() + from, out.begin() + from + length);
                    out.insert(out.begin() + random() % (out.size() + 1), slice.begin(), slice.end());
                }
                break;
            case 5:  // overwrite a 32-bit field with an extreme value
                if (out.size() >= 4) {
                    static const uint32_t extremes[] = {0, 1, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0xFFFF};
                    uint32_t value = extremes[random() % 6];
                    std::memcpy(out.data() + random() % (out.size() - 3), &value, 4);
                }
                break;
        }
    }
    if (out.size() > maxLength) out.resize(maxLength);
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    long runs = 20000;
    size_t maxLength = 1 << 16;
    std::vector<Bytes> corpus;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc) {
            runs = std::atol(argv[++i]);
        } else if (arg == "--max-len" && i + 1 < argc) {
            maxLength = static_cast<size_t>(std::atol(argv[++i]));
        } else if (std::filesystem::is_directory(arg)) {
            for (const auto& entry : std::filesystem::recursive_directory_iterator(arg)) {
                if (!entry.is_regular_file()) continue;
                std::ifstream file(entry.path(), std::ios::binary);
                corpus.emplace_back(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
            }
        }
    }
    corpus.emplace_back();
    for (const Bytes& input : corpus) runOne(input);
    std::mt19937 random(20261208);
    for (long i = 0; i < runs; ++i) runOne(mutate(corpus[random() % corpus.size()], random, maxLength));
    std::printf("%zu corpus inputs and %ld mutated inputs ran clean\n", corpus.size(), runs);
    return 0;
}
