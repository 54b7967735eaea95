#include "helpviewer/NavigationWatch.h"

#include <cctype>
#include <cstring>

namespace lanternpane {

void NavigationWatch::noteProgress(std::uint64_t nowMs) {
    lastActivityMs_ = nowMs;
}

void NavigationWatch::noteError(std::uint64_t nowMs) {
    errorSeen_ = true;
    lastActivityMs_ = nowMs;
}

bool NavigationWatch::keepWaiting(bool busy, std::uint64_t nowMs) const {
    if (!busy) return false;
    // A clock that went backwards counts as no time passed.
    std::uint64_t quiet = nowMs > lastActivityMs_ ? nowMs - lastActivityMs_ : 0;
    if (errorSeen_ && quiet >= limits_.afterErrorMs) return false;
    return quiet < limits_.stallMs;
}

bool isBlankPage(const char* location) {
    static const char blank[] = "about:blank";
    if (location == nullptr) return false;
    std::size_t i = 0;
    for (; blank[i] != '\0'; ++i) {
        unsigned char c = static_cast<unsigned char>(location[i]);
        if (c == '\0' || std::tolower(c) != blank[i]) return false;
    }
    return location[i] == '\0';
}

}  // namespace lanternpane
