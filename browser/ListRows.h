#pragma once

#include <cstdint>
#include <string>

// The texts and colours of a file-list row, and which names the list shows.
// Plain functions, so that they build and are tested without Win32.
namespace listrows {

// The "Size(KB)" text: the size in KiB rounded up ("0" for an empty file,
// "1" for 1 to 1024 bytes, "2" for 1025), files of 4 GiB and more included.
std::string sizeText(std::uint64_t bytes);

// The "LastModified" text "yyyy/mm/dd hh:mm".
std::string dateText(unsigned year, unsigned month, unsigned day, unsigned hour, unsigned minute);

// The "Encrypted" text of an encryption state: "IRM" for kRightsManaged,
// "PWD" for kPasswordEncrypted, empty otherwise.
const char* stateText(int state);

// True for the names the list shows: those of a file kind (Office
// documents, ".xps" and ".pdf"), without regard to case.
bool isListedName(const char* name);

// True when folder + name (and its terminator) fits a path buffer of
// capacity characters; a longer path is left out, never cut.
bool fitsPath(std::size_t folderLength, std::size_t nameLength, std::size_t capacity);

// The text colour of a row as 0x00BBGGRR: blue for protected rows (item
// data not kNotProtected), grey for plain ones.
std::uint32_t textColour(long itemData);

}  // namespace listrows
