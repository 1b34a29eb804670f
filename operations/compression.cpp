#include "operations/compression.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "engine/engine.h"
#include "operations/explorer_selection.h"
#include "operations/progress.h"
#include "settings/language.h"
#include "settings/settings_ops.h"
#include "ui/ids.h"
#include "ui/platform/platform.h"
#include "ui/platform/requesters.h"

namespace zarvon::operations {

namespace pf = zarvon::platform;
namespace fs = std::filesystem;
using settings::languageText;

namespace {

std::function<bool()> compressionWindowBuilder;
int32_t endSounds = 0;

std::string lastComponentOf(const std::string &path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void errorMessage(const std::string &text) { pf::messageBox("Zarvon", text, pf::MessageIcon::Error); }

std::string homeFolder() {
    const char *home = std::getenv("HOME");
    std::string folder = home && *home ? home : "/";
    if (folder.back() != '/') folder += '/';
    return folder;
}

// One item of an explorer list that a run visits.
struct SelectedItem {
    std::string path;
    bool folder = false;
};

std::vector<SelectedItem> selectedItems(int explorer) {
    std::vector<SelectedItem> items;
    for (const ExplorerItem &item : selectedExplorerItems(explorer)) {
        // The parent entry stands for the folder above, never for a choice of files.
        if (item.name == ".." || item.name.empty()) continue;
        items.push_back({item.path, (item.state & pf::ItemFolder) != 0});
    }
    return items;
}

// Entries of a folder in name order, so that archives come out the same on
// every run. `readable` becomes false when the folder cannot be listed whole
// (gone, or no permission).
std::vector<fs::directory_entry> folderEntries(const fs::path &folder, bool *readable = nullptr) {
    std::vector<fs::directory_entry> entries;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        entries.push_back(*it);
    if (readable) *readable = !error;
    std::sort(entries.begin(), entries.end(),
              [](const auto &a, const auto &b) { return a.path().filename() < b.path().filename(); });
    return entries;
}

bool isRealFolder(const fs::directory_entry &entry) {
    std::error_code error;
    return entry.is_directory(error) && !entry.is_symlink(error);
}

bool isRegularFile(const fs::directory_entry &entry) {
    std::error_code error;
    return entry.is_regular_file(error);
}

// The state of one run.
struct Run {
    int total = 0;                     // files to add, for the overall bar
    int done = 0;                      // files handled
    bool stopped = false;              // the user cancelled
    bool writeFailed = false;          // the archive cannot be written
    std::vector<std::string> unreadable;
};

void advance(Run &run) {
    ++run.done;
    setProgressOverall(run.done);
    const int percent = run.total > 0 ? run.done * 100 / run.total : 100;
    setProgressTitle("Progression...  " + std::to_string(percent) + " %");
}

// Adds one file; false when the run must end.
bool addOne(Run &run, const std::string &path, int32_t keepFullPath) {
    const int32_t result = engine::addFile(path, keepFullPath);
    if (result == engine::kResultStopped || cancelRequested()) {
        run.stopped = true;
        return false;
    }
    if (result == 0 || result == engine::kAddSkippedSelf) {
        advance(run);
        return true;
    }
    if (result == engine::kErrGeneral) {
        run.unreadable.push_back(path);
        advance(run);
        return true;
    }
    run.writeFailed = true;
    return false;
}

bool compressFolder(Run &run, const fs::path &folder) {
    bool readable = true;
    const auto entries = folderEntries(folder, &readable);
    // A folder that cannot be listed is named with the files not added, so
    // its absence from the archive is never a surprise.
    if (!readable) run.unreadable.push_back(folder.string() + "/");
    for (const auto &entry : entries) {
        if (isRealFolder(entry)) {
            if (!compressFolder(run, entry.path())) return false;
        } else if (isRegularFile(entry)) {
            if (!addOne(run, entry.path().string(), 1)) return false;
        }
        // Sockets, pipes and devices are not files to archive: reading a pipe
        // would wait for ever.
    }
    return true;
}

std::string listOfPaths(const std::vector<std::string> &paths) {
    std::string text;
    const std::size_t shown = std::min<std::size_t>(paths.size(), 10);
    for (std::size_t i = 0; i < shown; ++i) text += "\r" + paths[i];
    if (paths.size() > shown) text += "\r...";
    return text;
}

void beepWhenWanted() {
    const auto sound = settings::readSettingText("General", "ActivateSound", "0");
    if (sound && *sound == "1") {
        ++endSounds;
        pf::beep();
    }
}

CompressionOutcome runOver(int explorer, const std::string &archivePath, int32_t method,
                           const std::string &password, bool sound) {
    if (!pf::isGadget(explorer) || pf::getGadgetState(explorer) < 0) {
        errorMessage(languageText("MsgNofilesToCompress", "Sélectionnez les fichiers !"));
        return CompressionOutcome::NothingToDo;
    }
    if (archivePath.empty()) {
        errorMessage(languageText("MsgChkIfExist", "Vérifier le nom et la destination de l'archive !"));
        return CompressionOutcome::NothingToDo;
    }
    const std::vector<SelectedItem> items = selectedItems(explorer);
    if (items.empty()) {
        errorMessage(languageText("MsgNofilesToCompress", "Sélectionnez les fichiers !"));
        return CompressionOutcome::NothingToDo;
    }
    // The archive would replace a file chosen to go into it, and could not
    // hold that file (an archive never swallows itself): the file would be
    // lost.
    for (const auto &item : items) {
        std::error_code error;
        if (!item.folder && fs::equivalent(item.path, archivePath, error)) {
            errorMessage(languageText("MsgChkIfExist", "Vérifier le nom et la destination de l'archive !") + "\r" +
                         archivePath);
            return CompressionOutcome::NothingToDo;
        }
    }

    Run run;
    for (const auto &item : items) run.total += item.folder ? countFilesInFolder(item.path) : 1;
    setProgressOverallMaximum(run.total);
    setProgressOverall(0);
    clearCancelRequest();

    if (engine::createArchive(archivePath, 0) == 0) {
        errorMessage(languageText("MsgCompressError", "Impossible de créer l'archive :") + "\r" + archivePath);
        if (sound) beepWhenWanted();
        return CompressionOutcome::Failed;
    }
    engine::setCompressionMethod(method);
    engine::setPassword(password);

    for (const auto &item : items) {
        bool goOn = true;
        if (item.folder) {
            goOn = compressFolder(run, item.path);
        } else if (!isRegularFile(fs::directory_entry(item.path))) {
            // Gone since it was selected, or a pipe or device whose reading
            // would never end.
            run.unreadable.push_back(item.path);
            advance(run);
        } else {
            goOn = addOne(run, item.path, 0);
        }
        if (!goOn) break;
    }
    const int32_t closed = engine::closeArchives();
    // The password belongs to this archive: left in force, it would be
    // tried on the next extraction or test.
    engine::setPassword("");

    CompressionOutcome outcome = CompressionOutcome::Written;
    if (run.stopped || closed == engine::kResultStopped) {
        errorMessage(languageText("MsgStopCompress", "Compression interrompue par l'utilisateur !"));
        outcome = CompressionOutcome::Cancelled;
    } else if (run.writeFailed || closed != 0) {
        std::string text = languageText("MsgCompressError", "Impossible de créer l'archive :") + "\r" + archivePath;
        // A file that could not be read to its end once its entry was begun
        // spoils the whole archive: name it, so the user knows what to fix.
        if (!run.unreadable.empty())
            text += "\r" +
                    languageText("MsgFilesNotAdded", "Ces fichiers n'ont pas pu être lus et manquent dans l'archive :") +
                    listOfPaths(run.unreadable);
        errorMessage(text);
        outcome = CompressionOutcome::Failed;
    } else if (!run.unreadable.empty()) {
        pf::messageBox("Zarvon",
                       languageText("MsgFilesNotAdded", "Ces fichiers n'ont pas pu être lus et manquent dans l'archive :") +
                           listOfPaths(run.unreadable),
                       pf::MessageIcon::Warning);
    }
    clearCancelRequest();
    if (sound) beepWhenWanted();
    return outcome;
}

void setMainTitle(const std::string &title) {
    if (pf::isWindow(ids::WindowMain)) pf::setWindowTitle(ids::WindowMain, title);
}

}  // namespace

// ---- Names and fields ----------------------------------------------------------

std::string joinLocationAndName(const std::string &location, const std::string &name) {
    if (location.empty()) return name;
    if (location.back() == '/') return location + name;
    return location + "/" + name;
}

std::string archiveNameExtension(const std::string &name) {
    const std::string last = lastComponentOf(name);
    const auto dot = last.rfind('.');
    return dot == std::string::npos ? std::string() : last.substr(dot + 1);
}

std::string replaceArchiveExtension(const std::string &name, const std::string &format) {
    const auto slash = name.rfind('/');
    const auto dot = name.rfind('.');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (hasExtension ? name.substr(0, dot) : name) + format;
}

CompressionPlan planCompression(const CompressionForm &form) {
    CompressionPlan plan;
    plan.name = form.name;
    if (form.name.size() > kMaxArchiveNameBytes || form.location.size() > kMaxArchiveNameBytes ||
        form.password.size() > kMaxPasswordBytes || form.confirmation.size() > kMaxPasswordBytes) {
        plan.decision = CompressionDecision::TooLong;
        return plan;
    }
    // A relative location would name a folder under wherever the program
    // was started, where the user would never find the archive.
    if (form.name.empty() || !fs::path(form.location).is_absolute()) {
        plan.decision = CompressionDecision::MissingNameOrLocation;
        return plan;
    }
    const std::string extension = archiveNameExtension(form.name);
    if (extension.empty()) {
        // "photos" and "photos." both become "photos.zip".
        plan.name = replaceArchiveExtension(form.name, ".zip");
    } else if (lowerAscii(extension) != "zip") {
        plan.decision = CompressionDecision::NotZip;
        return plan;
    }
    if (form.password != form.confirmation) {
        plan.decision = CompressionDecision::PasswordMismatch;
        return plan;
    }
    plan.decision = CompressionDecision::Run;
    plan.archivePath = joinLocationAndName(form.location, plan.name);
    plan.method = form.typeIndex == CompressionTypeNormal ? 0 : 8;
    plan.password = form.password;
    return plan;
}

// ---- Commands ----------------------------------------------------------------------

void setCompressionWindowBuilder(std::function<bool()> build) { compressionWindowBuilder = std::move(build); }

void startCompressionCommand() {
    const int current = pf::isGadget(ids::ExplorerList) ? pf::getGadgetState(ids::ExplorerList) : -1;
    if (current < 0) {
        errorMessage(languageText("MsgNofilesToCompress", "Veuillez selectionnez les fichiers !"));
        return;
    }
    if (!compressionWindowBuilder || !compressionWindowBuilder()) return;
    const std::string name = pf::getGadgetItemText(ids::ExplorerList, current);
    pf::setGadgetText(ids::StrZipName, name == ".." ? std::string() : name);
    pf::setGadgetText(ids::StrLocation, homeFolder());
    pf::showWindow(ids::WindowCompression);
    pf::activateWindow(ids::WindowCompression);
    pf::setActiveGadget(ids::StrZipName);
}

void applyArchiveFormat(bool changed) {
    if (!pf::isGadget(ids::ComboArchiveFormat)) return;
    const std::string name = pf::getGadgetText(ids::StrZipName);
    if (name.empty() && !changed) return;
    const std::string format = pf::getGadgetText(ids::ComboArchiveFormat);
    pf::setGadgetText(ids::StrZipName, replaceArchiveExtension(name, format));
}

void confirmCompressionWindow() {
    if (!pf::isWindow(ids::WindowCompression)) return;
    CompressionForm form;
    form.name = pf::getGadgetText(ids::StrZipName);
    form.location = pf::getGadgetText(ids::StrLocation);
    form.password = pf::getGadgetText(ids::StrPassword);
    form.confirmation = pf::getGadgetText(ids::StrConfirmPassword);
    form.typeIndex = pf::getGadgetState(ids::ComboCompressType);
    const CompressionPlan plan = planCompression(form);

    switch (plan.decision) {
    case CompressionDecision::MissingNameOrLocation:
        errorMessage(languageText("MsgChkIfExist", "Véririfier nom, destination de l'archive SVP !"));
        pf::setGadgetText(ids::StrZipName, "");
        pf::setGadgetText(ids::StrLocation, "");
        pf::setActiveGadget(ids::StrZipName);
        return;
    case CompressionDecision::PasswordMismatch:
        errorMessage(languageText("MsgChkIfExist1", "Véririfier nom, destination ou mot de passe SVP !"));
        pf::setGadgetText(ids::StrPassword, "");
        pf::setGadgetText(ids::StrConfirmPassword, "");
        pf::setActiveGadget(ids::StrPassword);
        return;
    case CompressionDecision::NotZip:
        errorMessage(languageText("MsgZipOnly",
                                  "Zarvon crée uniquement des archives ZIP : donnez au nom l'extension .zip."));
        pf::setActiveGadget(ids::StrZipName);
        return;
    case CompressionDecision::TooLong:
        errorMessage(languageText("MsgNameTooLong", "Le nom ou le mot de passe est trop long !"));
        return;
    case CompressionDecision::Run:
        break;
    }

    pf::closeWindow(ids::WindowCompression);
    setMainTitle(languageText("TxtTitle1", "Compression en cours ..."));
    openProgressWindow(100);
    compressSelection(plan.archivePath, plan.method, plan.password);
    closeProgressWindow();
    setMainTitle(kMainTitle);
}

void cancelCompressionWindow() {
    if (pf::isWindow(ids::WindowMain)) {
        pf::closeWindow(ids::WindowCompression);
        return;
    }
    pf::endProcess(0);
}

// ---- Runs ----------------------------------------------------------------------------

CompressionOutcome compressItems(int explorer, const std::string &archivePath, int32_t method,
                                 const std::string &password) {
    return runOver(explorer, archivePath, method, password, false);
}

CompressionOutcome compressSelection(const std::string &archivePath, int32_t method,
                                     const std::string &password) {
    return runOver(ids::ExplorerList, archivePath, method, password, true);
}

CompressionOutcome assistantCompress(const std::string &archivePath) {
    return runOver(ids::ExplorerAddFiles, archivePath, 8, "", false);
}

int32_t endSoundsPlayed() { return endSounds; }

int32_t countFilesInFolder(const std::string &folder) {
    int32_t count = 0;
    for (const auto &entry : folderEntries(folder)) {
        if (isRealFolder(entry))
            count += countFilesInFolder(entry.path().string());
        else if (isRegularFile(entry))
            ++count;
    }
    return count;
}

}  // namespace zarvon::operations
