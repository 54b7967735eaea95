#include "wingui/Placement.h"

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
