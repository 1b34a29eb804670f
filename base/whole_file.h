// An extracted file appears under its name only once it is whole: it is
// written without a name (O_TMPFILE in its folder) and linked in after its
// data has been checked, so a crash, a kill or a failed check leaves
// neither a partial file under the name nor a temporary beside it. Where the
// file system cannot make unnamed files, a hidden named temporary is used and
// its folder recorded, for the next run to remove what a killed run left.
// No Qt.
#pragma once

#include <cstdint>
#include <string>

namespace zarvon::base {

class WholeFile {
public:
    WholeFile() = default;
    // A file begun and not committed is discarded.
    ~WholeFile() { discard(); }
    WholeFile(const WholeFile &) = delete;
    WholeFile &operator=(const WholeFile &) = delete;

    // Begins the file that will be `leaf` in the open folder `dirFd`, whose
    // path is `folderPath` (recorded only when a named temporary is needed),
    // with the permission bits `mode` (less the creation mask). `nameTaken`:
    // something is known to have the name already (commit then goes straight
    // to the replacing path). Nothing appears under `leaf` yet. True, or
    // false with errno set.
    bool begin(int dirFd, const std::string &folderPath, const std::string &leaf, uint32_t mode,
               bool nameTaken = false);

    // The descriptor to write the data to (-1 before begin).
    int fd() const { return fd_; }

    // Closes the file and gives it its name. Whatever had the name (a file,
    // a link, never a folder) is replaced in one step, so it stays whole
    // until the new file is. True, or false with errno set and nothing left
    // behind (the old file, if any, untouched).
    bool commit();

    // Drops the file begun (nothing under its name was touched).
    void discard();

    // Whether the file begun has no name (false: a named temporary).
    bool unnamed() const { return tempName_.empty() && fd_ >= 0; }

private:
    bool linkUnder(const std::string &name);

    int fd_ = -1;
    int dirFd_ = -1;
    std::string folderPath_;
    std::string leaf_;
    std::string tempName_; // the named temporary, when one was needed
    bool nameTaken_ = false;
};

// Whether WholeFile tries unnamed files first; switched off by tests to
// follow the path of a file system without them. True by default.
void setUnnamedFilesAllowed(bool allowed);

// Notes that a named temporary of ours may be left in `folder` should this
// process end before it is renamed or removed, in a record of this process
// in `recordFolder` (the user's runtime folder). Each folder is noted once.
void recordTemporaryFolder(const std::string &recordFolder, const std::string &folder);

// The folder of the records: $XDG_RUNTIME_DIR when it is a folder, else /tmp.
std::string runtimeRecordFolder();

// Removes what killed runs left: for each record in `recordFolder` of a
// process of this user that no longer runs, the hidden temporaries
// (".<name>.zarvon-<16 hex digits>", regular files of this user) in every
// folder it names, then the record. Result: the number of files removed.
int removeInterruptedTemporaries(const std::string &recordFolder);

} // namespace zarvon::base
