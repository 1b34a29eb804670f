// The extraction workflow: ZIP archives selected in the explorer list, or
// entries selected in the archive list, written into a folder the user
// chooses; RAR files are handed to the RAR entry points.
//
// The extract command (extractSelection) looks at the explorer list first,
// then at the archive list. A protected ZIP archive is not extracted at once:
// the password window (the copy window, window 7, in its password
// arrangement) opens and the extraction runs when it is confirmed
// (confirmPasswordWindow). Every extraction runs entry by entry with the
// progress window open, so Escape or its Cancel button stops any of them.
//
// Outcomes are never overstated: MsgExtract1 is shown only when every entry
// was written; otherwise the message names the entries that failed and why
// (damaged data, wrong password, unsafe name ...), in the interface language.
// A wrong password writes nothing for its entries and the password window
// comes back for another try.
//
// Message boxes have the caption "Zarvon". User-interface thread only.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "operations/archive_format.h"

namespace zarvon::ui {

// Protection

// The protection state of the ZIP archive at `path` as a display text, shared
// with the information sheet: "Archive Cryptée" / "Encrypted Zip" when any
// entry is encrypted, "Archive Non Cryptée" / "Not Crypt" when none is, ""
// when the archive cannot be opened or has no entry. English when
// View/EnglishLanguage reads "1". The engine's reader slot is left empty.
std::string archiveProtectionText(const std::string &path);

// The password request

// What the password window was opened for.
enum class PasswordRequestKind {
    zipFile,     // a ZIP file selected in the explorer list: every entry
    zipEntries,  // entries selected in the archive list (entryNames)
    rarFile,     // a RAR file; destination already chosen
    openEntry,   // one entry of the archive list, to open with the desktop
    dragEntries, // entries dragged out of the archive list
    testArchive, // the test command, for the encrypted entries (entryNames: those not checked yet)
};

struct PasswordRequest {
    PasswordRequestKind kind = PasswordRequestKind::zipFile;
    std::string archivePath;
    std::vector<std::string> entryNames; // zipEntries: whole stored names, as listed
    std::string destination;             // put in the destination field; rarFile: the folder
                                         // chosen in the first pass, which cannot be changed
    bool chosenInRequester = false;      // testArchive: the file came from the open requester
};

// The request the open password window acts on, and those waiting for it
// (several protected archives selected at once are asked for one after the
// other). Empty when no password window is open.
const std::deque<PasswordRequest> &pendingPasswordRequests();

// Asks for the password of `request` in the password window, now or after
// the requests already waiting.
void askPassword(PasswordRequest request);

// Commands (called by the dispatch)

// The extract command (menu MenuExtractZip, toolbar extract button).
void extractSelection();

// The password window's Ok (copy window button 62 while its title is "Mot de
// Passe" or "Password"): with the password or the destination empty,
// MsgZipPwd and the window stays; otherwise the request is carried out.
void confirmPasswordWindow();

// The password window's Browse button (73): folder requester titled DefaultRep;
// a non-empty answer goes into the destination field (83).
void browsePasswordDestination();

// The password window's Cancel button (61): closes the window and drops its
// request; the next waiting request, if any, opens the window again.
void cancelPasswordWindow();

// Every entry of the archive at `archivePath` into `destination`, as the
// extract command does once it has a folder: a protected archive opens the
// password window with `destination` in its field; otherwise the run with
// the progress window and its report (MsgExtract1 only after a real
// success). Used by the assistant.
void extractArchiveTo(const std::string &archivePath, const std::string &destination);

// Folder last chosen for a ZIP extraction ("" before the first).
const std::string &zipDestination();

// Reporting

// The reason of one failed entry, in the interface language, with the
// system's own words when it said why ("No space left on device").
std::string extractionFailureReason(const operations::Failure &failure);

// The message box of an extraction's outcome: MsgExtract1 (information) when
// it wrote every entry; otherwise a warning naming what went wrong.
void reportExtraction(const std::string &archivePath, const operations::ExtractReport &report);

// RAR

// The RAR file at `archivePath`, selected in the explorer list: the first
// pass. The folder requester asks where ("Choisissez un répertoire"); every
// entry that needs no password is extracted with the progress window up.
// When entries (or the headers) are encrypted, a password request of kind
// rarFile is queued for those entries only, with that folder locked in the
// password window; its Ok runs the password pass into that folder. A
// missing UnRAR library is said (MsgRarLibraryMissing), a file that cannot
// be opened gets MsgRarError, and failed entries are named as for ZIP.
void extractRarFile(const std::string &archivePath);

} // namespace zarvon::ui
