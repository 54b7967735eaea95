#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "wingui/TarnwickIds.h"
#include "testing/TestPaths.h"

namespace {

std::string programPath() { return testing_support::nativePath(TARNWICK_BINARY_DIR) + "\\Tarnwick.exe"; }

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
    DWORD size = GetFileVersionInfoSizeA(programPath().c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(programPath().c_str(), 0, size, block.data()));
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
    HMODULE program = LoadLibraryExA(programPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(program, nullptr);
    for (int id : {IDI_TARNWICK, IDI_DECRYPT, IDI_PASSWORD, IDI_ENCRYPT, IDI_SUCCESS, IDI_FAILURE}) {
        for (int size : {16, 32}) {
            HANDLE icon = LoadImageA(program, MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0);
            EXPECT_NE(icon, nullptr) << "icon " << id << " at " << size;
            ICONINFO info = {};
            if (icon != nullptr && GetIconInfo(static_cast<HICON>(icon), &info)) {
                BITMAP bitmap = {};
                GetObjectA(info.hbmColor, sizeof bitmap, &bitmap);
                EXPECT_EQ(bitmap.bmWidth, size) << "icon " << id << " has its own " << size << "x" << size << " image";
                DeleteObject(info.hbmColor);
                DeleteObject(info.hbmMask);
            }
            if (icon != nullptr) DestroyIcon(static_cast<HICON>(icon));
        }
    }
    for (int id : {IDD_VERSION, IDD_PDFTK_SETTING, IDD_PASSWORD_EXPORTER, IDD_PDF_ACCESS_RIGHTS}) {
        EXPECT_NE(FindResourceA(program, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5)), nullptr) << "dialog " << id;
    }
    HRSRC manifest = FindResourceA(program, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    ASSERT_NE(manifest, nullptr);
    std::string text(static_cast<const char*>(LockResource(LoadResource(program, manifest))),
                     SizeofResource(program, manifest));
    EXPECT_NE(text.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(text.find("version=\"6.0.0.0\""), std::string::npos);
    FreeLibrary(program);
}
