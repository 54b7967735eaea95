#pragma once

#include "Object.h"

// ANSI code page <-> UTF-16 conversions of whole NUL-terminated texts. Results
// are new[] arrays that the caller deletes; null on failure.
class StringConverter : public Object {
public:
    static wchar_t* toWideChar(const char* text);
    static char* toMultiByte(const wchar_t* text);
};
