#include "rar/rar.h"

#include "base/dos_date.h"
#include "base/safe_output.h"
#include "base/whole_file.h"
#include "base/text_encoding.h"
#include "rar/unrar_library.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>
#include <memory>
#include <set>
#include <utility>

namespace zarvon::rar {

namespace {

using detail::ArchiveHandle;
using detail::LibraryParam;
using detail::UnrarLibrary;

// The library's numbering of host systems in RARHeaderDataEx::HostOS.
constexpr uint32_t kHostUnix = 3;
// Windows attribute of a reparse point (symbolic link, junction).
constexpr uint32_t kWindowsReparsePoint = 0x400;

// Text

// UTF-8 to the library's wide characters (UTF-32 here); invalid bytes stand
// for themselves.
std::wstring toWide(const std::string &s)
{
    std::wstring out;
    size_t i = 0;
    while (i < s.size()) {
        unsigned char c = s[i++];
        int n = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        if (n <= 0 || i + n > s.size()) {
            out.push_back(static_cast<wchar_t>(c));
            continue;
        }
        char32_t cp = c & (0x3F >> n);
        for (int k = 0; k < n; ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        i += n;
        out.push_back(static_cast<wchar_t>(cp));
    }
    return out;
}

std::string toUtf8(const wchar_t *w, size_t capacity)
{
    std::string out;
    for (size_t i = 0; i < capacity && w[i] != 0; ++i)
        base::appendUtf8(out, static_cast<char32_t>(w[i]));
    return out;
}

// Entries

// Modification time of a header: the precise one when the archive holds it,
// else the DOS time (local time, two-second steps); tv_nsec is UTIME_OMIT
// when the header holds no real date, so that futimens leaves the time.
struct timespec modificationTimeOf(const RARHeaderDataEx &h)
{
    struct timespec ts {0, UTIME_OMIT};
    const uint64_t fileTime = (static_cast<uint64_t>(h.MtimeHigh) << 32) | h.MtimeLow;
    // Windows file time: 100 ns steps since 1601-01-01.
    constexpr uint64_t kUnixEpoch = 116444736000000000ULL;
    if (fileTime >= kUnixEpoch) {
        ts.tv_sec = static_cast<time_t>((fileTime - kUnixEpoch) / 10000000ULL);
        ts.tv_nsec = static_cast<long>((fileTime - kUnixEpoch) % 10000000ULL * 100);
        return ts;
    }
    int64_t seconds = 0;
    if (base::dosDateSeconds(h.FileTime, seconds))
        ts = {static_cast<time_t>(seconds), 0};
    return ts;
}

RarEntry entryOf(const RARHeaderDataEx &h)
{
    RarEntry e;
    e.name = h.FileNameW[0] ? toUtf8(h.FileNameW, std::size(h.FileNameW))
                            : std::string(h.FileName, strnlen(h.FileName, sizeof h.FileName));
    e.folder = (h.Flags & RHDF_DIRECTORY) != 0;
    e.encrypted = (h.Flags & RHDF_ENCRYPTED) != 0;
    e.solid = (h.Flags & RHDF_SOLID) != 0;
    e.size = (static_cast<uint64_t>(h.UnpSizeHigh) << 32) | h.UnpSize;
    e.packedSize = (static_cast<uint64_t>(h.PackSizeHigh) << 32) | h.PackSize;
    e.crc = h.HashType == RAR_HASH_CRC32 ? h.FileCRC : 0;
    e.dosTime = h.FileTime;
    const struct timespec modified = modificationTimeOf(h);
    e.hasModificationTime = modified.tv_nsec != UTIME_OMIT;
    if (e.hasModificationTime) {
        e.modificationTime = modified.tv_sec;
        e.modificationNanoseconds = static_cast<uint32_t>(modified.tv_nsec);
    }
    e.hostOs = h.HostOS;
    e.attributes = h.FileAttr;
    e.method = h.Method;
    e.dictionarySize = h.DictSize;
    // A link is a redirection record (RAR 5), a Unix mode of type link
    // (older Unix archives keep the target as the entry's data), or a
    // Windows reparse point.
    const bool unixLink = h.HostOS == kHostUnix && (h.FileAttr & S_IFMT) == S_IFLNK;
    const bool windowsLink = h.HostOS != kHostUnix && (h.FileAttr & kWindowsReparsePoint) != 0;
    e.link = h.RedirType != 0 || unixLink || windowsLink;
    return e;
}

mode_t currentUmask()
{
    mode_t m = ::umask(0);
    ::umask(m);
    return m;
}

// Permissions of an extracted file: the Unix mode's permission bits when the
// archive was made on Unix (never set-id or sticky), else the usual mode,
// read-only when the Windows read-only attribute is set.
mode_t modeOf(const RarEntry &e)
{
    if (e.hostOs == kHostUnix && (e.attributes & 0777) != 0)
        return static_cast<mode_t>(e.attributes & 0777);
    mode_t mode = 0666 & ~currentUmask();
    if (e.attributes & 0x01)
        mode &= ~static_cast<mode_t>(0222);
    return mode;
}

// One pass over the archive

enum class Mode { List, Test, Extract };

// Everything one pass needs, shared with the library's callback through its
// user-data pointer.
class Pass {
public:
    Pass(UnrarLibrary &lib, Mode mode, const std::string &password, const RarProgress *progress, RarReport &report)
        : lib_(lib), mode_(mode), password_(toWide(password)), progress_(progress), report_(report)
    {}

    // What the listing found, before this pass.
    void setPlan(uint64_t totalBytes, size_t entries)
    {
        total_ = totalBytes;
        expectedEntries_ = entries;
    }
    void setOnlyNames(const std::vector<std::string> &names) { onlyNames_.insert(names.begin(), names.end()); }
    void setDestination(const std::string &destination) { output_ = std::make_unique<base::OutputFolder>(destination); }

    // Runs the pass from opening to closing; fills the report.
    void run(const std::string &path);

private:
    struct Closer {
        UnrarLibrary *lib;
        void operator()(void *h) const { lib->closeArchive(h); }
    };
    using Handle = std::unique_ptr<void, Closer>;

    static int callback(unsigned int msg, LibraryParam userData, LibraryParam p1, LibraryParam p2);
    int onMessage(unsigned int msg, LibraryParam p1, LibraryParam p2);

    // Opens `path` (the first volume of a set when another one is given).
    // False with the report's status set when the archive cannot be used.
    bool open(const std::string &path);
    bool openOnce(const std::string &path, unsigned int &flags);
    // After an entry failed, the library may refuse to read on: open again
    // and pass over the `count` entries already handled.
    bool reopenPast(size_t count);
    void fail(RarStatus status, int code)
    {
        report_.status = status;
        report_.libraryCode = code;
    }
    void failEntry(const RarEntry &e, RarEntryResult reason, int sysErrno = 0, int code = 0)
    {
        report_.failures.push_back({e.name, reason, sysErrno, code});
    }
    // Reads the next header into header_. Result as RARReadHeaderEx.
    int readHeader();
    // Hands the current entry to the library (once per header).
    int process(int operation);
    bool skip() { return process(RAR_SKIP) == ERAR_SUCCESS; }
    // Handles the entry whose header was just read. False when it failed.
    // Handles the entry whose header was just read; a failure goes to the
    // report. False when it failed.
    bool handleEntry(const RarEntry &e);
    bool extractEntry(const RarEntry &e);
    RarEntryResult reasonFor(const RarEntry &e, int code) const;

    UnrarLibrary &lib_;
    Mode mode_;
    std::wstring password_;
    const RarProgress *progress_;
    RarReport &report_;
    std::set<std::string> onlyNames_;
    std::unique_ptr<base::OutputFolder> output_;
    std::string path_;
    Handle handle_{nullptr, Closer{&lib_}};
    std::unique_ptr<RARHeaderDataEx> header_ = std::make_unique<RARHeaderDataEx>();
    uint64_t total_ = 0;
    size_t expectedEntries_ = 0; // entries the listing found (SIZE_MAX: unknown)

    // State of the library call in progress, seen by the callback.
    const std::string *currentEntry_ = nullptr;
    int outputFd_ = -1;            // where UCM_PROCESSDATA bytes go; -1: nowhere (test)
    int writeErrno_ = 0;           // a write of this entry failed
    bool stopAsked_ = false;       // the progress callback said stop
    bool passwordMissing_ = false; // the library asked for a password we do not have
    bool passwordRefused_ = false; // the library asked again after our answer: it is wrong
    int passwordAnswers_ = 0;      // answers given during the current call
    bool volumeMissing_ = false;
    bool processed_ = false; // the current header went to the library
};

int Pass::callback(unsigned int msg, LibraryParam userData, LibraryParam p1, LibraryParam p2)
{
    return reinterpret_cast<Pass *>(userData)->onMessage(msg, p1, p2);
}

int Pass::onMessage(unsigned int msg, LibraryParam p1, LibraryParam p2)
{
    switch (msg) {
    case UCM_CHANGEVOLUME:
    case UCM_CHANGEVOLUMEW:
        // RAR_VOL_ASK: the next volume is not where the library looked.
        // We never ask the user for a volume: the set is incomplete.
        if (p2 == RAR_VOL_ASK) {
            volumeMissing_ = true;
            return -1;
        }
        return 1;
    case UCM_PROCESSDATA: {
        const auto *data = reinterpret_cast<const unsigned char *>(p1);
        const auto size = static_cast<size_t>(p2);
        if (outputFd_ >= 0 && !base::writeAll(outputFd_, data, size)) {
            writeErrno_ = errno ? errno : EIO;
            return -1;
        }
        report_.bytesDone += size;
        if (progress_ && *progress_ &&
            !(*progress_)(currentEntry_ ? *currentEntry_ : std::string(), report_.bytesDone, total_)) {
            stopAsked_ = true;
            return -1;
        }
        return 1;
    }
    case UCM_NEEDPASSWORDW: {
        // Asked twice within one call: the first answer was refused, and
        // answering again would only loop.
        if (password_.empty() || passwordAnswers_ > 0) {
            if (password_.empty())
                passwordMissing_ = true;
            else
                passwordRefused_ = true;
            return -1;
        }
        auto *buffer = reinterpret_cast<wchar_t *>(p1);
        const auto capacity = static_cast<size_t>(p2);
        if (!buffer || capacity == 0)
            return -1;
        const size_t n = std::min(password_.size(), capacity - 1);
        std::wmemcpy(buffer, password_.data(), n);
        buffer[n] = 0;
        ++passwordAnswers_;
        return 1;
    }
    case UCM_NEEDPASSWORD:
        // Only asked when the wide request got no password: we have none.
        return -1;
    default: return 0;
    }
}

bool Pass::openOnce(const std::string &path, unsigned int &flags)
{
    handle_.reset();
    std::wstring widePath = toWide(path);
    RAROpenArchiveDataEx data{};
    data.ArcNameW = widePath.data();
    // Listing sees every part of a file split over volumes, so that the
    // parts after the first can add their packed bytes and the last its CRC.
    data.OpenMode = mode_ == Mode::List ? RAR_OM_LIST_INCSPLIT : RAR_OM_EXTRACT;
    data.Callback = &Pass::callback;
    data.UserData = reinterpret_cast<LibraryParam>(this);
    passwordAnswers_ = 0;
    ArchiveHandle h = lib_.openArchiveEx(&data);
    flags = data.Flags;
    if (!h || data.OpenResult != ERAR_SUCCESS) {
        if (h)
            lib_.closeArchive(h);
        const int code = data.OpenResult ? static_cast<int>(data.OpenResult) : ERAR_UNKNOWN;
        if (passwordRefused_ || code == ERAR_BAD_PASSWORD)
            fail(RarStatus::WrongPassword, code);
        else if (passwordMissing_ || code == ERAR_MISSING_PASSWORD)
            fail(RarStatus::PasswordNeeded, code);
        else if (volumeMissing_)
            fail(RarStatus::MissingVolume, code);
        else if (code == ERAR_BAD_ARCHIVE || code == ERAR_UNKNOWN_FORMAT)
            fail(RarStatus::NotRar, code);
        else if (code == ERAR_BAD_DATA)
            fail(RarStatus::Damaged, code);
        else
            fail(RarStatus::CannotOpen, code);
        if (report_.status == RarStatus::PasswordNeeded || report_.status == RarStatus::WrongPassword) {
            report_.headersEncrypted = true;
            report_.anyEncrypted = true;
        }
        return false;
    }
    handle_.reset(h);
    // The library takes the callback from the open record, but set it on the
    // handle as well, as its interface documents.
    lib_.setCallback(h, &Pass::callback, reinterpret_cast<LibraryParam>(this));
    if (flags & ROADF_ENCHEADERS) {
        report_.headersEncrypted = true;
        report_.anyEncrypted = true;
    }
    return true;
}

// The first volume of the set `path` belongs to, by the two naming schemes:
// "name.partN.rar" (N with its leading zeros) and "name.rar", "name.r00"...
// Empty when the name follows neither.
std::string firstVolumeName(const std::string &path)
{
    const size_t slash = path.rfind('/');
    const size_t base = slash == std::string::npos ? 0 : slash + 1;
    auto lower = [](std::string s) {
        for (char &c : s)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        return s;
    };
    const std::string name = lower(path.substr(base));
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".rar") == 0) {
        size_t end = name.size() - 4;
        size_t start = end;
        while (start > 0 && name[start - 1] >= '0' && name[start - 1] <= '9')
            --start;
        if (start < end && start >= 5 && name.compare(start - 5, 5, ".part") == 0) {
            std::string digits(end - start, '0');
            digits.back() = '1';
            return path.substr(0, base + start) + digits + path.substr(base + end);
        }
        return {};
    }
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos && name.size() - dot == 4 && (name[dot + 1] == 'r' || name[dot + 1] == 's') &&
        name[dot + 2] >= '0' && name[dot + 2] <= '9' && name[dot + 3] >= '0' && name[dot + 3] <= '9')
        return path.substr(0, base + dot) + (path[base + dot + 1] == 'R' ? ".RAR" : ".rar");
    return {};
}

bool Pass::open(const std::string &path)
{
    unsigned int flags = 0;
    if (!openOnce(path, flags))
        return false;
    path_ = path;
    // A later volume lists only what starts in it: read the set from its
    // first volume.
    if ((flags & ROADF_VOLUME) && !(flags & ROADF_FIRSTVOLUME)) {
        const std::string first = firstVolumeName(path);
        if (!first.empty() && first != path) {
            struct stat st {};
            if (::stat(first.c_str(), &st) != 0) {
                handle_.reset();
                fail(RarStatus::MissingVolume, ERAR_EOPEN);
                return false;
            }
            if (!openOnce(first, flags))
                return false;
            path_ = first;
        }
    }
    return true;
}

bool Pass::reopenPast(size_t count)
{
    unsigned int flags = 0;
    bool ok = openOnce(path_, flags);
    for (size_t i = 0; ok && i < count; ++i)
        ok = readHeader() == ERAR_SUCCESS && skip();
    return ok;
}

int Pass::readHeader()
{
    std::memset(header_.get(), 0, sizeof(RARHeaderDataEx));
    passwordAnswers_ = 0;
    return lib_.readHeaderEx(handle_.get(), header_.get());
}

int Pass::process(int operation)
{
    passwordAnswers_ = 0;
    processed_ = true;
    return lib_.processFileW(handle_.get(), operation, nullptr, nullptr);
}

RarEntryResult Pass::reasonFor(const RarEntry &e, int code) const
{
    if (stopAsked_)
        return RarEntryResult::Stopped;
    if (writeErrno_)
        return RarEntryResult::WriteFailed;
    if (volumeMissing_)
        return RarEntryResult::MissingVolume;
    if (passwordMissing_ || code == ERAR_MISSING_PASSWORD)
        return password_.empty() ? RarEntryResult::PasswordNeeded : RarEntryResult::WrongPassword;
    if (passwordRefused_ || code == ERAR_BAD_PASSWORD)
        return RarEntryResult::WrongPassword;
    return RarEntryResult::Damaged;
}

bool Pass::extractEntry(const RarEntry &e)
{
    std::vector<std::string> parts;
    bool folderName = false;
    if (!base::safeComponents(e.name, parts, folderName)) {
        failEntry(e, RarEntryResult::UnsafeName);
        return false;
    }
    if (!output_->ensure()) {
        failEntry(e, RarEntryResult::WriteFailed, errno);
        return false;
    }
    const bool folder = e.folder || folderName;
    base::FolderError folderError = base::FolderError::None;
    const int dirFd = output_->folderFor(parts, folder ? parts.size() : parts.size() - 1, folderError);
    if (dirFd < 0) {
        failEntry(e,
                  folderError == base::FolderError::Unsafe ? RarEntryResult::UnsafeTarget : RarEntryResult::WriteFailed,
                  errno);
        return false;
    }
    if (folder) {
        ++report_.foldersCreated;
        return true;
    }

    const std::string &leaf = parts.back();
    struct stat st {};
    const bool nameTaken = ::fstatat(dirFd, leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
    if (nameTaken) {
        if (S_ISDIR(st.st_mode)) {
            failEntry(e, RarEntryResult::WriteFailed, EISDIR);
            return false;
        }
        if (S_ISREG(st.st_mode) && (st.st_mode & 0222) == 0) {
            failEntry(e, RarEntryResult::ReadOnlyTarget, EACCES);
            return false;
        }
    }
    // Written without a name and linked in once the library has checked the
    // data, so a kill or a damaged entry leaves nothing under the name and
    // an existing file is replaced only by a whole one.
    std::string folderPath = output_->path().empty() ? std::string(".") : output_->path();
    for (size_t i = 0; i + 1 < parts.size(); ++i)
        folderPath += "/" + parts[i];
    base::WholeFile out;
    if (!out.begin(dirFd, folderPath, leaf, 0600, nameTaken)) {
        failEntry(e, RarEntryResult::WriteFailed, errno);
        return false;
    }
    auto discard = [&](RarEntryResult reason, int sysErrno, int code) {
        out.discard();
        failEntry(e, reason, sysErrno, code);
        return false;
    };

    outputFd_ = out.fd();
    const int code = process(RAR_TEST);
    outputFd_ = -1;
    if (code != ERAR_SUCCESS || stopAsked_ || writeErrno_) {
        const RarEntryResult reason = reasonFor(e, code);
        return discard(reason, reason == RarEntryResult::WriteFailed ? writeErrno_ : 0, code);
    }
    const struct timespec mtime = modificationTimeOf(*header_);
    const struct timespec times[2] = {{0, UTIME_OMIT}, mtime};
    ::fchmod(out.fd(), modeOf(e));
    ::futimens(out.fd(), times);
    if (!out.commit())
        return discard(RarEntryResult::WriteFailed, errno, 0);
    ++report_.filesWritten;
    return true;
}

bool Pass::handleEntry(const RarEntry &e)
{
    currentEntry_ = &e.name;
    processed_ = false;
    writeErrno_ = 0;
    stopAsked_ = false;
    passwordMissing_ = false;
    passwordRefused_ = false;
    volumeMissing_ = false;

    const bool wanted = mode_ != Mode::List && (onlyNames_.empty() || onlyNames_.count(e.name) > 0);
    if (!wanted || (mode_ == Mode::Test && (e.folder || e.link))) {
        skip();
        return true;
    }
    if (e.link) {
        // Links are never made: one planted by an archive could later send
        // another entry, or the user, outside the destination.
        failEntry(e, RarEntryResult::LinkRefused);
        skip();
        return false;
    }
    // Without a password an encrypted entry cannot be read: say so without
    // asking the library, which would refuse to read on after it.
    if (e.encrypted && password_.empty() && !e.folder) {
        failEntry(e, RarEntryResult::PasswordNeeded, 0, ERAR_MISSING_PASSWORD);
        skip();
        return false;
    }
    bool ok;
    if (mode_ == Mode::Extract) {
        ok = extractEntry(e);
        if (!processed_)
            skip(); // refused, or a folder: the library has nothing to do
    } else {
        const int code = process(RAR_TEST);
        ok = code == ERAR_SUCCESS && !stopAsked_;
        if (!ok)
            failEntry(e, reasonFor(e, code), 0, code);
    }
    if (ok)
        ++report_.entriesDone;
    currentEntry_ = nullptr;
    return ok;
}

void Pass::run(const std::string &path)
{
    report_.status = RarStatus::Ok;
    if (!open(path))
        return;
    size_t handled = 0;
    size_t reopenedAt = SIZE_MAX;
    RarEntryResult lastFailure = RarEntryResult::Ok;
    for (;;) {
        volumeMissing_ = false;
        passwordMissing_ = false;
        passwordRefused_ = false;
        const int code = readHeader();
        const bool lostPlace = code != ERAR_SUCCESS &&
                               (expectedEntries_ == SIZE_MAX ? code != ERAR_END_ARCHIVE : handled < expectedEntries_);
        if (lostPlace && lastFailure != RarEntryResult::Ok && !volumeMissing_ && reopenedAt != handled) {
            // After refusing an entry the library may read its data as the
            // next header: a false end of the archive, or a damaged header.
            // The listing knows better; start again past what is done.
            reopenedAt = handled;
            if (reopenPast(handled))
                continue;
            if (report_.status != RarStatus::Ok)
                return;
        }
        if (code == ERAR_END_ARCHIVE && !lostPlace)
            break;
        if (code != ERAR_SUCCESS) {
            if (volumeMissing_ || code == ERAR_EOPEN || lastFailure == RarEntryResult::MissingVolume)
                fail(RarStatus::MissingVolume, code);
            else if (passwordRefused_ || code == ERAR_BAD_PASSWORD || lastFailure == RarEntryResult::WrongPassword)
                fail(RarStatus::WrongPassword, code);
            else if (passwordMissing_ || code == ERAR_MISSING_PASSWORD || lastFailure == RarEntryResult::PasswordNeeded)
                fail(RarStatus::PasswordNeeded, code);
            else
                fail(RarStatus::Damaged, code);
            return;
        }
        if (mode_ == Mode::List && (header_->Flags & RHDF_SPLITBEFORE) && !report_.entries.empty()) {
            // A later part of the file listed last: one entry for the whole
            // file, whose CRC only the last part holds (the others hold the
            // CRC of their own packed bytes).
            RarEntry &whole = report_.entries.back();
            const RarEntry part = entryOf(*header_);
            whole.packedSize += part.packedSize;
            whole.crc = (header_->Flags & RHDF_SPLITAFTER) ? 0 : part.crc;
            if (!skip())
                fail(RarStatus::Damaged, 0);
            if (report_.status != RarStatus::Ok)
                return;
            continue;
        }
        RarEntry e = entryOf(*header_);
        if (header_->Flags & RHDF_SPLITAFTER)
            e.crc = 0; // known from the last part
        report_.entries.push_back(e);
        report_.anyEncrypted = report_.anyEncrypted || e.encrypted;
        ++handled;
        const size_t failuresBefore = report_.failures.size();
        handleEntry(e);
        // Only a failure the library itself met can cost it its place.
        lastFailure = report_.failures.size() > failuresBefore && processed_ ? report_.failures.back().reason
                                                                             : RarEntryResult::Ok;
        if (stopAsked_) {
            report_.stopped = true;
            fail(RarStatus::Stopped, 0);
            return;
        }
    }
    if (!report_.failures.empty())
        report_.status = RarStatus::EntriesFailed;
}

// What a test or an extraction will go through, read from the headers
// alone: how many entries there are, and the unpacked bytes to process (for
// progress). Nothing known when the headers cannot be read.
struct Plan {
    size_t entries = SIZE_MAX;
    uint64_t bytes = 0;
};

Plan planOf(UnrarLibrary &lib, const std::string &path, const std::string &password,
            const std::vector<std::string> &onlyNames)
{
    RarReport listing;
    Pass pass(lib, Mode::List, password, nullptr, listing);
    pass.run(path);
    Plan plan;
    if (listing.status != RarStatus::Ok)
        return plan;
    std::set<std::string> only(onlyNames.begin(), onlyNames.end());
    plan.entries = listing.entries.size();
    for (const RarEntry &e : listing.entries)
        if (!e.folder && !e.link && (only.empty() || only.count(e.name)))
            plan.bytes += e.size;
    return plan;
}

RarReport libraryMissing()
{
    RarReport r;
    r.status = RarStatus::LibraryMissing;
    return r;
}

} // namespace

RarReport listRar(const std::string &path, const std::string &password)
{
    auto lib = UnrarLibrary::load();
    if (!lib)
        return libraryMissing();
    RarReport report;
    Pass pass(*lib, Mode::List, password, nullptr, report);
    pass.run(path);
    return report;
}

RarReport testRar(const std::string &path, const std::string &password, const RarProgress &progress)
{
    auto lib = UnrarLibrary::load();
    if (!lib)
        return libraryMissing();
    RarReport report;
    Pass pass(*lib, Mode::Test, password, &progress, report);
    const Plan plan = planOf(*lib, path, password, {});
    pass.setPlan(plan.bytes, plan.entries);
    pass.run(path);
    return report;
}

RarReport extractRar(const RarExtractRequest &request, const RarProgress &progress)
{
    auto lib = UnrarLibrary::load();
    if (!lib)
        return libraryMissing();
    RarReport report;
    Pass pass(*lib, Mode::Extract, request.password, &progress, report);
    pass.setOnlyNames(request.onlyNames);
    pass.setDestination(request.destination);
    const Plan plan = planOf(*lib, request.archivePath, request.password, request.onlyNames);
    pass.setPlan(plan.bytes, plan.entries);
    pass.run(request.archivePath);
    return report;
}

} // namespace zarvon::rar
