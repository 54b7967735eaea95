// Times the built-in engine (not a test; see run-benchmark.sh).
//
//   doccrypt_benchmark big PLAIN ENCRYPTED DECRYPTED PASSWORD
//       encrypts the package PLAIN into ENCRYPTED and decrypts that into
//       DECRYPTED, each from file to file, best of three; prints the times.
//   doccrypt_benchmark job SAMPLE FOLDER COUNT
//       a job of COUNT copies of SAMPLE through the protect flow with the
//       built-in engine (one machine-identity look-up for the job), against
//       the floor: the same document encrypted in memory (one key
//       derivation and the file's own encryption); prints both per file.

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "doccrypt/DocumentCrypt.h"
#include "doccrypt/OfficeCrypto.h"
#include "office/OfficeApplication.h"
#include "settings/PasswordGenerator.h"

using Clock = std::chrono::steady_clock;
using doccrypt::Bytes;

namespace {

double since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// In one read, as the flow reads a document (a byte at a time through a
// stream iterator took longer than the encryption itself).
Bytes readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    Bytes out(in ? std::size_t(in.tellg()) : 0);
    in.seekg(0);
    in.read(reinterpret_cast<char*>(out.data()), std::streamsize(out.size()));
    return out;
}

void writeAll(const std::string& path, const Bytes& data) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
}

// Where the time of one encryption and one decryption goes: the parts timed
// on their own (within "agile", encryption derives the key beside its AES
// and HMAC, decryption checks the HMAC beside its AES), the compound file
// by difference ("rest").
template <typename Work>
double timed(Work work) {
    const auto start = Clock::now();
    work();
    return since(start);
}

void phases(const std::string& plainPath, const std::string& encryptedPath, const std::u16string& password) {
    Bytes plain, encrypted, back;
    doccrypt::EncryptedStreams streams;
    bool wasEncrypted = false;
    using doccrypt::HashKind;
    const double read = timed([&] { plain = readAll(plainPath); });
    const double derive = timed([&] { doccrypt::agileIteratedHash(HashKind::Sha512, Bytes(16, 7), password, 100000); });
    const double mac = timed([&] { doccrypt::hmac(HashKind::Sha512, Bytes(64, 1), plain); });
    const double check = timed([&] { doccrypt::decryptDocument(plain, password, back, wasEncrypted); });
    const double agile = timed([&] { streams = doccrypt::encryptAgile(plain, password, doccrypt::systemRandom); });
    const double whole = timed([&] { doccrypt::encryptDocument(plain, password, doccrypt::systemRandom, encrypted); });
    const double write = timed([&] { writeAll(encryptedPath, encrypted); });
    const double agileBack =
        timed([&] { doccrypt::decryptPackage(streams.encryptionInfo, streams.encryptedPackage, password); });
    const double wholeBack = timed([&] { doccrypt::decryptDocument(encrypted, password, back, wasEncrypted); });
    std::printf("phases_s: read=%.3f write=%.3f derive=%.3f hmac=%.3f | encrypt: check=%.3f agile=%.3f "
                "document=%.3f (rest %.3f) | decrypt: agile=%.3f document=%.3f (rest %.3f)\n",
                read, write, derive, mac, check, agile, whole, whole - check - agile, agileBack, wholeBack,
                wholeBack - agileBack);
}

int big(const std::string& plainPath, const std::string& encryptedPath, const std::string& decryptedPath,
        const std::string& text) {
    const std::u16string password(text.begin(), text.end());
    double encrypt = 1e9, decrypt = 1e9;
    for (int run = 0; run < 3; ++run) {
        auto start = Clock::now();
        Bytes encrypted;
        if (doccrypt::encryptDocument(readAll(plainPath), password, doccrypt::systemRandom, encrypted).outcome !=
            doccrypt::Outcome::Ok)
            return 1;
        writeAll(encryptedPath, encrypted);
        encrypt = std::min(encrypt, since(start));

        start = Clock::now();
        Bytes plain;
        bool wasEncrypted = false;
        if (doccrypt::decryptDocument(readAll(encryptedPath), password, plain, wasEncrypted).outcome !=
            doccrypt::Outcome::Ok)
            return 1;
        writeAll(decryptedPath, plain);
        decrypt = std::min(decrypt, since(start));
    }
    std::printf("encrypt_s=%.3f decrypt_s=%.3f identical=%s\n", encrypt, decrypt,
                readAll(plainPath) == readAll(decryptedPath) ? "yes" : "no");
    phases(plainPath, encryptedPath, password);
    return 0;
}

int job(const std::string& sample, const std::string& folder, int count) {
    CreateDirectoryA(folder.c_str(), nullptr);
    const Bytes document = readAll(sample);
    // The floor: the document encrypted in memory with a password.
    const int floorRuns = 20;
    auto start = Clock::now();
    for (int i = 0; i < floorRuns; ++i) {
        Bytes encrypted;
        doccrypt::encryptDocument(document, u"0123456789abcde", doccrypt::systemRandom, encrypted);
    }
    const double floor = since(start) / floorRuns;

    for (int i = 0; i < count; ++i) writeAll(folder + "\\file " + std::to_string(i) + ".docx", document);
    int failed = 0;
    start = Clock::now();
    {
        PasswordGenerator::IdentityScope identity;
        OfficeApplication session{OfficeApplication::BuiltIn{}};
        for (int i = 0; i < count; ++i) {
            const std::string path = folder + "\\file " + std::to_string(i) + ".docx";
            if (session.protect(path.c_str(), false) != 0) ++failed;
        }
    }
    const double perFile = since(start) / count;
    for (int i = 0; i < count; ++i) DeleteFileA((folder + "\\file " + std::to_string(i) + ".docx").c_str());
    std::printf("job files=%d failed=%d per_file_ms=%.1f floor_ms=%.1f ratio=%.2f (goal <= 1.3)\n", count, failed,
                perFile * 1000, floor * 1000, perFile / floor);
    return failed == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "big" && argc == 6) return big(argv[2], argv[3], argv[4], argv[5]);
    if (mode == "job" && argc == 5) return job(argv[2], argv[3], std::atoi(argv[4]));
    std::fprintf(stderr, "usage: doccrypt_benchmark big PLAIN ENCRYPTED DECRYPTED PASSWORD | job SAMPLE FOLDER COUNT\n");
    return 2;
}
