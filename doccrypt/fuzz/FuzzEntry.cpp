#include "FuzzEntry.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "doccrypt/BinaryCrypto.h"
#include "doccrypt/Formats.h"
#include "doccrypt/OfficeCrypto.h"
#include "doccrypt/PptCrypto.h"

namespace doccrypt {

namespace {

// The password's iterated hash for the encryption headers. Spinning it for
// every input would leave time for little else, so the first salts seen (the
// corpus's documents, whose mutations mostly keep their salt) get the real
// hash of the test password, remembered; any other salt gets an unspun
// stand-in of the right size, which reaches the same parsing and fails the
// verifier as a wrong password does.
Bytes cheapPasswordHash(HashKind kind, const Bytes& salt, unsigned spinCount) {
    static std::map<std::tuple<HashKind, Bytes, unsigned>, Bytes> known;
    auto key = std::make_tuple(kind, salt, spinCount);
    auto it = known.find(key);
    if (it != known.end()) return it->second;
    if (known.size() >= 64 || spinCount > 100000) return agileIteratedHash(kind, salt, u"Secret-1", 0);
    return known[key] = agileIteratedHash(kind, salt, u"Secret-1", spinCount);
}

}  // namespace

void fuzzOne(const std::uint8_t* data, std::size_t size) {
    Bytes all(data, data + size);
    Bytes out;
    std::string error;
    inflate(data, size, out, 1u << 20);
    PackageFacts facts;
    inspectPackage(all, facts, error);
    zipEntry(all, "word/settings.xml", out, error);
    inspectWordStream(all);
    inspectWorkbookStream(all);
    inspectCurrentUserStream(all);
    inspectXlsbWorkbook(all);
    decryptWorkbookStream(all, u"Secret-1");
    {
        // The same bytes as a Word document's streams: the first half the
        // document stream, the rest the table stream and the data stream.
        Bytes word(data, data + size / 2), table(data + size / 2, data + size), extra = table;
        std::string detail;
        decryptWordStreams(word, table, &extra, u"Secret-1", detail);
        word.assign(data, data + size / 2);
        table.assign(data + size / 2, data + size);
        auto zeros = [](std::uint8_t* p, std::size_t n) { std::fill(p, p + n, std::uint8_t(0)); };
        if (encryptWordStreams(word, table, &extra, u"Secret-1", zeros, detail) &&
            decryptWordStreams(word, table, &extra, u"Secret-1", detail) != DecryptStatus::Ok)
            std::abort();  // what we encrypt must decrypt
    }
    {
        Bytes encrypted;
        auto zeros = [](std::uint8_t* p, std::size_t n) { std::fill(p, p + n, std::uint8_t(0)); };
        if (encryptWorkbookStream(all, u"Secret-1", zeros, encrypted, error) &&
            decryptWorkbookStream(encrypted, u"Secret-1").status != DecryptStatus::Ok)
            std::abort();  // what we encrypt must decrypt
    }
    if (size >= 4) {
        std::size_t infoSize = std::size_t(data[0]) | (std::size_t(data[1]) << 8) | (std::size_t(data[2]) << 16) |
                               (std::size_t(data[3]) << 24);
        if (infoSize <= size - 4) {
            Bytes info(data + 4, data + 4 + infoSize);
            Bytes package(data + 4 + infoSize, data + size);
            decryptPackage(info, package, cheapPasswordHash);
            // The same split as a presentation: Current User, then PowerPoint Document.
            Bytes user(data + 4, data + 4 + infoSize);
            isEncryptedPresentation(user, package);
            decryptPresentationStreams(user, package, nullptr, u"Secret-1");
            Bytes encUser, encDocument;
            auto zeros = [](std::uint8_t* p, std::size_t n) { std::fill(p, p + n, std::uint8_t(0)); };
            std::vector<NamedStream> summary{{u"\x05SummaryInformation", all}}, back;
            Bytes encSummary;
            if (encryptPresentationStreams(user, package, nullptr, u"Secret-1", zeros, encUser, encDocument, error,
                                           &summary, &encSummary)) {
                if (decryptPresentationStreams(encUser, encDocument, nullptr, u"Secret-1").status != DecryptStatus::Ok)
                    std::abort();  // what we encrypt must decrypt
                if (!readEncryptedSummary(encUser, encDocument, encSummary, u"Secret-1", back) || back.size() != 1 ||
                    back[0].data != all)
                    std::abort();  // and so must its summary
                // The input itself as an encrypted summary of that presentation.
                readEncryptedSummary(encUser, encDocument, all, u"Secret-1", back);
            }
        }
    }
}

}  // namespace doccrypt
