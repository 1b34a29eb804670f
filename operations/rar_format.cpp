#include "operations/archive_format.h"

namespace zarvon::operations {

// The RAR format joins once its binding is built; until then a RAR file is
// recognised by no format and reported as such.
const ArchiveFormat *rarFormatIfBuilt() { return nullptr; }

}  // namespace zarvon::operations
