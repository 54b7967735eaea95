#pragma once

#include <cstddef>
#include <string>

// Text rules of registry values and the program profile, kept apart from the
// registry calls so that they build and are tested without Win32.

// Removes leading and trailing spaces, tabs, carriage returns and line feeds
// in place. Returns the length of what remains (0 for null text).
std::size_t trimRegistryText(char* text);

// An optional sign and the leading decimal digits of text, as an int; text
// that does not start with a number (after optional blanks) gives 0. Values
// beyond the int range are clamped to it.
int parseDecimalNumber(const char* text);

// Reads up to four decimal integers separated by blanks into values, in
// order; stops at the first text that is not a number. Returns how many were
// read; the others are left alone.
int parseGeometry(const char* text, int values[4]);

// Writes "left top width height" for the rectangle into buffer. Widths and
// heights beyond the int range are clamped. False when buffer is too small.
bool formatGeometry(char* buffer, std::size_t size, int left, int top, int right, int bottom);

// The program's name from its module file name: the text after the last
// backslash, cut at its last dot when it has one.
std::wstring moduleNameFromPath(const wchar_t* path);
