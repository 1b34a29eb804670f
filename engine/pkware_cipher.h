// The traditional PKWARE stream cipher of the ZIP application note (6.1):
// three 32-bit keys updated by every plain byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zarvon::engine::detail {

struct PkwareKeys {
    uint32_t k[3];
};

// Keys after the password has been fed through them.
PkwareKeys pkwareInit(const std::string &password);

void pkwareEncrypt(PkwareKeys &keys, unsigned char *data, size_t size);
void pkwareDecrypt(PkwareKeys &keys, unsigned char *data, size_t size);

// Length of the encryption header that precedes each encrypted entry's data.
inline constexpr size_t kPkwareHeaderSize = 12;

} // namespace zarvon::engine::detail
