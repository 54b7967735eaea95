#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Builds ZIP archives byte by byte for the tests.
namespace test_zip {

struct Entry {
    std::string name;
    bool encrypted = false;
    bool dataDescriptor = false;
    std::string data = "content";
};

inline void put16(std::string& out, unsigned value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

inline void put32(std::string& out, std::uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

// Local headers with their data, then the central directory and its end
// record. officeFlags gives the local headers the flags 0x0006 that Office
// writes, so that the archive starts with the Office package signature.
inline std::string archive(const std::vector<Entry>& entries, bool officeFlags = false) {
    std::string out;
    std::vector<std::uint32_t> offsets;
    for (const Entry& e : entries) {
        offsets.push_back(static_cast<std::uint32_t>(out.size()));
        unsigned flags = (e.encrypted ? 0x0001u : 0u) | (e.dataDescriptor ? 0x0008u : 0u) | (officeFlags ? 0x0006u : 0u);
        auto size = static_cast<std::uint32_t>(e.data.size());
        put32(out, 0x04034B50);
        put16(out, 20);
        put16(out, flags);
        put16(out, 8);
        put16(out, 0);
        put16(out, 0);
        put32(out, 0);
        put32(out, e.dataDescriptor ? 0 : size);
        put32(out, e.dataDescriptor ? 0 : size);
        put16(out, static_cast<unsigned>(e.name.size()));
        put16(out, 0);
        out += e.name;
        out += e.data;
        if (e.dataDescriptor) {
            put32(out, 0x08074B50);
            put32(out, 0);
            put32(out, size);
            put32(out, size);
        }
    }
    auto directoryStart = static_cast<std::uint32_t>(out.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[i];
        unsigned flags = (e.encrypted ? 0x0001u : 0u) | (e.dataDescriptor ? 0x0008u : 0u);
        auto size = static_cast<std::uint32_t>(e.data.size());
        put32(out, 0x02014B50);
        put16(out, 20);
        put16(out, 20);
        put16(out, flags);
        put16(out, 8);
        put16(out, 0);
        put16(out, 0);
        put32(out, 0);
        put32(out, size);
        put32(out, size);
        put16(out, static_cast<unsigned>(e.name.size()));
        put16(out, 0);
        put16(out, 0);
        put16(out, 0);
        put16(out, 0);
        put32(out, 0);
        put32(out, offsets[i]);
        out += e.name;
    }
    auto directorySize = static_cast<std::uint32_t>(out.size()) - directoryStart;
    put32(out, 0x06054B50);
    put16(out, 0);
    put16(out, 0);
    put16(out, static_cast<unsigned>(entries.size()));
    put16(out, static_cast<unsigned>(entries.size()));
    put32(out, directorySize);
    put32(out, directoryStart);
    put16(out, 0);
    return out;
}

}  // namespace test_zip
