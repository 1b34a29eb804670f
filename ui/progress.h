// The progress window and the engine's progress callback.
//
// The progress window (314 wide, a tool window centred on the main window,
// titled "Progression...") shows the current file with its bar, the overall
// progress with its bar, and a Cancel button. Its number and its controls'
// numbers are handed out by the platform layer when it opens; this module
// keeps them. At most one progress window is open.
//
// A job run with the window open reports to a ProgressWindowReporter: after
// every block it updates the window, lets the system repaint, throws queued
// events away (so clicks made during a run are lost, as a long operation runs
// inside one turn of the main loop) and asks the job to stop when the user
// pressed Cancel or Escape. Asking to stop is enough: the job then discards
// an archive being written and leaves any earlier file of that name untouched.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "operations/job.h"

namespace zarvon::ui {

// Opens the progress window (closing one still open) with the overall bar's
// range 0 to `overallMaximum`. Returns its window number, -1 when it could
// not be created (the runs then go on without it).
int openProgressWindow(int overallMaximum = 100);

// The reduced form used while extracting: the current file's line and bar and
// the Cancel button, without the overall part.
int openExtractionProgressWindow(const std::string &title);

void closeProgressWindow();
bool isProgressWindowOpen();

// The handed-out numbers (-1 when no window is open); tests click Cancel.
int progressWindowNumber();
int progressCancelButton();
int progressFileText();
int progressFileBar();
int progressOverallText();
int progressOverallBar();

void setProgressTitle(const std::string &title);
void setProgressFileText(const std::string &text);
void setProgressOverallMaximum(int maximum);
void setProgressOverall(int value);
int progressOverall();

// One block's progress in the window. Without an open progress window it answers 0 at once. Otherwise it shows the last
// component of `fileName` (when not empty) and the rounded percentage, drains
// the event queue, and answers 1 when the Cancel button was clicked or Escape
// pressed since the previous call, 0 otherwise. Once a stop was asked, it keeps
// answering 1 until cancelRequested is cleared (a new run clears it).
int32_t compressionProgressCallback(const std::string &fileName, float percent);

// The progress of a job, shown in the open progress window. In the
// compression form every finished file moves the overall bar and the title
// ("Progression...  50 %"); in the extraction form each entry's name is shown
// as it begins.
class ProgressWindowReporter final : public operations::JobProgress {
public:
    enum class Form { Compression, Extraction };
    explicit ProgressWindowReporter(Form form) : form_(form) {}
    bool report(const operations::ProgressStep &step) override;
    // Replace, Skip, Replace all, Skip all or Cancel, in a question box.
    operations::OverwriteAnswer askOverwrite(const std::string &path) override;

private:
    Form form_;
};

// Called with every block's file name and percentage before the window is
// updated, so that tests can act in the middle of a run; empty by default.
void setProgressObserver(std::function<void(const std::string &fileName, float percent)> observer);

// Set when the user cancelled the current run.
bool cancelRequested();
void clearCancelRequest();

} // namespace zarvon::ui
