// libFuzzer target (tools/fuzz.sh) for the compound-file check; the native
// build replays it (testing/FuzzDriver.cpp).
#include <cstddef>
#include <cstdint>
#include <string>

#include "doccrypt/CompoundCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string reason;
    doccrypt::checkCompoundFile(data, size, reason);
    return 0;
}
