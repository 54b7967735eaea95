// A pasted .zip archive is read whole and walked record by record: any bytes
// must walk without reads outside the block, end, and give consistent counts.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "classify/ZipRecordWalk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const unsigned char* cursor = data;
    zipwalk::EntryCounts counts = zipwalk::walkRecords(&cursor, data + size);
    if (cursor < data || cursor > data + size) std::abort();
    if (counts.entries != counts.encrypted + counts.unencrypted || counts.entries < 0) std::abort();
    // Each central-directory entry takes at least 47 bytes.
    if (static_cast<size_t>(counts.entries) > size / 47) std::abort();
    return 0;
}
