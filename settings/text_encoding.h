// Conversion between the program's UTF-8 text and the Windows-1252 bytes of
// the configuration and language files (through iconv).
#pragma once

#include <string>
#include <string_view>

namespace zarvon::settings {

// The UTF-8 byte-order mark that marks a UTF-8 configuration or language file.
inline constexpr std::string_view Utf8ByteOrderMark = "\xEF\xBB\xBF";

// Windows-1252 bytes to UTF-8. Never fails: the five bytes Windows-1252
// leaves undefined (81, 8D, 8F, 90, 9D) become the control characters of the
// same number, so that writing the text back gives the same bytes.
std::string windows1252ToUtf8(std::string_view bytes);

// UTF-8 to Windows-1252. Returns false (out then holds a partial result) when the text
// holds a character Windows-1252 cannot represent or is not valid UTF-8.
bool utf8ToWindows1252(std::string_view text, std::string &out);

} // namespace zarvon::settings
