#include "UnixRunner.h"

#include <windows.h>

#include "PdftkArguments.h"

namespace unix_runner {

namespace {

using UnixNameFunction = char*(CDECL*)(LPCWSTR);
using DosNameFunction = WCHAR*(CDECL*)(LPCSTR);

template <typename Function>
Function wineExport(const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), name)));
}

std::wstring dosName(const char* unixPath) {
    static auto toDos = wineExport<DosNameFunction>("wine_get_dos_file_name");
    if (!toDos) return {};
    WCHAR* name = toDos(unixPath);
    if (!name) return {};
    std::wstring result = name;
    HeapFree(GetProcessHeap(), 0, name);
    return result;
}

bool writeFile(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
              written == bytes.size();
    CloseHandle(file);
    return ok;
}

bool readFile(const std::wstring& path, std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bytes.clear();
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
    CloseHandle(file);
    return true;
}

}  // namespace

std::string toUtf8(const std::wstring& text) {
    if (text.empty()) return {};
    int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string result(size > 0 ? size - 1 : 0, '\0');
    if (size > 1) WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &result[0], size, nullptr, nullptr);
    return result;
}

std::wstring fromUtf8(const std::string& text) {
    if (text.empty()) return {};
    int size = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    std::wstring result(size > 0 ? size - 1 : 0, L'\0');
    if (size > 1) MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, &result[0], size);
    return result;
}

std::string unixName(const std::wstring& path) {
    static auto toUnix = wineExport<UnixNameFunction>("wine_get_unix_file_name");
    if (!toUnix) return {};
    const DWORD capacity = 32768;
    std::wstring full(capacity, L'\0');
    DWORD length = GetFullPathNameW(path.c_str(), capacity, &full[0], nullptr);
    if (length == 0 || length >= capacity) return {};
    char* name = toUnix(full.c_str());
    if (!name) return {};
    std::string result = name;
    HeapFree(GetProcessHeap(), 0, name);
    return result;
}

int run(const std::string& program, const std::vector<std::string>& arguments, std::string* output) {
    wchar_t folder[MAX_PATH];
    wchar_t base[MAX_PATH];
    if (!GetTempPathW(MAX_PATH, folder) || !GetTempFileNameW(folder, L"unx", 0, base)) return -1;
    const std::wstring scriptPath = std::wstring(base) + L".sh";
    const std::wstring statusPath = std::wstring(base) + L".status";
    const std::wstring outputPath = std::wstring(base) + L".out";
    const std::string unixStatus = unixName(statusPath);
    const std::string unixScript = unixName(scriptPath);
    const std::string unixOutput = output ? unixName(outputPath) : std::string();
    const std::wstring shell = dosName("/bin/sh");
    int status = -1;
    if (!unixStatus.empty() && !unixScript.empty() && !shell.empty() && (!output || !unixOutput.empty()) &&
        writeFile(scriptPath, pdftk_standin::buildScript(program, arguments, unixStatus, unixOutput))) {
        // Wine splits this command line by Windows rules into the Unix argv.
        std::wstring commandLine = L"\"" + shell + L"\" \"" + fromUtf8(unixScript) + L"\"";
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        if (CreateProcessW(shell.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                           &process)) {
            // Wine gives no process object for a Unix program: hProcess is
            // null and hThread is left over, not ours to close. Wait for the
            // status file instead.
            if (process.hProcess) {
                CloseHandle(process.hProcess);
                CloseHandle(process.hThread);
            }
            std::string text;
            while (!readFile(statusPath, text)) Sleep(20);
            status = pdftk_standin::parseStatus(text);
            if (output) readFile(outputPath, *output);
        }
    }
    DeleteFileW(outputPath.c_str());
    DeleteFileW(statusPath.c_str());
    DeleteFileW(scriptPath.c_str());
    DeleteFileW(base);
    return status;
}

}  // namespace unix_runner
