// Letter case without a locale: the program compares names the same way
// whatever language the system runs in.
#pragma once

#include <string>
#include <string_view>

namespace zarvon::base {

// text with A-Z lowered and every other byte kept: for extensions such as
// "ZIP" or "Zip", and other names made of ASCII letters.
std::string lowerAscii(std::string_view text);

// The fold used to compare the group and key names of the configuration
// file: ASCII capitals and the Latin-1 capitals U+00C0 to U+00DE (U+00D7, the
// multiplication sign, excepted) in their UTF-8 form are lowered, so that
// "[GÉNÉRAL]" finds "Général". The text keeps its length in bytes; any other
// byte, invalid UTF-8 included, is kept as it is.
std::string foldLatin1Case(std::string_view text);

// Whether a and b are equal under foldLatin1Case.
bool equalsIgnoringLatin1Case(std::string_view a, std::string_view b);

} // namespace zarvon::base
