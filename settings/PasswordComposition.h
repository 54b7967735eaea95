#pragma once

#include <cstddef>

// The platform-free half of password derivation: the fixed pieces, the
// composed texts and the hex rendering of a digest.
namespace password {

// Longest composed text; the composition buffer holds this many characters
// and a terminator.
constexpr size_t kMaxComposedLength = 1023;
constexpr size_t kOfficePasswordLength = 15;
constexpr size_t kPdfPasswordLength = 32;

// The six fixed pieces. Every password ever derived depends on them: they
// never change.
extern const char kOfficeLead[];
extern const char kOfficeTrail[];
extern const char kPdfUserLead[];
extern const char kPdfUserTrail[];
extern const char kPdfOwnerLead[];
extern const char kPdfOwnerTrail[];

// Each writes the variant's composed text and a terminator into out, which
// holds kMaxComposedLength + 1 bytes. False (out left empty) when an input is
// null or the text would exceed kMaxComposedLength characters.
bool composeOffice(const char* fileName, const char* guid, const char* user, char* out);
bool composePdfUser(const char* fileName, const char* guid, const char* user, char* out);
bool composePdfOwner(const char* guid, const char* user, char* out);

// Renders size bytes as lower-case hex, high half first, and terminates:
// out holds 2 * size + 1 bytes.
void renderHex(const unsigned char* bytes, size_t size, char* out);

}  // namespace password
