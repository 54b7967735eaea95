#include "ModuleName.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "RegistryText.h"
#include "StringConverter.h"

bool getModuleName(String& name) {
    // Module paths may exceed MAX_PATH; grow until the whole path fits.
    std::vector<wchar_t> path(MAX_PATH + 1);
    for (;;) {
        DWORD size = static_cast<DWORD>(path.size());
        DWORD length = GetModuleFileNameW(nullptr, path.data(), size);
        if (length == 0) return false;
        if (length < size - 1) break;
        if (path.size() > 32768) return false;
        path.resize(path.size() * 2);
    }
    std::wstring wide = moduleNameFromPath(path.data());
    std::unique_ptr<char[]> narrow(StringConverter::toMultiByte(wide.c_str()));
    if (!narrow) return false;
    name = narrow.get();
    return true;
}
