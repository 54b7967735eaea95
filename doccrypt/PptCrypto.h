#pragma once

// Password encryption of binary PowerPoint presentations (.ppt, .pps): RC4
// with the CryptoAPI key derivation, one key per persist object (the block
// number is the object's persist id, the key stream starts afresh for each
// object). Works on the contents of the "Current User" and "PowerPoint
// Document" streams; the compound file around them is the caller's business.
//
// Both directions write the document stream as one full save: the live
// persist objects in persist-id order, one PersistDirectoryAtom, one
// UserEditAtom (older edits and objects they superseded are dropped), and
// the Current User stream pointing at that edit. Portable; every function
// takes untrusted bytes and fails cleanly on anything malformed.

#include <string>
#include <vector>

#include "Crypto.h"
#include "OfficeCrypto.h"

namespace doccrypt {

// True when the presentation is encrypted: the Current User stream says so,
// or the current edit names an encryption session.
bool isEncryptedPresentation(const Bytes& currentUser, const Bytes& document);

struct DecryptedPresentation {
    DecryptStatus status = DecryptStatus::Corrupt;
    Bytes currentUser, document;
    std::string detail;
};

// Decrypts an RC4 CryptoAPI-encrypted presentation. The result is plain: no
// encryption session object, no session reference in the UserEditAtom, the
// plain header token. pictures (may be null) is the Pictures stream: a
// non-empty one is refused (Unsupported): pictures are not decrypted.
DecryptedPresentation decryptPresentationStreams(const Bytes& currentUser, const Bytes& document, const Bytes* pictures,
                                                 const std::u16string& password);

// A stream of the compound file by name, for the summary information.
struct NamedStream {
    std::u16string name;
    Bytes data;
};

// Encrypts a plain presentation with RC4 CryptoAPI (128-bit key): the
// encryption session becomes a new persist object with the next free persist
// id, named by the UserEditAtom. False with a reason when the streams are
// not a plain presentation or it has pictures.
//
// Without encryptedSummary the summary information is left to the caller and
// stays plain (the header says so). With it, the summary streams are
// encrypted into *encryptedSummary (the EncryptedSummary stream, written
// even when summary is empty) and the header says the properties are
// encrypted: the caller then drops "\x05SummaryInformation" and puts
// emptyDocumentSummary() in place of "\x05DocumentSummaryInformation".
bool encryptPresentationStreams(const Bytes& currentUser, const Bytes& document, const Bytes* pictures,
                                const std::u16string& password, const RandomFill& random, Bytes& outCurrentUser,
                                Bytes& outDocument, std::string& error,
                                const std::vector<NamedStream>* summary = nullptr, Bytes* encryptedSummary = nullptr);

// The streams an EncryptedSummary stream holds, decrypted with password
// (the one of the presentation it belongs to). False when the stream is
// damaged, the password is wrong or the presentation is not encrypted.
bool readEncryptedSummary(const Bytes& currentUser, const Bytes& document, const Bytes& encryptedSummary,
                          const std::u16string& password, std::vector<NamedStream>& out);

// A document summary property set with no document properties (only the
// code page every property set carries), the placeholder that stands beside
// an EncryptedSummary stream.
Bytes emptyDocumentSummary();

}  // namespace doccrypt
