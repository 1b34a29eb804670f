// Changing the shown archive from the archive list (138): its popup menu,
// Delete and F2 there, files dropped onto it, and "Add to it" from the
// compression window. Each command reads the list, asks what it needs
// (which entries, a new name, the password), runs the edit job with the
// progress window, reports a refusal or failure in a message box, and lists
// the archive again. Formats that cannot be edited (RAR, and any format
// whose capabilities say so) have these commands greyed out, with a tooltip
// saying why. User-interface thread only.
#pragma once

#include <string>
#include <vector>

namespace zarvon::ui {

// Whether the archive shown can be edited; `why` gets the reason when not.
bool shownArchiveIsEditable(std::string *why = nullptr);

// The archive list's popup menu (a right click on it): Open, Extract, Add
// files, Delete, Rename, New folder, Test, Information.
void showArchiveListMenu();

// Removes the selected entries (a folder row: with everything under it)
// after a question that names them.
void deleteArchiveEntries();

// Asks a new name for the current row's entry (a folder: with everything
// under it) and renames it.
void renameArchiveEntry();

// Asks a name and adds that folder to the archive.
void newArchiveFolder();

// The open requester, then the chosen file is added.
void addFileToArchiveWithRequester();

// Adds files and folders of the disk to `archivePath` (the shown archive
// for a drop). When the archive holds encrypted entries the user is asked
// whether the new ones are encrypted too, and for the password, which is
// checked before anything is written; `password`, when given, is used
// as is. Entries of the same name are replaced only after the replace
// question. Returns true when the archive was changed.
// `folder` is the archive folder they go into ("" the top, else ending "/").
bool addToArchive(const std::string &archivePath, const std::vector<std::string> &paths,
                  const std::string &password = {}, int method = 8, const std::string &folder = {});

} // namespace zarvon::ui
