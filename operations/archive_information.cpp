#include "operations/archive_information.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>

#include "operations/archive_format.h"

namespace zarvon::operations {

uint64_t roundedKilobytes(uint64_t bytes)
{
    const uint64_t whole = bytes / 1000;
    const uint64_t rest = bytes % 1000;
    if (rest > 500 || (rest == 500 && whole % 2 == 1))
        return whole + 1;
    return whole;
}

ArchiveInformation archiveInformation(const std::string &path, const std::string &password)
{
    ArchiveInformation info;
    struct statx times {};
    if (::statx(AT_FDCWD, path.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &times) == 0) {
        info.fileFound = true;
        info.fileSize = times.stx_size;
        info.modificationTime = std::time_t(times.stx_mtime.tv_sec);
        if (times.stx_mask & STATX_BTIME) {
            info.hasCreationTime = true;
            info.creationTime = std::time_t(times.stx_btime.tv_sec);
        }
    }
    const ArchiveFormat *format = formatOf(path);
    if (!format) {
        info.failure = failureToOpen(path);
        return info;
    }
    const ListReport list = format->list(path, password);
    if (!list.opened) {
        info.failure = list.failure;
        return info;
    }
    info.listed = true;
    info.formatName = format->name();
    info.entryCount = int32_t(list.entries.size());
    const bool zip = info.formatName == "ZIP";
    // A RAR "method" is a compression level, not a name worth listing.
    const bool namedMethods = format != &rarFormat();
    for (const auto &entry : list.entries) {
        info.originalSize += entry.size;
        info.packedSize += entry.packedSize;
        info.encryptedCount += entry.encrypted;
        info.zip64Entries += zip && (entry.size >= 0xFFFFFFFFull || entry.packedSize >= 0xFFFFFFFFull);
        const std::string &cipher = entry.encryptionName;
        if (!cipher.empty() && std::find(info.encryptions.begin(), info.encryptions.end(), cipher) == info.encryptions.end())
            info.encryptions.push_back(cipher);
        if (entry.folder) {
            ++info.folderCount;
            continue;
        }
        ++info.fileCount;
        if (namedMethods && std::find(info.methods.begin(), info.methods.end(), entry.methodName) == info.methods.end())
            info.methods.push_back(entry.methodName);
    }
    if (!list.entries.empty())
        info.protection = list.anyEncrypted() ? Protection::Encrypted : Protection::None;
    return info;
}

} // namespace zarvon::operations
