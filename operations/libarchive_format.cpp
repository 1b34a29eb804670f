// The formats read through libarchive, with our own writing rules on top.
#include "operations/libarchive_format.h"

#include "base/whole_file.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <zlib.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <thread>
#include <set>
#include <vector>

#include "base/case_fold.h"
#include "base/paths.h"
#include "base/safe_output.h"

namespace zarvon::operations {

namespace {

constexpr size_t kBlock = 1 << 17;

struct ReaderDeleter {
    void operator()(struct archive *a) const { archive_read_free(a); }
};
using Reader = std::unique_ptr<struct archive, ReaderDeleter>;

bool endsWith(const std::string &text, const std::string &suffix)
{
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Only the formats of the kind are read: text would pass for an mtree
// description, and a file that starts as one format must not be read as
// another.
void supportFormats(struct archive *a, LibarchiveKind kind)
{
    switch (kind) {
    case LibarchiveKind::SevenZip: archive_read_support_format_7zip(a); break;
    case LibarchiveKind::Tar:
        archive_read_support_format_tar(a);
        archive_read_support_format_gnutar(a);
        archive_read_support_format_cpio(a);
        archive_read_support_format_empty(a);
        break;
    case LibarchiveKind::Cab: archive_read_support_format_cab(a); break;
    case LibarchiveKind::Iso: archive_read_support_format_iso9660(a); break;
    case LibarchiveKind::Cpio: archive_read_support_format_cpio(a); break;
    case LibarchiveKind::Ar: archive_read_support_format_ar(a); break;
    case LibarchiveKind::LoneStream: archive_read_support_format_raw(a); break;
    }
}

// A gzip stream inflated by zlib, which checks each member's CRC and size:
// libarchive's own gzip reader ignores a wrong CRC, and a damaged stream
// must never pass for a sound one. Members follow one another as gzip
// writes them; what follows the last one must be padding of zeros.
class GzipSource {
public:
    explicit GzipSource(int fd) : fd_(fd), in_(kBlock), out_(kBlock)
    {
        ready_ = inflateInit2(&z_, 15 + 16) == Z_OK;
    }
    ~GzipSource()
    {
        if (ready_)
            inflateEnd(&z_);
    }

    static la_ssize_t read(struct archive *a, void *self, const void **buffer)
    {
        return static_cast<GzipSource *>(self)->next(a, buffer);
    }
    static int close(struct archive *, void *self)
    {
        delete static_cast<GzipSource *>(self);
        return ARCHIVE_OK;
    }

private:
    la_ssize_t next(struct archive *a, const void **buffer)
    {
        *buffer = out_.data();
        if (!ready_) {
            archive_set_error(a, ENOMEM, "gzip: cannot start inflating");
            return -1;
        }
        z_.next_out = out_.data();
        z_.avail_out = uInt(out_.size());
        while (z_.avail_out == out_.size() && !finished_) {
            if (z_.avail_in == 0) {
                const ssize_t got = ::read(fd_.get(), in_.data(), in_.size());
                if (got < 0) {
                    archive_set_error(a, errno, "gzip: read error");
                    return -1;
                }
                if (got == 0) {
                    if (!memberEnded_) {
                        archive_set_error(a, EILSEQ, "gzip: the stream is cut short");
                        return -1;
                    }
                    finished_ = true;
                    break;
                }
                z_.next_in = in_.data();
                z_.avail_in = uInt(got);
            }
            if (memberEnded_) {
                // Another member, or the zeros some tools pad with.
                while (z_.avail_in > 0 && *z_.next_in == 0) {
                    ++z_.next_in;
                    --z_.avail_in;
                }
                if (z_.avail_in == 0)
                    continue;
                inflateReset(&z_);
                memberEnded_ = false;
            }
            const int result = inflate(&z_, Z_NO_FLUSH);
            if (result == Z_STREAM_END) {
                memberEnded_ = true;
            } else if (result != Z_OK && result != Z_BUF_ERROR) {
                archive_set_error(a, EILSEQ, "gzip: %s", z_.msg ? z_.msg : "damaged data (CRC mismatch)");
                return -1;
            }
        }
        return la_ssize_t(out_.size() - z_.avail_out);
    }

    base::FileDescriptor fd_;
    z_stream z_{};
    bool ready_ = false;
    bool memberEnded_ = false;
    bool finished_ = false;
    std::vector<unsigned char> in_, out_;
};

bool startsAsGzip(int fd)
{
    unsigned char head[2] = {};
    return ::pread(fd, head, 2, 0) == 2 && head[0] == 0x1f && head[1] == 0x8b;
}

// Opens the file for reading as `kind` says. nullptr with errno, and the
// library's message in `why`, when it cannot.
Reader openReader(const std::string &path, LibarchiveKind kind, std::string &why, bool *gzipped = nullptr)
{
    Reader a(archive_read_new());
    archive_read_support_filter_all(a.get());
    supportFormats(a.get(), kind);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0 && startsAsGzip(fd)) {
        if (gzipped)
            *gzipped = true;
        auto *source = new GzipSource(fd); // owned by the reader from here on, closed by it
        if (archive_read_open(a.get(), source, nullptr, &GzipSource::read, &GzipSource::close) != ARCHIVE_OK) {
            why = archive_error_string(a.get()) ? archive_error_string(a.get()) : "";
            return nullptr;
        }
        return a;
    }
    if (fd >= 0)
        ::close(fd);
    if (archive_read_open_filename(a.get(), path.c_str(), kBlock) != ARCHIVE_OK) {
        why = archive_error_string(a.get()) ? archive_error_string(a.get()) : "";
        return nullptr;
    }
    return a;
}

// The name an entry is listed, asked for and written under: "/" between
// components, a folder ending with "/". An absolute name is kept relative,
// as tar itself stores it.
std::string listedName(struct archive_entry *entry, LibarchiveKind kind, const std::string &archivePath)
{
    if (kind == LibarchiveKind::LoneStream)
        return loneStreamEntryName(archivePath);
    const char *utf8 = archive_entry_pathname_utf8(entry);
    std::string name = utf8 ? utf8 : (archive_entry_pathname(entry) ? archive_entry_pathname(entry) : "");
    std::size_t start = 0;
    while (start < name.size() && name[start] == '/')
        ++start;
    name.erase(0, start);
    while (name.compare(0, 2, "./") == 0)
        name.erase(0, 2);
    if (name == ".")
        name.clear(); // the root folder of an image or of "tar -C dir ." is the destination itself
    if (archive_entry_filetype(entry) == AE_IFDIR && !name.empty() && name.back() != '/')
        name += '/';
    return name;
}

// The method a listing names: the compression filter of the stream ("gzip",
// "xz"), or the format's own name where the format compresses each entry.
std::string methodNameOf(struct archive *a, LibarchiveKind kind, bool gzipped)
{
    if (gzipped)
        return "gzip"; // inflated by zlib before libarchive sees it
    if (kind == LibarchiveKind::SevenZip)
        return "7z";
    if (kind == LibarchiveKind::Cab)
        return "CAB";
    const char *filter = archive_filter_count(a) > 1 ? archive_filter_name(a, 0) : nullptr;
    return filter ? filter : "Stored";
}

bool isSpecialFile(struct archive_entry *entry)
{
    const auto type = archive_entry_filetype(entry);
    return type == AE_IFCHR || type == AE_IFBLK || type == AE_IFIFO || type == AE_IFSOCK;
}

bool isEncrypted(struct archive_entry *entry)
{
    return archive_entry_is_data_encrypted(entry) > 0 || archive_entry_is_metadata_encrypted(entry) > 0;
}

ArchiveEntry entryOf(struct archive *a, struct archive_entry *e, LibarchiveKind kind, const std::string &archivePath,
                     bool gzipped)
{
    ArchiveEntry entry;
    entry.name = listedName(e, kind, archivePath);
    entry.folder = archive_entry_filetype(e) == AE_IFDIR;
    entry.encrypted = isEncrypted(e);
    entry.link = archive_entry_filetype(e) == AE_IFLNK || archive_entry_hardlink(e) != nullptr;
    entry.size = !entry.folder && archive_entry_size_is_set(e) && archive_entry_size(e) > 0
                     ? uint64_t(archive_entry_size(e))
                     : 0;
    if (archive_entry_mtime_is_set(e)) {
        entry.modifiedKnown = true;
        entry.modifiedTime = archive_entry_mtime(e);
        entry.modifiedNanoseconds = uint32_t(archive_entry_mtime_nsec(e));
        const time_t when = time_t(entry.modifiedTime);
        struct tm local {};
        if (localtime_r(&when, &local) && local.tm_year >= 80)
            entry.dosDate = uint32_t(((local.tm_year - 80) << 25) | ((local.tm_mon + 1) << 21) |
                                     (local.tm_mday << 16) | (local.tm_hour << 11) | (local.tm_min << 5) |
                                     (local.tm_sec / 2));
    }
    entry.methodName = methodNameOf(a, kind, gzipped);
    // Only an uncompressed container stores each entry by itself.
    entry.packedKnown = entry.methodName == "Stored";
    entry.packedSize = entry.packedKnown ? entry.size : 0;
    entry.crcKnown = false;
    entry.unixMode = kind == LibarchiveKind::LoneStream ? 0 : uint32_t(archive_entry_perm(e)) & 0777;
    return entry;
}

// A lone gzip file records its size, modulo 4 GiB, in its last four bytes.
uint64_t gzipDeclaredSize(const std::string &path)
{
    base::FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    unsigned char head[2] = {}, tail[4] = {};
    struct stat st {};
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0 || st.st_size < 18 || ::pread(fd.get(), head, 2, 0) != 2 ||
        head[0] != 0x1f || head[1] != 0x8b || ::pread(fd.get(), tail, 4, st.st_size - 4) != 4)
        return 0;
    return uint64_t(tail[0]) | uint64_t(tail[1]) << 8 | uint64_t(tail[2]) << 16 | uint64_t(tail[3]) << 24;
}

// A folder path (the first `count` components) as one text, for lookups.
std::string joined(const std::vector<std::string> &parts, size_t count)
{
    std::string text;
    for (size_t i = 0; i < count && i < parts.size(); ++i)
        text += (i ? "/" : "") + parts[i];
    return text;
}

// Where a symbolic link's target leads, lexically, from the folder holding
// the link. False when it leaves the destination: an absolute target, or
// more ".." than there are folders above the link. `throughPrefixes`
// receives every path the target walks through before a "..", whose being
// a link would make the lexical answer wrong.
bool linkStaysInside(const std::vector<std::string> &linkParts, const std::string &target,
                     std::vector<std::string> &throughPrefixes)
{
    if (target.empty() || target[0] == '/')
        return false;
    std::vector<std::string> at(linkParts.begin(), linkParts.end() - 1);
    size_t i = 0;
    while (i <= target.size()) {
        size_t j = target.find('/', i);
        if (j == std::string::npos)
            j = target.size();
        const std::string part = target.substr(i, j - i);
        if (part == "..") {
            if (at.empty())
                return false;
            throughPrefixes.push_back(joined(at, at.size()));
            at.pop_back();
        } else if (!part.empty() && part != ".") {
            at.push_back(part);
        }
        i = j + 1;
    }
    return true;
}

// A symbolic link put off until every other entry is written.
struct PendingLink {
    std::string name; // as listed
    std::vector<std::string> parts;
    std::string target;
    int64_t modifiedTime = 0;
    bool modifiedKnown = false;
};

// One extraction run over one open reader.
class Extraction {
public:
    Extraction(struct archive *a, LibarchiveKind kind, const ExtractRequest &request, JobProgress &progress,
               ExtractReport &report)
        : a_(a), kind_(kind), request_(request), progress_(progress), report_(report), output_(request.destination),
          wanted_(request.entryNames.begin(), request.entryNames.end()),
          replaceAll_(request.overwrite == Overwrite::Replace), skipAll_(request.overwrite == Overwrite::Skip)
    {
        // The free space of the destination's file system (of its nearest
        // existing parent when it is still to be made); unlimited when it
        // cannot be known.
        struct statvfs space {};
        std::string at = request.destination;
        bool known = false;
        while (!(known = ::statvfs(at.empty() ? "." : at.c_str(), &space) == 0) && !at.empty() && at != "/")
            at = base::parentFolder(at.back() == '/' ? at.substr(0, at.size() - 1) : at);
        spaceLeft_ = known ? uint64_t(space.f_bavail) * space.f_frsize : UINT64_MAX;
    }

    void run()
    {
        const int64_t total = int64_t(request_.entryNames.size());
        struct archive_entry *entry = nullptr;
        int got;
        while ((got = archive_read_next_header(a_, &entry)) == ARCHIVE_OK || got == ARCHIVE_WARN) {
            const std::string name = listedName(entry, kind_, request_.archivePath);
            if (name.empty() && archive_entry_filetype(entry) == AE_IFDIR)
                continue; // the destination itself
            if (archive_entry_filetype(entry) == AE_IFLNK)
                linkNames_.insert(trimmed(name));
            if (!wanted_.empty() && !wanted_.count(name))
                continue;
            found_.insert(name);
            if (progress_.report({ProgressStep::ItemStarted, name, 0, done_, total})) {
                report_.stopped = true;
                return;
            }
            if (!one(entry, name))
                return; // stopped, or the stream cannot go on
            ++done_;
            if (progress_.report({ProgressStep::ItemDone, name, 100, done_, total})) {
                report_.stopped = true;
                return;
            }
        }
        if (got != ARCHIVE_EOF) {
            report_.failures.push_back({std::string(), Reason::Damaged, archive_errno(a_), got});
            // The links were read whole; they are still made.
        }
        makeLinks();
        restoreFolders();
        for (const auto &name : request_.entryNames)
            if (!found_.count(name))
                report_.failures.push_back({name, Reason::NotFound, 0, 0});
    }

private:
    static std::string trimmed(std::string name)
    {
        while (!name.empty() && name.back() == '/')
            name.pop_back();
        return name;
    }

    void fail(const std::string &name, Reason reason, int sysErrno = 0, int32_t code = 0)
    {
        report_.failures.push_back({name, reason, sysErrno, code});
    }

    // The folder of an entry's last component, opened safely; -1 after a
    // failure is recorded.
    int folderOf(const std::string &name, const std::vector<std::string> &parts, size_t count)
    {
        if (!output_.ensure()) {
            fail(name, Reason::CannotCreate, errno);
            return -1;
        }
        base::FolderError error = base::FolderError::None;
        const int fd = output_.folderFor(parts, count, error);
        if (fd < 0)
            fail(name, error == base::FolderError::Unsafe ? Reason::UnsafeName : Reason::CannotCreate,
                 error == base::FolderError::System ? errno : 0);
        return fd;
    }

    // One entry. False when the run must end.
    bool one(struct archive_entry *entry, const std::string &name)
    {
        std::vector<std::string> parts;
        bool folder = false;
        if (!base::safeComponents(name, parts, folder)) {
            fail(name, Reason::UnsafeName);
            return true;
        }
        if (isSpecialFile(entry)) {
            fail(name, Reason::SpecialFileRefused);
            return true;
        }
        if (isEncrypted(entry)) {
            fail(name, Reason::EncryptionUnsupported);
            return true;
        }
        if (archive_entry_filetype(entry) == AE_IFDIR) {
            if (folderOf(name, parts, parts.size()) < 0)
                return true;
            folders_.push_back({parts, uint32_t(archive_entry_perm(entry)) & 0777, archive_entry_mtime(entry),
                                archive_entry_mtime_nsec(entry), archive_entry_mtime_is_set(entry) != 0});
            ++report_.entriesDone;
            return true;
        }
        if (archive_entry_filetype(entry) == AE_IFLNK) {
            const char *target = archive_entry_symlink_utf8(entry);
            if (!target)
                target = archive_entry_symlink(entry);
            pending_.push_back({name, parts, target ? target : "", archive_entry_mtime(entry),
                                archive_entry_mtime_is_set(entry) != 0});
            return true;
        }
        if (const char *hardlink = archive_entry_hardlink(entry))
            return hardLink(name, parts, hardlink);
        return writeFile(entry, name, parts);
    }

    // False when the user stopped.
    bool hardLink(const std::string &name, const std::vector<std::string> &parts, const std::string &target)
    {
        std::vector<std::string> targetParts;
        bool targetFolder = false;
        std::string cleaned = target;
        while (!cleaned.empty() && cleaned[0] == '/')
            cleaned.erase(0, 1);
        if (!base::safeComponents(cleaned, targetParts, targetFolder) || targetFolder) {
            fail(name, Reason::UnsafeName);
            return true;
        }
        // The target is reached folder by folder from the destination
        // without following a link, and only a plain file already there may
        // be linked to: an outside file can never be reached, so it can
        // never be changed through the new name.
        base::FileDescriptor from(existingFolder(targetParts));
        struct stat st {};
        if (!from.valid() || ::fstatat(from.get(), targetParts.back().c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(st.st_mode)) {
            fail(name, Reason::LinkRefused);
            return true;
        }
        const int dir = folderOf(name, parts, parts.size() - 1);
        if (dir < 0)
            return true;
        if (const Settled settled = settle(dir, name, parts); settled != Settled::Write)
            return settled == Settled::Skip;
        const std::string temporary = base::temporaryNameFor(parts.back());
        if (::linkat(from.get(), targetParts.back().c_str(), dir, temporary.c_str(), 0) != 0) {
            fail(name, Reason::CannotCreate, errno);
            return true;
        }
        if (::renameat(dir, temporary.c_str(), dir, parts.back().c_str()) != 0) {
            const int error = errno;
            ::unlinkat(dir, temporary.c_str(), 0);
            fail(name, error == EISDIR ? Reason::CannotCreate : Reason::WriteFailed, error);
            return true;
        }
        ++report_.entriesDone;
        ++report_.filesWritten;
        return true;
    }

    // The folder holding the last of `parts`, opened from the destination
    // without creating anything and without following a link; -1 when it
    // is not there.
    int existingFolder(const std::vector<std::string> &parts)
    {
        constexpr int kFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
        base::FileDescriptor at(::open(request_.destination.c_str(), kFlags));
        for (size_t i = 0; at.valid() && i + 1 < parts.size(); ++i)
            at.reset(::openat(at.get(), parts[i].c_str(), kFlags));
        return at.release();
    }

    // Writes the entry's data without a name and links it in once whole. False when the run must end (a stop, or a stream that
    // cannot go on).
    bool writeFile(struct archive_entry *entry, const std::string &name, const std::vector<std::string> &parts)
    {
        const int dir = folderOf(name, parts, parts.size() - 1);
        if (dir < 0)
            return true;
        const std::string &leaf = parts.back();
        if (const Settled settled = settle(dir, name, parts); settled != Settled::Write)
            return settled == Settled::Skip;
        const bool sizeKnown = archive_entry_size_is_set(entry) && kind_ != LibarchiveKind::LoneStream;
        const uint64_t declared = sizeKnown ? uint64_t(archive_entry_size(entry)) : 0;
        // Refused before writing when its declared size cannot fit, rather
        // than filling the disk and failing half-way.
        if (declared > spaceLeft_) {
            fail(name, Reason::NotEnoughSpace, ENOSPC);
            return true;
        }
        struct stat existing {};
        const bool existingFound = ::fstatat(dir, leaf.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0;
        if (existingFound) {
            if (S_ISDIR(existing.st_mode)) {
                fail(name, Reason::CannotCreate, EISDIR);
                return true;
            }
            if (S_ISREG(existing.st_mode) && (existing.st_mode & 0222) == 0) {
                fail(name, Reason::ReadOnlyTarget);
                return true;
            }
        }
        // Permissions as stored, without set-id or sticky bits; the owner
        // stays the user who extracts.
        const uint32_t mode = kind_ == LibarchiveKind::LoneStream || archive_entry_perm(entry) == 0
                                  ? 0644
                                  : uint32_t(archive_entry_perm(entry)) & 0777;
        std::string folderPath = request_.destination;
        for (size_t i = 0; i + 1 < parts.size(); ++i)
            folderPath += "/" + parts[i];
        // Written unnamed and linked in only when whole: a kill, a cut
        // stream or a full disk leaves nothing under the name.
        base::WholeFile out;
        if (!out.begin(dir, folderPath, leaf, mode, existingFound)) {
            fail(name, Reason::CannotCreate, errno);
            return true;
        }
        const auto discard = [&](Reason reason, int sysErrno, int32_t code) {
            out.discard();
            if (reason != Reason::Stopped)
                fail(name, reason, sysErrno, code);
        };
        std::vector<unsigned char> buffer(kBlock);
        uint64_t written = 0;
        for (;;) {
            const la_ssize_t got = archive_read_data(a_, buffer.data(), buffer.size());
            if (got == 0)
                break;
            if (got < 0) {
                const bool fatal = got == ARCHIVE_FATAL;
                const char *why = archive_error_string(a_);
                const bool unsupported = why && (std::strstr(why, "nsupported") || std::strstr(why, "ncrypt"));
                discard(unsupported ? Reason::UnsupportedMethod : Reason::Damaged, 0, int32_t(got));
                return !fatal;
            }
            written += uint64_t(got);
            // An entry that grows past the size it declared is not what the
            // archive said it holds (and could fill the disk): it stops.
            if (sizeKnown && written > declared) {
                discard(Reason::Damaged, 0, 0);
                return false;
            }
            if (!base::writeAll(out.fd(), buffer.data(), size_t(got))) {
                discard(Reason::WriteFailed, errno, 0);
                return errno != ENOSPC;
            }
            ProgressStep step{ProgressStep::ItemProgress, name, 0, done_, int64_t(request_.entryNames.size())};
            step.percent = declared ? float(double(written) * 100.0 / double(declared)) : 0.0f;
            if (progress_.report(step)) {
                discard(Reason::Stopped, 0, 0);
                report_.stopped = true;
                return false;
            }
        }
        ::fchmod(out.fd(), mode_t(mode));
        if (archive_entry_mtime_is_set(entry)) {
            const struct timespec times[2] = {{0, UTIME_OMIT},
                                              {time_t(archive_entry_mtime(entry)), archive_entry_mtime_nsec(entry)}};
            ::futimens(out.fd(), times);
        }
        if (!out.commit()) {
            const int error = errno;
            fail(name, error == ENOSPC || error == EIO ? Reason::WriteFailed : Reason::CannotCreate, error);
            return true;
        }
        spaceLeft_ -= std::min(spaceLeft_, written);
        ++report_.entriesDone;
        ++report_.filesWritten;
        return true;
    }

    // Symbolic links, made last: no entry of the archive is ever written
    // through one. A link whose target would leave the destination is
    // refused, as is one whose target climbs out of a folder that is itself
    // a link (its lexical answer would not be the true one).
    void makeLinks()
    {
        for (const PendingLink &link : pending_) {
            if (report_.stopped)
                return;
            std::vector<std::string> through;
            if (!linkStaysInside(link.parts, link.target, through) || throughLink(through)) {
                fail(link.name, Reason::LinkRefused);
                continue;
            }
            const int dir = folderOf(link.name, link.parts, link.parts.size() - 1);
            if (dir < 0)
                continue;
            if (const Settled settled = settle(dir, link.name, link.parts); settled == Settled::Stop)
                return;
            else if (settled == Settled::Skip)
                continue;
            const std::string temporary = base::temporaryNameFor(link.parts.back());
            if (::symlinkat(link.target.c_str(), dir, temporary.c_str()) != 0) {
                fail(link.name, Reason::CannotCreate, errno);
                continue;
            }
            if (link.modifiedKnown) {
                const struct timespec times[2] = {{0, UTIME_OMIT}, {time_t(link.modifiedTime), 0}};
                ::utimensat(dir, temporary.c_str(), times, AT_SYMLINK_NOFOLLOW);
            }
            if (::renameat(dir, temporary.c_str(), dir, link.parts.back().c_str()) != 0) {
                const int error = errno;
                ::unlinkat(dir, temporary.c_str(), 0);
                fail(link.name, Reason::CannotCreate, error);
                continue;
            }
            ++report_.entriesDone;
        }
    }

    enum class Settled { Write, Skip, Stop };

    // What becomes of a file already at an entry's place: the request's
    // policy, or the user's answer, decides. A folder there is left to the
    // writing, which refuses to replace it.
    Settled settle(int dir, const std::string &name, const std::vector<std::string> &parts)
    {
        struct stat st {};
        if (replaceAll_ || ::fstatat(dir, parts.back().c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || S_ISDIR(st.st_mode))
            return Settled::Write;
        if (!skipAll_) {
            switch (progress_.askOverwrite(base::withTrailingSlash(request_.destination) + joined(parts, parts.size()))) {
            case OverwriteAnswer::Replace: return Settled::Write;
            case OverwriteAnswer::ReplaceAll: replaceAll_ = true; return Settled::Write;
            case OverwriteAnswer::Skip: break;
            case OverwriteAnswer::SkipAll: skipAll_ = true; break;
            case OverwriteAnswer::Stop: report_.stopped = true; return Settled::Stop;
            }
        }
        report_.skipped.push_back(name);
        return Settled::Skip;
    }

    // The folders' stored dates and permissions, given last: writing into
    // a folder changes its date, and a folder stored read-only could not
    // have taken its files. The owner keeps the right to open, fill and
    // empty them.
    void restoreFolders()
    {
        if (report_.stopped)
            return;
        for (const FolderEntry &folder : folders_) {
            base::FolderError error = base::FolderError::None;
            const int fd = output_.folderFor(folder.parts, folder.parts.size(), error);
            if (fd < 0)
                continue;
            if (folder.mode != 0)
                ::fchmod(fd, mode_t(folder.mode | 0700));
            if (folder.timeKnown) {
                const struct timespec times[2] = {{0, UTIME_OMIT}, {time_t(folder.time), folder.nanoseconds}};
                ::futimens(fd, times);
            }
        }
    }

    // One of the paths is a link, in the archive or already on disk.
    bool throughLink(const std::vector<std::string> &paths)
    {
        for (const std::string &path : paths) {
            if (linkNames_.count(path))
                return true;
            struct stat st {};
            const std::string full = base::withTrailingSlash(request_.destination) + path;
            if (::lstat(full.c_str(), &st) == 0 && !S_ISDIR(st.st_mode))
                return true;
        }
        return false;
    }

    struct archive *a_;
    LibarchiveKind kind_;
    const ExtractRequest &request_;
    JobProgress &progress_;
    ExtractReport &report_;
    base::OutputFolder output_;
    std::set<std::string> wanted_;
    std::set<std::string> found_;
    std::set<std::string> linkNames_;
    std::vector<PendingLink> pending_;
    struct FolderEntry {
        std::vector<std::string> parts;
        uint32_t mode = 0;
        int64_t time = 0;
        long nanoseconds = 0;
        bool timeKnown = false;
    };
    std::vector<FolderEntry> folders_;
    bool replaceAll_;
    bool skipAll_;
    uint64_t spaceLeft_ = 0;
    int64_t done_ = 0;
};

Failure openFailureOf(const std::string &path, const std::string &why)
{
    Failure failure = failureToOpen(path);
    if (failure.reason == Reason::NotAnArchive && why.find("ncrypt") != std::string::npos)
        failure.reason = Reason::EncryptionUnsupported;
    else if (failure.reason == Reason::NotAnArchive && why.compare(0, 5, "gzip:") == 0)
        failure.reason = Reason::Damaged; // a gzip stream, cut or failing its CRC before the first entry
    return failure;
}

// The first header, to tell an archive that cannot be read at all (an
// encrypted 7z header, a file that is no archive) from one that can.
bool readFirstHeader(struct archive *a, struct archive_entry *&entry, std::string &why, bool &empty)
{
    const int got = archive_read_next_header(a, &entry);
    empty = got == ARCHIVE_EOF;
    if (got == ARCHIVE_OK || got == ARCHIVE_WARN || empty)
        return true;
    why = archive_error_string(a) ? archive_error_string(a) : "";
    return false;
}

class LibarchiveFormat final : public ArchiveFormat {
public:
    LibarchiveFormat(LibarchiveKind kind, const char *name) : kind_(kind), name_(name) {}

    const char *name() const override { return name_; }

    FormatCapabilities capabilities() const override
    {
        const bool writes = kind_ == LibarchiveKind::SevenZip || kind_ == LibarchiveKind::Tar;
        return {writes, true, true, true, false, true};
    }

    ListReport list(const std::string &archivePath, const std::string &) const override
    {
        ListReport report;
        std::string why;
        bool gzipped = false;
        Reader a = openReader(archivePath, kind_, why, &gzipped);
        struct archive_entry *entry = nullptr;
        bool empty = false;
        if (!a || !readFirstHeader(a.get(), entry, why, empty)) {
            report.failure = openFailureOf(archivePath, why);
            return report;
        }
        report.opened = true;
        if (empty)
            return report;
        int got = ARCHIVE_OK;
        do {
            ArchiveEntry listed = entryOf(a.get(), entry, kind_, archivePath, gzipped);
            if (!(listed.folder && listed.name.empty()))
                report.entries.push_back(std::move(listed));
            // The data is skipped, not read: a listing of a plain tar seeks
            // past each entry.
            archive_read_data_skip(a.get());
        } while ((got = archive_read_next_header(a.get(), &entry)) == ARCHIVE_OK || got == ARCHIVE_WARN);
        if (kind_ == LibarchiveKind::LoneStream && report.entries.size() == 1) {
            struct stat st {};
            report.entries[0].size = gzipDeclaredSize(archivePath);
            report.entries[0].packedKnown = ::stat(archivePath.c_str(), &st) == 0;
            report.entries[0].packedSize = uint64_t(st.st_size);
        }
        return report;
    }

    ExtractReport extract(const ExtractRequest &request, JobProgress &progress) const override
    {
        ExtractReport report;
        std::string why;
        Reader a = openReader(request.archivePath, kind_, why);
        if (!a) {
            report.failure = openFailureOf(request.archivePath, why);
            return report;
        }
        report.opened = true;
        Extraction(a.get(), kind_, request, progress, report).run();
        if (!report.failures.empty() && report.failures.front().name.empty() && report.entriesDone == 0 &&
            report.failures.size() == 1) {
            // Not one header could be read: the archive as a whole fails.
            report.opened = false;
            report.failure = openFailureOf(request.archivePath, archive_error_string(a.get()) ? archive_error_string(a.get()) : "");
            report.failures.clear();
        }
        return report;
    }

    TestReport test(const TestRequest &request, JobProgress &progress) const override
    {
        TestReport report;
        std::string why;
        Reader a = openReader(request.archivePath, kind_, why);
        struct archive_entry *entry = nullptr;
        bool empty = false;
        if (!a || !readFirstHeader(a.get(), entry, why, empty)) {
            report.failure = openFailureOf(request.archivePath, why);
            return report;
        }
        report.readable = true;
        if (empty)
            return report;
        std::vector<unsigned char> buffer(kBlock);
        int got = ARCHIVE_OK;
        do {
            const std::string name = listedName(entry, kind_, request.archivePath);
            ++report.entries;
            if (progress.report({ProgressStep::ItemStarted, name, 0, report.entries - 1, 0})) {
                report.stopped = true;
                return report;
            }
            if (isEncrypted(entry)) {
                ++report.entriesNotChecked;
                report.notChecked.push_back(name);
                continue;
            }
            ++report.entriesChecked;
            la_ssize_t read;
            while ((read = archive_read_data(a.get(), buffer.data(), buffer.size())) > 0) {
            }
            if (read < 0) {
                ++report.entriesFailed;
                if (report.firstFailure.reason == Reason::None)
                    report.firstFailure = {name, Reason::Damaged, 0, int32_t(read)};
                if (read == ARCHIVE_FATAL)
                    return report;
            }
        } while ((got = archive_read_next_header(a.get(), &entry)) == ARCHIVE_OK || got == ARCHIVE_WARN);
        if (got != ARCHIVE_EOF) {
            ++report.entriesFailed;
            if (report.firstFailure.reason == Reason::None)
                report.firstFailure = {std::string(), Reason::Damaged, archive_errno(a.get()), got};
        }
        return report;
    }

private:
    LibarchiveKind kind_;
    const char *name_;
};

} // namespace

const ArchiveFormat &libarchiveFormat(LibarchiveKind kind)
{
    static const LibarchiveFormat sevenZip(LibarchiveKind::SevenZip, "7z"), tar(LibarchiveKind::Tar, "TAR"),
        cab(LibarchiveKind::Cab, "CAB"), iso(LibarchiveKind::Iso, "ISO"), cpio(LibarchiveKind::Cpio, "CPIO"),
        ar(LibarchiveKind::Ar, "AR"), lone(LibarchiveKind::LoneStream, "Compressed file");
    switch (kind) {
    case LibarchiveKind::SevenZip: return sevenZip;
    case LibarchiveKind::Tar: return tar;
    case LibarchiveKind::Cab: return cab;
    case LibarchiveKind::Iso: return iso;
    case LibarchiveKind::Cpio: return cpio;
    case LibarchiveKind::Ar: return ar;
    case LibarchiveKind::LoneStream: return lone;
    }
    return tar;
}

namespace {

bool startsWith(const unsigned char *head, size_t size, const char *magic, size_t length, size_t at = 0)
{
    return size >= at + length && std::memcmp(head + at, magic, length) == 0;
}

// A compressed stream holds an archive when libarchive finds one inside it.
bool holdsArchive(const std::string &path)
{
    Reader a(archive_read_new());
    archive_read_support_filter_all(a.get());
    archive_read_support_format_tar(a.get());
    archive_read_support_format_cpio(a.get());
    if (archive_read_open_filename(a.get(), path.c_str(), kBlock) != ARCHIVE_OK)
        return false;
    struct archive_entry *entry = nullptr;
    const int got = archive_read_next_header(a.get(), &entry);
    return (got == ARCHIVE_OK || got == ARCHIVE_WARN) && archive_format(a.get()) != ARCHIVE_FORMAT_EMPTY;
}

// The compression suffixes a lone file carries.
const char *const kStreamSuffixes[] = {".gz", ".bz2", ".xz", ".zst", ".lz4", ".lzma", ".z"};

} // namespace

bool libarchiveKindByContent(const std::string &path, const unsigned char *head, size_t size, LibarchiveKind &kind)
{
    if (startsWith(head, size, "7z\xBC\xAF\x27\x1C", 6)) {
        kind = LibarchiveKind::SevenZip;
        return true;
    }
    if (startsWith(head, size, "MSCF", 4)) {
        kind = LibarchiveKind::Cab;
        return true;
    }
    if (startsWith(head, size, "!<arch>\n", 8)) {
        kind = LibarchiveKind::Ar;
        return true;
    }
    if (startsWith(head, size, "070701", 6) || startsWith(head, size, "070702", 6) ||
        startsWith(head, size, "070707", 6) || startsWith(head, size, "\xC7\x71", 2) ||
        startsWith(head, size, "\x71\xC7", 2)) {
        kind = LibarchiveKind::Cpio;
        return true;
    }
    if (startsWith(head, size, "ustar", 5, 257)) {
        kind = LibarchiveKind::Tar;
        return true;
    }
    const bool compressed = startsWith(head, size, "\x1F\x8B", 2) || startsWith(head, size, "BZh", 3) ||
                            startsWith(head, size, "\xFD" "7zXZ\0", 6) ||
                            startsWith(head, size, "\x28\xB5\x2F\xFD", 4) ||
                            startsWith(head, size, "\x04\x22\x4D\x18", 4);
    if (compressed) {
        // A cut or damaged tarball whose first header cannot be read is
        // still a tarball when its name says so, and is reported as such.
        LibarchiveKind named{};
        const bool namedTar = libarchiveKindByName(path, named) && named == LibarchiveKind::Tar;
        kind = namedTar || holdsArchive(path) ? LibarchiveKind::Tar : LibarchiveKind::LoneStream;
        return true;
    }
    // An ISO 9660 image names itself in its first volume descriptor.
    base::FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    char volume[5] = {};
    if (fd.valid() && ::pread(fd.get(), volume, 5, 0x8001) == 5 && std::memcmp(volume, "CD001", 5) == 0) {
        kind = LibarchiveKind::Iso;
        return true;
    }
    return false;
}

bool libarchiveKindByName(const std::string &path, LibarchiveKind &kind)
{
    const std::string name = base::lowerAscii(path);
    for (const char *tar : {".tar", ".tgz", ".tbz2", ".tbz", ".txz", ".tzst", ".tlz4", ".tar.gz", ".tar.bz2",
                            ".tar.xz", ".tar.zst", ".tar.lz4"})
        if (endsWith(name, tar)) {
            kind = LibarchiveKind::Tar;
            return true;
        }
    const std::pair<const char *, LibarchiveKind> bySuffix[] = {
        {".7z", LibarchiveKind::SevenZip}, {".cab", LibarchiveKind::Cab}, {".iso", LibarchiveKind::Iso},
        {".cpio", LibarchiveKind::Cpio},   {".deb", LibarchiveKind::Ar},  {".a", LibarchiveKind::Ar}};
    for (const auto &[suffix, k] : bySuffix)
        if (endsWith(name, suffix)) {
            kind = k;
            return true;
        }
    for (const char *suffix : kStreamSuffixes)
        if (endsWith(name, suffix)) {
            kind = LibarchiveKind::LoneStream;
            return true;
        }
    return false;
}

std::string loneStreamEntryName(const std::string &archivePath)
{
    std::string name = base::lastPathComponent(archivePath);
    const std::string lower = base::lowerAscii(name);
    for (const char *suffix : kStreamSuffixes)
        if (endsWith(lower, suffix) && lower.size() > std::strlen(suffix))
            return name.substr(0, name.size() - std::strlen(suffix));
    return name + ".out";
}

} // namespace zarvon::operations

// Creating

namespace zarvon::operations {

namespace {

struct WriterDeleter {
    void operator()(struct archive *a) const { archive_write_free(a); }
};
using Writer = std::unique_ptr<struct archive, WriterDeleter>;

struct EntryDeleter {
    void operator()(struct archive_entry *e) const { archive_entry_free(e); }
};
using Entry = std::unique_ptr<struct archive_entry, EntryDeleter>;

// One file or folder to store, and the name it is stored under.
struct Source {
    std::string path;
    std::string name;
    bool folder = false;
};

// A chosen folder walked in name order, folders before what they hold;
// links to folders are not followed, and pipes, sockets and devices are
// left out (reading a pipe would wait for ever), as for ZIP.
void walk(const std::string &folder, const std::string &name, std::vector<Source> &sources,
          std::vector<Failure> &unreadable)
{
    sources.push_back({folder, name + "/", true});
    std::error_code error;
    std::vector<std::filesystem::directory_entry> entries;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        entries.push_back(*it);
    if (error)
        unreadable.push_back({folder + "/", Reason::CannotRead, error.value(), 0});
    std::sort(entries.begin(), entries.end(),
              [](const auto &x, const auto &y) { return x.path().filename() < y.path().filename(); });
    for (const auto &entry : entries) {
        const std::string leaf = entry.path().filename().string();
        std::error_code e;
        if (entry.is_symlink(e) || entry.is_regular_file(e))
            sources.push_back({entry.path().string(), name + "/" + leaf, false});
        else if (entry.is_directory(e))
            walk(entry.path().string(), name + "/" + leaf, sources, unreadable);
    }
}

std::string storedFolderName(const CompressRequest &request, const std::string &path)
{
    std::string folder = path;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    if (request.folderNames == CompressRequest::FolderNames::FromParent)
        return base::lastPathComponent(folder);
    std::size_t start = 0;
    while (start < folder.size() && folder[start] == '/')
        ++start;
    return folder.substr(start);
}

bool configure(struct archive *a, CreatedKind kind, int threads)
{
    const std::string count = std::to_string(threads);
    if (kind == CreatedKind::SevenZip) {
        // LZMA2 at level 5 (16 MiB dictionary): the encoder stays well under
        // 256 MiB of memory.
        return archive_write_set_format_7zip(a) == ARCHIVE_OK &&
               archive_write_set_format_option(a, "7zip", "compression", "lzma2") == ARCHIVE_OK &&
               archive_write_set_format_option(a, "7zip", "compression-level", "5") == ARCHIVE_OK;
    }
    if (archive_write_set_format_pax_restricted(a) != ARCHIVE_OK)
        return false;
    switch (kind) {
    case CreatedKind::TarGz: return archive_write_add_filter_gzip(a) == ARCHIVE_OK;
    case CreatedKind::TarBz2: return archive_write_add_filter_bzip2(a) == ARCHIVE_OK;
    case CreatedKind::TarXz:
        // Level 6, as xz itself; each thread's block takes about 100 MiB at most.
        if (archive_write_add_filter_xz(a) != ARCHIVE_OK)
            return false;
        archive_write_set_filter_option(a, "xz", "threads", count.c_str());
        return true;
    case CreatedKind::TarZst:
        // Level 19 packs as tightly as the usual "zstd -19" and is worth the
        // threads it is given.
        if (archive_write_add_filter_zstd(a) != ARCHIVE_OK)
            return false;
        archive_write_set_filter_option(a, "zstd", "compression-level", "19");
        archive_write_set_filter_option(a, "zstd", "threads", count.c_str());
        return true;
    default: return false;
    }
}

} // namespace

CreatedKind createdKindOf(const std::string &archivePath)
{
    const std::string name = base::lowerAscii(base::lastPathComponent(archivePath));
    const std::pair<const char *, CreatedKind> bySuffix[] = {
        {".tar.gz", CreatedKind::TarGz},   {".tgz", CreatedKind::TarGz},   {".tar.bz2", CreatedKind::TarBz2},
        {".tbz2", CreatedKind::TarBz2},    {".tar.xz", CreatedKind::TarXz}, {".txz", CreatedKind::TarXz},
        {".tar.zst", CreatedKind::TarZst}, {".tzst", CreatedKind::TarZst}, {".7z", CreatedKind::SevenZip}};
    for (const auto &[suffix, kind] : bySuffix)
        if (endsWith(name, suffix) && name.size() > std::strlen(suffix))
            return kind;
    return CreatedKind::None;
}

CompressReport compressWithLibarchive(const CompressRequest &request, CreatedKind kind, JobProgress &progress)
{
    CompressReport report;
    if (request.archivePath.empty() || kind == CreatedKind::None) {
        report.failure.reason = Reason::CannotCreate;
        return report;
    }
    if (request.items.empty()) {
        report.failure.reason = Reason::NoItems;
        return report;
    }
    if (!request.password.empty()) {
        report.failure = {request.archivePath, Reason::EncryptionUnsupported, 0, 0};
        return report;
    }
    std::vector<Source> sources;
    for (const auto &item : request.items) {
        std::error_code error;
        if (!item.folder && std::filesystem::equivalent(item.path, request.archivePath, error)) {
            report.failure = {request.archivePath, Reason::ArchiveIsSource, 0, 0};
            return report;
        }
        if (item.folder)
            walk(item.path, storedFolderName(request, item.path), sources, report.unreadable);
        else
            sources.push_back({item.path, base::lastPathComponent(item.path), false});
    }
    for (const Source &source : sources)
        report.total += source.folder ? 0 : 1;

    // Written under a hidden name beside its place, renamed in when whole.
    const std::string folder = base::parentFolder(request.archivePath);
    const std::string temporary =
        (folder.empty() ? std::string() : folder) + base::temporaryNameFor(base::lastPathComponent(request.archivePath));
    base::FileDescriptor out(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (!out.valid()) {
        report.outcome = CompressReport::Outcome::Failed;
        report.failure = {request.archivePath, Reason::CannotCreate, errno, 0};
        return report;
    }
    const auto abandon = [&](CompressReport::Outcome outcome, Failure failure) {
        out.reset();
        ::unlink(temporary.c_str());
        report.outcome = outcome;
        report.failure = std::move(failure);
        return report;
    };
    const int threads = request.threads > 0 ? request.threads : int(std::max(1u, std::thread::hardware_concurrency()));
    Writer a(archive_write_new());
    if (!configure(a.get(), kind, threads) || archive_write_open_fd(a.get(), out.get()) != ARCHIVE_OK)
        return abandon(CompressReport::Outcome::Failed, {request.archivePath, Reason::CannotCreate, 0, 0});

    std::vector<unsigned char> buffer(kBlock);
    int64_t done = 0;
    for (const Source &source : sources) {
        struct stat st {};
        if (::lstat(source.path.c_str(), &st) != 0) {
            report.unreadable.push_back({source.path, Reason::CannotRead, errno, 0});
            continue;
        }
        base::FileDescriptor in;
        if (S_ISREG(st.st_mode)) {
            in.reset(::open(source.path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
            if (!in.valid()) {
                report.unreadable.push_back({source.path, Reason::CannotRead, errno, 0});
                continue;
            }
        }
        if (!source.folder && progress.report({ProgressStep::ItemStarted, source.path, 0, done, report.total}))
            return abandon(CompressReport::Outcome::Cancelled, {std::string(), Reason::Stopped, 0, 0});
        Entry entry(archive_entry_new());
        archive_entry_copy_stat(entry.get(), &st);
        archive_entry_set_pathname_utf8(entry.get(), source.name.c_str());
        // Owners are the user's own business: the archive names none.
        archive_entry_set_uid(entry.get(), 0);
        archive_entry_set_gid(entry.get(), 0);
        if (S_ISLNK(st.st_mode)) {
            std::vector<char> target(size_t(st.st_size) + 2);
            const ssize_t length = ::readlink(source.path.c_str(), target.data(), target.size() - 1);
            if (length < 0) {
                report.unreadable.push_back({source.path, Reason::CannotRead, errno, 0});
                continue;
            }
            archive_entry_set_symlink(entry.get(), std::string(target.data(), size_t(length)).c_str());
        }
        if (archive_write_header(a.get(), entry.get()) < ARCHIVE_WARN)
            return abandon(CompressReport::Outcome::Failed,
                           {request.archivePath, Reason::WriteFailed, archive_errno(a.get()), 0});
        if (in.valid()) {
            uint64_t sent = 0;
            ssize_t got;
            while ((got = ::read(in.get(), buffer.data(), buffer.size())) > 0) {
                if (archive_write_data(a.get(), buffer.data(), size_t(got)) < 0)
                    return abandon(CompressReport::Outcome::Failed,
                                   {request.archivePath, Reason::WriteFailed, archive_errno(a.get()), 0});
                sent += uint64_t(got);
                ProgressStep step{ProgressStep::ItemProgress, source.path, 0, done, report.total};
                step.percent = st.st_size ? float(double(sent) * 100.0 / double(st.st_size)) : 100.0f;
                if (progress.report(step))
                    return abandon(CompressReport::Outcome::Cancelled, {std::string(), Reason::Stopped, 0, 0});
            }
            // The header promised st_size bytes: a file that shrank or could
            // not be read to the end would leave the archive unreadable.
            if (got < 0 || sent != uint64_t(st.st_size))
                return abandon(CompressReport::Outcome::Failed,
                               {source.path, Reason::CannotRead, got < 0 ? errno : 0, 0});
        }
        if (!source.folder) {
            ++report.filesAdded;
            ++done;
            if (progress.report({ProgressStep::ItemDone, source.path, 100, done, report.total}))
                return abandon(CompressReport::Outcome::Cancelled, {std::string(), Reason::Stopped, 0, 0});
        }
    }
    if (archive_write_close(a.get()) != ARCHIVE_OK)
        return abandon(CompressReport::Outcome::Failed,
                       {request.archivePath, Reason::WriteFailed, archive_errno(a.get()), 0});
    if (::fsync(out.get()) != 0 || out.close() != 0)
        return abandon(CompressReport::Outcome::Failed, {request.archivePath, Reason::WriteFailed, errno, 0});
    if (::rename(temporary.c_str(), request.archivePath.c_str()) != 0)
        return abandon(CompressReport::Outcome::Failed, {request.archivePath, Reason::WriteFailed, errno, 0});
    report.outcome = CompressReport::Outcome::Written;
    return report;
}

} // namespace zarvon::operations
