// A small program for the launcher tests: it writes its own command line,
// byte for byte, into the file named by the environment variable
// TARNWICK_RECORD_FILE and ends.
#include <windows.h>

#include <cstring>

int main() {
    char path[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("TARNWICK_RECORD_FILE", path, sizeof path);
    if (length == 0 || length >= sizeof path) return 2;
    const char* commandLine = GetCommandLineA();
    // Written under a temporary name and renamed, so that a reader never
    // sees half a file.
    char temporary[MAX_PATH + 4];
    lstrcpynA(temporary, path, MAX_PATH);
    lstrcatA(temporary, ".tmp");
    HANDLE file = CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 3;
    DWORD written = 0;
    WriteFile(file, commandLine, static_cast<DWORD>(std::strlen(commandLine)), &written, nullptr);
    CloseHandle(file);
    return MoveFileExA(temporary, path, MOVEFILE_REPLACE_EXISTING) ? 0 : 4;
}
