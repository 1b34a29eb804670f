// The engine's few system calls on files, in one place, so that the rest of
// the engine names no system header. Every call retries after a signal.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace zarvon::engine::fs {

// Opens `path` for reading (close-on-exec). With `nonBlocking` a named pipe
// is opened without waiting for a writer; the flag changes nothing for a
// regular file. Result: the descriptor, or -1 with errno set.
int openForReading(const std::string &path, bool nonBlocking);

// Creates a file without a name in `folder`, open for reading and writing,
// where the file system allows it (O_TMPFILE). Result: the descriptor, or -1.
int openUnnamed(const std::string &folder, mode_t mode);

// Closes a descriptor. Result 0, or -1 with errno set.
int closeFd(int fd);

// Reads `size` bytes at `offset`, fewer only at the end of the file.
// Result: bytes read, or -1 with errno set.
ssize_t preadFull(int fd, unsigned char *buf, size_t size, uint64_t offset);

// Reads from the current position until `size` bytes or the end of the file.
ssize_t readFull(int fd, unsigned char *buf, size_t size);

// The process's file creation mask, without changing it for good.
mode_t currentUmask();

// Owns one descriptor.
struct Fd {
    int fd = -1;
    explicit Fd(int f) : fd(f) {}
    ~Fd()
    {
        if (fd >= 0)
            closeFd(fd);
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
};

} // namespace zarvon::engine::fs
