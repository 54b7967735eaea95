#include <gtest/gtest.h>

#include <tuple>
#include <utility>

#include "app/MainLayout.h"

using main_layout::arrange;
using main_layout::Box;

TEST(MainLayout, DefaultSplitIsAThirdAndEverythingTilesTheClientArea) {
    const auto layout = arrange(900, 600, 20, 0, 96);
    EXPECT_EQ(layout.split, 300);
    EXPECT_EQ(layout.statusBar, (Box{0, 580, 900, 20}));
    // The band at the top is as high as the status bar plus 4.
    EXPECT_EQ(layout.tree, (Box{0, 24, 295, 556}));
    EXPECT_EQ(layout.splitter, (Box{296, 24, 3, 556}));
    EXPECT_EQ(layout.list, (Box{300, 24, 600, 556}));
    // Tree, splitter and list end where the status bar begins.
    EXPECT_EQ(layout.list.y + layout.list.height, layout.statusBar.y);
    EXPECT_EQ(layout.history, (Box{2, 2, 650, 120}));
    EXPECT_EQ(layout.encrypt, (Box{660, 2, 74, 22}));
    EXPECT_EQ(layout.decrypt, (Box{740, 2, 74, 22}));
    EXPECT_EQ(layout.password, (Box{820, 2, 74, 22}));
    // The buttons do not overlap each other or the history box.
    EXPECT_LT(layout.history.x + layout.history.width, layout.encrypt.x);
    EXPECT_LT(layout.encrypt.x + layout.encrypt.width, layout.decrypt.x);
    EXPECT_LE(layout.password.x + layout.password.width, 900);
}

// Every part of a window scaled with its screen keeps its proportions: it is
// the part of the 96 DPI window, scaled, to within the rounding of a pixel.
TEST(MainLayout, PartsScaleWithTheScreen) {
    const auto base = arrange(900, 600, 20, 0, 96);
    for (int dpi : {96, 120, 144, 168, 192, 288}) {
        const auto s = [dpi](int value) { return value * dpi / 96; };
        const auto layout = arrange(s(900), s(600), s(20), 0, dpi);
        const std::pair<Box, Box> parts[] = {
            {base.statusBar, layout.statusBar}, {base.tree, layout.tree},       {base.splitter, layout.splitter},
            {base.list, layout.list},           {base.history, layout.history}, {base.encrypt, layout.encrypt},
            {base.decrypt, layout.decrypt},     {base.password, layout.password},
        };
        for (const auto& [at96, scaled] : parts) {
            EXPECT_NEAR(scaled.x, s(at96.x), 1) << dpi;
            EXPECT_NEAR(scaled.y, s(at96.y), 1) << dpi;
            EXPECT_NEAR(scaled.width, s(at96.width), 1) << dpi;
            EXPECT_NEAR(scaled.height, s(at96.height), 1) << dpi;
        }
    }
}

TEST(MainLayout, OnlyAPositiveSplitterPositionIsKept) {
    EXPECT_EQ(arrange(900, 600, 20, 450, 96).split, 450);
    EXPECT_EQ(arrange(900, 600, 20, 450, 96).list, (Box{450, 24, 450, 556}));
    // A drag that ended at or beyond the left edge leaves the default.
    EXPECT_EQ(arrange(900, 600, 20, 0, 96).split, 300);
    EXPECT_EQ(arrange(900, 600, 20, -3, 96).split, 300);
    EXPECT_EQ(arrange(901, 600, 20, 0, 96).split, 300);
}

TEST(MainLayout, StoredGeometryDefaultsAndWhatIsWorthStoring) {
    const auto stored = main_layout::usableGeometry(10, 20, 800, 500);
    EXPECT_EQ(stored.x, 10);
    EXPECT_EQ(stored.height, 500);
    // Missing numbers arrive as CW_USEDEFAULT, which is negative.
    const auto missing = main_layout::usableGeometry(static_cast<int>(0x80000000u), 0, -5, 0);
    EXPECT_EQ(missing.x, 0);
    EXPECT_EQ(missing.y, 0);
    EXPECT_EQ(missing.width, 600);
    EXPECT_EQ(missing.height, 300);

    EXPECT_TRUE(main_layout::isStorableSize(101, 101, 1280, 1024));
    EXPECT_TRUE(main_layout::isStorableSize(1280, 1024, 1280, 1024));
    EXPECT_FALSE(main_layout::isStorableSize(50, 50, 1280, 1024));
    EXPECT_FALSE(main_layout::isStorableSize(100, 500, 1280, 1024));
    EXPECT_FALSE(main_layout::isStorableSize(500, 1025, 1280, 1024));
    // A minimised window's rectangle is tiny.
    EXPECT_FALSE(main_layout::isStorableSize(160, 28, 1280, 1024));
}

// The stored numbers are 96 DPI pixels: the same value opens the window as
// large on every screen, and storing what was opened gives it back.
TEST(MainLayout, StoredGeometryIsIn96DpiPixels) {
    const struct {
        int dpi;
        main_layout::Geometry stored, onScreen;
    } cases[] = {
        {96, {40, 40, 900, 560}, {40, 40, 900, 560}},
        {144, {40, 40, 900, 560}, {60, 60, 1350, 840}},
        {120, {41, 7, 601, 301}, {51, 9, 751, 376}},
    };
    for (const auto& c : cases) {
        const auto opened = main_layout::geometryAtDpi(c.stored, c.dpi);
        const auto back = main_layout::geometryToStore(opened, c.dpi);
        EXPECT_EQ(std::make_tuple(opened.x, opened.y, opened.width, opened.height),
                  std::make_tuple(c.onScreen.x, c.onScreen.y, c.onScreen.width, c.onScreen.height)) << c.dpi;
        EXPECT_EQ(std::make_tuple(back.x, back.y, back.width, back.height),
                  std::make_tuple(c.stored.x, c.stored.y, c.stored.width, c.stored.height)) << c.dpi;
    }
}

TEST(MainLayout, DragStaysInsideTheWindow) {
    EXPECT_EQ(main_layout::clampDrag(-40, 600, 96), 0);
    EXPECT_EQ(main_layout::clampDrag(0, 600, 96), 0);
    EXPECT_EQ(main_layout::clampDrag(300, 600, 96), 300);
    EXPECT_EQ(main_layout::clampDrag(596, 600, 96), 596);
    EXPECT_EQ(main_layout::clampDrag(2000, 600, 96), 596);
    EXPECT_EQ(main_layout::clampDrag(2000, 900, 144), 894);
}
