#include "settings/PasswordComposition.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <string>

using namespace password;

namespace {

bool onlyOf(const char* text, bool digits, bool lower, bool upper) {
    for (const char* p = text; *p != '\0'; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (std::isdigit(c) ? !digits : std::islower(c) ? !lower : std::isupper(c) ? !upper : !std::ispunct(c)) {
            return false;
        }
    }
    return true;
}

}  // namespace

TEST(PasswordPieces, LengthsAndCharacterClasses) {
    EXPECT_EQ(std::strlen(kOfficeLead), 26u);
    EXPECT_EQ(std::strlen(kOfficeTrail), 24u);
    EXPECT_EQ(std::strlen(kPdfUserLead), 33u);
    EXPECT_EQ(std::strlen(kPdfUserTrail), 31u);
    EXPECT_EQ(std::strlen(kPdfOwnerLead), 18u);
    EXPECT_EQ(std::strlen(kPdfOwnerTrail), 20u);
    EXPECT_TRUE(onlyOf(kOfficeLead, false, true, true));
    EXPECT_TRUE(onlyOf(kOfficeTrail, false, true, true));
    EXPECT_TRUE(onlyOf(kPdfUserLead, true, true, true));
    EXPECT_TRUE(onlyOf(kPdfUserTrail, true, true, true));
    EXPECT_TRUE(onlyOf(kPdfOwnerLead, false, false, true));
    EXPECT_TRUE(onlyOf(kPdfOwnerTrail, false, false, true));
    // Never used as a format, but a '%' would still be a trap for later code.
    for (const char* piece : {kOfficeLead, kOfficeTrail, kPdfUserLead, kPdfUserTrail, kPdfOwnerLead, kPdfOwnerTrail}) {
        EXPECT_EQ(std::strchr(piece, '%'), nullptr) << piece;
    }
}

TEST(PasswordComposition, OrderOfThePieces) {
    char out[kMaxComposedLength + 1];
    ASSERT_TRUE(composeOffice("a.docx", "{G}", "user", out));
    EXPECT_EQ(std::string(out), std::string(kOfficeLead) + "a.docx{G}user" + kOfficeTrail);
    ASSERT_TRUE(composePdfUser("a.pdf", "{G}", "user", out));
    EXPECT_EQ(std::string(out), std::string(kPdfUserLead) + "{G}a.pdfuser" + kPdfUserTrail);
    ASSERT_TRUE(composePdfOwner("{G}", "user", out));
    EXPECT_EQ(std::string(out), std::string(kPdfOwnerLead) + "{G}user" + kPdfOwnerTrail);
}

TEST(PasswordComposition, RefusesTextsOverTheLimitWithoutWriting) {
    const std::string guid = "{60E7D5BD-744C-40F3-907E-44647E642AFA}";
    const std::string user = "user";
    const size_t fixed = std::strlen(kOfficeLead) + std::strlen(kOfficeTrail) + guid.size() + user.size();
    std::string fits(kMaxComposedLength - fixed, 'n');
    std::string tooLong = fits + "n";

    char out[kMaxComposedLength + 1 + 16];
    std::memset(out, '#', sizeof out);
    ASSERT_TRUE(composeOffice(fits.c_str(), guid.c_str(), user.c_str(), out));
    EXPECT_EQ(std::strlen(out), kMaxComposedLength);

    std::memset(out, '#', sizeof out);
    EXPECT_FALSE(composeOffice(tooLong.c_str(), guid.c_str(), user.c_str(), out));
    EXPECT_EQ(out[0], '\0');
    EXPECT_EQ(out[1], '#');
    std::string huge(100000, 'h');
    EXPECT_FALSE(composePdfUser(huge.c_str(), guid.c_str(), user.c_str(), out));
    EXPECT_FALSE(composePdfOwner(guid.c_str(), huge.c_str(), out));
    EXPECT_FALSE(composeOffice(nullptr, guid.c_str(), user.c_str(), out));
    EXPECT_FALSE(composeOffice("a", guid.c_str(), user.c_str(), nullptr));
}

TEST(PasswordComposition, HexRendering) {
    // MD5("abc"), RFC 1321.
    const unsigned char digest[16] = {0x90, 0x01, 0x50, 0x98, 0x3c, 0xd2, 0x4f, 0xb0,
                                      0xd6, 0x96, 0x3f, 0x7d, 0x28, 0xe1, 0x7f, 0x72};
    char out[33];
    renderHex(digest, sizeof digest, out);
    EXPECT_STREQ(out, "900150983cd24fb0d6963f7d28e17f72");
    const unsigned char edges[3] = {0x00, 0x0f, 0xff};
    renderHex(edges, 3, out);
    EXPECT_STREQ(out, "000fff");
}
