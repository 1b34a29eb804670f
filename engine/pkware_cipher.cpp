#include "engine/pkware_cipher.h"

#include <zlib.h>

namespace zarvon::engine::detail {

namespace {

const z_crc_t *crcTable()
{
    static const z_crc_t *table = get_crc_table();
    return table;
}

inline uint32_t crcByte(uint32_t crc, unsigned char b, const z_crc_t *table)
{
    return table[(crc ^ b) & 0xFF] ^ (crc >> 8);
}

inline void update(PkwareKeys &keys, unsigned char plain, const z_crc_t *table)
{
    keys.k[0] = crcByte(keys.k[0], plain, table);
    keys.k[1] = (keys.k[1] + (keys.k[0] & 0xFF)) * 134775813u + 1;
    keys.k[2] = crcByte(keys.k[2], static_cast<unsigned char>(keys.k[1] >> 24), table);
}

inline unsigned char streamByte(const PkwareKeys &keys)
{
    uint32_t t = (keys.k[2] & 0xFFFF) | 2;
    return static_cast<unsigned char>((t * (t ^ 1)) >> 8);
}

} // namespace

PkwareKeys pkwareInit(const std::string &password)
{
    PkwareKeys keys{{0x12345678u, 0x23456789u, 0x34567890u}};
    const z_crc_t *table = crcTable();
    for (unsigned char c : password)
        update(keys, c, table);
    return keys;
}

void pkwareEncrypt(PkwareKeys &keys, unsigned char *data, size_t size)
{
    const z_crc_t *table = crcTable();
    for (size_t i = 0; i < size; ++i) {
        unsigned char plain = data[i];
        data[i] = plain ^ streamByte(keys);
        update(keys, plain, table);
    }
}

void pkwareDecrypt(PkwareKeys &keys, unsigned char *data, size_t size)
{
    const z_crc_t *table = crcTable();
    for (size_t i = 0; i < size; ++i) {
        unsigned char plain = data[i] ^ streamByte(keys);
        data[i] = plain;
        update(keys, plain, table);
    }
}

} // namespace zarvon::engine::detail
