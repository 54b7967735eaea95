#pragma once

#include <cstdarg>
#include <cstddef>
#include <ctime>

// Text rules of the log file and of COM error messages, kept apart from the
// file and window calls so that they build and are tested without Win32.

// A message is formatted into a buffer of this many bytes and keeps at most
// kLogMessageMaxLength characters.
constexpr std::size_t kLogMessageBufferSize = 30720;
constexpr std::size_t kLogMessageMaxLength = 30718;
// The longest log path (folder, backslash, file name).
constexpr std::size_t kLogPathMaxLength = 259;
// The classic 24-character time text and the space that ends it.
constexpr std::size_t kLogTimeTextLength = 25;

// Formats printf-style into buffer (kLogMessageBufferSize bytes), cutting the
// text after kLogMessageMaxLength characters. Returns the kept length.
std::size_t formatLogMessage(char* buffer, const char* format, va_list args);

// Writes the time as "Www Mmm dd hh:mm:ss yyyy " (day space-padded, English
// names) into out, which holds kLogTimeTextLength + 1 bytes.
void formatLogTime(const std::tm& time, char* out);

// Joins folder, a backslash and file name into out (kLogPathMaxLength + 1
// bytes). False, leaving out empty, when the result would be longer than
// kLogPathMaxLength.
bool joinLogPath(const char* folder, const char* fileName, char* out);

// The message of a COM error that the system has no text for:
// "IDispatch error #n" for interface codes 0x80040200-0x8004FFFF (n counted
// from 0x80040200), otherwise "Unknown error 0x...".
void formatComFallbackMessage(long result, char* out, std::size_t size);

// Removes one trailing carriage return and line feed pair (or a lone line
// feed) in place.
void removeTrailingLineBreak(char* text);
