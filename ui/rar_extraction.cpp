#include "ui/extraction.h"

// The RAR entry points of the extraction workflow. The RAR binding completes
// them; until then a RAR file is left alone.

namespace zarvon::ui {

void extractRarFile(const std::string &archivePath) {}

void extractRarWithPassword(const PasswordRequest &request, const std::string &password) {}

}  // namespace zarvon::ui
