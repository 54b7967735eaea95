#include "settings/OptionDialogs.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "testing/ModalDriver.h"
#include "RawSettings.h"
#include "resources/TarnwickIds.h"
#include "testing/Screenshot.h"
#include "testing/TestPaths.h"

using namespace testing_support;

namespace {

const char kToolkitTitle[] = "PDF Toolkit Setting";
const char kRightsTitle[] = "Access Rights to Encrypted PDF Files (pdftk)";

class OptionDialogsTest : public testing::Test {
protected:
    void SetUp() override { raw_settings::removeKey(); }
    void TearDown() override { raw_settings::removeKey(); }

    template <typename Dialog>
    INT_PTR show(std::vector<ModalDriver::Step> steps) {
        INT_PTR result = -1;
        ModalDriver::run(
            [&] {
                Dialog dialog;
                dialog.prepare(owner_);
                result = dialog.show();
            },
            std::move(steps));
        return result;
    }

    ModalDriver::Step find(const char* title) {
        return [this, title] { return (dialog_ = findThreadWindow(title)) != nullptr; };
    }
    ModalDriver::Step press(int id) {
        return [this, id] {
            click(dialog_, id);
            return true;
        };
    }
    // Waits half a second (the dialog's loop keeps running meanwhile).
    ModalDriver::Step pause() {
        return [this] {
            if (pauseStart_ == 0) pauseStart_ = GetTickCount();
            if (GetTickCount() - pauseStart_ < 500) return false;
            pauseStart_ = 0;
            return true;
        };
    }
    std::string pathField() { return windowText(GetDlgItem(dialog_, IDC_PDFTK_PATH)); }
    UINT state(int id) { return IsDlgButtonChecked(dialog_, id); }

    HWND owner_ = sharedOwnerWindow();
    HWND dialog_ = nullptr;
    DWORD pauseStart_ = 0;
};

HWND findDescendant(HWND parent, const char* className) {
    struct Search {
        const char* className;
        HWND found;
    } search = {className, nullptr};
    if (parent == nullptr) return nullptr;
    EnumChildWindows(
        parent,
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            char name[64] = {};
            GetClassNameA(window, name, sizeof name);
            if (lstrcmpiA(name, s->className) != 0) return TRUE;
            s->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

const int kDisabledRights[] = {IDC_RIGHT_MODIFY_CONTENTS, IDC_RIGHT_ASSEMBLY,          IDC_RIGHT_SCREEN_READERS,
                               IDC_RIGHT_MODIFY_ANNOTATIONS, IDC_RIGHT_FILL_IN, IDC_RIGHT_ALL_FEATURES};

}  // namespace

TEST_F(OptionDialogsTest, ToolkitSettingStoresATypedPathOnlyOnOkAndRefusesAnEmptyOne) {
    INT_PTR result = show<PdfToolkitSettingDialog>({
        find(kToolkitTitle),
        [&] {
            EXPECT_EQ(pathField(), "") << "fresh system";
            EXPECT_TRUE(isCentredOver(dialog_, owner_));
            LITEM link = {};
            link.mask = LIF_URL | LIF_ITEMINDEX;
            EXPECT_TRUE(SendMessageA(GetDlgItem(dialog_, IDC_PDFTK_LINK), LM_GETITEM, 0,
                                     reinterpret_cast<LPARAM>(&link)));
            EXPECT_EQ(std::wstring(link.szUrl).rfind(L"https://", 0), 0u) << "the link has an address";
            return true;
        },
        press(IDOK),
        pause(),
        [&] {
            EXPECT_TRUE(IsWindow(dialog_)) << "OK with an empty path closed the dialog";
            typeInto(GetDlgItem(dialog_, IDC_PDFTK_PATH), "C:\\Program Files\\PDF tools\\pdftk.exe");
            EXPECT_FALSE(saveScreenshot(dialog_, "PdfToolkitSetting").empty());
            return true;
        },
        press(IDOK),
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(raw_settings::valueCount(), 1u);
    EXPECT_TRUE(raw_settings::isStoredText("PathForPDFTK", "C:\\Program Files\\PDF tools\\pdftk.exe"));
}

TEST_F(OptionDialogsTest, ToolkitSettingShowsTheStoredPathAndCancelKeepsIt) {
    raw_settings::putText("PathForPDFTK", " D:\\bin\\pdftk.exe ");
    INT_PTR result = show<PdfToolkitSettingDialog>({find(kToolkitTitle), [&] {
                                                        EXPECT_EQ(pathField(), "D:\\bin\\pdftk.exe");
                                                        typeInto(GetDlgItem(dialog_, IDC_PDFTK_PATH), "E:\\other.exe");
                                                        click(dialog_, IDCANCEL);
                                                        return true;
                                                    }});
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_TRUE(raw_settings::isStoredText("PathForPDFTK", " D:\\bin\\pdftk.exe "));
}

TEST_F(OptionDialogsTest, ReferFillsThePathFromTheOpenFileDialog) {
    std::string folder = freshFolder("settings-refer");
    std::string program = folder + "\\pdftk.exe";
    std::ofstream(program) << "MZ";
    HWND open = nullptr;
    INT_PTR result = show<PdfToolkitSettingDialog>({
        find(kToolkitTitle),
        press(IDC_PDFTK_REFER),
        [&] { return (open = findThreadWindow("Open")) != nullptr; },
        [&] {
            // The file name box: an edit (edt1), or an edit somewhere inside the combo box cmb13.
            HWND name = GetDlgItem(open, 0x480);
            if (name == nullptr) name = findDescendant(GetDlgItem(open, 0x47c), "Edit");
            EXPECT_NE(name, nullptr);
            typeInto(name, program);
            PostMessageA(open, WM_COMMAND, IDOK, 0);
            return true;
        },
        [&] { return findThreadWindow("Open") == nullptr; },
        [&] {
            EXPECT_EQ(pathField(), program);
            click(dialog_, IDOK);
            return true;
        },
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_TRUE(raw_settings::isStoredText("PathForPDFTK", program));
}

TEST_F(OptionDialogsTest, AccessRightsOpenFromTheSettingsAndCancelStoresNothing) {
    raw_settings::putText("Printing", "false");
    INT_PTR result = show<PdfAccessRightsDialog>({
        find(kRightsTitle),
        [&] {
            EXPECT_EQ(state(IDC_RIGHT_PRINTING), BST_UNCHECKED);
            EXPECT_EQ(state(IDC_RIGHT_COPY_CONTENTS), BST_CHECKED) << "absent means yes";
            for (int id : kDisabledRights) {
                EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog_, id))) << id;
                EXPECT_EQ(state(id), BST_UNCHECKED) << id;
            }
            EXPECT_TRUE(isCentredOver(dialog_, owner_));
            EXPECT_FALSE(saveScreenshot(dialog_, "PdfAccessRights").empty());
            return true;
        },
        press(IDC_RIGHT_PRINTING),
        press(IDC_RIGHT_COPY_CONTENTS),
        [&] { return state(IDC_RIGHT_PRINTING) == BST_CHECKED && state(IDC_RIGHT_COPY_CONTENTS) == BST_UNCHECKED; },
        press(IDCANCEL),
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_TRUE(raw_settings::isStoredText("Printing", "false"));
    EXPECT_EQ(raw_settings::valueCount(), 1u);
}

TEST_F(OptionDialogsTest, AccessRightsOkStoresBothBoxesAndNothingElse) {
    struct Case {
        bool clickPrinting, clickCopy;
        const char* printing;
        const char* copy;
    } cases[] = {
        {true, true, "false", "false"},
        {false, true, "true", "false"},
    };
    for (const Case& c : cases) {
        raw_settings::removeKey();
        // Mouse clicks, one per tick, on the chosen boxes and on every disabled one.
        std::vector<ModalDriver::Step> steps = {find(kRightsTitle)};
        std::vector<int> clicks;
        if (c.clickPrinting) clicks.push_back(IDC_RIGHT_PRINTING);
        if (c.clickCopy) clicks.push_back(IDC_RIGHT_COPY_CONTENTS);
        clicks.insert(clicks.end(), std::begin(kDisabledRights), std::end(kDisabledRights));
        for (int id : clicks) {
            steps.push_back([this, id] {
                mouseClick(GetDlgItem(dialog_, id));
                return true;
            });
        }
        steps.push_back(pause());
        steps.push_back([&] {
            EXPECT_EQ(state(IDC_RIGHT_PRINTING), c.clickPrinting ? BST_UNCHECKED : BST_CHECKED);
            EXPECT_EQ(state(IDC_RIGHT_COPY_CONTENTS), c.clickCopy ? BST_UNCHECKED : BST_CHECKED);
            for (int id : kDisabledRights) EXPECT_EQ(state(id), BST_UNCHECKED) << id;
            mouseClick(GetDlgItem(dialog_, IDOK));
            return true;
        });
        INT_PTR result = show<PdfAccessRightsDialog>(std::move(steps));
        EXPECT_EQ(result, IDOK);
        EXPECT_TRUE(raw_settings::isStoredText("Printing", c.printing));
        EXPECT_TRUE(raw_settings::isStoredText("CopyContents", c.copy));
        EXPECT_EQ(raw_settings::valueCount(), 2u);
    }
}

TEST_F(OptionDialogsTest, VersionBoxShowsTheProgramIcon) {
    INT_PTR result = show<VersionDialog>({find("Tarnwick"), [&] {
                                              EXPECT_NE(SendDlgItemMessageA(dialog_, IDC_VERSION_ICON, STM_GETICON, 0, 0),
                                                        0);
                                              EXPECT_TRUE(isCentredOver(dialog_, owner_));
                                              EXPECT_FALSE(saveScreenshot(dialog_, "Version").empty());
                                              click(dialog_, IDOK);
                                              return true;
                                          }});
    EXPECT_EQ(result, IDOK);
}
