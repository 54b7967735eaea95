// libFuzzer target (tools/fuzz.sh); the native build replays it (testing/FuzzDriver.cpp).
#include "FuzzEntry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    doccrypt::fuzzOne(data, size);
    return 0;
}
