#include "ui/compression.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "base/paths.h"
#include "engine/engine.h"
#include "operations/jobs.h"
#include "ui/dialogs/compression_window.h"
#include "ui/explorer_selection.h"
#include "ui/progress.h"
#include "settings/language.h"
#include "settings/settings_ops.h"
#include "ui/dialogs/dialog_common.h"
#include "ui/ids.h"
#include "ui/platform/platform.h"
#include "ui/platform/requesters.h"
#include "ui/ui_state.h"

namespace zarvon::ui {
using namespace zarvon::operations;

namespace pf = zarvon::platform;
namespace fs = std::filesystem;
using settings::languageText;

namespace {

void errorMessage(const std::string &text) { pf::messageBox("Zarvon", text, pf::MessageIcon::Error); }

// The system's own words for an error number, such as "No space left on
// device".
std::string systemErrorText(int number) { return std::strerror(number); }

std::string listOfPaths(const std::vector<operations::Failure> &failures)
{
    std::string text;
    const std::size_t shown = std::min<std::size_t>(failures.size(), 10);
    for (std::size_t i = 0; i < shown; ++i)
        text += "\r" + failures[i].name;
    if (failures.size() > shown)
        text += "\r...";
    return text;
}

void beepWhenWanted()
{
    const auto sound = settings::readSettingText("General", "ActivateSound", "0");
    if (sound && *sound == "1") {
        ++uiState().endSounds;
        pf::beep();
    }
}

CompressionOutcome runOver(int explorer, const std::string &archivePath, int32_t method, const std::string &password,
                           bool sound)
{
    if (!pf::isGadget(explorer) || pf::getGadgetState(explorer) < 0) {
        errorMessage(languageText("MsgNofilesToCompress", "Sélectionnez les fichiers !"));
        return CompressionOutcome::NothingToDo;
    }
    if (archivePath.empty()) {
        errorMessage(languageText("MsgChkIfExist", "Vérifier le nom et la destination de l'archive !"));
        return CompressionOutcome::NothingToDo;
    }
    operations::CompressRequest request;
    request.archivePath = archivePath;
    request.method = method;
    request.password = password;
    for (const ExplorerItem &item : selectedExplorerItems(explorer)) {
        // The parent entry stands for the folder above, never for a choice of files.
        if (item.name == ".." || item.name.empty())
            continue;
        request.items.push_back({item.path, (item.state & pf::ItemFolder) != 0});
    }
    if (request.items.empty()) {
        errorMessage(languageText("MsgNofilesToCompress", "Sélectionnez les fichiers !"));
        return CompressionOutcome::NothingToDo;
    }
    setProgressOverall(0);
    clearCancelRequest();
    ProgressWindowReporter progress(ProgressWindowReporter::Form::Compression);
    const operations::CompressReport report = operations::compressFiles(request, progress);
    using Outcome = operations::CompressReport::Outcome;
    const std::string notAdded =
        languageText("MsgFilesNotAdded", "Ces fichiers n'ont pas pu être lus et manquent dans l'archive :");

    CompressionOutcome outcome = CompressionOutcome::Written;
    switch (report.outcome) {
    case Outcome::NothingToDo:
        // The archive would replace a file chosen to go into it.
        errorMessage(languageText("MsgChkIfExist", "Vérifier le nom et la destination de l'archive !") + "\r" +
                     archivePath);
        return CompressionOutcome::NothingToDo;
    case Outcome::Cancelled:
        errorMessage(languageText("MsgStopCompress", "Compression interrompue par l'utilisateur !"));
        outcome = CompressionOutcome::Cancelled;
        break;
    case Outcome::Failed: {
        std::string text = languageText("MsgCompressError", "Impossible de créer l'archive :") + "\r" + archivePath;
        if (report.failure.sysErrno != 0)
            text += "\r" + systemErrorText(report.failure.sysErrno);
        // A file that could not be read to its end once its entry was begun
        // spoils the whole archive: name it, so the user knows what to fix.
        if (!report.unreadable.empty())
            text += "\r" + notAdded + listOfPaths(report.unreadable);
        errorMessage(text);
        outcome = CompressionOutcome::Failed;
        break;
    }
    case Outcome::Written:
        if (!report.unreadable.empty())
            pf::messageBox("Zarvon", notAdded + listOfPaths(report.unreadable), pf::MessageIcon::Warning);
        break;
    }
    clearCancelRequest();
    if (sound)
        beepWhenWanted();
    return outcome;
}

void setMainTitle(const std::string &title)
{
    if (pf::isWindow(ids::WindowMain))
        pf::setWindowTitle(ids::WindowMain, title);
}

} // namespace

// ---- Commands ----------------------------------------------------------------------

void startCompressionCommand()
{
    const int current = pf::isGadget(ids::ExplorerList) ? pf::getGadgetState(ids::ExplorerList) : -1;
    if (current < 0) {
        errorMessage(languageText("MsgNofilesToCompress", "Veuillez selectionnez les fichiers !"));
        return;
    }
    if (!buildCompressionWindow())
        return;
    const std::string name = pf::getGadgetItemText(ids::ExplorerList, current);
    pf::setGadgetText(ids::StrZipName, name == ".." ? std::string() : name);
    pf::setGadgetText(ids::StrLocation, startFolder(settings::kDefaultArchiveFolder));
    pf::showWindow(ids::WindowCompression);
    pf::activateWindow(ids::WindowCompression);
    pf::setActiveGadget(ids::StrZipName);
}

void applyArchiveFormat(bool changed)
{
    if (!pf::isGadget(ids::ComboArchiveFormat))
        return;
    const std::string name = pf::getGadgetText(ids::StrZipName);
    if (name.empty() && !changed)
        return;
    const std::string format = pf::getGadgetText(ids::ComboArchiveFormat);
    pf::setGadgetText(ids::StrZipName, replaceArchiveExtension(name, format));
}

void confirmCompressionWindow()
{
    if (!pf::isWindow(ids::WindowCompression))
        return;
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
        errorMessage(
            languageText("MsgZipOnly", "Zarvon crée uniquement des archives ZIP : donnez au nom l'extension .zip."));
        pf::setActiveGadget(ids::StrZipName);
        return;
    case CompressionDecision::TooLong:
        errorMessage(languageText("MsgNameTooLong", "Le nom ou le mot de passe est trop long !"));
        return;
    case CompressionDecision::Run: break;
    }
    // The name was typed, not chosen in a save requester that would have
    // asked: an archive already there is not replaced without a yes.
    struct stat existing {};
    if (::stat(plan.archivePath.c_str(), &existing) == 0 && S_ISREG(existing.st_mode) &&
        !pf::askYesNo("Zarvon",
                      languageText("MsgReplaceItem", "Un élément de ce nom existe déjà :") + "\r" + plan.archivePath +
                          "\r" + languageText("MsgReplaceQuestion", "Voulez-vous le remplacer ?"),
                      pf::MessageIcon::Question)) {
        pf::setActiveGadget(ids::StrZipName);
        return;
    }

    pf::closeWindow(ids::WindowCompression);
    setMainTitle(languageText("TxtTitle1", "Compression en cours ..."));
    openProgressWindow(100);
    compressSelection(plan.archivePath, plan.method, plan.password);
    closeProgressWindow();
    setMainTitle(kMainTitle);
}

void cancelCompressionWindow()
{
    if (pf::isWindow(ids::WindowMain)) {
        pf::closeWindow(ids::WindowCompression);
        return;
    }
    pf::endProcess(0);
}

// ---- Runs ----------------------------------------------------------------------------

CompressionOutcome compressItems(int explorer, const std::string &archivePath, int32_t method,
                                 const std::string &password)
{
    return runOver(explorer, archivePath, method, password, false);
}

CompressionOutcome compressSelection(const std::string &archivePath, int32_t method, const std::string &password)
{
    return runOver(ids::ExplorerList, archivePath, method, password, true);
}

CompressionOutcome assistantCompress(const std::string &archivePath)
{
    return runOver(ids::ExplorerAddFiles, archivePath, 8, "", false);
}

int32_t endSoundsPlayed() { return uiState().endSounds; }

} // namespace zarvon::ui
