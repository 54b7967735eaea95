#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

// A picture of a window: width x height pixels, rows top down, each pixel
// 0x00RRGGBB.
struct WindowImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// Paints window as saveScreenshot does; an empty image on failure.
WindowImage captureWindow(HWND window);

// The icon drawn at size x size pixels over the background colour
// (0x00RRGGBB); an empty image without an icon.
WindowImage drawIcon(HICON icon, int size, std::uint32_t background);
// The icon resource id of module drawn at size x size pixels over the
// background colour (0x00RRGGBB); an empty image when there is no such icon.
WindowImage drawIconResource(HMODULE module, int id, int size, std::uint32_t background);

// The share (0 to 1) of the pixels of part that match picture with part's
// top-left corner at (x, y), each colour channel within tolerance; 0 where
// part does not fit.
double matchShare(const WindowImage& picture, int x, int y, const WindowImage& part, int tolerance);
// The best matchShare for part placed within a box of picture (its corner
// anywhere from (left, top) to (right, bottom), inclusive).
double bestMatchShare(const WindowImage& picture, const RECT& corners, const WindowImage& part, int tolerance);

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
