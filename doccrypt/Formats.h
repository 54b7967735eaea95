#pragma once

// What kind of document a file holds and the flags the applications report
// for it: Open XML packages (ZIP), and the fields of the binary formats that
// tell encryption and the read-only recommendation. Portable; every function
// takes untrusted bytes and fails cleanly on anything malformed.

#include <string>

#include "Crypto.h"

namespace doccrypt {

enum class AppKind { Word, Excel, PowerPoint };

enum class DocFormat {
    Unknown,
    Docx, Docm, Xlsx, Xlsm, Xlsb, Pptx, Pptm, Ppsx, Ppsm,  // Open XML packages
    Doc, Xls, Xls95, Ppt                                 // binary compound files
};

bool isOpenXml(DocFormat f);
AppKind appOf(DocFormat f);
// Word SaveFormat (0, 12, 13), Excel FileFormat (56, 39, 51, 52, 50), and for
// presentations the format code saves use (1 for .ppt, 24 .pptx, ...).
int formatCode(DocFormat f);
const char* formatName(DocFormat f);

struct PackageFacts {
    DocFormat format = DocFormat::Unknown;
    bool readOnlyRecommended = false;
};

// Reads a ZIP entry by name (stored or deflated). False with a reason on
// anything malformed, truncated or absurdly large.
bool zipEntry(const Bytes& zip, const std::string& name, Bytes& out, std::string& error);

// Checks every entry of a package: sizes, decompression and checksums.
bool verifyPackage(const Bytes& zip, std::string& error);

// The document kind and read-only recommendation of an Open XML package;
// fails on a damaged package (verifyPackage).
bool inspectPackage(const Bytes& zip, PackageFacts& facts, std::string& error);

// Raw DEFLATE (RFC 1951). outLimit bounds the output.
bool inflate(const std::uint8_t* data, std::size_t size, Bytes& out, std::size_t outLimit);

struct BinaryFacts {
    bool valid = false;
    bool encrypted = false;
    bool readOnlyRecommended = false;
    bool biff5 = false;  // Excel 5/95 workbook
};

// The FIB at the start of the WordDocument stream.
BinaryFacts inspectWordStream(const Bytes& wordDocument);
// The globals substream of a BIFF5/BIFF8 Workbook (or Book) stream.
BinaryFacts inspectWorkbookStream(const Bytes& workbook);
// The "Current User" stream of a presentation.
BinaryFacts inspectCurrentUserStream(const Bytes& currentUser);
// The workbook part of an .xlsb package (xl/workbook.bin, BIFF12 records):
// valid when it starts as a workbook; the read-only recommendation comes from
// its file-sharing record.
BinaryFacts inspectXlsbWorkbook(const Bytes& workbookPart);

}  // namespace doccrypt
