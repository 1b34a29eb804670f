// One interface for every archive format the program reads: ZIP through the
// engine, RAR through the UnRAR binding, the others through libarchive
// (operations/libarchive_format.h). The extraction workflow, the test
// command, the information sheet and zarvon-cli ask formatOf() for the
// format of a file and call it; none of them switches on an extension.
//
// Implemented by operations/zip_format.cpp (and the RAR format); called by
// the jobs of operations/jobs.h and by the front ends through them. Every
// call runs on the caller's thread and leaves no archive open behind it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "operations/job.h"

namespace zarvon::operations {

// One entry as a list shows it.
struct ArchiveEntry {
    std::string name; // UTF-8, "/" between components; a folder ends with "/"
    bool folder = false;
    bool encrypted = false;
    bool link = false;       // a symbolic or hard link (never created on extraction)
    uint64_t size = 0;       // bytes after extraction
    uint64_t packedSize = 0; // bytes stored in the archive
    uint32_t crc = 0;
    // Whether the format says what one entry takes packed (a compressed
    // tarball or a solid 7z packs entries together) and gives its CRC.
    bool packedKnown = true;
    bool crcKnown = true;
    uint32_t dosDate = 0;   // packed DOS date (high 16 bits) and time (low 16 bits), local time
    // The modification time extraction restores, seconds since 1970 (UTC),
    // finer than dosDate where the archive keeps it; not known (both 0) when
    // the entry holds no valid date.
    bool modifiedKnown = false;
    int64_t modifiedTime = 0;
    uint32_t modifiedNanoseconds = 0;
    int32_t method = 0;     // the format's own method number
    std::string methodName; // that method as a listing names it: "Stored", "Deflate", "RAR 5"...
    // The encryption of an encrypted entry as a listing names it: "ZIP 2.0"
    // (the traditional cipher), "AES-128", "AES-192", "AES-256"; "AES" for
    // an AES entry of an unknown kind; "" when not encrypted.
    std::string encryptionName;
    uint32_t unixMode = 0;  // permission bits (0777) when made on Unix; 0 when not known
};

struct ListReport {
    bool opened = false; // false: `failure` says why nothing is listed
    Failure failure;
    std::vector<ArchiveEntry> entries; // in the archive's own order
    bool anyEncrypted() const;
};

// What an extraction does with a file already at an entry's place.
enum class Overwrite {
    Replace, // replace it without asking
    Skip,    // keep it, and report the entry as skipped
    Ask,     // ask JobProgress::askOverwrite for each one
};

struct ExtractRequest {
    std::string archivePath;
    std::string destination;             // a folder, created when needed
    std::vector<std::string> entryNames; // whole stored names as listed; empty: every entry
    std::string password;                // "" for none; used for this request only
    Overwrite overwrite = Overwrite::Replace;
};

struct ExtractReport {
    bool opened = false; // false: `failure` says why nothing was extracted
    Failure failure;
    bool stopped = false;             // the user stopped it; entries already written stay
    int32_t filesWritten = 0;         // files written completely (folders not counted)
    int32_t entriesDone = 0;          // entries handled without failure, folders included
    std::vector<Failure> failures;    // one per entry that failed, in archive order
    std::vector<std::string> skipped; // entries left out because a file of theirs was kept
    // With Reason::NotEnoughSpace: the declared bytes to write, and the free
    // bytes of the destination's file system.
    uint64_t spaceNeeded = 0;
    uint64_t spaceAvailable = 0;
    // Failures a different password could mend.
    int32_t passwordFailures() const;
    bool anyWrongPassword() const;
};

struct TestRequest {
    std::string archivePath;
    std::string password; // "" checks only the entries that are not encrypted
};

struct TestReport {
    bool readable = false; // the archive's index was found and read
    Failure failure;       // why not readable
    bool stopped = false;
    int32_t entries = 0;
    int32_t entriesChecked = 0; // read whole (passed or failed)
    int32_t entriesFailed = 0;
    int32_t entriesNotChecked = 0; // encrypted, and no password given
    std::vector<std::string> notChecked; // their names, in archive order
    // The first entry that failed; reason None when none did. An encrypted
    // entry that fails its check with a password given is PasswordOrDamage
    // (or WrongPassword when the format could tell).
    Failure firstFailure;
    std::vector<Failure> failures; // every entry that failed, the first one included, in archive order
    // Readable, not stopped, and no entry failed.
    bool passed() const { return readable && !stopped && entriesFailed == 0; }
};

// What a format can do.
struct FormatCapabilities {
    bool create = false;
    bool list = false;
    bool test = false;
    bool extract = false;
    bool passwords = false;
    bool edit = false; // entries can be added, deleted and renamed in place
    // extract() settles existing files itself (the request's Overwrite,
    // asking as it meets them) and restores its folders' dates and modes,
    // so the archive is read once: listing a compressed stream first would
    // decompress it twice.
    bool onePass = false;
};

class ArchiveFormat {
public:
    virtual ~ArchiveFormat() = default;
    // "ZIP", "RAR": for messages and zarvon-cli's info.
    virtual const char *name() const = 0;
    virtual FormatCapabilities capabilities() const = 0;
    // Every entry, read without extracting anything; encrypted names need
    // the password.
    virtual ListReport list(const std::string &archivePath, const std::string &password) const = 0;
    // Writes the entries asked for under the destination, never outside it,
    // never through a link; a failed entry leaves no file and keeps a file it
    // would have replaced.
    virtual ExtractReport extract(const ExtractRequest &request, JobProgress &progress) const = 0;
    // Reads every entry whole and checks it, writing nothing.
    virtual TestReport test(const TestRequest &request, JobProgress &progress) const = 0;
};

const ArchiveFormat &zipFormat();
const ArchiveFormat &rarFormat();

// The UnRAR library can be loaded: RAR archives can be read.
bool rarLibraryAvailable();

// The format of the file at `path`: by its first bytes ("PK" for ZIP,
// "Rar!" for RAR, the magic numbers of 7z, gzip, bzip2, xz, zstd, lz4, cab,
// ar, cpio, "ustar" at 257 for tar, "CD001" at 0x8001 for iso9660; a
// compressed stream is a tar when an archive is found inside it, else a
// lone compressed file), else by its extension (".zip", ".rar", ".7z",
// ".tar.gz"..., any case), so that a damaged archive is still reported by its
// own format. nullptr when neither tells.
const ArchiveFormat *formatOf(const std::string &path);

} // namespace zarvon::operations
