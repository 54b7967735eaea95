#pragma once

// Whole documents, encrypted and decrypted in memory: the file's bytes in,
// the new file's bytes out. Open XML packages get agile encryption; .doc,
// .xls and .ppt/.pps compound files RC4 CryptoAPI (a presentation's summary
// information goes into its EncryptedSummary stream). Decryption reads
// agile and standard packages, RC4 CryptoAPI and the older plain RC4. The
// compound files are read and written through the platform's structured
// storage. Never throws; untrusted bytes fail with an outcome and a reason.

#include <cstdint>
#include <string>

#include "doccrypt/Crypto.h"
#include "doccrypt/Formats.h"
#include "doccrypt/OfficeCrypto.h"

namespace doccrypt {

enum class Outcome {
    Ok,
    WrongPassword,   // encrypted, but not with this password
    Damaged,         // truncated, malformed, or no document of a known kind
    UnknownCipher,   // encrypted in a way this code does not read (XOR obfuscation, Excel 5, other algorithms)
    RightsManaged,   // protected by rights management, not by a password
    NotEncryptable,  // a plain document this code cannot encrypt (see the reason)
    Failed,          // the platform failed (random numbers, memory, structured storage)
};

struct Result {
    Outcome outcome = Outcome::Failed;
    std::string reason;  // for the log; empty on success
};

// What a file holds. An encrypted package keeps its format inside: Unknown.
struct DocumentFacts {
    DocFormat format = DocFormat::Unknown;
    bool encrypted = false;
    bool readOnlyRecommended = false;
};
Result inspectDocument(const Bytes& file, DocumentFacts& facts);

// The plain document: decrypted with password when it is encrypted, else
// the same bytes after checking that they are a document of a known kind.
// An Open XML package comes back byte for byte as it was encrypted.
Result decryptDocument(const Bytes& file, const std::u16string& password, Bytes& plain, bool& wasEncrypted);

// The document encrypted with password. An encrypted one is decrypted with
// the same password first, so the result always carries that password.
Result encryptDocument(const Bytes& file, const std::u16string& password, const RandomFill& random, Bytes& encrypted);

// Random bytes from the platform's generator; throws std::runtime_error
// when it has none.
void systemRandom(std::uint8_t* data, std::size_t size);

const char* outcomeName(Outcome outcome);

}  // namespace doccrypt
