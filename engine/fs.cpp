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

int closeFd(int fd)
{
    return ::close(fd);
}

ssize_t preadFull(int fd, unsigned char *buf, size_t size, uint64_t offset)
{
    size_t done = 0;
    while (done < size) {
        ssize_t n = ::pread(fd, buf + done, size - done, static_cast<off_t>(offset + done));
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

ssize_t readFull(int fd, unsigned char *buf, size_t size)
{
    size_t done = 0;
    while (done < size) {
        ssize_t n = ::read(fd, buf + done, size - done);
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

mode_t currentUmask()
{
    mode_t m = ::umask(0);
    ::umask(m);
    return m;
}

} // namespace zarvon::engine::fs
