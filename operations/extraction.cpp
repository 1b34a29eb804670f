#include "operations/extraction.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "engine/engine.h"
#include "operations/compression.h"
#include "operations/explorer_selection.h"
#include "operations/progress.h"
#include "settings/language.h"
#include "ui/ids.h"
#include "ui/platform/platform.h"
#include "ui/platform/requesters.h"

namespace zarvon::operations {

namespace pf = zarvon::platform;
using settings::languageText;

namespace {

// An entry asked for by name that the archive no longer holds.
constexpr int32_t kEntryNotFound = -1000;
// An encrypted entry whose data failed its check although the check byte
// matched: one wrong password in 256 gets that far, so the user is told it
// may be the password and may try again.
constexpr int32_t kEntryPasswordOrDamage = -1001;

std::deque<PasswordRequest> passwordRequests;
std::string lastZipDestination;
std::function<bool(const std::string &, bool)> passwordWindowBuilder;
std::function<std::string()> shownArchiveReader;

std::string extensionOf(const std::string &name) {
    const auto dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

std::string homeFolder() {
    const char *home = std::getenv("HOME");
    std::string folder = home && *home ? home : "/";
    if (folder.back() != '/') folder += '/';
    return folder;
}

void errorMessage(const std::string &text) { pf::messageBox("Zarvon", text, pf::MessageIcon::Error); }

void setMainTitle(const std::string &title) {
    if (pf::isWindow(ids::WindowMain)) pf::setWindowTitle(ids::WindowMain, title);
}

std::string extractionTitle() { return languageText("TxtWindowExtract", "Extraction des fichiers..."); }

std::string askDestination() {
    return pf::folderRequester(languageText("DefaultRep", "Choisissez Le dossier de destination"), homeFolder());
}

// The archive shown in the archive list, "" when none.
std::string shownArchive() {
    if (!pf::isGadget(ids::ArchiveList)) return {};
    return shownArchiveReader ? shownArchiveReader() : std::string();
}

std::vector<std::string> selectedArchiveRows() {
    std::vector<std::string> names;
    const int count = pf::countGadgetItems(ids::ArchiveList);
    for (int i = 0; i < count; ++i)
        if (pf::getGadgetItemState(ids::ArchiveList, i) & pf::ItemSelected)
            names.push_back(pf::getGadgetItemText(ids::ArchiveList, i));
    return names;
}

// A run with the extraction progress window and the extraction title.
ExtractionReport runWithProgress(const std::string &archivePath, const std::string &destination,
                                 const std::vector<std::string> &names) {
    const std::string title = extractionTitle();
    setMainTitle(title);
    openExtractionProgressWindow(title);
    ExtractionReport report = extractEntries(archivePath, destination, names);
    closeProgressWindow();
    setMainTitle(kMainTitle);
    return report;
}

void extractWithoutPassword(const std::string &archivePath, const std::vector<std::string> &names) {
    // An archive that cannot be opened is said so at once, not after the
    // user has chosen a folder for nothing.
    if (engine::entryCount(archivePath) < 0) {
        reportExtraction(archivePath, ExtractionReport{});
        return;
    }
    const std::string destination = askDestination();
    if (destination.empty()) return;
    lastZipDestination = destination;
    engine::setPassword("");
    reportExtraction(archivePath, runWithProgress(archivePath, destination, names));
}

void openPasswordWindowFor(const PasswordRequest &request) {
    const bool rar = request.kind == PasswordRequestKind::rarFile;
    if (!passwordWindowBuilder || !passwordWindowBuilder(request.destination, rar)) return;
    pf::showWindow(ids::WindowCopy);
    pf::activateWindow(ids::WindowCopy);
    pf::setActiveGadget(ids::StrCopyDestination);
}

// Opens the password window for the first waiting request, when it is not
// open already. The copy window open for a copy, move or rename gives way.
void askNextPassword() {
    if (passwordRequests.empty()) return;
    if (pf::isWindow(ids::WindowCopy) && isPasswordWindowTitle(pf::getWindowTitle(ids::WindowCopy))) return;
    openPasswordWindowFor(passwordRequests.front());
}

void queuePasswordRequest(PasswordRequest request) { passwordRequests.push_back(std::move(request)); }

std::string failureLines(const ExtractionReport &report) {
    std::string text;
    const std::size_t shown = std::min<std::size_t>(report.failures.size(), 10);
    for (std::size_t i = 0; i < shown; ++i) {
        const auto &failure = report.failures[i];
        text += "\r" + (failure.entryName.empty() ? std::string("?") : failure.entryName) + " : " +
                extractionFailureReason(failure.result);
    }
    if (report.failures.size() > shown) text += "\r...";
    return text;
}

}  // namespace

// ---- Protection --------------------------------------------------------------------

std::string archiveProtectionText(const std::string &path) {
    bool anyEntry = false;
    bool encrypted = false;
    if (engine::openArchiveForReading(path) != 0) {
        for (int32_t r = engine::firstEntry(); r == 0; r = engine::nextEntry()) {
            engine::EntryInfo info;
            if (engine::currentEntryInfo(info) != 0) continue;
            anyEntry = true;
            if (info.isEncrypted()) {
                encrypted = true;
                break;
            }
        }
    }
    engine::closeArchives();
    if (!anyEntry) return {};
    const auto &texts = settings::currentBuiltInTexts();
    return encrypted ? texts.encrypted : texts.notEncrypted;
}

bool isProtectionTextProtected(const std::string &text) {
    return text == settings::builtInTexts(false).encrypted || text == settings::builtInTexts(true).encrypted;
}

const std::deque<PasswordRequest> &pendingPasswordRequests() { return passwordRequests; }

bool isPasswordWindowTitle(const std::string &title) { return title == "Mot de Passe" || title == "Password"; }

const std::string &zipDestination() { return lastZipDestination; }

void resetExtractionWorkflow() {
    lastZipDestination.clear();
    passwordRequests.clear();
    shownArchiveReader = nullptr;
}

void setPasswordWindowBuilder(std::function<bool(const std::string &, bool)> build) {
    passwordWindowBuilder = std::move(build);
}

void setShownArchiveReader(std::function<std::string()> reader) { shownArchiveReader = std::move(reader); }

// ---- Running --------------------------------------------------------------------------

int32_t ExtractionReport::wrongPasswords() const {
    return static_cast<int32_t>(std::count_if(failures.begin(), failures.end(), [](const Failure &f) {
        return f.result == engine::kErrWrongPassword || f.result == engine::kErrPasswordNeeded ||
               f.result == kEntryPasswordOrDamage;
    }));
}

ExtractionReport extractEntries(const std::string &archivePath, const std::string &destination,
                                const std::vector<std::string> &entryNames) {
    ExtractionReport report;
    clearCancelRequest();
    if (engine::openArchiveForReading(archivePath) == 0) {
        engine::closeArchives();
        return report;
    }
    report.opened = true;
    const std::set<std::string> wanted(entryNames.begin(), entryNames.end());
    std::set<std::string> found;
    int32_t moved = engine::firstEntry();
    for (; moved == 0; moved = engine::nextEntry()) {
        engine::EntryInfo info;
        const int32_t described = engine::currentEntryInfo(info);
        if (described != 0) {
            report.failures.push_back({std::string(), described});
            continue;
        }
        if (!wanted.empty() && !wanted.count(info.fileName)) continue;
        found.insert(info.fileName);
        setProgressFileText(info.fileName.substr(info.fileName.find_last_of(engine::kSeparator,
                                                                            info.fileName.size() - 2) + 1));
        const int32_t result = engine::extractCurrentEntry(destination, 1);
        if (result == engine::kResultStopped || cancelRequested()) {
            report.stopped = true;
            break;
        }
        if (result == 0) {
            ++report.entriesDone;
            if (!info.isFolder()) ++report.filesWritten;
        } else if (info.isEncrypted() && (result == engine::kErrCrc || result == engine::kErrData)) {
            report.failures.push_back({info.fileName, kEntryPasswordOrDamage});
        } else {
            report.failures.push_back({info.fileName, result});
        }
    }
    if (!report.stopped && moved != 0 && moved != engine::kErrEndOfList)
        report.failures.push_back({std::string(), moved});
    engine::closeArchives();
    if (!report.stopped)
        for (const auto &name : entryNames)
            if (!found.count(name)) report.failures.push_back({name, kEntryNotFound});
    clearCancelRequest();
    return report;
}

std::string extractionFailureReason(int32_t result) {
    switch (result) {
    case engine::kErrWrongPassword:
        return languageText("TxtFailWrongPassword", "mot de passe incorrect");
    case engine::kErrPasswordNeeded:
        return languageText("TxtFailPasswordNeeded", "mot de passe nécessaire");
    case engine::kErrUnsafeName:
        return languageText("TxtFailUnsafeName", "nom refusé, il sortirait du dossier de destination");
    case engine::kErrUnsupportedMethod:
        return languageText("TxtFailMethod", "méthode de compression non prise en charge");
    case engine::kErrWrite:
        return languageText("TxtFailWrite", "écriture impossible (disque plein ?)");
    case engine::kErrReadOnlyTarget:
        return languageText("TxtFailReadOnly", "un fichier en lecture seule porte déjà ce nom");
    case engine::kErrGeneral:
        return languageText("TxtFailCreate", "le fichier ne peut pas être créé");
    case kEntryPasswordOrDamage:
        return languageText("TxtFailPasswordOrDamage", "mot de passe incorrect ou données endommagées");
    case kEntryNotFound:
        return languageText("TxtFailNotFound", "introuvable dans l'archive");
    default:
        return languageText("TxtFailDamaged", "données endommagées");
    }
}

void reportExtraction(const std::string &archivePath, const ExtractionReport &report) {
    if (!report.opened) {
        errorMessage(languageText("MsgExtractOpenError", "Impossible d'ouvrir l'archive :") + "\r" + archivePath);
        return;
    }
    if (report.stopped) {
        pf::messageBox("Zarvon", languageText("MsgStopExtract", "Extraction interrompue par l'utilisateur !"),
                       pf::MessageIcon::Warning);
        return;
    }
    if (!report.failures.empty()) {
        const bool wrongPassword =
            std::any_of(report.failures.begin(), report.failures.end(),
                        [](const ExtractionReport::Failure &f) { return f.result == engine::kErrWrongPassword; });
        const std::string heading =
            wrongPassword
                ? languageText("MsgZipPwdError", "Impossible d'extraire les fichiers, mot de passe incorrect !")
                : languageText("MsgExtractFailures", "Ces fichiers n'ont pas pu être extraits :");
        pf::messageBox("Zarvon", heading + failureLines(report), pf::MessageIcon::Warning);
        return;
    }
    if (report.entriesDone == 0) {
        pf::messageBox("Zarvon", languageText("MsgExtractNothing", "L'archive ne contient aucun fichier : rien n'a été extrait."),
                       pf::MessageIcon::Warning);
        return;
    }
    pf::messageBox("Zarvon", languageText("MsgExtract1", "Extraction des fichiers terminée"),
                   pf::MessageIcon::Information);
}

// ---- Commands --------------------------------------------------------------------------

void extractSelection() {
    const int explorer = ids::ExplorerList;
    bool anySelected = false;
    std::vector<std::pair<std::string, std::string>> files;  // path, extension
    if (pf::isGadget(explorer)) {
        for (const ExplorerItem &item : selectedExplorerItems(explorer)) {
            anySelected = true;
            if (!(item.state & pf::ItemFile)) continue;
            files.emplace_back(item.path, lowerAscii(extensionOf(item.name)));
        }
    }

    if (anySelected) {
        if (files.empty()) {
            // Folders alone: say what the command wants instead of doing nothing.
            errorMessage(languageText("MsgNozipSelect", "Veuillez selectionnez une archive !"));
            return;
        }
        for (const auto &[path, extension] : files) {
            if (extension == "zip") {
                if (isProtectionTextProtected(archiveProtectionText(path)))
                    queuePasswordRequest({PasswordRequestKind::zipFile, path, {}, {}});
                else
                    extractWithoutPassword(path, {});
            } else if (extension == "rar") {
                extractRarFile(path);
            } else {
                errorMessage(languageText("MsgNozipSelect", "Veuillez selectionnez une archive !"));
            }
        }
        askNextPassword();
        return;
    }

    const std::string archive = shownArchive();
    if (!archive.empty()) {
        const std::vector<std::string> names = selectedArchiveRows();
        if (names.empty()) {
            errorMessage(languageText("MsgNoFileSelect", "Veuillez selectionnez le(s) fichier(s) à extraire !"));
            return;
        }
        if (isProtectionTextProtected(archiveProtectionText(archive))) {
            queuePasswordRequest({PasswordRequestKind::zipEntries, archive, names, {}});
            askNextPassword();
            return;
        }
        extractWithoutPassword(archive, names);
        return;
    }

    errorMessage(languageText("MsgNozipSelect", "Veuillez selectionnez une archive !"));
}

void confirmPasswordWindow() {
    if (!pf::isWindow(ids::WindowCopy)) return;
    if (passwordRequests.empty()) {
        pf::closeWindow(ids::WindowCopy);
        return;
    }
    const std::string password = pf::getGadgetText(ids::StrCopyDestination);
    const std::string destination = pf::getGadgetText(ids::StrPwdDestination);
    // A relative folder would be taken from wherever the program was
    // started, where the user would never look for the files.
    if (password.empty() || !std::filesystem::path(destination).is_absolute()) {
        errorMessage(languageText("MsgZipPwd", "Vérifier votre mot de passe et/ou la destionation !"));
        return;
    }
    const PasswordRequest request = passwordRequests.front();

    if (request.kind == PasswordRequestKind::rarFile) {
        pf::closeWindow(ids::WindowCopy);
        passwordRequests.pop_front();
        extractRarWithPassword(request, password);
        askNextPassword();
        return;
    }

    pf::hideWindow(ids::WindowCopy);
    engine::setPassword(password);
    const ExtractionReport report = runWithProgress(request.archivePath, destination, request.entryNames);
    engine::setPassword("");

    if (report.opened && !report.stopped && report.wrongPasswords() > 0) {
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
    passwordRequests.pop_front();
    lastZipDestination = destination;
    reportExtraction(request.archivePath, report);
    askNextPassword();
}

void browsePasswordDestination() {
    const std::string folder = askDestination();
    if (!folder.empty()) pf::setGadgetText(ids::StrPwdDestination, folder);
}

void cancelPasswordWindow() {
    if (pf::isWindow(ids::WindowCopy)) pf::closeWindow(ids::WindowCopy);
    if (!passwordRequests.empty()) passwordRequests.pop_front();
    askNextPassword();
}

void extractDraggedEntries() {
    const std::string archive = shownArchive();
    if (archive.empty()) return;
    const std::vector<std::string> names = selectedArchiveRows();
    if (names.empty()) return;
    if (engine::entryCount(archive) < 0) {
        reportExtraction(archive, ExtractionReport{});
        return;
    }
    if (isProtectionTextProtected(archiveProtectionText(archive))) {
        // Without its password a protected entry cannot be written: ask for
        // it, with the last folder already in the destination field.
        queuePasswordRequest({PasswordRequestKind::zipEntries, archive, names, lastZipDestination});
        askNextPassword();
        return;
    }
    if (lastZipDestination.empty()) {
        // No folder chosen yet in this session: ask rather than write anywhere.
        const std::string destination = askDestination();
        if (destination.empty()) return;
        lastZipDestination = destination;
    }
    engine::setPassword("");
    const ExtractionReport report = runWithProgress(archive, lastZipDestination, names);
    if (!report.opened || report.stopped || !report.failures.empty()) reportExtraction(archive, report);
}

}  // namespace zarvon::operations
