// The ZIP format, through the engine.
#include <cerrno>
#include <set>

#include "engine/engine.h"
#include "operations/archive_format.h"
#include "operations/engine_session.h"

namespace zarvon::operations {

namespace {

Failure openFailure(const std::string &path)
{
    Failure failure = failureToOpen(path);
    failure.code = engine::kErrGeneral;
    return failure;
}

// The methods of the ZIP application note that archives are met with.
std::string zipMethodName(uint32_t method)
{
    switch (method) {
    case 0: return "Stored";
    case 8: return "Deflate";
    case 9: return "Deflate64";
    case 12: return "BZip2";
    case 14: return "LZMA";
    case 93: return "Zstandard";
    case 95: return "XZ";
    case 99: return "AES";
    default: return "Method " + std::to_string(method);
    }
}

ArchiveEntry entryOf(const engine::EntryInfo &info)
{
    ArchiveEntry entry;
    entry.name = info.fileName;
    entry.folder = info.isFolder();
    entry.encrypted = info.isEncrypted();
    entry.size = info.uncompressedSize;
    entry.packedSize = info.compressedSize;
    entry.crc = info.crc;
    entry.dosDate = info.dosDate;
    entry.modifiedKnown = info.timeSource != engine::TimeSource::None;
    entry.modifiedTime = info.modifiedTime;
    entry.method = int32_t(info.compressionMethod);
    entry.methodName = zipMethodName(info.compressionMethod);
    if (info.compressionMethod == 99) {
        // AES hides the real method in its own field: list that one.
        entry.encrypted = true;
        entry.encryptionName = info.aesKeyBits ? "AES-" + std::to_string(info.aesKeyBits) : "AES";
        if (info.aesKeyBits) {
            entry.method = int32_t(info.aesMethod);
            entry.methodName = zipMethodName(info.aesMethod);
        }
    } else if (entry.encrypted) {
        entry.encryptionName = "ZIP 2.0";
    }
    // A Unix symbolic link keeps its type in the high bits of the external
    // attributes; it is extracted as a plain file holding the target's name.
    entry.link = (info.version >> 8) == 3 && ((info.externalAttributes >> 16) & 0170000) == 0120000;
    if ((info.version >> 8) == 3)
        entry.unixMode = (info.externalAttributes >> 16) & 0777;
    return entry;
}

std::string lastComponent(const std::string &name)
{
    const std::size_t end = name.size() > 1 ? name.size() - 2 : 0;
    const std::size_t slash = name.find_last_of(engine::kSeparator, end);
    return slash == std::string::npos ? name : name.substr(slash + 1);
}

class ZipFormat final : public ArchiveFormat {
public:
    const char *name() const override { return "ZIP"; }

    FormatCapabilities capabilities() const override { return {true, true, true, true, true, true}; }

    ListReport list(const std::string &archivePath, const std::string &) const override
    {
        ListReport report;
        std::vector<engine::EntryInfo> infos;
        if (engine::listEntries(archivePath, infos) < 0) {
            report.failure = openFailure(archivePath);
            return report;
        }
        report.opened = true;
        report.entries.reserve(infos.size());
        for (const auto &info : infos)
            report.entries.push_back(entryOf(info));
        return report;
    }

    ExtractReport extract(const ExtractRequest &request, JobProgress &progress) const override
    {
        ExtractReport report;
        EngineSession session(progress, request.password);
        if (engine::openArchiveForReading(request.archivePath) == 0) {
            engine::closeArchives();
            report.failure = openFailure(request.archivePath);
            return report;
        }
        report.opened = true;
        const std::set<std::string> wanted(request.entryNames.begin(), request.entryNames.end());
        std::set<std::string> found;
        int64_t done = 0;
        const int64_t total = wanted.empty() ? engine::entryCount(request.archivePath) : int64_t(wanted.size());
        int32_t moved = engine::firstEntry();
        for (; moved == 0; moved = engine::nextEntry()) {
            engine::EntryInfo info;
            const int32_t described = engine::currentEntryInfo(info);
            if (described != 0) {
                report.failures.push_back({std::string(), Reason::Damaged, 0, described});
                continue;
            }
            if (!wanted.empty() && !wanted.count(info.fileName))
                continue;
            found.insert(info.fileName);
            if (session.report({ProgressStep::ItemStarted, lastComponent(info.fileName), 0, done, total})) {
                report.stopped = true;
                break;
            }
            const int32_t result = engine::extractCurrentEntry(request.destination, 1);
            const int systemError = result != 0 ? engine::lastError().sysErrno : 0;
            if (result == engine::kResultStopped || session.stopAsked()) {
                report.stopped = true;
                break;
            }
            ++done;
            if (result == 0) {
                ++report.entriesDone;
                if (!info.isFolder())
                    ++report.filesWritten;
            } else if (info.isEncrypted() && (result == engine::kErrCrc || result == engine::kErrData)) {
                // One wrong password in 256 passes the check byte: the user
                // is told it may be the password and may try again.
                report.failures.push_back({info.fileName, Reason::PasswordOrDamage, 0, result});
            } else {
                const Reason reason = reasonOfReaderResult(result);
                const bool systemSaid = reason == Reason::WriteFailed || reason == Reason::CannotCreate;
                report.failures.push_back({info.fileName, reason, systemSaid ? systemError : 0, result});
                if (reason == Reason::CannotOpen)
                    break; // nothing more can be read
            }
            if (session.report({ProgressStep::ItemDone, info.fileName, 100, done, total})) {
                report.stopped = true;
                break;
            }
        }
        if (!report.stopped && moved != 0 && moved != engine::kErrEndOfList)
            report.failures.push_back({std::string(), Reason::Damaged, 0, moved});
        engine::closeArchives();
        if (!report.stopped)
            for (const auto &name : request.entryNames)
                if (!found.count(name))
                    report.failures.push_back({name, Reason::NotFound, 0, 0});
        return report;
    }

    TestReport test(const TestRequest &request, JobProgress &progress) const override
    {
        TestReport report;
        EngineSession session(progress, request.password);
        engine::VerifyResult result;
        const int32_t verdict = engine::verifyArchive(request.archivePath, result);
        report.readable = result.readable;
        if (!result.readable) {
            report.failure = openFailure(request.archivePath);
            return report;
        }
        report.stopped = verdict == engine::kResultStopped || session.stopAsked();
        report.entries = result.entries;
        report.entriesChecked = result.entriesChecked;
        report.entriesFailed = result.entriesFailed;
        report.entriesNotChecked = result.entriesNotChecked;
        if (result.entriesFailed > 0) {
            report.firstFailure.name = result.firstFailedEntry;
            report.firstFailure.code = result.firstFailure;
            report.firstFailure.reason = reasonOfEngineResult(result.firstFailure);
        }
        const bool mayBePassword = !request.password.empty() && report.firstFailure.reason == Reason::Damaged;
        if (result.entriesNotChecked > 0 || mayBePassword) {
            // The verification counts; the listing names.
            std::vector<engine::EntryInfo> entries;
            engine::listEntries(request.archivePath, entries);
            for (const auto &info : entries) {
                if (!info.isEncrypted())
                    continue;
                if (result.entriesNotChecked > 0)
                    report.notChecked.push_back(info.fileName);
                // One wrong password in 256 passes the check byte and then
                // fails the CRC: the user may try another.
                if (mayBePassword && info.fileName == result.firstFailedEntry)
                    report.firstFailure.reason = Reason::PasswordOrDamage;
            }
        }
        for (const auto &failed : result.failed)
            report.failures.push_back(failed.name == report.firstFailure.name
                                          ? report.firstFailure
                                          : Failure{failed.name, reasonOfEngineResult(failed.code), 0, failed.code});
        return report;
    }
};

} // namespace

const ArchiveFormat &zipFormat()
{
    static const ZipFormat format;
    return format;
}

} // namespace zarvon::operations
