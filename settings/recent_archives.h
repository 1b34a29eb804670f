// RecentArchives: the archives the user opened most recently, most recent
// first, without duplicates (paths compare byte for byte, case included), at
// most 10. The list lives in memory while the main window exists; it is read
// from Zarvon.ini when the main window is built with the list still empty,
// and written back once when the program ends.
//
// In the configuration file:
//   [Recent files]  Count files = n, "Recent files1" ... "Recent filesn"
//   [Disk]          LastDisk = the folder the explorer list was showing
// Entries written earlier under higher numbers stay in the file but are
// never read: reading stops at Count files.
//
// The menu side (the submenu of the File menu, items 201 + i) belongs to the
// user interface; this module only keeps the list. User-interface thread only.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "settings/paths.h"

namespace zarvon::settings {

inline constexpr std::size_t kMaxRecentArchives = 10;

// The list, most recent first.
const std::vector<std::string> &recentArchives();

// Puts path at the head of the list and drops its later copies and whatever
// falls beyond the tenth entry. Returns false, changing nothing, when path is
// empty or already first: the caller then need not rebuild the menu.
bool addRecentArchive(const std::string &path);

// Replaces the list by the one stored in the file: when Count files reads as
// a number above 0, the first min(count, 10) entries (an absent entry reads
// as an empty path). A missing file or group, or a count of 0 or one that is
// not a number, leaves the list as it is.
void loadRecentArchives(const std::string &path = settingsPath());

// Writes Count files and the entries into Recent files, and lastDisk into
// Disk/LastDisk. When the file cannot be opened, the default file is written
// first. Returns false when nothing could be written.
bool saveRecentArchives(const std::string &lastDisk, const std::string &path = settingsPath());

// Empties the list, as at process start (tests).
void clearRecentArchives();

// The file-name part of a path: the text after the last "/" or "\".
std::string recentArchiveFileName(const std::string &path);

} // namespace zarvon::settings
