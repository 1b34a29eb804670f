#include "ui/extraction.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <set>

#include "base/case_fold.h"
#include "base/paths.h"
#include "operations/jobs.h"
#include "ui/archive_test.h"
#include "ui/compression.h"
#include "ui/dialogs/copy_window.h"
#include "ui/explorer_selection.h"
#include "ui/opening.h"
#include "ui/progress.h"
#include "settings/language.h"
#include "settings/setting_keys.h"
#include "ui/dialogs/dialog_common.h"
#include "ui/ids.h"
#include "ui/platform/platform.h"
#include "ui/platform/requesters.h"
#include "ui/ui_state.h"

namespace zarvon::ui {
using namespace zarvon::operations;

namespace pf = zarvon::platform;
using operations::ExtractReport;
using settings::languageText;

namespace {

// The report of an extraction that could not open its archive.
ExtractReport notOpened(const operations::Failure &failure)
{
    ExtractReport report;
    report.failure = failure;
    return report;
}

std::string reasonText(operations::Reason reason)
{
    using operations::Reason;
    switch (reason) {
    case Reason::WrongPassword: return languageText("TxtFailWrongPassword", "mot de passe incorrect");
    case Reason::PasswordNeeded: return languageText("TxtFailPasswordNeeded", "mot de passe nécessaire");
    case Reason::UnsafeName:
        return languageText("TxtFailUnsafeName", "nom refusé, il sortirait du dossier de destination");
    case Reason::UnsupportedMethod: return languageText("TxtFailMethod", "méthode de compression non prise en charge");
    case Reason::WriteFailed: return languageText("TxtFailWrite", "écriture impossible");
    case Reason::ReadOnlyTarget:
        return languageText("TxtFailReadOnly", "un fichier en lecture seule porte déjà ce nom");
    case Reason::CannotCreate: return languageText("TxtFailCreate", "le fichier ne peut pas être créé");
    case Reason::PasswordOrDamage:
        return languageText("TxtFailPasswordOrDamage", "mot de passe incorrect ou données endommagées");
    case Reason::NotFound: return languageText("TxtFailNotFound", "introuvable dans l'archive");
    case Reason::LinkRefused: return languageText("TxtFailLink", "lien non extrait");
    case Reason::MissingVolume: return languageText("TxtFailVolume", "volume suivant introuvable");
    case Reason::OutsideArchive:
        return languageText("TxtFailOutside", "données au-delà de la fin de l'archive (fichier tronqué)");
    case Reason::EncryptionUnsupported:
        return languageText("TxtFailEncryptedUnsupported", "chiffré, ce que Zarvon ne sait pas encore ouvrir");
    case Reason::SpecialFileRefused:
        return languageText("TxtFailSpecialFile", "périphérique ou tube nommé, jamais créé");
    case Reason::CannotOpen: return languageText("TxtFailCannotOpen", "le fichier ne peut pas être ouvert");
    case Reason::NotAnArchive: return languageText("TxtFailNotArchive", "ce n'est pas une archive lisible");
    case Reason::LibraryMissing:
        return languageText("TxtFailLibrary", "la bibliothèque qui lit ce format n'est pas installée");
    default: return languageText("TxtFailDamaged", "données endommagées");
    }
}

void errorMessage(const std::string &text) { pf::messageBox("Zarvon", text, pf::MessageIcon::Error); }

void setMainTitle(const std::string &title)
{
    if (pf::isWindow(ids::WindowMain))
        pf::setWindowTitle(ids::WindowMain, title);
}

std::string extractionTitle() { return languageText("TxtWindowExtract", "Extraction des fichiers..."); }

std::string askDestination()
{
    return pf::folderRequester(languageText("DefaultRep", "Choisissez Le dossier de destination"),
                               startFolder(settings::kDefaultArchiveExtractionFolder));
}

// The archive shown in the archive list, "" when none.
std::string shownArchive()
{
    if (!pf::isGadget(ids::ArchiveList))
        return {};
    return currentArchivePath();
}

std::vector<std::string> selectedArchiveRows()
{
    std::vector<std::string> names;
    const int count = pf::countGadgetItems(ids::ArchiveList);
    for (int i = 0; i < count; ++i)
        if (pf::getGadgetItemState(ids::ArchiveList, i) & pf::ItemSelected)
            if (std::string name = archiveRowName(i); !name.empty())
                names.push_back(name);
    return entriesOfRows(names);
}

// A format that takes passwords, and an archive with encrypted entries: the
// password is asked before extracting. The formats that cannot decrypt say
// so per entry instead.
bool isProtected(const std::string &archivePath)
{
    const operations::ArchiveFormat *format = operations::formatOf(archivePath);
    return format && format->capabilities().passwords &&
           operations::archiveProtection(archivePath) == operations::Protection::Encrypted;
}

// A run with the extraction progress window and the extraction title.
ExtractReport runWithProgress(const std::string &archivePath, const std::string &destination,
                              const std::vector<std::string> &names, const std::string &password = {})
{
    const std::string title = extractionTitle();
    setMainTitle(title);
    openExtractionProgressWindow(title);
    ProgressWindowReporter progress(ProgressWindowReporter::Form::Extraction);
    // A file already there is asked about, unless the configuration says
    // to replace without asking.
    const auto overwrite = settings::settingIs(settings::kReplaceWithoutAsking, "1") ? operations::Overwrite::Replace
                                                                                     : operations::Overwrite::Ask;
    ExtractReport report = operations::extractArchive({archivePath, destination, names, password, overwrite}, progress);
    closeProgressWindow();
    clearCancelRequest();
    setMainTitle(restingWindowTitle());
    return report;
}

std::string failureLines(const ExtractReport &report);

// A ZIP archive whose directory is lost (a download cut short) still
// begins with the header of its first entry.
bool beginsWithZipEntry(const std::string &archivePath)
{
    std::ifstream in(archivePath, std::ios::binary);
    char head[4] = {};
    return in.read(head, sizeof head) && std::string_view(head, 4) == std::string_view("PK\x03\x04", 4);
}

// After an archive failed to open: when it may be a ZIP archive that lost
// its directory, offers to recover what its entries hold, into
// `destination` (asked for when empty), and says what was recovered.
void offerSalvage(const std::string &archivePath, std::string destination)
{
    if (!beginsWithZipEntry(archivePath) ||
        !pf::askYesNo("Zarvon", languageText("MsgSalvageAsk", "Le répertoire de cette archive est illisible. "
                                                              "Récupérer ce que ses entrées contiennent encore ?")))
        return;
    if (destination.empty())
        destination = askDestination();
    if (destination.empty())
        return;
    const std::string title = extractionTitle();
    setMainTitle(title);
    openExtractionProgressWindow(title);
    ProgressWindowReporter progress(ProgressWindowReporter::Form::Extraction);
    // Nothing the user has is replaced by what a damaged archive gives.
    const ExtractReport report =
        operations::salvageArchive({archivePath, destination, {}, {}, operations::Overwrite::Skip}, progress);
    closeProgressWindow();
    clearCancelRequest();
    setMainTitle(restingWindowTitle());
    if (!report.opened || report.failure.reason == operations::Reason::NotAnArchive) {
        errorMessage(languageText("MsgSalvageNone", "Aucune entrée n'a pu être récupérée.") + "\r" + archivePath);
        return;
    }
    if (report.stopped) {
        pf::messageBox("Zarvon", languageText("MsgStopExtract", "Extraction interrompue par l'utilisateur !"),
                       pf::MessageIcon::Warning);
        return;
    }
    std::string text = languageText("MsgSalvageDone", "Fichiers récupérés d'une archive endommagée : %1");
    if (const auto at = text.find("%1"); at != std::string::npos)
        text.replace(at, 2, std::to_string(report.filesWritten));
    if (!report.failures.empty())
        text += "\r" + languageText("MsgExtractFailures", "Ces fichiers n'ont pas pu être extraits :") +
                failureLines(report);
    pf::messageBox("Zarvon", text, pf::MessageIcon::Warning);
}

void extractWithoutPassword(const std::string &archivePath, const std::vector<std::string> &names)
{
    // An archive that cannot be opened is said so at once, not after the
    // user has chosen a folder for nothing.
    const operations::ListReport listed = operations::listArchiveEntries(archivePath);
    if (!listed.opened) {
        reportExtraction(archivePath, notOpened(listed.failure));
        offerSalvage(archivePath, {});
        return;
    }
    const std::string destination = askDestination();
    if (destination.empty())
        return;
    uiState().lastZipDestination = destination;
    reportExtraction(archivePath, runWithProgress(archivePath, destination, names));
}

void openPasswordWindowFor(const PasswordRequest &request)
{
    PasswordDestination shown = PasswordDestination::Editable;
    if (request.kind == PasswordRequestKind::rarFile)
        shown = PasswordDestination::Locked;
    if (request.kind == PasswordRequestKind::openEntry || request.kind == PasswordRequestKind::dragEntries ||
        request.kind == PasswordRequestKind::testArchive)
        shown = PasswordDestination::None;
    if (!buildPasswordWindow(request.destination, shown))
        return;
    pf::showWindow(ids::WindowCopy);
    pf::activateWindow(ids::WindowCopy);
    pf::setActiveGadget(ids::StrCopyDestination);
}

// Opens the password window for the first waiting request, when it is not
// open already. The copy window open for a copy, move or rename gives way.
void askNextPassword()
{
    if (uiState().passwordRequests.empty())
        return;
    if (isPasswordWindowOpen())
        return;
    openPasswordWindowFor(uiState().passwordRequests.front());
}

void queuePasswordRequest(PasswordRequest request) { uiState().passwordRequests.push_back(std::move(request)); }

// The password window's Ok for the test command.
void confirmTestPassword(const PasswordRequest &request)
{
    const std::string password = pf::getGadgetText(ids::StrCopyDestination);
    if (password.empty()) {
        errorMessage(languageText("MsgZipPwd", "Vérifier votre mot de passe et/ou la destionation !"));
        return;
    }
    // A test writes nothing and shows no progress window: the password
    // window stays up, with the keyboard, while it runs.
    operations::TestReport tested;
    if (!testWithPassword(request, password, tested)) {
        // Refused: the field is emptied for another try, or Cancel. The
        // window manager hands the keyboard back to the main window when the
        // message closes: the password window takes it back.
        pf::setGadgetText(ids::StrCopyDestination, "");
        pf::activateWindow(ids::WindowCopy);
        pf::setActiveGadget(ids::StrCopyDestination);
        return;
    }
    pf::closeWindow(ids::WindowCopy);
    uiState().passwordRequests.pop_front();
    showTestVerdict(request, tested);
    askNextPassword();
}

std::string failureLines(const ExtractReport &report)
{
    std::string text;
    const std::size_t shown = std::min<std::size_t>(report.failures.size(), 10);
    for (std::size_t i = 0; i < shown; ++i) {
        const auto &failure = report.failures[i];
        text +=
            "\r" + (failure.name.empty() ? std::string("?") : failure.name) + " : " + extractionFailureReason(failure);
    }
    if (report.failures.size() > shown)
        text += "\r...";
    return text;
}

} // namespace

void askPassword(PasswordRequest request)
{
    queuePasswordRequest(std::move(request));
    askNextPassword();
}

// Protection

std::string archiveProtectionText(const std::string &path)
{
    const operations::Protection protection = operations::archiveProtection(path);
    if (protection == operations::Protection::Unknown)
        return {};
    const auto &texts = settings::currentBuiltInTexts();
    return protection == operations::Protection::Encrypted ? texts.encrypted : texts.notEncrypted;
}

const std::deque<PasswordRequest> &pendingPasswordRequests() { return uiState().passwordRequests; }

const std::string &zipDestination() { return uiState().lastZipDestination; }

std::string extractionFailureReason(const operations::Failure &failure)
{
    using operations::Reason;
    std::string reason = reasonText(failure.reason);
    if (failure.sysErrno != 0)
        reason += " (" + std::string(std::strerror(failure.sysErrno)) + ")";
    return reason;
}

void reportExtraction(const std::string &archivePath, const ExtractReport &report)
{
    if (report.failure.reason == operations::Reason::NotEnoughSpace) {
        std::string text =
            languageText("MsgNoSpace", "Pas assez de place pour extraire : %1 octets nécessaires, %2 disponibles.");
        const auto put = [&text](const std::string &mark, uint64_t bytes) {
            const auto at = text.find(mark);
            if (at != std::string::npos)
                text.replace(at, mark.size(), std::to_string(bytes));
        };
        put("%1", report.spaceNeeded);
        put("%2", report.spaceAvailable);
        errorMessage(text + "\r" + archivePath);
        return;
    }
    const auto encrypted = [](const operations::Failure &f) {
        return f.reason == operations::Reason::EncryptionUnsupported;
    };
    const bool allEncrypted = report.opened && report.filesWritten == 0 && !report.failures.empty() &&
                              std::all_of(report.failures.begin(), report.failures.end(), encrypted);
    if ((!report.opened && encrypted(report.failure)) || allEncrypted) {
        errorMessage(languageText("MsgEncryptedUnsupported",
                                  "Cette archive est chiffrée, ce que Zarvon ne sait pas encore ouvrir. Rien n'a été "
                                  "extrait.") +
                     "\r" + archivePath);
        return;
    }
    if (!report.opened) {
        // Why, in the report's own terms: a missing right, a file that is no
        // archive and a missing password each call for something else.
        std::string text = languageText("MsgExtractOpenError", "Impossible d'ouvrir l'archive :") + "\r" + archivePath;
        if (report.failure.reason != operations::Reason::None)
            text += "\r" + extractionFailureReason(report.failure);
        errorMessage(text);
        return;
    }
    if (report.stopped) {
        pf::messageBox("Zarvon", languageText("MsgStopExtract", "Extraction interrompue par l'utilisateur !"),
                       pf::MessageIcon::Warning);
        return;
    }
    if (!report.failures.empty()) {
        const bool wrongPassword = report.anyWrongPassword();
        const std::string heading =
            wrongPassword
                ? languageText("MsgZipPwdError", "Impossible d'extraire les fichiers, mot de passe incorrect !")
                : languageText("MsgExtractFailures", "Ces fichiers n'ont pas pu être extraits :");
        pf::messageBox("Zarvon", heading + failureLines(report), pf::MessageIcon::Warning);
        return;
    }
    if (report.entriesDone == 0 && report.skipped.empty()) {
        pf::messageBox("Zarvon",
                       languageText("MsgExtractNothing", "L'archive ne contient aucun fichier : rien n'a été extrait."),
                       pf::MessageIcon::Warning);
        return;
    }
    pf::messageBox("Zarvon", languageText("MsgExtract1", "Extraction des fichiers terminée"),
                   pf::MessageIcon::Information);
}

// RAR

void extractRarFile(const std::string &archivePath)
{
    if (!operations::rarLibraryAvailable()) {
        errorMessage(
            languageText("MsgRarLibraryMissing", "La bibliothèque UnRAR est absente : installez le paquet libunrar5."));
        return;
    }
    const std::string destination = pf::folderRequester(languageText("TxtSelectDirectory", "Choisissez un répertoire"),
                                                        startFolder(settings::kDefaultArchiveExtractionFolder));
    if (destination.empty())
        return;
    const ExtractReport report = runWithProgress(archivePath, destination, {});
    // Encrypted headers: nothing could be read without the password.
    const bool headersLocked = !report.opened && report.failure.reason == operations::Reason::PasswordNeeded;
    if (headersLocked || (report.opened && !report.stopped && report.passwordFailures() > 0)) {
        // The password pass extracts only what the first pass could not.
        std::vector<std::string> names;
        for (const auto &failure : report.failures)
            if (failure.reason == operations::Reason::PasswordNeeded ||
                failure.reason == operations::Reason::WrongPassword)
                names.push_back(failure.name);
        queuePasswordRequest({PasswordRequestKind::rarFile, archivePath, names, destination});
        return;
    }
    if (!report.opened && report.failure.reason != operations::Reason::NotAnArchive &&
        report.failure.reason != operations::Reason::CannotOpen) {
        reportExtraction(archivePath, report);
        return;
    }
    if (!report.opened) {
        errorMessage(languageText("MsgRarError", "Impossible d'extraire les fichiers !") + "\r" + archivePath);
        return;
    }
    reportExtraction(archivePath, report);
}

// Commands

void extractSelection()
{
    const int explorer = ids::ExplorerList;
    bool anySelected = false;
    std::vector<std::string> files;
    if (pf::isGadget(explorer) && !archiveListIsTheTarget()) {
        for (const ExplorerItem &item : selectedExplorerItems(explorer)) {
            anySelected = true;
            if (!(item.state & pf::ItemFile))
                continue;
            files.push_back(item.path);
        }
    }

    if (anySelected) {
        if (files.empty()) {
            // Folders alone: say what the command wants instead of doing nothing.
            errorMessage(languageText("MsgNozipSelect", "Veuillez selectionnez une archive !"));
            return;
        }
        std::size_t skipped = 0;
        for (const auto &path : files) {
            const operations::ArchiveFormat *format = operations::formatOf(path);
            if (!format)
                ++skipped;
            else if (format == &operations::rarFormat())
                extractRarFile(path);
            else if (isProtected(path))
                queuePasswordRequest({PasswordRequestKind::zipFile, path, {}, {}});
            else
                extractWithoutPassword(path, {});
        }
        // One message for all the files passed over: thousands of them
        // selected must not mean thousands of boxes to close.
        reportSkippedNonArchives(skipped);
        askNextPassword();
        return;
    }

    const std::string archive = shownArchive();
    if (!archive.empty()) {
        // No entry selected: the whole archive, as the explorer's archive
        // would be extracted.
        const std::vector<std::string> names = selectedArchiveRows();
        if (isProtected(archive)) {
            queuePasswordRequest({names.empty() ? PasswordRequestKind::zipFile : PasswordRequestKind::zipEntries,
                                  archive, names, {}});
            askNextPassword();
            return;
        }
        extractWithoutPassword(archive, names);
        return;
    }

    errorMessage(languageText("MsgNozipSelect", "Veuillez selectionnez une archive !"));
}

void confirmPasswordWindow()
{
    if (!pf::isWindow(ids::WindowCopy))
        return;
    if (uiState().passwordRequests.empty()) {
        pf::closeWindow(ids::WindowCopy);
        return;
    }
    const PasswordRequest request = uiState().passwordRequests.front();
    if (request.kind == PasswordRequestKind::testArchive) {
        confirmTestPassword(request);
        return;
    }
    // Entries opened or dragged out go to a private folder: there is no
    // destination to check.
    const bool privateCopy =
        request.kind == PasswordRequestKind::openEntry || request.kind == PasswordRequestKind::dragEntries;
    const std::string password = pf::getGadgetText(ids::StrCopyDestination);
    const std::string destination = privateCopy ? std::string() : pf::getGadgetText(ids::StrPwdDestination);
    // A relative folder would be taken from wherever the program was
    // started, where the user would never look for the files.
    if (password.empty() || (!privateCopy && !std::filesystem::path(destination).is_absolute())) {
        errorMessage(languageText("MsgZipPwd", "Vérifier votre mot de passe et/ou la destionation !"));
        return;
    }

    // A RAR file's entries go where its first pass wrote the others.
    const std::string folder = request.kind == PasswordRequestKind::rarFile ? request.destination : destination;
    pf::hideWindow(ids::WindowCopy);
    const ExtractReport report = privateCopy ? takeOutWithPassword(request, password)
                                             : runWithProgress(request.archivePath, folder, request.entryNames, password);

    if (report.opened && !report.stopped && report.passwordFailures() > 0) {
        // Nothing was written for the entries the password did not open: the
        // user may try again.
        reportExtraction(request.archivePath, report);
        pf::setGadgetText(ids::StrCopyDestination, "");
        pf::showWindow(ids::WindowCopy);
        pf::activateWindow(ids::WindowCopy);
        pf::setActiveGadget(ids::StrCopyDestination);
        return;
    }
    pf::closeWindow(ids::WindowCopy);
    uiState().passwordRequests.pop_front();
    if (request.kind == PasswordRequestKind::zipFile || request.kind == PasswordRequestKind::zipEntries)
        uiState().lastZipDestination = destination;
    // A private copy that worked has been opened or is ready to drag: no
    // message stands in the way.
    if (!privateCopy || !report.opened || report.stopped || !report.failures.empty())
        reportExtraction(request.archivePath, report);
    askNextPassword();
}

void browsePasswordDestination()
{
    const std::string folder = askDestination();
    if (!folder.empty())
        pf::setGadgetText(ids::StrPwdDestination, folder);
}

void cancelPasswordWindow()
{
    if (pf::isWindow(ids::WindowCopy))
        pf::closeWindow(ids::WindowCopy);
    if (!uiState().passwordRequests.empty()) {
        const PasswordRequest request = uiState().passwordRequests.front();
        uiState().passwordRequests.pop_front();
        // A test left without its password is not a test passed: say what
        // was not checked.
        if (request.kind == PasswordRequestKind::testArchive)
            reportUntestedEntries(request);
    }
    askNextPassword();
}

void extractArchiveTo(const std::string &archivePath, const std::string &destination)
{
    if (isProtected(archivePath)) {
        queuePasswordRequest({PasswordRequestKind::zipFile, archivePath, {}, destination});
        askNextPassword();
        return;
    }
    const operations::ListReport listed = operations::listArchiveEntries(archivePath);
    if (!listed.opened) {
        reportExtraction(archivePath, notOpened(listed.failure));
        offerSalvage(archivePath, destination);
        return;
    }
    reportExtraction(archivePath, runWithProgress(archivePath, destination, {}));
}


} // namespace zarvon::ui
