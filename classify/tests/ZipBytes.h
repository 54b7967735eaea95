#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

// Builds ZIP archives byte by byte for the tests.
namespace test_zip {

struct Entry {
    std::string name;
    bool encrypted = false;
    bool dataDescriptor = false;
    std::string data = "content";
};

// Appends little-endian fields given as {byte width, value}.
inline void put(std::string& out, std::initializer_list<std::pair<int, std::uint32_t>> fields) {
    for (const auto& field : fields) {
        for (int i = 0; i < field.first; ++i) out += static_cast<char>((field.second >> (8 * i)) & 0xFF);
    }
}

// Local headers with their data, then the central directory and its end
// record. officeFlags gives the local headers the flags 0x0006 that Office
// writes, so that the archive starts with the Office package signature.
inline std::string archive(const std::vector<Entry>& entries, bool officeFlags = false) {
    std::string out;
    std::vector<std::uint32_t> offsets;
    for (const Entry& e : entries) {
        offsets.push_back(static_cast<std::uint32_t>(out.size()));
        std::uint32_t flags = (e.encrypted ? 0x0001u : 0u) | (e.dataDescriptor ? 0x0008u : 0u) | (officeFlags ? 0x0006u : 0u);
        auto size = static_cast<std::uint32_t>(e.data.size());
        auto stated = e.dataDescriptor ? 0 : size;
        put(out, {{4, 0x04034B50}, {2, 20}, {2, flags}, {2, 8}, {4, 0}, {4, 0}, {4, stated}, {4, stated},
                  {2, static_cast<std::uint32_t>(e.name.size())}, {2, 0}});
        out += e.name + e.data;
        if (e.dataDescriptor) put(out, {{4, 0x08074B50}, {4, 0}, {4, size}, {4, size}});
    }
    auto directoryStart = static_cast<std::uint32_t>(out.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[i];
        std::uint32_t flags = (e.encrypted ? 0x0001u : 0u) | (e.dataDescriptor ? 0x0008u : 0u);
        auto size = static_cast<std::uint32_t>(e.data.size());
        put(out, {{4, 0x02014B50}, {2, 20}, {2, 20}, {2, flags}, {2, 8}, {4, 0}, {4, 0}, {4, size}, {4, size},
                  {2, static_cast<std::uint32_t>(e.name.size())}, {2, 0}, {2, 0}, {2, 0}, {2, 0}, {4, 0},
                  {4, offsets[i]}});
        out += e.name;
    }
    auto count = static_cast<std::uint32_t>(entries.size());
    put(out, {{4, 0x06054B50}, {2, 0}, {2, 0}, {2, count}, {2, count},
              {4, static_cast<std::uint32_t>(out.size()) - directoryStart}, {4, directoryStart}, {2, 0}});
    return out;
}

}  // namespace test_zip
