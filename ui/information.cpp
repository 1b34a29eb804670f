#include "ui/information.h"

#include <cstdio>
#include <filesystem>

#include "base/case_fold.h"
#include "base/paths.h"
#include "operations/archive_information.h"
#include "operations/jobs.h"
#include "settings/language.h"
#include "ui/explorer_selection.h"
#include "ui/ids.h"
#include "ui/opening.h"
#include "ui/platform/platform.h"
#include "ui/platform/requesters.h"

namespace zarvon::ui {

namespace pf = zarvon::platform;
using settings::languageText;

namespace {

// A file of any format the program reads, told by its content or its name.
bool isArchive(const std::string &path) { return operations::formatOf(path) != nullptr; }

void noArchiveMessage()
{
    pf::messageBox("Zarvon", languageText("MsgNozipSelect", "Veuillez selectionnez une archive !"),
                   pf::MessageIcon::Error);
}

} // namespace

std::string sheetDate(std::time_t time, bool english)
{
    struct tm fields {};
    if (!::localtime_r(&time, &fields))
        return {};
    const auto &texts = settings::builtInTexts(english);
    const std::string day = std::to_string(fields.tm_mday);
    const std::string month = std::to_string(fields.tm_mon + 1);
    const std::string year = std::to_string(fields.tm_year + 1900);
    const std::string &name = texts.dayNames[std::size_t(fields.tm_wday)];
    char clock[16];
    std::snprintf(clock, sizeof clock, " %02d:%02d:%02d", fields.tm_hour, fields.tm_min, fields.tm_sec);
    return (english ? name + " " + month + "/" + day + "/" + year : name + " " + day + "/" + month + "/" + year) +
           clock;
}

std::string kilobyteText(uint64_t bytes)
{
    return std::to_string(operations::roundedKilobytes(bytes)) + " " + languageText("TxtKilobytes", "Ko");
}

std::string methodsText(const std::vector<std::string> &methods)
{
    std::string text;
    for (const std::string &method : methods) {
        if (!text.empty())
            text += ", ";
        if (method != "Stored")
            text += method;
        else if (methods.size() == 1)
            text += languageText("TxtNoCompress", "Pas de compression");
        else
            text += languageText("ArchiveMethodStored", "Stocké");
    }
    return text;
}

InformationValues informationValues(const std::string &path, const std::string &name)
{
    const operations::ArchiveInformation info = operations::archiveInformation(path);
    const bool english = settings::englishLanguageSelected();
    const auto &texts = settings::builtInTexts(english);
    InformationValues values;
    values[0] = name;
    if (info.listed) {
        values[1] = std::to_string(info.fileCount) + " " + languageText("Files", "Fichier(s)");
        if (info.folderCount > 0)
            values[1] += ", " + std::to_string(info.folderCount) + " " + languageText("Folders", "Dossier(s)");
        if (info.protection != operations::Protection::Unknown)
            values[2] = info.protection == operations::Protection::Encrypted ? texts.encrypted : texts.notEncrypted;
        // Which cipher protects the files: "ZIP 2.0" is weak, "AES-256"
        // strong. Several are listed alone, as the field has no room for more.
        if (info.encryptions.size() == 1) {
            values[2] += " (" + info.encryptions.front() + ")";
        } else if (info.encryptions.size() > 1) {
            values[2].clear();
            for (const std::string &cipher : info.encryptions)
                values[2] += (values[2].empty() ? "" : ", ") + cipher;
        }
        values[3] = kilobyteText(info.originalSize);
        values[4] = methodsText(info.methods);
    }
    if (info.fileFound) {
        values[5] = kilobyteText(info.fileSize);
        if (info.hasCreationTime)
            values[6] = sheetDate(info.creationTime, english);
        values[7] = sheetDate(info.modificationTime, english);
    }
    return values;
}

void showArchiveInformation()
{
    if (archiveListIsTheTarget()) {
        const std::string shown = currentArchivePath();
        if (buildInformationWindow(informationValues(shown, std::filesystem::path(shown).filename().string()))) {
            pf::showWindow(ids::WindowInfoArchive);
            pf::activateWindow(ids::WindowInfoArchive);
        }
        return;
    }
    if (!pf::isGadget(ids::ExplorerList))
        return;
    const std::vector<ExplorerItem> items = selectedExplorerItems(ids::ExplorerList);
    if (items.empty()) {
        noArchiveMessage();
        return;
    }
    std::size_t skipped = 0;
    for (const ExplorerItem &item : items) {
        if (!(item.state & pf::ItemFile))
            continue;
        if (!isArchive(item.path)) {
            ++skipped;
            continue;
        }
        if (!buildInformationWindow(informationValues(item.path, item.name)))
            return;
        pf::showWindow(ids::WindowInfoArchive);
        pf::activateWindow(ids::WindowInfoArchive);
    }
    // One message for every file passed over, however many were selected.
    reportSkippedNonArchives(skipped);
}

void closeArchiveInformation() { closeInformationWindow(); }

} // namespace zarvon::ui
