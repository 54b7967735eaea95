#include "Crypto.h"

// The primitives in our own portable code: the native build (tested under the
// sanitizers and fuzzed) uses these.

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

#include "ByteOrder.h"

namespace doccrypt {

namespace {

inline std::uint32_t rol32(std::uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }
inline std::uint64_t ror64(std::uint64_t x, int n) { return (x >> n) | (x << (64 - n)); }

inline std::uint32_t be32(const std::uint8_t* p) {
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}
inline std::uint64_t be64(const std::uint8_t* p) { return (std::uint64_t(be32(p)) << 32) | be32(p + 4); }
inline void putBe32(std::uint8_t* p, std::uint32_t v) {
    p[0] = std::uint8_t(v >> 24);
    p[1] = std::uint8_t(v >> 16);
    p[2] = std::uint8_t(v >> 8);
    p[3] = std::uint8_t(v);
}
inline void putBe64(std::uint8_t* p, std::uint64_t v) {
    putBe32(p, std::uint32_t(v >> 32));
    putBe32(p + 4, std::uint32_t(v));
}

// Shared buffering for the two Merkle-Damgard hashes.
template <std::size_t Block, typename F>
void feed(std::uint8_t* buffer, std::size_t& used, std::uint64_t& length, const void* data, std::size_t size,
          F&& compress) {
    if (size == 0) return;
    const auto* p = static_cast<const std::uint8_t*>(data);
    length += size;
    if (used) {
        std::size_t take = std::min(Block - used, size);
        std::memcpy(buffer + used, p, take);
        used += take;
        p += take;
        size -= take;
        if (used < Block) return;
        compress(buffer);
        used = 0;
    }
    while (size >= Block) {
        compress(p);
        p += Block;
        size -= Block;
    }
    if (size) {
        std::memcpy(buffer, p, size);
        used = size;
    }
}

const std::uint64_t kSha512K[80] = {
    0x428a2f98d728ae22ULL, 0x7137449123ef65cdULL, 0xb5c0fbcfec4d3b2fULL, 0xe9b5dba58189dbbcULL,
    0x3956c25bf348b538ULL, 0x59f111f1b605d019ULL, 0x923f82a4af194f9bULL, 0xab1c5ed5da6d8118ULL,
    0xd807aa98a3030242ULL, 0x12835b0145706fbeULL, 0x243185be4ee4b28cULL, 0x550c7dc3d5ffb4e2ULL,
    0x72be5d74f27b896fULL, 0x80deb1fe3b1696b1ULL, 0x9bdc06a725c71235ULL, 0xc19bf174cf692694ULL,
    0xe49b69c19ef14ad2ULL, 0xefbe4786384f25e3ULL, 0x0fc19dc68b8cd5b5ULL, 0x240ca1cc77ac9c65ULL,
    0x2de92c6f592b0275ULL, 0x4a7484aa6ea6e483ULL, 0x5cb0a9dcbd41fbd4ULL, 0x76f988da831153b5ULL,
    0x983e5152ee66dfabULL, 0xa831c66d2db43210ULL, 0xb00327c898fb213fULL, 0xbf597fc7beef0ee4ULL,
    0xc6e00bf33da88fc2ULL, 0xd5a79147930aa725ULL, 0x06ca6351e003826fULL, 0x142929670a0e6e70ULL,
    0x27b70a8546d22ffcULL, 0x2e1b21385c26c926ULL, 0x4d2c6dfc5ac42aedULL, 0x53380d139d95b3dfULL,
    0x650a73548baf63deULL, 0x766a0abb3c77b2a8ULL, 0x81c2c92e47edaee6ULL, 0x92722c851482353bULL,
    0xa2bfe8a14cf10364ULL, 0xa81a664bbc423001ULL, 0xc24b8b70d0f89791ULL, 0xc76c51a30654be30ULL,
    0xd192e819d6ef5218ULL, 0xd69906245565a910ULL, 0xf40e35855771202aULL, 0x106aa07032bbd1b8ULL,
    0x19a4c116b8d2d0c8ULL, 0x1e376c085141ab53ULL, 0x2748774cdf8eeb99ULL, 0x34b0bcb5e19b48a8ULL,
    0x391c0cb3c5c95a63ULL, 0x4ed8aa4ae3418acbULL, 0x5b9cca4f7763e373ULL, 0x682e6ff3d6b2b8a3ULL,
    0x748f82ee5defb2fcULL, 0x78a5636f43172f60ULL, 0x84c87814a1f0ab72ULL, 0x8cc702081a6439ecULL,
    0x90befffa23631e28ULL, 0xa4506cebde82bde9ULL, 0xbef9a3f7b2c67915ULL, 0xc67178f2e372532bULL,
    0xca273eceea26619cULL, 0xd186b8c721c0c207ULL, 0xeada7dd6cde0eb1eULL, 0xf57d4f7fee6ed178ULL,
    0x06f067aa72176fbaULL, 0x0a637dc5a2c898a6ULL, 0x113f9804bef90daeULL, 0x1b710b35131c471bULL,
    0x28db77f523047d84ULL, 0x32caab7b40c72493ULL, 0x3c9ebe0a15c9bebcULL, 0x431d67c49c100d4cULL,
    0x4cc5d4becb3e42b6ULL, 0x597f299cfc657e2aULL, 0x5fcb6fab3ad6faecULL, 0x6c44198c4a475817ULL};

}  // namespace

namespace {

struct Sha1State final : RunningHash::State {
    std::uint32_t h_[5] = {0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u, 0xC3D2E1F0u};
    std::uint8_t buffer_[64];
    std::size_t used_ = 0;
    std::uint64_t length_ = 0;
    void block(const std::uint8_t* p);
    void update(const void* data, std::size_t size) override;
    Bytes finish() override;
};


void Sha1State::block(const std::uint8_t* p) {
    std::uint32_t w[80];
    for (int i = 0; i < 16; ++i) w[i] = be32(p + 4 * i);
    for (int i = 16; i < 80; ++i) w[i] = rol32(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
    std::uint32_t a = h_[0], b = h_[1], c = h_[2], d = h_[3], e = h_[4];
    for (int i = 0; i < 80; ++i) {
        std::uint32_t f, k;
        if (i < 20) {
            f = (b & c) | (~b & d);
            k = 0x5A827999u;
        } else if (i < 40) {
            f = b ^ c ^ d;
            k = 0x6ED9EBA1u;
        } else if (i < 60) {
            f = (b & c) | (b & d) | (c & d);
            k = 0x8F1BBCDCu;
        } else {
            f = b ^ c ^ d;
            k = 0xCA62C1D6u;
        }
        std::uint32_t t = rol32(a, 5) + f + e + k + w[i];
        e = d;
        d = c;
        c = rol32(b, 30);
        b = a;
        a = t;
    }
    h_[0] += a;
    h_[1] += b;
    h_[2] += c;
    h_[3] += d;
    h_[4] += e;
}

void Sha1State::update(const void* data, std::size_t size) {
    feed<64>(buffer_, used_, length_, data, size, [this](const std::uint8_t* p) { block(p); });
}

Bytes Sha1State::finish() {
    std::uint64_t bits = length_ * 8;
    std::uint8_t pad[72] = {0x80};
    std::size_t padLen = (used_ < 56) ? 56 - used_ : 120 - used_;
    putBe64(pad + padLen, bits);
    update(pad, padLen + 8);
    Bytes out(20);
    for (int i = 0; i < 5; ++i) putBe32(out.data() + 4 * i, h_[i]);
    *this = Sha1State();
    return out;
}

struct Sha512State final : RunningHash::State {
    std::uint64_t h_[8] = {0x6a09e667f3bcc908ULL, 0xbb67ae8584caa73bULL, 0x3c6ef372fe94f82bULL, 0xa54ff53a5f1d36f1ULL,
                           0x510e527fade682d1ULL, 0x9b05688c2b3e6c1fULL, 0x1f83d9abfb41bd6bULL, 0x5be0cd19137e2179ULL};
    std::uint8_t buffer_[128];
    std::size_t used_ = 0;
    std::uint64_t length_ = 0;
    void block(const std::uint8_t* p);
    void update(const void* data, std::size_t size) override;
    Bytes finish() override;
};


void Sha512State::block(const std::uint8_t* p) {
    std::uint64_t w[80];
    for (int i = 0; i < 16; ++i) w[i] = be64(p + 8 * i);
    for (int i = 16; i < 80; ++i) {
        std::uint64_t s0 = ror64(w[i - 15], 1) ^ ror64(w[i - 15], 8) ^ (w[i - 15] >> 7);
        std::uint64_t s1 = ror64(w[i - 2], 19) ^ ror64(w[i - 2], 61) ^ (w[i - 2] >> 6);
        w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    std::uint64_t a = h_[0], b = h_[1], c = h_[2], d = h_[3], e = h_[4], f = h_[5], g = h_[6], h = h_[7];
    for (int i = 0; i < 80; ++i) {
        std::uint64_t S1 = ror64(e, 14) ^ ror64(e, 18) ^ ror64(e, 41);
        std::uint64_t ch = (e & f) ^ (~e & g);
        std::uint64_t t1 = h + S1 + ch + kSha512K[i] + w[i];
        std::uint64_t S0 = ror64(a, 28) ^ ror64(a, 34) ^ ror64(a, 39);
        std::uint64_t maj = (a & b) ^ (a & c) ^ (b & c);
        std::uint64_t t2 = S0 + maj;
        h = g;
        g = f;
        f = e;
        e = d + t1;
        d = c;
        c = b;
        b = a;
        a = t1 + t2;
    }
    h_[0] += a;
    h_[1] += b;
    h_[2] += c;
    h_[3] += d;
    h_[4] += e;
    h_[5] += f;
    h_[6] += g;
    h_[7] += h;
}

void Sha512State::update(const void* data, std::size_t size) {
    feed<128>(buffer_, used_, length_, data, size, [this](const std::uint8_t* p) { block(p); });
}

Bytes Sha512State::finish() {
    std::uint8_t pad[144] = {0x80};
    std::size_t padLen = (used_ < 112) ? 112 - used_ : 240 - used_;
    // 128-bit length: the upper half stays zero for anything we can hold.
    putBe64(pad + padLen + 8, length_ * 8);
    update(pad, padLen + 16);
    Bytes out(64);
    for (int i = 0; i < 8; ++i) putBe64(out.data() + 8 * i, h_[i]);
    *this = Sha512State();
    return out;
}

}  // namespace

Sha1::Sha1() : RunningHash(std::make_unique<Sha1State>()) {}
Sha512::Sha512() : RunningHash(std::make_unique<Sha512State>()) {}

Bytes hmac(HashKind kind, const Bytes& key, const Bytes& message) {
    std::size_t block = kind == HashKind::Sha1 ? Sha1::kBlock : Sha512::kBlock;
    Bytes k = key.size() > block ? hash(kind, key) : key;
    k.resize(block, 0);
    Bytes inner(block), outer(block);
    for (std::size_t i = 0; i < block; ++i) {
        inner[i] = k[i] ^ 0x36;
        outer[i] = k[i] ^ 0x5c;
    }
    return hash2(kind, outer, hash2(kind, inner, message));
}

// ---- AES ----

namespace {
bool aesInstructionsAllowed = true;
}  // namespace

void allowAesInstructions(bool allowed) { aesInstructionsAllowed = allowed; }

namespace {

struct AesTables {
    std::uint8_t sbox[256];
    std::uint8_t inv[256];
    std::uint32_t te[4][256];
    std::uint32_t td[4][256];

    static std::uint8_t xtime(std::uint8_t x) { return std::uint8_t((x << 1) ^ ((x & 0x80) ? 0x1b : 0)); }
    static std::uint8_t mul(std::uint8_t a, std::uint8_t b) {
        std::uint8_t r = 0;
        while (b) {
            if (b & 1) r ^= a;
            a = xtime(a);
            b >>= 1;
        }
        return r;
    }

    AesTables() {
        // The S-box from its definition: multiplicative inverse, then the affine map.
        std::uint8_t p = 1, q = 1;
        do {
            p = std::uint8_t(p ^ (p << 1) ^ ((p & 0x80) ? 0x1b : 0));
            q ^= std::uint8_t(q << 1);
            q ^= std::uint8_t(q << 2);
            q ^= std::uint8_t(q << 4);
            if (q & 0x80) q ^= 0x09;
            std::uint8_t x = std::uint8_t(q ^ rotl8(q, 1) ^ rotl8(q, 2) ^ rotl8(q, 3) ^ rotl8(q, 4));
            sbox[p] = x ^ 0x63;
        } while (p != 1);
        sbox[0] = 0x63;
        for (int i = 0; i < 256; ++i) inv[sbox[i]] = std::uint8_t(i);
        for (int i = 0; i < 256; ++i) {
            std::uint8_t s = sbox[i];
            std::uint32_t e = (std::uint32_t(mul(s, 2)) << 24) | (std::uint32_t(s) << 16) | (std::uint32_t(s) << 8) |
                              mul(s, 3);
            std::uint8_t v = inv[i];
            std::uint32_t d = (std::uint32_t(mul(v, 14)) << 24) | (std::uint32_t(mul(v, 9)) << 16) |
                              (std::uint32_t(mul(v, 13)) << 8) | mul(v, 11);
            te[0][i] = e;
            td[0][i] = d;
            for (int r = 1; r < 4; ++r) {
                te[r][i] = (e >> (8 * r)) | (e << (32 - 8 * r));
                td[r][i] = (d >> (8 * r)) | (d << (32 - 8 * r));
            }
        }
    }
    static std::uint8_t rotl8(std::uint8_t x, int s) { return std::uint8_t((x << s) | (x >> (8 - s))); }
};

const AesTables& tables() {
    static const AesTables t;
    return t;
}

}  // namespace

struct Aes::State {
    int rounds;
    std::uint32_t enc[60];
    std::uint32_t dec[60];
    // The same round keys as bytes, for the processor's AES instructions.
    std::uint8_t encBytes[240];
    std::uint8_t decBytes[240];
};

Aes::Aes(const Bytes& key) : state_(std::make_unique<State>()) {
    const AesTables& t = tables();
    State& st = *state_;
    int nk = int(key.size() / 4);
    if (key.size() != 16 && key.size() != 24 && key.size() != 32) throw std::invalid_argument("AES key size");
    st.rounds = nk + 6;
    int total = 4 * (st.rounds + 1);
    for (int i = 0; i < nk; ++i) st.enc[i] = be32(key.data() + 4 * i);
    std::uint32_t rcon = 1;
    for (int i = nk; i < total; ++i) {
        std::uint32_t x = st.enc[i - 1];
        if (i % nk == 0) {
            x = (x << 8) | (x >> 24);
            x = (std::uint32_t(t.sbox[x >> 24]) << 24) | (std::uint32_t(t.sbox[(x >> 16) & 255]) << 16) |
                (std::uint32_t(t.sbox[(x >> 8) & 255]) << 8) | t.sbox[x & 255];
            x ^= rcon << 24;
            rcon = AesTables::xtime(std::uint8_t(rcon));
        } else if (nk > 6 && i % nk == 4) {
            x = (std::uint32_t(t.sbox[x >> 24]) << 24) | (std::uint32_t(t.sbox[(x >> 16) & 255]) << 16) |
                (std::uint32_t(t.sbox[(x >> 8) & 255]) << 8) | t.sbox[x & 255];
        }
        st.enc[i] = st.enc[i - nk] ^ x;
    }
    // Equivalent inverse cipher: round keys in reverse order, InvMixColumns on the middle ones.
    for (int r = 0; r <= st.rounds; ++r)
        for (int c = 0; c < 4; ++c) st.dec[4 * r + c] = st.enc[4 * (st.rounds - r) + c];
    for (int i = 4; i < 4 * st.rounds; ++i) {
        std::uint32_t w = st.dec[i];
        st.dec[i] = t.td[0][t.sbox[w >> 24]] ^ t.td[1][t.sbox[(w >> 16) & 255]] ^ t.td[2][t.sbox[(w >> 8) & 255]] ^
                  t.td[3][t.sbox[w & 255]];
    }
    for (int i = 0; i < total; ++i) {
        putBe32(st.encBytes + 4 * i, st.enc[i]);
        putBe32(st.decBytes + 4 * i, st.dec[i]);
    }
}

Aes::~Aes() = default;
Aes::Aes(Aes&&) noexcept = default;
Aes& Aes::operator=(Aes&&) noexcept = default;

#if defined(__GNUC__) && defined(__x86_64__)
#include <wmmintrin.h>
namespace {
bool hasAesInstructions() {
    static const bool yes = __builtin_cpu_supports("aes");
    return yes && aesInstructionsAllowed;
}
__attribute__((target("aes,sse2"))) void cbcEncryptNi(const std::uint8_t* keys, int rounds, const std::uint8_t* iv,
                                                     const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) {
    __m128i k[15];
    for (int r = 0; r <= rounds; ++r) k[r] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(keys + 16 * r));
    __m128i chain = _mm_loadu_si128(reinterpret_cast<const __m128i*>(iv));
    for (std::size_t b = 0; b < blocks; ++b) {
        __m128i x = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 16 * b)), chain);
        x = _mm_xor_si128(x, k[0]);
        for (int r = 1; r < rounds; ++r) x = _mm_aesenc_si128(x, k[r]);
        chain = _mm_aesenclast_si128(x, k[rounds]);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16 * b), chain);
    }
}
// Four blocks at a time: CBC decryption has no chain between the block ciphers.
__attribute__((target("aes,sse2"))) void cbcDecryptNi(const std::uint8_t* keys, int rounds, const std::uint8_t* iv,
                                                     const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) {
    __m128i k[15];
    for (int r = 0; r <= rounds; ++r) k[r] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(keys + 16 * r));
    __m128i chain = _mm_loadu_si128(reinterpret_cast<const __m128i*>(iv));
    std::size_t b = 0;
    for (; b + 4 <= blocks; b += 4) {
        __m128i c[4], x[4];
        for (int j = 0; j < 4; ++j) {
            c[j] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 16 * (b + j)));
            x[j] = _mm_xor_si128(c[j], k[0]);
        }
        for (int r = 1; r < rounds; ++r)
            for (int j = 0; j < 4; ++j) x[j] = _mm_aesdec_si128(x[j], k[r]);
        for (int j = 0; j < 4; ++j) x[j] = _mm_aesdeclast_si128(x[j], k[rounds]);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16 * b), _mm_xor_si128(x[0], chain));
        for (int j = 1; j < 4; ++j)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16 * (b + j)), _mm_xor_si128(x[j], c[j - 1]));
        chain = c[3];
    }
    for (; b < blocks; ++b) {
        __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 16 * b));
        __m128i x = _mm_xor_si128(c, k[0]);
        for (int r = 1; r < rounds; ++r) x = _mm_aesdec_si128(x, k[r]);
        x = _mm_aesdeclast_si128(x, k[rounds]);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16 * b), _mm_xor_si128(x, chain));
        chain = c;
    }
}
}  // namespace
#define OFFICE_STANDIN_AES_NI 1
#endif

void Aes::cbcEncrypt(const std::uint8_t iv[16], const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) const {
#ifdef OFFICE_STANDIN_AES_NI
    if (hasAesInstructions()) return cbcEncryptNi(state_->encBytes, state_->rounds, iv, in, out, blocks);
#endif
    std::uint8_t chain[16];
    std::memcpy(chain, iv, 16);
    for (std::size_t b = 0; b < blocks; ++b) {
        std::uint8_t x[16];
        for (int j = 0; j < 16; ++j) x[j] = in[16 * b + j] ^ chain[j];
        encryptBlock(x, out + 16 * b);
        std::memcpy(chain, out + 16 * b, 16);
    }
}

void Aes::cbcDecrypt(const std::uint8_t iv[16], const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) const {
#ifdef OFFICE_STANDIN_AES_NI
    if (hasAesInstructions()) return cbcDecryptNi(state_->decBytes, state_->rounds, iv, in, out, blocks);
#endif
    std::uint8_t chain[16], next[16];
    std::memcpy(chain, iv, 16);
    for (std::size_t b = 0; b < blocks; ++b) {
        std::memcpy(next, in + 16 * b, 16);
        decryptBlock(next, out + 16 * b);
        for (int j = 0; j < 16; ++j) out[16 * b + j] ^= chain[j];
        std::memcpy(chain, next, 16);
    }
}

namespace {

// One block through the rounds. Encryption takes the forward tables with the
// rows shifted one way (shift 1), decryption the inverse tables with them
// shifted the other way (shift 3).
void aesRounds(const std::uint32_t* keys, int rounds, const std::uint32_t (&round)[4][256], const std::uint8_t* box,
               int shift, const std::uint8_t in[16], std::uint8_t out[16]) {
    std::uint32_t s[4];
    for (int i = 0; i < 4; ++i) s[i] = be32(in + 4 * i) ^ keys[i];
    auto column = [&](int i, int j) { return s[(i + j * shift) & 3]; };
    const std::uint32_t* k = keys + 4;
    for (int r = 1; r < rounds; ++r, k += 4) {
        std::uint32_t next[4];
        for (int i = 0; i < 4; ++i) {
            next[i] = round[0][column(i, 0) >> 24] ^ round[1][(column(i, 1) >> 16) & 255] ^
                      round[2][(column(i, 2) >> 8) & 255] ^ round[3][column(i, 3) & 255] ^ k[i];
        }
        std::copy(next, next + 4, s);
    }
    for (int i = 0; i < 4; ++i) {
        const std::uint32_t last = (std::uint32_t(box[column(i, 0) >> 24]) << 24) |
                                   (std::uint32_t(box[(column(i, 1) >> 16) & 255]) << 16) |
                                   (std::uint32_t(box[(column(i, 2) >> 8) & 255]) << 8) | box[column(i, 3) & 255];
        putBe32(out + 4 * i, last ^ k[i]);
    }
}

}  // namespace

void Aes::encryptBlock(const std::uint8_t in[16], std::uint8_t out[16]) const {
    const AesTables& t = tables();
    aesRounds(state_->enc, state_->rounds, t.te, t.sbox, 1, in, out);
}

void Aes::decryptBlock(const std::uint8_t in[16], std::uint8_t out[16]) const {
    const AesTables& t = tables();
    aesRounds(state_->dec, state_->rounds, t.td, t.inv, 3, in, out);
}

Bytes aesEcbDecrypt(const Bytes& key, const Bytes& data) {
    if (data.size() % 16) throw std::invalid_argument("AES data is not a whole number of blocks");
    Aes aes(key);
    Bytes out(data.size());
    for (std::size_t i = 0; i < data.size(); i += 16) aes.decryptBlock(&data[i], &out[i]);
    return out;
}

// ---- MD5 ----

namespace {

using byte_order::le32;

struct Md5Table {
    std::uint32_t k[64];
    Md5Table() {
        // The constants are the integer parts of |sin(i + 1)| * 2^32.
        for (int i = 0; i < 64; ++i) k[i] = std::uint32_t(std::floor(std::fabs(std::sin(double(i + 1))) * 4294967296.0));
    }
};

constexpr int kMd5Shift[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                               5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                               4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                               6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};

struct Md5State final : RunningHash::State {
    std::uint32_t h[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
    std::uint8_t buffer[64];
    std::size_t used = 0;
    std::uint64_t length = 0;

    void block(const std::uint8_t* p) {
        static const Md5Table table;
        std::uint32_t m[16];
        for (int i = 0; i < 16; ++i) m[i] = le32(p + 4 * i);
        std::uint32_t a = h[0], b = h[1], c = h[2], d = h[3];
        for (int i = 0; i < 64; ++i) {
            std::uint32_t f;
            int g;
            if (i < 16) {
                f = (b & c) | (~b & d);
                g = i;
            } else if (i < 32) {
                f = (d & b) | (~d & c);
                g = (5 * i + 1) % 16;
            } else if (i < 48) {
                f = b ^ c ^ d;
                g = (3 * i + 5) % 16;
            } else {
                f = c ^ (b | ~d);
                g = (7 * i) % 16;
            }
            f += a + table.k[i] + m[g];
            a = d;
            d = c;
            c = b;
            b += rol32(f, kMd5Shift[i]);
        }
        h[0] += a;
        h[1] += b;
        h[2] += c;
        h[3] += d;
    }

    void update(const void* data, std::size_t size) override {
        feed<64>(buffer, used, length, data, size, [this](const std::uint8_t* p) { block(p); });
    }

    Bytes finish() override {
        std::uint64_t bits = length * 8;
        std::uint8_t pad[72] = {0x80};
        std::size_t padSize = (used < 56 ? 56 - used : 120 - used);
        for (int i = 0; i < 8; ++i) pad[padSize + i] = std::uint8_t(bits >> (8 * i));
        update(pad, padSize + 8);
        Bytes out;
        for (std::uint32_t v : h)
            for (int i = 0; i < 4; ++i) out.push_back(std::uint8_t(v >> (8 * i)));
        *this = Md5State();
        return out;
    }
};

}  // namespace

Md5::Md5() : RunningHash(std::make_unique<Md5State>()) {}

// ---- RC4 ----

struct Rc4::State {
    std::uint8_t s[256];
    std::uint8_t i = 0, j = 0;
};

Rc4::Rc4(const std::uint8_t* key, std::size_t size) : state_(std::make_unique<State>()) {
    if (size == 0 || size > 16) throw std::invalid_argument("RC4 key size");
    std::uint8_t* s = state_->s;
    for (int i = 0; i < 256; ++i) s[i] = std::uint8_t(i);
    std::uint8_t j = 0;
    for (int i = 0; i < 256; ++i) {
        j = std::uint8_t(j + s[i] + key[std::size_t(i) % size]);
        std::swap(s[i], s[j]);
    }
}

Rc4::~Rc4() = default;
Rc4::Rc4(Rc4&&) noexcept = default;
Rc4& Rc4::operator=(Rc4&&) noexcept = default;

void Rc4::apply(std::uint8_t* data, std::size_t size) {
    std::uint8_t* s = state_->s;
    std::uint8_t i = state_->i, j = state_->j;
    for (std::size_t n = 0; n < size; ++n) {
        i = std::uint8_t(i + 1);
        j = std::uint8_t(j + s[i]);
        std::swap(s[i], s[j]);
        data[n] ^= s[std::uint8_t(s[i] + s[j])];
    }
    state_->i = i;
    state_->j = j;
}

void Rc4::skip(std::size_t size) {
    std::uint8_t scratch[256];
    while (size) {
        std::size_t take = std::min<std::size_t>(size, sizeof scratch);
        apply(scratch, take);
        size -= take;
    }
}

}  // namespace doccrypt
