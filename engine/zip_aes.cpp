#include "engine/zip_aes.h"

#include "engine/fs.h"
#include "engine/internal.h"

#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <bit>
#include <cstring>
#include <utility>

namespace zarvon::engine::detail {

namespace {

unsigned u16At(std::string_view s, size_t at)
{
    return static_cast<unsigned char>(s[at]) | static_cast<unsigned>(static_cast<unsigned char>(s[at + 1])) << 8;
}

size_t keySize(uint32_t keyBits) { return keyBits == 128 || keyBits == 192 || keyBits == 256 ? keyBits / 8 : 0; }

// Fetched once: fetching looks the algorithm up in the provider tables,
// which would otherwise be paid for every entry.
EVP_MAC *hmacAlgorithm()
{
    static EVP_MAC *mac = EVP_MAC_fetch(nullptr, "HMAC", nullptr);
    return mac;
}

EVP_CIPHER *ecbAlgorithm(uint32_t keyBits)
{
    static EVP_CIPHER *aes128 = EVP_CIPHER_fetch(nullptr, "AES-128-ECB", nullptr);
    static EVP_CIPHER *aes192 = EVP_CIPHER_fetch(nullptr, "AES-192-ECB", nullptr);
    static EVP_CIPHER *aes256 = EVP_CIPHER_fetch(nullptr, "AES-256-ECB", nullptr);
    return keyBits == 128 ? aes128 : keyBits == 192 ? aes192 : aes256;
}

uint32_t le32(const unsigned char *p)
{
    return p[0] | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

uint64_t le64(const unsigned char *p) { return le32(p) | static_cast<uint64_t>(le32(p + 4)) << 32; }

void put16(unsigned char *p, unsigned v)
{
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}

} // namespace

bool readAesExtra(std::string_view extra, AesField &out)
{
    size_t pos = 0;
    while (pos + 4 <= extra.size()) {
        const unsigned id = u16At(extra, pos), len = u16At(extra, pos + 2);
        const size_t body = pos + 4;
        if (body + len > extra.size())
            return false;
        if (id == kAesExtraId) {
            if (len != 7)
                return false;
            const unsigned version = u16At(extra, body);
            const unsigned strength = static_cast<unsigned char>(extra[body + 4]);
            if ((version != 1 && version != 2) || extra[body + 2] != 'A' || extra[body + 3] != 'E' || strength < 1 ||
                strength > 3)
                return false;
            out.version = version;
            out.keyBits = 64 + 64 * strength;
            out.method = u16At(extra, body + 5);
            return true;
        }
        pos = body + len;
    }
    return false;
}

std::string aesExtra(uint32_t method)
{
    std::string field(11, '\0');
    auto *p = reinterpret_cast<unsigned char *>(field.data());
    put16(p, kAesExtraId);
    put16(p + 2, 7);
    put16(p + 4, 2); // AE-2
    p[6] = 'A';
    p[7] = 'E';
    p[8] = 3; // 256-bit key
    put16(p + 9, method);
    return field;
}

size_t aesSaltSize(uint32_t keyBits) { return keySize(keyBits) / 2; }

bool pbkdf2HmacSha1(std::string_view password, const unsigned char *salt, size_t saltLen, int iterations,
                    unsigned char *out, size_t outLen)
{
    return PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()), salt, static_cast<int>(saltLen),
                             iterations, EVP_sha1(), static_cast<int>(outLen), out) == 1;
}

struct AesEntryCipher::Library {
    EVP_CIPHER_CTX *cipher = nullptr;
    EVP_MAC_CTX *mac = nullptr;
    ~Library()
    {
        EVP_CIPHER_CTX_free(cipher);
        EVP_MAC_CTX_free(mac);
    }
};

AesEntryCipher::~AesEntryCipher() = default;

std::unique_ptr<AesEntryCipher> AesEntryCipher::start(std::string_view password, const unsigned char *salt,
                                                      uint32_t keyBits, unsigned char verifier[kAesVerifierSize])
{
    const size_t keyLen = keySize(keyBits);
    if (keyLen == 0 || !hmacAlgorithm() || !ecbAlgorithm(keyBits))
        return nullptr;
    // The derived bytes: the AES key, the HMAC key (as long), the verifier.
    unsigned char derived[2 * 32 + kAesVerifierSize];
    const size_t derivedLen = 2 * keyLen + kAesVerifierSize;
    if (!pbkdf2HmacSha1(password, salt, keyLen / 2, kAesIterations, derived, derivedLen))
        return nullptr;
    std::unique_ptr<AesEntryCipher> c(new AesEntryCipher);
    c->lib_ = std::make_unique<Library>();
    Library &lib = *c->lib_;
    lib.cipher = EVP_CIPHER_CTX_new();
    lib.mac = EVP_MAC_CTX_new(hmacAlgorithm());
    char digest[] = "SHA1";
    const OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0),
                                 OSSL_PARAM_construct_end()};
    const bool ready = lib.cipher && lib.mac &&
                       EVP_EncryptInit_ex2(lib.cipher, ecbAlgorithm(keyBits), derived, nullptr, nullptr) == 1 &&
                       EVP_CIPHER_CTX_set_padding(lib.cipher, 0) == 1 &&
                       EVP_MAC_init(lib.mac, derived + keyLen, keyLen, params) == 1;
    std::memcpy(verifier, derived + 2 * keyLen, kAesVerifierSize);
    OPENSSL_cleanse(derived, sizeof derived);
    return ready ? std::move(c) : nullptr;
}

// The key stream is made a buffer at a time: the counter blocks of a whole
// buffer go through AES in one call, which lets the library use its wide
// AES instructions.
bool AesEntryCipher::refill()
{
    for (size_t at = 0; at < sizeof blocks_; at += 16) {
        uint64_t n = ++counter_;
        if constexpr (std::endian::native != std::endian::little)
            n = __builtin_bswap64(n);
        std::memcpy(blocks_ + at, &n, 8);
    }
    int outLen = 0;
    if (EVP_EncryptUpdate(lib_->cipher, stream_, &outLen, blocks_, sizeof blocks_) != 1 ||
        outLen != static_cast<int>(sizeof stream_))
        return false;
    streamPos_ = 0;
    return true;
}

bool AesEntryCipher::applyKeyStream(unsigned char *data, size_t len)
{
    while (len > 0) {
        if (streamPos_ == sizeof stream_ && !refill())
            return false;
        const size_t n = std::min(len, sizeof stream_ - streamPos_);
        const unsigned char *k = stream_ + streamPos_;
        size_t i = 0;
        for (; i + 8 <= n; i += 8) {
            uint64_t d, s;
            std::memcpy(&d, data + i, 8);
            std::memcpy(&s, k + i, 8);
            d ^= s;
            std::memcpy(data + i, &d, 8);
        }
        for (; i < n; ++i)
            data[i] ^= k[i];
        streamPos_ += n;
        data += n;
        len -= n;
    }
    return true;
}

bool AesEntryCipher::encrypt(unsigned char *data, size_t len)
{
    return applyKeyStream(data, len) && EVP_MAC_update(lib_->mac, data, len) == 1;
}

bool AesEntryCipher::decrypt(unsigned char *data, size_t len)
{
    return EVP_MAC_update(lib_->mac, data, len) == 1 && applyKeyStream(data, len);
}

bool AesEntryCipher::authenticateOnly(const unsigned char *data, size_t len)
{
    return EVP_MAC_update(lib_->mac, data, len) == 1;
}

bool AesEntryCipher::finish(unsigned char code[kAesCodeSize])
{
    unsigned char full[EVP_MAX_MD_SIZE];
    size_t len = 0;
    if (EVP_MAC_final(lib_->mac, full, &len, sizeof full) != 1 || len < kAesCodeSize)
        return false;
    std::memcpy(code, full, kAesCodeSize);
    return true;
}

int32_t EntryReader::openAes(const EntryInfo &info)
{
    const size_t saltLen = aesSaltSize(info.aesKeyBits);
    const size_t headerLen = saltLen + kAesVerifierSize;
    if (rawLeft_ < headerLen + kAesCodeSize)
        return kErrBadArchive;
    unsigned char header[16 + kAesVerifierSize];
    encrypted_ = false;
    const int64_t got = readRaw(header, headerLen);
    encrypted_ = true;
    if (got != static_cast<int64_t>(headerLen))
        return got < 0 ? static_cast<int32_t>(got) : kErrBadArchive;
    unsigned char verifier[kAesVerifierSize];
    std::unique_ptr<AesEntryCipher> cipher = AesEntryCipher::start(state().password, header, info.aesKeyBits, verifier);
    if (!cipher)
        return kErrData;
    // Checked before any data is handed out: a wrong password writes nothing.
    if (std::memcmp(verifier, header + saltLen, kAesVerifierSize) != 0)
        return kErrWrongPassword;
    rawLeft_ -= kAesCodeSize; // the code follows the cipher text
    aes_ = std::move(cipher);
    checkCrc_ = info.aesVersion != 2;
    return 0;
}

int32_t EntryReader::checkAesCode()
{
    aesChecked_ = true;
    // Cipher text the reader did not need (a Deflate stream that ended
    // early) is part of what the code covers.
    unsigned char rest[16384];
    while (rawLeft_ > 0) {
        const int64_t got = readRaw(rest, sizeof rest);
        if (got <= 0)
            return got < 0 ? static_cast<int32_t>(got) : kErrBadArchive;
    }
    unsigned char computed[kAesCodeSize], stored[kAesCodeSize];
    if (!aes_->finish(computed))
        return kErrData;
    std::unique_ptr<AesEntryCipher> cipher = std::move(aes_);
    encrypted_ = false;
    rawLeft_ = kAesCodeSize;
    const int64_t got = readRaw(stored, kAesCodeSize);
    encrypted_ = true;
    aes_ = std::move(cipher);
    if (got != static_cast<int64_t>(kAesCodeSize))
        return got < 0 ? static_cast<int32_t>(got) : kErrBadArchive;
    return CRYPTO_memcmp(computed, stored, kAesCodeSize) == 0 ? 0 : kErrAuthentication;
}

bool aesRandomBytes(unsigned char *out, size_t len) { return RAND_bytes(out, static_cast<int>(len)) == 1; }

bool markAesEntries(const std::string &archivePath, const std::vector<uint64_t> &indexes)
{
    if (indexes.empty())
        return true;
    fs::Fd f(fs::openExisting(archivePath, false));
    fs::FileStatus st;
    if (f.fd < 0 || !fs::statusOf(f.fd, st) || st.size < 22)
        return false;
    // The engine writes no archive comment: the end record is the last 22 bytes.
    unsigned char end[22];
    if (fs::preadFull(f.fd, end, 22, st.size - 22) != 22 || le32(end) != 0x06054b50u)
        return false;
    uint64_t cdSize = le32(end + 12), cdOffset = le32(end + 16);
    if (cdOffset == 0xFFFFFFFFu || cdSize == 0xFFFFFFFFu) {
        unsigned char loc[20], rec[56];
        if (st.size < 42 || fs::preadFull(f.fd, loc, 20, st.size - 42) != 20 || le32(loc) != 0x07064b50u ||
            fs::preadFull(f.fd, rec, 56, le64(loc + 8)) != 56 || le32(rec) != 0x06064b50u)
            return false;
        cdSize = le64(rec + 40);
        cdOffset = le64(rec + 48);
    }
    if (cdSize > st.size || cdOffset > st.size - cdSize)
        return false;
    std::vector<unsigned char> cd(cdSize);
    if (fs::preadFull(f.fd, cd.data(), cdSize, cdOffset) != static_cast<ssize_t>(cdSize))
        return false;
    size_t pos = 0;
    size_t next = 0; // in `indexes`, which grow
    for (uint64_t i = 0; next < indexes.size() && pos + 46 <= cd.size() && le32(&cd[pos]) == 0x02014b50u; ++i) {
        unsigned char *r = &cd[pos];
        const size_t nameLen = r[28] | r[29] << 8, extraLen = r[30] | r[31] << 8, commentLen = r[32] | r[33] << 8;
        if (pos + 46 + nameLen + extraLen > cd.size())
            return false;
        if (i == indexes[next]) {
            ++next;
            Zip64Fields z;
            z.uncompressedSize = le32(r + 24);
            z.compressedSize = le32(r + 20);
            z.localHeaderOffset = le32(r + 42);
            z.diskNumber = r[34] | r[35] << 8;
            applyZip64Extra(std::string_view(reinterpret_cast<const char *>(r + 46 + nameLen), extraLen), z);
            unsigned char local[30];
            if (fs::preadFull(f.fd, local, sizeof local, z.localHeaderOffset) != 30 || le32(local) != 0x04034b50u)
                return false;
            put16(local + 4, 51);
            put16(local + 8, kAesMethod);
            if (!fs::pwriteAll(f.fd, local, sizeof local, z.localHeaderOffset))
                return false;
            put16(r + 6, 51);
            put16(r + 10, kAesMethod);
        }
        pos += 46 + nameLen + extraLen + commentLen;
    }
    return next == indexes.size() && fs::pwriteAll(f.fd, cd.data(), cdSize, cdOffset) &&
           fs::closeFd(std::exchange(f.fd, -1)) == 0;
}

} // namespace zarvon::engine::detail
