// libFuzzer target: clang++ -fsanitize=fuzzer,address (see run-fuzzer.sh).
#include "FuzzEntry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    office_standin::fuzzOne(data, size);
    return 0;
}
