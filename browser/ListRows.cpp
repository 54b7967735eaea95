#include "browser/ListRows.h"

#include <cstdio>

#include "classify/EncryptionState.h"
#include "classify/FileType.h"

namespace listrows {

namespace {

constexpr std::uint32_t rgb(unsigned r, unsigned g, unsigned b) { return r | (g << 8) | (b << 16); }

}  // namespace

std::string sizeText(std::uint64_t bytes) {
    const std::uint64_t kib = bytes / 1024 + (bytes % 1024 != 0 ? 1 : 0);
    char text[24];
    std::snprintf(text, sizeof text, "%llu", static_cast<unsigned long long>(kib));
    return text;
}

std::string dateText(unsigned year, unsigned month, unsigned day, unsigned hour, unsigned minute) {
    char text[64];
    std::snprintf(text, sizeof text, "%.4u/%.2u/%.2u %.2u:%.2u", year, month, day, hour, minute);
    return text;
}

const char* stateText(int state) {
    switch (state) {
        case kRightsManaged: return "IRM";
        case kPasswordEncrypted: return "PWD";
        default: return "";
    }
}

bool isListedName(const char* name) { return fileKindOf(name) != nullptr; }

bool fitsPath(std::size_t folderLength, std::size_t nameLength, std::size_t capacity) {
    return folderLength < capacity && nameLength < capacity - folderLength;
}

std::uint32_t textColour(long itemData) { return itemData != kNotProtected ? rgb(0, 0, 255) : rgb(128, 128, 128); }

}  // namespace listrows
