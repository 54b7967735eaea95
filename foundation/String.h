#pragma once

#include "Object.h"

// Owned 8-bit text in the ANSI code page. A String never shares its text:
// copies are deep.
class String : public Object {
public:
    String() = default;
    // Copies text; null gives a String without text. Throws
    // OutOfMemoryException when the copy cannot be made.
    String(const char* text);  // NOLINT(google-explicit-constructor): used like a literal
    String(const String& other);
    ~String() override;

    // Replaces the text with a copy; null changes nothing. The copy is made
    // before the old text is released, so self-assignment is safe.
    String& operator=(const char* text);
    String& operator=(const String& other);

    // The text, or null when there is none.
    const char* getContents() const { return text_; }
    int getLength() const { return length_; }
    // True only when there is text, other is not null and both are equal byte
    // for byte.
    bool equals(const char* other) const;
    void clear();

private:
    int length_ = 0;
    char* text_ = nullptr;
};

// Case-insensitive (ASCII letters) suffix test; false when an argument is
// null or text is shorter than suffix. Every file-extension test goes here.
bool endsWithIgnoreCase(const char* text, const char* suffix);

// A growable, always NUL-terminated character buffer.
class StringBuffer : public Object {
public:
    StringBuffer(int capacity, int increment);
    ~StringBuffer() override;
    StringBuffer(const StringBuffer&) = delete;
    StringBuffer& operator=(const StringBuffer&) = delete;

    // False only when a larger block cannot be allocated; the buffer is then
    // unchanged.
    bool append(char c);
    const char* getBuffer() const { return buffer_; }
    int getCapacity() const { return capacity_; }
    int getLength() const { return length_; }

private:
    char* buffer_;
    int capacity_;
    int increment_;
    int length_ = 0;
};

// Splits a text at blanks, tabs and commas; double quotes group delimiters
// into a token and never become part of it. The text is borrowed: the caller
// keeps it alive while the tokenizer is used.
class StringTokenizer : public Object {
public:
    explicit StringTokenizer(const char* text);

    // Reads one token into token and returns the new position, or returns
    // null (leaving token alone) when no token was read.
    const char* getToken(String& token);

private:
    bool isDelimiter(char c) const;

    const char* position_;
    int delimiterCount_ = 3;
    char delimiters_[4] = {' ', '\t', ',', '\0'};
};
