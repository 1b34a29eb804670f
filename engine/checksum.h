// CRC-32 of entry data (the ZIP and gzip polynomial, as zlib's crc32).
#pragma once

#include <cstddef>
#include <cstdint>

namespace zarvon::engine::detail {

// Continues `crc` (0 to begin) over `len` bytes at `data`. The result is the
// same as zlib's crc32_z, so crc32_combine applies to it; ISA-L's carry-less
// multiply version is used where the build found ISA-L (several times
// faster, which shows when extracting), libdeflate's where only it was found.
uint32_t crc32Update(uint32_t crc, const unsigned char *data, size_t len);

} // namespace zarvon::engine::detail
