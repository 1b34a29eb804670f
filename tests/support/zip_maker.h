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
    std::string name;   // "/" separators, folders end with "/"
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
        putLe(out, 10, 2); putLe(out, 0, 2); putLe(out, 0, 2);
        putLe(out, 0, 2); putLe(out, 0x21, 2);  // time, date (1980-01-01)
        putLe(out, crc, 4); putLe(out, uint32_t(data.size()), 4); putLe(out, uint32_t(data.size()), 4);
        putLe(out, uint32_t(m.name.size()), 2); putLe(out, 0, 2);
        out += m.name;
        out += data;
        putLe(central, 0x02014b50, 4);
        putLe(central, 20, 2); putLe(central, 10, 2); putLe(central, 0, 2); putLe(central, 0, 2);
        putLe(central, 0, 2); putLe(central, 0x21, 2);
        putLe(central, crc, 4); putLe(central, uint32_t(data.size()), 4); putLe(central, uint32_t(data.size()), 4);
        putLe(central, uint32_t(m.name.size()), 2); putLe(central, 0, 2); putLe(central, 0, 2);
        putLe(central, 0, 2); putLe(central, 0, 2); putLe(central, 0, 4);
        putLe(central, offset, 4);
        central += m.name;
    }
    const uint32_t centralOffset = uint32_t(out.size());
    out += central;
    putLe(out, 0x06054b50, 4);
    putLe(out, 0, 2); putLe(out, 0, 2);
    putLe(out, uint32_t(members.size()), 2); putLe(out, uint32_t(members.size()), 2);
    putLe(out, uint32_t(central.size()), 4); putLe(out, centralOffset, 4);
    putLe(out, 0, 2);
    std::ofstream(path, std::ios::binary) << out;
}

}  // namespace zarvon::testing
