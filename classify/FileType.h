#pragma once

#include <cstddef>

#include "foundation/String.h"

// Which file types this program knows, by extension: the one table of them
// lives in FileType.cpp, and every layer asks fileKindOf() (or the FileType
// tests below, which ask it too) instead of testing suffixes itself.

// Who handles a file type.
enum class KindApplication : unsigned char {
    None,  // .xps: listed and examined, never encrypted or decrypted
    Word,
    Excel,
    PowerPoint,
    Pdf,  // through pdftk
};

// How a file of the type is built.
enum class KindFormat : unsigned char {
    Binary,   // an Office 97-2003 compound file: .doc .xls .ppt .pps
    OpenXml,  // an Office Open XML package (Office 2007 and later)
    Xps,      // an XPS package
    Pdf,
};

struct FileKind {
    const char* extension;  // lower case, with its dot: ".docx"
    KindApplication application;
    KindFormat format;

    // One of the 13 Office extensions: Word, Excel or PowerPoint takes it.
    bool isOfficeDocument() const {
        return application == KindApplication::Word || application == KindApplication::Excel ||
               application == KindApplication::PowerPoint;
    }
    // A ZIP package as Office writes it: Open XML or XPS.
    bool isPackage() const { return format == KindFormat::OpenXml || format == KindFormat::Xps; }
};

// The kind of the file that path names: its text from the last dot on,
// compared without regard to ASCII case, is one of the 15 extensions of the
// table (so "a.docx.pdf" is a PDF file, and "docx", "a.docx." and
// "a.docx\\b" are none). Null for every other path, a null path included.
const FileKind* fileKindOf(const char* path);

// The extension of the binary format of Word, Excel or PowerPoint (".doc",
// ".xls", ".ppt": PowerPoint's first, not ".pps"), the one whose registered
// program stands for the application; null for the other values.
const char* binaryExtensionOf(KindApplication application);

// What kind of document a path names, by its extension, and whether a file is
// a ZIP package as Office writes it. Every test is case-insensitive.
class FileType {
public:
    // The 13 Office extensions and ".xps" (not ".pdf").
    static bool isOfficeFile(const char* path);
    // The nine Office Open XML extensions.
    static bool isOffice2007File(const char* path);
    // The nine Office Open XML extensions and ".xps".
    static bool isOpenXmlFile(const char* path);
    static bool isXpsFile(const char* path);
    // True when the path is an Open XML package name and the file begins
    // with the ten bytes 50 4B 03 04 14 00 06 00 08 00. Windows only.
    static bool isZipFile(const char* path);
    // True when the first n bytes of data equal those of prefix.
    static bool startsWith(const void* data, const void* prefix, size_t n);
};
