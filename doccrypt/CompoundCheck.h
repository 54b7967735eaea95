#pragma once

// A check of a compound file's structure before the platform's structured
// storage reads it: the header, the sector allocation tables, the directory
// and every stream's sector chain must stay inside the file and end, and
// the directory tree must have no loops. Damaged files can otherwise send a
// reader round a broken chain for a long time. Portable; takes untrusted
// bytes and never reads outside them.

#include <cstddef>
#include <cstdint>
#include <string>

namespace doccrypt {

// True when the bytes are a compound file whose every chain and tree is
// sound; otherwise false with a reason.
bool checkCompoundFile(const std::uint8_t* data, std::size_t size, std::string& reason);

}  // namespace doccrypt
