#include "engine/internal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <ctime>
#include <random>
#include <utility>

namespace zarvon::engine {

namespace detail {

namespace {

struct Fd {
    int fd = -1;
    Fd() = default;
    explicit Fd(int f) : fd(f) {}
    ~Fd() { reset(); }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    void reset(int f = -1)
    {
        if (fd >= 0)
            ::close(fd);
        fd = f;
    }
};

mode_t currentUmask()
{
    mode_t m = ::umask(0);
    ::umask(m);
    return m;
}

// Creates a folder and every missing parent. The destination is the user's
// choice, so links along it are followed; inside it they never are.
bool makeFolders(const std::string &path)
{
    if (path.empty())
        return true;
    for (size_t i = 1; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '/') {
            std::string part = path.substr(0, i);
            if (::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST)
                return false;
        }
    }
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The destination folder, created when first needed, and the folder of the
// last entry, kept open because entries of one folder tend to follow each
// other.
struct Destination {
    std::string path;
    Fd dir;
    std::string lastKey;
    Fd lastDir;

    bool ensure()
    {
        if (dir.fd >= 0)
            return true;
        std::string p = path.empty() ? std::string(".") : path;
        while (p.size() > 1 && p.back() == '/')
            p.pop_back();
        dir.reset(::open(p.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (dir.fd >= 0)
            return true;
        if (!makeFolders(p))
            return false;
        dir.reset(::open(p.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        return dir.fd >= 0;
    }

    // Still the folder found under that path (it may have been removed or
    // replaced since the last entry).
    bool stillValid() const
    {
        struct stat a{}, b{};
        std::string p = path.empty() ? std::string(".") : path;
        return dir.fd >= 0 && ::fstat(dir.fd, &a) == 0 && ::stat(p.c_str(), &b) == 0 && a.st_dev == b.st_dev &&
               a.st_ino == b.st_ino;
    }

    // Opens (creating them) the first `count` components under the
    // destination without following any link. Result: a folder descriptor
    // owned by this record, or -1 with `code` set.
    int folderFor(const std::vector<std::string> &parts, size_t count, int32_t &code)
    {
        if (count == 0)
            return dir.fd;
        std::string key;
        for (size_t i = 0; i < count; ++i) {
            key += parts[i];
            key += '/';
        }
        struct stat kept{};
        // A folder removed since the last entry has no links left: files
        // written into it would be lost.
        if (lastDir.fd >= 0 && key == lastKey && ::fstat(lastDir.fd, &kept) == 0 && kept.st_nlink > 0)
            return lastDir.fd;
        lastKey.clear();
        lastDir.reset();
        Fd current;
        int dirFd = dir.fd;
        for (size_t i = 0; i < count; ++i) {
            int next = ::openat(dirFd, parts[i].c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (next < 0 && errno == ENOENT) {
                if (::mkdirat(dirFd, parts[i].c_str(), 0777) != 0 && errno != EEXIST) {
                    code = kErrGeneral;
                    return -1;
                }
                next = ::openat(dirFd, parts[i].c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            }
            if (next < 0) {
                code = (errno == ELOOP || errno == ENOTDIR) ? kErrUnsafeName : kErrGeneral;
                return -1;
            }
            current.reset(next);
            dirFd = next;
        }
        lastDir.reset(current.fd);
        current.fd = -1;
        lastKey = key;
        return lastDir.fd;
    }
};

// extractCurrentEntry is called entry after entry with the same destination:
// its folders stay open between calls while the reader slot holds the same
// archive.
struct SlotDestination {
    uint64_t readerSerial = 0;
    std::unique_ptr<Destination> dest;
};

SlotDestination &slotDestination()
{
    static SlotDestination s;
    return s;
}

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
        mode = 0666 & ~currentUmask();
    if (e.externalAttributes & 0x01)
        mode &= ~static_cast<mode_t>(0222);
    return mode;
}

// The entry's date as local time, seconds set to 0.
struct timespec timeFor(const EntryInfo &e)
{
    struct tm t{};
    t.tm_year = static_cast<int>(e.year) - 1900;
    t.tm_mon = static_cast<int>(e.month);
    t.tm_mday = static_cast<int>(e.day);
    t.tm_hour = static_cast<int>(e.hour);
    t.tm_min = static_cast<int>(e.minute);
    t.tm_sec = 0;
    t.tm_isdst = -1;
    struct timespec ts{};
    ts.tv_sec = ::mktime(&t);
    ts.tv_nsec = 0;
    return ts;
}

bool writeAll(int fd, const unsigned char *data, size_t size)
{
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

std::string randomSuffix()
{
    static std::mt19937_64 rng{std::random_device{}()};
    char buf[17];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(rng()));
    return buf;
}

struct Outcome {
    int32_t code = 0;
    bool fileWritten = false;
    bool folderCreated = false;
};

// Extracts the current entry of `uf`. `slotBound` is true when `uf` is the
// reader slot, which the callback may close; only then is a stop honoured.
Outcome extractOne(unzFile uf, const std::string &archivePath, const EntryInfo &info, Destination &dest,
                   bool keepPaths, bool slotBound)
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
    int dirFd = dest.folderFor(parts, folderCount, r.code);
    if (dirFd < 0)
        return r;
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
    // failed entry never costs the file it would have replaced.
    struct stat st{};
    std::string tempName;
    if (::fstatat(dirFd, leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        if (S_ISDIR(st.st_mode)) {
            r.code = kErrGeneral;
            return r;
        }
        if (S_ISREG(st.st_mode) && (st.st_mode & 0222) == 0) {
            r.code = kErrReadOnlyTarget;
            return r;
        }
        tempName = "." + leaf.substr(0, 200) + ".zarvon-" + randomSuffix();
    }
    const std::string &createName = tempName.empty() ? leaf : tempName;
    Fd out(::openat(dirFd, createName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (out.fd < 0) {
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
        if (!writeAll(out.fd, buffer.data(), static_cast<size_t>(got)))
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
    ::fchmod(out.fd, modeFor(info));
    ::futimens(out.fd, times);
    if (::close(std::exchange(out.fd, -1)) != 0)
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

int32_t extractEntryAt(const std::string &archivePath, int32_t index, const std::string &destination,
                       int32_t keepPaths)
{
    if (index < 0)
        return 0;
    UnzHandle handle(openUnz(archivePath));
    if (!handle)
        return 0;
    unzFile uf = static_cast<unzFile>(handle.get());
    Destination dest;
    dest.path = destination;
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
    if (!cached.dest || cached.readerSerial != readerSerial() || cached.dest->path != destination ||
        !cached.dest->stillValid()) {
        cached.dest = std::make_unique<Destination>();
        cached.dest->path = destination;
        cached.readerSerial = readerSerial();
    }
    Destination &dest = *cached.dest;
    if (!dest.ensure())
        return kErrGeneral;
    EntryInfo info;
    int32_t err = readEntryInfo(uf, info);
    if (err != 0)
        return err;
    return extractOne(uf, readerPath(), info, dest, keepPaths != 0, true).code;
}

int32_t extractMatching(const std::string &archivePath, const std::string &pattern,
                        const std::string &destination, int32_t keepPaths)
{
    UnzHandle handle(openUnz(archivePath));
    if (!handle)
        return 0;
    unzFile uf = static_cast<unzFile>(handle.get());
    Destination dest;
    dest.path = destination;
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
