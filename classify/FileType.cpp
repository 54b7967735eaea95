#include "FileType.h"

#include <cstring>

namespace {

const char* const kOfficeExtensions[] = {".doc",  ".docx", ".docm", ".ppt",  ".pps",  ".pptx", ".pptm",
                                         ".ppsx", ".ppsm", ".xls",  ".xlsb", ".xlsx", ".xlsm", ".xps"};
const char* const kOffice2007Extensions[] = {".docx", ".docm", ".pptx", ".pptm", ".ppsx",
                                             ".ppsm", ".xlsb", ".xlsx", ".xlsm"};
const char* const kOpenXmlExtensions[] = {".docx", ".docm", ".pptx", ".pptm", ".ppsx",
                                          ".ppsm", ".xlsb", ".xlsx", ".xlsm", ".xps"};

}  // namespace

bool FileType::isOfficeFile(const char* path) { return endsWithAny(path, kOfficeExtensions); }

bool FileType::isOffice2007File(const char* path) { return endsWithAny(path, kOffice2007Extensions); }

bool FileType::isOpenXmlFile(const char* path) { return endsWithAny(path, kOpenXmlExtensions); }

bool FileType::isXpsFile(const char* path) { return endsWithIgnoreCase(path, ".xps"); }

bool FileType::startsWith(const void* data, const void* prefix, size_t n) {
    if (n == 0) return true;
    return data != nullptr && prefix != nullptr && std::memcmp(data, prefix, n) == 0;
}
