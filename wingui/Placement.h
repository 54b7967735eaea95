#pragma once

// Where a dialog goes: centred over its parent and kept on the primary
// screen. Pure arithmetic, so that it builds and is tested without Win32.

struct Placement {
    int x;
    int y;
};

struct ParentBounds {
    int left;
    int top;
    int width;
    int height;
};

// The top-left corner of a width x height window: the parent's left and top
// plus half the difference of the sizes (integer division, as C rounds), or
// 0, 0 without a parent; then moved left and up so that it ends within the
// screen, but never left of or above 0.
Placement centeredPlacement(int width, int height, const ParentBounds* parent, int screenWidth, int screenHeight);
