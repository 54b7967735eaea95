#pragma once

// Finding backslashes in ANSI paths whose code page has double-byte
// characters: in Shift_JIS (code page 932) the second byte of a character may
// be 0x5C, which must not be taken for a separator.

// Byte classes of one double-byte code page.
struct DoubleByteRule {
    bool (*isLeadByte)(unsigned char byte);
    bool (*isTrailByte)(unsigned char byte);
};

// Shift_JIS: lead bytes 0x81-0x9F and 0xE0-0xFC, trail bytes 0x40-0x7E and
// 0x80-0xFC.
extern const DoubleByteRule kShiftJisRule;
// No double-byte characters at all.
extern const DoubleByteRule kSingleByteRule;

// The first backslash at or after text that is not the second byte of a
// double-byte character, or null when there is none (or text is null). A lead
// byte without a valid trail byte counts as a single byte.
const char* findPathSeparator(const char* text, const DoubleByteRule& rule);
inline char* findPathSeparator(char* text, const DoubleByteRule& rule) {
    return const_cast<char*>(findPathSeparator(static_cast<const char*>(text), rule));
}

// The file name of a path: the text after its last separator (as
// findPathSeparator finds them), or the whole text when there is none; null
// for null.
const char* fileNameOfPath(const char* path, const DoubleByteRule& rule);
