// The compression workflow: from the files and folders selected in an
// explorer list to a ZIP archive.
//
// The user selects items in the main window's explorer list, gives the
// compress command (startCompressionCommand), fills in the compression window
// (window 2) and confirms it (confirmCompressionWindow). The workflow checks
// the fields, chooses the method and the password, drives the engine over
// every selected file and, recursively, every selected folder, keeps the
// progress window up to date, lets the user cancel, and beeps at the end when
// the setting General/ActivateSound is "1". The assistant uses a shorter run
// (assistantCompress).
//
// The archive is written through the engine's atomic creation: it appears
// under its name only when complete, so a cancelled or failed run leaves any
// earlier file of that name untouched and never leaves half an archive.
//
// Every message box has the caption "Zarvon"; its text comes from
// languageText. User-interface thread only; a run is one synchronous call.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/product.h"
#include "operations/compression_plan.h"
#include "operations/jobs.h"

namespace zarvon::ui {

// Commands (called by the dispatch)

// The compress command (menu MenuAddToZip, toolbar compress button). With no
// current item in the main explorer list: MsgNofilesToCompress. Otherwise the
// compression window opens with a name the Ok button accepts (proposedArchiveName)
// and, as location, the configured archive folder when it exists, else the
// folder the explorer shows; "Keep full paths" as last saved.
void startCompressionCommand();

// The name proposed for an archive of the selection: one file, its name with
// ".zip" for its extension ("f00013.txt" -> "f00013.zip"); one folder, its
// name and ".zip" ("my.photos" -> "my.photos.zip"); several items, the name of
// the folder that holds them ("Archive.zip" at the root).
std::string proposedArchiveName(const std::vector<std::string> &selectedNames, bool oneFolder,
                                const std::string &shownFolder);

// An event of the format box (84): the name's extension is replaced by the
// box's text (".zip"). A name that is still empty is only given one when the
// user changed the box's item (`changed`); a mere click on the box leaves an
// empty name empty rather than naming the archive ".zip".
void applyArchiveFormat(bool changed = true);

// The compression window's Ok button (53): planCompression over the window's
// fields, then the message or the run. A run closes the window, sets the main
// title to TxtTitle1, opens the progress window, runs compressSelection, closes
// the progress window and sets the title back to "Zarvon 1.1.0". The window
// stays open after every refused form.
void confirmCompressionWindow();

// The compression window opened for `paths` (full paths of files and
// folders) without the main window: the name proposed as for the explorer's
// selection, the location the first item's folder. Its Ok compresses these
// paths and then ends the program, with status 0 only when the archive holds
// them all; its Cancel ends it with status 0. False when it cannot open.
bool openCompressionWindowFor(const std::vector<std::string> &paths);

// The compression window's Cancel button (54): closes the window, or ends the
// program (without saving the window state) when the main window does not
// exist.
void cancelCompressionWindow();

// Runs

// How a run ended.
enum class CompressionOutcome {
    Written,     // the archive is complete under its name
    NothingToDo, // no current item, or no archive path: refused with a message
    Cancelled,   // the user cancelled; earlier file of that name untouched
    Failed,      // the archive could not be created or written; earlier file untouched
};

// The compression window's run over the main explorer list's selection into
// `archivePath`, with `method` (0 or 8) and `password` ("" for none). Files at
// the top level are stored under their bare name; the files of a selected
// folder under the folder's own name and their place in it ("sub/numbers.txt"
// for the folder sub), or with `keepFullPaths` under their full path, as older
// versions stored them. Folders are walked recursively (symbolic links to
// folders are not followed). Reports a cancel (MsgStopCompress), a failure
// (MsgCompressError) and files that could not be read (MsgFilesNotAdded) in
// message boxes; a success shows no message. An archive path that is one of
// the selected files is refused (MsgChkIfExist): the archive would replace
// that file without holding it. Uses the progress window when one is open.
// With a password, `encryption` chooses the cipher.
CompressionOutcome compressSelection(
    const std::string &archivePath, int32_t method, const std::string &password, bool keepFullPaths = false,
    operations::CompressRequest::Encryption encryption = operations::CompressRequest::Encryption::ZipCrypto);

// The assistant's run over `paths` (the rows chosen in its list: files and
// folders, full paths) into the full path typed in the assistant: Deflate, no
// password, no sound, folders named from their own name as above. Nothing
// chosen: MsgNofilesToCompress, nothing written. The caller opens the
// progress window before and closes it afterwards.
CompressionOutcome assistantCompress(const std::string &archivePath, const std::vector<std::string> &paths);

// `paths` (files and folders, full paths) into `archivePath` as the
// assistant's run does, reporting as every run does; `leftOut` receives the
// number of files that could not be read and are missing from the archive.
// The caller opens the progress window before and closes it afterwards.
CompressionOutcome compressPathsTo(const std::string &archivePath, const std::vector<std::string> &paths,
                                   int32_t &leftOut);

// How many times a run has played the end sound (General/ActivateSound
// "1") since the program started; tests read it, as the sound itself cannot
// be heard there.
int32_t endSoundsPlayed();

// Main window title outside a run.
inline constexpr const char *kMainTitle = base::kProductTitle;

} // namespace zarvon::ui
