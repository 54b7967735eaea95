#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ProgramDriver.h"
#include "resources/TarnwickIds.h"
#include "testing/TestPaths.h"

namespace {

std::string versionString(const std::vector<char>& block, const char* name) {
    char* value = nullptr;
    UINT length = 0;
    std::string query = std::string("\\StringFileInfo\\040904b0\\") + name;
    if (!VerQueryValueA(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &length)) return {};
    return value;
}

}  // namespace

TEST(TarnwickResources, VersionInformation) {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(program_driver::tarnwickPath().c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(program_driver::tarnwickPath().c_str(), 0, size, block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(0, 1));
    EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(2, 0));
    EXPECT_EQ(versionString(block, "ProductName"), "Tarnwick 1.0");
    EXPECT_EQ(versionString(block, "ProductVersion"), "1.0.0.2");
    EXPECT_EQ(versionString(block, "FileVersion"), "1.0.0.2");
}

TEST(TarnwickResources, IconsDialogsAndManifest) {
    HMODULE program = LoadLibraryExA(program_driver::tarnwickPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(program, nullptr);
    for (int id : {IDI_TARNWICK, IDI_DECRYPT, IDI_PASSWORD, IDI_ENCRYPT, IDI_SUCCESS, IDI_FAILURE}) {
        HRSRC group = FindResourceA(program, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(14));  // RT_GROUP_ICON
        ASSERT_NE(group, nullptr) << "icon " << id;
        auto* directory = static_cast<BYTE*>(LockResource(LoadResource(program, group)));
        // Small and large at 100, 125, 150 and 200 %: each size is drawn
        // for itself, none stretched from another.
        for (int size : {16, 20, 24, 32, 48}) {
            const int image = LookupIconIdFromDirectoryEx(directory, TRUE, size, size, LR_DEFAULTCOLOR);
            HRSRC found = FindResourceA(program, MAKEINTRESOURCEA(image), MAKEINTRESOURCEA(3));  // RT_ICON
            ASSERT_NE(found, nullptr) << "icon " << id << " at " << size;
            const auto* header = static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(program, found)));
            EXPECT_EQ(header->biWidth, size) << "icon " << id << " has its own " << size << "x" << size << " image";
            EXPECT_EQ(header->biBitCount, 32) << "icon " << id << " at " << size;
        }
    }
    for (int id : {IDD_VERSION, IDD_PDFTK_SETTING, IDD_PASSWORD_EXPORTER, IDD_PDF_ACCESS_RIGHTS}) {
        EXPECT_NE(FindResourceA(program, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5)), nullptr) << "dialog " << id;
    }
    FreeLibrary(program);
}

// Both programs: common controls 6 and per-monitor DPI awareness (v2, then
// v1), with the older element for systems that read only that one.
TEST(TarnwickResources, ManifestsAskForCommonControls6AndPerMonitorDpi) {
    for (const char* name : {"Tarnwick.exe", "Lanternpane.exe"}) {
        SCOPED_TRACE(name);
        const std::string path = testing_support::nativePath(TARNWICK_BINARY_DIR) + "\\" + name;
        HMODULE program = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(program, nullptr);
        HRSRC manifest = FindResourceA(program, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
        ASSERT_NE(manifest, nullptr);
        const std::string text(static_cast<const char*>(LockResource(LoadResource(program, manifest))),
                               SizeofResource(program, manifest));
        for (const char* part : {"Microsoft.Windows.Common-Controls", "version=\"6.0.0.0\"",
                                 "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true/pm<",
                                 "<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">"
                                 "PerMonitorV2, PerMonitor<"}) {
            EXPECT_NE(text.find(part), std::string::npos) << part;
        }
        FreeLibrary(program);
    }
}
