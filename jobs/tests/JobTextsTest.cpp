#include "jobs/JobTexts.h"

#include <gtest/gtest.h>

#include <string>

TEST(JobTexts, RightsTextKeepsTheBlankOfARightThatIsOff) {
    struct Case {
        bool printing, copy;
        const char* text;
    } cases[] = {
        {true, true, "allow Printing CopyContents"},
        {true, false, "allow Printing "},
        {false, true, "allow  CopyContents"},
        {false, false, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(formatRightsText(c.printing, c.copy), c.text);
}

TEST(JobTexts, CommandLinesQuotePathsAndNotPasswords) {
    std::string command;
    ASSERT_TRUE(formatEncryptCommand("C:\\Tools\\pdftk.exe", "C:\\work\\{G}.pdf", "C:\\My Docs\\a b.pdf", "u1",
                                     "allow Printing ", "o2", command));
    EXPECT_EQ(command,
              "\"C:\\Tools\\pdftk.exe\" A=\"C:\\work\\{G}.pdf\" output \"C:\\My Docs\\a b.pdf\" user_pw u1 allow "
              "Printing  owner_pw o2 dont_ask");
    // No rights: only blanks between the user password and owner_pw.
    ASSERT_TRUE(formatEncryptCommand("p", "k", "s", "u", "", "o", command));
    EXPECT_EQ(command, "\"p\" A=\"k\" output \"s\" user_pw u  owner_pw o dont_ask");
    ASSERT_TRUE(formatDecryptCommand("C:\\pdftk.exe", "C:\\w\\{G}.pdf", "o2", "C:\\x y.pdf", command));
    EXPECT_EQ(command, "\"C:\\pdftk.exe\" A=\"C:\\w\\{G}.pdf\" input_pw A=o2 output \"C:\\x y.pdf\" dont_ask");
    // Null fields count as empty.
    ASSERT_TRUE(formatDecryptCommand(nullptr, "k", nullptr, "s", command));
    EXPECT_EQ(command, "\"\" A=\"k\" input_pw A= output \"s\" dont_ask");
}

// A command line or parking path longer than 1023 characters is refused and
// leaves the output as it was; one of 1023 characters is made in full.
TEST(JobTexts, TextsLongerThan1023CharactersAreRefused) {
    enum class Kind { Decrypt, Encrypt, Parking };
    struct Case {
        Kind kind;
        std::size_t pathLength;  // the source path, or the working folder
        std::size_t madeLength;  // 0: refused
    };
    const Case cases[] = {
        {Kind::Decrypt, 959, 1023}, {Kind::Decrypt, 960, 0},   {Kind::Encrypt, 922, 1023},
        {Kind::Encrypt, 923, 0},    {Kind::Parking, 980, 1023}, {Kind::Parking, 981, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(static_cast<int>(c.kind)) + " " + std::to_string(c.pathLength));
        const std::string path(c.pathLength, 'p');
        std::string made = "unchanged";
        bool fits = false;
        switch (c.kind) {
            case Kind::Decrypt:
                fits = formatDecryptCommand("C:\\pdftk.exe", "C:\\w\\{G}.pdf", "o2", path.c_str(), made);
                break;
            case Kind::Encrypt:
                fits = formatEncryptCommand("C:\\pdftk.exe", "C:\\w\\{G}.pdf", path.c_str(), "u1",
                                            "allow Printing CopyContents", "o2", made);
                break;
            case Kind::Parking:
                fits = formatParkingPath(path.c_str(), "{01234567-89AB-CDEF-0123-456789ABCDEF}", made);
                break;
        }
        EXPECT_EQ(fits, c.madeLength != 0);
        if (c.madeLength != 0) {
            EXPECT_EQ(made.size(), c.madeLength);
            EXPECT_NE(made.find(path), std::string::npos);
        } else {
            EXPECT_EQ(made, "unchanged");
        }
    }
    const std::string longTool(1000, 't');
    std::string command = "unchanged";
    EXPECT_FALSE(formatEncryptCommand(longTool.c_str(), "k", "s", "u", "", "o", command));
    EXPECT_EQ(command, "unchanged");
}

TEST(JobTexts, StatusAndTallyLines) {
    EXPECT_EQ(formatProgressText(JobDirection::Encryption, 2, 5, "C:\\a.pdf"), "Encrypting (2/5): 'C:\\a.pdf'");
    EXPECT_EQ(formatProgressText(JobDirection::Decryption, 1, 1, "x"), "Decrypting (1/1): 'x'");
    EXPECT_EQ(formatTallyText(JobDirection::Encryption, 5, 3), "Encryption Result: Total=5   Scucceeded=3   Failed=2");
    EXPECT_EQ(formatTallyText(JobDirection::Decryption, 0, 0), "Decryption Result: Total=0   Scucceeded=0   Failed=0");
    // A path with a percent sign is text, not a format.
    EXPECT_EQ(formatProgressText(JobDirection::Encryption, 1, 1, "100%s.pdf"), "Encrypting (1/1): '100%s.pdf'");
    // Log readers look for these.
    EXPECT_STREQ(jobLogPrefix(JobDirection::Encryption), "PasswordEncryptionThread");
    EXPECT_STREQ(jobLogPrefix(JobDirection::Decryption), "PasswordDecryptionThread");
}
