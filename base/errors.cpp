#include "base/errors.h"

#include <cstring>

namespace zarvon::base {

namespace {

// strerror_r comes in two forms: the GNU one returns the text (which may or
// may not be in the buffer), the POSIX one fills the buffer and returns 0.
[[maybe_unused]] const char *pickText(const char *result, const char *) { return result; }
[[maybe_unused]] const char *pickText(int result, const char *buffer) { return result == 0 ? buffer : nullptr; }

} // namespace

std::string systemErrorText(int errnoValue)
{
    if (errnoValue == 0)
        return {};
    ErrnoKeeper keeper;
    char buffer[256] = {};
    const char *text = pickText(strerror_r(errnoValue, buffer, sizeof buffer), buffer);
    if (text && *text)
        return text;
    return "Unknown error " + std::to_string(errnoValue);
}

} // namespace zarvon::base
