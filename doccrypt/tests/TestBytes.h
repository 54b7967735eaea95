#pragma once

// Byte helpers shared by the native tests of the document encryption.

#include <cstddef>
#include <cstdint>
#include <string>

#include "doccrypt/Crypto.h"
#include "doccrypt/OfficeCrypto.h"

namespace doccrypt::test_bytes {

inline Bytes fromHex(const std::string& hex) {
    Bytes out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) out.push_back(std::uint8_t(std::stoul(hex.substr(i, 2), nullptr, 16)));
    return out;
}

inline std::string toHex(const Bytes& b) {
    static const char* digits = "0123456789abcdef";
    std::string s;
    for (auto c : b) {
        s += digits[c >> 4];
        s += digits[c & 15];
    }
    return s;
}

inline Bytes text(const std::string& s) { return Bytes(s.begin(), s.end()); }

inline std::uint16_t le16(const Bytes& b, std::size_t at) { return std::uint16_t(b[at] | (b[at + 1] << 8)); }
inline std::uint32_t le32(const Bytes& b, std::size_t at) {
    return std::uint32_t(b[at]) | (std::uint32_t(b[at + 1]) << 8) | (std::uint32_t(b[at + 2]) << 16) |
           (std::uint32_t(b[at + 3]) << 24);
}
inline void setLe32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + std::size_t(i)] = std::uint8_t(v >> (8 * i));
}
inline void putLe32(Bytes& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(std::uint8_t(v >> (8 * i)));
}

// A deterministic stand-in for the system's random source: first, first + 1, ...
inline RandomFill countingFrom(std::uint8_t first) {
    return [n = first](std::uint8_t* p, std::size_t size) mutable {
        for (std::size_t i = 0; i < size; ++i) p[i] = n++;
    };
}

// Appends one BIFF record: type, body length, body.
inline void record(Bytes& s, std::uint16_t type, const Bytes& body) {
    s.push_back(std::uint8_t(type));
    s.push_back(std::uint8_t(type >> 8));
    s.push_back(std::uint8_t(body.size()));
    s.push_back(std::uint8_t(body.size() >> 8));
    s.insert(s.end(), body.begin(), body.end());
}

}  // namespace doccrypt::test_bytes
