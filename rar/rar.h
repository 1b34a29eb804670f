// RAR archives through the UnRAR library, loaded when a call needs it and
// unloaded when the call returns. No Qt, no messages: every outcome is a
// code in a report, and the caller words it.
//
// The library never writes to disk on our behalf. Each entry is unpacked in
// the library's test mode and its bytes come back to us; we write them to a
// temporary file in the entry's folder (reached from the destination without
// following any link) and rename it into place once the library has checked
// the entry's checksum. So a failed or stopped entry leaves nothing behind
// and keeps the file it would have replaced, no link is ever created or
// followed, and no name escapes the destination.
//
// All calls are synchronous and run the library on the calling thread; the
// library keeps process-wide state, so only one call runs at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zarvon::rar {

// The one place that names the library's file (Debian's package libunrar5).
inline constexpr const char *kUnrarLibraryName = "libunrar.so.5";
// The package that provides it, for the message that says it is missing.
inline constexpr const char *kUnrarPackageName = "libunrar5";

// What became of a whole pass over an archive.
enum class RarStatus {
    Ok,             // every entry asked for was listed / tested / extracted
    EntriesFailed,  // the archive was read to its end, but entries in `failures` failed
    LibraryMissing, // the UnRAR library cannot be loaded (or lacks an entry point)
    CannotOpen,     // the file cannot be opened or read
    NotRar,         // the file is not a RAR archive
    PasswordNeeded, // the headers are encrypted and no password was given
    WrongPassword,  // the headers are encrypted and the password given is wrong
    Damaged,        // the headers are damaged: the pass ended before the archive's end
    MissingVolume,  // a volume of a multi-volume set is missing
    Stopped,        // the progress callback asked to stop
};

// Why one entry failed (extracting or testing) or was refused.
enum class RarEntryResult {
    Ok,
    UnsafeName,     // absolute, drive prefix, ".." or empty after cleaning: not written
    LinkRefused,    // a symbolic link, hard link, junction or file copy: never extracted
    PasswordNeeded, // encrypted, and no password was given
    WrongPassword,  // encrypted, and the password given is wrong
    Damaged,        // the data fails its checksum or cannot be unpacked
    MissingVolume,  // the entry goes on in a volume that is missing
    WriteFailed,    // the output could not be written (sysErrno says why)
    ReadOnlyTarget, // a read-only file of that name exists: it is kept
    UnsafeTarget,   // a link or a non-folder stands where a folder of the path must be
    Stopped,        // the progress callback asked to stop during this entry
};

// One entry as the archive describes it.
struct RarEntry {
    std::string name; // UTF-8, "/" between folders, as stored (not checked)
    bool folder = false;
    bool encrypted = false; // its data is encrypted
    bool link = false;      // symbolic link, hard link, junction or file copy
    bool solid = false;     // unpacked on top of the entries before it
    uint64_t size = 0;      // unpacked size
    uint64_t packedSize = 0;
    uint32_t crc = 0;             // CRC-32 (0 for entries checked with BLAKE2)
    uint32_t dosTime = 0;         // modification time, DOS format, local time
    int64_t modificationTime = 0; // modification time, seconds since 1970 (UTC)
    uint32_t modificationNanoseconds = 0; // and the part of a second, when the archive keeps it
    bool hasModificationTime = false;     // false: the header holds no valid date (both fields 0)
    uint32_t hostOs = 0;          // 2 Windows, 3 Unix (the library's numbering)
    uint32_t attributes = 0;      // Windows attributes or Unix mode, after hostOs
    uint32_t method = 0;          // 0x30 stored ... 0x35 best
    uint32_t dictionarySize = 0;  // in KiB
};

struct RarEntryFailure {
    std::string name; // the entry's name, as in RarEntry::name
    RarEntryResult reason = RarEntryResult::Ok;
    int sysErrno = 0;    // errno for WriteFailed / UnsafeTarget, else 0
    int libraryCode = 0; // the library's result for this entry (ERAR_*), 0 when it was not asked
};

struct RarReport {
    RarStatus status = RarStatus::Ok;
    int libraryCode = 0;                   // the library's code behind a failed status, 0 otherwise
    std::vector<RarEntry> entries;         // every entry header read, in archive order
    std::vector<RarEntryFailure> failures; // in archive order
    int filesWritten = 0;                  // files renamed into place (extraction only)
    int foldersCreated = 0;                // folder entries made (extraction only)
    int entriesDone = 0;                   // entries tested or extracted without failure
    bool anyEncrypted = false;             // some entry's data, or the headers, are encrypted
    bool headersEncrypted = false;
    bool stopped = false;   // the progress callback asked to stop
    uint64_t bytesDone = 0; // unpacked bytes received from the library

    // True when nothing failed: the status is Ok (so `failures` is empty).
    bool succeeded() const { return status == RarStatus::Ok; }
};

// Called on the calling thread while data comes out of the library: the
// entry being processed and the unpacked bytes done and to do in the whole
// pass (`total` is 0 when the size is not known). Return false to stop: the
// entry in hand is discarded and the pass ends with RarStatus::Stopped.
using RarProgress = std::function<bool(const std::string &entry, uint64_t done, uint64_t total)>;

// True when the library loads and has every entry point we call.
bool unrarLibraryAvailable();

// Reads every entry header (a multi-volume set from its first volume).
// `password` (UTF-8, may be empty) is needed only when the headers are
// encrypted. Status: Ok, or an archive-level failure; entry data is not
// read, so no entry fails.
RarReport listRar(const std::string &path, const std::string &password);

// Unpacks every file entry and checks it, writing nothing. Encrypted entries
// need `password`: without one each fails with PasswordNeeded. Links and
// folders are listed but not tested. Status: Ok, EntriesFailed (see
// failures), Stopped or an archive-level failure.
RarReport testRar(const std::string &path, const std::string &password, const RarProgress &progress);

struct RarExtractRequest {
    std::string archivePath;            // a single archive, or any volume of a set
    std::string destination;            // created when missing; its own links are followed
    std::string password;               // UTF-8; empty: encrypted entries fail with PasswordNeeded
    std::vector<std::string> onlyNames; // entry names (as in RarEntry::name) to extract; empty: all
};

// Extracts the archive under `destination`, keeping entry folders. Every
// name is checked before anything is written (refused: UnsafeName). Links
// are never created: they fail with LinkRefused. An existing file of an
// entry's name is replaced only once the new one is complete (a symbolic
// link there is replaced, never followed); a read-only one is kept
// (ReadOnlyTarget). The modification time and the ordinary permission bits
// are restored (never set-id or sticky bits); folders keep the usual mode.
// Status: Ok, EntriesFailed (see failures), Stopped, or an archive-level
// failure (nothing or only part of the archive was reached).
RarReport extractRar(const RarExtractRequest &request, const RarProgress &progress);

// For tests only: load the library from this name instead (nullptr restores
// kUnrarLibraryName), to check the path taken when it is missing.
void setUnrarLibraryNameForTesting(const char *name);

} // namespace zarvon::rar
