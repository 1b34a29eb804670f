#include "operations/jobs.h"

#include "engine/engine.h"
#include "operations/engine_session.h"

namespace zarvon::operations {

ExtractReport salvageArchive(const ExtractRequest &request, JobProgress &progress)
{
    ExtractReport report;
    bool stopAsked = false;
    std::string current;
    const engine::ProgressCallback callback = [&](const std::string &name, float percent) -> int32_t {
        if (name != current) {
            current = name;
            stopAsked = stopAsked || progress.report({ProgressStep::ItemStarted, name, 0, 0, 0});
        }
        stopAsked = stopAsked || progress.report({ProgressStep::ItemProgress, name, percent, 0, 0});
        return stopAsked ? 1 : 0;
    };
    engine::SalvageResult found;
    const int32_t result = engine::salvageEntries(request.archivePath, request.destination,
                                                  request.overwrite == Overwrite::Replace, callback, found);
    if (result == engine::kErrGeneral) {
        report.failure = failureToOpen(request.archivePath);
        if (report.failure.reason == Reason::NotAnArchive)
            report.failure.reason = Reason::CannotOpen; // readable as a file, yet it could not be scanned
        return report;
    }
    report.opened = true;
    report.stopped = result == engine::kResultStopped;
    report.filesWritten = found.filesRecovered;
    for (const engine::SalvagedEntry &e : found.entries) {
        if (e.result == 0 && e.kept)
            report.skipped.push_back(e.name);
        else if (e.result == 0)
            ++report.entriesDone;
        else if (e.result != engine::kResultStopped)
            report.failures.push_back({e.name, reasonOfEngineResult(e.result), 0, e.result});
    }
    if (found.entries.empty())
        report.failure = {request.archivePath, Reason::NotAnArchive, 0, 0};
    return report;
}

} // namespace zarvon::operations
