#include "ui/progress.h"

#include <algorithm>
#include <cmath>

#include "base/paths.h"
#include "settings/language.h"
#include "ui/ids.h"
#include "ui/platform/platform.h"
#include "ui/platform/requesters.h"
#include "ui/ui_state.h"

namespace zarvon::ui {
using namespace zarvon::operations;

namespace pf = zarvon::platform;

namespace {

ProgressWindowState &progressWindow() { return uiState().progress; }

// The window is 106 high, not 95, so that its Cancel button (85 + 18) is not
// cut off at the bottom.
constexpr int kWidth = 314;
constexpr int kHeight = 106;
// The extraction form keeps the first line, its bar and Cancel.
constexpr int kReducedHeight = 62;

std::string cancelText() { return settings::languageText("BtCancelProgress", "Annuler"); }

int openWindowWithParts(const std::string &title, int height, int overallMaximum, bool overallPart)
{
    closeProgressWindow();
    const int parent = pf::isWindow(ids::WindowMain) && pf::isWindowVisible(ids::WindowMain) ? ids::WindowMain : -1;
    const unsigned flags = pf::WindowTool | (parent >= 0 ? pf::WindowParentCentered : pf::WindowScreenCentered);
    const int window = pf::openWindow(pf::AnyNumber, 0, 0, kWidth, height, title, flags, parent);
    if (window < 0)
        return -1;
    progressWindow().window = window;
    progressWindow().fileText =
        pf::textGadget(pf::AnyNumber, 5, 5, 305, 15,
                       settings::languageText("TxtWindowExtract", "Extraction des fichiers..."), pf::TextCenter);
    progressWindow().fileBar = pf::progressBarGadget(pf::AnyNumber, 5, 20, 305, 17, 0, 100);
    if (overallPart) {
        progressWindow().overallText =
            pf::textGadget(pf::AnyNumber, 10, 50, 290, 15,
                           settings::languageText("TxtProgressOverall", "Progression générale"), pf::TextCenter);
        progressWindow().overallBar =
            pf::progressBarGadget(pf::AnyNumber, 5, 65, 305, 17, 0, std::max(1, overallMaximum));
        progressWindow().cancel = pf::buttonGadget(pf::AnyNumber, 241, 85, 70, 18, cancelText());
    } else {
        progressWindow().cancel = pf::buttonGadget(pf::AnyNumber, 241, 41, 70, 18, cancelText());
    }
    progressWindow().overall = 0;
    pf::showWindow(window);
    pf::processSystemEvents();
    // An Escape pressed before the run (closing a drop-down list or a
    // requester) or a click still queued is no request to stop it: only
    // what happens while the window is up counts.
    pf::drainEvents(-1);
    uiState().cancelRequested = false;
    return window;
}

} // namespace

int openProgressWindow(int overallMaximum)
{
    return openWindowWithParts(settings::languageText("TxtProgressTitle", "Progression..."), kHeight, overallMaximum,
                               true);
}

int openExtractionProgressWindow(const std::string &title)
{
    return openWindowWithParts(title, kReducedHeight, 100, false);
}

void closeProgressWindow()
{
    if (progressWindow().window >= 0 && pf::isWindow(progressWindow().window))
        pf::closeWindow(progressWindow().window);
    progressWindow() = ProgressWindowState{};
}

bool isProgressWindowOpen() { return progressWindow().window >= 0 && pf::isWindow(progressWindow().window); }

int progressWindowNumber() { return progressWindow().window; }
int progressCancelButton() { return progressWindow().cancel; }
int progressFileText() { return progressWindow().fileText; }
int progressFileBar() { return progressWindow().fileBar; }
int progressOverallText() { return progressWindow().overallText; }
int progressOverallBar() { return progressWindow().overallBar; }

void setProgressTitle(const std::string &title)
{
    if (isProgressWindowOpen())
        pf::setWindowTitle(progressWindow().window, title);
}

void setProgressFileText(const std::string &text)
{
    if (isProgressWindowOpen())
        pf::setGadgetText(progressWindow().fileText, text);
}

void setProgressOverallMaximum(int maximum)
{
    if (isProgressWindowOpen() && progressWindow().overallBar >= 0)
        pf::setGadgetAttribute(progressWindow().overallBar, pf::GadgetAttribute::ProgressMaximum, std::max(1, maximum));
}

void setProgressOverall(int value)
{
    progressWindow().overall = value;
    if (isProgressWindowOpen() && progressWindow().overallBar >= 0) {
        pf::setGadgetState(progressWindow().overallBar, value);
        pf::processSystemEvents();
    }
}

int progressOverall() { return progressWindow().overall; }

int32_t compressionProgressCallback(const std::string &fileName, float percent)
{
    if (!isProgressWindowOpen())
        return 0;
    if (!fileName.empty())
        pf::setGadgetText(progressWindow().fileText, base::lastPathComponent(fileName, "/\\"));
    const float bounded = std::clamp(std::isnan(percent) ? 0.0f : percent, 0.0f, 100.0f);
    pf::setGadgetState(progressWindow().fileBar, static_cast<int>(std::lround(bounded)));
    if (pf::drainEvents(progressWindow().cancel))
        uiState().cancelRequested = true;
    return uiState().cancelRequested ? 1 : 0;
}

namespace {
std::function<void(const std::string &, float)> &progressObserver() { return uiState().progressObserver; }
} // namespace

void setProgressObserver(std::function<void(const std::string &, float)> observer)
{
    progressObserver() = std::move(observer);
}

bool ProgressWindowReporter::report(const operations::ProgressStep &step)
{
    using operations::ProgressStep;
    switch (step.kind) {
    case ProgressStep::ItemStarted:
        if (form_ == Form::Extraction)
            setProgressFileText(step.name);
        return uiState().cancelRequested;
    case ProgressStep::ItemProgress:
        if (progressObserver())
            progressObserver()(step.name, step.percent);
        return compressionProgressCallback(step.name, step.percent) != 0;
    case ProgressStep::ItemDone:
        if (form_ == Form::Compression) {
            setProgressOverall(int(step.done));
            const int64_t percent = step.total > 0 ? step.done * 100 / step.total : 100;
            setProgressTitle(settings::languageText("TxtProgressTitle", "Progression...") + "  " +
                             std::to_string(percent) + " %");
        }
        return uiState().cancelRequested;
    }
    return uiState().cancelRequested;
}

operations::OverwriteAnswer ProgressWindowReporter::askOverwrite(const std::string &path)
{
    using operations::OverwriteAnswer;
    const std::string text = settings::languageText("MsgReplaceItem", "Un élément de ce nom existe déjà :") + "\r" +
                             path + "\r" + settings::languageText("MsgReplaceQuestion", "Voulez-vous le remplacer ?");
    switch (pf::askReplace("Zarvon", text, true)) {
    case pf::ReplaceAnswer::Yes: return OverwriteAnswer::Replace;
    case pf::ReplaceAnswer::YesToAll: return OverwriteAnswer::ReplaceAll;
    case pf::ReplaceAnswer::No: return OverwriteAnswer::Skip;
    case pf::ReplaceAnswer::NoToAll: return OverwriteAnswer::SkipAll;
    case pf::ReplaceAnswer::Cancel: break;
    }
    uiState().cancelRequested = true;
    return OverwriteAnswer::Stop;
}

bool cancelRequested() { return uiState().cancelRequested; }
void clearCancelRequest() { uiState().cancelRequested = false; }

} // namespace zarvon::ui
