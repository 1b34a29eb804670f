// The facts of the information sheet about one archive file: what its
// format can read of it (entry count, sizes, method, protection) and what the
// file system says (size, dates). Plain numbers; the desktop words them.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "operations/jobs.h"

namespace zarvon::operations {

struct ArchiveInformation {
    // The archive's own fields: known only when its format could list it.
    // A RAR file is read through the RAR binding when it is installed; a 7z
    // file, or a file no format reads, leaves them unknown (never a false 0).
    bool listed = false;
    std::string formatName; // "ZIP", "RAR"; "" when not listed
    int32_t entryCount = 0;
    int32_t fileCount = 0;     // entries that are not folders
    int32_t folderCount = 0;   // folder entries
    uint64_t originalSize = 0; // sum of the entries' sizes after extraction
    // The methods the files are packed with, each named once in the order
    // of first use, as the listing names them ("Deflate", "Stored"). Folders
    // are left out: they are stored whatever packs the files. ZIP only: a
    // RAR listing's method names its compression level, not a method.
    std::vector<std::string> methods;
    Protection protection = Protection::Unknown;
    // How the encrypted entries are encrypted, each named once in the order
    // of first use ("ZIP 2.0", "AES-256"); empty when none is, or when the
    // format does not say (RAR).
    std::vector<std::string> encryptions;
    uint64_t packedSize = 0;    // sum of the entries' packed sizes
    int32_t encryptedCount = 0; // entries that need a password
    // Entries whose sizes need the ZIP64 extensions (4 GiB and more); a ZIP
    // notion, left at 0 for other formats.
    int32_t zip64Entries = 0;
    // Why the archive's fields are unknown (listed false): the file cannot be
    // opened, no format reads it, a password is missing or wrong...
    Failure failure;

    // The file system's fields.
    bool fileFound = false;
    uint64_t fileSize = 0;
    bool hasCreationTime = false; // not every file system records it
    std::time_t creationTime = 0;
    std::time_t modificationTime = 0;
};

// password opens archives whose names are encrypted; other archives list
// without one.
ArchiveInformation archiveInformation(const std::string &path, const std::string &password = {});

// `bytes` / 1000 rounded to the nearest integer, a tie going to the even one
// (1499 -> 1, 1500 -> 2, 2500 -> 2), exactly for any size.
uint64_t roundedKilobytes(uint64_t bytes);

} // namespace zarvon::operations
