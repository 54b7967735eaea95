// Users get their files back only if every password derived today is derived
// again tomorrow. These cases fix one identity and a few file names and write
// down the texts that are hashed and the passwords that come out; the digests
// were computed with an MD5 outside this code base. A change to a fixed piece,
// to the order of the pieces, to how a file name is taken from a path or to the
// hashing fails here. Never update these literals to make a change pass.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "foundation/PathScan.h"
#include "settings/PasswordComposition.h"

#ifdef _WIN32
#include "foundation/AnsiCodePage.h"
#include "settings/Md5Hasher.h"
#endif

namespace {

// The fixed pieces as they were first shipped.
#define OFFICE_LEAD "Quill-and-Lantern.Marsh#Tw"
#define OFFICE_TRAIL "~Heron@Reed;Fen+Wick=Ash"
#define PDF_USER_LEAD "Otter7Slate&Moor-9Pike^Drum3Lark."
#define PDF_USER_TRAIL "4Sedge|Cairn_82Brook?Tarn!6Vale"
#define PDF_OWNER_LEAD "TARN+WICK:OWNER/KE"
#define PDF_OWNER_TRAIL "=STONE.BRIDGE~LEDGER"

// One machine and one user for every case.
#define PIN_GUID "{0F8FAD5B-D9CB-469F-A165-70867728950E}"
#define PIN_USER "m.fairweather"

// Shift_JIS (code page 932) names. 0x95 0x5C and 0x83 0x5C are single
// characters whose second byte is a backslash.
#define SJIS_SHEET "\x95\x5C\x8Cv\x8EZ.xlsx"      // "table calculation"
#define SJIS_FOLDER "\x83\x5C\x83t\x83g"           // "software"
#define SJIS_CONTRACT "\x8C_\x96\xF1\x8F\x91.pdf"  // "contract"

struct PinnedFile {
    const char* label;
    const char* path;  // as the file list hands it over
    const char* name;  // what the derivation uses
    const char* officeText;
    const char* office;
    const char* pdfUserText;
    const char* pdfUser;
};

const PinnedFile kPinned[] = {
    {"ASCII name with spaces",
     "C:\\Users\\m.fairweather\\Documents\\Quarterly Report.docx", "Quarterly Report.docx",
     OFFICE_LEAD "Quarterly Report.docx" PIN_GUID PIN_USER OFFICE_TRAIL, "2a3c14fff273f41",
     PDF_USER_LEAD PIN_GUID "Quarterly Report.docx" PIN_USER PDF_USER_TRAIL, "a865780414985425aa2217ef84ec6b38"},
    {"Shift_JIS name and folder with backslash trail bytes",
     "C:\\" SJIS_FOLDER "\\" SJIS_SHEET, SJIS_SHEET,
     OFFICE_LEAD SJIS_SHEET PIN_GUID PIN_USER OFFICE_TRAIL, "1b7fda1de75d468",
     PDF_USER_LEAD PIN_GUID SJIS_SHEET PIN_USER PDF_USER_TRAIL, "efdc8561684c248757906cc6d32e0893"},
    {"network path",
     "\\\\fileserver\\share\\Plan 2024.pdf", "Plan 2024.pdf",
     OFFICE_LEAD "Plan 2024.pdf" PIN_GUID PIN_USER OFFICE_TRAIL, "5068607bdaae63f",
     PDF_USER_LEAD PIN_GUID "Plan 2024.pdf" PIN_USER PDF_USER_TRAIL, "ac4896b5e9b255b67d40e6d760184bae"},
    {"bare Shift_JIS name",
     SJIS_CONTRACT, SJIS_CONTRACT,
     OFFICE_LEAD SJIS_CONTRACT PIN_GUID PIN_USER OFFICE_TRAIL, "65ed297be825344",
     PDF_USER_LEAD PIN_GUID SJIS_CONTRACT PIN_USER PDF_USER_TRAIL, "baa4895d68157a4699b28c3ec639b8ab"},
};

const char kPdfOwnerText[] = PDF_OWNER_LEAD PIN_GUID PIN_USER PDF_OWNER_TRAIL;
const char kPdfOwner[] = "809ff29f526a899d9ea5a6045177d76b";

std::string composedOffice(const char* name) {
    char out[password::kMaxComposedLength + 1];
    return password::composeOffice(name, PIN_GUID, PIN_USER, out) ? out : "(refused)";
}

std::string composedPdfUser(const char* name) {
    char out[password::kMaxComposedLength + 1];
    return password::composePdfUser(name, PIN_GUID, PIN_USER, out) ? out : "(refused)";
}

}  // namespace

TEST(PasswordPin, HashedTextsNeverChange) {
    for (const PinnedFile& file : kPinned) {
        SCOPED_TRACE(file.label);
        EXPECT_EQ(composedOffice(file.name), file.officeText);
        EXPECT_EQ(composedPdfUser(file.name), file.pdfUserText);
    }
    char owner[password::kMaxComposedLength + 1];
    ASSERT_TRUE(password::composePdfOwner(PIN_GUID, PIN_USER, owner));
    EXPECT_STREQ(owner, kPdfOwnerText);
}

TEST(PasswordPin, FileNameTakenFromThePath) {
    for (const PinnedFile& file : kPinned) {
        SCOPED_TRACE(file.label);
        EXPECT_STREQ(fileNameOfPath(file.path, kShiftJisRule), file.name);
#ifdef _WIN32
        // The rule the program picks on a Japanese system.
        EXPECT_STREQ(fileNameOfPath(file.path, doubleByteRuleFor(932)), file.name);
#endif
    }
}

TEST(PasswordPin, PasswordLengths) {
    // The Office password is the digest cut to its first 15 characters.
    EXPECT_EQ(password::kOfficePasswordLength, 15u);
    EXPECT_EQ(password::kPdfPasswordLength, 32u);
    for (const PinnedFile& file : kPinned) {
        EXPECT_EQ(std::strlen(file.office), password::kOfficePasswordLength) << file.label;
        EXPECT_EQ(std::strlen(file.pdfUser), password::kPdfPasswordLength) << file.label;
    }
}

#ifdef _WIN32
// The product hashes with CryptoAPI; the pinned digests came from elsewhere.
TEST(PasswordPin, PlatformHashGivesThePinnedPasswords) {
    char digest[2 * 16 + 1];
    for (const PinnedFile& file : kPinned) {
        SCOPED_TRACE(file.label);
        ASSERT_TRUE(Md5Hasher().toHexDigest(composedOffice(file.name).c_str(), digest));
        EXPECT_EQ(std::string(digest, password::kOfficePasswordLength), file.office);
        ASSERT_TRUE(Md5Hasher().toHexDigest(composedPdfUser(file.name).c_str(), digest));
        EXPECT_STREQ(digest, file.pdfUser);
    }
    ASSERT_TRUE(Md5Hasher().toHexDigest(kPdfOwnerText, digest));
    EXPECT_STREQ(digest, kPdfOwner);
}
#endif
