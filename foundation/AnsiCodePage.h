#pragma once

#include "PathScan.h"

// The system's ANSI code page, in which every path and name of the program
// is written: its lead bytes and how paths split into folders and names.

// True for the first byte of a double-byte character of the ANSI code page.
bool isAnsiLeadByte(unsigned char byte);

// How the ANSI code page codePage splits bytes into characters: the
// Shift_JIS table for 932, the system's lead bytes for other double-byte code
// pages (when codePage is the system's), none for single-byte ones.
DoubleByteRule doubleByteRuleFor(unsigned codePage);

// The file name of an ANSI path: the text after its last backslash that is
// not the second byte of a double-byte character; the whole text when there
// is none; null for null.
const char* ansiFileNameOfPath(const char* path);
