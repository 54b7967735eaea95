#include "Crypto.h"

#include <algorithm>
#include <stdexcept>

// What both builds of the primitives share: the one-call helpers over them
// and Base64.

namespace doccrypt {

RunningHash::RunningHash(std::unique_ptr<State> state) : state_(std::move(state)) {}
RunningHash::~RunningHash() = default;
RunningHash::RunningHash(RunningHash&&) noexcept = default;
RunningHash& RunningHash::operator=(RunningHash&&) noexcept = default;
void RunningHash::update(const void* data, std::size_t size) { state_->update(data, size); }
Bytes RunningHash::finish() { return state_->finish(); }

namespace {
template <typename Hash>
Bytes digestOf(const Bytes& data) {
    Hash h;
    h.update(data.data(), data.size());
    return h.finish();
}
}  // namespace

Bytes Sha1::digest(const Bytes& data) { return digestOf<Sha1>(data); }
Bytes Sha512::digest(const Bytes& data) { return digestOf<Sha512>(data); }
Bytes Md5::digest(const Bytes& data) { return digestOf<Md5>(data); }

std::size_t hashSize(HashKind kind) { return kind == HashKind::Sha1 ? Sha1::kSize : Sha512::kSize; }

Bytes hash2(HashKind kind, const Bytes& a, const Bytes& b) {
    auto both = [&](RunningHash&& h) {
        h.update(a.data(), a.size());
        h.update(b.data(), b.size());
        return h.finish();
    };
    return kind == HashKind::Sha1 ? both(Sha1()) : both(Sha512());
}

Bytes hash(HashKind kind, const Bytes& data) { return hash2(kind, data, Bytes()); }

namespace {
void requireBlocks(const Bytes& data) {
    if (data.size() % 16) throw std::invalid_argument("AES data is not a whole number of blocks");
}
Bytes ivBlock(const Bytes& iv) {
    Bytes b(iv.begin(), iv.begin() + std::min<std::size_t>(iv.size(), 16));
    b.resize(16, 0);
    return b;
}
}  // namespace

namespace {
Bytes aesCbc(bool encrypt, const Bytes& key, const Bytes& iv, const Bytes& data) {
    requireBlocks(data);
    Aes aes(key);
    Bytes out(data.size());
    if (data.empty()) return out;
    if (encrypt) aes.cbcEncrypt(ivBlock(iv).data(), data.data(), out.data(), data.size() / 16);
    else aes.cbcDecrypt(ivBlock(iv).data(), data.data(), out.data(), data.size() / 16);
    return out;
}
}  // namespace

Bytes aesCbcEncrypt(const Bytes& key, const Bytes& iv, const Bytes& data) { return aesCbc(true, key, iv, data); }

Bytes aesCbcDecrypt(const Bytes& key, const Bytes& iv, const Bytes& data) { return aesCbc(false, key, iv, data); }

// ---- Base64 ----

namespace {
const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
}

std::string base64Encode(const Bytes& data) {
    std::string out;
    out.reserve((data.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < data.size(); i += 3) {
        std::uint32_t v = std::uint32_t(data[i]) << 16;
        if (i + 1 < data.size()) v |= std::uint32_t(data[i + 1]) << 8;
        if (i + 2 < data.size()) v |= data[i + 2];
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += i + 1 < data.size() ? kAlphabet[(v >> 6) & 63] : '=';
        out += i + 2 < data.size() ? kAlphabet[v & 63] : '=';
    }
    return out;
}

bool base64Decode(const std::string& text, Bytes& out) {
    out.clear();
    std::uint32_t acc = 0;
    int bits = 0;
    bool ended = false;
    for (char ch : text) {
        int v;
        if (ch >= 'A' && ch <= 'Z') v = ch - 'A';
        else if (ch >= 'a' && ch <= 'z') v = ch - 'a' + 26;
        else if (ch >= '0' && ch <= '9') v = ch - '0' + 52;
        else if (ch == '+') v = 62;
        else if (ch == '/') v = 63;
        else if (ch == '=') {
            ended = true;
            continue;
        } else if (ch == ' ' || ch == '\r' || ch == '\n' || ch == '\t') continue;
        else return false;
        if (ended) return false;
        acc = (acc << 6) | std::uint32_t(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out.push_back(std::uint8_t(acc >> bits));
        }
    }
    return true;
}

Bytes passwordBytes(const std::u16string& password) {
    Bytes out;
    out.reserve(password.size() * 2);
    for (char16_t c : password) {
        out.push_back(std::uint8_t(c & 0xff));
        out.push_back(std::uint8_t(c >> 8));
    }
    return out;
}

}  // namespace doccrypt
