#pragma once

#include <windows.h>

#include <string>

namespace testing_support {

// Paints window into a bitmap (PrintWindow, so it works without a window
// manager and when covered) and saves it as <screenshots>/<name>.png.
// Returns the file's path, or an empty text on failure.
std::string saveScreenshot(HWND window, const std::string& name);

// The screen DPI of the programs started while it lives (Wine reads
// HKCU\Control Panel\Desktop\LogPixels when a program starts); the value
// before comes back with the object.
class ScreenDpi {
public:
    explicit ScreenDpi(DWORD dpi);
    ~ScreenDpi();
    ScreenDpi(const ScreenDpi&) = delete;
    ScreenDpi& operator=(const ScreenDpi&) = delete;

private:
    DWORD previous_ = 0;
    bool hadValue_ = false;
};

}  // namespace testing_support
