#include "ui/compression.h"
#include "operations/archive_editing.h"
#include "ui/archive_editing.h"

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
#include "settings/setting_keys.h"
#include "settings/settings_ops.h"
#include "ui/dialogs/dialog_common.h"
#include "ui/ids.h"
#include "ui/opening.h"
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
    if (settings::settingIs(settings::kActivateSound, "1")) {
        ++uiState().endSounds;
        pf::beep();
    }
}

using Item = operations::CompressRequest::Item;

// The chosen items of an explorer list; none without a current item.
std::vector<Item> explorerChoice(int explorer)
{
    std::vector<Item> items;
    if (!pf::isGadget(explorer) || pf::getGadgetState(explorer) < 0)
        return items;
    for (const ExplorerItem &item : selectedExplorerItems(explorer)) {
        // The parent entry stands for the folder above, never for a choice of files.
        if (item.name == ".." || item.name.empty())
            continue;
        items.push_back({item.path, (item.state & pf::ItemFolder) != 0});
    }
    return items;
}

CompressionOutcome runOver(std::vector<Item> items, bool keepFullPaths, const std::string &archivePath,
                           int32_t method, const std::string &password, bool sound, int32_t *leftOut = nullptr,
                           CompressRequest::Encryption encryption = CompressRequest::Encryption::ZipCrypto)
{
    if (items.empty()) {
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
    request.encryption = encryption;
    request.items = std::move(items);
    request.folderNames = keepFullPaths ? operations::CompressRequest::FolderNames::AsGiven
                                        : operations::CompressRequest::FolderNames::FromParent;
    setProgressOverall(0);
    clearCancelRequest();
    ProgressWindowReporter progress(ProgressWindowReporter::Form::Compression);
    const operations::CompressReport report = operations::compressFiles(request, progress);
    using Outcome = operations::CompressReport::Outcome;
    if (leftOut)
        *leftOut = int32_t(report.unreadable.size());
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

// What the compression window compresses: the files it was opened with,
// else the explorer list's choice.
std::vector<Item> chosenItems()
{
    const std::vector<std::string> &given = uiState().givenCompressionItems;
    if (given.empty())
        return explorerChoice(ids::ExplorerList);
    std::vector<Item> items;
    for (const std::string &path : given) {
        std::error_code error;
        items.push_back({path, fs::is_directory(path, error)});
    }
    return items;
}

// The box's state goes with the configuration, when there is one to keep it.
void saveKeepFullPaths(bool keep)
{
    settings::SettingsFile file;
    if (!file.open(settings::settingsPath()))
        return;
    settings::writeKeyText(file, settings::kKeepFullPaths, keep ? "1" : "0");
    file.close();
}

// The encryption box's choice, kept the same way.
CompressRequest::Encryption chosenEncryption()
{
    const bool aes = pf::getGadgetState(ids::ComboEncryption) == 1;
    settings::SettingsFile file;
    if (file.open(settings::settingsPath())) {
        settings::writeKeyText(file, settings::kZipEncryption, aes ? "1" : "0");
        file.close();
    }
    return aes ? CompressRequest::Encryption::Aes256 : CompressRequest::Encryption::ZipCrypto;
}

void setMainTitle(const std::string &title)
{
    if (pf::isWindow(ids::WindowMain))
        pf::setWindowTitle(ids::WindowMain, title);
}

} // namespace

// Commands

std::string proposedArchiveName(const std::vector<std::string> &selectedNames, bool oneFolder,
                                const std::string &shownFolder)
{
    if (selectedNames.empty())
        return {};
    if (selectedNames.size() == 1) {
        const std::string &name = selectedNames.front();
        // A folder's name has no extension to lose, and ".bashrc" is all name.
        const std::string stem = oneFolder ? name : replaceArchiveExtension(name, "");
        return (stem.empty() ? name : stem) + ".zip";
    }
    std::string folder = shownFolder;
    while (!folder.empty() && folder.back() == '/')
        folder.pop_back();
    const std::string last = folder.substr(folder.rfind('/') + 1);
    return (last.empty() ? std::string("Archive") : last) + ".zip";
}

void startCompressionCommand()
{
    const int current = pf::isGadget(ids::ExplorerList) ? pf::getGadgetState(ids::ExplorerList) : -1;
    if (current < 0) {
        errorMessage(languageText("MsgNofilesToCompress", "Veuillez selectionnez les fichiers !"));
        return;
    }
    if (!buildCompressionWindow())
        return;
    const std::vector<Item> chosen = explorerChoice(ids::ExplorerList);
    std::vector<std::string> names;
    for (const Item &item : chosen) {
        std::string path = item.path;
        while (path.size() > 1 && path.back() == '/')
            path.pop_back();
        names.push_back(base::lastPathComponent(path));
    }
    const std::string shown = pf::getGadgetText(ids::ExplorerList);
    pf::setGadgetText(ids::StrZipName, proposedArchiveName(names, chosen.size() == 1 && chosen.front().folder, shown));
    pf::setGadgetText(ids::StrLocation, startFolder(settings::kDefaultArchiveFolder, shown));
    pf::setGadgetState(ids::ChkKeepFullPaths, settings::settingIs(settings::kKeepFullPaths, "1") ? 1 : 0);
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
    // Only ZIP takes a password and a choice between stored and Deflate.
    const bool zip = format == ".zip";
    for (const int gadget : {ids::StrPassword, ids::StrConfirmPassword, ids::ComboCompressType})
        pf::disableGadget(gadget, !zip);
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
            languageText("MsgZipOnly", "Zarvon crée des archives .zip, .7z, .tar.gz, .tar.xz, .tar.zst et .tar.bz2 : "
                                       "donnez au nom l'une de ces extensions."));
        pf::setActiveGadget(ids::StrZipName);
        return;
    case CompressionDecision::NoPasswordForFormat:
        errorMessage(languageText("MsgNoPasswordFormat",
                                  "Ce format ne prend pas de mot de passe : choisissez .zip ou videz le mot de passe."));
        pf::setActiveGadget(ids::StrPassword);
        return;
    case CompressionDecision::TooLong:
        errorMessage(languageText("MsgNameTooLong", "Le nom ou le mot de passe est trop long !"));
        return;
    case CompressionDecision::Run: break;
    }
    // The name was typed, not chosen in a save requester that would have
    // asked: an archive already there is not replaced without a yes. One
    // that can be edited may take the files instead.
    struct stat existing {};
    const bool exists = ::stat(plan.archivePath.c_str(), &existing) == 0 && S_ISREG(existing.st_mode);
    if (exists && operations::editableArchive(plan.archivePath).editable) {
        const int choice = pf::askChoice(
            "Zarvon", languageText("MsgArchiveExists", "Cette archive existe déjà :") + "\r" + plan.archivePath,
            {languageText("BtAddToArchive", "Y ajouter"), languageText("BtReplaceArchive", "La remplacer"),
             languageText("BtCancelChoice", "Annuler")});
        if (choice == 0) {
            std::vector<std::string> paths;
            for (const Item &item : explorerChoice(ids::ExplorerList))
                paths.push_back(item.path);
            pf::closeWindow(ids::WindowCompression);
            addToArchive(plan.archivePath, paths, plan.password, plan.method);
            setMainTitle(restingWindowTitle());
            return;
        }
        if (choice != 1) {
            pf::setActiveGadget(ids::StrZipName);
            return;
        }
    } else if (exists &&
        !pf::askYesNo("Zarvon",
                      languageText("MsgReplaceItem", "Un élément de ce nom existe déjà :") + "\r" + plan.archivePath +
                          "\r" + languageText("MsgReplaceQuestion", "Voulez-vous le remplacer ?"),
                      pf::MessageIcon::Question)) {
        pf::setActiveGadget(ids::StrZipName);
        return;
    }

    const bool keepFullPaths = pf::getGadgetState(ids::ChkKeepFullPaths) == 1;
    saveKeepFullPaths(keepFullPaths);
    const CompressRequest::Encryption encryption = chosenEncryption();
    pf::closeWindow(ids::WindowCompression);
    setMainTitle(languageText("TxtTitle1", "Compression en cours ..."));
    openProgressWindow(100);
    int32_t leftOut = 0;
    const CompressionOutcome outcome = runOver(chosenItems(), keepFullPaths, plan.archivePath, plan.method,
                                               plan.password, true, &leftOut, encryption);
    closeProgressWindow();
    setMainTitle(restingWindowTitle());
    // Opened from the command line, the window was the whole program.
    if (!uiState().givenCompressionItems.empty() && !pf::isWindow(ids::WindowMain))
        pf::endProcess(outcome == CompressionOutcome::Written && leftOut == 0 ? 0 : 1);
}

bool openCompressionWindowFor(const std::vector<std::string> &paths)
{
    if (paths.empty() || !buildCompressionWindow())
        return false;
    uiState().givenCompressionItems = paths;
    std::vector<std::string> names;
    for (const std::string &path : paths)
        names.push_back(fs::path(path).filename().string());
    std::error_code error;
    const std::string folder = fs::path(paths.front()).parent_path().string();
    pf::setGadgetText(ids::StrZipName,
                      proposedArchiveName(names, paths.size() == 1 && fs::is_directory(paths.front(), error), folder));
    pf::setGadgetText(ids::StrLocation, folder);
    pf::setGadgetState(ids::ChkKeepFullPaths, settings::settingIs(settings::kKeepFullPaths, "1") ? 1 : 0);
    pf::showWindow(ids::WindowCompression);
    pf::activateWindow(ids::WindowCompression);
    pf::setActiveGadget(ids::StrZipName);
    return true;
}

void cancelCompressionWindow()
{
    if (pf::isWindow(ids::WindowMain)) {
        pf::closeWindow(ids::WindowCompression);
        return;
    }
    pf::endProcess(0);
}

// Runs

CompressionOutcome compressSelection(const std::string &archivePath, int32_t method, const std::string &password,
                                     bool keepFullPaths, CompressRequest::Encryption encryption)
{
    return runOver(chosenItems(), keepFullPaths, archivePath, method, password, true, nullptr, encryption);
}

CompressionOutcome compressPathsTo(const std::string &archivePath, const std::vector<std::string> &paths,
                                   int32_t &leftOut)
{
    std::vector<Item> items;
    for (const std::string &path : paths) {
        std::error_code error;
        items.push_back({path, fs::is_directory(path, error)});
    }
    return runOver(std::move(items), false, archivePath, 8, "", false, &leftOut);
}

CompressionOutcome assistantCompress(const std::string &archivePath, const std::vector<std::string> &paths)
{
    std::vector<Item> items;
    for (const std::string &path : paths) {
        std::error_code error;
        items.push_back({path, fs::is_directory(path, error)});
    }
    return runOver(std::move(items), false, archivePath, 8, "", false);
}

int32_t endSoundsPlayed() { return uiState().endSounds; }

} // namespace zarvon::ui
