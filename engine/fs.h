// The engine's system calls (files, folders, local time, random bytes), in
// one place, so that the rest of the engine names no system header and a
// port to another system replaces this unit only. Every call that a signal
// can cut short retries.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

namespace zarvon::engine::fs {

// What the engine needs to know of a file.
struct FileStatus {
    uint64_t device = 0;
    uint64_t inode = 0;
    uint64_t size = 0;
    uint32_t mode = 0; // type and permission bits, as Unix keeps them (and ZIP stores them)
    int64_t mtimeSec = 0;
    int64_t mtimeNsec = 0;
    bool isRegular() const;
    bool isFolder() const;
};

// The status of an open file, of a path (links followed) or of a name in an
// open folder (a link is described, not followed). Result true, or false
// with errno set.
bool statusOf(int fd, FileStatus &out);
bool statusOfPath(const std::string &path, FileStatus &out);
bool statusAt(int folderFd, const std::string &name, FileStatus &out);

// Opens `path` for reading (close-on-exec). With `nonBlocking` a named pipe
// is opened without waiting for a writer; the flag changes nothing for a
// regular file. Result: the descriptor, or -1 with errno set.
int openForReading(const std::string &path, bool nonBlocking);

// Creates a file without a name in `folder`, open for reading and writing,
// where the file system allows it (O_TMPFILE). Result: the descriptor, or -1.
int openUnnamed(const std::string &folder, mode_t mode);

// Creates `path` (or empties it) for reading and writing, with the mode
// 0666 less the creation mask. Result: the descriptor, or -1 with errno set.
int createForWriting(const std::string &path);

// Opens an existing file for writing, emptied (`truncate`) or for changes
// in place. Result: the descriptor, or -1 with errno set.
int openExisting(const std::string &path, bool truncate);

// Creates `name` in the open folder `folderFd` for writing, failing when
// anything of that name exists (a link included), with the mode given.
// Result: the descriptor, or -1 with errno set (EEXIST when the name is taken).
int createAt(int folderFd, const std::string &name, uint32_t mode);

// Creates a hidden file from `pattern`, whose last six characters are
// "XXXXXX" and are replaced by the name chosen. Result: the descriptor, or -1.
int createTemporary(std::string &pattern);

// Closes a descriptor. Result 0, or -1 with errno set.
int closeFd(int fd);

// Writes all `size` bytes, at the current position or at `offset`.
// Result true, or false with errno set.
bool writeAll(int fd, const unsigned char *buf, size_t size);
bool pwriteAll(int fd, const unsigned char *buf, size_t size, uint64_t offset);

// Sets the permission bits, or the modification time (seconds since the
// epoch; the access time is left), of an open file. Result true, or false.
bool setMode(int fd, uint32_t mode);
bool setModifiedTime(int fd, int64_t seconds);

// Removes, renames or links names. removeAt and renameAt work in an open
// folder; link follows a link at `from`. Result true, or false with errno set.
bool remove(const std::string &path);
bool removeAt(int folderFd, const std::string &name);
bool renameAt(int folderFd, const std::string &from, const std::string &to);
bool link(const std::string &from, const std::string &to);

// Local time: the broken-down time of `seconds` since the epoch and the
// zone's offset from UTC then (seconds east). Result true, or false.
bool localTimeOf(int64_t seconds, std::tm &out, int64_t &utcOffset);

// Seconds since the epoch of a broken-down time read as UTC.
int64_t utcSecondsOf(std::tm t);

// Fills `buf` from the system's random source. Result true, or false.
bool randomBytes(unsigned char *buf, size_t size);

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
