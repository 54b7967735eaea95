#include "MainLayout.h"

namespace main_layout {

namespace {
constexpr int kSplitterGap = 5;
constexpr int kSplitterWidth = 3;
constexpr int kButtonWidth = 74;
constexpr int kButtonStride = 80;
constexpr int kHistoryRoom = 250;
constexpr int kHistoryHeight = 120;
constexpr int kBandPadding = 4;
constexpr int kDragMargin = 4;
}  // namespace

Arrangement arrange(int clientWidth, int clientHeight, int statusHeight, int splitterPosition) {
    Arrangement result;
    const int top = statusHeight + kBandPadding;
    const int height = clientHeight - statusHeight - top;
    const int split = splitterPosition > 0 ? splitterPosition : clientWidth / 3;
    result.split = split;
    result.statusBar = {0, clientHeight - statusHeight, clientWidth, statusHeight};
    result.tree = {0, top, split - kSplitterGap, height};
    result.splitter = {split - 4, top, kSplitterWidth, height};
    result.list = {split, top, clientWidth - split, height};
    result.history = {2, 2, clientWidth - kHistoryRoom, kHistoryHeight};
    const int buttonHeight = top - 2;
    result.encrypt = {clientWidth - 3 * kButtonStride, 2, kButtonWidth, buttonHeight};
    result.decrypt = {clientWidth - 2 * kButtonStride, 2, kButtonWidth, buttonHeight};
    result.password = {clientWidth - kButtonStride, 2, kButtonWidth, buttonHeight};
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

bool isStorableSize(int width, int height, int screenWidth, int screenHeight) {
    return width > 100 && width <= screenWidth && height > 100 && height <= screenHeight;
}

int clampDrag(int position, int extent) {
    const int last = extent - kDragMargin;
    if (position > last) position = last;
    if (position < 0) position = 0;
    return position;
}

}  // namespace main_layout
