#include "engine/checksum.h"

#if defined(ZARVON_HAVE_ISAL)
#include <isa-l/crc.h>
#elif defined(ZARVON_HAVE_LIBDEFLATE)
#include <libdeflate.h>
#else
#include <zlib.h>
#endif

namespace zarvon::engine::detail {

uint32_t crc32Update(uint32_t crc, const unsigned char *data, size_t len)
{
    if (len == 0)
        return crc;
#if defined(ZARVON_HAVE_ISAL)
    return crc32_gzip_refl(crc, data, len);
#elif defined(ZARVON_HAVE_LIBDEFLATE)
    return libdeflate_crc32(crc, data, len);
#else
    return static_cast<uint32_t>(crc32_z(crc, data, len));
#endif
}

} // namespace zarvon::engine::detail
