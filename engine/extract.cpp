#include "engine/context.h"
#include "engine/internal.h"

#include "base/safe_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <memory>
#include <ctime>
#include <utility>

namespace zarvon::engine {

namespace detail {

namespace {

using fs::currentUmask;
using base::FileDescriptor;
using base::FolderError;
using Destination = base::OutputFolder;

SlotDestination &slotDestination() { return context().slot; }

mode_t &cachedUmask() { return context().umask; }

// Permissions of an extracted file: the Unix mode when the archive was made
// on Unix, else the read-only bit applied to the usual mode. Set-id and
// sticky bits are never restored.
mode_t modeFor(const EntryInfo &e)
{
    const uint32_t host = e.version >> 8;
    const uint32_t unixMode = e.externalAttributes >> 16;
    const uint32_t type = unixMode & S_IFMT;
    mode_t mode;
    if (host == 3 && unixMode != 0 && (type == 0 || type == S_IFREG))
        mode = static_cast<mode_t>(unixMode & 0777);
    else
        mode = 0666 & ~cachedUmask();
    if (e.externalAttributes & 0x01)
        mode &= ~static_cast<mode_t>(0222);
    return mode;
}

// The entry's date as local time, seconds set to 0. Worked out from the
// same fields read as UTC and the zone's offset at that moment, rather than
// with mktime, which looks at the zone file again on every call: one system
// call per extracted file.
struct timespec timeFor(const EntryInfo &e)
{
    struct tm t {};
    t.tm_year = static_cast<int>(e.year) - 1900;
    t.tm_mon = static_cast<int>(e.month);
    t.tm_mday = static_cast<int>(e.day);
    t.tm_hour = static_cast<int>(e.hour);
    t.tm_min = static_cast<int>(e.minute);
    t.tm_sec = 0;
    const time_t asUtc = ::timegm(&t);
    struct tm local {};
    time_t guess = asUtc;
    // Twice, so that a date just across a change of offset gets the offset
    // in force at that date.
    for (int i = 0; i < 2; ++i) {
        if (!::localtime_r(&guess, &local))
            break;
        guess = asUtc - local.tm_gmtoff;
    }
    struct timespec ts {};
    ts.tv_sec = guess;
    ts.tv_nsec = 0;
    return ts;
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
    if (!dest.ensure()) {
        r.code = kErrGeneral;
        return r;
    }

    // Walk down the folders without ever following a link.
    const size_t folderCount = isFolder ? parts.size() : parts.size() - 1;
    FolderError folderError = FolderError::None;
    int dirFd = dest.folderFor(parts, folderCount, folderError);
    if (dirFd < 0) {
        r.code = folderError == FolderError::Unsafe ? kErrUnsafeName : kErrGeneral;
        return r;
    }
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

    // An existing file is replaced only once the new one is complete, so a
    // failed entry never costs the file it would have replaced. The usual
    // case, no file of that name yet, costs a single system call; the file
    // is created with its final permissions when the mask allows them.
    const mode_t mode = modeFor(info);
    const bool modeAtCreation = (mode & ~cachedUmask()) == mode;
    const int createFlags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
    std::string tempName;
    FileDescriptor out(::openat(dirFd, leaf.c_str(), createFlags, modeAtCreation ? mode : 0600));
    if (!out.valid() && errno == EEXIST) {
        struct stat st {};
        if (::fstatat(dirFd, leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
            if (S_ISDIR(st.st_mode)) {
                r.code = kErrGeneral;
                return r;
            }
            if (S_ISREG(st.st_mode) && (st.st_mode & 0222) == 0) {
                r.code = kErrReadOnlyTarget;
                return r;
            }
        }
        tempName = base::temporaryNameFor(leaf);
        out.reset(::openat(dirFd, tempName.c_str(), createFlags, modeAtCreation ? mode : 0600));
    }
    const std::string &createName = tempName.empty() ? leaf : tempName;
    if (!out.valid()) {
        r.code = kErrGeneral;
        return r;
    }
    auto discard = [&](int32_t code) {
        out.reset();
        ::unlinkat(dirFd, createName.c_str(), 0);
        r.code = code;
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
        if (!base::writeAll(out.get(), buffer.data(), static_cast<size_t>(got)))
            return discard(kErrWrite);
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
    const struct timespec times[2] = {{0, UTIME_OMIT}, timeFor(info)};
    if (!modeAtCreation)
        ::fchmod(out.get(), mode);
    ::futimens(out.get(), times);
    if (out.close() != 0)
        return discard(kErrWrite);
    if (!tempName.empty() && ::renameat(dirFd, tempName.c_str(), dirFd, leaf.c_str()) != 0)
        return discard(kErrGeneral);
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
        return kErrGeneral;
    unzFile uf = static_cast<unzFile>(s.reader);
    SlotDestination &cached = slotDestination();
    struct stat now {};
    const std::string folderPath = destination.empty() ? std::string(".") : destination;
    const bool same = cached.dest && cached.readerSerial == readerSerial() && cached.dest->path() == destination &&
                      (cached.known ? ::stat(folderPath.c_str(), &now) == 0 && now.st_dev == cached.device &&
                                          now.st_ino == cached.inode
                                    : cached.dest->stillValid());
    if (!same) {
        cached.dest = std::make_unique<Destination>(destination);
        cached.readerSerial = readerSerial();
        cached.known = false;
        cachedUmask() = currentUmask();
    }
    Destination &dest = *cached.dest;
    if (!dest.ensure())
        return kErrGeneral;
    if (!cached.known && cached.dest->stillValid() && ::stat(folderPath.c_str(), &now) == 0) {
        cached.known = true;
        cached.device = now.st_dev;
        cached.inode = now.st_ino;
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
    std::string folder = destination.empty() ? std::string(".") : destination;
    struct statvfs vs {};
    while (::statvfs(folder.c_str(), &vs) != 0) {
        const size_t slash = folder.find_last_of('/', folder.size() > 1 ? folder.size() - 2 : 0);
        if (errno != ENOENT || folder == "/" || folder == ".")
            return setLastError(kErrGeneral, errno, "the free space of the destination cannot be known");
        folder = slash == std::string::npos ? std::string(".")
                 : slash == 0               ? std::string("/")
                                            : folder.substr(0, slash);
    }
    out.available = static_cast<uint64_t>(vs.f_bavail) * static_cast<uint64_t>(vs.f_frsize);
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
    int err = goToFirst(uf);
    while (err == UNZ_OK) {
        EntryInfo info;
        if (readEntryInfo(uf, info) == 0 &&
            (matchesPattern(info.fileName, pattern) || (keepPaths && info.uncompressedSize == 0))) {
            Outcome o = extractOne(uf, archivePath, info, dest, keepPaths != 0, false);
            if (o.code == 0 && o.fileWritten)
                ++written;
        }
        err = unzGoToNextFile(uf);
    }
    return written;
}

} // namespace zarvon::engine
