// The help window (window 10): a page on every command and the keyboard
// shortcuts, in the interface's language, in a window the user can resize
// and closes with its close box or Escape.
#pragma once

namespace zarvon::ui {

// The page in English (else French), as HTML. The pages are part of the
// program, so that the help is there wherever the program is.
const char *helpPage(bool english);

// Creates window 10 (anew when it is open), centred on the main window, or
// the assistant when the main window is hidden, shows and activates it, with
// the page in the language of View/EnglishLanguage.
void showHelpWindow();
// Its close box and Escape: closes it.
void closeHelpWindow();

} // namespace zarvon::ui
