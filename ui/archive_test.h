// The test command ("Tester Archive", toolbar "Vérifier"): tells the user
// whether files are sound archives, one message box per file.
//
// With no current item in the main explorer list (116) the open requester
// asks for one file (any extension); otherwise every selected file of the
// list whose extension is exactly "zip", "ZIP" or "Zip", or "rar" in any
// case, is tested, in list order, and other items are skipped silently. Each
// archive is tested through its format: a file passes when every entry reads
// back whole with the right CRC, so a damaged entry fails the test even when
// the central directory is intact.
//
// Encrypted entries are never passed over in silence: the password window
// (the copy window in its password arrangement, without a destination) asks
// for them once the rest of the archive has passed. A wrong password is said
// and asked again; Cancel gives a warning naming the entries left unchecked,
// never the success message. The message texts follow
// View/EnglishLanguage, read at each message. User-interface thread only.
#pragma once

#include <string>

#include "ui/extraction.h"

namespace zarvon::ui {

void testArchive();

// The password window's Ok for a testArchive request: the archive is tested
// again with `password` into `tested`. False when the password was refused
// (the message said so): the window stays for another try. Otherwise the
// window closes and showTestVerdict tells the outcome.
bool testWithPassword(const PasswordRequest &request, const std::string &password, operations::TestReport &tested);
void showTestVerdict(const PasswordRequest &request, const operations::TestReport &tested);

// The password window's Cancel for a testArchive request: the warning that
// names the entries that could not be checked.
void reportUntestedEntries(const PasswordRequest &request);

} // namespace zarvon::ui
