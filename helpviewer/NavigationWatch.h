#pragma once

#include <cstdint>

namespace lanternpane {

// Decides how long a synchronous navigation keeps waiting for the browser
// control. Normally the wait ends when the control is no longer busy. A
// control that can never finish (no HTML engine: it reports a navigation
// error and then stays busy forever) must not hold the program: the wait
// also ends when a navigation error was reported and nothing happened for
// afterErrorMs since, or when nothing at all happened for stallMs. Leaving
// early is harmless: a page that still loads goes on loading in the
// program's main loop.
class NavigationWatch {
public:
    struct Limits {
        std::uint64_t afterErrorMs = 1000;
        std::uint64_t stallMs = 15000;
    };

    NavigationWatch(std::uint64_t startMs, Limits limits) : limits_(limits), lastActivityMs_(startMs) {}
    explicit NavigationWatch(std::uint64_t startMs) : NavigationWatch(startMs, Limits()) {}

    // Any sign of life from the control: an event or a changed ready state.
    void noteProgress(std::uint64_t nowMs);
    // The control reported that a navigation failed.
    void noteError(std::uint64_t nowMs);

    bool keepWaiting(bool busy, std::uint64_t nowMs) const;

private:
    Limits limits_;
    std::uint64_t lastActivityMs_;
    bool errorSeen_ = false;
};

// Lanternpane never lists the start page in its address history.
bool isBlankPage(const char* location);

}  // namespace lanternpane
