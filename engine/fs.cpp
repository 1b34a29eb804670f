#include "engine/fs.h"

#include "base/safe_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include <algorithm>

namespace zarvon::engine::fs {

namespace {

void fill(const struct stat &st, FileStatus &out)
{
    out.device = static_cast<uint64_t>(st.st_dev);
    out.inode = static_cast<uint64_t>(st.st_ino);
    out.size = st.st_size > 0 ? static_cast<uint64_t>(st.st_size) : 0;
    out.mode = static_cast<uint32_t>(st.st_mode);
    out.mtimeSec = static_cast<int64_t>(st.st_mtim.tv_sec);
    out.mtimeNsec = static_cast<int64_t>(st.st_mtim.tv_nsec);
}

// Calls `open` until it is not cut short by a signal.
template <typename Open>
int retrying(Open open)
{
    int fd;
    do
        fd = open();
    while (fd < 0 && errno == EINTR);
    return fd;
}

} // namespace

bool FileStatus::isRegular() const { return S_ISREG(mode); }

bool FileStatus::isFolder() const { return S_ISDIR(mode); }

bool statusOf(int fd, FileStatus &out)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return false;
    fill(st, out);
    return true;
}

bool statusOfPath(const std::string &path, FileStatus &out)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return false;
    fill(st, out);
    return true;
}

bool statusAt(int folderFd, const std::string &name, FileStatus &out)
{
    struct stat st {};
    if (::fstatat(folderFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    fill(st, out);
    return true;
}

int createForWriting(const std::string &path)
{
    return retrying([&] { return ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666); });
}

int openExisting(const std::string &path, bool truncate)
{
    const int flags = truncate ? O_WRONLY | O_TRUNC | O_CLOEXEC : O_RDWR | O_CLOEXEC;
    return retrying([&] { return ::open(path.c_str(), flags); });
}

int createAt(int folderFd, const std::string &name, uint32_t mode)
{
    return retrying([&] {
        return ::openat(folderFd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                        static_cast<mode_t>(mode));
    });
}

int createTemporary(std::string &pattern) { return ::mkostemp(pattern.data(), O_CLOEXEC); }

bool writeAll(int fd, const unsigned char *buf, size_t size) { return base::writeAll(fd, buf, size); }

bool pwriteAll(int fd, const unsigned char *buf, size_t size, uint64_t offset)
{
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pwrite(fd, buf + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO; // as base::writeAll says a write that makes no progress
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

bool setMode(int fd, uint32_t mode) { return ::fchmod(fd, static_cast<mode_t>(mode)) == 0; }

bool setModifiedTime(int fd, int64_t seconds)
{
    const struct timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(seconds), 0}};
    return ::futimens(fd, times) == 0;
}

bool remove(const std::string &path) { return ::unlink(path.c_str()) == 0; }

bool removeAt(int folderFd, const std::string &name) { return ::unlinkat(folderFd, name.c_str(), 0) == 0; }

bool renameAt(int folderFd, const std::string &from, const std::string &to)
{
    return ::renameat(folderFd, from.c_str(), folderFd, to.c_str()) == 0;
}

bool link(const std::string &from, const std::string &to)
{
    return ::linkat(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

bool localTimeOf(int64_t seconds, std::tm &out, int64_t &utcOffset)
{
    const time_t when = static_cast<time_t>(seconds);
    if (!::localtime_r(&when, &out))
        return false;
    utcOffset = static_cast<int64_t>(out.tm_gmtoff);
    return true;
}

int64_t utcSecondsOf(std::tm t) { return static_cast<int64_t>(::timegm(&t)); }

bool randomBytes(unsigned char *buf, size_t size)
{
    // getentropy gives at most 256 bytes a call.
    for (size_t done = 0; done < size; done += 256)
        if (::getentropy(buf + done, std::min<size_t>(256, size - done)) != 0)
            return false;
    return true;
}

int openForReading(const std::string &path, bool nonBlocking)
{
    int fd;
    do
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | (nonBlocking ? O_NONBLOCK : 0));
    while (fd < 0 && errno == EINTR);
    return fd;
}

int openUnnamed(const std::string &folder, mode_t mode)
{
#ifdef O_TMPFILE
    int fd;
    do
        fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
    while (fd < 0 && errno == EINTR);
    return fd;
#else
    (void)folder;
    (void)mode;
    errno = EOPNOTSUPP;
    return -1;
#endif
}

int closeFd(int fd) { return ::close(fd); }

namespace {

// Calls readAt(done) until size bytes are read or the file ends, retrying
// after a signal: the bytes read, or -1 on an error.
template <typename ReadAt>
ssize_t readUntilFull(size_t size, ReadAt readAt)
{
    size_t done = 0;
    while (done < size) {
        const ssize_t n = readAt(done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        done += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(done);
}

} // namespace

ssize_t preadFull(int fd, unsigned char *buf, size_t size, uint64_t offset)
{
    return readUntilFull(
        size, [&](size_t done) { return ::pread(fd, buf + done, size - done, static_cast<off_t>(offset + done)); });
}

ssize_t readFull(int fd, unsigned char *buf, size_t size)
{
    return readUntilFull(size, [&](size_t done) { return ::read(fd, buf + done, size - done); });
}

mode_t currentUmask()
{
    mode_t m = ::umask(0);
    ::umask(m);
    return m;
}

} // namespace zarvon::engine::fs
