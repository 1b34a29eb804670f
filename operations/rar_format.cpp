// The RAR format, through the UnRAR binding.
#include "rar/rar.h"

#include <cerrno>
#include <cstdio>

#include "operations/archive_format.h"

namespace zarvon::operations {

namespace {

Reason reasonOf(rar::RarEntryResult result)
{
    using R = rar::RarEntryResult;
    switch (result) {
    case R::Ok: return Reason::None;
    case R::UnsafeName: return Reason::UnsafeName;
    case R::UnsafeTarget: return Reason::UnsafeName;
    case R::LinkRefused: return Reason::LinkRefused;
    case R::PasswordNeeded: return Reason::PasswordNeeded;
    case R::WrongPassword: return Reason::WrongPassword;
    case R::Damaged: return Reason::Damaged;
    case R::MissingVolume: return Reason::MissingVolume;
    case R::WriteFailed: return Reason::WriteFailed;
    case R::ReadOnlyTarget: return Reason::ReadOnlyTarget;
    case R::Stopped: return Reason::Stopped;
    }
    return Reason::Damaged;
}

// The archive-level failure of a pass that did not reach the entries.
Failure passFailure(const std::string &path, const rar::RarReport &report)
{
    Failure failure;
    failure.code = report.libraryCode;
    using S = rar::RarStatus;
    switch (report.status) {
    case S::LibraryMissing: failure.reason = Reason::LibraryMissing; break;
    case S::NotRar: failure.reason = Reason::NotAnArchive; break;
    case S::PasswordNeeded: failure.reason = Reason::PasswordNeeded; break;
    case S::WrongPassword: failure.reason = Reason::WrongPassword; break;
    case S::MissingVolume: failure.reason = Reason::MissingVolume; break;
    case S::Stopped: failure.reason = Reason::Stopped; break;
    case S::CannotOpen:
        failure.reason = Reason::CannotOpen;
        failure.sysErrno = failureToOpen(path).sysErrno;
        break;
    default: failure.reason = Reason::Damaged; break;
    }
    return failure;
}

// A pass that reached the entries: Ok, EntriesFailed or Stopped; Damaged
// and MissingVolume may end a pass midway, after some entries.
bool reachedEntries(const rar::RarReport &report)
{
    using S = rar::RarStatus;
    return report.status == S::Ok || report.status == S::EntriesFailed || report.status == S::Stopped ||
           ((report.status == S::Damaged || report.status == S::MissingVolume) && !report.entries.empty());
}

ArchiveEntry entryOf(const rar::RarEntry &e)
{
    ArchiveEntry entry;
    entry.name = e.folder && (e.name.empty() || e.name.back() != '/') ? e.name + "/" : e.name;
    entry.folder = e.folder;
    entry.encrypted = e.encrypted;
    entry.link = e.link;
    entry.size = e.size;
    entry.packedSize = e.packedSize;
    entry.crc = e.crc;
    entry.dosDate = e.dosTime;
    entry.modifiedKnown = e.hasModificationTime;
    entry.modifiedTime = e.modificationTime;
    entry.modifiedNanoseconds = e.modificationNanoseconds;
    entry.method = int32_t(e.method);
    // RAR numbers its methods from '0' (stored) to '5' (best).
    entry.methodName = e.method == 0x30                      ? "Stored"
                       : e.method > 0x30 && e.method <= 0x35 ? "RAR " + std::to_string(e.method - 0x30)
                                                             : "Method " + std::to_string(e.method);
    if (e.hostOs == 3)
        entry.unixMode = e.attributes & 0777;
    return entry;
}

// Folder entries are listed with a final "/"; the binding names them without.
std::string bindingName(const std::string &listed)
{
    return !listed.empty() && listed.back() == '/' ? listed.substr(0, listed.size() - 1) : listed;
}

std::vector<Failure> failuresOf(const rar::RarReport &report)
{
    std::vector<Failure> failures;
    for (const auto &f : report.failures)
        failures.push_back({f.name, reasonOf(f.reason), f.sysErrno, f.libraryCode});
    return failures;
}

rar::RarProgress progressOf(JobProgress &progress, bool &stopAsked)
{
    return [&progress, &stopAsked](const std::string &entry, uint64_t done, uint64_t total) {
        ProgressStep step;
        step.kind = ProgressStep::ItemProgress;
        step.name = entry;
        step.percent = total > 0 ? float(double(done) * 100.0 / double(total)) : 0.0f;
        if (progress.report(step))
            stopAsked = true;
        return !stopAsked;
    };
}

class RarFormat final : public ArchiveFormat {
public:
    const char *name() const override { return "RAR"; }

    FormatCapabilities capabilities() const override { return {false, true, true, true, true}; }

    ListReport list(const std::string &archivePath, const std::string &password) const override
    {
        ListReport report;
        const rar::RarReport listed = rar::listRar(archivePath, password);
        if (listed.status != rar::RarStatus::Ok) {
            report.failure = passFailure(archivePath, listed);
            return report;
        }
        report.opened = true;
        for (const auto &e : listed.entries)
            report.entries.push_back(entryOf(e));
        return report;
    }

    ExtractReport extract(const ExtractRequest &request, JobProgress &progress) const override
    {
        ExtractReport report;
        rar::RarExtractRequest pass{request.archivePath, request.destination, request.password, {}};
        for (const auto &name : request.entryNames)
            pass.onlyNames.push_back(bindingName(name));
        bool stopAsked = false;
        const rar::RarReport done = rar::extractRar(pass, progressOf(progress, stopAsked));
        if (!reachedEntries(done)) {
            report.failure = passFailure(request.archivePath, done);
            return report;
        }
        report.opened = true;
        report.stopped = done.stopped || stopAsked || done.status == rar::RarStatus::Stopped;
        report.filesWritten = done.filesWritten;
        report.entriesDone = done.entriesDone;
        report.failures = failuresOf(done);
        // A pass cut short by damaged headers or a missing volume names the
        // archive as a whole, so the entries it never reached are not
        // passed over in silence.
        if (done.status == rar::RarStatus::Damaged || done.status == rar::RarStatus::MissingVolume)
            report.failures.push_back(passFailure(request.archivePath, done));
        return report;
    }

    TestReport test(const TestRequest &request, JobProgress &progress) const override
    {
        TestReport report;
        bool stopAsked = false;
        const rar::RarReport done =
            rar::testRar(request.archivePath, request.password, progressOf(progress, stopAsked));
        if (!reachedEntries(done)) {
            report.failure = passFailure(request.archivePath, done);
            return report;
        }
        report.readable = true;
        report.stopped = done.stopped || stopAsked || done.status == rar::RarStatus::Stopped;
        report.entries = int32_t(done.entries.size());
        for (const auto &f : done.failures) {
            if (f.reason == rar::RarEntryResult::PasswordNeeded) {
                ++report.entriesNotChecked;
                report.notChecked.push_back(f.name);
                continue;
            }
            ++report.entriesFailed;
            report.failures.push_back({f.name, reasonOf(f.reason), f.sysErrno, f.libraryCode});
            if (report.firstFailure.reason == Reason::None)
                report.firstFailure = report.failures.back();
        }
        report.entriesChecked = done.entriesDone + report.entriesFailed;
        if (done.status == rar::RarStatus::Damaged || done.status == rar::RarStatus::MissingVolume) {
            ++report.entriesFailed;
            report.failures.push_back(passFailure(request.archivePath, done));
            if (report.firstFailure.reason == Reason::None)
                report.firstFailure = report.failures.back();
        }
        return report;
    }
};

} // namespace

bool rarLibraryAvailable() { return rar::unrarLibraryAvailable(); }

const ArchiveFormat &rarFormat()
{
    static const RarFormat format;
    return format;
}

} // namespace zarvon::operations
