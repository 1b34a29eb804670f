#include "operations/jobs.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <set>
#include <system_error>

#include "base/case_fold.h"
#include "base/disk_space.h"
#include "base/paths.h"
#include "base/safe_output.h"
#include "engine/engine.h"
#include "operations/engine_session.h"
#include "operations/libarchive_format.h"

namespace zarvon::operations {

namespace fs = std::filesystem;

// Records

bool ListReport::anyEncrypted() const
{
    return std::any_of(entries.begin(), entries.end(), [](const ArchiveEntry &e) { return e.encrypted; });
}

int32_t ExtractReport::passwordFailures() const
{
    return int32_t(std::count_if(failures.begin(), failures.end(), [](const Failure &f) {
        return f.reason == Reason::WrongPassword || f.reason == Reason::PasswordNeeded ||
               f.reason == Reason::PasswordOrDamage;
    }));
}

bool ExtractReport::anyWrongPassword() const
{
    return std::any_of(failures.begin(), failures.end(),
                       [](const Failure &f) { return f.reason == Reason::WrongPassword; });
}

Failure failureToOpen(const std::string &path)
{
    Failure failure;
    errno = 0;
    if (FILE *f = std::fopen(path.c_str(), "rb")) {
        std::fclose(f);
        failure.reason = Reason::NotAnArchive;
    } else {
        failure.reason = Reason::CannotOpen;
        failure.sysErrno = errno;
    }
    return failure;
}

// Formats

namespace {

std::string lowerExtension(const std::string &path) { return base::lowerAscii(base::pathExtension(path)); }

} // namespace

const ArchiveFormat *formatOf(const std::string &path)
{
    unsigned char head[512] = {};
    std::size_t got = 0;
    if (FILE *f = std::fopen(path.c_str(), "rb")) {
        got = std::fread(head, 1, sizeof head, f);
        std::fclose(f);
    }
    if (got >= 4 && head[0] == 'P' && head[1] == 'K' && head[2] < 9 && head[3] < 9)
        return &zipFormat();
    if (got >= 4 && std::memcmp(head, "Rar!", 4) == 0)
        return &rarFormat();
    LibarchiveKind kind{};
    if (got > 0 && libarchiveKindByContent(path, head, got, kind))
        return &libarchiveFormat(kind);
    const std::string extension = lowerExtension(path);
    if (extension == "zip")
        return &zipFormat();
    if (extension == "rar")
        return &rarFormat();
    if (libarchiveKindByName(path, kind))
        return &libarchiveFormat(kind);
    return nullptr;
}

// Reading

ListReport listArchiveEntries(const std::string &path, const std::string &password)
{
    const ArchiveFormat *format = formatOf(path);
    if (!format) {
        ListReport report;
        report.failure = failureToOpen(path);
        return report;
    }
    return format->list(path, password);
}

namespace {

// The file an entry would replace at its place under destination; "" when
// nothing but a folder (or nothing) is there.
std::string existingFileFor(const std::string &destination, const ArchiveEntry &entry)
{
    std::vector<std::string> parts;
    bool folder = false;
    if (entry.folder || !base::safeComponents(entry.name, parts, folder) || folder || parts.empty())
        return {};
    std::string path = base::withTrailingSlash(destination);
    for (std::size_t i = 0; i < parts.size(); ++i)
        path += (i ? "/" : "") + parts[i];
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode) ? path : std::string();
}

// The request without the entries whose existing files are kept, as the
// policy or the user says; the kept ones go to report.skipped. False when
// the user stopped.
bool settleOverwrites(const ListReport &listed, ExtractRequest &request, JobProgress &progress, ExtractReport &report)
{
    const std::set<std::string> wanted(request.entryNames.begin(), request.entryNames.end());
    std::vector<std::string> toExtract; // written, over an existing file or not
    bool replaceAll = request.overwrite == Overwrite::Replace, skipAll = request.overwrite == Overwrite::Skip;
    for (const ArchiveEntry &entry : listed.entries) {
        if (!wanted.empty() && !wanted.count(entry.name))
            continue;
        const std::string existing = replaceAll ? std::string() : existingFileFor(request.destination, entry);
        bool replace = existing.empty() || replaceAll;
        if (!replace && !skipAll) {
            switch (progress.askOverwrite(existing)) {
            case OverwriteAnswer::Replace: replace = true; break;
            case OverwriteAnswer::ReplaceAll: replace = replaceAll = true; break;
            case OverwriteAnswer::Skip: break;
            case OverwriteAnswer::SkipAll: skipAll = true; break;
            case OverwriteAnswer::Stop: return false;
            }
        }
        if (replace)
            toExtract.push_back(entry.name);
        else
            report.skipped.push_back(entry.name);
    }
    if (!report.skipped.empty())
        request.entryNames = std::move(toExtract);
    return true;
}

// Removes the folders an extraction made under a destination that did not
// exist before it, when it wrote nothing there: a wrong password or a
// damaged archive must not leave an empty tree behind. Only empty folders
// go, deepest first.
void removeEmptyFoldersMadeFor(const std::string &destination)
{
    std::error_code error;
    std::vector<fs::path> folders{fs::path(destination)};
    for (auto it = fs::recursive_directory_iterator(destination, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        if (!it->is_directory(error) || it->is_symlink(error))
            return; // a file is there: the extraction wrote something
        folders.push_back(it->path());
    }
    for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder)
        fs::remove(*folder, error); // fails, harmlessly, on a folder not empty
}

// Gives the folders the extraction wrote the dates and permissions stored
// for them. Done last, because writing a file into a folder changes the
// folder's date, and a folder stored read-only could not have taken its
// files. The owner always keeps the right to open, fill and empty what was
// extracted. The folders are reached as the entries were, never through a
// link.
void restoreFolders(const ListReport &listed, const ExtractRequest &request, const ExtractReport &report)
{
    if (!report.opened || report.stopped || report.entriesDone == 0)
        return;
    const std::set<std::string> wanted(request.entryNames.begin(), request.entryNames.end());
    std::set<std::string> failed;
    for (const Failure &failure : report.failures)
        failed.insert(failure.name);
    base::OutputFolder output(request.destination);
    bool opened = false;
    for (const ArchiveEntry &entry : listed.entries) {
        if (!entry.folder || failed.count(entry.name) ||
            (!wanted.empty() && !wanted.count(entry.name)))
            continue;
        // The time the format restores for its files, to the second or
        // finer where the archive keeps it.
        const struct timespec when = entry.modifiedKnown
                                         ? timespec{time_t(entry.modifiedTime), long(entry.modifiedNanoseconds)}
                                         : timespec{0, UTIME_OMIT};
        std::vector<std::string> parts;
        bool isFolder = false;
        if ((!entry.modifiedKnown && entry.unixMode == 0) || !base::safeComponents(entry.name, parts, isFolder))
            continue;
        if (!opened && !(opened = output.ensure()))
            return;
        base::FolderError error = base::FolderError::None;
        const int fd = output.folderFor(parts, parts.size(), error);
        if (fd < 0)
            continue;
        if (entry.unixMode != 0)
            ::fchmod(fd, static_cast<mode_t>((entry.unixMode & 0777) | 0700));
        const struct timespec times[2] = {{0, UTIME_OMIT}, when};
        ::futimens(fd, times);
    }
}

// The declared bytes of the files the request will write.
uint64_t declaredBytes(const ListReport &listed, const ExtractRequest &request)
{
    const std::set<std::string> wanted(request.entryNames.begin(), request.entryNames.end());
    uint64_t total = 0;
    for (const ArchiveEntry &entry : listed.entries)
        if (!entry.folder && (wanted.empty() || wanted.count(entry.name)))
            total += entry.size;
    return total;
}

} // namespace

ExtractReport extractArchive(const ExtractRequest &request, JobProgress &progress)
{
    const ArchiveFormat *format = formatOf(request.archivePath);
    if (!format) {
        ExtractReport report;
        report.failure = failureToOpen(request.archivePath);
        return report;
    }
    struct stat before {};
    const bool destinationExisted = ::stat(request.destination.c_str(), &before) == 0;
    if (format->capabilities().onePass) {
        ExtractReport report = format->extract(request, progress);
        if (!destinationExisted && report.filesWritten == 0 && report.entriesDone == 0)
            removeEmptyFoldersMadeFor(request.destination);
        return report;
    }
    const ListReport listed = format->list(request.archivePath, request.password);
    if (!listed.opened)
        return format->extract(request, progress); // which says why
    ExtractRequest settled = request;
    ExtractReport decided;
    if (request.overwrite != Overwrite::Replace && !settleOverwrites(listed, settled, progress, decided)) {
        decided.opened = true;
        decided.stopped = true;
        return decided;
    }
    if (!decided.skipped.empty() && settled.entryNames.empty()) {
        decided.opened = true; // every file was kept: nothing left to write
        return decided;
    }
    // An archive declaring more than the disk holds (a bomb, or just too
    // big) is refused before anything is written, rather than filling the
    // disk and failing half-way.
    uint64_t available = 0;
    const uint64_t needed = declaredBytes(listed, settled);
    if (base::freeSpaceAt(request.destination, available) && needed > available) {
        decided.failure = {std::string(), Reason::NotEnoughSpace, ENOSPC, 0};
        decided.spaceNeeded = needed;
        decided.spaceAvailable = available;
        return decided;
    }
    ExtractReport report = format->extract(settled, progress);
    report.skipped = std::move(decided.skipped);
    restoreFolders(listed, settled, report);
    if (!destinationExisted && report.filesWritten == 0 && report.entriesDone == 0)
        removeEmptyFoldersMadeFor(request.destination);
    return report;
}

TestReport testArchiveFile(const TestRequest &request, JobProgress &progress)
{
    const ArchiveFormat *format = formatOf(request.archivePath);
    if (!format) {
        TestReport report;
        report.failure = failureToOpen(request.archivePath);
        return report;
    }
    return format->test(request, progress);
}

Protection archiveProtection(const std::string &path)
{
    const ListReport list = listArchiveEntries(path);
    if (!list.opened || list.entries.empty())
        return Protection::Unknown;
    return list.anyEncrypted() ? Protection::Encrypted : Protection::None;
}

// Creating

namespace {

// Entries of a folder in name order, so that archives come out the same on
// every run. `readable` becomes false when the folder cannot be listed whole
// (gone, or no permission), with the system's reason in `systemError`.
std::vector<fs::directory_entry> folderEntries(const fs::path &folder, bool *readable = nullptr,
                                               int *systemError = nullptr)
{
    std::vector<fs::directory_entry> entries;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        entries.push_back(*it);
    if (readable)
        *readable = !error;
    if (systemError)
        *systemError = error.value();
    std::sort(entries.begin(), entries.end(),
              [](const auto &a, const auto &b) { return a.path().filename() < b.path().filename(); });
    return entries;
}

bool isRealFolder(const fs::directory_entry &entry)
{
    std::error_code error;
    return entry.is_directory(error) && !entry.is_symlink(error);
}

bool isRegularFile(const fs::directory_entry &entry)
{
    std::error_code error;
    return entry.is_regular_file(error);
}

// A path that names a regular file now, never throwing: a folder on the way
// that cannot be searched is an answer (false, with errno), not a crash.
bool isRegularFileAt(const std::string &path, int &systemError)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        systemError = errno;
        return false;
    }
    systemError = 0;
    return S_ISREG(st.st_mode);
}

// What a chosen folder holds, walked once: the files it and its folders hold,
// sorted by name, and the folders that could not be listed (their path
// ending in "/"), in the order they are met. The count, the compressors'
// plan and the adding all read this one walk.
struct FolderContent {
    struct Step {
        std::string path;
        bool unreadable = false;
        int systemError = 0;
    };
    std::vector<Step> steps;
    int64_t files = 0;
};

void walkFolder(const fs::path &folder, FolderContent &content)
{
    bool readable = true;
    int systemError = 0;
    const auto entries = folderEntries(folder, &readable, &systemError);
    if (!readable)
        content.steps.push_back({folder.string() + "/", true, systemError});
    for (const auto &entry : entries) {
        if (isRealFolder(entry)) {
            walkFolder(entry.path(), content);
        } else if (isRegularFile(entry)) {
            // Sockets, pipes and devices are not files to archive: reading a
            // pipe would wait for ever.
            content.steps.push_back({entry.path().string()});
            ++content.files;
        }
    }
}

// The folder that the names of a chosen folder's files start below: its
// parent for FromParent, "" (the path as given) otherwise.
std::string nameBase(const CompressRequest &request, const CompressRequest::Item &item)
{
    if (request.folderNames != CompressRequest::FolderNames::FromParent)
        return {};
    std::string folder = item.path;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    const auto slash = folder.rfind('/');
    return slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
}

// The stored name of `path` under `base` ("" keeps addFile's full-path name).
std::string nameBelow(const std::string &path, const std::string &base)
{
    if (base.empty() || path.compare(0, base.size(), base) != 0)
        return {};
    return path.substr(base.size());
}

struct Run {
    const CompressRequest &request;
    EngineSession &session;
    CompressReport &report;
    int64_t done = 0;
    bool stopped = false;
    bool writeFailed = false;
    int32_t writeResult = 0;
    int writeErrno = 0;

    bool itemDone(const std::string &path)
    {
        ++done;
        return !session.report({ProgressStep::ItemDone, path, 100, done, report.total});
    }

    // Adds one file, under `storedName` when one is given; false when the
    // run must end.
    bool add(const std::string &path, int32_t keepFullPath, const std::string &storedName = {})
    {
        if (session.report({ProgressStep::ItemStarted, path, 0, done, report.total})) {
            stopped = true;
            return false;
        }
        errno = 0;
        const int32_t result =
            storedName.empty() ? engine::addFile(path, keepFullPath) : engine::addFileAs(path, storedName);
        const int systemError = errno;
        if (result == engine::kResultStopped || session.stopAsked()) {
            stopped = true;
            return false;
        }
        if (result == 0) {
            ++report.filesAdded;
        } else if (result == engine::kErrGeneral) {
            // The file could not be opened (no entry was begun), or failed
            // once begun, which spoils the archive: closeArchives says which.
            report.unreadable.push_back({path, Reason::CannotRead, systemError, result});
        } else if (result != engine::kAddSkippedSelf) {
            writeFailed = true;
            writeResult = result;
            writeErrno = systemError;
            return false;
        }
        if (!itemDone(path)) {
            stopped = true;
            return false;
        }
        return true;
    }

    // Adds what one chosen folder holds, in the order it was walked.
    bool addFolder(const FolderContent &content, const std::string &base)
    {
        for (const FolderContent::Step &step : content.steps) {
            if (step.unreadable) {
                // A folder that cannot be listed is named with the files not
                // added, so its absence from the archive is never a surprise.
                report.unreadable.push_back({step.path, Reason::CannotRead, step.systemError, 0});
            } else if (!add(step.path, 1, nameBelow(step.path, base))) {
                return false;
            }
        }
        return true;
    }
};

} // namespace

int32_t countFilesInFolder(const std::string &folder)
{
    FolderContent content;
    walkFolder(folder, content);
    return static_cast<int32_t>(content.files);
}

const ArchiveFormat *formatCreatedFor(const std::string &archivePath)
{
    switch (createdKindOf(archivePath)) {
    case CreatedKind::None: return lowerExtension(archivePath) == "zip" ? &zipFormat() : nullptr;
    case CreatedKind::SevenZip: return &libarchiveFormat(LibarchiveKind::SevenZip);
    default: return &libarchiveFormat(LibarchiveKind::Tar);
    }
}

CompressReport compressFiles(const CompressRequest &request, JobProgress &progress)
{
    if (const CreatedKind kind = createdKindOf(request.archivePath); kind != CreatedKind::None)
        return compressWithLibarchive(request, kind, progress);
    CompressReport report;
    if (request.archivePath.empty()) {
        report.failure.reason = Reason::CannotCreate;
        return report;
    }
    if (request.items.empty()) {
        report.failure.reason = Reason::NoItems;
        return report;
    }
    // The archive would replace a file chosen to go into it, and could not
    // hold that file (an archive never swallows itself): the file would be
    // lost.
    for (const auto &item : request.items) {
        std::error_code error;
        if (!item.folder && fs::equivalent(item.path, request.archivePath, error)) {
            report.failure = {request.archivePath, Reason::ArchiveIsSource, 0, 0};
            return report;
        }
    }
    std::vector<FolderContent> contents(request.items.size());
    for (std::size_t i = 0; i < request.items.size(); ++i) {
        if (request.items[i].folder)
            walkFolder(request.items[i].path, contents[i]);
        report.total += request.items[i].folder ? contents[i].files : 1;
    }

    EngineSession session(progress, request.password);
    engine::setCompressionMethod(request.method);
    errno = 0;
    if (engine::createArchive(request.archivePath, 0) == 0) {
        report.outcome = CompressReport::Outcome::Failed;
        report.failure = {request.archivePath, Reason::CannotCreate, errno, engine::kErrGeneral};
        return report;
    }
    // createArchive keeps the password and method set before it.
    engine::setPassword(request.password);
    engine::setCompressionMethod(request.method);
    engine::setEncryption(request.encryption == CompressRequest::Encryption::Aes256 ? engine::Encryption::Aes256
                                                                                    : engine::Encryption::ZipCrypto);
    engine::setThreadCount(request.threads);
    // The files in the order they will be added, so that the engine
    // compresses ahead of the files being written.
    std::vector<engine::PlannedAddition> plan;
    plan.reserve(std::size_t(report.total));
    for (std::size_t i = 0; i < request.items.size(); ++i) {
        if (!request.items[i].folder)
            plan.push_back({request.items[i].path, 0, {}});
        const std::string base = nameBase(request, request.items[i]);
        for (const FolderContent::Step &step : contents[i].steps)
            if (!step.unreadable)
                plan.push_back({step.path, 1, nameBelow(step.path, base)});
    }
    engine::planAdditions(plan);

    Run run{request, session, report};
    for (std::size_t i = 0; i < request.items.size(); ++i) {
        const auto &item = request.items[i];
        bool goOn = true;
        int systemError = 0;
        if (item.folder) {
            goOn = run.addFolder(contents[i], nameBase(request, item));
        } else if (!isRegularFileAt(item.path, systemError)) {
            // Gone since it was chosen, behind a folder that cannot be
            // searched, or a pipe or device whose reading would never end.
            report.unreadable.push_back({item.path, Reason::CannotRead, systemError, 0});
            goOn = run.itemDone(item.path);
            if (!goOn)
                run.stopped = true;
        } else {
            goOn = run.add(item.path, 0);
        }
        if (!goOn)
            break;
    }
    // A stop asked between two files never reached the engine: abandoning
    // the archive is what keeps an earlier file of that name untouched.
    if (run.stopped) {
        engine::initEngine();
        report.outcome = CompressReport::Outcome::Cancelled;
        report.failure.reason = Reason::Stopped;
        return report;
    }
    errno = 0;
    const int32_t closed = engine::closeArchives();
    const int closeErrno = errno;

    if (closed == engine::kResultStopped) {
        report.outcome = CompressReport::Outcome::Cancelled;
        report.failure.reason = Reason::Stopped;
    } else if (run.writeFailed || closed != 0) {
        report.outcome = CompressReport::Outcome::Failed;
        const int32_t code = run.writeFailed ? run.writeResult : closed;
        report.failure = {request.archivePath, Reason::WriteFailed, run.writeFailed ? run.writeErrno : closeErrno,
                          code};
    } else {
        report.outcome = CompressReport::Outcome::Written;
    }
    return report;
}

} // namespace zarvon::operations
