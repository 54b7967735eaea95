#pragma once

#include <cstddef>

// The search for the encryption key in the last kilobyte of a PDF file.
// Needs no Win32.
namespace pdftail {

constexpr size_t kWindowSize = 1024;

// Fills window (kWindowSize characters and a terminator) from the last n
// bytes of a file (n is at most kWindowSize; longer input uses its first
// kWindowSize bytes): the bytes first, zeros after them; every NUL among the
// first kWindowSize - 1 characters becomes a space and the terminator goes at
// offset kWindowSize - 1. A tail of a full kilobyte therefore loses its last
// byte, a shorter file is searched whole.
void fillWindow(char (&window)[kWindowSize + 1], const unsigned char* tail, size_t n);

// True when the window holds "/Encrypt", the key of the trailer or
// cross-reference stream dictionary of an encrypted PDF.
bool windowNamesEncryption(const char (&window)[kWindowSize + 1]);

// True when data begins with the PDF header "%PDF-".
bool hasPdfHeader(const unsigned char* data, size_t n);

}  // namespace pdftail
