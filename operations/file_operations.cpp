#include "operations/file_operations.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>

namespace zarvon::operations {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kBlock = 1 << 20;

// A file descriptor closed on every path.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor() { reset(); }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return fd_; }
    // Closes now; the result of close(2), where a delayed write error shows.
    int reset()
    {
        const int result = fd_ >= 0 ? ::close(fd_) : 0;
        fd_ = -1;
        return result;
    }

private:
    int fd_;
};

// A temporary file removed unless it was renamed into place.
class TemporaryFile {
public:
    explicit TemporaryFile(std::string path) : path_(std::move(path)) {}
    ~TemporaryFile()
    {
        if (!path_.empty())
            ::unlink(path_.c_str());
    }
    TemporaryFile(const TemporaryFile &) = delete;
    TemporaryFile &operator=(const TemporaryFile &) = delete;
    const std::string &path() const { return path_; }
    void keep() { path_.clear(); }

private:
    std::string path_;
};

bool pathExists(const fs::path &path)
{
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

bool isRealFolder(const fs::path &path)
{
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool sameNode(const struct stat &a, const struct stat &b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// `inner` is the folder `outer` itself or lies somewhere below it; told by
// the nodes, so that links and "/.." spellings cannot hide it.
bool isWithin(const fs::path &inner, const fs::path &outer)
{
    struct stat folder {};
    if (::stat(outer.c_str(), &folder) != 0)
        return false;
    std::error_code error;
    fs::path walk = fs::weakly_canonical(inner, error);
    if (error)
        return false;
    for (;;) {
        struct stat here {};
        if (::stat(walk.c_str(), &here) == 0 && sameNode(here, folder))
            return true;
        const fs::path up = walk.parent_path();
        if (up == walk || up.empty())
            return false;
        walk = up;
    }
}

bool sameFolder(const fs::path &a, const fs::path &b)
{
    struct stat x {
    }, y{};
    return ::stat(a.c_str(), &x) == 0 && ::stat(b.empty() ? "." : b.c_str(), &y) == 0 && sameNode(x, y);
}

int32_t countFiles(const fs::path &path)
{
    if (!isRealFolder(path))
        return 1;
    int32_t count = 0;
    std::error_code error;
    for (fs::recursive_directory_iterator it(path, error), end; !error && it != end; it.increment(error))
        if (!it->is_directory(error))
            ++count;
    return count;
}

class Transfer {
public:
    Transfer(ConflictResolver &resolver, JobProgress &progress, TransferReport &report)
        : resolver_(resolver), progress_(progress), report_(report)
    {}

    void run(const TransferRequest &request)
    {
        for (const auto &source : request.sources)
            total_ += countFiles(trimmed(source));
        for (const auto &source : request.sources) {
            if (report_.stopped)
                break;
            transferOne(trimmed(source), fs::path(request.destination), request.move);
        }
    }

private:
    static fs::path trimmed(const std::string &path)
    {
        std::string text = path;
        while (text.size() > 1 && text.back() == '/')
            text.pop_back();
        return fs::path(text);
    }

    void fail(const fs::path &name, Reason reason, int sysErrno = 0)
    {
        report_.failures.push_back({name.string(), reason, sysErrno, 0});
    }

    bool report(ProgressStep::Kind kind, const fs::path &name, float percent = 0)
    {
        ProgressStep step;
        step.kind = kind;
        step.name = name.string();
        step.percent = percent;
        step.done = done_;
        step.total = total_;
        if (progress_.report(step))
            report_.stopped = true;
        return report_.stopped;
    }

    void transferOne(const fs::path &source, const fs::path &destination, bool move)
    {
        struct stat sourceInfo {};
        if (::lstat(source.c_str(), &sourceInfo) != 0) {
            fail(source, Reason::NotFound, errno);
            return;
        }
        if (!isRealFolder(destination)) {
            fail(destination, Reason::NotFound, ENOENT);
            return;
        }
        const fs::path target = destination / source.filename();
        const bool folder = S_ISDIR(sourceInfo.st_mode);
        if ((folder && isWithin(destination, source)) || sameFolder(destination, source.parent_path())) {
            fail(source, Reason::IntoItself);
            return;
        }
        const bool taken = pathExists(target);
        if (taken) {
            switch (resolver_.resolve(source.string(), target.string())) {
            case ConflictAnswer::Skip: ++report_.itemsSkipped; return;
            case ConflictAnswer::Stop: report_.stopped = true; return;
            case ConflictAnswer::Replace: break;
            }
            // A folder cannot take the place of a file, nor a file that of a
            // folder, without destroying what is there.
            if (folder != isRealFolder(target)) {
                fail(target, Reason::AlreadyExists);
                return;
            }
        }
        if (move && !(taken && folder)) {
            // Within one file system a move is a rename, which replaces a
            // file atomically; across file systems it is a copy.
            if (::rename(source.c_str(), target.c_str()) == 0) {
                done_ += countFiles(target);
                ++report_.itemsDone;
                report(ProgressStep::ItemDone, source);
                return;
            }
            if (errno != EXDEV) {
                fail(source, Reason::WriteFailed, errno);
                return;
            }
        }
        const std::size_t failuresBefore = report_.failures.size();
        copyTree(source, target);
        if (report_.stopped || report_.failures.size() != failuresBefore)
            return;
        if (move) {
            std::error_code error;
            fs::remove_all(source, error);
            if (error) {
                fail(source, Reason::WriteFailed, error.value());
                return;
            }
        }
        ++report_.itemsDone;
    }

    void copyTree(const fs::path &source, const fs::path &target)
    {
        struct stat info {};
        if (::lstat(source.c_str(), &info) != 0) {
            fail(source, Reason::CannotRead, errno);
            return;
        }
        if (S_ISLNK(info.st_mode)) {
            copyLink(source, target);
        } else if (S_ISDIR(info.st_mode)) {
            copyFolder(source, target, info);
        } else if (S_ISREG(info.st_mode)) {
            copyFile(source, target, info);
        }
        // Pipes, sockets and devices are not files to copy.
    }

    void copyLink(const fs::path &source, const fs::path &target)
    {
        std::error_code error;
        const fs::path link = fs::read_symlink(source, error);
        if (error) {
            fail(source, Reason::CannotRead, error.value());
            return;
        }
        report(ProgressStep::ItemStarted, source);
        // The link is made under a temporary name, then renamed over the
        // old one: a failure keeps what was there.
        const fs::path temporary = target.parent_path() / (".zarvon-link-" + target.filename().string());
        fs::remove(temporary, error);
        fs::create_symlink(link, temporary, error);
        if (error) {
            fail(target, Reason::CannotCreate, error.value());
            return;
        }
        if (::rename(temporary.c_str(), target.c_str()) != 0) {
            fail(target, Reason::CannotCreate, errno);
            ::unlink(temporary.c_str());
            return;
        }
        ++done_;
        report(ProgressStep::ItemDone, source);
    }

    void copyFolder(const fs::path &source, const fs::path &target, const struct stat &info)
    {
        if (!isRealFolder(target) && ::mkdir(target.c_str(), (info.st_mode & 07777) | S_IRWXU) != 0) {
            fail(target, Reason::CannotCreate, errno);
            return;
        }
        std::vector<fs::path> children;
        std::error_code error;
        for (fs::directory_iterator it(source, error), end; !error && it != end; it.increment(error))
            children.push_back(it->path());
        if (error) {
            fail(source, Reason::CannotRead, error.value());
            return;
        }
        std::sort(children.begin(), children.end());
        for (const auto &child : children) {
            if (report_.stopped)
                return;
            copyTree(child, target / child.filename());
        }
        ::chmod(target.c_str(), info.st_mode & 07777);
    }

    void copyFile(const fs::path &source, const fs::path &target, const struct stat &info)
    {
        report(ProgressStep::ItemStarted, source);
        Descriptor in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
        if (in.get() < 0) {
            fail(source, Reason::CannotRead, errno);
            return;
        }
        std::string pattern = (target.parent_path() / (".zarvon-copy-XXXXXX")).string();
        Descriptor out(::mkostemp(pattern.data(), O_CLOEXEC));
        if (out.get() < 0) {
            fail(target, Reason::CannotCreate, errno);
            return;
        }
        TemporaryFile temporary(pattern);
        std::vector<char> buffer(kBlock);
        uint64_t copied = 0;
        for (;;) {
            const ssize_t got = ::read(in.get(), buffer.data(), buffer.size());
            if (got < 0) {
                if (errno == EINTR)
                    continue;
                fail(source, Reason::CannotRead, errno);
                return;
            }
            if (got == 0)
                break;
            for (ssize_t written = 0; written < got;) {
                const ssize_t put = ::write(out.get(), buffer.data() + written, std::size_t(got - written));
                if (put < 0) {
                    if (errno == EINTR)
                        continue;
                    fail(target, Reason::WriteFailed, errno);
                    return;
                }
                written += put;
            }
            copied += uint64_t(got);
            const float percent = info.st_size > 0 ? float(copied) * 100.0f / float(info.st_size) : 100.0f;
            if (report(ProgressStep::ItemProgress, source, percent))
                return;
        }
        ::fchmod(out.get(), info.st_mode & 07777);
        const struct timespec times[2] = {info.st_atim, info.st_mtim};
        ::futimens(out.get(), times);
        if (out.reset() != 0) {
            fail(target, Reason::WriteFailed, errno);
            return;
        }
        if (::rename(temporary.path().c_str(), target.c_str()) != 0) {
            fail(target, Reason::CannotCreate, errno);
            return;
        }
        temporary.keep();
        ++done_;
        report(ProgressStep::ItemDone, source);
    }

    ConflictResolver &resolver_;
    JobProgress &progress_;
    TransferReport &report_;
    int64_t done_ = 0;
    int64_t total_ = 0;
};

} // namespace

TransferReport transferItems(const TransferRequest &request, ConflictResolver &resolver, JobProgress &progress)
{
    TransferReport report;
    if (request.sources.empty())
        return report;
    Transfer(resolver, progress, report).run(request);
    return report;
}

NameParts splitName(const std::string &name)
{
    const auto dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0)
        return {name, {}};
    return {name.substr(0, dot), name.substr(dot + 1)};
}

Failure renameItem(const std::string &path, const std::string &newName)
{
    std::string text = path;
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    const fs::path source(text);
    if (newName.empty() || newName == "." || newName == ".." || newName.find('/') != std::string::npos)
        return {newName, Reason::InvalidName, 0, 0};
    if (!pathExists(source))
        return {source.string(), Reason::NotFound, ENOENT, 0};
    const fs::path target = source.parent_path() / newName;
    if (target == source)
        return {};
    // RENAME_NOREPLACE refuses an existing target in the same step as the
    // rename; file systems without it get the check just before.
    if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
        return {};
    if (errno == EEXIST)
        return {target.string(), Reason::AlreadyExists, EEXIST, 0};
    if (errno != EINVAL && errno != ENOSYS)
        return {source.string(), Reason::WriteFailed, errno, 0};
    if (pathExists(target))
        return {target.string(), Reason::AlreadyExists, EEXIST, 0};
    if (::rename(source.c_str(), target.c_str()) != 0)
        return {source.string(), Reason::WriteFailed, errno, 0};
    return {};
}

} // namespace zarvon::operations
