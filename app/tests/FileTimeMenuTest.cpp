#include "app/FileTimeMenu.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "resources/TarnwickIds.h"
#include "settings/tests/RawSettings.h"
#include "testing/ModalDriver.h"

using namespace testing_support;

namespace {

class FileTimeMenuTest : public testing::Test {
protected:
    void SetUp() override { raw_settings::removeKey(); }
    void TearDown() override { raw_settings::removeKey(); }
};

TEST_F(FileTimeMenuTest, FollowsAndFlipsTheSetting) {
    OwnerWindow window(0, 0, 300, 200, false);
    HMENU bar = CreateMenu();
    HMENU option = CreatePopupMenu();
    AppendMenuA(option, MF_STRING, IDM_DONT_UPDATE_LASTMODIFIED, "Don't Update LastModified (&U)");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(option), "Option");
    SetMenu(window.get(), bar);
    auto checked = [&] {
        return (GetMenuState(bar, IDM_DONT_UPDATE_LASTMODIFIED, MF_BYCOMMAND) & MF_CHECKED) != 0;
    };

    raw_settings::putText("DonotUdateFileTime", "TRUE");
    CheckMenuItem(bar, IDM_DONT_UPDATE_LASTMODIFIED, MF_BYCOMMAND | MF_CHECKED);
    showDonotUpdateFileTimeMark(window.get());
    EXPECT_FALSE(checked()) << "only \"true\" checks the item";

    EXPECT_TRUE(toggleDonotUpdateFileTime(window.get()));
    EXPECT_TRUE(checked());
    EXPECT_TRUE(raw_settings::isStoredText("DonotUdateFileTime", "true"));

    // A highlighted item still flips by its check mark alone.
    MENUITEMINFOA item = {};
    item.cbSize = sizeof item;
    item.fMask = MIIM_STATE;
    item.fState = MFS_CHECKED | MFS_HILITE;
    SetMenuItemInfoA(bar, IDM_DONT_UPDATE_LASTMODIFIED, FALSE, &item);
    EXPECT_FALSE(toggleDonotUpdateFileTime(window.get()));
    EXPECT_FALSE(checked());
    EXPECT_TRUE(raw_settings::isStoredText("DonotUdateFileTime", "false"));

    showDonotUpdateFileTimeMark(window.get());
    EXPECT_FALSE(checked());
    raw_settings::putText("DonotUdateFileTime", "true");
    showDonotUpdateFileTimeMark(window.get());
    EXPECT_TRUE(checked());
}

}  // namespace
