#pragma once

#if defined(__GNUC__)
#define TARNWICK_PRINTF_FORMAT __attribute__((format(printf, 1, 2)))
#else
#define TARNWICK_PRINTF_FORMAT
#endif

// The diagnostic log. Configuration is read once, by the first call of the
// process, from HKEY_CURRENT_USER "SOFTWARE\Merrowind\Application\<module
// name>\Log": "dir" and "filename" (texts; default the current folder and
// "<module name>.log"), "level" (0 nothing, 1 errors, 2 and debug lines, 3 and
// trace lines) and "console" (above 0: each line is also shown in the edit
// control that another window publishes as the desktop window's property
// "SCROLLED_TEXT"). Each written line is
//   "Www Mmm dd hh:mm:ss yyyy  Prefix: message\n"
// appended to the file; messages are cut after 30,718 characters. Failures to
// write lose the line and are never reported. Safe to call from any thread.
void logError(const char* format, ...) TARNWICK_PRINTF_FORMAT;
void logDebug(const char* format, ...) TARNWICK_PRINTF_FORMAT;
void logTrace(const char* format, ...) TARNWICK_PRINTF_FORMAT;
