#include "RightsManagedFile.h"

#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <string>

#include "classify/CompoundFile.h"
#include "foundation/WinHandles.h"

RightsManagedFile::RightsManagedFile(const char* path) {
    CompoundFile file;
    if (file.open(path)) loaded_ = file.getIssuanceLicense(*this);
    file.close();
}

bool RightsManagedFile::getOwner(String& owner) {
    if (!loaded_) {
        owner = "";
        return false;
    }
    return getTextByPath("//ISSUER/OBJECT/NAME", owner);
}

bool hasClientLicensorCertificate(const char* owner) {
    if (owner == nullptr) return false;
    char appData[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, 0, appData))) return false;
    std::string folder = std::string(appData) + "\\Microsoft\\DRM";
    std::string escaped;
    for (const char* c = owner; *c != '\0'; ++c) {
        if (*c == '-') {
            escaped += ";k";
        } else {
            escaped += *c;
        }
    }
    std::string pattern = folder + "\\CLC-" + escaped + "-*.drm";
    WIN32_FIND_DATAA found = {};
    unique_hfind search(FindFirstFileA(pattern.c_str(), &found));
    if (!search) return false;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && std::strcmp(found.cFileName, ".") != 0) {
            return true;
        }
    } while (FindNextFileA(search.get(), &found));
    return false;
}
