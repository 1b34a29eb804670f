// The archive engine: reads, writes, extracts and verifies ZIP archives.
//
// One process-wide state (EngineState) holds the archive open for reading
// (the reader slot), the archive being written (the writer slot), the
// compression method, the password and the progress callback. Every call
// runs on the caller's thread, and the progress callback is only ever called
// on it; the engine is not meant to be entered from two threads at once.
// Creation compresses on worker threads of its own behind addFile (see
// planAdditions and setThreadCount).
//
// Text is UTF-8 everywhere. Names stored in archives are CP850 with "/"
// separators; a name CP850 cannot hold is stored in UTF-8 with the UTF-8
// flag (general-purpose bit 11). Names handed back by the engine are UTF-8
// with the system's separator (kSeparator).
//
// Reading goes through minizip, with these structures read by the engine
// itself where minizip's reader cannot follow the rules of the format: the
// end record (found by validation, scanning back from the end, not by the
// last signature, so comments and junk after the archive do not mislead
// it), the central directory (checked before use: entries whose data
// overlap are refused), the ZIP64 extended information (read field by
// field), encrypted data (the traditional PKWARE cipher, and WinZip AES
// through OpenSSL, engine/zip_aes.h) and the data of
// ZIP64 entries (through a handle of the engine's own). Entry data always
// comes through minizip's raw mode (or that handle) and is inflated by the
// engine: with ISA-L where the build found it, with zlib otherwise; the
// CRC-32 and the declared size are checked by the engine either way.
// Deflate is zlib's at level 9, except for files of one pipeline unit,
// which libdeflate compresses at level 9 where the build found it.
//
// Results are 32-bit signed integers: 0 or a count, index or handle for
// success, negative for failure. minizip's own codes (-1, -100, -102 to -105)
// pass through unchanged; the engine's own failures use the codes below.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zarvon::engine {

#ifdef _WIN32
inline constexpr char kSeparator = '\\';
#else
inline constexpr char kSeparator = '/';
#endif

// Results shared by several operations.
inline constexpr int32_t kResultStopped = -666;        // the progress callback answered 1
inline constexpr int32_t kErrGeneral = -1;             // no archive in the slot, file cannot be opened or created
inline constexpr int32_t kErrEndOfList = -100;         // nextEntry moved past the last entry
inline constexpr int32_t kErrBadArchive = -103;        // damaged headers
inline constexpr int32_t kErrCrc = -105;               // data read whole but its CRC-32 differs
inline constexpr int32_t kErrData = -3;                // the compressed data cannot be inflated
inline constexpr int32_t kErrWrongPassword = -201;     // the encryption header's check byte does not match
inline constexpr int32_t kErrPasswordNeeded = -202;    // entry is encrypted and no password is in force
inline constexpr int32_t kErrUnsafeName = -203;        // name would leave the destination (refused)
inline constexpr int32_t kErrUnsupportedMethod = -204; // neither stored (0) nor Deflate (8)
inline constexpr int32_t kErrWrite = -205;             // writing failed (disk full, I/O error)
inline constexpr int32_t kErrReadOnlyTarget = -206;    // an existing output file is read-only
inline constexpr int32_t kErrNoSpace = -207;           // the destination has less free space than the entries need
inline constexpr int32_t kErrOverlap = -208;           // entries share or overlap their data (refused)
inline constexpr int32_t kErrOutsideArchive = -209;    // the entry's local header lies past the archive's data
inline constexpr int32_t kErrAuthentication = -230;    // AES entry whose authentication code does not match its data
inline constexpr int32_t kErrBadEncryptionField = -231; // AES entry (method 99) without a readable 0x9901 field

// addFile's answer when the file is the archive being written (or its
// temporary file): nothing is added, and this is not a failure.
inline constexpr int32_t kAddSkippedSelf = 1;

// Where an entry's modification time (EntryInfo::modifiedTime) came from.
enum class TimeSource : uint8_t {
    None,     // the entry holds no valid date: the time is left as the file system sets it
    Dos,      // the DOS date and time, local time, to two seconds
    Extended, // Info-ZIP's extended timestamp (extra field 0x5455), UTC, to the second
    Ntfs,     // the NTFS times (extra field 0x000a), UTC, to the second
};

// One entry of an archive. The first twenty fields come from the entry's
// central-directory record, in this order. Sizes are 64-bit so that ZIP64
// entries of 4 GiB and more are described whole. When an operation cannot
// read an entry it clears every field (numbers 0, empty name).
struct EntryInfo {
    uint32_t version = 0;           // version made by (high byte: host system, 3 = Unix)
    uint32_t versionNeeded = 0;     // version needed to extract
    uint32_t flag = 0;              // general-purpose flags; bit 0 encrypted, bit 3 data descriptor, bit 11 UTF-8 name
    uint32_t compressionMethod = 0; // 0 stored, 8 Deflate (others are listed but not extracted)
    uint32_t dosDate = 0;           // packed DOS date (high 16 bits) and time (low 16 bits)
    uint32_t crc = 0;               // CRC-32 of the uncompressed data
    uint64_t compressedSize = 0;    // bytes of stored data, 12-byte encryption header included
    uint64_t uncompressedSize = 0;  // bytes after extraction
    uint32_t sizeFileName = 0;      // length of the stored name in bytes
    uint32_t sizeExtra = 0;         // length of the central extra field
    uint32_t sizeComment = 0;       // length of the entry comment
    uint32_t diskNumberStart = 0;
    uint32_t internalAttributes = 0;
    uint32_t externalAttributes = 0; // low byte: Windows attribute bits; high 16 bits: Unix mode when host is Unix
    uint32_t second = 0;             // 0..59 (DOS dates keep even seconds only)
    uint32_t minute = 0;             // 0..59
    uint32_t hour = 0;               // 0..23
    uint32_t day = 0;                // 1..31
    uint32_t month = 0;              // 0..11, January = 0
    uint32_t year = 0;               // full year, such as 2007
    std::string fileName;            // UTF-8, kSeparator between components; a folder entry ends with it
    // The modification time in seconds since 1970 (UTC), as extraction
    // restores it: from the extended-timestamp or NTFS extra field of the
    // central directory when there is one (to the second), else from the
    // DOS date (local time, even seconds). 0 when timeSource is None.
    int64_t modifiedTime = 0;
    TimeSource timeSource = TimeSource::None;
    // WinZip AES (compressionMethod 99, described by extra field 0x9901):
    // the key size in bits (128, 192, 256), the version (1: AE-1 keeps the
    // CRC-32; 2: AE-2 stores 0 and relies on the authentication code) and
    // the method of the data inside (0 or 8). All 0 for any other entry, and
    // for a method-99 entry whose field is missing or of an unknown kind.
    uint32_t aesKeyBits = 0;
    uint32_t aesVersion = 0;
    uint32_t aesMethod = 0;

    bool isEncrypted() const { return (flag & 1u) != 0; }
    bool isFolder() const { return !fileName.empty() && fileName.back() == kSeparator; }
};

// Called after every block of data read or written, with the path of the
// file in hand and the percentage of that file done, and once at the end of
// each file with "" and 100.0. Answer 1 to ask the engine to stop, 0 to go
// on. Adding (addFile), extractCurrentEntry and verifyArchive act on a stop;
// the other operations ignore it. The callback may call closeArchives.
using ProgressCallback = std::function<int32_t(const std::string &fileName, float percent)>;

// How entries added with a password are encrypted.
enum class Encryption : int32_t {
    ZipCrypto = 0, // the traditional PKWARE cipher ("ZIP 2.0"): weak, but every reader opens it
    Aes256 = 1,    // WinZip AES, 256-bit key, AE-2 (method 99, extra field 0x9901)
};

// The engine's process-wide state. Read it through engineState(); change it
// only through the operations below.
struct EngineState {
    void *reader = nullptr;        // archive in the reader slot (minizip handle), or none
    void *writer = nullptr;        // archive in the writer slot (minizip handle), or none
    std::string writerPath;        // where the archive in the writer slot appears when closed complete
    int32_t compressionMethod = 8; // method of later additions: 0 stored, 8 Deflate
    bool passwordSet = false;      // a password is in force for adding and extracting
    std::string password;          // empty when none
    Encryption encryption = Encryption::ZipCrypto; // how additions with a password are encrypted
    ProgressCallback progressCallback;
};

const EngineState &engineState();

// Set-up

// Sets the method to 8 (Deflate) and clears everything else (closing any open
// archive first; an archive being written is abandoned). Result 0.
int32_t initEngine();

// Registers the one progress callback; an empty callback switches progress
// reporting off. Result 0.
int32_t setProgressCallback(ProgressCallback callback);

// Reading (reader slot)

// Closes the archive already in the reader slot, then opens `path`. A file is
// accepted when its end-of-central-directory record is found and read; the
// extension plays no part. Result non-zero when open, 0 otherwise (slot empty).
int32_t openArchiveForReading(const std::string &path);

// Moves to the first entry of the reader slot's archive. Result 0; minizip's
// error (kErrEndOfList for an archive without entries); -1 when the slot is empty.
int32_t firstEntry();

// Moves to the next entry. Result 0 while an entry was reached, kErrEndOfList
// (-100) after the last one, -1 when the slot is empty.
int32_t nextEntry();

// Describes the current entry of the reader slot. Result 0 when `out` was
// filled; minizip's error with `out` cleared; -1 when the slot is empty
// (`out` left as it was). The name is read whole, however long.
int32_t currentEntryInfo(EntryInfo &out);

// Reading (by path; a private handle, the reader slot is left alone)

// Number of entries of the archive at `path`, or -1 when it cannot be opened.
int32_t entryCount(const std::string &path);

// Describes the entry of the given index (from 0). Result 1 when `out` was
// filled, 0 otherwise (`out` cleared), also for an index past the last entry.
// Repeated calls on the same unchanged archive cost one pass of its central
// directory in all, not one per call.
int32_t entryInfoAt(const std::string &path, int32_t index, EntryInfo &out);

// Every entry of the archive at `path`, in central-directory order, read in
// one pass. Result: the number of entries (out holds them), or -1 when the
// archive cannot be opened (out emptied). This is how a list is filled.
int32_t listEntries(const std::string &path, std::vector<EntryInfo> &out);

// Index (from 0) of the first entry whose name equals `name`, ignoring case;
// with wholePath 0 only the last components of both are compared. Result -1
// when none is equal or the archive cannot be opened. Either separator may
// be used in `name`.
int32_t findEntryIndex(const std::string &path, const std::string &name, int32_t wholePath);

// Closes the writer slot, then the reader slot; either may be empty. The
// archive being written appears under its name only now, and only when it is
// complete: when an addition was stopped by the callback, failed to write, or
// is still running (closeArchives called from the callback), the temporary
// file is removed and any earlier file of that name is left untouched.
// Result 0 when the written archive (if any) was committed; kResultStopped
// when it was discarded after a stop; kErrWrite (or minizip's error) when it
// could not be completed and was discarded.
int32_t closeArchives();

// Creating (writer slot)

// Closes any archive in the writer slot (as closeArchives does for it), then
// starts a new archive for `path`. The archive is written to a temporary file
// beside `path` and renamed to `path` by closeArchives. With append 0 any
// file at `path` is replaced (on commit); with append non-zero the entries of
// the existing archive are kept and new ones added after them. Result
// non-zero on success, 0 on failure (slot empty; addFile then returns -1).
int32_t createArchive(const std::string &path, int32_t append);

// Sets the method of later additions: 0 (stored) or 8 (Deflate); any other
// value is ignored. Result 0.
int32_t setCompressionMethod(int32_t method);

// The empty text clears the password; any other text is put in force for
// every later addition and extraction until set again. Result 0.
int32_t setPassword(const std::string &password);

// Sets the encryption of later additions made with a password (see
// Encryption; ZipCrypto after initEngine). Result 0.
int32_t setEncryption(Encryption encryption);

// Adds the file at `path` to the archive in the writer slot, compressed with
// the current method (Deflate level 9) and, with a password in force,
// encrypted as setEncryption chose: the traditional PKWARE scheme, or
// WinZip AES-256 (AE-2, a fresh random salt per entry, the data compressed
// first and then encrypted). The stored name is the last
// component of `path`, or with keepFullPath non-zero the path itself without
// a leading "/" and without "." or ".." components. The file's modification
// time (as a DOS date in local time, and to the second in UTC in an
// extended-timestamp extra field in both headers, as Info-ZIP writes it),
// its Unix mode and its Windows-style read-only bit are stored. Files
// of 4 GiB and more get the ZIP64 extensions.
//
// Results:
//   0                 the file was added completely (an empty file too)
//   kAddSkippedSelf   `path` is the archive being written or its temporary file
//   kResultStopped    the callback answered 1; the whole archive will be discarded
//   -1                no archive in the writer slot, or the file cannot be opened
//                     (no entry is left for it); or it could not be read to the
//                     end, or changed while being added, once its entry was
//                     begun (the whole archive will then be discarded)
//   kErrWrite / other the archive could not be written (disk full, I/O error,
//                     minizip's error); the whole archive will be discarded
// After a stop or a write failure, closeArchives discards the archive.
int32_t addFile(const std::string &path, int32_t keepFullPath);

// addFile, storing the file under `storedName` (UTF-8, "/" between folders)
// instead of a name taken from `path`: a file of a chosen folder is stored
// under the folder's own name and its place inside it. The name is cleaned
// as keepFullPath cleans a path (no leading "/", no "." or ".." components).
// Same results as addFile.
int32_t addFileAs(const std::string &path, const std::string &storedName);

// Announces the files the next addFile calls will add, in that order, so
// that the compressor threads read and compress ahead while earlier entries
// are written. Only a lookahead: addFile still adds one file per call, with
// the same results and progress calls, and a file not announced (or added
// out of order) is simply compressed when its addFile comes. Uses the
// method and password in force now; call it after setting them. Result 0,
// or -1 when no archive is in the writer slot.
struct PlannedAddition {
    std::string path;
    int32_t keepFullPath = 0;
    std::string storedName; // for addFileAs; "" for addFile
};
int32_t planAdditions(const std::vector<PlannedAddition> &files);

// Number of compressor threads for later additions; 0 (the default) means
// one per core. The archive's bytes do not depend on it. Result 0.
int32_t setThreadCount(int32_t threads);

// Extracting
//
// Common to the three operations: `destination` is a folder (created when
// needed); with keepPaths 1 an entry's folders are recreated under it, with 0
// only the last component is used. A drive prefix ("C:\", "C:/", "C:x") is
// dropped, so "C:/data/notes.txt" lands in data/notes.txt. Names with ".."
// components, absolute names, and names empty after cleaning are refused
// (kErrUnsafeName); nothing is ever written through a
// symbolic link, and no symbolic link is ever created. Each entry's CRC-32
// is checked; a failed entry leaves no output file behind (a file it would
// have replaced is kept). An encrypted entry needs the password in force; a
// wrong password is caught by the check byte before anything is written. An
// existing read-only output file is not replaced (the entry fails). The
// modification time (EntryInfo::modifiedTime, to the second where the entry
// holds it) and the permissions are restored.

// Extracts the entry of the given index (from 0). Result 1 when a file was
// written completely or a folder entry created; 0 otherwise, also for an
// index past the last entry.
int32_t extractEntryAt(const std::string &archivePath, int32_t index, const std::string &destination,
                       int32_t keepPaths);

// Extracts the current entry of the reader slot, which stays open on the
// same entry. Results: 0 done; -1 reader slot empty or output file cannot be
// created; kResultStopped; kErrReadOnlyTarget; kErrUnsafeName;
// kErrPasswordNeeded; kErrWrongPassword; kErrCrc; kErrData;
// kErrUnsupportedMethod; kErrWrite; kErrOutsideArchive; minizip's error for
// damaged headers.
int32_t extractCurrentEntry(const std::string &destination, int32_t keepPaths);

// Extracts every entry whose last component matches `pattern` ("*" any run,
// "?" one character, case ignored, a name without a dot compared as if it
// ended with "."; the empty pattern means "*.*"), and with keepPaths 1 also
// every entry of size 0 (folder entries, empty files). The destination is
// created just before the first entry that can be extracted. Folder
// entries get their modification time once every file is written (writing
// into a folder changes its time). Result: the number of files written
// completely (folders not counted); 0 also when the archive cannot be
// opened. Failed entries are skipped.
int32_t extractMatching(const std::string &archivePath, const std::string &pattern, const std::string &destination,
                        int32_t keepPaths);

// What an extraction needs and what the destination has.
struct SpaceCheck {
    uint64_t needed = 0;    // declared size of the entries, in bytes
    uint64_t available = 0; // free space of the destination's file system for this user
};

// Compares the declared total size of the entries of `archivePath` matching
// `pattern` (as extractMatching selects them; "" for all) with the free
// space where `destination` is or would be created. Nothing is written.
// Result 0 when they fit; kErrNoSpace when they do not (the last error then
// names both figures); -1 when the archive cannot be read or the free space
// cannot be known (out.available 0). extractMatching makes this check first.
int32_t checkExtractionSpace(const std::string &archivePath, const std::string &pattern, const std::string &destination,
                             SpaceCheck &out);

// What salvageEntries did with one local header found in the file.
struct SalvagedEntry {
    std::string name;    // UTF-8, kSeparator between components
    int32_t result = 0;  // 0 recovered (or folder made); else the reason, as extractCurrentEntry's results
    uint64_t offset = 0; // of its local header in the file
    bool kept = false;   // read whole, but a file of that name exists and was kept
};

// The entries salvageEntries met, in file order.
struct SalvageResult {
    std::vector<SalvagedEntry> entries;
    int32_t filesRecovered = 0;
    int32_t foldersMade = 0;
    int32_t kept = 0; // files left alone because a file of that name exists (replace false)
};

// Recovers what the local headers of a damaged archive hold, for when its
// central directory cannot be read: scans the file for local header
// signatures and extracts each entry found under `destination`, with the
// same rules as every extraction (names kept inside the destination, never
// through a link, files appearing only whole after their CRC-32 has
// passed, never more bytes than an entry declares, nor more than the
// destination's free space for an entry whose size only follows its data).
// Each entry's data is consumed once: the scan goes on after it. Encrypted
// entries are reported (kErrPasswordNeeded), not recovered. An existing file
// is replaced only with `replace`. `progress` (may be empty) gets the entry
// in hand and the share of the file scanned; 1 stops. Result: the number of
// files recovered; -1 when the file cannot be read; kResultStopped.
int32_t salvageEntries(const std::string &archivePath, const std::string &destination, bool replace,
                       const ProgressCallback &progress, SalvageResult &out);

// Errors

// The detail of the engine's last failure, kept beside its state so that a
// caller can say why ("no space left on device") rather than guess. Set by
// the failures of createArchive, addFile, closeArchives, the opening of an
// archive that is refused, checkExtractionSpace and the extraction of an
// entry (a file, or its folder, that cannot be made, written or named);
// cleared by initEngine.
struct LastError {
    int32_t code = 0; // the result that was returned
    int sysErrno = 0; // the system's error number, 0 when the system said nothing
    std::string text; // one line in English, "" when none
};
const LastError &lastError();

// Verifying

// What verifyArchive found.
struct VerifyResult {
    bool readable = false;      // the central directory was found and read
    int32_t entries = 0;        // entries in the central directory
    int32_t entriesChecked = 0; // entries whose data was read whole (passed or failed)
    int32_t entriesFailed = 0;  // entries that failed (bad data, CRC, wrong password, bad header, unsupported method)
    int32_t entriesNotChecked = 0; // encrypted entries skipped because no password is in force
    std::string firstFailedEntry;  // name of the first failing entry, empty when none
    int32_t firstFailure = 0;      // that entry's result code (kErrCrc, kErrWrongPassword, ...)
    struct FailedEntry {
        std::string name;
        int32_t code = 0;
    };
    std::vector<FailedEntry> failed; // every entry that failed, in archive order
};

// Tells whether the file at `path` is a readable ZIP archive and reads every
// entry, checking its CRC-32, without writing anything. Encrypted entries are
// checked with the password in force; without one they are counted as not
// checked. The reader slot is left alone. Progress is reported per entry and
// a stop is honoured. Result 0 when readable and no entry failed (entries
// not checked do not count as failures); kResultStopped; -1 when not a
// readable archive; kErrCrc (or the first failure's code) otherwise.
int32_t verifyArchive(const std::string &path, VerifyResult &out);

} // namespace zarvon::engine
