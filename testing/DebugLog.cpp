#include "DebugLog.h"

#include <windows.h>

#include "TestPaths.h"

namespace testing_support {

namespace {

std::string moduleName() {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name = path;
    name = name.substr(name.find_last_of("\\/") + 1);
    return name.substr(0, name.rfind('.'));
}

std::string configure() {
    const std::string name = moduleName();
    const std::string dir = freshFolder(name + "-log");
    const std::string file = name + ".log";
    const std::string key = "SOFTWARE\\Merrowind\\Application\\" + name + "\\Log";
    const DWORD level = 2;
    RegSetKeyValueA(HKEY_CURRENT_USER, key.c_str(), "dir", REG_SZ, dir.c_str(), DWORD(dir.size() + 1));
    RegSetKeyValueA(HKEY_CURRENT_USER, key.c_str(), "filename", REG_SZ, file.c_str(), DWORD(file.size() + 1));
    RegSetKeyValueA(HKEY_CURRENT_USER, key.c_str(), "level", REG_DWORD, &level, sizeof level);
    return dir + "\\" + file;
}

}  // namespace

std::string debugLog() {
    static const std::string path = configure();
    return path;
}

}  // namespace testing_support
