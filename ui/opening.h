// Opening and listing archives: which archive the archive list shows
// (currentArchivePath), the four ways of opening one (the open requester, a
// path such as the command-line argument, the recent-archives submenu, a
// double click in the explorer list), and the filling of the archive list
// (138) with one row per entry in central-directory order.
//
// The layout around the list (recreating the explorer list, the archive list
// and the splitter, the window title) is the main window's showArchiveLayout.
// User-interface thread only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "operations/archive_format.h"
#include "ui/extraction.h"

namespace zarvon::ui {

// The archive shown in the archive list; empty when none.
const std::string &currentArchivePath();
void setCurrentArchivePath(const std::string &path);

// How an archive is being opened; the layout differs slightly by way.
enum class ArchiveOpening {
    Requester,   // "Ouvrir Archive" and Ctrl+O
    Path,        // the command-line argument
    Recent,      // the recent-archives submenu
    DoubleClick, // a double click in the explorer list
};

// Fills the archive list with the entries of `path`, read in one pass of the
// central directory, one row per entry holding its name ("/" separators,
// folders ending with "/"). A file that is not a readable ZIP archive adds no
// row. Returns the number of rows added.
int32_t listArchive(const std::string &path);

// The archive list's row for `entry`: the columns separated by "\n" — the
// whole stored name (column 0, which the extraction and the drag read back),
// size, packed size, ratio (the percentage saved, negative when packing grew
// the entry), modified date ("YYYY-MM-DD HH:MM", so that the text sorts as
// the date), method ("Stored" in `storedWord`, the interface's word), "*"
// when encrypted, CRC in 8 hex digits. A folder shows its name and date only.
std::string archiveListRow(const operations::ArchiveEntry &entry, const std::string &storedWord = "Stored");

// Number of columns of the archive list, name column included.
inline constexpr int kArchiveColumnCount = 8;

// Adds the columns after the name to a new archive list, titled in the
// language now in use, at the widths saved in [View] ArchiveColumns (the name
// column too), and makes the headers sort the rows.
void addArchiveColumns();

// Writes the archive list's column widths to [View] ArchiveColumns, its
// order to ArchiveSort and the divider the user moved beside it to
// ArchiveDivider, when the list exists and the configuration file opens (no
// file is created for it).
void saveArchiveColumns();

// Gives the archive list's column title in the language now in use, with
// the shown archive's entry count (after a language switch).
void relabelArchiveList();

// Appends " (n)" to the archive list's column title, n being the entry count
// of currentArchivePath ("0" for an unreadable file). Nothing when no archive
// is shown.
void showEntryCount();

// The open requester (title OpenZipFile, filter Zip, 7-zip, Rar, Cab); the
// chosen archive is added to the recent archives and listed. Cancelling
// changes nothing.
void openArchiveWithRequester();

// Opens `path` as the requester's answer would be (an empty path opens the
// requester instead).
void openArchiveAtPath(const std::string &path);

// Opens recent archive number `index` (0-based) without changing the order of
// the recent archives. An index beyond the list, or an empty entry, does
// nothing.
void openRecentArchive(int index);

// The double-click rule of the explorer list (116): a current item that is
// an archive the program reads (operations::formatOf: ZIP or RAR, by content
// or name) opens as with the open requester: it becomes currentArchivePath,
// joins the recent archives and is listed, the window named after it.
// Folders and other files change nothing.
void openArchiveFromExplorer();

// A private folder (mode 0700) for entries taken out of the shown archive,
// made under $XDG_RUNTIME_DIR (else /tmp) as "zarvon-<pid>-XXXXXX" and remembered for
// removeTemporaryFolders. Empty when it cannot be made.
std::string makeTemporaryFolder();

// Removes every folder makeTemporaryFolder made, with its contents; the
// program calls it when it ends.
void removeTemporaryFolders();

// Removes the private folders left by a Zarvon that ended without removing
// them (a crash, a kill): this user's folders whose process no longer runs;
// and the temporaries such a Zarvon left beside files it was extracting.
// The program calls it when it starts.
void removeAbandonedTemporaryFolders();

// A double click on the archive list: the current row's entry is extracted
// into a temporary folder and opened with the desktop's application. A folder
// row does nothing; an encrypted entry is opened with the password that
// opened the shown archive's entries before, else after the password window
// (openEntry request) asks for it; a failed extraction is reported as the
// extraction reports it; no application: "MsgNoLauncher".
void openArchiveEntry();

// A drag begun on the archive list's selected rows: the selected entries
// (a folder row with everything under it) are extracted into a temporary
// folder and dragged out as files, for a file manager or another program to
// take. Encrypted entries need the password: the one that opened the shown
// archive's entries before, else the password window asks for it
// (dragEntries request) and, once it is right, says to drag them again (the
// pointer's drag is over by then).
void dragArchiveEntries();

// The password window's Ok for an openEntry or dragEntries request: the
// entries are extracted with `password` into a new private folder; when every
// one was written the password is kept for the shown archive and the entry
// opened, or the user told to drag again. The report, for the password
// window to try again on a wrong password or to report a failure.
operations::ExtractReport takeOutWithPassword(const PasswordRequest &request, const std::string &password);

// Files dropped onto the main window (Drop event of window 0, `target` the
// control under the pointer): onto the explorer list they are copied into
// its folder (moved with Shift) with the replace questions of the copy
// window; elsewhere a dropped ".zip" or ".rar" file is opened as with the
// open requester. Anything else is left alone.
void dropFiles(int target);

// The folder view of the archive list (View > Folders, kept in [View]
// ArchiveFolders): one folder at a time, ".." and folder rows first; Enter
// or a double click on a folder row goes into it. `archiveFolderShown` is
// "" at the top, else the folder's name ending with "/".
bool archiveFoldersShown();
const std::string &archiveFolderShown();
void showArchiveFolder(const std::string &folder);
void switchArchiveFolders();
// The whole entry name of a row of the archive list ("" for ".."), and the
// entries selected rows stand for (in the folder view a folder row stands
// for everything under it).
std::string archiveRowName(int row);
std::vector<std::string> entriesOfRows(const std::vector<std::string> &rows);

// The main window's title while `path` is shown: "''" + path + "'' ----- Zarvon".
std::string archiveWindowTitle(const std::string &path);
// The main window's title at rest: the shown archive's while one is shown,
// else the product's. A job that put its own title up puts this one back.
std::string restingWindowTitle();

// True when an archive is shown and its list had the keyboard focus after
// the explorer list: Extract, Test and Information then take that archive
// (and its selected entries) rather than the explorer's selected files.
bool archiveListIsTheTarget();

} // namespace zarvon::ui
