#pragma once

// Password encryption of the binary Excel workbook stream (BIFF8): RC4 with
// the CryptoAPI key derivation (SHA-1, written and read) and the older plain
// RC4 derivation (MD5, read only). Works on the contents of the Workbook
// stream; the compound file around it is the caller's business. Portable;
// every function takes untrusted bytes and fails cleanly on anything
// malformed.

#include <string>

#include "Crypto.h"
#include "OfficeCrypto.h"

namespace doccrypt {

// The key of one block: CryptoAPI is SHA-1(SHA-1(salt + password) + block),
// cut to keyBits (40-bit keys are padded with zeros to 128 bits); plain RC4
// derives an MD5 key from the password, the salt and the block.
Bytes rc4CryptoApiBaseHash(const Bytes& salt, const std::u16string& password);
Bytes rc4CryptoApiBlockKey(const Bytes& baseHash, std::uint32_t block, unsigned keyBits);
Bytes rc4PlainBaseHash(const Bytes& salt, const std::u16string& password);
Bytes rc4PlainBlockKey(const Bytes& baseHash, std::uint32_t block);

// The RC4 CryptoAPI encryption header and verifier, as the FILEPASS record
// (after its encryption type) and other binary formats store them.
struct Rc4CryptoApiInfo {
    unsigned keyBits = 128;
    Bytes salt, encryptedVerifier, encryptedVerifierHash;
};
Bytes buildRc4CryptoApiInfo(const Rc4CryptoApiInfo& info);
// False when the bytes are not an RC4 CryptoAPI header (used = bytes read).
bool parseRc4CryptoApiInfo(const std::uint8_t* data, std::size_t size, Rc4CryptoApiInfo& out, std::size_t& used);
// A fresh salt and verifier for password.
Rc4CryptoApiInfo makeRc4CryptoApiInfo(const std::u16string& password, const RandomFill& random);
bool checkRc4CryptoApiPassword(const Rc4CryptoApiInfo& info, const std::u16string& password);

// Decrypts a BIFF8 Workbook stream with a FILEPASS record. The result is the
// plain stream without FILEPASS; the stream positions other records hold
// (sheet offsets, row-block and string indexes) are moved to match.
struct DecryptedWorkbook {
    DecryptStatus status = DecryptStatus::Corrupt;
    Bytes stream;
    std::string detail;
};
DecryptedWorkbook decryptWorkbookStream(const Bytes& stream, const std::u16string& password);

// Encrypts a plain BIFF8 Workbook stream with RC4 CryptoAPI (128-bit key):
// FILEPASS goes after the first BOF. False with a reason when the stream is
// not a plain BIFF8 workbook.
bool encryptWorkbookStream(const Bytes& plain, const std::u16string& password, const RandomFill& random,
                           Bytes& out, std::string& error);

// Decrypts the streams of an RC4-encrypted Word document in place (the
// WordDocument stream after its first 68 bytes, the table stream after the
// encryption header, all of the Data stream; 512-byte key blocks), clears the
// encryption flag and header size in the FIB and takes the header out of the
// table stream (moving the FIB's table offsets back). data may be null.
DecryptStatus decryptWordStreams(Bytes& wordDocument, Bytes& table, Bytes* data, const std::u16string& password,
                                 std::string& detail);

// Encrypts the streams of a plain Word document in place with RC4
// CryptoAPI: the encryption header goes to the start of the table stream and
// the FIB's table offsets move by its size. False with a reason (streams
// untouched then) when the document stream is not a plain Word document.
bool encryptWordStreams(Bytes& wordDocument, Bytes& table, Bytes* data, const std::u16string& password,
                        const RandomFill& random, std::string& error);

}  // namespace doccrypt
