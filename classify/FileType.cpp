#include "FileType.h"

#include <cstring>

namespace {

using App = KindApplication;
using Format = KindFormat;

// Every file type the list shows, in its order. Where the layers treat some
// of them differently, this is what they ask:
// - the Office session, its engines and the jobs' count per application take
//   the 13 rows of Word, Excel and PowerPoint (isOfficeDocument), .pps and
//   .xlsb included; .xps and .pdf are not theirs;
// - the jobs skip the OpenXml rows when no Office 2007 is there, give .xps no
//   row and hand .pdf to pdftk;
// - the applications' macro security is set again for the Binary rows;
// - a drop on the list takes every row but .pdf (FileType::isOfficeFile);
// - a rename keeps the extension of any row, written as here in lower case.
// No extension here ends another one, so a path matches one row at most.
const FileKind kKinds[] = {
    {".doc", App::Word, Format::Binary},           {".docx", App::Word, Format::OpenXml},
    {".docm", App::Word, Format::OpenXml},         {".ppt", App::PowerPoint, Format::Binary},
    {".pps", App::PowerPoint, Format::Binary},     {".pptx", App::PowerPoint, Format::OpenXml},
    {".pptm", App::PowerPoint, Format::OpenXml},   {".ppsx", App::PowerPoint, Format::OpenXml},
    {".ppsm", App::PowerPoint, Format::OpenXml},   {".xls", App::Excel, Format::Binary},
    {".xlsb", App::Excel, Format::OpenXml},        {".xlsx", App::Excel, Format::OpenXml},
    {".xlsm", App::Excel, Format::OpenXml},        {".xps", App::None, Format::Xps},
    {".pdf", App::Pdf, Format::Pdf},
};

}  // namespace

const FileKind* fileKindOf(const char* path) {
    if (path == nullptr) return nullptr;
    const char* dot = std::strrchr(path, '.');
    if (dot == nullptr) return nullptr;
    const std::size_t length = std::strlen(dot);
    for (const FileKind& kind : kKinds) {
        if (std::strlen(kind.extension) == length && endsWithIgnoreCase(dot, kind.extension)) return &kind;
    }
    return nullptr;
}

const char* binaryExtensionOf(KindApplication application) {
    for (const FileKind& kind : kKinds) {
        if (kind.application == application && kind.format == KindFormat::Binary) return kind.extension;
    }
    return nullptr;
}

bool FileType::isOfficeFile(const char* path) {
    const FileKind* kind = fileKindOf(path);
    return kind != nullptr && kind->format != KindFormat::Pdf;
}

bool FileType::isOffice2007File(const char* path) {
    const FileKind* kind = fileKindOf(path);
    return kind != nullptr && kind->format == KindFormat::OpenXml;
}

bool FileType::isOpenXmlFile(const char* path) {
    const FileKind* kind = fileKindOf(path);
    return kind != nullptr && kind->isPackage();
}

bool FileType::isXpsFile(const char* path) {
    const FileKind* kind = fileKindOf(path);
    return kind != nullptr && kind->format == KindFormat::Xps;
}

bool FileType::startsWith(const void* data, const void* prefix, size_t n) {
    if (n == 0) return true;
    return data != nullptr && prefix != nullptr && std::memcmp(data, prefix, n) == 0;
}
