#pragma once

#include <windows.h>

// The jobs' file-time helpers: an encrypted or decrypted file can be given
// back the last-access and last-write times of its source.

// Reads both times of the file at path (opened for reading, not shared).
// False when the file cannot be opened or the times cannot be read.
bool getFileTime(const char* path, FILETIME& lastAccess, FILETIME& lastWrite);

// Writes both times to the file at path (opened for writing its attributes,
// not shared), leaving its creation time alone. False when the file cannot
// be opened or the times cannot be written.
bool setFileTime(const char* path, const FILETIME& lastAccess, const FILETIME& lastWrite);
