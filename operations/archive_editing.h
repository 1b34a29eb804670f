// Editing an archive in place: adding files and folders, updating,
// deleting, renaming entries and folders, and new folders. One job, used by
// the desktop's archive list and by zarvon-cli alike.
//
// Only formats whose capabilities say `edit` are changed; every other one
// is refused with ReadOnlyFormat before anything is read. The archive is
// replaced only when the whole edit is written: on every failure, and on a
// stop, it stays byte for byte as it was.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "operations/archive_format.h"
#include "operations/job.h"

namespace zarvon::operations {

struct EditRequest {
    enum class Kind {
        Add,       // `items` are files and folders of the disk, put into `folder`
        Update,    // as Add, but an entry is replaced only by a newer file, and never asked about
        Delete,    // `items` are entry names: a folder ("x/" or a folder's name) takes all under it;
                   // a name with "*" or "?" is a pattern over whole names
        Rename,    // `items` are the old name and the new one; a folder takes all under it
        NewFolder, // `items` holds the new folder's name, inside `folder`
    };
    Kind kind = Kind::Add;
    std::string archivePath;
    std::vector<std::string> items;
    std::string folder;   // the archive folder to add into: "" for the top, else ending with "/"
    std::string password; // new entries are encrypted with it when not empty
    int32_t method = 8;   // of new entries: 0 stored, 8 Deflate
    int32_t threads = 0;  // compressor threads; 0: one per core
    // Add only: an entry of the same name as a new file.
    Overwrite overwrite = Overwrite::Ask;
};

struct EditReport {
    bool done = false;  // the archive was replaced by its edited version
    Failure failure;    // why not (the archive is unchanged)
    bool stopped = false;
    int32_t changed = 0;              // entries added, replaced, removed or renamed
    std::vector<std::string> skipped; // entries kept (an answer "keep", or not older than the file)
};

EditReport editArchive(const EditRequest &request, JobProgress &progress);

// What the desktop needs to know before it asks anything.
struct EditableArchive {
    bool editable = false;  // a format that can be edited, readable, not damaged
    Failure failure;        // why not
    bool encrypted = false; // some entries are encrypted: new ones may be too
};
EditableArchive editableArchive(const std::string &path);

// Whether `password` opens the archive's encrypted entries (checked on one
// of them). Reason None, WrongPassword, PasswordNeeded or Damaged.
Failure checkEditPassword(const std::string &path, const std::string &password);

} // namespace zarvon::operations
