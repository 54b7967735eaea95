#include "OfficeVersion.h"

#include <cstdio>
#include <cstring>

#include "foundation/Log.h"
#include "foundation/Registry.h"

namespace {

int cachedVersion = -1;
bool cachedConvertible = false;

}  // namespace

int OfficeVersion::getWordVersion() {
    int version = -1;
    CurrentUserRegistry user;
    for (int n = 30; n >= 8; --n) {
        char key[128];
        char value[1024];
        std::snprintf(key, sizeof key, "Software\\Microsoft\\Office\\%d.0\\Word\\InstallRoot", n);
        if (!LocalMachineRegistry::getInstalledString(key, "Path", value, sizeof value)) continue;
        std::snprintf(key, sizeof key, "Software\\Microsoft\\Office\\%d.0\\Word", n);
        if (!user.getString(key, "WordName", value, sizeof value)) continue;
        version = n;
        break;
    }
    logTrace("OfficeVersion#getWordVersion,1,wordVersion=%d", version);
    return version;
}

bool OfficeVersion::isOfficeWord12Convertible() {
    if (cachedVersion < 0) {
        cachedVersion = getWordVersion();
        logTrace("OfficeVersion#isOfficeWord12Convertible,1,Start, version=%d", cachedVersion);
        if (cachedVersion >= 12 || (cachedVersion == 11 && isOfficeWord12ConverterInstalled())) {
            cachedConvertible = true;
        }
    } else {
        logTrace("OfficeVersion#isOfficeWord12Convertible,2,Cached version=%d", cachedVersion);
    }
    logTrace("OfficeVersion#isOfficeWord12Convertible,3,End rc=%d", cachedConvertible ? 1 : 0);
    return cachedConvertible;
}

bool OfficeVersion::isOfficeWord12ConverterInstalled() {
    logTrace("OfficeVersion#isOfficeWord12ConverterInstalled,1,Start");
    char exportPath[1024];
    char importPath[1024];
    if (!LocalMachineRegistry::getInstalledString("Software\\Microsoft\\Shared Tools\\Text Converters\\Export\\Word12",
                                                  "Path", exportPath, sizeof exportPath) ||
        !LocalMachineRegistry::getInstalledString("Software\\Microsoft\\Shared Tools\\Text Converters\\Import\\Word12",
                                                  "Path", importPath, sizeof importPath)) {
        return false;
    }
    logTrace("OfficeVersion#isOfficeWord12ConverterInstalled,2,r1=%s r2=%s", exportPath, importPath);
    const char* folder = "\\Microsoft Office\\Office12\\";
    return std::strstr(exportPath, folder) != nullptr && std::strstr(importPath, folder) != nullptr;
}

void OfficeVersion::resetCacheForTesting() {
    cachedVersion = -1;
    cachedConvertible = false;
}
