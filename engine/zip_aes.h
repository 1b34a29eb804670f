// WinZip AES encryption of ZIP entries: compression method 99, with the
// real method, the key size and the format version in extra field 0x9901.
//
// An entry's data is: a salt (8, 12 or 16 bytes for keys of 128, 192 or
// 256 bits), a 2-byte password verifier, the cipher text, and a 10-byte
// authentication code. PBKDF2-HMAC-SHA1 (1,000 iterations) turns the
// password and the salt into the AES key, the HMAC key and the verifier.
// The cipher is AES in counter mode as WinZip defines it: the counter is a
// little-endian number in the first 8 bytes of a zeroed 16-byte block,
// starting at 1 (not the big-endian counter of the usual CTR mode). The
// code is the first 10 bytes of HMAC-SHA1 over the cipher text. AE-1 keeps
// the CRC-32 of the plain data in the headers; AE-2 stores 0 there and
// relies on the code alone.
//
// Every primitive is OpenSSL's (EVP): AES with the processor's AES
// instructions where it has them, SHA-1, HMAC and PBKDF2.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zarvon::engine::detail {

inline constexpr uint32_t kAesMethod = 99;
inline constexpr unsigned kAesExtraId = 0x9901;
inline constexpr size_t kAesVerifierSize = 2;
inline constexpr size_t kAesCodeSize = 10;
inline constexpr int kAesIterations = 1000;
// The most an entry's data grows by: the largest salt, verifier and code.
inline constexpr size_t kAesMaxOverhead = 16 + kAesVerifierSize + kAesCodeSize;

// The 0x9901 field of an entry.
struct AesField {
    uint32_t version = 0;  // 1 (AE-1) or 2 (AE-2)
    uint32_t keyBits = 0;  // 128, 192 or 256
    uint32_t method = 0;   // the data's own method: 0 stored, 8 Deflate, ...
};

// Finds the 0x9901 field in an extra field. Result true when it is there and
// well formed: data size 7, version 1 or 2, vendor "AE", strength 1 to 3.
// False (out untouched) when it is missing, short, or of an unknown kind.
bool readAesExtra(std::string_view extra, AesField &out);

// The 0x9901 field (11 bytes) for AE-2, a 256-bit key and `method`.
std::string aesExtra(uint32_t method);

// Salt length for a key size in bits; 0 for a size WinZip does not define.
size_t aesSaltSize(uint32_t keyBits);

// PBKDF2-HMAC-SHA1 of `password` and `salt`, `iterations` times, into
// `out` (`outLen` bytes). Result false when the library refused.
bool pbkdf2HmacSha1(std::string_view password, const unsigned char *salt, size_t saltLen, int iterations,
                    unsigned char *out, size_t outLen);

// One entry's cipher and authentication code. Create it with `start`, then
// run every byte of the entry's data through encrypt() (writing) or
// decrypt() (reading), in order; authenticateOnly() feeds cipher text to the
// code without decrypting (the rest of an entry whose data is not needed).
class AesEntryCipher {
public:
    ~AesEntryCipher();
    AesEntryCipher(const AesEntryCipher &) = delete;
    AesEntryCipher &operator=(const AesEntryCipher &) = delete;

    // Derives the keys for `password` and `salt` (aesSaltSize(keyBits)
    // bytes) and writes the 2-byte password verifier to `verifier`. Null
    // when the key size is unknown or the library fails.
    static std::unique_ptr<AesEntryCipher> start(std::string_view password, const unsigned char *salt, uint32_t keyBits,
                                                 unsigned char verifier[kAesVerifierSize]);

    // In place. Result false when the library fails.
    bool encrypt(unsigned char *data, size_t len);
    bool decrypt(unsigned char *data, size_t len);
    bool authenticateOnly(const unsigned char *data, size_t len);

    // The authentication code of everything so far; call once, at the end.
    bool finish(unsigned char code[kAesCodeSize]);

    // XORs the next `len` bytes of the counter-mode key stream into `data`
    // without touching the code (the key stream alone, for the checks).
    bool applyKeyStream(unsigned char *data, size_t len);

private:
    AesEntryCipher() = default;
    bool refill();

    struct Library;
    std::unique_ptr<Library> lib_;
    uint64_t counter_ = 0;          // the last counter value used
    unsigned char blocks_[16384]{}; // counter blocks; their upper 8 bytes stay 0
    unsigned char stream_[16384]{}; // key stream not yet used, from streamPos_
    size_t streamPos_ = sizeof stream_;
};

// Fresh bytes from the system's random source (the library's generator,
// seeded from the system). Result false when none can be had.
bool aesRandomBytes(unsigned char *out, size_t len);

// After an archive was written: the entries of the given indexes (from 0,
// in central-directory order) were written as stored data with their AES
// field; they become method 99, version needed 5.1, in the central
// directory and in their local headers. Result false when the archive could
// not be read or written.
bool markAesEntries(const std::string &archivePath, const std::vector<uint64_t> &indexes);

} // namespace zarvon::engine::detail
