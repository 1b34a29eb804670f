// The test command ("Tester Archive", toolbar "Vérifier"): tells the user
// whether files are sound ZIP archives, one message box per file.
//
// With no current item in the main explorer list (116) the open requester
// asks for one file (any extension); otherwise every selected file of the
// list whose extension is exactly "zip", "ZIP" or "Zip" is tested, in list
// order, and other items are skipped silently. A file passes when the
// engine's verification finds a readable archive whose every entry reads back
// with the right CRC-32: a damaged entry fails the test even when the central
// directory is intact. The message texts follow View/EnglishLanguage, read at
// each message. User-interface thread only.
#pragma once

#include <string>

namespace zarvon::ui {

void testArchive();

// The verdict on one file: true when it passes.
bool archivePassesTest(const std::string &path);

} // namespace zarvon::ui
