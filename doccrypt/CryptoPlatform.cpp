#include "Crypto.h"

// The primitives through the platform: hashes, HMAC and AES through BCrypt,
// RC4 through CryptoAPI (BCrypt's RC4 is missing under Wine). The algorithm
// providers are opened once per process, on first use, and shared by every
// thread; each object owns its own hash or key handle.

#include <windows.h>
#include <bcrypt.h>
#include <wincrypt.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <stdexcept>

#include "foundation/WinHandles.h"

namespace doccrypt {

namespace {

[[noreturn]] void fail(const char* what, unsigned long code) {
    char text[128];
    std::snprintf(text, sizeof text, "%s failed (0x%08lX)", what, code);
    throw std::runtime_error(text);
}

void check(NTSTATUS status, const char* what) {
    if (!BCRYPT_SUCCESS(status)) fail(what, static_cast<unsigned long>(status));
}

// BCrypt and CryptoAPI take sizes as ULONG/DWORD: larger buffers go in pieces.
constexpr std::size_t kMaxPiece = 1u << 30;

void destroyHash(BCRYPT_HASH_HANDLE h) { BCryptDestroyHash(h); }
void destroyKey(BCRYPT_KEY_HANDLE k) { BCryptDestroyKey(k); }
void destroyCryptKey(HCRYPTKEY k) { CryptDestroyKey(k); }
using unique_hash = unique_any<BCRYPT_HASH_HANDLE, handles::Traits<BCRYPT_HASH_HANDLE, destroyHash>>;
using unique_key = unique_any<BCRYPT_KEY_HANDLE, handles::Traits<BCRYPT_KEY_HANDLE, destroyKey>>;
using unique_cryptkey = unique_any<HCRYPTKEY, handles::Traits<HCRYPTKEY, destroyCryptKey>>;

// An algorithm provider kept for the life of the process. Plain hashes ask
// for reusable hash objects (Windows 8 and later, and Wine): the key
// derivations finish a hash a hundred thousand times in a row, and creating
// an object for each costs about a quarter more under Wine.
class Algorithm {
public:
    Algorithm(const wchar_t* id, ULONG flags, const wchar_t* chaining = nullptr) {
        if (flags == kReusable) {
            reusable_ = BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&handle_, id, nullptr, flags));
            if (!reusable_) flags = 0;
        }
        if (!reusable_) check(BCryptOpenAlgorithmProvider(&handle_, id, nullptr, flags), "BCryptOpenAlgorithmProvider");
        if (chaining) {
            NTSTATUS status = BCryptSetProperty(handle_, BCRYPT_CHAINING_MODE,
                                                reinterpret_cast<PUCHAR>(const_cast<wchar_t*>(chaining)),
                                                ULONG((std::wcslen(chaining) + 1) * sizeof(wchar_t)), 0);
            if (!BCRYPT_SUCCESS(status)) {
                BCryptCloseAlgorithmProvider(handle_, 0);
                fail("BCryptSetProperty(BCRYPT_CHAINING_MODE)", static_cast<unsigned long>(status));
            }
        }
    }
    ~Algorithm() { BCryptCloseAlgorithmProvider(handle_, 0); }
    Algorithm(const Algorithm&) = delete;
    Algorithm& operator=(const Algorithm&) = delete;
    BCRYPT_ALG_HANDLE get() const { return handle_; }
    bool reusable() const { return reusable_; }

    static constexpr ULONG kReusable = BCRYPT_HASH_REUSABLE_FLAG;

private:
    BCRYPT_ALG_HANDLE handle_ = nullptr;
    bool reusable_ = false;
};

// Function-local statics: opened by the first caller, thread-safe; a failed
// open throws and is tried again by the next caller.
const Algorithm& sha1Algorithm() {
    static const Algorithm a(BCRYPT_SHA1_ALGORITHM, Algorithm::kReusable);
    return a;
}
const Algorithm& sha512Algorithm() {
    static const Algorithm a(BCRYPT_SHA512_ALGORITHM, Algorithm::kReusable);
    return a;
}
const Algorithm& md5Algorithm() {
    static const Algorithm a(BCRYPT_MD5_ALGORITHM, Algorithm::kReusable);
    return a;
}
const Algorithm& hmacAlgorithm(HashKind kind) {
    static const Algorithm sha1(BCRYPT_SHA1_ALGORITHM, BCRYPT_ALG_HANDLE_HMAC_FLAG);
    static const Algorithm sha512(BCRYPT_SHA512_ALGORITHM, BCRYPT_ALG_HANDLE_HMAC_FLAG);
    return kind == HashKind::Sha1 ? sha1 : sha512;
}
BCRYPT_ALG_HANDLE aesCbcAlgorithm() {
    static const Algorithm a(BCRYPT_AES_ALGORITHM, 0, BCRYPT_CHAIN_MODE_CBC);
    return a.get();
}
BCRYPT_ALG_HANDLE aesEcbAlgorithm() {
    static const Algorithm a(BCRYPT_AES_ALGORITHM, 0, BCRYPT_CHAIN_MODE_ECB);
    return a.get();
}

// A running hash (or HMAC when given a secret). The BCrypt object is made on
// first use; finish() leaves a reusable one ready for the next message and
// drops any other, so the next use starts afresh either way.
class PlatformHash {
public:
    PlatformHash(const Algorithm& algorithm, std::size_t size) : algorithm_(algorithm), size_(size) {}

    void start(const std::uint8_t* secret, std::size_t secretSize) {
        check(BCryptCreateHash(algorithm_.get(), hash_.put(), nullptr, 0, const_cast<PUCHAR>(secret), ULONG(secretSize),
                               algorithm_.reusable() ? BCRYPT_HASH_REUSABLE_FLAG : 0),
              "BCryptCreateHash");
    }

    void update(const void* data, std::size_t size) {
        if (!hash_) start(nullptr, 0);
        auto* p = static_cast<PUCHAR>(const_cast<void*>(data));
        while (size) {
            std::size_t piece = std::min(size, kMaxPiece);
            check(BCryptHashData(hash_.get(), p, ULONG(piece), 0), "BCryptHashData");
            p += piece;
            size -= piece;
        }
    }

    Bytes finish() {
        if (!hash_) start(nullptr, 0);
        Bytes out(size_);
        check(BCryptFinishHash(hash_.get(), out.data(), ULONG(out.size()), 0), "BCryptFinishHash");
        if (!algorithm_.reusable()) hash_.reset();
        return out;
    }

private:
    const Algorithm& algorithm_;
    std::size_t size_;
    unique_hash hash_;
};

unique_key symmetricKey(BCRYPT_ALG_HANDLE algorithm, const Bytes& key) {
    unique_key k;
    check(BCryptGenerateSymmetricKey(algorithm, k.put(), nullptr, 0, const_cast<PUCHAR>(key.data()), ULONG(key.size()), 0),
          "BCryptGenerateSymmetricKey");
    return k;
}

void requireAesKey(const Bytes& key) {
    if (key.size() != 16 && key.size() != 24 && key.size() != 32) throw std::invalid_argument("AES key size");
}

// Encrypts or decrypts whole blocks; iv is null for ECB and is advanced in
// place (CBC), so consecutive pieces chain.
void crypt(bool encrypt, BCRYPT_KEY_HANDLE key, std::uint8_t* iv, const std::uint8_t* in, std::uint8_t* out,
           std::size_t size) {
    while (size) {
        std::size_t piece = std::min(size, kMaxPiece);
        ULONG done = 0;
        auto* input = const_cast<PUCHAR>(in);
        NTSTATUS status = encrypt ? BCryptEncrypt(key, input, ULONG(piece), nullptr, iv, iv ? 16 : 0, out, ULONG(piece), &done, 0)
                                  : BCryptDecrypt(key, input, ULONG(piece), nullptr, iv, iv ? 16 : 0, out, ULONG(piece), &done, 0);
        check(status, encrypt ? "BCryptEncrypt" : "BCryptDecrypt");
        if (done != piece) fail(encrypt ? "BCryptEncrypt" : "BCryptDecrypt", 0);
        in += piece;
        out += piece;
        size -= piece;
    }
}

}  // namespace

// ---- Hashes ----

struct PlatformState final : RunningHash::State, PlatformHash {
    using PlatformHash::PlatformHash;
    void update(const void* data, std::size_t size) override { PlatformHash::update(data, size); }
    Bytes finish() override { return PlatformHash::finish(); }
};

Sha1::Sha1() : RunningHash(std::make_unique<PlatformState>(sha1Algorithm(), kSize)) {}
Sha512::Sha512() : RunningHash(std::make_unique<PlatformState>(sha512Algorithm(), kSize)) {}
Md5::Md5() : RunningHash(std::make_unique<PlatformState>(md5Algorithm(), kSize)) {}

Bytes hmac(HashKind kind, const Bytes& key, const Bytes& message) {
    PlatformHash h(hmacAlgorithm(kind), hashSize(kind));
    // An empty key is padded with zeros like any short one: one zero byte is
    // the same key, and every provider takes it.
    const std::uint8_t zero = 0;
    if (key.empty()) h.start(&zero, 1);
    else h.start(key.data(), key.size());
    h.update(message.data(), message.size());
    return h.finish();
}

// ---- AES ----

void allowAesInstructions(bool) {}

struct Aes::State {
    unique_key cbc, ecb;
};

Aes::Aes(const Bytes& key) : state_(std::make_unique<State>()) {
    requireAesKey(key);
    state_->cbc = symmetricKey(aesCbcAlgorithm(), key);
    state_->ecb = symmetricKey(aesEcbAlgorithm(), key);
}
Aes::~Aes() = default;
Aes::Aes(Aes&&) noexcept = default;
Aes& Aes::operator=(Aes&&) noexcept = default;

void Aes::encryptBlock(const std::uint8_t in[16], std::uint8_t out[16]) const {
    crypt(true, state_->ecb.get(), nullptr, in, out, 16);
}

void Aes::decryptBlock(const std::uint8_t in[16], std::uint8_t out[16]) const {
    crypt(false, state_->ecb.get(), nullptr, in, out, 16);
}

void Aes::cbcEncrypt(const std::uint8_t iv[16], const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) const {
    std::uint8_t chain[16];
    std::memcpy(chain, iv, 16);
    crypt(true, state_->cbc.get(), chain, in, out, blocks * 16);
}

void Aes::cbcDecrypt(const std::uint8_t iv[16], const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) const {
    std::uint8_t chain[16];
    std::memcpy(chain, iv, 16);
    crypt(false, state_->cbc.get(), chain, in, out, blocks * 16);
}

Bytes aesEcbDecrypt(const Bytes& key, const Bytes& data) {
    if (data.size() % 16) throw std::invalid_argument("AES data is not a whole number of blocks");
    requireAesKey(key);
    unique_key k = symmetricKey(aesEcbAlgorithm(), key);
    Bytes out(data.size());
    crypt(false, k.get(), nullptr, data.data(), out.data(), data.size());
    return out;
}

// ---- RC4 ----

namespace {

// The CryptoAPI provider for RC4, acquired once per process. Microsoft's
// providers may be shared between threads; each Rc4 owns its key.
class CryptProvider {
public:
    CryptProvider() {
        if (!CryptAcquireContextW(&handle_, nullptr, MS_ENH_RSA_AES_PROV_W, PROV_RSA_AES,
                                  CRYPT_VERIFYCONTEXT | CRYPT_SILENT) &&
            !CryptAcquireContextW(&handle_, nullptr, MS_ENHANCED_PROV_W, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT | CRYPT_SILENT))
            fail("CryptAcquireContext", GetLastError());
    }
    ~CryptProvider() { CryptReleaseContext(handle_, 0); }
    CryptProvider(const CryptProvider&) = delete;
    CryptProvider& operator=(const CryptProvider&) = delete;
    HCRYPTPROV get() const { return handle_; }

private:
    HCRYPTPROV handle_ = 0;
};

HCRYPTPROV rc4Provider() {
    static const CryptProvider p;
    return p.get();
}

struct Rc4KeyBlob {
    BLOBHEADER header;
    DWORD size;
    BYTE key[16];
};

}  // namespace

struct Rc4::State {
    unique_cryptkey key;
};

Rc4::Rc4(const std::uint8_t* key, std::size_t size) : state_(std::make_unique<State>()) {
    if (size == 0 || size > 16) throw std::invalid_argument("RC4 key size");
    // The providers take 40 to 128-bit keys, and give a 40-bit key a salt of
    // eleven zero bytes (Wine even with CRYPT_NO_SALT). The key schedule
    // only ever reads key[i % size]: a key repeated to a whole multiple of
    // its size is the same key, so short keys go in at 48 bits or more.
    std::size_t copies = (6 + size - 1) / size;
    Rc4KeyBlob blob{{PLAINTEXTKEYBLOB, CUR_BLOB_VERSION, 0, CALG_RC4}, DWORD(size * copies), {}};
    for (std::size_t c = 0; c < copies; ++c) std::memcpy(blob.key + c * size, key, size);
    if (!CryptImportKey(rc4Provider(), reinterpret_cast<const BYTE*>(&blob), DWORD(offsetof(Rc4KeyBlob, key) + blob.size), 0,
                        CRYPT_NO_SALT, state_->key.put()))
        fail("CryptImportKey(RC4)", GetLastError());
    SecureZeroMemory(&blob, sizeof blob);
}
Rc4::~Rc4() = default;
Rc4::Rc4(Rc4&&) noexcept = default;
Rc4& Rc4::operator=(Rc4&&) noexcept = default;

void Rc4::apply(std::uint8_t* data, std::size_t size) {
    while (size) {
        DWORD piece = DWORD(std::min(size, kMaxPiece));
        DWORD done = piece;
        // Final stays FALSE: the key stream runs on from one call to the next.
        if (!CryptEncrypt(state_->key.get(), 0, FALSE, 0, data, &done, piece) || done != piece)
            fail("CryptEncrypt(RC4)", GetLastError());
        data += piece;
        size -= piece;
    }
}

void Rc4::skip(std::size_t size) {
    std::uint8_t scratch[4096] = {};
    while (size) {
        std::size_t take = std::min(size, sizeof scratch);
        apply(scratch, take);
        size -= take;
    }
}

}  // namespace doccrypt
