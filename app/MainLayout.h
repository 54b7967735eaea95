#pragma once

// The arithmetic of the main window's layout, splitter drag and stored
// geometry. No Win32 here: the window code feeds in the measured sizes and
// applies the rectangles.

namespace main_layout {

struct Box {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

inline bool operator==(const Box& a, const Box& b) {
    return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}

// Where every part of the main window goes for a client area of
// clientWidth x clientHeight, a status bar statusHeight high and the
// splitter position the user chose (0 or less: the default third), all in
// pixels of a window drawn at dpi: the fixed sizes (gaps, buttons, the
// history box's room) are given for 96 DPI and scaled.
struct Arrangement {
    Box statusBar;
    Box tree;  // also the shell's namespace control, where there is one
    Box splitter;
    Box list;
    Box history;
    Box encrypt;
    Box decrypt;
    Box password;
    int split = 0;  // x of the list's left edge
};

Arrangement arrange(int clientWidth, int clientHeight, int statusHeight, int splitterPosition, int dpi);

// The window's stored geometry with every number that is missing or not
// above 0 replaced: x and y by 0, width by 600, height by 300.
struct Geometry {
    int x = 0;
    int y = 0;
    int width = 600;
    int height = 300;
};
Geometry usableGeometry(int x, int y, int width, int height);

// The stored geometry ("Geometry") is in pixels at 96 DPI, the numbers a
// program unaware of scaling sees on every screen: these convert between
// it and the pixels of a window drawn at dpi.
Geometry geometryAtDpi(const Geometry& stored, int dpi);
Geometry geometryToStore(const Geometry& onScreen, int dpi);

// Whether a window of this size is worth storing: wider and higher than
// 100 and no larger than the screen. A minimised window is not.
bool isStorableSize(int width, int height, int screenWidth, int screenHeight);

// A splitter drag position, relative to the window rectangle, kept inside
// it: 0 ... width - 4 and 0 ... height - 4 (4 at 96 DPI, scaled).
int clampDrag(int position, int extent, int dpi);

}  // namespace main_layout
