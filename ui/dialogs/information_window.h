// The information window (window 5): eight labelled values about one archive
// file and an Ok button (57) that closes it. Filled by ui/information.cpp.
#pragma once

#include <array>
#include <string>

namespace zarvon::ui {

// The value texts, top to bottom: name, entry count, protection, original
// size, method, compressed size, creation date, modification date.
using InformationValues = std::array<std::string, 8>;

// Creates window 5 hidden (replacing one that is open), topmost, centred on
// the active window of the program, with the labels of the current language
// and `values` in the red of the sheet (0xE61101). False when it could not
// be created.
bool buildInformationWindow(const InformationValues &values);

// The value text shown for row `row` (0 to 7); "" without the window.
std::string informationValue(int row);

void closeInformationWindow();

} // namespace zarvon::ui
