#include "PasswordComposition.h"

#include <cstring>
#include <initializer_list>

namespace password {

const char kOfficeLead[] = "Quill-and-Lantern.Marsh#Tw";
const char kOfficeTrail[] = "~Heron@Reed;Fen+Wick=Ash";
const char kPdfUserLead[] = "Otter7Slate&Moor-9Pike^Drum3Lark.";
const char kPdfUserTrail[] = "4Sedge|Cairn_82Brook?Tarn!6Vale";
const char kPdfOwnerLead[] = "TARN+WICK:OWNER/KE";
const char kPdfOwnerTrail[] = "=STONE.BRIDGE~LEDGER";

static_assert(sizeof kOfficeLead - 1 == 26, "the Office lead has 26 characters");
static_assert(sizeof kOfficeTrail - 1 == 24, "the Office trail has 24 characters");
static_assert(sizeof kPdfUserLead - 1 == 33, "the PDF user lead has 33 characters");
static_assert(sizeof kPdfUserTrail - 1 == 31, "the PDF user trail has 31 characters");
static_assert(sizeof kPdfOwnerLead - 1 == 18, "the PDF owner lead has 18 characters");
static_assert(sizeof kPdfOwnerTrail - 1 == 20, "the PDF owner trail has 20 characters");

namespace {

bool concatenate(std::initializer_list<const char*> parts, char* out) {
    if (out == nullptr) return false;
    out[0] = '\0';
    size_t total = 0;
    for (const char* part : parts) {
        if (part == nullptr) return false;
        total += std::strlen(part);
        if (total > kMaxComposedLength) return false;
    }
    size_t at = 0;
    for (const char* part : parts) {
        size_t length = std::strlen(part);
        std::memcpy(out + at, part, length);
        at += length;
    }
    out[at] = '\0';
    return true;
}

}  // namespace

bool composeOffice(const char* fileName, const char* guid, const char* user, char* out) {
    return concatenate({kOfficeLead, fileName, guid, user, kOfficeTrail}, out);
}

bool composePdfUser(const char* fileName, const char* guid, const char* user, char* out) {
    return concatenate({kPdfUserLead, guid, fileName, user, kPdfUserTrail}, out);
}

bool composePdfOwner(const char* guid, const char* user, char* out) {
    return concatenate({kPdfOwnerLead, guid, user, kPdfOwnerTrail}, out);
}

void renderHex(const unsigned char* bytes, size_t size, char* out) {
    static const char kDigits[] = "0123456789abcdef";
    for (size_t i = 0; i < size; ++i) {
        out[2 * i] = kDigits[bytes[i] >> 4];
        out[2 * i + 1] = kDigits[bytes[i] & 0x0F];
    }
    out[2 * size] = '\0';
}

}  // namespace password
