#pragma once

#include <cstddef>

// The record walk of a ZIP archive held in memory: local file headers, data
// descriptors, central directory headers and the end record, in file order.
// Needs no Win32; every read stays between begin and end.
namespace zipwalk {

struct EntryCounts {
    int entries = 0;      // central-directory file entries (folders excluded)
    int encrypted = 0;    // of those, entries with flag bit 0x0001
    int unencrypted = 0;  // the others
};

constexpr unsigned long kLocalHeader = 0x04034B50UL;
constexpr unsigned long kCentralHeader = 0x02014B50UL;
constexpr unsigned long kEndOfCentralDirectory = 0x06054B50UL;
constexpr unsigned long kDataDescriptor = 0x08074B50UL;

// Walks the records from *cursor up to end and counts the central-directory
// entries. A read or skip happens only when its bytes lie wholly before end;
// otherwise nothing is read and the cursor stays. On return *cursor is where
// the walk stopped (after the end record, or where fewer than four bytes
// remain). A central-directory entry whose fixed fields or name could not be
// read whole, or whose name is empty or ends in '/', is not a file entry.
EntryCounts walkRecords(const unsigned char** cursor, const unsigned char* end);

}  // namespace zipwalk
