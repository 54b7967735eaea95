#include "Log.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <new>
#include <string>

#include "Directory.h"
#include "LogText.h"
#include "ModuleName.h"
#include "Registry.h"

namespace {

const char kConfigRoot[] = "SOFTWARE\\Merrowind\\Application";
const char kCurrentFolder[] = ".\\";
const char kConsoleProperty[] = "SCROLLED_TEXT";
// How long a line may wait for the console window's thread before it is
// given up (that thread may itself be waiting to log).
constexpr UINT kConsoleTimeoutMs = 2000;

struct LogState {
    bool initialised = false;
    int level = 0;
    int console = 0;
    char path[kLogPathMaxLength + 1] = {};
};

LogState state;

// The file is written under one lock: lines of several threads that append
// through their own file streams would otherwise overwrite each other. The
// console window has a lock of its own.
struct Locks {
    CRITICAL_SECTION file;
    CRITICAL_SECTION console;
    Locks() {
        InitializeCriticalSection(&file);
        InitializeCriticalSection(&console);
    }
};

Locks& locks() {
    static Locks instance;
    return instance;
}

class Guard {
public:
    explicit Guard(CRITICAL_SECTION& section) : section_(section) { EnterCriticalSection(&section_); }
    ~Guard() { LeaveCriticalSection(&section_); }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;

private:
    CRITICAL_SECTION& section_;
};

INIT_ONCE initOnce = INIT_ONCE_STATIC_INIT;

void readConfiguration() {
    String moduleName;
    getModuleName(moduleName);
    const char* module = moduleName.getContents() != nullptr ? moduleName.getContents() : "";

    String folder(kCurrentFolder);
    String fileName((std::string(module) + ".log").c_str());
    std::string key = std::string(kConfigRoot) + "\\" + module + "\\Log";

    CurrentUserRegistry registry;
    registry.getString(key.c_str(), "dir", folder);
    registry.getString(key.c_str(), "filename", fileName);
    registry.getInteger(key.c_str(), "level", state.level);
    registry.getInteger(key.c_str(), "console", state.console);
    state.initialised = true;

    Directory directory(folder.getContents());
    if (!directory.exists()) {
        directory.create(nullptr);
        if (!directory.exists()) folder = kCurrentFolder;
    }
    // A folder too long for the path falls back to the current folder like a
    // folder that cannot be created; a file name too long even for that
    // leaves the path empty, and lines are dropped.
    if (!joinLogPath(folder.getContents(), fileName.getContents(), state.path)) {
        joinLogPath(kCurrentFolder, fileName.getContents(), state.path);
    }
}

BOOL CALLBACK initialise(PINIT_ONCE, PVOID, PVOID*) {
    try {
        locks();
        readConfiguration();
    } catch (...) {
        state.initialised = true;
    }
    return TRUE;
}

LRESULT sendToConsole(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL | SMTO_ABORTIFHUNG, kConsoleTimeoutMs,
                             &result)) {
        return -1;
    }
    return static_cast<LRESULT>(result);
}

// Appends text at the end of the console control; when the control is full,
// the text above its first visible line goes first.
bool appendToConsole(HWND window, const char* text) {
    LRESULT length = sendToConsole(window, WM_GETTEXTLENGTH, 0, 0);
    LRESULT limit = sendToConsole(window, EM_GETLIMITTEXT, 0, 0);
    if (length < 0 || limit < 0) return false;
    if (length + static_cast<LRESULT>(std::strlen(text)) >= limit) {
        LRESULT firstLine = sendToConsole(window, EM_GETFIRSTVISIBLELINE, 0, 0);
        LRESULT firstCharacter = sendToConsole(window, EM_LINEINDEX, static_cast<WPARAM>(firstLine), 0);
        if (firstLine < 0 || firstCharacter < 0) return false;
        sendToConsole(window, EM_SETSEL, 0, firstCharacter);
        sendToConsole(window, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(""));
        length = sendToConsole(window, WM_GETTEXTLENGTH, 0, 0);
        if (length < 0) return false;
    }
    sendToConsole(window, EM_SETSEL, static_cast<WPARAM>(length), length);
    sendToConsole(window, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text));
    sendToConsole(window, WM_SETREDRAW, TRUE, 0);
    return true;
}

void showInConsole(const char* message) {
    Guard guard(locks().console);
    HWND window = static_cast<HWND>(GetPropA(GetDesktopWindow(), kConsoleProperty));
    if (window == nullptr || !IsWindow(window) || !IsWindowVisible(window)) return;
    if (appendToConsole(window, message)) appendToConsole(window, "\r\n");
}

void writeLine(int threshold, const char* prefix, const char* format, va_list args) {
    InitOnceExecuteOnce(&initOnce, initialise, nullptr, nullptr);
    if (state.level < threshold || state.path[0] == '\0') return;

    std::unique_ptr<char[]> message(new (std::nothrow) char[kLogMessageBufferSize]);
    if (!message) return;
    formatLogMessage(message.get(), format, args);

    {
        Guard guard(locks().file);
        FILE* file = std::fopen(state.path, "a+");
        if (file == nullptr) return;
        std::time_t now = std::time(nullptr);
        std::tm local = {};
        localtime_s(&local, &now);
        char timeText[kLogTimeTextLength + 1];
        formatLogTime(local, timeText);
        std::fprintf(file, "%s %s %s\n", timeText, prefix, message.get());
        std::fclose(file);
    }
    if (state.console > 0) showInConsole(message.get());
}

}  // namespace

void logError(const char* format, ...) {
    va_list args;
    va_start(args, format);
    writeLine(1, "Error:", format, args);
    va_end(args);
}

void logDebug(const char* format, ...) {
    va_list args;
    va_start(args, format);
    writeLine(2, "Debug:", format, args);
    va_end(args);
}

void logTrace(const char* format, ...) {
    va_list args;
    va_start(args, format);
    writeLine(3, "Trace:", format, args);
    va_end(args);
}
