// What every job shares: the reasons a job or one of its entries fails, the
// failure record that carries them up with the system's error number, and
// the one interface through which a job reports progress and learns that
// the user wants it to stop.
//
// Jobs are plain functions over request and report records. They show
// nothing and say nothing: the desktop and zarvon-cli turn a report into a
// message box or a line of text, each in its own words.
#pragma once

#include <cstdint>
#include <string>

namespace zarvon::operations {

// Why a job, or one entry of it, did not succeed.
enum class Reason {
    None,
    NotAnArchive,      // no archive this program can read at that path
    CannotOpen,        // the file exists but cannot be opened (see sysErrno)
    Damaged,           // damaged headers or data: CRC mismatch, data that cannot be inflated
    OutsideArchive,    // the directory places the entry past the end of the archive's data (a cut file)
    PasswordNeeded,    // encrypted, and no password was given
    WrongPassword,     // the password does not open it
    PasswordOrDamage,  // encrypted data that failed its check although the password passed the check byte
    UnsafeName,        // the name would leave the destination folder, or pass through a link
    UnsupportedMethod, // a compression method or encryption this program does not read
    WriteFailed,       // writing failed: disk full, I/O error (see sysErrno)
    ReadOnlyTarget,    // an existing read-only file already has that name
    CannotCreate,      // the output file or folder cannot be created (see sysErrno)
    NotFound,          // an entry asked for by name is not in the archive
    CannotRead,        // a source file or folder could not be read (see sysErrno)
    LinkRefused,       // a link entry, never created by this program
    MissingVolume,     // the next volume of a multi-volume set is missing
    LibraryMissing,    // the library that reads this format is not installed
    NoItems,           // nothing to work on was given
    ArchiveIsSource,   // the archive would replace one of the files meant to go into it
    Stopped,           // the user asked the job to stop
    NotEnoughSpace,    // the destination has less free space than the entries declare
    AlreadyExists,     // another item already has the name asked for
    IntoItself,        // a folder would go into itself or one of its own sub-folders
    InvalidName,       // the name asked for is empty or holds a "/"
    NameInOtherCase,   // an entry already has that name in another case (systems that ignore case would merge them)
    ArchiveBusy,       // another job is editing the archive, or it changed on disk meanwhile
    NotWritable,       // the archive or its folder cannot be written (see sysErrno)
    ReadOnlyFormat,    // archives of this format are read, never changed
    NoTrash,           // the item's file system has no trash the item can go to (nothing was moved)
    EncryptionUnsupported, // encrypted in a way this program cannot decrypt yet (an encrypted 7z); nothing written
    SpecialFileRefused,    // a device node, FIFO or socket entry, never created by this program
};

// One failure: what, why, and the detail a message needs.
struct Failure {
    std::string name; // entry name or file path; "" when it concerns the archive as a whole
    Reason reason = Reason::None;
    int sysErrno = 0; // the system's error number when the system said why, else 0
    int32_t code = 0; // the format's own result code (the engine's, the UnRAR library's)
};

// Why the file at `path` gives no archive: CannotOpen with the system's
// error number when it cannot be opened, NotAnArchive when it can.
Failure failureToOpen(const std::string &path);

// One step of a job, as reported to JobProgress.
struct ProgressStep {
    enum Kind {
        ItemStarted,  // `name` begins; `done` items are finished of `total`
        ItemProgress, // `percent` of `name` is done
        ItemDone,     // an item was handled (added, skipped or failed): `done` of `total`
    };
    Kind kind = ItemProgress;
    std::string name;  // the file being added or the entry being extracted or read
    float percent = 0; // ItemProgress only
    int64_t done = 0;
    int64_t total = 0; // 0 when not known in advance
};

// The answers to "a file of that name is already there".
enum class OverwriteAnswer {
    Replace,
    Skip,
    ReplaceAll, // this one and every later one, without asking again
    SkipAll,
    Stop, // nothing more is extracted
};

// Implemented by each front end (the desktop's progress window, zarvon-cli's
// progress line); called by the jobs, on the thread that runs the job, for
// every step. Answer true to ask the job to stop: it then ends after the
// current block, commits nothing it was writing, and reports Stopped.
class JobProgress {
public:
    virtual ~JobProgress() = default;
    virtual bool report(const ProgressStep &step) = 0;
    // Asked before an extraction that asks (Overwrite::Ask) replaces the
    // existing file at path; the default replaces.
    virtual OverwriteAnswer askOverwrite(const std::string &path)
    {
        (void)path;
        return OverwriteAnswer::Replace;
    }
};

// A JobProgress that never asks to stop and shows nothing.
class SilentProgress final : public JobProgress {
public:
    bool report(const ProgressStep &) override { return false; }
};

} // namespace zarvon::operations
