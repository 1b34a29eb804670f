// Shared inside the engine only; not part of its interface.
#pragma once

#include "engine/checksum.h"
#include "engine/deflate_pipeline.h"
#include "engine/engine.h"
#include "engine/fs.h"
#include "engine/pkware_cipher.h"
#include "engine/zip_aes.h"

#include <minizip/unzip.h>
#include <minizip/zip.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zarvon::engine::detail {

// Block size of every data loop: each block is followed by a progress call.
inline constexpr size_t kBlockSize = 102400;

EngineState &state();

// Bookkeeping of the archive in the writer slot beyond what EngineState shows.
struct WriterExtra {
    std::string tempPath;    // the temporary file the archive is written to
    uint64_t tempDevice = 0; // identity of the temporary file, so it is never added to itself
    uint64_t tempInode = 0;
    bool failed = false;             // a write failed: the archive will be discarded
    bool stopped = false;            // the callback asked to stop: the archive will be discarded
    bool addingEntry = false;        // addFile is between opening and closing an entry
    uint64_t entries = 0;            // entries in the archive, appended ones included
    uint64_t keptEntries = 0;        // entries of the earlier archive when appending
    bool addedZip64 = false;         // an entry was written with the ZIP64 extensions
    SelfIdentity self;               // files never to add: the temporary file and the target
    std::shared_ptr<fs::Fd> unnamed; // the temporary file when it has no name (tempPath is its /proc path)
    // Compression ahead of addFile, for the planned files (or the one file
    // in hand). Shared so that a callback closing the archive in the middle
    // of an addition does not pull the units from under it.
    std::shared_ptr<DeflatePipeline> pipeline;
    // Entries written with WinZip AES (their indexes), marked method 99 once
    // the archive is closed: minizip writes only methods 0 and 8 itself.
    std::vector<uint64_t> aesEntries;
};
WriterExtra &writerExtra();

// Records the detail of a failure (see lastError); returns `code`.
int32_t setLastError(int32_t code, int sysErrno, std::string text);

// The thread count set by setThreadCount (0: one per core).
int32_t &threadSetting();

// Compressor threads for creation: the number set, or one per core.
int compressorThreads();

// Writes one entry through minizip's raw mode: the name, date and
// attributes, the encryption header and cipher, the sizes and CRC-32 at the
// end. The data handed to write() is already compressed (or stored). Shared
// by every way of adding a file, so all entries get the same headers.
class EntryWriter {
public:
    // `encryption` is how an entry with a password is encrypted; a job
    // that is not a creation names its own rather than take the one the
    // last creation left in force.
    EntryWriter(zipFile zf, Encryption encryption) : zf_(zf), encryption_(encryption) {}
    // An entry still open is closed with what it holds, unless abandoned.
    ~EntryWriter();
    EntryWriter(const EntryWriter &) = delete;
    EntryWriter &operator=(const EntryWriter &) = delete;

    // Begins the entry for the file at `path` (stat `st`, `size` bytes).
    // With a password, the entry is encrypted as the writer was told;
    // for the PKWARE cipher `headerCrc` is the CRC-32 whose high byte ends
    // the encryption header (AES needs none). `zip64` tells whether the entry got the ZIP64
    // extensions. Result 0 or minizip's error (nothing begun).
    int32_t open(const std::string &path, bool keepFullPath, const fs::FileStatus &st, uint64_t size, int method,
                 const std::string *password, uint32_t headerCrc, bool &zip64);

    // Appends bytes of the entry's data, encrypting them in place when a
    // password is in force. Result 0, kErrWrite or minizip's error.
    int32_t write(unsigned char *data, size_t len);

    // Ends the entry with its uncompressed size and CRC-32 (an AES entry
    // gets its authentication code, and 0 for the CRC). Result 0,
    // kErrWrite or minizip's error.
    int32_t finish(uint64_t size, uint32_t crc);

    // The archive was closed under the writer: touch nothing through it.
    void abandon() { open_ = false; }

    // The entry is encrypted with WinZip AES.
    bool isAes() const { return aes_ != nullptr; }

    // An AES cipher whose keys were derived ahead for `password`, with the
    // salt and verifier it came with: open() takes it instead of deriving.
    void offerAesCipher(std::unique_ptr<AesEntryCipher> cipher, const unsigned char *header,
                        const std::string &password);

private:
    int32_t writeRaw(const unsigned char *data, size_t len);

    zipFile zf_;
    Encryption encryption_;
    bool open_ = false;
    bool encrypt_ = false;
    PkwareKeys keys_{};
    std::unique_ptr<AesEntryCipher> aes_;
    std::unique_ptr<AesEntryCipher> offered_;
    std::string offeredPassword_;
    unsigned char offeredHeader_[16 + kAesVerifierSize] = {};
};

// After minizip appended entries to an archive (keptEntries of its
// entries were there before): puts the Unix host back on the appended ZIP64
// entries and adds the ZIP64 end records minizip leaves out at 65,535
// entries and more. Result false when the file could not be mended.
bool finishAppendedArchive(const std::string &path, uint64_t keptEntries, uint64_t entries, bool addedZip64);

// The I/O table in force (see zip_io.h), and opening through it.
zlib_filefunc64_def archiveIo();
unzFile openUnz(const std::string &path);
zipFile openZip(const std::string &path, int append);

struct UnzCloser {
    void operator()(void *f) const;
};
using UnzHandle = std::unique_ptr<void, UnzCloser>;

// A block buffer lent from a small pool, so that extracting thousands of
// small entries does not allocate and release 100 KB for each one.
class ScratchBuffer {
public:
    explicit ScratchBuffer(size_t size);
    ~ScratchBuffer();
    ScratchBuffer(const ScratchBuffer &) = delete;
    ScratchBuffer &operator=(const ScratchBuffer &) = delete;
    unsigned char *data() { return data_; }
    size_t size() const { return size_; }

private:
    unsigned char *data_;
    size_t size_;
    int slot_ = -1;
    std::vector<unsigned char> own_;
};

// Counts openings of archive handles, so that what is remembered about one
// handle is never taken for another that reuses its address.
uint64_t handleGeneration();

// Calls the registered callback; 0 when none is registered.
int32_t reportProgress(const std::string &fileName, float percent);

// Reads the current entry's record; fills `out` (cleared on failure).
// Result 0 or minizip's error.
int32_t readEntryInfo(unzFile uf, EntryInfo &out);

// The ZIP64 extended information of a central extra field. Its fields are
// present only for the header fields set to all ones (0xFFFFFFFF, or 0xFFFF
// for the disk number), in this order: uncompressed size, compressed size,
// local header offset, disk number. Fill the record with the header's own
// 32-bit (16-bit) values first; applyZip64Extra replaces those that the
// extra field carries. minizip 1.1 on 64-bit systems compares those fields
// with a 64-bit all-ones value and so never reads them.
struct Zip64Fields {
    uint64_t uncompressedSize = 0;
    uint64_t compressedSize = 0;
    uint64_t localHeaderOffset = 0;
    uint32_t diskNumber = 0;
    bool offsetKnown = false;   // the offset came from the extra field (minizip cannot use it)
    bool sizeFromExtra = false; // so did the compressed size (minizip cannot read the data)
};
void applyZip64Extra(std::string_view extra, Zip64Fields &f);

// Where an archive's end record and central directory are, found by
// validation (zip_directory.cpp).
struct ArchiveLayout {
    bool found = false;
    bool lastSignature = false; // no other end signature after it (the one minizip itself takes)
    bool zip64 = false;
    uint64_t fileSize = 0;
    uint64_t endPos = 0; // the end record's place in the file
    uint32_t commentLength = 0;
    uint64_t entries = 0;
    uint64_t cdStart = 0; // the central directory's place in the file
    uint64_t cdSize = 0;
    uint64_t prefix = 0; // bytes before the archive (a self-extractor's stub) not counted in its offsets
};
bool locateEndRecord(const zlib_filefunc64_def &io, voidpf stream, ArchiveLayout &out);

// One central-directory record, as far as the checks need it.
struct CentralRecord {
    uint64_t position = 0;       // of the record, relative to the archive's start (as minizip counts)
    uint64_t localOffset = 0;    // of the local header, relative to the archive's start
    uint32_t rawLocalOffset = 0; // the header's own 32-bit offset field
    uint64_t compressedSize = 0;
};
// Reads every record. Result 0, or kErrBadArchive when the directory is damaged.
int32_t scanCentralDirectory(const zlib_filefunc64_def &io, voidpf stream, const ArchiveLayout &layout,
                             std::vector<CentralRecord> &records);
// Whether the data of two entries overlap, or reach into the directory at
// `directoryOffset`: the mark of an archive built to expand one stored
// stream many times. An entry whose local header cannot lie before the
// directory is left out: it cannot be read, and fails alone.
bool entriesOverlap(const std::vector<CentralRecord> &records, uint64_t directoryOffset);

// What openUnz learned about an open handle; nullptr for unknown handles.
struct HandleInfo {
    ArchiveLayout layout;
    std::vector<CentralRecord> records; // in directory order
    const CentralRecord *recordAt(uint64_t position) const;
};
const HandleInfo *handleInfo(unzFile uf);
// Closes a handle from openUnz.
void closeUnz(unzFile uf);

// The path the reader slot was opened from, and a number that changes with
// every archive put in the slot.
std::string &readerPath();
uint64_t &readerSerial();

// Times (entry_times.cpp)

// Fills info.modifiedTime and info.timeSource from the central extra field
// (extended timestamp first, then NTFS) or else from info.dosDate.
void setEntryTime(std::string_view centralExtra, EntryInfo &info);

// The extended-timestamp extra field (0x5455) holding `modifiedTime` alone,
// 9 bytes, the same for the local and the central header; empty when the
// time does not fit the field.
std::string extendedTimestampExtra(int64_t modifiedTime);

// Names

// The stored bytes of a name to UTF-8 with kSeparator. `utf8Flag` is bit 11;
// `extra` is the central extra field (for the Unicode path field); `host` is
// the high byte of "version made by".
std::string decodeStoredName(std::string_view stored, bool utf8Flag, std::string_view extra, uint32_t host);

// A UTF-8 name with "/" separators to its stored form: CP850 when it can
// hold it (utf8Flag false), else the UTF-8 bytes (utf8Flag true).
std::string encodeStoredName(const std::string &name, bool &utf8Flag);

// CRC-32 of a buffer (zlib).
uint32_t crc32Of(std::string_view bytes);

// The stored name of a path added to an archive: the last component, or the
// whole path without a leading "/" and without "." or ".." components.
std::string storedNameForPath(const std::string &path, bool keepFullPath);

// Splits an entry name (either separator) into the components of its output
// path. Result 0, or kErrUnsafeName when the name is absolute, has a drive
// prefix, a ".." component, a NUL byte, or nothing left after cleaning.
// `isFolder` tells whether the name ends with a separator.
int32_t safeComponents(const std::string &name, std::vector<std::string> &components, bool &isFolder);

// Wildcard match of the last component against a pattern, ignoring case.
bool matchesPattern(const std::string &name, const std::string &pattern);

// Upper-cases ASCII and Latin-1 letters of a UTF-8 text.
std::string upperCased(const std::string &text);

std::string lastComponent(const std::string &name);

// Entry data

// Reads the data of the current entry of an archive: decryption, inflation
// (ISA-L where built in, else zlib), CRC-32 and size checks, on top of
// minizip's raw mode (which also reaches entries beyond 4 GiB).
class EntryReader {
public:
    // `archivePath` is the path `uf` was opened from; entries beyond the
    // reach of minizip's 32-bit reader are read through a handle of its own.
    EntryReader(unzFile uf, const std::string &archivePath);
    ~EntryReader();
    EntryReader(const EntryReader &) = delete;
    EntryReader &operator=(const EntryReader &) = delete;

    // Opens the current entry described by `info`, with the password in
    // force. For an encrypted entry the check byte is verified here, before
    // any data is handed out. Result 0 or a negative code.
    int32_t open(const EntryInfo &info);

    // Fills up to `capacity` bytes. Result: bytes produced (> 0), 0 at the end
    // of the data once its size and CRC-32 have been checked, or a negative
    // code (kErrData, kErrCrc, minizip's read error).
    int64_t read(unsigned char *out, size_t capacity);

    // The archive handle was closed under the reader (by the progress
    // callback): release nothing through it.
    void forget() { opened_ = false; }

private:
    int64_t readRaw(unsigned char *out, size_t capacity);
    int64_t readData(unsigned char *out, size_t capacity);

    int32_t openDirect(uint64_t localHeaderOffset, bool offsetKnown);
    // WinZip AES: reads the salt and verifier and checks the password.
    int32_t openAes(const EntryInfo &info);
    // Runs what is left of the cipher text through the code and compares it
    // with the stored one. Result 0, kErrAuthentication or a read error.
    int32_t checkAesCode();

    unzFile uf_;
    std::string path_;
    zlib_filefunc64_def io_{};
    voidpf direct_ = nullptr; // own handle on the archive, for ZIP64 entries
    bool opened_ = false;
    bool streamEnded_ = false; // the Deflate stream reached its end mark
    bool finished_ = false;    // the end was reached and checked
    bool encrypted_ = false;
    PkwareKeys keys_{};
    std::unique_ptr<AesEntryCipher> aes_;
    bool aesChecked_ = false;
    bool checkCrc_ = true; // false for AE-2, whose CRC field holds 0
    uint32_t method_ = 0;
    uint32_t expectedCrc_ = 0;
    uint64_t expectedSize_ = 0;
    uint64_t rawLeft_ = 0;
    uint64_t produced_ = 0;
    uint32_t crc_ = 0;
    std::unique_ptr<ScratchBuffer> in_;
    size_t inPos_ = 0;
    size_t inLen_ = 0;
    class Inflater;
    std::unique_ptr<Inflater> inflater_;
};

// Listing and positioning (zip_read.cpp), closing (zip_write.cpp).
int32_t goToFirst(unzFile uf); // kErrEndOfList for an archive without entries
int32_t goToIndex(unzFile uf, const std::string &path, int32_t index);
int32_t closeReader();
int32_t closeWriter();

} // namespace zarvon::engine::detail
