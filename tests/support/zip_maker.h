// Small ZIP archives made in the test itself: stored entries, written byte by
// byte after the ZIP application note, so that a test can also damage them.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace zarvon::testing {

struct ZipMember {
    std::string name; // "/" separators, folders end with "/"
    std::string data;
};

inline void putLe(std::string &out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(char((value >> (8 * i)) & 0xff));
}

// Writes a stored archive; with damageFirstEntry the first entry's data is
// altered after its CRC was computed (the central directory stays intact).
inline void writeZip(const std::string &path, const std::vector<ZipMember> &members, bool damageFirstEntry = false)
{
    std::string out, central;
    for (std::size_t i = 0; i < members.size(); ++i) {
        const ZipMember &m = members[i];
        const uint32_t crc = crc32(0, reinterpret_cast<const Bytef *>(m.data.data()), uInt(m.data.size()));
        std::string data = m.data;
        if (i == 0 && damageFirstEntry && !data.empty())
            data[0] = char(data[0] ^ 0x55);
        const uint32_t offset = uint32_t(out.size());
        putLe(out, 0x04034b50, 4);
        putLe(out, 10, 2);
        putLe(out, 0, 2);
        putLe(out, 0, 2);
        putLe(out, 0, 2);
        putLe(out, 0x21, 2); // time, date (1980-01-01)
        putLe(out, crc, 4);
        putLe(out, uint32_t(data.size()), 4);
        putLe(out, uint32_t(data.size()), 4);
        putLe(out, uint32_t(m.name.size()), 2);
        putLe(out, 0, 2);
        out += m.name;
        out += data;
        putLe(central, 0x02014b50, 4);
        putLe(central, 20, 2);
        putLe(central, 10, 2);
        putLe(central, 0, 2);
        putLe(central, 0, 2);
        putLe(central, 0, 2);
        putLe(central, 0x21, 2);
        putLe(central, crc, 4);
        putLe(central, uint32_t(data.size()), 4);
        putLe(central, uint32_t(data.size()), 4);
        putLe(central, uint32_t(m.name.size()), 2);
        putLe(central, 0, 2);
        putLe(central, 0, 2);
        putLe(central, 0, 2);
        putLe(central, 0, 2);
        putLe(central, 0, 4);
        putLe(central, offset, 4);
        central += m.name;
    }
    const uint32_t centralOffset = uint32_t(out.size());
    out += central;
    putLe(out, 0x06054b50, 4);
    putLe(out, 0, 2);
    putLe(out, 0, 2);
    putLe(out, uint32_t(members.size()), 2);
    putLe(out, uint32_t(members.size()), 2);
    putLe(out, uint32_t(central.size()), 4);
    putLe(out, centralOffset, 4);
    putLe(out, 0, 2);
    std::ofstream(path, std::ios::binary) << out;
}

// Writes an archive of one entry, "big.bin", whose ZIP64 sizes declare
// `declared` bytes while its data inflates to 1,000 "x": what a bomb, or an
// archive too big for the disk, looks like before anything is extracted.
inline void writeZipDeclaring(const std::string &path, uint64_t declared)
{
    const std::string name = "big.bin";
    std::string packed(64, '\0');
    const std::string plain(1000, 'x');
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(plain.data()));
    z.avail_in = uInt(plain.size());
    z.next_out = reinterpret_cast<Bytef *>(packed.data());
    z.avail_out = uInt(packed.size());
    deflate(&z, Z_FINISH);
    packed.resize(z.total_out);
    deflateEnd(&z);
    const auto zip64 = [&](std::string &out) {
        putLe(out, 1, 2);
        putLe(out, 16, 2);
        putLe(out, uint32_t(declared), 4);
        putLe(out, uint32_t(declared >> 32), 4);
        putLe(out, uint32_t(packed.size()), 4);
        putLe(out, 0, 4);
    };
    std::string out, central;
    putLe(out, 0x04034b50, 4);
    putLe(out, 45, 2);
    putLe(out, 0, 2);
    putLe(out, 8, 2);
    putLe(out, 0, 2);
    putLe(out, 0x21, 2);
    putLe(out, 0, 4);
    putLe(out, 0xFFFFFFFF, 4);
    putLe(out, 0xFFFFFFFF, 4);
    putLe(out, uint32_t(name.size()), 2);
    putLe(out, 20, 2);
    out += name;
    zip64(out);
    out += packed;
    putLe(central, 0x02014b50, 4);
    putLe(central, 45, 2);
    putLe(central, 45, 2);
    putLe(central, 0, 2);
    putLe(central, 8, 2);
    putLe(central, 0, 2);
    putLe(central, 0x21, 2);
    putLe(central, 0, 4);
    putLe(central, 0xFFFFFFFF, 4);
    putLe(central, 0xFFFFFFFF, 4);
    putLe(central, uint32_t(name.size()), 2);
    putLe(central, 20, 2);
    putLe(central, 0, 2);
    putLe(central, 0, 2);
    putLe(central, 0, 2);
    putLe(central, 0, 4);
    putLe(central, 0, 4);
    central += name;
    zip64(central);
    const uint32_t centralOffset = uint32_t(out.size());
    out += central;
    putLe(out, 0x06054b50, 4);
    putLe(out, 0, 2);
    putLe(out, 0, 2);
    putLe(out, 1, 2);
    putLe(out, 1, 2);
    putLe(out, uint32_t(central.size()), 4);
    putLe(out, centralOffset, 4);
    putLe(out, 0, 2);
    std::ofstream(path, std::ios::binary) << out;
}

} // namespace zarvon::testing
