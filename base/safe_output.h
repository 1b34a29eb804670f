// Writing extracted entries under a destination folder without ever leaving
// it: name checks, a folder walk that never follows a link, temporary files
// renamed into place. Shared by every archive format we extract. No Qt.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zarvon::base {

// An owned file descriptor, closed when the record goes (or on reset).
class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() { reset(); }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closes the descriptor held (if any) and takes `fd`.
    void reset(int fd = -1);
    // Gives the descriptor up without closing it.
    int release();
    // Closes now and reports close's result (0, or -1 with errno set): a
    // write error of some file systems only shows here.
    int close();

private:
    int fd_ = -1;
};

// Splits an entry name (either "/" or "\" as separator) into the components
// of its output path, dropping empty and "." components. False, with
// `components` empty, when the name must not be written: empty, absolute
// (leading separator), a drive prefix ("C:\x", "C:/x", "C:x"), a ".."
// component, a NUL byte, or nothing left after cleaning. `isFolder` tells
// whether the name ends with a separator.
bool safeComponents(const std::string &name, std::vector<std::string> &components, bool &isFolder);

// Creates a folder and every missing parent, following links: the
// destination itself is the user's choice. True when the path is a folder
// at the end (errno set otherwise).
bool makeFolders(const std::string &path);

// Writes the whole buffer, retrying short writes and EINTR. False with errno
// set on failure (ENOSPC for a full disk; EIO when write returned 0).
bool writeAll(int fd, const unsigned char *data, size_t size);

// Sixteen random hexadecimal digits, for names of temporary files.
std::string randomSuffix();

// The name of a hidden temporary file beside `leaf` in the same folder,
// short enough for any file system: ".<leaf>.zarvon-<random>".
std::string temporaryNameFor(const std::string &leaf);

// Why a folder of the output could not be opened.
enum class FolderError {
    None,
    Unsafe, // a link, or something that is not a folder, stands on the way
    System, // the system refused (errno tells why)
};

// The destination folder of one extraction run: opened (created when
// missing) on first need, then every entry's folder is reached from it with
// openat/mkdirat and O_NOFOLLOW, so that nothing is ever written outside it
// or through a link planted inside it. The folder of the last entry stays
// open, because entries of one folder tend to follow each other.
class OutputFolder {
public:
    explicit OutputFolder(std::string path) : path_(std::move(path)) {}

    const std::string &path() const { return path_; }

    // Opens the destination, creating it and its parents when missing. True
    // when open; false with errno set.
    bool ensure();

    // The folder open is still the one found under the path (it may have
    // been removed or replaced since).
    bool stillValid() const;

    // Opens, creating missing ones, the first `count` components of `parts`
    // under the destination (ensure() must have succeeded). Result: a folder
    // descriptor owned by this record and valid until the next call, or -1
    // with `error` set (and errno for FolderError::System).
    int folderFor(const std::vector<std::string> &parts, size_t count, FolderError &error);

private:
    std::string path_;
    FileDescriptor dir_;
    std::string lastKey_;
    FileDescriptor lastDir_;
};

} // namespace zarvon::base
