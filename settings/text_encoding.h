// The encodings of the configuration and language files: Windows-1252, or
// UTF-8 when the file starts with the byte-order mark. The conversions
// themselves are the base layer's (base/text_encoding.h), which says what
// becomes of the bytes Windows-1252 leaves undefined.
#pragma once

#include <string_view>

#include "base/text_encoding.h"

namespace zarvon::settings {

// The UTF-8 byte-order mark that marks a UTF-8 configuration or language file.
inline constexpr std::string_view Utf8ByteOrderMark = "\xEF\xBB\xBF";

using base::utf8ToWindows1252;
using base::windows1252ToUtf8;

} // namespace zarvon::settings
