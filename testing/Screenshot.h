#pragma once

#include <windows.h>

#include <string>

namespace testing_support {

// Paints window into a bitmap (PrintWindow, so it works without a window
// manager and when covered) and saves it as <screenshots>/<name>.png.
// Returns the file's path, or an empty text on failure.
std::string saveScreenshot(HWND window, const std::string& name);

}  // namespace testing_support
