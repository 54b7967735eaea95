#include "String.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "Exception.h"

namespace {

char* copyOrNull(const char* text, size_t length) {
    char* copy = new (std::nothrow) char[length + 1];
    if (copy != nullptr) std::memcpy(copy, text, length + 1);
    return copy;
}

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

String::String(const char* text) {
    if (text == nullptr) return;
    size_t length = std::strlen(text);
    text_ = copyOrNull(text, length);
    if (text_ == nullptr) throw OutOfMemoryException("String::String,1,Failed to create a string", 0);
    length_ = static_cast<int>(length);
}

String::String(const String& other) : String(other.text_) {}

String::~String() { clear(); }

String& String::operator=(const char* text) {
    if (text == nullptr) return *this;
    size_t length = std::strlen(text);
    char* copy = copyOrNull(text, length);
    if (copy == nullptr) throw OutOfMemoryException("Failed to substitue a string", 0);
    delete[] text_;
    text_ = copy;
    length_ = static_cast<int>(length);
    return *this;
}

String& String::operator=(const String& other) {
    if (other.text_ == nullptr) {
        clear();
        return *this;
    }
    return *this = other.text_;
}

bool String::equals(const char* other) const {
    return text_ != nullptr && other != nullptr && std::strcmp(text_, other) == 0;
}

void String::clear() {
    delete[] text_;
    text_ = nullptr;
    length_ = 0;
}

bool endsWithIgnoreCase(const char* text, const char* suffix) {
    if (text == nullptr || suffix == nullptr) return false;
    size_t textLength = std::strlen(text);
    size_t suffixLength = std::strlen(suffix);
    if (textLength < suffixLength) return false;
    const char* tail = text + (textLength - suffixLength);
    for (size_t i = 0; i < suffixLength; ++i) {
        if (lowerAscii(tail[i]) != lowerAscii(suffix[i])) return false;
    }
    return true;
}

StringBuffer::StringBuffer(int capacity, int increment)
    : buffer_(static_cast<char*>(std::calloc(static_cast<size_t>(capacity < 0 ? 0 : capacity) + 1, 1))),
      capacity_(capacity < 0 ? 0 : capacity),
      increment_(increment < 1 ? 1 : increment) {
    if (buffer_ == nullptr) throw OutOfMemoryException("StringBuffer::StringBuffer,1,Failed to allocate a buffer", 0);
}

StringBuffer::~StringBuffer() { std::free(buffer_); }

bool StringBuffer::append(char c) {
    if (length_ >= capacity_) {
        int grown = capacity_ + increment_;
        char* block = static_cast<char*>(std::calloc(static_cast<size_t>(grown) + 1, 1));
        if (block == nullptr) return false;
        std::memcpy(block, buffer_, static_cast<size_t>(length_));
        std::free(buffer_);
        buffer_ = block;
        capacity_ = grown;
    }
    buffer_[length_] = c;
    ++length_;
    buffer_[length_] = '\0';
    return true;
}

StringTokenizer::StringTokenizer(const char* text) : position_(text) {}

bool StringTokenizer::isDelimiter(char c) const {
    for (int i = 0; i < delimiterCount_; ++i) {
        if (delimiters_[i] == c) return true;
    }
    return false;
}

const char* StringTokenizer::getToken(String& token) {
    const char* p = position_;
    if (p == nullptr) return nullptr;
    if (*p == '\0') {
        position_ = nullptr;
        return nullptr;
    }
    while (*p != '\0' && isDelimiter(*p)) ++p;

    StringBuffer collected(1024, 256);
    int quotes = 0;
    for (;;) {
        if (*p == '\0') break;
        if (p[0] == '"' && p[1] == '"') {
            p += 2;
            break;
        }
        if (*p == '"') {
            ++p;
            ++quotes;
            if (*p == '\0') break;
        }
        if (isDelimiter(*p) && (quotes == 0 || quotes == 2)) break;
        if (!collected.append(*p)) throw OutOfMemoryException("StringTokenizer#getToken,1,Failed to grow the token", 0);
        ++p;
    }
    position_ = p;
    token = collected.getBuffer();
    return p;
}
