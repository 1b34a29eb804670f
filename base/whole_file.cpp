#include "base/whole_file.h"

#include "base/safe_output.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <set>
#include <string_view>
#include <vector>

#include <dirent.h>

namespace zarvon::base {

namespace {

std::atomic<bool> &unnamedAllowed()
{
    static std::atomic<bool> allowed{true};
    return allowed;
}

constexpr std::string_view kRecordPrefix = "zarvon-unfinished-";
constexpr std::string_view kTemporaryMark = ".zarvon-";

// The folders this process has recorded, so that each costs one write.
struct Recorded {
    std::mutex lock;
    std::set<std::string> folders;
};
Recorded &recorded()
{
    static Recorded r;
    return r;
}

// An absolute path for `folder`, so that a later run finds it again.
std::string absolute(const std::string &folder)
{
    if (!folder.empty() && folder[0] == '/')
        return folder;
    std::string cwd(4096, '\0');
    if (!::getcwd(cwd.data(), cwd.size()))
        return {};
    cwd.resize(cwd.find('\0'));
    return folder.empty() || folder == "." ? cwd : cwd + "/" + folder;
}

// A name that temporaryNameFor makes: ".<leaf>.zarvon-<16 hex digits>".
bool isTemporaryName(std::string_view name)
{
    const size_t mark = name.rfind(kTemporaryMark);
    if (name.size() < 2 || name[0] != '.' || mark == std::string_view::npos || mark < 1)
        return false;
    const std::string_view digits = name.substr(mark + kTemporaryMark.size());
    if (digits.size() != 16)
        return false;
    for (char c : digits)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    return true;
}

// The process of record `name`, or 0 when the name is not a record's.
pid_t recordOwner(std::string_view name)
{
    if (name.substr(0, kRecordPrefix.size()) != kRecordPrefix || name.size() == kRecordPrefix.size())
        return 0;
    long pid = 0;
    for (char c : name.substr(kRecordPrefix.size())) {
        if (c < '0' || c > '9' || pid > 4194304)
            return 0;
        pid = pid * 10 + (c - '0');
    }
    return static_cast<pid_t>(pid);
}

// Removes the temporaries of ours in `folder`, never following a link.
int removeTemporariesIn(const std::string &folder)
{
    FileDescriptor dirFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!dirFd.valid())
        return 0;
    DIR *dir = ::fdopendir(::dup(dirFd.get()));
    if (!dir)
        return 0;
    int removed = 0;
    while (const struct dirent *entry = ::readdir(dir)) {
        if (!isTemporaryName(entry->d_name))
            continue;
        struct stat st {};
        if (::fstatat(dirFd.get(), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
            st.st_uid == ::getuid() && ::unlinkat(dirFd.get(), entry->d_name, 0) == 0)
            ++removed;
    }
    ::closedir(dir);
    return removed;
}

} // namespace

void setUnnamedFilesAllowed(bool allowed) { unnamedAllowed() = allowed; }

std::string runtimeRecordFolder()
{
    if (const char *runtime = std::getenv("XDG_RUNTIME_DIR")) {
        struct stat info {};
        if (*runtime == '/' && ::stat(runtime, &info) == 0 && S_ISDIR(info.st_mode))
            return runtime;
    }
    return "/tmp";
}

void recordTemporaryFolder(const std::string &recordFolder, const std::string &folder)
{
    const std::string path = absolute(folder);
    if (path.empty() || path.find('\n') != std::string::npos)
        return;
    Recorded &r = recorded();
    std::lock_guard<std::mutex> hold(r.lock);
    if (!r.folders.insert(recordFolder + '\n' + path).second)
        return;
    const std::string record = recordFolder + "/" + std::string(kRecordPrefix) + std::to_string(::getpid());
    FileDescriptor out(
        ::open(record.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0600));
    const std::string line = path + '\n';
    // One write per line: with O_APPEND a line is never cut by another's.
    if (!out.valid() || !writeAll(out.get(), reinterpret_cast<const unsigned char *>(line.data()), line.size()))
        r.folders.erase(recordFolder + '\n' + path);
}

int removeInterruptedTemporaries(const std::string &recordFolder)
{
    DIR *dir = ::opendir(recordFolder.c_str());
    if (!dir)
        return 0;
    std::vector<std::string> records;
    while (const struct dirent *entry = ::readdir(dir)) {
        const pid_t owner = recordOwner(entry->d_name);
        if (owner <= 0 || owner == ::getpid())
            continue;
        // A process that still runs (or that we may not signal) keeps its own.
        if (::kill(owner, 0) == 0 || errno != ESRCH)
            continue;
        records.push_back(recordFolder + "/" + entry->d_name);
    }
    ::closedir(dir);
    int removed = 0;
    for (const std::string &record : records) {
        struct stat st {};
        if (::lstat(record.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::getuid())
            continue;
        std::ifstream in(record);
        std::string folder;
        while (std::getline(in, folder))
            if (!folder.empty() && folder[0] == '/')
                removed += removeTemporariesIn(folder);
        ::unlink(record.c_str());
    }
    return removed;
}

bool WholeFile::begin(int dirFd, const std::string &folderPath, const std::string &leaf, uint32_t mode,
                      bool nameTaken)
{
    discard();
    nameTaken_ = nameTaken;
    dirFd_ = dirFd;
    folderPath_ = folderPath;
    leaf_ = leaf;
#ifdef O_TMPFILE
    if (unnamedAllowed()) {
        do
            fd_ = ::openat(dirFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, static_cast<mode_t>(mode));
        while (fd_ < 0 && errno == EINTR);
        if (fd_ >= 0)
            return true;
    }
#endif
    // No unnamed files here: a hidden name the next run can find.
    recordTemporaryFolder(runtimeRecordFolder(), folderPath);
    tempName_ = temporaryNameFor(leaf);
    do
        fd_ = ::openat(dirFd, tempName_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                       static_cast<mode_t>(mode));
    while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0)
        tempName_.clear();
    return fd_ >= 0;
}

bool WholeFile::linkUnder(const std::string &name)
{
    // Through /proc, which needs no privilege; AT_EMPTY_PATH where /proc is
    // not mounted (it needs one on most systems).
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    if (::linkat(AT_FDCWD, self.c_str(), dirFd_, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
        return true;
    if (errno != ENOENT)
        return false;
    return ::linkat(fd_, "", dirFd_, name.c_str(), AT_EMPTY_PATH) == 0;
}

bool WholeFile::commit()
{
    if (fd_ < 0) {
        errno = EBADF;
        return false;
    }
    int failure = 0;
    bool linkedAsLeaf = false;
    if (tempName_.empty()) {
        if (!nameTaken_ && linkUnder(leaf_)) {
            linkedAsLeaf = true;
        } else if (nameTaken_ || errno == EEXIST) {
            // Something has the name: link under a temporary and rename over
            // it, so the old file stays whole until the new one is.
            recordTemporaryFolder(runtimeRecordFolder(), folderPath_);
            tempName_ = temporaryNameFor(leaf_);
            if (!linkUnder(tempName_)) {
                failure = errno;
                tempName_.clear();
            }
        } else {
            failure = errno;
        }
    }
    // Some file systems report a write error only when the file is closed.
    if (::close(fd_) != 0 && failure == 0)
        failure = errno;
    fd_ = -1;
    if (failure == 0 && !tempName_.empty() && ::renameat(dirFd_, tempName_.c_str(), dirFd_, leaf_.c_str()) != 0)
        failure = errno;
    if (failure != 0) {
        if (!tempName_.empty())
            ::unlinkat(dirFd_, tempName_.c_str(), 0);
        else if (linkedAsLeaf)
            ::unlinkat(dirFd_, leaf_.c_str(), 0);
    }
    tempName_.clear();
    errno = failure;
    return failure == 0;
}

void WholeFile::discard()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!tempName_.empty()) {
        ::unlinkat(dirFd_, tempName_.c_str(), 0);
        tempName_.clear();
    }
}

} // namespace zarvon::base
