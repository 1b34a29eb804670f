#include "operations/engine_session.h"

namespace zarvon::operations {

EngineSession::EngineSession(JobProgress &progress, const std::string &password)
    : progress_(progress),
      previousPassword_(engine::engineState().passwordSet ? engine::engineState().password : std::string()),
      previousCallback_(engine::engineState().progressCallback)
{
    engine::setPassword(password);
    engine::setProgressCallback([this](const std::string &fileName, float percent) -> int32_t {
        ProgressStep step;
        step.kind = ProgressStep::ItemProgress;
        step.name = fileName;
        step.percent = percent;
        return report(step) ? 1 : 0;
    });
}

EngineSession::~EngineSession()
{
    engine::setProgressCallback(previousCallback_);
    engine::setPassword(previousPassword_);
}

bool EngineSession::report(const ProgressStep &step)
{
    // Once asked, a stop holds until the job ends: the engine may ask again
    // before it has unwound.
    if (progress_.report(step))
        stopAsked_ = true;
    return stopAsked_;
}

Reason reasonOfEngineResult(int32_t result)
{
    switch (result) {
    case 0: return Reason::None;
    case engine::kResultStopped: return Reason::Stopped;
    case engine::kErrWrongPassword: return Reason::WrongPassword;
    case engine::kErrPasswordNeeded: return Reason::PasswordNeeded;
    case engine::kErrUnsafeName: return Reason::UnsafeName;
    case engine::kErrUnsupportedMethod: return Reason::UnsupportedMethod;
    case engine::kErrBadEncryptionField: return Reason::UnsupportedMethod;
    case engine::kErrWrite: return Reason::WriteFailed;
    case engine::kErrReadOnlyTarget: return Reason::ReadOnlyTarget;
    case engine::kErrGeneral: return Reason::CannotCreate;
    case engine::kErrOutsideArchive: return Reason::OutsideArchive;
    case engine::kErrNoSpace: return Reason::NotEnoughSpace;
    default: return Reason::Damaged;
    }
}

Reason reasonOfReaderResult(int32_t result)
{
    if (result == engine::kErrGeneral && engine::engineState().reader == nullptr)
        return Reason::CannotOpen;
    return reasonOfEngineResult(result);
}

} // namespace zarvon::operations
