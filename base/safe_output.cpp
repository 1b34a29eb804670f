#include "base/safe_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>
#include <utility>

namespace zarvon::base {

namespace {

bool isSeparator(char c) { return c == '/' || c == '\\'; }

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

} // namespace

void FileDescriptor::reset(int fd)
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = fd;
}

int FileDescriptor::release() { return std::exchange(fd_, -1); }

int FileDescriptor::close()
{
    if (fd_ < 0)
        return 0;
    return ::close(std::exchange(fd_, -1));
}

bool safeComponents(const std::string &name, std::vector<std::string> &components, bool &isFolder)
{
    components.clear();
    isFolder = !name.empty() && isSeparator(name.back());
    if (name.empty() || isSeparator(name[0]) || name.find('\0') != std::string::npos)
        return false;
    if (name.size() >= 2 && name[1] == ':' &&
        ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z')))
        return false;
    size_t i = 0;
    while (i <= name.size()) {
        size_t j = i;
        while (j < name.size() && !isSeparator(name[j]))
            ++j;
        std::string part = name.substr(i, j - i);
        if (part == "..") {
            components.clear();
            return false;
        }
        if (!part.empty() && part != ".")
            components.push_back(std::move(part));
        i = j + 1;
    }
    return !components.empty();
}

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
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return false;
    if (!S_ISDIR(st.st_mode)) {
        errno = ENOTDIR;
        return false;
    }
    return true;
}

bool writeAll(int fd, const unsigned char *data, size_t size)
{
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0) {
            errno = EIO;
            return false;
        }
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

std::string temporaryNameFor(const std::string &leaf)
{
    return "." + leaf.substr(0, 200) + ".zarvon-" + randomSuffix();
}

bool OutputFolder::ensure()
{
    if (dir_.valid())
        return true;
    std::string p = path_.empty() ? std::string(".") : path_;
    while (p.size() > 1 && p.back() == '/')
        p.pop_back();
    dir_.reset(::open(p.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir_.valid())
        return true;
    if (!makeFolders(p))
        return false;
    dir_.reset(::open(p.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return dir_.valid();
}

bool OutputFolder::stillValid() const
{
    struct stat a {
    }, b{};
    std::string p = path_.empty() ? std::string(".") : path_;
    return dir_.valid() && ::fstat(dir_.get(), &a) == 0 && ::stat(p.c_str(), &b) == 0 && a.st_dev == b.st_dev &&
           a.st_ino == b.st_ino;
}

int OutputFolder::folderFor(const std::vector<std::string> &parts, size_t count, FolderError &error)
{
    error = FolderError::None;
    if (count == 0)
        return dir_.get();
    std::string key;
    for (size_t i = 0; i < count; ++i) {
        key += parts[i];
        key += '/';
    }
    struct stat kept {};
    // A folder removed since the last entry has no links left: files
    // written into it would be lost.
    if (lastDir_.valid() && key == lastKey_ && ::fstat(lastDir_.get(), &kept) == 0 && kept.st_nlink > 0)
        return lastDir_.get();
    lastKey_.clear();
    lastDir_.reset();
    FileDescriptor current;
    int dirFd = dir_.get();
    for (size_t i = 0; i < count; ++i) {
        int next = ::openat(dirFd, parts[i].c_str(), kFolderFlags);
        if (next < 0 && errno == ENOENT) {
            if (::mkdirat(dirFd, parts[i].c_str(), 0777) != 0 && errno != EEXIST) {
                error = FolderError::System;
                return -1;
            }
            next = ::openat(dirFd, parts[i].c_str(), kFolderFlags);
        }
        if (next < 0) {
            error = (errno == ELOOP || errno == ENOTDIR) ? FolderError::Unsafe : FolderError::System;
            return -1;
        }
        current.reset(next);
        dirFd = next;
    }
    lastDir_.reset(current.release());
    lastKey_ = key;
    return lastDir_.get();
}

} // namespace zarvon::base
