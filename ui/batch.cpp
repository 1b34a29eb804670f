#include "ui/batch.h"

#include <cstring>
#include <filesystem>
#include <system_error>

#include "base/case_fold.h"
#include "operations/jobs.h"
#include "operations/libarchive_format.h"
#include "settings/language.h"
#include "settings/setting_keys.h"
#include "ui/compression.h"
#include "ui/extraction.h"
#include "ui/platform/platform.h"
#include "ui/platform/requesters.h"
#include "ui/progress.h"

namespace zarvon::ui {
namespace pf = zarvon::platform;
namespace fs = std::filesystem;
using operations::BatchIssue;
using operations::BatchProblem;
using settings::languageText;

namespace {

constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kRefused = 2;

void errorMessage(const std::string &text) { pf::messageBox("Zarvon", text, pf::MessageIcon::Error); }

std::string issueLine(const BatchIssue &issue)
{
    std::string why;
    switch (issue.problem) {
    case BatchProblem::Missing: why = languageText("TxtBatchMissing", "introuvable"); break;
    case BatchProblem::Folder: why = languageText("TxtBatchFolder", "c'est un dossier, pas une archive"); break;
    case BatchProblem::NotAnArchive: why = languageText("TxtBatchNotArchive", "ce n'est pas une archive lisible"); break;
    case BatchProblem::NotWritable: why = languageText("TxtBatchNotWritable", "on ne peut pas y écrire"); break;
    case BatchProblem::NoLibrary:
        why = languageText("MsgRarLibraryMissing", "La bibliothèque UnRAR est absente : installez le paquet libunrar5.");
        break;
    case BatchProblem::SameFolder:
        why = languageText("TxtBatchSameFolder", "s'extrairait au même endroit que") + " " + issue.other;
        break;
    }
    if (issue.sysErrno != 0)
        why += " (" + std::string(std::strerror(issue.sysErrno)) + ")";
    return issue.path + " : " + why;
}

// One message for every refused input, before anything is written.
int refuse(const std::string &heading, const std::vector<BatchIssue> &issues)
{
    std::string text = heading;
    for (std::size_t i = 0; i < issues.size() && i < 10; ++i)
        text += "\r" + issueLine(issues[i]);
    if (issues.size() > 10)
        text += "\r...";
    errorMessage(text);
    return kRefused;
}

std::string askArchivePassword(const std::string &archive)
{
    std::string typed;
    if (!pf::askText("Zarvon",
                     languageText("MsgBatchPassword", "Mot de passe de l'archive :") + "\r" +
                         fs::path(archive).filename().string(),
                     typed, {}, true))
        return {};
    return typed;
}

bool needsPassword(const std::string &archive)
{
    if (operations::archiveProtection(archive) == operations::Protection::Encrypted)
        return true;
    const operations::ListReport listed = operations::listArchiveEntries(archive);
    return !listed.opened && listed.failure.reason == operations::Reason::PasswordNeeded;
}

operations::ExtractReport extractWithProgress(const operations::ExtractionTarget &target, const std::string &password)
{
    openExtractionProgressWindow(languageText("TxtWindowExtract", "Extraction des fichiers..."));
    ProgressWindowReporter progress(ProgressWindowReporter::Form::Extraction);
    const auto overwrite = settings::settingIs(settings::kReplaceWithoutAsking, "1") ? operations::Overwrite::Replace
                                                                                     : operations::Overwrite::Ask;
    operations::ExtractReport report =
        operations::extractArchive({target.archive, target.destination, {}, password, overwrite}, progress);
    closeProgressWindow();
    clearCancelRequest();
    return report;
}

enum class TargetOutcome { Done, Failed, Cancelled };

TargetOutcome extractTarget(const operations::ExtractionTarget &target)
{
    std::error_code error;
    // A folder made for this archive goes again when the run is given up:
    // nothing half-extracted stays behind under the archive's name.
    const bool folderIsNew = target.ownFolder && !fs::exists(target.destination, error);
    const auto dropNewFolder = [&] {
        if (folderIsNew)
            fs::remove_all(target.destination, error);
    };
    std::string password;
    if (needsPassword(target.archive)) {
        password = askArchivePassword(target.archive);
        if (password.empty())
            return TargetOutcome::Cancelled;
    }
    for (;;) {
        const operations::ExtractReport report = extractWithProgress(target, password);
        if (report.stopped) {
            dropNewFolder();
            reportExtraction(target.archive, report);
            return TargetOutcome::Cancelled;
        }
        if (report.opened && report.passwordFailures() > 0 && !password.empty() &&
            report.passwordFailures() == int32_t(report.failures.size())) {
            // The password did not open it: nothing of those entries was
            // written; the user may try another one.
            reportExtraction(target.archive, report);
            password = askArchivePassword(target.archive);
            if (password.empty()) {
                dropNewFolder();
                return TargetOutcome::Cancelled;
            }
            continue;
        }
        if (!report.opened || !report.failures.empty()) {
            if (report.filesWritten == 0)
                dropNewFolder();
            reportExtraction(target.archive, report);
            return TargetOutcome::Failed;
        }
        return TargetOutcome::Done;
    }
}

int extractAll(const std::vector<std::string> &archives, const std::string &baseFolder)
{
    const operations::ExtractionPlan plan = operations::planBatchExtraction(archives, baseFolder);
    if (!plan.issues.empty())
        return refuse(languageText("MsgBatchNothingExtracted", "Rien n'a été extrait :"), plan.issues);
    int status = kDone;
    for (const operations::ExtractionTarget &target : plan.targets) {
        switch (extractTarget(target)) {
        case TargetOutcome::Done: break;
        case TargetOutcome::Failed: status = kFailed; break;
        case TargetOutcome::Cancelled: return kFailed; // the user stopped the whole batch
        }
    }
    return status;
}

// The files to compress must all be there.
std::vector<BatchIssue> missingSources(const std::vector<std::string> &paths)
{
    std::vector<BatchIssue> issues;
    std::error_code error;
    for (const std::string &path : paths)
        if (!fs::exists(fs::symlink_status(path, error)))
            issues.push_back({BatchProblem::Missing, path, {}, 0});
    return issues;
}

int compressTo(const std::string &archive, const std::vector<std::string> &paths)
{
    const std::string heading = languageText("MsgBatchNothingCompressed", "Rien n'a été compressé :");
    if (base::lowerAscii(fs::path(archive).extension().string()) != ".zip" &&
        operations::createdKindOf(archive) == operations::CreatedKind::None) {
        errorMessage(
            languageText("MsgZipOnly", "Zarvon crée des archives .zip, .7z, .tar.gz, .tar.xz, .tar.zst et .tar.bz2 : "
                                       "donnez au nom l'une de ces extensions."));
        return kRefused;
    }
    std::vector<BatchIssue> issues = missingSources(paths);
    std::error_code error;
    if (fs::is_directory(archive, error))
        issues.push_back({BatchProblem::NotWritable, archive, {}, EISDIR});
    else if (const int refused = operations::creatableError(fs::path(archive).parent_path().string()))
        issues.push_back({BatchProblem::NotWritable, archive, {}, refused});
    if (!issues.empty())
        return refuse(heading, issues);
    if (fs::exists(archive, error) &&
        !pf::askYesNo("Zarvon",
                      languageText("MsgReplaceItem", "Un élément de ce nom existe déjà :") + "\r" + archive + "\r" +
                          languageText("MsgReplaceQuestion", "Voulez-vous le remplacer ?"),
                      pf::MessageIcon::Question))
        return kFailed;
    // The parent folder of a new archive is made as an extraction makes
    // its destination.
    fs::create_directories(fs::path(archive).parent_path(), error);
    openProgressWindow(100);
    int32_t leftOut = 0;
    const CompressionOutcome outcome = compressPathsTo(archive, paths, leftOut);
    closeProgressWindow();
    return outcome == CompressionOutcome::Written && leftOut == 0 ? kDone : kFailed;
}

} // namespace

int runBatch(const operations::BatchCommand &command)
{
    using operations::BatchMode;
    switch (command.mode) {
    case BatchMode::ExtractHere: return extractAll(command.paths, {});
    case BatchMode::ExtractTo: return extractAll(command.paths, command.target);
    case BatchMode::Extract: {
        const std::string folder =
            pf::folderRequester(languageText("DefaultRep", "Choisissez Le dossier de destination"),
                                fs::path(command.paths.front()).parent_path().string(), true);
        if (folder.empty())
            return kFailed;
        return extractAll(command.paths, folder);
    }
    case BatchMode::CompressTo: return compressTo(command.target, command.paths);
    case BatchMode::Compress: {
        if (const std::vector<BatchIssue> issues = missingSources(command.paths); !issues.empty())
            return refuse(languageText("MsgBatchNothingCompressed", "Rien n'a été compressé :"), issues);
        return openCompressionWindowFor(command.paths) ? -1 : kFailed;
    }
    default: return kRefused;
    }
}

} // namespace zarvon::ui
