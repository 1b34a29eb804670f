// The product's name and version, as every window title, banner and file
// header shows them.
#pragma once

namespace zarvon::base {

inline constexpr const char *kProductName = "Zarvon";
inline constexpr const char *kProductVersion = "1.1.0";
// The main window's title outside a run, the About window's first line and
// the configuration file's banner start with it.
inline constexpr const char *kProductTitle = "Zarvon 1.1.0";

} // namespace zarvon::base
