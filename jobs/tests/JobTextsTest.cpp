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

TEST(JobTexts, CommandLinesLongerThan1023CharactersAreRefused) {
    // The decryption line adds 44 characters of its own to the four fields.
    std::string fixed;
    ASSERT_TRUE(formatDecryptCommand("", "", "", "", fixed));
    const size_t overhead = fixed.size();
    for (size_t length : {kMaxPdftkCommandLine - overhead, kMaxPdftkCommandLine - overhead + 1}) {
        const std::string source(length, 's');
        std::string command = "unchanged";
        const bool fits = formatDecryptCommand("", "", "", source.c_str(), command);
        EXPECT_EQ(fits, overhead + length <= kMaxPdftkCommandLine) << length;
        EXPECT_EQ(command.size(), fits ? kMaxPdftkCommandLine : std::string("unchanged").size());
    }
    const std::string longPath(1000, 'p');
    std::string command = "unchanged";
    EXPECT_FALSE(formatEncryptCommand(longPath.c_str(), "k", "s", "u", "", "o", command));
    EXPECT_EQ(command, "unchanged");
}

TEST(JobTexts, ParkingPathJoinsFolderAndGuid) {
    std::string path;
    ASSERT_TRUE(formatParkingPath("c:\\temp", "{01234567-89AB-CDEF-0123-456789ABCDEF}", path));
    EXPECT_EQ(path, "c:\\temp\\{01234567-89AB-CDEF-0123-456789ABCDEF}.pdf");
    const std::string folder(kMaxParkingPath - 5, 'f');
    EXPECT_TRUE(formatParkingPath(folder.c_str(), "", path));
    EXPECT_FALSE(formatParkingPath((folder + "x").c_str(), "", path));
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
