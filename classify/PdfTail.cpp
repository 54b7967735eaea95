#include "PdfTail.h"

#include <cstring>

namespace pdftail {

void fillWindow(char (&window)[kWindowSize + 1], const unsigned char* tail, size_t n) {
    std::memset(window, 0, sizeof window);
    if (tail != nullptr) std::memcpy(window, tail, n < kWindowSize ? n : kWindowSize);
    for (size_t i = 0; i < kWindowSize - 1; ++i) {
        if (window[i] == '\0') window[i] = ' ';
    }
    window[kWindowSize - 1] = '\0';
}

bool windowNamesEncryption(const char (&window)[kWindowSize + 1]) {
    return std::strstr(window, "/Encrypt") != nullptr;
}

bool hasPdfHeader(const unsigned char* data, size_t n) {
    return data != nullptr && n >= 5 && std::memcmp(data, "%PDF-", 5) == 0;
}

}  // namespace pdftail
