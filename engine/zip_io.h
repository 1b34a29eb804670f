// The I/O table through which the engine opens archive files. Tests use it to
// simulate a full disk or an I/O error; the fuzz target uses it to read
// archives from memory. Normal use never touches it.
#pragma once

#include <minizip/ioapi.h>

namespace zarvon::engine {

// Every archive opened or created after this call goes through `io` (the
// archive path is passed to its open function unchanged); nullptr restores
// the ordinary file functions. The table must outlive its use.
void setArchiveIo(const zlib_filefunc64_def *io);

} // namespace zarvon::engine
