// Editing a ZIP archive in place: adding, replacing, deleting and renaming
// entries, and new folders, without recompressing what is not touched.
//
// One ZipEditor is one editing job. It carries everything the job needs
// (its password, its progress callback, its last error) in itself, as
// zlib's stream does: nothing of it lives in the engine's process-wide
// state, so an edit never disturbs the reader or writer slot, and two
// editors never share anything.
//
// The calls before commit() only describe the change; nothing is written
// until commit(). commit() writes the new archive to a file without a name
// beside the old one and puts it in the old one's place only when it is
// complete: a stop, a full disk, a kill or a crash leave the old archive as
// it was. Entries that are not touched are copied as they are stored
// (compressed bytes, encryption, extra fields, comments, times, local
// header and data descriptor); only their place in the file changes, and
// with it the ZIP64 fields where the new place passes 4 GiB. The archive
// file keeps its permissions.
//
// Names are UTF-8 with "/" between components; a folder's name ends with
// "/". A folder that holds entries exists even without an entry of its own.
#pragma once

#include "engine/engine.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zarvon::engine {

// Results of the editor, beside the engine's shared ones (kErrBadArchive
// for a damaged archive, kErrWrongPassword, kErrPasswordNeeded, kErrWrite,
// kResultStopped, kErrGeneral for an archive that cannot be opened).
inline constexpr int32_t kErrNameTaken = -220;     // another entry already has that name (exactly, with replace not asked)
inline constexpr int32_t kErrNameCase = -221;      // an entry has that name in another case (refused: other systems would merge them)
inline constexpr int32_t kErrNoSuchEntry = -222;   // no entry or folder of that name
inline constexpr int32_t kErrBadNewName = -223;    // the new name is empty, absolute, or holds "." or ".." components
inline constexpr int32_t kErrNotWritable = -224;   // the archive's folder or the archive cannot be written (see errno)
inline constexpr int32_t kErrBusy = -225;          // another job is editing this archive
inline constexpr int32_t kErrChanged = -226;       // the archive changed on disk since the editor opened it
inline constexpr int32_t kErrNotOpen = -227;       // no archive open in the editor

// One entry as the editor sees it.
struct EditEntry {
    std::string name;          // UTF-8, "/" between components, a folder ends with "/"
    bool encrypted = false;
    uint32_t method = 0;
    uint64_t size = 0;         // bytes after extraction
    uint64_t packedSize = 0;   // bytes stored
    int64_t modifiedTime = 0;  // seconds since 1970 (UTC), as extraction restores it; 0 when unknown
    TimeSource timeSource = TimeSource::None;
    bool isFolder() const { return !name.empty() && name.back() == '/'; }
};

// A file or folder of the disk to add, and the name it gets.
struct EditAddition {
    std::string path;       // file on disk; empty for a folder entry
    std::string storedName; // UTF-8, "/" separators; a folder entry ends with "/"
};

class ZipEditor {
public:
    ZipEditor();
    ~ZipEditor();
    ZipEditor(const ZipEditor &) = delete;
    ZipEditor &operator=(const ZipEditor &) = delete;

    // The job's own settings, read by commit() and checkPassword().
    std::string password;       // new entries are encrypted with it when not empty
    int32_t method = 8;         // of new entries: 0 stored, 8 Deflate (level 9)
    int32_t threads = 0;        // compressor threads; 0: one per core
    ProgressCallback progress;  // (name, percent of the whole edit) -> 1 to stop

    // The detail of the last failure of this editor.
    const LastError &lastError() const { return error_; }

    // Opens the archive at `path` and reads its central directory with the
    // engine's checks (the end record found by validation, no overlapping
    // entries). Result 0; kErrGeneral when it cannot be opened or is not a
    // ZIP archive (errno kept in lastError); kErrBadArchive when its
    // directory is damaged or it has data before its first entry.
    int32_t open(const std::string &path);

    // The entries, in central-directory order, without those removed or
    // replaced so far and with the renamed ones under their new names;
    // entries added are not listed.
    std::vector<EditEntry> entries() const;
    bool hasEncryptedEntries() const;

    // Whether `name` is an entry or a folder of the archive as edited so far
    // (a folder: with or without its final "/"). With ignoreCase the names
    // are compared without case.
    bool contains(const std::string &name, bool ignoreCase = false) const;

    // Removes the entry `name`, or the folder `name` and everything under
    // it. Result: the number of entries removed (> 0); kErrNoSuchEntry.
    int32_t remove(const std::string &name);

    // Gives the entry or folder `from` the name `to` (a folder: every entry
    // under it). Results: the number of entries renamed; kErrNoSuchEntry;
    // kErrBadNewName; kErrNameTaken or kErrNameCase when the new name, or
    // one of the names under it, is already taken.
    int32_t rename(const std::string &from, const std::string &to);

    // Adds a folder entry `name` (a "/" is appended when missing). Results 0,
    // kErrBadNewName, kErrNameTaken, kErrNameCase.
    int32_t addFolder(const std::string &name);

    // Adds the disk file `path` as the entry `storedName`. An entry of that
    // exact name is replaced when `replace` is true and refused otherwise
    // (kErrNameTaken); one of the same name in another case is always
    // refused (kErrNameCase). Results 0, kErrBadNewName, kErrNameTaken,
    // kErrNameCase, kErrGeneral when the file cannot be read.
    int32_t addFile(const std::string &path, const std::string &storedName, bool replace);

    // Checks `password` against the smallest entry encrypted with the
    // traditional scheme: its check byte, then its data and CRC-32. Result
    // 0 (also when no entry is encrypted that way); kErrPasswordNeeded when
    // the password is empty; kErrWrongPassword; kErrBadArchive.
    int32_t checkPassword() const;

    // Writes the edited archive and puts it in place of the old one. The
    // password is checked first when entries are added to an archive that
    // has encrypted entries. Every local header is checked before anything
    // is written. Results: 0; kResultStopped (the progress callback
    // answered 1); kErrBadArchive; kErrWrongPassword; kErrPasswordNeeded;
    // kErrNotWritable; kErrBusy; kErrChanged; kErrWrite (disk full, I/O
    // error; errno in lastError); kErrGeneral (a file to add could not be
    // read). On every result but 0 the archive is byte for byte as it was.
    // The editor is closed afterwards.
    int32_t commit();

    // Whether anything was asked since open().
    bool hasChanges() const;

    struct State;

private:
    int32_t fail(int32_t code, int sysErrno, std::string text) const;
    std::unique_ptr<State> s_;
    mutable LastError error_;
};

// The additions for the disk file or folder `path` placed in the archive
// folder `prefix` ("" for the top, else ending with "/"): a file becomes
// prefix + its name; a folder becomes a folder entry prefix + its name +
// "/" and every file and folder under it, under their places in it.
// Result 0; kErrGeneral when `path` or a folder under it cannot be read.
int32_t collectAdditions(const std::string &path, const std::string &prefix, std::vector<EditAddition> &out);

} // namespace zarvon::engine
