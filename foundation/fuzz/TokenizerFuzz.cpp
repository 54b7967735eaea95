// Command lines read from the registry's file associations reach the
// tokenizer: any bytes must tokenize without faults, every token must come
// from the text and no token may contain a double quote.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "foundation/String.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    StringTokenizer tokenizer(text.c_str());
    String token;
    size_t tokens = 0;
    while (tokenizer.getToken(token) != nullptr) {
        const char* contents = token.getContents();
        if (contents == nullptr || std::strchr(contents, '"') != nullptr) std::abort();
        if (std::strlen(contents) > text.size()) std::abort();
        if (++tokens > text.size() + 1) std::abort();
    }
    return 0;
}
