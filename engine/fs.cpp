#include "engine/fs.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace zarvon::engine::fs {

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
