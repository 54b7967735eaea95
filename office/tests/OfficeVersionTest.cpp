// The version probe over the registry states an installation leaves, and the
// process-wide cache.

#include <gtest/gtest.h>

#include "office/OfficeApplication.h"
#include "office/OfficeVersion.h"
#include "office/tests/OfficeTestSupport.h"

using namespace office_test;

namespace {

class Version : public OfficeFixture {
protected:
    void TearDown() override {
        EXPECT_TRUE(setOfficeVersion("12"));
        OfficeVersion::resetCacheForTesting();
        OfficeFixture::TearDown();
    }
};

// The matrix runs with the machine keys in each registry view: where a
// 32-bit Office writes them (the default) and where a 64-bit one does.
TEST_F(Version, RegistryMatrix) {
    struct Case {
        const char* keys;
        int version;
        bool convertible;
        bool converters;
        bool office12;  // isOffice12Installed of a session
    };
    const Case cases[] = {
        {"none", -1, false, false, false},         {"11", 11, false, false, false},
        {"11+converters", 11, true, true, false},  {"11+export", 11, false, false, false},
        {"11+import", 11, false, false, false},    {"12", 12, true, false, true},
        {"14", 14, true, false, false},            {"16", 16, true, false, false},
    };
    for (const char* view : {"32", "64"}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.keys) + " in the " + view + "-bit view");
            ASSERT_TRUE(setOfficeVersion(c.keys, view));
            OfficeVersion::resetCacheForTesting();
            EXPECT_EQ(OfficeVersion::getWordVersion(), c.version);
            EXPECT_EQ(OfficeVersion::isOfficeWord12ConverterInstalled(), c.converters);
            EXPECT_EQ(OfficeVersion::isOfficeWord12Convertible(), c.convertible);
            OfficeApplication session(0, 0, 1);
            EXPECT_EQ(session.isOffice12Installed(), c.office12);
        }
    }
}

TEST_F(Version, ConverterPathsMustBeUnderOffice12) {
    ASSERT_TRUE(setOfficeVersion("11+converters"));
    HKEY key;
    const char* exportKey = "Software\\Microsoft\\Shared Tools\\Text Converters\\Export\\Word12";
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, exportKey, 0, KEY_SET_VALUE | KEY_WOW64_32KEY, &key), ERROR_SUCCESS);
    const char other[] = "C:\\Program Files\\Microsoft Office\\office12\\wordcnvpxy.cnv";  // case differs
    RegSetValueExA(key, "Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(other), sizeof other);
    RegCloseKey(key);
    EXPECT_FALSE(OfficeVersion::isOfficeWord12ConverterInstalled());
}

TEST_F(Version, AFoundVersionIsCachedAndAMissingOneProbedAgain) {
    ASSERT_TRUE(setOfficeVersion("none"));
    OfficeVersion::resetCacheForTesting();
    EXPECT_FALSE(OfficeVersion::isOfficeWord12Convertible());
    ASSERT_TRUE(setOfficeVersion("12"));
    EXPECT_TRUE(OfficeVersion::isOfficeWord12Convertible());  // probed again: nothing had been found
    ASSERT_TRUE(setOfficeVersion("11"));
    EXPECT_TRUE(OfficeVersion::isOfficeWord12Convertible());  // kept: a version had been found
    EXPECT_EQ(OfficeVersion::getWordVersion(), 11);           // the probe itself is never cached
}

}  // namespace
