// Copying, moving and renaming files and folders of the file system: the
// work behind the copy window's copy, move and rename uses.
//
// Nothing is replaced without asking: before an item would take the place of
// another of the same name, the caller's ConflictResolver is asked. A folder
// never goes into itself or one of its own sub-folders. A file is copied
// under a temporary name beside its target and renamed into place when
// complete, so a copy that fails or is stopped leaves no half file and keeps
// the file it would have replaced. A move removes its source only after the
// copy of that source succeeded whole.
//
// Plain functions; they show nothing and say nothing: failures carry a
// Reason and the system's errno, and the desktop words them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "operations/job.h"

namespace zarvon::operations {

// What to do with an item whose name is already taken in the destination.
enum class ConflictAnswer {
    Replace, // the item takes that place (a folder is merged into the folder there)
    Skip,    // this item is left where it is
    Stop,    // nothing more is done; what is done stays done
};

// Implemented by the front end (a question to the user); called by
// transferItems once for each item of the request whose name is taken.
class ConflictResolver {
public:
    virtual ~ConflictResolver() = default;
    // `source` would go to `target`, where an item already is.
    virtual ConflictAnswer resolve(const std::string &source, const std::string &target) = 0;
};

struct TransferRequest {
    std::vector<std::string> sources; // full paths of files and folders
    std::string destination;          // an existing folder
    bool move = false;
};

struct TransferReport {
    int32_t itemsDone = 0;         // items of the request copied or moved whole
    int32_t itemsSkipped = 0;      // left alone by a Skip answer
    bool stopped = false;          // the user stopped it (Stop answer or JobProgress)
    std::vector<Failure> failures; // one per file or item that failed, `name` its path
};

// Copies (or moves) every source into the destination folder, folders
// recursively; symbolic links are copied as links, never followed. A move
// within one file system is a rename; across file systems it is a copy
// followed by the removal of what was copied. Progress: ItemStarted and
// ItemDone per file, ItemProgress within a file; answering true stops after
// the current block, and the file being written is removed.
TransferReport transferItems(const TransferRequest &request, ConflictResolver &resolver, JobProgress &progress);

// A name split at its last dot: "report.zip" -> "report", "zip";
// "archive.tar.gz" -> "archive.tar", "gz". A name without a dot (or whose only
// dot is its first character, as ".profile") has no extension.
struct NameParts {
    std::string base;
    std::string extension; // without the dot; "" when none
};
NameParts splitName(const std::string &name);

// Moves the file or folder at `path` to the desktop's trash, where a file
// manager can restore it, following the freedesktop trash: the home trash
// ($XDG_DATA_HOME/Trash, made when missing) for items on the home folder's
// file system, the file system's own .Trash/UID or .Trash-UID elsewhere.
// The item goes whole or not at all. Reason None when it went, or when
// nothing is at `path` (any more); NoTrash when its file system has no trash
// it can go to; WriteFailed when the system refused (sysErrno says why:
// EACCES, EROFS, ENOSPC...). A trailing "/" is ignored. The trash folders
// are read from the environment once per process (HOME, XDG_DATA_HOME).
Failure trashItem(const std::string &path);

// Removes the file or folder at `path` for good (a folder with everything in
// it); a symbolic link is removed, never followed. Reason None when it is
// gone or was already; WriteFailed with the errno of the first refusal
// otherwise (what could be removed before it is gone).
Failure removeItemForGood(const std::string &path);

// Renames the item at `path` to `newName` in the same folder. Refused with
// AlreadyExists when an item of that name is there (a plain rename would
// silently destroy it), InvalidName for an empty name or one holding "/",
// NotFound when `path` is gone. Reason None on success.
Failure renameItem(const std::string &path, const std::string &newName);

} // namespace zarvon::operations
