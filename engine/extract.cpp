#include "engine/context.h"
#include "engine/internal.h"

#include "base/disk_space.h"
#include "base/safe_output.h"
#include "base/whole_file.h"

#include <cerrno>
#include <cstdio>
#include <string>
#include <memory>
#include <ctime>
#include <utility>

namespace zarvon::engine {

namespace detail {

namespace {

using base::FolderError;
using fs::currentUmask;
using Destination = base::OutputFolder;

SlotDestination &slotDestination() { return context().slot; }

uint32_t cachedUmask() { return context().umask; }

// The file type bits of a Unix mode as ZIP stores it, and a regular file's.
constexpr uint32_t kUnixTypeMask = 0170000;
constexpr uint32_t kUnixRegular = 0100000;

// Permissions of an extracted file: the Unix mode when the archive was made
// on Unix, else the read-only bit applied to the usual mode. Set-id and
// sticky bits are never restored.
uint32_t modeFor(const EntryInfo &e)
{
    const uint32_t host = e.version >> 8;
    const uint32_t unixMode = e.externalAttributes >> 16;
    const uint32_t type = unixMode & kUnixTypeMask;
    uint32_t mode;
    if (host == 3 && unixMode != 0 && (type == 0 || type == kUnixRegular))
        mode = unixMode & 0777;
    else
        mode = 0666 & ~cachedUmask();
    if (e.externalAttributes & 0x01)
        mode &= ~uint32_t{0222};
    return mode;
}

struct Outcome {
    int32_t code = 0;
    bool fileWritten = false;
    bool folderCreated = false;
};

// Extracts the current entry of `uf`. `slotBound` is true when `uf` is the
// reader slot, which the callback may close; only then is a stop honoured.
Outcome extractOne(unzFile uf, const std::string &archivePath, const EntryInfo &info, Destination &dest, bool keepPaths,
                   bool slotBound)
{
    Outcome r;
    std::vector<std::string> parts;
    bool isFolder = false;
    r.code = safeComponents(info.fileName, parts, isFolder);
    if (r.code != 0)
        return r;
    if (!keepPaths) {
        if (isFolder)
            return r; // nothing to write without folders
        parts.erase(parts.begin(), parts.end() - 1);
    }

    EntryReader reader(uf, archivePath);
    if (!isFolder) {
        r.code = reader.open(info);
        if (r.code != 0)
            return r;
    }
    // Each failure below leaves its detail in the engine's last error, taken
    // where the system said it, before any clean-up can change errno.
    const auto failed = [&](int32_t code, int sysErrno, std::string text) {
        r.code = setLastError(code, sysErrno, std::move(text));
        return r;
    };
    if (!dest.ensure())
        return failed(kErrGeneral, errno, "the destination folder cannot be made");

    // Walk down the folders without ever following a link.
    const size_t folderCount = isFolder ? parts.size() : parts.size() - 1;
    FolderError folderError = FolderError::None;
    int dirFd = dest.folderFor(parts, folderCount, folderError);
    if (dirFd < 0)
        return folderError == FolderError::Unsafe
                   ? failed(kErrUnsafeName, 0, "the entry's folder would leave the destination")
                   : failed(kErrGeneral, errno, "a folder of the entry cannot be made");
    if (isFolder) {
        r.folderCreated = true;
        return r;
    }

    std::string outputName;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i)
            outputName += kSeparator;
        outputName += parts[i];
    }
    const std::string &leaf = parts.back();

    // The file is written without a name and linked in once its data has
    // passed its checks, so a kill or a failed entry leaves nothing under the
    // name, and an existing file is replaced only by a whole one. It is
    // created with its final permissions when the mask allows them.
    const uint32_t mode = modeFor(info);
    const bool modeAtCreation = (mode & ~cachedUmask()) == mode;
    fs::FileStatus existing;
    const bool nameTaken = fs::statusAt(dirFd, leaf, existing);
    if (nameTaken) {
        if (existing.isFolder())
            return failed(kErrGeneral, EISDIR, "a folder has the entry's name");
        if (existing.isRegular() && (existing.mode & 0222) == 0)
            return failed(kErrReadOnlyTarget, 0, "the file to replace is read-only");
    }
    std::string folderPath = dest.path().empty() ? std::string(".") : dest.path();
    for (size_t i = 0; i + 1 < parts.size(); ++i)
        folderPath += kSeparator + parts[i];
    base::WholeFile out;
    if (!out.begin(dirFd, folderPath, leaf, modeAtCreation ? mode : 0600, nameTaken))
        return failed(kErrGeneral, errno, "the file cannot be created");
    auto discard = [&](int32_t code, int sysErrno = 0, std::string text = {}) {
        failed(code, sysErrno, std::move(text));
        out.discard();
        return r;
    };

    ScratchBuffer buffer(kBlockSize);
    uint64_t done = 0;
    for (;;) {
        int64_t got = reader.read(buffer.data(), buffer.size());
        if (got < 0)
            return discard(static_cast<int32_t>(got));
        if (got == 0)
            break;
        if (!base::writeAll(out.fd(), buffer.data(), static_cast<size_t>(got)))
            return discard(kErrWrite, errno, "the file cannot be written");
        done += static_cast<uint64_t>(got);
        float percent = info.uncompressedSize ? static_cast<float>(done * 100.0 / info.uncompressedSize) : 100.0f;
        int32_t answer = reportProgress(outputName, percent);
        if (slotBound && state().reader != uf) {
            reader.forget();
            return discard(kResultStopped);
        }
        if (slotBound && answer == 1)
            return discard(kResultStopped);
    }
    if (!modeAtCreation)
        fs::setMode(out.fd(), mode);
    if (info.timeSource != TimeSource::None)
        fs::setModifiedTime(out.fd(), info.modifiedTime);
    if (!out.commit()) {
        const int error = errno;
        return failed(error == ENOSPC || error == EIO || error == EDQUOT ? kErrWrite : kErrGeneral, error,
                      "the file cannot be given its name");
    }
    r.fileWritten = true;
    reportProgress(std::string(), 100.0f);
    if (slotBound && state().reader != uf)
        reader.forget();
    return r;
}

} // namespace

} // namespace detail

using namespace detail;

int32_t extractEntryAt(const std::string &archivePath, int32_t index, const std::string &destination, int32_t keepPaths)
{
    if (index < 0)
        return 0;
    UnzHandle handle(openUnz(archivePath));
    if (!handle)
        return 0;
    unzFile uf = static_cast<unzFile>(handle.get());
    Destination dest(destination);
    if (!dest.ensure())
        return 0;
    if (goToIndex(uf, archivePath, index) != 0)
        return 0;
    EntryInfo info;
    if (readEntryInfo(uf, info) != 0)
        return 0;
    Outcome o = extractOne(uf, archivePath, info, dest, keepPaths != 0, false);
    return o.code == 0 && (o.fileWritten || o.folderCreated) ? 1 : 0;
}

int32_t extractCurrentEntry(const std::string &destination, int32_t keepPaths)
{
    EngineState &s = state();
    if (!s.reader)
        return setLastError(kErrGeneral, 0, "no archive is open for reading");
    unzFile uf = static_cast<unzFile>(s.reader);
    SlotDestination &cached = slotDestination();
    fs::FileStatus now;
    const std::string folderPath = destination.empty() ? std::string(".") : destination;
    const bool same =
        cached.dest && cached.readerSerial == readerSerial() && cached.dest->path() == destination &&
        (cached.known ? fs::statusOfPath(folderPath, now) && now.device == cached.device && now.inode == cached.inode
                      : cached.dest->stillValid());
    if (!same) {
        cached.dest = std::make_unique<Destination>(destination);
        cached.readerSerial = readerSerial();
        cached.known = false;
        context().umask = static_cast<uint32_t>(currentUmask());
    }
    Destination &dest = *cached.dest;
    if (!dest.ensure())
        return setLastError(kErrGeneral, errno, "the destination folder cannot be made");
    if (!cached.known && cached.dest->stillValid() && fs::statusOfPath(folderPath, now)) {
        cached.known = true;
        cached.device = now.device;
        cached.inode = now.inode;
    }
    EntryInfo info;
    int32_t err = readEntryInfo(uf, info);
    if (err != 0)
        return err;
    return extractOne(uf, readerPath(), info, dest, keepPaths != 0, true).code;
}

int32_t checkExtractionSpace(const std::string &archivePath, const std::string &pattern, const std::string &destination,
                             SpaceCheck &out)
{
    out = SpaceCheck{};
    std::vector<EntryInfo> entries;
    if (listEntries(archivePath, entries) < 0)
        return kErrGeneral;
    for (const EntryInfo &e : entries)
        if (!e.isFolder() && matchesPattern(e.fileName, pattern))
            out.needed += e.uncompressedSize;
    // The destination may not exist yet: its nearest existing folder tells
    // which file system it will be on.
    uint64_t available = 0;
    if (!base::freeSpaceAt(destination, available))
        return setLastError(kErrGeneral, errno, "the free space of the destination cannot be known");
    out.available = available;
    if (out.needed > out.available)
        return setLastError(kErrNoSpace, ENOSPC,
                            "not enough free space: " + std::to_string(out.needed) + " bytes needed, " +
                                std::to_string(out.available) + " available");
    return 0;
}

int32_t extractMatching(const std::string &archivePath, const std::string &pattern, const std::string &destination,
                        int32_t keepPaths)
{
    // Refused before anything is written when the declared sizes cannot fit
    // (an archive whose entries lie about their size is stopped entry by
    // entry when it inflates past what it declared).
    SpaceCheck space;
    if (checkExtractionSpace(archivePath, pattern, destination, space) == kErrNoSpace)
        return 0;
    UnzHandle handle(openUnz(archivePath));
    if (!handle)
        return 0;
    unzFile uf = static_cast<unzFile>(handle.get());
    Destination dest(destination);
    int32_t written = 0;
    std::vector<std::pair<std::vector<std::string>, int64_t>> folderTimes;
    int err = goToFirst(uf);
    while (err == UNZ_OK) {
        EntryInfo info;
        if (readEntryInfo(uf, info) == 0 &&
            (matchesPattern(info.fileName, pattern) || (keepPaths && info.uncompressedSize == 0))) {
            Outcome o = extractOne(uf, archivePath, info, dest, keepPaths != 0, false);
            if (o.code == 0 && o.fileWritten)
                ++written;
            std::vector<std::string> parts;
            bool isFolder = false;
            if (o.code == 0 && o.folderCreated && info.timeSource != TimeSource::None &&
                safeComponents(info.fileName, parts, isFolder) == 0)
                folderTimes.emplace_back(std::move(parts), info.modifiedTime);
        }
        err = unzGoToNextFile(uf);
    }
    // Last, since every file written into a folder changed its time; the
    // folders are reached as the entries were, never through a link.
    for (const auto &[parts, when] : folderTimes) {
        FolderError folderError = FolderError::None;
        const int fd = dest.folderFor(parts, parts.size(), folderError);
        if (fd >= 0)
            fs::setModifiedTime(fd, when);
    }
    return written;
}

} // namespace zarvon::engine
