#include "wingui/Placement.h"

namespace {

int keepOnScreen(int position, int size, int screenSize) {
    if (position + size > screenSize) position = screenSize - size;
    if (position < 0) position = 0;
    return position;
}

}  // namespace

Placement centeredPlacement(int width, int height, const ParentBounds* parent, int screenWidth, int screenHeight) {
    Placement placement = {0, 0};
    if (parent != nullptr) {
        placement.x = parent->left + (parent->width - width) / 2;
        placement.y = parent->top + (parent->height - height) / 2;
    }
    placement.x = keepOnScreen(placement.x, width, screenWidth);
    placement.y = keepOnScreen(placement.y, height, screenHeight);
    return placement;
}
