// The jobs: compress, extract, test, list and the protection check, as
// plain functions over request and report records. The desktop and
// zarvon-cli both call them and add only their own way of showing progress
// and results. No job shows a window, writes a message or keeps state
// between calls; each runs on the caller's thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "operations/archive_format.h"
#include "operations/job.h"

namespace zarvon::operations {

// Reading

// Every entry of the archive at `path`, in its own order.
ListReport listArchiveEntries(const std::string &path, const std::string &password = {});

// Extracts through the archive's format. An unknown format is reported as
// not opened, with NotAnArchive (or CannotOpen when the file cannot be read).
ExtractReport extractArchive(const ExtractRequest &request, JobProgress &progress);

// Recovers what a damaged ZIP archive still holds when its central
// directory cannot be read (salvage.cpp): scans request.archivePath for the
// entries its local headers hold and extracts each that can be read, whole
// and checked, into request.destination (entryNames and password are not
// used: encrypted entries are reported, not recovered; an existing file is
// replaced only with Overwrite::Replace, else kept and named in `skipped`).
// The report: `opened` false with CannotOpen when the file cannot be read;
// else filesWritten and entriesDone for what was recovered, one failure per
// entry found that could not be, and NotAnArchive as `failure` when no entry
// at all was found. A stop asked through `progress` ends the scan.
ExtractReport salvageArchive(const ExtractRequest &request, JobProgress &progress);

// Tests through the archive's format, without writing anything.
TestReport testArchiveFile(const TestRequest &request, JobProgress &progress);

// Whether an archive holds encrypted entries.
enum class Protection {
    Unknown,   // it cannot be read, or holds no entry
    None,      // no entry is encrypted
    Encrypted, // at least one entry is
};
Protection archiveProtection(const std::string &path);

// Creating

struct CompressRequest {
    std::string archivePath;
    // The chosen items. A file is stored under its bare name; a folder is
    // walked recursively in name order (links to folders are not followed,
    // pipes, sockets and devices are skipped) and its files are named as
    // folderNames says.
    struct Item {
        std::string path;
        bool folder = false;
    };
    std::vector<Item> items;
    int32_t method = 8;   // 0 stored, 8 Deflate
    std::string password; // "" for none
    // How a password protects the entries: the traditional cipher every
    // reader opens ("ZIP 2.0"), or WinZip AES-256.
    enum class Encryption { ZipCrypto, Aes256 };
    Encryption encryption = Encryption::ZipCrypto;
    int32_t threads = 0;  // compressor threads; 0 for one per core (the archive is the same)
    enum class FolderNames {
        AsGiven,    // the path as given, without a leading "/" (what zip does with its arguments)
        FromParent, // from the folder's own name on: "sub/numbers.txt" for the folder ".../src/sub"
    };
    FolderNames folderNames = FolderNames::AsGiven;
};

struct CompressReport {
    enum class Outcome {
        Written,     // the archive is complete under its name
        NothingToDo, // refused before anything was written: `failure` says why
        Cancelled,   // stopped by the user; any earlier file of that name untouched
        Failed,      // could not be created or written: `failure` says why; earlier file untouched
    };
    Outcome outcome = Outcome::NothingToDo;
    Failure failure;
    int32_t filesAdded = 0;
    int32_t total = 0;               // files counted before the run
    std::vector<Failure> unreadable; // files and folders ("/"-ended) left out, with the reason
};

// The format a new archive of that name is written in, by its suffix:
// ZIP for ".zip", 7z for ".7z", tar for ".tar.gz", ".tar.bz2", ".tar.xz",
// ".tar.zst" and their short forms; nullptr for any other name.
const ArchiveFormat *formatCreatedFor(const std::string &archivePath);

// Creates the archive, atomically: it appears under its name only when
// complete. Progress: ItemStarted and ItemDone per file, ItemProgress within
// a file. An archive path that is one of the chosen files is refused
// (ArchiveIsSource): the archive could not hold the file it replaces.
CompressReport compressFiles(const CompressRequest &request, JobProgress &progress);

// Number of files under `folder`, recursively, as compressFiles walks it.
int32_t countFilesInFolder(const std::string &folder);

} // namespace zarvon::operations
