#include <gtest/gtest.h>

#include "app/MainLayout.h"

using main_layout::arrange;
using main_layout::Box;

TEST(MainLayout, DefaultSplitIsAThirdAndEverythingTilesTheClientArea) {
    const auto layout = arrange(900, 600, 20, 0);
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

TEST(MainLayout, OnlyAPositiveSplitterPositionIsKept) {
    EXPECT_EQ(arrange(900, 600, 20, 450).split, 450);
    EXPECT_EQ(arrange(900, 600, 20, 450).list, (Box{450, 24, 450, 556}));
    // A drag that ended at or beyond the left edge leaves the default.
    EXPECT_EQ(arrange(900, 600, 20, 0).split, 300);
    EXPECT_EQ(arrange(900, 600, 20, -3).split, 300);
    EXPECT_EQ(arrange(901, 600, 20, 0).split, 300);
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

TEST(MainLayout, DragStaysInsideTheWindow) {
    EXPECT_EQ(main_layout::clampDrag(-40, 600), 0);
    EXPECT_EQ(main_layout::clampDrag(0, 600), 0);
    EXPECT_EQ(main_layout::clampDrag(300, 600), 300);
    EXPECT_EQ(main_layout::clampDrag(596, 600), 596);
    EXPECT_EQ(main_layout::clampDrag(2000, 600), 596);
}
