#include "settings/PasswordGenerator.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "settings/DirectoryObject.h"
#include "settings/Md5Hasher.h"
#include "settings/PasswordComposition.h"

namespace {

bool isLowerHex(const std::string& text) {
    return text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

const wchar_t kProviderKey[] = L"Software\\Microsoft\\ADs\\Providers\\WinNT";

// Takes the WinNT provider out of the registry for the life of the object.
class ProviderRemoved {
public:
    ProviderRemoved() {
        DWORD size = sizeof progId_;
        saved_ = RegGetValueW(HKEY_LOCAL_MACHINE, kProviderKey, nullptr, RRF_RT_REG_SZ, nullptr, progId_, &size) ==
                 ERROR_SUCCESS;
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, kProviderKey);
    }
    ~ProviderRemoved() {
        if (saved_) {
            RegSetKeyValueW(HKEY_LOCAL_MACHINE, kProviderKey, nullptr, REG_SZ, progId_,
                            static_cast<DWORD>((wcslen(progId_) + 1) * sizeof(wchar_t)));
        }
    }
    bool saved() const { return saved_; }

private:
    wchar_t progId_[256] = {};
    bool saved_ = false;
};

std::string machineGuidInBraces() {
    char value[128] = {};
    DWORD size = sizeof value;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Cryptography", "MachineGuid", RRF_RT_REG_SZ, nullptr,
                     value, &size) != ERROR_SUCCESS) {
        return {};
    }
    return std::string("{") + value + "}";
}

}  // namespace

TEST(Md5Hasher, PublishedVectors) {
    struct Case {
        const char* text;
        const char* digest;
    } cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"The quick brown fox jumps over the lazy dog", "9e107d9d372bb6826bd81d3542a419d6"},
    };
    for (const Case& c : cases) {
        char out[33] = {};
        ASSERT_TRUE(Md5Hasher().toHexDigest(c.text, out));
        EXPECT_STREQ(out, c.digest) << c.text;
    }
}

TEST(PasswordGenerator, StableAndDependingOnTheFileName) {
    char first[64] = {};
    char again[64] = {};
    char otherCase[64] = {};
    ASSERT_TRUE(PasswordGenerator::getOfficePassword("Budget.xlsx", first));
    ASSERT_TRUE(PasswordGenerator::getOfficePassword("Budget.xlsx", again));
    ASSERT_TRUE(PasswordGenerator::getOfficePassword("budget.xlsx", otherCase));
    EXPECT_STREQ(first, again);
    EXPECT_STRNE(first, otherCase);
    EXPECT_EQ(std::strlen(first), 15u);
    EXPECT_TRUE(isLowerHex(first)) << first;

    char user[64] = {};
    char userAgain[64] = {};
    char userOtherCase[64] = {};
    ASSERT_TRUE(PasswordGenerator::getPdfUserPassword("Plan.pdf", user));
    ASSERT_TRUE(PasswordGenerator::getPdfUserPassword("Plan.pdf", userAgain));
    ASSERT_TRUE(PasswordGenerator::getPdfUserPassword("PLAN.pdf", userOtherCase));
    EXPECT_STREQ(user, userAgain);
    EXPECT_STRNE(user, userOtherCase);
    EXPECT_EQ(std::strlen(user), 32u);
    EXPECT_TRUE(isLowerHex(user)) << user;

    char owner[64] = {};
    char ownerAgain[64] = {};
    ASSERT_TRUE(PasswordGenerator::getPdfOwnerPassword(owner));
    ASSERT_TRUE(PasswordGenerator::getPdfOwnerPassword(ownerAgain));
    EXPECT_STREQ(owner, ownerAgain);
    EXPECT_EQ(std::strlen(owner), 32u);
    EXPECT_TRUE(isLowerHex(owner)) << owner;
    EXPECT_STRNE(owner, user);
}

TEST(PasswordGenerator, IdentityReachesTheDigest) {
    // The provider answers the prefix's machine GUID in braces.
    std::string guid = machineGuidInBraces();
    ASSERT_FALSE(guid.empty());
    char userName[260] = {};
    DWORD size = sizeof userName;
    ASSERT_TRUE(GetUserNameA(userName, &size));

    char composed[password::kMaxComposedLength + 1];
    char digest[33];
    ASSERT_TRUE(password::composeOffice("Budget.xlsx", guid.c_str(), userName, composed));
    ASSERT_TRUE(Md5Hasher().toHexDigest(composed, digest));
    char office[16] = {};
    ASSERT_TRUE(PasswordGenerator::getOfficePassword("Budget.xlsx", office));
    EXPECT_EQ(std::string(office), std::string(digest, 15));

    ASSERT_TRUE(password::composePdfOwner(guid.c_str(), userName, composed));
    ASSERT_TRUE(Md5Hasher().toHexDigest(composed, digest));
    char owner[33] = {};
    ASSERT_TRUE(PasswordGenerator::getPdfOwnerPassword(owner));
    EXPECT_STREQ(owner, digest);
}

TEST(DirectoryObject, TheLocalComputerAnswersItsMachineGuidVerbatim) {
    std::string guid = machineGuidInBraces();
    ASSERT_FALSE(guid.empty());
    DirectoryObject computer(".");
    ASSERT_TRUE(computer.isOpen()) << "the computer object was not handed out through its interface";
    String read;
    ASSERT_TRUE(computer.getGuid(read));
    ASSERT_NE(read.getContents(), nullptr);
    EXPECT_EQ(std::string(read.getContents()), guid);
    computer.close();
    EXPECT_FALSE(computer.isOpen());
    EXPECT_FALSE(computer.getGuid(read));
}

TEST(PasswordGenerator, PathFormsUseTheNameAfterTheLastBackslash) {
    char byName[64] = {};
    char byPath[64] = {};
    ASSERT_TRUE(PasswordGenerator::getOfficePassword("Report.docx", byName));
    ASSERT_TRUE(PasswordGenerator::getOfficePasswordForPath("C:\\Some Folder\\Deeper\\Report.docx", byPath));
    EXPECT_STREQ(byName, byPath);
    ASSERT_TRUE(PasswordGenerator::getOfficePasswordForPath("Report.docx", byPath));
    EXPECT_STREQ(byName, byPath);

    ASSERT_TRUE(PasswordGenerator::getPdfUserPassword("Plan.pdf", byName));
    ASSERT_TRUE(PasswordGenerator::getPdfUserPasswordForPath("D:\\x\\Plan.pdf", byPath));
    EXPECT_STREQ(byName, byPath);
}

TEST(PasswordGenerator, TooLongAFileNameIsRefused) {
    std::string name(1100, 'n');
    name += ".docx";
    char out[64];
    std::memset(out, 0, sizeof out);
    EXPECT_FALSE(PasswordGenerator::getOfficePassword(name.c_str(), out));
    EXPECT_FALSE(PasswordGenerator::getPdfUserPassword(name.c_str(), out));
    EXPECT_EQ(out[0], '\0');
    EXPECT_FALSE(PasswordGenerator::getOfficePassword("a.docx", nullptr));
}

TEST(PasswordGenerator, WithoutTheDirectoryServiceNothingIsWritten) {
    ProviderRemoved removed;
    ASSERT_TRUE(removed.saved()) << "the test prefix has no WinNT provider registered";
    char out[64];
    std::memset(out, 0, sizeof out);
    EXPECT_FALSE(PasswordGenerator::getOfficePassword("Budget.xlsx", out));
    EXPECT_FALSE(PasswordGenerator::getPdfUserPassword("Plan.pdf", out));
    EXPECT_FALSE(PasswordGenerator::getPdfOwnerPassword(out));
    EXPECT_FALSE(PasswordGenerator::getOfficePasswordForPath("C:\\w\\Budget.xlsx", out));
    for (char c : out) EXPECT_EQ(c, '\0');
}
