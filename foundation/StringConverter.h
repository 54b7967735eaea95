#pragma once

#include <memory>

#include "Object.h"

// ANSI code page <-> UTF-16 conversions of whole NUL-terminated texts. Results
// are new[] arrays that the caller deletes; null on failure.
class StringConverter : public Object {
public:
    static wchar_t* toWideChar(const char* text);
    static char* toMultiByte(const wchar_t* text);
};

// The one conversion between 8-bit text in a code page and UTF-16, for all
// the program's code (StringConverter is its ANSI form). Whole
// NUL-terminated texts; null for null text or when the text cannot be
// converted. codePage is a Windows code page number (0 is the ANSI code page,
// 65001 UTF-8).
std::unique_ptr<wchar_t[]> wideFromCodePage(unsigned codePage, const char* text);
std::unique_ptr<char[]> codePageFromWide(unsigned codePage, const wchar_t* text);

// The ANSI forms.
inline std::unique_ptr<wchar_t[]> wideFromAnsi(const char* text) { return wideFromCodePage(0, text); }
inline std::unique_ptr<char[]> ansiFromWide(const wchar_t* text) { return codePageFromWide(0, text); }
