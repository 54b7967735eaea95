#include "wingui/Placement.h"
#include "wingui/DpiScale.h"

#include <gtest/gtest.h>

TEST(Placement, CentresOverTheParentAndKeepsToTheScreen) {
    struct Case {
        const char* what;
        int width, height;
        bool hasParent;
        ParentBounds parent;
        int x, y;
    } cases[] = {
        {"centred", 200, 100, true, {100, 100, 400, 300}, 200, 200},
        {"odd differences round towards zero", 200, 100, true, {0, 0, 301, 203}, 50, 51},
        {"wider than the parent rounds towards zero", 301, 201, true, {500, 500, 100, 100}, 400, 450},
        {"no parent", 200, 100, false, {}, 0, 0},
        {"past the right and bottom edges", 200, 100, true, {1200, 950, 300, 200}, 1080, 924},
        {"past the left and top edges", 200, 100, true, {-400, -300, 300, 200}, 0, 0},
        {"larger than the screen", 1500, 1100, true, {100, 100, 300, 200}, 0, 0},
        {"exactly at the edge", 200, 100, true, {1080, 924, 200, 100}, 1080, 924},
    };
    for (const Case& c : cases) {
        Placement placement = centeredPlacement(c.width, c.height, c.hasParent ? &c.parent : nullptr, 1280, 1024);
        EXPECT_EQ(placement.x, c.x) << c.what;
        EXPECT_EQ(placement.y, c.y) << c.what;
    }
}

TEST(DpiScale, SizesScaleToTheNearestPixelBothWays) {
    struct Case {
        int value, fromDpi, toDpi, scaled;
    } const cases[] = {
        {74, 96, 144, 111},   {3, 96, 144, 5},     {5, 96, 144, 8},     {-3, 96, 144, -5},  {0, 96, 144, 0},
        {18, 96, 120, 23},    {16, 96, 192, 32},   {1350, 144, 96, 900}, {1351, 144, 96, 901},
        {751, 120, 96, 601},  {450, 96, 96, 450},  {300, 144, 120, 250},
        // A DPI of 0 or less counts as 96.
        {100, 0, 144, 150},   {100, 96, -1, 100},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(rescaleForDpi(c.value, c.fromDpi, c.toDpi), c.scaled)
            << c.value << " from " << c.fromDpi << " to " << c.toDpi;
    }
    EXPECT_EQ(scaleForDpi(250, 144), 375);
    EXPECT_EQ(unscaleForDpi(375, 144), 250);
}
