#include "UnixCommand.h"

#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace testing_support {

std::string unixPath(const std::string& windowsPath) {
    using Fn = char*(CDECL*)(LPCWSTR);
    auto fn = reinterpret_cast<Fn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name")));
    if (!fn) return std::string();
    std::wstring wide(windowsPath.begin(), windowsPath.end());
    char* p = fn(wide.c_str());
    if (!p) return std::string();
    std::string s = p;
    HeapFree(GetProcessHeap(), 0, p);
    return s;
}

int runUnix(const std::string& folder, const std::string& script) {
    std::string statusFile = folder + "\\unix-status";
    std::string status = unixPath(statusFile);
    DeleteFileA(statusFile.c_str());
    std::string cmd = "/bin/sh -c \"(" + script + "); echo $? > '" + status + ".tmp'; mv '" + status + ".tmp' '" +
                      status + "'\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
    // Wine starts a Unix program without a process object: hProcess is null
    // and hThread holds whatever was left there, which can be one of this
    // process's own handles (the one behind HKEY_CURRENT_USER, seen here).
    if (pi.hProcess) {
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    for (int i = 0; i < 1800; ++i) {
        std::ifstream in(statusFile, std::ios::binary);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (!text.empty()) {
            in.close();
            DeleteFileA(statusFile.c_str());
            return std::atoi(text.c_str());
        }
        Sleep(100);
    }
    return -1;
}

}  // namespace testing_support
