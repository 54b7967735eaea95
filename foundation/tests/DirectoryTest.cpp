#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "foundation/AnsiCodePage.h"
#include "foundation/Directory.h"
#include "testing/TestPaths.h"

namespace {

bool isFolder(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

TEST(Directory, CreatesWholeChains) {
    const std::string root = testing_support::freshFolder("DirectoryChains");
    struct Case {
        std::string path;
        std::vector<std::string> folders;
    } cases[] = {
        {root + "\\A\\B\\C", {root + "\\A", root + "\\A\\B", root + "\\A\\B\\C"}},
        {root + "\\A\\B\\C", {root + "\\A\\B\\C"}},
        {root + "\\T\\U\\", {root + "\\T", root + "\\T\\U"}},
        {root + "\\A\\B\\D", {root + "\\A\\B\\D"}},
    };
    for (const Case& c : cases) {
        Directory directory(c.path.c_str());
        EXPECT_TRUE(directory.create(nullptr)) << c.path;
        EXPECT_TRUE(directory.exists()) << c.path;
        for (const std::string& folder : c.folders) EXPECT_TRUE(isFolder(folder)) << folder;
    }
}

TEST(Directory, RefusedPaths) {
    const std::string root = testing_support::freshFolder("DirectoryRefused");
    for (const char* path : {"", ".", ".."}) {
        SetLastError(12345);
        EXPECT_FALSE(Directory(path).create(nullptr)) << path;
        // Refused before any system call could change the error.
        EXPECT_EQ(GetLastError(), 12345u) << path;
    }
    EXPECT_FALSE(Directory(nullptr).create(nullptr));

    EXPECT_FALSE(Directory("\\\\tarnwick-no-server\\share\\folder").create(nullptr));

    // A file in the way of a level stops the chain; levels before it stay.
    std::string blocker = root + "\\file";
    HANDLE file = CreateFileA(blocker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    EXPECT_FALSE(Directory((blocker + "\\x\\y").c_str()).create(nullptr));
    EXPECT_FALSE(Directory((root + "\\made\\bad?name\\x").c_str()).create(nullptr));
    EXPECT_TRUE(isFolder(root + "\\made"));

    // Too long to create through the ANSI calls: nothing shortened is made.
    std::string tooLong = root + "\\" + std::string(MAX_PATH, 'L');
    EXPECT_FALSE(Directory(tooLong.c_str()).create(nullptr));
}

TEST(Directory, SeparatorsFollowTheCodePage) {
    // Under a Western code page a letter such as 0xE9 before a backslash is
    // a character of its own, so the chain is split there.
    const std::string root = testing_support::freshFolder("DirectoryCodePage");
    if (GetACP() == 1252) {
        std::string path = root + "\\caf\xE9\\new";
        EXPECT_TRUE(Directory(path.c_str()).create(nullptr));
        EXPECT_TRUE(isFolder(path));
    }
    // The system's own table of code page 932 agrees with the Shift_JIS scan.
    const DoubleByteRule rule = doubleByteRuleFor(932);
    std::string text = "C:\\\x95\x5C\\\x83\x5C";
    EXPECT_EQ(findPathSeparator(text.c_str() + 3, rule), text.c_str() + 5);
    for (int byte = 0x81; byte <= 0xFC; ++byte) {
        EXPECT_EQ(rule.isLeadByte(static_cast<unsigned char>(byte)),
                  IsDBCSLeadByteEx(932, static_cast<BYTE>(byte)) != FALSE)
            << byte;
    }
}
