#include "ui/progress.h"

#include <algorithm>
#include <cmath>

#include "ui/ids.h"
#include "ui/platform/platform.h"

namespace zarvon::ui {
using namespace zarvon::operations;

namespace pf = zarvon::platform;

namespace {

// The open progress window and its handed-out control numbers.
struct ProgressWindow {
    int window = -1;
    int fileText = -1;
    int fileBar = -1;
    int overallText = -1;
    int overallBar = -1;
    int cancel = -1;
    int overall = 0;
};

ProgressWindow progress;
bool cancelFlag = false;

// The window is 106 high, not 95, so that its Cancel button (85 + 18) is not
// cut off at the bottom.
constexpr int kWidth = 314;
constexpr int kHeight = 106;
// The extraction form keeps the first line, its bar and Cancel.
constexpr int kReducedHeight = 62;

std::string lastComponent(const std::string &path) {
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

int openWindowWithParts(const std::string &title, int height, int overallMaximum, bool overallPart) {
    closeProgressWindow();
    const int parent = pf::isWindow(ids::WindowMain) && pf::isWindowVisible(ids::WindowMain)
                           ? ids::WindowMain
                           : -1;
    const unsigned flags = pf::WindowTool | (parent >= 0 ? pf::WindowParentCentered : pf::WindowScreenCentered);
    const int window = pf::openWindow(pf::AnyNumber, 0, 0, kWidth, height, title, flags, parent);
    if (window < 0) return -1;
    progress.window = window;
    progress.fileText = pf::textGadget(pf::AnyNumber, 5, 5, 305, 15, "Extraction des fichiers...", pf::TextCenter);
    progress.fileBar = pf::progressBarGadget(pf::AnyNumber, 5, 20, 305, 17, 0, 100);
    if (overallPart) {
        progress.overallText = pf::textGadget(pf::AnyNumber, 10, 50, 290, 15, "Progression générale", pf::TextCenter);
        progress.overallBar = pf::progressBarGadget(pf::AnyNumber, 5, 65, 305, 17, 0, std::max(1, overallMaximum));
        progress.cancel = pf::buttonGadget(pf::AnyNumber, 241, 85, 70, 18, "Annuler");
    } else {
        progress.cancel = pf::buttonGadget(pf::AnyNumber, 241, 41, 70, 18, "Annuler");
    }
    progress.overall = 0;
    pf::showWindow(window);
    pf::processSystemEvents();
    // An Escape pressed before the run (closing a drop-down list or a
    // requester) or a click still queued is no request to stop it: only
    // what happens while the window is up counts.
    pf::drainEvents(-1);
    cancelFlag = false;
    return window;
}

}  // namespace

int openProgressWindow(int overallMaximum) {
    return openWindowWithParts("Progression...", kHeight, overallMaximum, true);
}

int openExtractionProgressWindow(const std::string &title) {
    return openWindowWithParts(title, kReducedHeight, 100, false);
}

void closeProgressWindow() {
    if (progress.window >= 0 && pf::isWindow(progress.window)) pf::closeWindow(progress.window);
    progress = ProgressWindow{};
}

bool isProgressWindowOpen() { return progress.window >= 0 && pf::isWindow(progress.window); }

int progressWindowNumber() { return progress.window; }
int progressCancelButton() { return progress.cancel; }
int progressFileText() { return progress.fileText; }
int progressFileBar() { return progress.fileBar; }
int progressOverallText() { return progress.overallText; }
int progressOverallBar() { return progress.overallBar; }

void setProgressTitle(const std::string &title) {
    if (isProgressWindowOpen()) pf::setWindowTitle(progress.window, title);
}

void setProgressFileText(const std::string &text) {
    if (isProgressWindowOpen()) pf::setGadgetText(progress.fileText, text);
}

void setProgressOverallMaximum(int maximum) {
    if (isProgressWindowOpen() && progress.overallBar >= 0)
        pf::setGadgetAttribute(progress.overallBar, pf::GadgetAttribute::ProgressMaximum, std::max(1, maximum));
}

void setProgressOverall(int value) {
    progress.overall = value;
    if (isProgressWindowOpen() && progress.overallBar >= 0) {
        pf::setGadgetState(progress.overallBar, value);
        pf::processSystemEvents();
    }
}

int progressOverall() { return progress.overall; }

int32_t compressionProgressCallback(const std::string &fileName, float percent) {
    if (!isProgressWindowOpen()) return 0;
    if (!fileName.empty()) pf::setGadgetText(progress.fileText, lastComponent(fileName));
    const float bounded = std::clamp(std::isnan(percent) ? 0.0f : percent, 0.0f, 100.0f);
    pf::setGadgetState(progress.fileBar, static_cast<int>(std::lround(bounded)));
    if (pf::drainEvents(progress.cancel)) cancelFlag = true;
    return cancelFlag ? 1 : 0;
}

namespace {
std::function<void(const std::string &, float)> &progressObserver()
{
    static std::function<void(const std::string &, float)> observer;
    return observer;
}
}  // namespace

void setProgressObserver(std::function<void(const std::string &, float)> observer)
{
    progressObserver() = std::move(observer);
}

bool ProgressWindowReporter::report(const operations::ProgressStep &step) {
    using operations::ProgressStep;
    switch (step.kind) {
    case ProgressStep::ItemStarted:
        if (form_ == Form::Extraction) setProgressFileText(step.name);
        return cancelFlag;
    case ProgressStep::ItemProgress:
        if (progressObserver()) progressObserver()(step.name, step.percent);
        return compressionProgressCallback(step.name, step.percent) != 0;
    case ProgressStep::ItemDone:
        if (form_ == Form::Compression) {
            setProgressOverall(int(step.done));
            const int64_t percent = step.total > 0 ? step.done * 100 / step.total : 100;
            setProgressTitle("Progression...  " + std::to_string(percent) + " %");
        }
        return cancelFlag;
    }
    return cancelFlag;
}

bool cancelRequested() { return cancelFlag; }
void clearCancelRequest() { cancelFlag = false; }

}  // namespace zarvon::ui
