#include "EncryptionMarks.h"

namespace marks {

bool wordHeaderMarksEncryption(const unsigned char* fib, size_t count) {
    if (fib == nullptr || count < 12) return false;
    unsigned ident = static_cast<unsigned>(fib[0]) | static_cast<unsigned>(fib[1]) << 8;
    return ident >= 0xA5DC && (fib[11] & (0x01 | 0x08)) != 0;
}

bool workbookHeaderMarksEncryption(const unsigned char* head, size_t count) {
    return head != nullptr && count >= 21 && (head[20] == 0x2F || head[20] == 0x86);
}

}  // namespace marks
