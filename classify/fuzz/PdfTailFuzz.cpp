// The last kilobyte of a PDF file is searched for its encryption key: any
// bytes must fill the window without overruns and keep it one terminated text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "classify/PdfTail.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    pdftail::hasPdfHeader(data, size);
    size_t n = size < pdftail::kWindowSize ? size : pdftail::kWindowSize;
    char window[pdftail::kWindowSize + 1];
    pdftail::fillWindow(window, data + (size - n), n);
    if (window[pdftail::kWindowSize - 1] != '\0') std::abort();
    if (std::strlen(window) != pdftail::kWindowSize - 1) std::abort();
    bool found = pdftail::windowNamesEncryption(window);
    // The key can only be found in a tail that holds its letters.
    if (found && n < 8) std::abort();
    return 0;
}
