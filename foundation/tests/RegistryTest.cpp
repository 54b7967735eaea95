#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <set>
#include <string>

#include "foundation/Registry.h"

namespace {

const char kTestKey[] = "Software\\TarnwickTests\\Registry";

// Writes values with the raw registry calls, so the class under test is only
// ever the reader.
void storeString(const char* name, const std::string& text) {
    ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, kTestKey, name, REG_SZ, text.c_str(),
                              static_cast<DWORD>(text.size() + 1)),
              ERROR_SUCCESS);
}

void storeDword(const char* name, DWORD value) {
    ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, kTestKey, name, REG_DWORD, &value, sizeof value), ERROR_SUCCESS);
}

std::string readRaw(const char* key, const char* name) {
    char buffer[256] = {};
    DWORD size = sizeof buffer - 1;
    if (RegGetValueA(HKEY_CURRENT_USER, key, name, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS) {
        return "(missing)";
    }
    return buffer;
}

bool keyExists(const char* key) {
    HKEY handle;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
    RegCloseKey(handle);
    return true;
}

class RegistryTest : public testing::Test {
protected:
    void SetUp() override { RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey); }
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey); }
};

}  // namespace

TEST_F(RegistryTest, StringsAreTrimmedAndBlankMeansAbsent) {
    struct Case {
        const char* name;
        std::string stored;
        bool found;
        const char* expected;
    } cases[] = {
        {"spaces", "   ", false, "default"},
        {"path", " C:\\Work\r\n", true, "C:\\Work"},
        {"empty", "", false, "default"},
        {"max", std::string(1023, 'm'), true, nullptr},
        {"long", std::string(1024, 'l'), false, "default"},
        {"huge", std::string(5000, 'h'), false, "default"},
    };
    for (const Case& c : cases) storeString(c.name, c.stored);
    CurrentUserRegistry registry;
    for (const Case& c : cases) {
        String value("default");
        EXPECT_EQ(registry.getString(kTestKey, c.name, value), c.found) << c.name;
        EXPECT_EQ(value.getContents(), c.expected ? std::string(c.expected) : c.stored) << c.name;
    }
    String value("default");
    EXPECT_FALSE(registry.getString(kTestKey, "missing", value));
    EXPECT_FALSE(registry.getString("Software\\TarnwickTests\\NoSuchKey", "path", value));
    EXPECT_STREQ(value.getContents(), "default");
}

// Another program's machine key is read where a 32-bit program writes it
// first, then where a 64-bit one does.
TEST_F(RegistryTest, InstalledProgramsAreLookedUpInThe32BitViewFirst) {
    const char* key = "Software\\TarnwickTests\\Views";
    auto store = [key](REGSAM view, const char* text) {
        HKEY h;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_WRITE | view, nullptr, &h, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(h, "Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), DWORD(std::strlen(text) + 1));
        RegCloseKey(h);
    };
    auto drop = [key](REGSAM view) { RegDeleteKeyExA(HKEY_LOCAL_MACHINE, key, view, 0); };
    auto installed = [key]() -> std::string {
        char buffer[64];
        return LocalMachineRegistry::getInstalledString(key, "Path", buffer, sizeof buffer) ? buffer : "(missing)";
    };
    store(KEY_WOW64_32KEY, "32-bit");
    store(KEY_WOW64_64KEY, "64-bit");
    EXPECT_EQ(installed(), "32-bit");
    drop(KEY_WOW64_32KEY);
    EXPECT_EQ(installed(), "64-bit");
    drop(KEY_WOW64_64KEY);
    EXPECT_EQ(installed(), "(missing)");
}

TEST_F(RegistryTest, UntrimmedReadIntoCallerBuffer) {
    storeString("path", " C:\\Work\r\n");
    storeString("", "default value");
    CurrentUserRegistry registry;
    char buffer[16];
    ASSERT_TRUE(registry.getString(kTestKey, "path", buffer, sizeof buffer));
    EXPECT_STREQ(buffer, " C:\\Work\r\n");
    char small[10];
    EXPECT_FALSE(registry.getString(kTestKey, "path", small, sizeof small));
    ASSERT_TRUE(registry.getString(kTestKey, "", buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "default value");
    String text;
    ASSERT_TRUE(registry.getString(kTestKey, "", text));
    EXPECT_STREQ(text.getContents(), "default value");
}

TEST_F(RegistryTest, StringWithoutTerminatorIsTerminated) {
    // Other programs may store REG_SZ data without its terminator; it must
    // never be read past the stored bytes.
    ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, kTestKey, "bare", REG_SZ, "abcd", 4), ERROR_SUCCESS);
    CurrentUserRegistry registry;
    char buffer[5];
    std::memset(buffer, 'X', sizeof buffer);
    ASSERT_TRUE(registry.getString(kTestKey, "bare", buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "abcd");
    char exact[4];
    EXPECT_FALSE(registry.getString(kTestKey, "bare", exact, sizeof exact));
}

TEST_F(RegistryTest, Integers) {
    storeDword("level", 3);
    storeDword("negative", 0xFFFFFFFF);
    storeString("text", "-25 pages");
    storeString("word", "none");
    CurrentUserRegistry registry;
    int value = 77;
    EXPECT_FALSE(registry.getInteger(kTestKey, "missing", value));
    EXPECT_EQ(value, 77);
    ASSERT_TRUE(registry.getInteger(kTestKey, "level", value));
    EXPECT_EQ(value, 3);
    ASSERT_TRUE(registry.getInteger(kTestKey, "negative", value));
    EXPECT_EQ(value, -1);

    value = 77;
    EXPECT_FALSE(registry.getNumber(kTestKey, "missing", value));
    EXPECT_EQ(value, 77);
    ASSERT_TRUE(registry.getNumber(kTestKey, "text", value));
    EXPECT_EQ(value, -25);
    ASSERT_TRUE(registry.getNumber(kTestKey, "word", value));
    EXPECT_EQ(value, 0);
}

TEST_F(RegistryTest, WritesAndCreatesKeys) {
    CurrentUserRegistry registry;
    std::string nested = std::string(kTestKey) + "\\new\\deeper";
    EXPECT_TRUE(registry.setString(nested.c_str(), "name", "value one"));
    EXPECT_EQ(readRaw(nested.c_str(), "name"), "value one");
    EXPECT_TRUE(registry.setString(nested.c_str(), "name", "two"));
    EXPECT_EQ(readRaw(nested.c_str(), "name"), "two");
    EXPECT_FALSE(registry.setString(nested.c_str(), "null", nullptr));

    std::string created = std::string(kTestKey) + "\\created";
    EXPECT_FALSE(keyExists(created.c_str()));
    EXPECT_TRUE(registry.createKey(created.c_str()));
    EXPECT_TRUE(keyExists(created.c_str()));
    EXPECT_TRUE(registry.createKey(created.c_str()));

    // A root the process may not write to reports failure instead of throwing.
    Registry bogus(reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x12345678)));
    String value("kept");
    EXPECT_FALSE(bogus.getString("x", "y", value));
    EXPECT_FALSE(bogus.setString("x", "y", "z"));
    EXPECT_FALSE(bogus.createKey("x"));
    EXPECT_STREQ(value.getContents(), "kept");
}

TEST_F(RegistryTest, ProfileGeometry) {
    const char* profileKey = "Software\\Merrowind\\Application\\TarnwickTestProfile";
    const std::string windows = std::string(profileKey) + "\\Windows";
    RegDeleteTreeA(HKEY_CURRENT_USER, profileKey);

    Profile profile("TarnwickTestProfile");
    EXPECT_STREQ(profile.getKey(), profileKey);
    EXPECT_TRUE(keyExists(profileKey));

    int left = 1, top = 2, width = 3, height = 4;
    EXPECT_FALSE(profile.getGeometry(left, top, width, height));
    EXPECT_EQ(left, CW_USEDEFAULT);
    EXPECT_EQ(top, CW_USEDEFAULT);
    EXPECT_EQ(width, CW_USEDEFAULT);
    EXPECT_EQ(height, CW_USEDEFAULT);

    ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, windows.c_str(), "Geometry", REG_SZ, "10 20 300 200", 14),
              ERROR_SUCCESS);
    ASSERT_TRUE(profile.getGeometry(left, top, width, height));
    EXPECT_EQ(left, 10);
    EXPECT_EQ(top, 20);
    EXPECT_EQ(width, 300);
    EXPECT_EQ(height, 200);

    ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, windows.c_str(), "Geometry", REG_SZ, "15 25", 6), ERROR_SUCCESS);
    ASSERT_TRUE(profile.getGeometry(left, top, width, height));
    EXPECT_EQ(left, 15);
    EXPECT_EQ(top, 25);
    EXPECT_EQ(width, CW_USEDEFAULT);
    EXPECT_EQ(height, CW_USEDEFAULT);

    RECT rect = {50, 60, 850, 660};
    ASSERT_TRUE(profile.setGeometry(rect));
    EXPECT_EQ(readRaw(windows.c_str(), "Geometry"), "50 60 800 600");
    ASSERT_TRUE(profile.getGeometry(left, top, width, height));
    EXPECT_EQ(width, 800);
    EXPECT_EQ(height, 600);
    RegDeleteTreeA(HKEY_CURRENT_USER, profileKey);
}

TEST_F(RegistryTest, ProfileOfTheModule) {
    const char* moduleKey = "Software\\Merrowind\\Application\\foundation_tests";
    RegDeleteTreeA(HKEY_CURRENT_USER, moduleKey);
    Profile profile(nullptr);
    EXPECT_STREQ(profile.getKey(), moduleKey);
    EXPECT_TRUE(keyExists(moduleKey));
    RegDeleteTreeA(HKEY_CURRENT_USER, moduleKey);
}

TEST(Guid, NewTextOnEveryCall) {
    Guid guid;
    std::set<std::string> seen;
    for (int i = 0; i < 100; ++i) {
        String text;
        ASSERT_TRUE(guid.toString(text));
        std::string t = text.getContents();
        ASSERT_EQ(t.size(), 38u) << t;
        EXPECT_EQ(t.front(), '{');
        EXPECT_EQ(t.back(), '}');
        for (std::size_t p : {9u, 14u, 19u, 24u}) EXPECT_EQ(t[p], '-') << t;
        for (char c : t.substr(1, 36)) EXPECT_TRUE(c == '-' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')) << t;
        seen.insert(t);
    }
    EXPECT_EQ(seen.size(), 100u);
}
