#include "ui/information.h"

#include "base/case_fold.h"
#include "base/paths.h"
#include "operations/archive_information.h"
#include "settings/language.h"
#include "ui/explorer_selection.h"
#include "ui/ids.h"
#include "ui/platform/platform.h"
#include "ui/platform/requesters.h"

namespace zarvon::ui {

namespace pf = zarvon::platform;
using settings::languageText;

namespace {

bool isArchiveName(const std::string &name)
{
    const std::string extension = base::lowerAscii(base::pathExtension(name));
    return extension == "zip" || extension == "rar" || extension == "7z";
}

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
    return english ? name + " " + month + "/" + day + "/" + year : name + " " + day + "/" + month + "/" + year;
}

std::string kilobyteText(uint64_t bytes) { return std::to_string(operations::roundedKilobytes(bytes)) + " Ko"; }

InformationValues informationValues(const std::string &path, const std::string &name)
{
    const operations::ArchiveInformation info = operations::archiveInformation(path);
    const bool english = settings::englishLanguageSelected();
    const auto &texts = settings::builtInTexts(english);
    InformationValues values;
    values[0] = name;
    if (info.listed) {
        values[1] = std::to_string(info.entryCount) + " " + languageText("Files", "Fichier(s)");
        if (info.protection != operations::Protection::Unknown)
            values[2] = info.protection == operations::Protection::Encrypted ? texts.encrypted : texts.notEncrypted;
        values[3] = kilobyteText(info.originalSize);
        using Method = operations::ArchiveInformation::Method;
        if (info.lastMethod == Method::Deflate)
            values[4] = "Deflate";
        if (info.lastMethod == Method::Stored)
            values[4] = languageText("TxtNoCompress", "Pas de compression");
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
    if (!pf::isGadget(ids::ExplorerList))
        return;
    const std::vector<ExplorerItem> items = selectedExplorerItems(ids::ExplorerList);
    if (items.empty()) {
        noArchiveMessage();
        return;
    }
    for (const ExplorerItem &item : items) {
        if (!(item.state & pf::ItemFile))
            continue;
        if (!isArchiveName(item.name)) {
            noArchiveMessage();
            continue;
        }
        if (!buildInformationWindow(informationValues(item.path, item.name)))
            return;
        pf::showWindow(ids::WindowInfoArchive);
        pf::activateWindow(ids::WindowInfoArchive);
    }
}

void closeArchiveInformation() { closeInformationWindow(); }

} // namespace zarvon::ui
