// The about window (window 9): picture, credit lines, the maker's web address
// and thanks lines.
#pragma once

#include <string>

namespace zarvon::ui {

// The address the link opens.
inline constexpr const char *kMakerAddress = "https://www.zarvon.org";

// Creates window 9 hidden, centred on the main window, topmost, titled
// "A propos"; English texts when View/EnglishLanguage is "1".
bool buildAboutWindow();
// Builds and shows it.
void showAboutWindow();
// Button 64: closes it.
void closeAboutWindow();
// Link 146: opens the address with the desktop's handler.
void openMakerSite();

} // namespace zarvon::ui
