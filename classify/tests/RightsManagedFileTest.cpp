#include "classify/RightsManagedFile.h"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "classify/CompoundFile.h"
#include "classify/tests/CompoundFiles.h"
#include "classify/tests/TestFiles.h"
#include "foundation/Exception.h"

namespace {

using test_compound::Stream;
using test_files::join;

const Stream kWordPlain{{}, L"WordDocument", std::string(64, '\0')};

std::vector<std::string> copiesIn(const std::string& folder) {
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        std::string name = entry.path().filename().string();
        if (name.size() > 11 && name.compare(name.size() - 11, 11, ".~veldtcopy") == 0) found.push_back(name);
    }
    return found;
}

struct OwnerResult {
    bool found;
    std::string owner;
};

OwnerResult ownerOf(const std::string& path) {
    RightsManagedFile file(path.c_str());
    String owner("unchanged");
    bool found = file.getOwner(owner);
    return {found, owner.getContents() != nullptr ? owner.getContents() : "(null)"};
}

TEST(RightsManagedFile, ReadsTheLicenceIssuer) {
    const std::string licence = test_compound::xrml("alice-smith@example.com");
    const struct {
        const char* name;
        std::vector<Stream> streams;
        bool found;
        const char* owner;
    } cases[] = {
        {"managed.docx", {test_compound::rightsManagement(test_compound::kOpenXmlTransform, licence)}, true,
         "alice-smith@example.com"},
        {"managed.doc", {test_compound::rightsManagement(test_compound::kBinaryTransform, licence), kWordPlain}, true,
         "alice-smith@example.com"},
        {"trailing-bytes.xlsx",
         {test_compound::rightsManagement(test_compound::kOpenXmlTransform, licence + "\r\n\x01garbage<")}, true,
         "alice-smith@example.com"},
        {"no-closing-tag.pptx",
         {test_compound::rightsManagement(test_compound::kOpenXmlTransform, "<XrML><ISSUER><OBJECT><NAME>bob</NAME>"
                                                                            "</OBJECT></ISSUER></XrML")},
         false, "unchanged"},
        {"no-issuer.docx", {test_compound::rightsManagement(test_compound::kOpenXmlTransform, "<XrML><BODY/></XrML>")},
         false, "unchanged"},
        {"header-only.docx", {test_compound::rightsManagement(test_compound::kOpenXmlTransform, "")}, false, ""},
        {"wrong-transform.doc", {test_compound::rightsManagement(test_compound::kOpenXmlTransform, licence)}, false,
         ""},
        {"plain.doc", {kWordPlain}, false, ""},
    };
    std::string folder = testing_support::freshFolder("rights-owner");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = join(folder, c.name);
        ASSERT_TRUE(test_compound::make(path, c.streams));
        OwnerResult got = ownerOf(path);
        EXPECT_EQ(got.found, c.found);
        EXPECT_EQ(got.owner, c.owner);
    }
    for (const char* name : {"missing.doc", "plain.docx"}) {
        SCOPED_TRACE(name);
        if (std::string(name) == "plain.docx") test_files::write(folder, name, "PK\x03\x04 not a compound file");
        OwnerResult got = ownerOf(join(folder, name));
        EXPECT_FALSE(got.found);
        EXPECT_EQ(got.owner, "");
    }
    EXPECT_TRUE(copiesIn(folder).empty());
}

TEST(RightsManagedFile, DocumentHeldOpenIsReadThroughATemporaryCopy) {
    std::string folder = testing_support::freshFolder("rights-held");
    std::string path = join(folder, "held.doc");
    ASSERT_TRUE(test_compound::make(
        path, {test_compound::rightsManagement(test_compound::kBinaryTransform, test_compound::xrml("carol")),
               kWordPlain}));
    // As an editor holds a document: others may read it, but not exclusively.
    HANDLE holder =
        CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    {
        CompoundFile file;
        ASSERT_TRUE(file.open(path.c_str()));
        std::string copy = file.copyPath();
        // "<path>.{GUID}.doc.~veldtcopy"
        ASSERT_EQ(copy.size(), path.size() + 1 + 38 + 4 + 11) << copy;
        EXPECT_EQ(copy.compare(0, path.size() + 2, path + ".{"), 0) << copy;
        EXPECT_EQ(copy.substr(copy.size() - 15), ".doc.~veldtcopy") << copy;
        EXPECT_NE(GetFileAttributesA(copy.c_str()), INVALID_FILE_ATTRIBUTES);
        file.close();
        EXPECT_EQ(GetFileAttributesA(copy.c_str()), INVALID_FILE_ATTRIBUTES);
        EXPECT_STREQ(file.copyPath(), "");
    }
    OwnerResult got = ownerOf(path);
    EXPECT_TRUE(got.found);
    EXPECT_EQ(got.owner, "carol");
    CloseHandle(holder);
    EXPECT_TRUE(copiesIn(folder).empty());

    // A read-only document held open gives a read-only copy, deleted all the same.
    std::string readOnly = join(folder, "read-only.docx");
    ASSERT_TRUE(test_compound::make(
        readOnly, {test_compound::rightsManagement(test_compound::kOpenXmlTransform, test_compound::xrml("dave"))}));
    ASSERT_TRUE(SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
    holder = CreateFileA(readOnly.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    got = ownerOf(readOnly);
    CloseHandle(holder);
    EXPECT_TRUE(got.found);
    EXPECT_EQ(got.owner, "dave");
    EXPECT_TRUE(copiesIn(folder).empty());
    SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);

    // Held with no sharing at all: no copy can be made either.
    holder = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    got = ownerOf(path);
    CloseHandle(holder);
    EXPECT_FALSE(got.found);
    EXPECT_EQ(got.owner, "");
    EXPECT_TRUE(copiesIn(folder).empty());
    char profile[MAX_PATH] = {};
    ASSERT_GT(GetEnvironmentVariableA("UserProfile", profile, sizeof profile), 0u);
    EXPECT_TRUE(copiesIn(profile).empty()) << "nor in the second place for copies";
}

TEST(RightsManagedFile, LicenceWithJapaneseOwnerPassesThroughCodePage932) {
    // The converter is a COM object; the licence reader has COM initialised.
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    // U+65E5 U+672C in UTF-8 become 93 FA 96 7B in code page 932.
    std::unique_ptr<char[]> converted(convertUtf8ToCodePage932("<N>\xE6\x97\xA5\xE6\x9C\xAC</N>"));
    ASSERT_NE(converted, nullptr);
    EXPECT_STREQ(converted.get(), "<N>\x93\xFA\x96\x7B</N>");
    std::unique_ptr<char[]> invalid(convertUtf8ToCodePage932("a\xFF" "b"));
    EXPECT_NE(invalid, nullptr) << "invalid UTF-8 is replaced, not refused";
    EXPECT_EQ(convertUtf8ToCodePage932(nullptr), nullptr);
    CoUninitialize();
}

TEST(IssuanceLicense, LoadsAndQueriesWithXPath) {
    IssuanceLicense licence;
    String text("unchanged");
    EXPECT_FALSE(licence.load("<XrML><ISSUER>"));
    EXPECT_FALSE(licence.load(nullptr));
    ASSERT_TRUE(licence.load("<XrML><A><ISSUER><OBJECT><NAME>first</NAME></OBJECT></ISSUER></A>"
                             "<ISSUER><OBJECT><NAME>second</NAME></OBJECT></ISSUER></XrML>"));
    ASSERT_TRUE(licence.getTextByPath("//ISSUER/OBJECT/NAME", text));
    EXPECT_STREQ(text.getContents(), "first");
    EXPECT_FALSE(licence.getTextByPath("//OWNER", text));
    EXPECT_STREQ(text.getContents(), "first");
    EXPECT_FALSE(licence.getTextByPath("((", text));
}

// Creates the rights-management store below the application-data folder for
// the life of the object and removes it again.
class CertificateStore {
public:
    CertificateStore() {
        char appData[MAX_PATH] = {};
        SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, 0, appData);
        folder_ = std::string(appData) + "\\Microsoft\\DRM";
    }
    ~CertificateStore() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    bool exists() const { return GetFileAttributesA(folder_.c_str()) != INVALID_FILE_ATTRIBUTES; }
    void addFile(const std::string& name) {
        std::filesystem::create_directories(folder_);
        test_files::write(folder_, name, "certificate");
    }
    void addFolder(const std::string& name) { std::filesystem::create_directories(join(folder_, name)); }

private:
    std::string folder_;
};

TEST(ClientLicensorCertificate, FoundByEscapedOwnerName) {
    CertificateStore store;
    ASSERT_FALSE(store.exists()) << "the test prefix has no rights-management store of its own";
    EXPECT_FALSE(hasClientLicensorCertificate("alice-smith@example.com"));

    store.addFile("CLC-alice;ksmith@example.com-7F3A.drm");
    store.addFile("CLC-erin-x.txt");
    store.addFolder("CLC-frank-1.drm");
    const struct {
        const char* owner;
        bool found;
    } cases[] = {
        {"alice-smith@example.com", true},
        {"ALICE-SMITH@EXAMPLE.COM", true},  // the file system ignores case
        {"alice;ksmith@example.com", true},
        {"alicesmith@example.com", false},
        {"alice", false},
        {"erin", false},
        {"frank", false},
        {"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.owner);
        EXPECT_EQ(hasClientLicensorCertificate(c.owner), c.found);
    }
    EXPECT_FALSE(hasClientLicensorCertificate(nullptr));
}

}  // namespace
