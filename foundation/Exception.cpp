#include "Exception.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

// A heap copy of text, or null for null text or when memory runs out: an
// exception under construction must not throw again.
char* copyText(const char* text) {
    if (text == nullptr) return nullptr;
    size_t size = std::strlen(text) + 1;
    char* copy = new (std::nothrow) char[size];
    if (copy != nullptr) std::memcpy(copy, text, size);
    return copy;
}

}  // namespace

Exception::Exception(const char* message, int code) : message_(copyText(message)), code_(code) {}

Exception Exception::formatted(int code, const char* format, ...) {
    char buffer[2048];
    buffer[0] = '\0';
    if (format != nullptr) {
        va_list args;
        va_start(args, format);
        std::vsnprintf(buffer, sizeof buffer, format, args);
        va_end(args);
    }
    return Exception(buffer, code);
}

Exception::Exception(const Exception& other)
    : Object(other), message_(copyText(other.message_)), code_(other.code_) {}

Exception& Exception::operator=(const Exception& other) {
    if (this != &other) {
        char* copy = copyText(other.message_);
        delete[] message_;
        message_ = copy;
        code_ = other.code_;
    }
    return *this;
}

Exception::~Exception() { delete[] message_; }
