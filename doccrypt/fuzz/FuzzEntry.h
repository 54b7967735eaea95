#pragma once

#include <cstddef>
#include <cstdint>

namespace doccrypt {

// Runs every parser of untrusted bytes over one input. The input is split:
// a little-endian 32-bit length, that many bytes of EncryptionInfo, and the
// rest as EncryptedPackage (or as a presentation's Current User and
// PowerPoint Document streams); the whole input also goes to the package,
// inflate and binary-stream readers.
void fuzzOne(const std::uint8_t* data, std::size_t size);

}  // namespace doccrypt
