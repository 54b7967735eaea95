#include <gtest/gtest.h>

#include <string>

#include "app/OfficeWindowClasses.h"

namespace {

struct ClassCase {
    const char* className;
    const char* extension;  // null: not an Office frame
};

const ClassCase kCases[] = {
    {"OpusApp", ".doc"},
    {"opusapp", ".doc"},
    {"OPUSAPP", ".doc"},
    {"PP11FrameClass", ".ppt"},
    {"pp12frameclass", ".ppt"},
    {"XLMAIN", ".xls"},
    {"xlMain", ".xls"},
    {"", nullptr},
    {"OpusApp2", nullptr},
    {"Opus", nullptr},
    {"PP10FrameClass", nullptr},
    {"Notepad", nullptr},
    {"Microsoft Word", nullptr},
    {"XLMAIN ", nullptr},
    {"\xc1pusApp", nullptr},
};

}  // namespace

TEST(OfficeWindowClasses, MapsTheFourFrameClassesWithoutRegardToCase) {
    for (const ClassCase& c : kCases) {
        SCOPED_TRACE(c.className);
        const char* extension = officeExtensionOfWindowClass(c.className);
        if (c.extension == nullptr) {
            EXPECT_EQ(extension, nullptr);
        } else {
            ASSERT_NE(extension, nullptr);
            EXPECT_EQ(std::string(extension), c.extension);
        }
    }
}

TEST(OfficeWindowClasses, NullIsNoOfficeClass) { EXPECT_EQ(officeExtensionOfWindowClass(nullptr), nullptr); }
