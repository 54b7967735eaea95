// Times the stand-in's encryption: office-standin-bench.exe PLAIN ENCRYPTED DECRYPTED PASSWORD
// encrypts PLAIN (any bytes, treated as a package) into the two streams,
// writes them as a compound file, decrypts them again and prints the times.
#include <windows.h>
#include <bcrypt.h>
#include <objbase.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "standins/office/OfficeCrypto.h"

using namespace office_standin;
using Clock = std::chrono::steady_clock;

namespace {
double since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

void write(IStorage* s, const wchar_t* name, const Bytes& b) {
    IStream* st = nullptr;
    s->CreateStream(name, STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &st);
    ULONG done = 0;
    st->Write(b.data(), ULONG(b.size()), &done);
    st->Release();
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 5) return 2;
    CoInitialize(nullptr);
    std::ifstream in(argv[1], std::ios::binary);
    Bytes plain((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::u16string pw(argv[4], argv[4] + wcslen(argv[4]));
    auto fill = [](std::uint8_t* p, std::size_t n) { BCryptGenRandom(nullptr, p, ULONG(n), BCRYPT_USE_SYSTEM_PREFERRED_RNG); };

    auto t = Clock::now();
    EncryptedStreams e = encryptAgile(plain, pw, fill);
    IStorage* stg = nullptr;
    StgCreateDocfile(argv[2], STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, &stg);
    write(stg, L"EncryptionInfo", e.encryptionInfo);
    write(stg, L"EncryptedPackage", e.encryptedPackage);
    stg->Commit(STGC_DEFAULT);
    stg->Release();
    double encrypt = since(t);

    // The best of three: the machine is shared, and one slow run says little.
    Decrypted d;
    double decrypt = 1e9;
    for (int run = 0; run < 3; ++run) {
        t = Clock::now();
        d = decryptPackage(e.encryptionInfo, e.encryptedPackage, pw);
        std::ofstream out(argv[3], std::ios::binary);
        out.write(reinterpret_cast<const char*>(d.package.data()), std::streamsize(d.package.size()));
        out.close();
        decrypt = std::min(decrypt, since(t));
    }

    t = Clock::now();
    Bytes iterated = agileIteratedHash(HashKind::Sha512, Bytes(16, 7), pw, 100000);
    double derive = since(t);
    t = Clock::now();
    Bytes h(64, 1);
    for (int i = 0; i < 100000; ++i) h = Sha512::digest(h);
    double bare = since(t);

    std::printf("size_bytes=%zu encrypt_s=%.3f decrypt_s=%.3f key_derivation_s=%.3f bare_100000_sha512_s=%.3f ok=%d\n",
                plain.size(), encrypt, decrypt, derive, bare, d.status == DecryptStatus::Ok && d.package == plain);
    CoUninitialize();
    return d.status == DecryptStatus::Ok && d.package == plain ? 0 : 1;
}
