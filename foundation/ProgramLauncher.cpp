#include "ProgramLauncher.h"

#include <cstdio>
#include <cstring>

#include "Associations.h"
#include "String.h"
#include "WinHandles.h"

namespace {

// The command line buffer holds 1024 characters and the terminator.
constexpr int kCommandLineSize = 1025;

}  // namespace

ProgramLauncher::ProgramLauncher() : startup_(), process_() {}

int ProgramLauncher::launch(const char* commandLine) {
    char buffer[kCommandLineSize];
    std::size_t length = std::strlen(commandLine);
    // CreateProcessA may write into its command line, so it gets a copy.
    if (length >= sizeof buffer) return ERROR_FILENAME_EXCED_RANGE;
    std::memcpy(buffer, commandLine, length + 1);
    if (!CreateProcessA(nullptr, buffer, nullptr, nullptr, FALSE, CREATE_NEW_PROCESS_GROUP, nullptr, nullptr,
                        &startup_, &process_)) {
        return static_cast<int>(GetLastError());
    }
    // Nobody waits for the program: both handles are let go at once.
    unique_handle thread(process_.hThread);
    unique_handle process(process_.hProcess);
    return 0;
}

int ProgramLauncher::runAssociatedProgram(const char* extension) {
    std::memset(&startup_, 0, sizeof startup_);
    std::memset(&process_, 0, sizeof process_);
    GetStartupInfoA(&startup_);
    try {
        String program;
        if (!findAssociatedProgram(extension, program)) return 0;
        char commandLine[kCommandLineSize + 2];
        int written = std::snprintf(commandLine, sizeof commandLine, "\"%s\"", program.getContents());
        if (written < 0 || written >= kCommandLineSize) return ERROR_FILENAME_EXCED_RANGE;
        return launch(commandLine);
    } catch (...) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
}

int ProgramLauncher::openDocument(const char* path) {
    std::memset(&startup_, 0, sizeof startup_);
    std::memset(&process_, 0, sizeof process_);
    GetStartupInfoA(&startup_);
    if (path == nullptr) return -1;
    const char* extension = std::strrchr(path, '.');
    if (extension == nullptr) return -1;
    try {
        String program;
        if (!findAssociatedProgram(extension, program)) return -1;
        char commandLine[kCommandLineSize + 2];
        int written =
            std::snprintf(commandLine, sizeof commandLine, "\"%s\" \"%s\"", program.getContents(), path);
        if (written < 0 || written >= kCommandLineSize) return ERROR_FILENAME_EXCED_RANGE;
        return launch(commandLine);
    } catch (...) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
}
