#include "settings/TarnwickRegistry.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "RawSettings.h"
#include "testing/TestPaths.h"

namespace {

class TarnwickRegistryTest : public testing::Test {
protected:
    void SetUp() override { raw_settings::removeKey(); }
    void TearDown() override { raw_settings::removeKey(); }
};

// Sets USERPROFILE for the life of the object (null removes it).
class ProfileVariable {
public:
    explicit ProfileVariable(const char* value) {
        char saved[1024] = {};
        had_ = GetEnvironmentVariableA("USERPROFILE", saved, sizeof saved) > 0;
        saved_ = saved;
        SetEnvironmentVariableA("USERPROFILE", value);
    }
    ~ProfileVariable() { SetEnvironmentVariableA("USERPROFILE", had_ ? saved_.c_str() : nullptr); }

private:
    bool had_;
    std::string saved_;
};

std::string text(const String& s) { return s.getContents() != nullptr ? s.getContents() : ""; }

}  // namespace

TEST_F(TarnwickRegistryTest, FreshUserGetsTheKeyAndEveryDefault) {
    ASSERT_FALSE(raw_settings::keyExists());
    TarnwickRegistry settings;
    EXPECT_TRUE(raw_settings::keyExists());
    EXPECT_EQ(raw_settings::valueCount(), 0u);

    EXPECT_FALSE(settings.isDonotUpdateFileTime());
    EXPECT_TRUE(settings.isPrinting());
    EXPECT_TRUE(settings.isCopyContents());
    EXPECT_EQ(settings.getMacroSecurityLevel(), 3);
    String path("preset");
    EXPECT_FALSE(settings.getPathForPDFTK(path));
    EXPECT_EQ(text(path), "preset");
    String folder("preset");
    EXPECT_FALSE(settings.getInitialFolder(folder));
    EXPECT_EQ(text(folder), "preset");
    // Reading stores nothing.
    EXPECT_EQ(raw_settings::valueCount(), 0u);
}

TEST_F(TarnwickRegistryTest, YesOnlyForExactlyTrue) {
    struct Flag {
        const char* name;
        std::function<bool(TarnwickRegistry&)> read;
        bool whenAbsent;
    } flags[] = {
        {"DonotUdateFileTime", [](TarnwickRegistry& s) { return s.isDonotUpdateFileTime(); }, false},
        {"Printing", [](TarnwickRegistry& s) { return s.isPrinting(); }, true},
        {"CopyContents", [](TarnwickRegistry& s) { return s.isCopyContents(); }, true},
    };
    struct Stored {
        const char* text;  // null: absent
        int expected;      // -1: the flag's default
    } stored[] = {
        {nullptr, -1}, {"", -1},         {"  \t\r\n", -1}, {"true", 1},  {" true\r\n", 1},
        {"TRUE", 0},   {"True", 0},      {"yes", 0},       {"1", 0},     {"false", 0},
        {"truex", 0},
    };
    for (const Flag& flag : flags) {
        for (const Stored& s : stored) {
            raw_settings::removeKey();
            TarnwickRegistry settings;
            if (s.text != nullptr) raw_settings::putText(flag.name, s.text);
            bool expected = s.expected < 0 ? flag.whenAbsent : s.expected == 1;
            EXPECT_EQ(flag.read(settings), expected) << flag.name << " = \"" << (s.text ? s.text : "(absent)") << "\"";
        }
    }
}

TEST_F(TarnwickRegistryTest, MacroSecurityLevelOutsideOneToThreeReadsAsThree) {
    struct Case {
        const char* what;
        DWORD type;
        DWORD number;
        int expected;
    } cases[] = {
        {"1", REG_DWORD, 1, 1},  {"2", REG_DWORD, 2, 2},         {"3", REG_DWORD, 3, 3},
        {"0", REG_DWORD, 0, 3},  {"4", REG_DWORD, 4, 3},         {"7", REG_DWORD, 7, 3},
        {"-1", REG_DWORD, 0xFFFFFFFF, 3},
    };
    for (const Case& c : cases) {
        raw_settings::removeKey();
        TarnwickRegistry settings;
        raw_settings::putNumber("MacroSecurityLevel", c.number);
        EXPECT_EQ(settings.getMacroSecurityLevel(), c.expected) << c.what;
    }
    for (const char* stored : {"2", "1", "level two"}) {
        raw_settings::removeKey();
        TarnwickRegistry settings;
        raw_settings::putText("MacroSecurityLevel", stored);
        EXPECT_EQ(settings.getMacroSecurityLevel(), 3) << "the text \"" << stored << "\"";
    }
}

TEST_F(TarnwickRegistryTest, TextValuesAreTrimmedAndBlankMeansAbsent) {
    struct Reader {
        const char* name;
        std::function<bool(TarnwickRegistry&, String&)> read;
    } readers[] = {
        {"PathForPDFTK", [](TarnwickRegistry& s, String& v) { return s.getPathForPDFTK(v); }},
        {"InitialFolder", [](TarnwickRegistry& s, String& v) { return s.getInitialFolder(v); }},
        {"WorkingFolder", [](TarnwickRegistry& s, String& v) { return s.getWorkingFolder(v); }},
    };
    for (const Reader& reader : readers) {
        TarnwickRegistry settings;
        raw_settings::putText(reader.name, " C:\\Program Files\\pdf tools\\pdftk.exe\r\n");
        String value("preset");
        EXPECT_TRUE(reader.read(settings, value)) << reader.name;
        EXPECT_EQ(text(value), "C:\\Program Files\\pdf tools\\pdftk.exe") << reader.name;
        if (std::string(reader.name) == "WorkingFolder") continue;  // blank falls back, below
        raw_settings::putText(reader.name, "   ");
        value = "preset";
        EXPECT_FALSE(reader.read(settings, value)) << reader.name;
        EXPECT_EQ(text(value), "preset") << reader.name;
    }
}

TEST_F(TarnwickRegistryTest, WritersStoreTextWithItsTerminator) {
    TarnwickRegistry settings;
    EXPECT_TRUE(settings.setDonotUpdateFileTime(true));
    EXPECT_TRUE(settings.setPrinting(false));
    EXPECT_TRUE(settings.setCopyContents(true));
    EXPECT_TRUE(settings.setPathForPDFTK("C:\\pdf tools\\pdftk.exe"));
    EXPECT_TRUE(settings.setInitialFolder("D:\\Shared\\Contracts"));
    EXPECT_TRUE(raw_settings::isStoredText("DonotUdateFileTime", "true"));
    EXPECT_TRUE(raw_settings::isStoredText("Printing", "false"));
    EXPECT_TRUE(raw_settings::isStoredText("CopyContents", "true"));
    EXPECT_TRUE(raw_settings::isStoredText("PathForPDFTK", "C:\\pdf tools\\pdftk.exe"));
    EXPECT_TRUE(raw_settings::isStoredText("InitialFolder", "D:\\Shared\\Contracts"));

    // And they read back.
    EXPECT_TRUE(settings.isDonotUpdateFileTime());
    EXPECT_FALSE(settings.isPrinting());
    EXPECT_TRUE(settings.setDonotUpdateFileTime(false));
    EXPECT_TRUE(raw_settings::isStoredText("DonotUdateFileTime", "false"));
    EXPECT_FALSE(settings.isDonotUpdateFileTime());
}

TEST_F(TarnwickRegistryTest, WorkingFolderPrefersTheValueThenTheProfileThenThePreset) {
    std::string profile = testing_support::freshFolder("settings-profile");
    std::string twk = profile + "\\twk";
    TarnwickRegistry settings;
    {
        ProfileVariable variable(profile.c_str());
        String folder("c:\\temp");
        EXPECT_TRUE(settings.getWorkingFolder(folder));
        EXPECT_EQ(text(folder), twk);
        DWORD attributes = GetFileAttributesA(twk.c_str());
        EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) << "created";

        // An existing folder is used as it is.
        folder = "c:\\temp";
        EXPECT_TRUE(settings.getWorkingFolder(folder));
        EXPECT_EQ(text(folder), twk);

        raw_settings::putText("WorkingFolder", "E:\\Parked");
        EXPECT_TRUE(settings.getWorkingFolder(folder));
        EXPECT_EQ(text(folder), "E:\\Parked");
        raw_settings::putText("WorkingFolder", " ");
        EXPECT_TRUE(settings.getWorkingFolder(folder));
        EXPECT_EQ(text(folder), twk) << "a blank value counts as absent";
    }
    struct Fallback {
        const char* what;
        const char* profile;  // null: no variable
    } fallbacks[] = {
        {"no profile variable", nullptr},
        {"empty profile variable", ""},
        {"profile folder missing, twk cannot be made", "Z:\\no\\such\\profile"},
    };
    for (const Fallback& f : fallbacks) {
        ProfileVariable variable(f.profile);
        String folder("c:\\temp");
        EXPECT_FALSE(settings.getWorkingFolder(folder)) << f.what;
        EXPECT_EQ(text(folder), "c:\\temp") << f.what;
    }
    std::string longProfile(300, 'p');
    ProfileVariable variable(longProfile.c_str());
    String folder("c:\\temp");
    EXPECT_FALSE(settings.getWorkingFolder(folder)) << "profile path longer than 259 characters";
    EXPECT_EQ(text(folder), "c:\\temp");
}

TEST_F(TarnwickRegistryTest, AFileNamedTwkIsNoWorkingFolder) {
    std::string profile = testing_support::freshFolder("settings-profile-file");
    std::string twk = profile + "\\twk";
    HANDLE file = CreateFileA(twk.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    ProfileVariable variable(profile.c_str());
    String folder("c:\\temp");
    EXPECT_FALSE(TarnwickRegistry().getWorkingFolder(folder));
    EXPECT_EQ(text(folder), "c:\\temp");
}
