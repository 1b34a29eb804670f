// The engine holds one password and one progress callback for the whole
// process. A job puts its own in force for exactly its duration through
// EngineSession, and the ones in force before come back afterwards, so that
// nothing a job set is left behind for the next one (a password left in
// force would be tried on the next test). Internal to the operations layer.
#pragma once

#include <string>

#include "engine/engine.h"
#include "operations/job.h"

namespace zarvon::operations {

class EngineSession {
public:
    // Routes the engine's progress to `progress` and puts `password` in
    // force ("" for none).
    EngineSession(JobProgress &progress, const std::string &password);
    ~EngineSession();
    EngineSession(const EngineSession &) = delete;
    EngineSession &operator=(const EngineSession &) = delete;

    // True once `progress` asked to stop, through the engine or directly.
    bool stopAsked() const { return stopAsked_; }
    // Reports a step to the job's progress, remembering a stop.
    bool report(const ProgressStep &step);

private:
    JobProgress &progress_;
    bool stopAsked_ = false;
    std::string previousPassword_;
    engine::ProgressCallback previousCallback_;
};

// The reason of one of the engine's results.
Reason reasonOfEngineResult(int32_t result);

// The reason of a result of a call on the engine's reader slot, asked right
// after the call: -1 with the slot empty means the archive is no longer open
// (the engine was reset while the job reported its progress), which is not a
// file that could not be created.
Reason reasonOfReaderResult(int32_t result);

} // namespace zarvon::operations
