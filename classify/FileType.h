#pragma once

#include <cstddef>

#include "foundation/String.h"

// What kind of document a path names, by its extension, and whether a file is
// a ZIP package as Office writes it. Every test is case-insensitive.
class FileType {
public:
    static bool isOfficeFile(const char* path);
    static bool isOffice2007File(const char* path);
    static bool isOpenXmlFile(const char* path);
    static bool isXpsFile(const char* path);
    // True when the path is an Open XML package name and the file begins
    // with the ten bytes 50 4B 03 04 14 00 06 00 08 00. Windows only.
    static bool isZipFile(const char* path);
    // True when the first n bytes of data equal those of prefix.
    static bool startsWith(const void* data, const void* prefix, size_t n);

    // True when path ends in one of the extensions (case-insensitive).
    template <size_t N>
    static bool endsWithAny(const char* path, const char* const (&extensions)[N]) {
        for (const char* extension : extensions) {
            if (endsWithIgnoreCase(path, extension)) return true;
        }
        return false;
    }
};
