#pragma once

// Hashes, the AES and RC4 ciphers and Base64, as the Office encryption formats
// use them.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace doccrypt {

using Bytes = std::vector<std::uint8_t>;

// The hashes and ciphers below come in two builds with one interface: on
// Windows they call the platform (BCrypt; CryptoAPI for RC4), elsewhere our
// own portable code. Objects own platform state: they move but never copy.
// Platform failures throw std::runtime_error. A hash's finish() returns the
// digest and starts the hash afresh.

// What the hashes share: feed bytes in, take the digest out.
class RunningHash {
public:
    ~RunningHash();
    RunningHash(RunningHash&&) noexcept;
    RunningHash& operator=(RunningHash&&) noexcept;
    void update(const void* data, std::size_t size);
    Bytes finish();

    // What each build implements for each algorithm.
    struct State {
        virtual ~State() = default;
        virtual void update(const void* data, std::size_t size) = 0;
        virtual Bytes finish() = 0;
    };

protected:
    explicit RunningHash(std::unique_ptr<State> state);

private:
    std::unique_ptr<State> state_;
};

class Sha1 : public RunningHash {
public:
    static constexpr std::size_t kSize = 20;
    static constexpr std::size_t kBlock = 64;
    Sha1();
    static Bytes digest(const Bytes& data);
};

class Sha512 : public RunningHash {
public:
    static constexpr std::size_t kSize = 64;
    static constexpr std::size_t kBlock = 128;
    Sha512();
    static Bytes digest(const Bytes& data);
};

class Md5 : public RunningHash {
public:
    static constexpr std::size_t kSize = 16;
    Md5();
    static Bytes digest(const Bytes& data);
};

// RC4 with a key of 1 to 16 bytes (up to 128 bits, what the formats use and
// CryptoAPI takes); other sizes throw std::invalid_argument.
class Rc4 {
public:
    Rc4(const std::uint8_t* key, std::size_t size);
    explicit Rc4(const Bytes& key) : Rc4(key.data(), key.size()) {}
    ~Rc4();
    Rc4(Rc4&&) noexcept;
    Rc4& operator=(Rc4&&) noexcept;
    // XORs the next size bytes of the key stream into data.
    void apply(std::uint8_t* data, std::size_t size);
    void skip(std::size_t size);

private:
    struct State;
    std::unique_ptr<State> state_;
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
    ~Aes();
    Aes(Aes&&) noexcept;
    Aes& operator=(Aes&&) noexcept;
    void encryptBlock(const std::uint8_t in[16], std::uint8_t out[16]) const;
    void decryptBlock(const std::uint8_t in[16], std::uint8_t out[16]) const;
    // CBC over `blocks` 16-byte blocks; in and out may be the same buffer.
    void cbcEncrypt(const std::uint8_t iv[16], const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) const;
    void cbcDecrypt(const std::uint8_t iv[16], const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

// Whether the portable code may use the processor's AES instructions where
// present (the tests switch them off to check the table code too). The
// platform build leaves that choice to the platform.
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

}  // namespace doccrypt
