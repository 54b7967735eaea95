// pdftk.exe for the test prefix: runs the machine's own pdftk (a Unix
// program, /usr/bin/pdftk) with the arguments it was given, the Windows file
// names among them turned into Unix ones, and ends with pdftk's exit code.
//
// Refuses (exit code 1, nothing run) when the output names one of the input
// files under any spelling: pdftk-java then overwrites the file it reads.
//
// For tests: TARNWICK_PDFTK_DELAY_MS waits that long before anything else;
// TARNWICK_PDFTK_EXIT_CODE ends at once with that code, running nothing.

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "PdftkArguments.h"
#include "UnixRunner.h"

namespace {

int fail(const char* message) {
    std::fprintf(stderr, "pdftk stand-in: %s\n", message);
    return 1;
}

// Volume and file index of an existing file, so that two spellings of one
// file compare equal.
bool fileIdentity(const std::wstring& path, BY_HANDLE_FILE_INFORMATION& info) {
    HANDLE file = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = GetFileInformationByHandle(file, &info) != FALSE;
    CloseHandle(file);
    return ok;
}

bool sameFile(const std::wstring& a, const std::string& unixA, const std::wstring& b, const std::string& unixB) {
    if (unixA == unixB) return true;
    BY_HANDLE_FILE_INFORMATION infoA, infoB;
    if (!fileIdentity(a, infoA) || !fileIdentity(b, infoB)) return false;
    return infoA.dwVolumeSerialNumber == infoB.dwVolumeSerialNumber && infoA.nFileIndexHigh == infoB.nFileIndexHigh &&
           infoA.nFileIndexLow == infoB.nFileIndexLow;
}

int environmentNumber(const wchar_t* name, int fallback) {
    wchar_t value[32];
    DWORD length = GetEnvironmentVariableW(name, value, 32);
    if (length == 0 || length >= 32) return fallback;
    return _wtoi(value);
}

}  // namespace

int main() {
    int delay = environmentNumber(L"TARNWICK_PDFTK_DELAY_MS", 0);
    if (delay > 0) Sleep(static_cast<DWORD>(delay));
    int forced = environmentNumber(L"TARNWICK_PDFTK_EXIT_CODE", -1);
    if (forced >= 0) return forced;

    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!argv) return fail("cannot read the command line");
    std::vector<std::wstring> wide(argv + (count > 0 ? 1 : 0), argv + count);
    LocalFree(argv);

    std::vector<std::string> arguments;
    for (const std::wstring& argument : wide) arguments.push_back(unix_runner::toUtf8(argument));

    const std::vector<pdftk_standin::FileArgument> files = pdftk_standin::findFileArguments(arguments);
    std::vector<std::wstring> windowsNames;
    std::vector<std::string> unixNames;
    for (const pdftk_standin::FileArgument& file : files) {
        windowsNames.push_back(unix_runner::fromUtf8(file.path));
        unixNames.push_back(unix_runner::unixName(windowsNames.back()));
        if (unixNames.back().empty()) return fail("a file name has no Unix form");
        arguments[file.index] = file.prefix + unixNames.back();
    }
    for (size_t out = 0; out < files.size(); ++out) {
        if (!files[out].output) continue;
        for (size_t in = 0; in < files.size(); ++in) {
            if (in != out && !files[in].output &&
                sameFile(windowsNames[out], unixNames[out], windowsNames[in], unixNames[in])) {
                return fail("the output is one of the input files");
            }
        }
    }
    int status = unix_runner::run("/usr/bin/pdftk", arguments);
    return status < 0 ? fail("cannot run /usr/bin/pdftk") : status;
}
