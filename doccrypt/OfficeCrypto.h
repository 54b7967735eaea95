#pragma once

// Password encryption of Open XML packages: the agile method (AES-256,
// SHA-512, 100,000 spins, HMAC data integrity) for writing, agile and the
// older "standard" method (AES-128 ECB, SHA-1) for reading. Works on the
// contents of the EncryptionInfo and EncryptedPackage streams; the compound
// file around them is the caller's business. Portable.

#include <functional>
#include <map>
#include <utility>
#include <vector>
#include <string>

#include "Crypto.h"

namespace doccrypt {

using RandomFill = std::function<void(std::uint8_t*, std::size_t)>;

struct EncryptedStreams {
    Bytes encryptionInfo;
    Bytes encryptedPackage;
};

EncryptedStreams encryptAgile(const Bytes& package, const std::u16string& password, const RandomFill& random,
                              unsigned spinCount = 100000);

enum class DecryptStatus { Ok, WrongPassword, Unsupported, Corrupt, IntegrityFailed };

struct Decrypted {
    DecryptStatus status = DecryptStatus::Corrupt;
    Bytes package;
    std::string detail;  // what was wrong, for error messages
};

Decrypted decryptPackage(const Bytes& encryptionInfo, const Bytes& encryptedPackage,
                         const std::u16string& password);
// The same with the password's iterated hash (agileIteratedHash with the
// password, for both methods) computed by the caller: the fuzz target reads
// the headers without paying for the spins on every input.
using PasswordHash = std::function<Bytes(HashKind kind, const Bytes& salt, unsigned spinCount)>;
Decrypted decryptPackage(const Bytes& encryptionInfo, const Bytes& encryptedPackage, const PasswordHash& passwordHash);

// The agile key derivation: hash(salt + password), then spinCount rounds of
// hash(LE32 round + previous), then hash(previous + blockKey), cut or padded
// with 0x36 to keyBytes.
Bytes agileKey(HashKind kind, const Bytes& salt, const std::u16string& password, unsigned spinCount,
               const Bytes& blockKey, std::size_t keyBytes);
// The two halves of agileKey: the iterated hash, and the per-purpose key.
Bytes agileIteratedHash(HashKind kind, const Bytes& salt, const std::u16string& password, unsigned spinCount);
Bytes agileBlockKey(HashKind kind, const Bytes& iterated, const Bytes& blockKey, std::size_t keyBytes);

// Attributes of the first element whose local name (without prefix) is name,
// from XML text. False when there is no such element.
bool xmlElementAttributes(const std::string& xml, const std::string& name, std::map<std::string, std::string>& out);

}  // namespace doccrypt

namespace doccrypt {

// The \x06DataSpaces storage that marks a compound file as an encrypted
// package: (path with '/' between storages, contents) per stream.
std::vector<std::pair<std::string, Bytes>> dataSpacesStreams();

}  // namespace doccrypt
