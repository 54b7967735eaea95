#pragma once

// Hashes, the AES block cipher and Base64, as the Office encryption formats
// use them. Portable: no platform calls.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace office_standin {

using Bytes = std::vector<std::uint8_t>;

class Sha1 {
public:
    static constexpr std::size_t kSize = 20;
    static constexpr std::size_t kBlock = 64;
    Sha1();
    void update(const void* data, std::size_t size);
    Bytes finish();
    static Bytes digest(const Bytes& data);

private:
    void block(const std::uint8_t* p);
    std::uint32_t h_[5];
    std::uint8_t buffer_[64];
    std::size_t used_ = 0;
    std::uint64_t length_ = 0;
};

class Sha512 {
public:
    static constexpr std::size_t kSize = 64;
    static constexpr std::size_t kBlock = 128;
    Sha512();
    void update(const void* data, std::size_t size);
    Bytes finish();
    static Bytes digest(const Bytes& data);

private:
    void block(const std::uint8_t* p);
    std::uint64_t h_[8];
    std::uint8_t buffer_[128];
    std::size_t used_ = 0;
    std::uint64_t length_ = 0;
};

enum class HashKind { Sha1, Sha512 };

std::size_t hashSize(HashKind kind);
Bytes hash(HashKind kind, const Bytes& data);
Bytes hash2(HashKind kind, const Bytes& a, const Bytes& b);
Bytes hmac(HashKind kind, const Bytes& key, const Bytes& message);

// AES with a 128, 192 or 256-bit key.
class Aes {
public:
    explicit Aes(const Bytes& key);  // throws std::invalid_argument on a bad key size
    void encryptBlock(const std::uint8_t in[16], std::uint8_t out[16]) const;
    void decryptBlock(const std::uint8_t in[16], std::uint8_t out[16]) const;
    // CBC over `blocks` 16-byte blocks; in and out may be the same buffer.
    void cbcEncrypt(const std::uint8_t iv[16], const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) const;
    void cbcDecrypt(const std::uint8_t iv[16], const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) const;

private:
    int rounds_;
    std::uint32_t enc_[60];
    std::uint32_t dec_[60];
    // The same round keys as bytes, for the processor's AES instructions.
    std::uint8_t encBytes_[240];
    std::uint8_t decBytes_[240];
};

// Whether the processor's AES instructions may be used where present (the
// tests switch them off to check the portable code too).
void allowAesInstructions(bool allowed);

// CBC over whole blocks; the size must be a multiple of 16.
Bytes aesCbcEncrypt(const Bytes& key, const Bytes& iv, const Bytes& data);
Bytes aesCbcDecrypt(const Bytes& key, const Bytes& iv, const Bytes& data);
Bytes aesEcbDecrypt(const Bytes& key, const Bytes& data);

std::string base64Encode(const Bytes& data);
// False when text holds anything but Base64 characters, padding and blanks.
bool base64Decode(const std::string& text, Bytes& out);

// A password as the key derivations hash it: UTF-16LE, no terminator.
Bytes passwordBytes(const std::u16string& password);

}  // namespace office_standin
