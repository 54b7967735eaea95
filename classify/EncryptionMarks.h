#pragma once

#include <cstddef>

// Decisions on the first bytes of the binary Office streams. Needs no Win32.
namespace marks {

// Bytes read from the start of the "WordDocument" stream and of the
// "Workbook" stream.
constexpr size_t kWordHeaderBytes = 18;
constexpr size_t kWorkbookHeaderBytes = 32;

// The file information block: ident (little-endian 16 bits at offset 0) of
// at least 0xA5DC and fEncrypted (0x0100) or fWriteReservation (0x0800) set
// in the flags at offset 10. Bytes beyond count read as zero.
bool wordHeaderMarksEncryption(const unsigned char* fib, size_t count);

// BIFF8: the first record (BOF) is 20 bytes long, so the low byte of the
// second record's type sits at offset 20; FILEPASS (0x2F) or WRITEPROT
// (0x86) there means a password. Needs at least 21 bytes.
bool workbookHeaderMarksEncryption(const unsigned char* head, size_t count);

}  // namespace marks
