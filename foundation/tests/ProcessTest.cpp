#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "foundation/Associations.h"
#include "foundation/Mutex.h"
#include "foundation/ProgramLauncher.h"
#include "testing/TestPaths.h"
#include "testing/Waiting.h"

// Associations are registered in the test prefix's HKEY_CLASSES_ROOT with the
// raw registry calls; the launched program is recordargs.exe, which writes
// its command line into the file named by TARNWICK_RECORD_FILE.
namespace {

const char* const kExtensions[] = {".twquoted", ".twenv", ".twnocommand", ".twdoc", ".twgone", ".twuser"};
const char* const kTypes[] = {"TarnwickTest.Quoted", "TarnwickTest.Env", "TarnwickTest.NoCommand",
                              "TarnwickTest.Doc", "TarnwickTest.Gone", "TarnwickTest.User"};

// The user's own classes: HKCU\Software\Classes.
const char kUserClasses[] = "Software\\Classes\\";

// Registers in HKEY_CLASSES_ROOT, or in the user's own classes.
void associate(const char* extension, const char* type, const std::string& command, bool forUser = false) {
    const HKEY root = forUser ? HKEY_CURRENT_USER : HKEY_CLASSES_ROOT;
    const std::string prefix = forUser ? kUserClasses : "";
    ASSERT_EQ(RegSetKeyValueA(root, (prefix + extension).c_str(), nullptr, REG_SZ, type,
                              static_cast<DWORD>(std::strlen(type) + 1)),
              ERROR_SUCCESS);
    if (command.empty()) return;
    std::string key = prefix + type + "\\shell\\open\\command";
    ASSERT_EQ(RegSetKeyValueA(root, key.c_str(), nullptr, REG_SZ, command.c_str(),
                              static_cast<DWORD>(command.size() + 1)),
              ERROR_SUCCESS);
}

void removeAssociations() {
    for (const char* extension : kExtensions) {
        RegDeleteTreeA(HKEY_CLASSES_ROOT, extension);
        RegDeleteTreeA(HKEY_CURRENT_USER, (std::string(kUserClasses) + extension).c_str());
    }
    for (const char* type : kTypes) {
        RegDeleteTreeA(HKEY_CLASSES_ROOT, type);
        RegDeleteTreeA(HKEY_CURRENT_USER, (std::string(kUserClasses) + type).c_str());
    }
}

std::string recorderPath() {
    return testing_support::nativePath(TARNWICK_BINARY_DIR "/foundation/recordargs.exe");
}

// The command line recorded in file, waiting up to ten seconds for it;
// "(nothing)" when none came.
std::string recorded(const std::string& file, DWORD waitMs = 10000) {
    const bool came = testing_support::pumpUntil(
        [&] { return GetFileAttributesA(file.c_str()) != INVALID_FILE_ATTRIBUTES; }, waitMs);
    return came ? testing_support::readBytes(file) : "(nothing)";
}

class ProcessTest : public testing::Test {
protected:
    void SetUp() override { removeAssociations(); }
    void TearDown() override {
        removeAssociations();
        SetEnvironmentVariableA("TARNWICK_RECORD_FILE", nullptr);
    }
};

}  // namespace

TEST_F(ProcessTest, AssociatedProgramLookup) {
    associate(".twquoted", "TarnwickTest.Quoted", "\"C:\\Program Files\\Tarnwick Test\\viewer.exe\" /n /dde \"%1\"");
    associate(".twenv", "TarnwickTest.Env", "%TARNWICK_TEST_HOME%\\bin\\tool.exe -x \"%1\"");
    associate(".twnocommand", "TarnwickTest.NoCommand", "");
    SetEnvironmentVariableA("TARNWICK_TEST_HOME", "C:\\Env Home");
    struct Case {
        const char* extension;
        bool found;
        const char* expanded;
        const char* name;
    } cases[] = {
        {".twquoted", true, "C:\\Program Files\\Tarnwick Test\\viewer.exe",
         "C:\\Program Files\\Tarnwick Test\\viewer.exe"},
        {".twenv", true, "C:\\Env Home\\bin\\tool.exe", "%TARNWICK_TEST_HOME%\\bin\\tool.exe"},
        {".twnocommand", false, "unchanged", "unchanged"},
        {".twmissing", false, "unchanged", "unchanged"},
        {nullptr, false, "unchanged", "unchanged"},
    };
    for (const Case& c : cases) {
        const char* label = c.extension != nullptr ? c.extension : "(null)";
        String expanded("unchanged"), name("unchanged");
        EXPECT_EQ(findAssociatedProgram(c.extension, expanded), c.found) << label;
        EXPECT_EQ(findAssociatedProgramName(c.extension, name), c.found) << label;
        EXPECT_STREQ(expanded.getContents(), c.expanded) << label;
        EXPECT_STREQ(name.getContents(), c.name) << label;
    }
    SetEnvironmentVariableA("TARNWICK_TEST_HOME", nullptr);
}

// As in Windows' merged view, the user's own classes come before the
// machine's (Wine's HKEY_CLASSES_ROOT holds only the machine's).
TEST_F(ProcessTest, TheUsersOwnClassesComeFirst) {
    associate(".twquoted", "TarnwickTest.Quoted", "\"C:\\Machine\\viewer.exe\" \"%1\"");
    associate(".twquoted", "TarnwickTest.User", "", true);
    associate(".twuser", "TarnwickTest.User", "\"C:\\User Tools\\viewer.exe\" \"%1\"", true);
    String quoted, user;
    EXPECT_TRUE(findAssociatedProgram(".twquoted", quoted));
    EXPECT_TRUE(findAssociatedProgram(".twuser", user));
    EXPECT_STREQ(quoted.getContents(), "C:\\User Tools\\viewer.exe");
    EXPECT_STREQ(user.getContents(), "C:\\User Tools\\viewer.exe");
}

TEST_F(ProcessTest, LaunchQuotesProgramAndDocument) {
    const std::string folder = testing_support::freshFolder("Launcher");
    const std::string programFolder = folder + "\\Record Args";
    ASSERT_TRUE(CreateDirectoryA(programFolder.c_str(), nullptr));
    const std::string program = programFolder + "\\record args.exe";
    ASSERT_TRUE(CopyFileA(recorderPath().c_str(), program.c_str(), FALSE)) << recorderPath();
    associate(".twdoc", "TarnwickTest.Doc", "\"" + program + "\" /open \"%1\"");
    associate(".twgone", "TarnwickTest.Gone", "\"" + folder + "\\missing.exe\" \"%1\"");

    ProgramLauncher launcher;
    const std::string document = folder + "\\my report.v2.twdoc";
    std::string record = folder + "\\document.txt";
    SetEnvironmentVariableA("TARNWICK_RECORD_FILE", record.c_str());
    EXPECT_EQ(launcher.openDocument(document.c_str()), 0);
    EXPECT_EQ(recorded(record), "\"" + program + "\" \"" + document + "\"");

    record = folder + "\\alone.txt";
    SetEnvironmentVariableA("TARNWICK_RECORD_FILE", record.c_str());
    EXPECT_EQ(launcher.runAssociatedProgram(".twdoc"), 0);
    EXPECT_EQ(recorded(record), "\"" + program + "\"");

    // Nothing to start: no dot, no association, a command line too long for
    // its buffer. A program that is gone gives the system's error.
    record = folder + "\\nothing.txt";
    SetEnvironmentVariableA("TARNWICK_RECORD_FILE", record.c_str());
    EXPECT_EQ(launcher.openDocument((folder + "\\nodot").c_str()), -1);
    EXPECT_EQ(launcher.openDocument((folder + "\\x.twmissing").c_str()), -1);
    EXPECT_EQ(launcher.openDocument(nullptr), -1);
    EXPECT_EQ(launcher.runAssociatedProgram(".twmissing"), 0);
    const std::string longDocument = folder + "\\" + std::string(1000, 'n') + ".twdoc";
    EXPECT_EQ(launcher.openDocument(longDocument.c_str()), ERROR_FILENAME_EXCED_RANGE);
    EXPECT_EQ(launcher.openDocument((folder + "\\x.twgone").c_str()), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(recorded(record, 500), "(nothing)");
}

TEST(Mutex, NamesUseForwardSlashes) {
    struct Case {
        const char* name;
        int length;
        const wchar_t* expected;
    } cases[] = {
        {"Local\\Tarnwick\\Job", 18, L"Local/Tarnwick/Job"},
        {"plain", 5, L"plain"},
        {"", 0, L""},
    };
    for (const Case& c : cases) {
        Mutex mutex;
        EXPECT_EQ(mutex.setName(c.name), c.length) << c.name;
        ASSERT_NE(mutex.getName(), nullptr);
        EXPECT_STREQ(mutex.getName(), c.expected);
    }
    Mutex mutex;
    mutex.setName("first");
    EXPECT_EQ(mutex.setName(nullptr), 0);
    EXPECT_EQ(mutex.getName(), nullptr);
    EXPECT_EQ(mutex.getHandle(), nullptr);
}
