#include "MainLayout.h"

#include "wingui/DpiScale.h"

namespace main_layout {

namespace {
// At 96 DPI.
constexpr int kSplitterGap = 5;
constexpr int kSplitterWidth = 3;
constexpr int kButtonWidth = 74;
constexpr int kButtonStride = 80;
constexpr int kHistoryRoom = 250;
constexpr int kHistoryHeight = 120;
constexpr int kBandPadding = 4;
constexpr int kDragMargin = 4;
constexpr int kSplitterOffset = 4;
constexpr int kEdge = 2;
}  // namespace

Arrangement arrange(int clientWidth, int clientHeight, int statusHeight, int splitterPosition, int dpi) {
    const auto scaled = [dpi](int value) { return scaleForDpi(value, dpi); };
    Arrangement result;
    const int top = statusHeight + scaled(kBandPadding);
    const int height = clientHeight - statusHeight - top;
    const int split = splitterPosition > 0 ? splitterPosition : clientWidth / 3;
    const int buttonWidth = scaled(kButtonWidth);
    const int stride = scaled(kButtonStride);
    result.split = split;
    result.statusBar = {0, clientHeight - statusHeight, clientWidth, statusHeight};
    result.tree = {0, top, split - scaled(kSplitterGap), height};
    result.splitter = {split - scaled(kSplitterOffset), top, scaled(kSplitterWidth), height};
    result.list = {split, top, clientWidth - split, height};
    result.history = {scaled(kEdge), scaled(kEdge), clientWidth - scaled(kHistoryRoom), scaled(kHistoryHeight)};
    const int buttonTop = scaled(kEdge);
    const int buttonHeight = top - buttonTop;
    result.encrypt = {clientWidth - 3 * stride, buttonTop, buttonWidth, buttonHeight};
    result.decrypt = {clientWidth - 2 * stride, buttonTop, buttonWidth, buttonHeight};
    result.password = {clientWidth - stride, buttonTop, buttonWidth, buttonHeight};
    return result;
}

Geometry usableGeometry(int x, int y, int width, int height) {
    Geometry geometry;
    if (x > 0) geometry.x = x;
    if (y > 0) geometry.y = y;
    if (width > 0) geometry.width = width;
    if (height > 0) geometry.height = height;
    return geometry;
}

Geometry geometryAtDpi(const Geometry& stored, int dpi) {
    return {scaleForDpi(stored.x, dpi), scaleForDpi(stored.y, dpi), scaleForDpi(stored.width, dpi),
            scaleForDpi(stored.height, dpi)};
}

Geometry geometryToStore(const Geometry& onScreen, int dpi) {
    return {unscaleForDpi(onScreen.x, dpi), unscaleForDpi(onScreen.y, dpi), unscaleForDpi(onScreen.width, dpi),
            unscaleForDpi(onScreen.height, dpi)};
}

bool isStorableSize(int width, int height, int screenWidth, int screenHeight) {
    return width > 100 && width <= screenWidth && height > 100 && height <= screenHeight;
}

int clampDrag(int position, int extent, int dpi) {
    const int last = extent - scaleForDpi(kDragMargin, dpi);
    if (position > last) position = last;
    if (position < 0) position = 0;
    return position;
}

}  // namespace main_layout
