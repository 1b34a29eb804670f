#include "ui/opening.h"

#include <vector>

#include "base/paths.h"
#include "operations/jobs.h"
#include "settings/language.h"
#include "settings/recent_archives.h"
#include "ui/ids.h"
#include "ui/main_window.h"
#include "ui/platform/platform.h"
#include "ui/platform/requesters.h"
#include "ui/ui_state.h"

namespace zarvon::ui {
namespace pf = zarvon::platform;

namespace {

std::string &shownPath() { return uiState().shownArchive; }

// Builds the layout for the shown archive and fills its list.
void showArchive(ArchiveOpening how)
{
    if (!showArchiveLayout(shownPath(), how))
        return;
    listArchive(shownPath());
    showEntryCount();
}

void remember(const std::string &path)
{
    // The rebuilt menus keep their check marks: a status bar or a display
    // switched since the last save must not lose its mark (and then be saved
    // wrong) because an archive was opened.
    if (settings::addRecentArchive(path))
        buildMenus(true);
}

}  // namespace

const std::string &currentArchivePath() { return shownPath(); }

void setCurrentArchivePath(const std::string &path) { shownPath() = path; }

int32_t listArchive(const std::string &path)
{
    const operations::ListReport listed = operations::listArchiveEntries(path);
    if (!listed.opened)
        return 0;
    const auto &entries = listed.entries;
    std::vector<std::string> rows;
    rows.reserve(entries.size());
    for (const operations::ArchiveEntry &entry : entries)
        rows.push_back(entry.name + "\n");
    pf::addGadgetItems(ids::ArchiveList, rows);
    return int32_t(entries.size());
}

void relabelArchiveList()
{
    if (!pf::isGadget(ids::ArchiveList))
        return;
    pf::setGadgetColumnTitle(ids::ArchiveList, 0,
                             settings::languageText("ListIconGadgetTitle", "Fichiers contenus dans l'archive"));
    showEntryCount();
}

void showEntryCount()
{
    if (shownPath().empty() || !pf::isGadget(ids::ArchiveList))
        return;
    // One row per entry: the list already holds the count, and reading a
    // large archive's directory a second time for it doubled the opening.
    const int count = pf::countGadgetItems(ids::ArchiveList);
    const std::string title = pf::getGadgetColumnTitle(ids::ArchiveList, 0);
    pf::setGadgetColumnTitle(ids::ArchiveList, 0, title + " (" + std::to_string(count) + ")");
}

void openArchiveWithRequester()
{
    const std::string path = pf::openFileRequester(
        settings::languageText("OpenZipFile", "Sélectionner une archive"), "",
        "Zip(*.zip)|*.zip|7-zip(*.7z)|*.7z|Rar(*.rar)|*.rar|Cab(*.cab)|*.cab", 0);
    // A cancelled requester leaves the archive on display as it was.
    if (path.empty())
        return;
    shownPath() = path;
    remember(path);
    showArchive(ArchiveOpening::Requester);
}

void openArchiveAtPath(const std::string &path)
{
    if (path.empty()) {
        openArchiveWithRequester();
        return;
    }
    shownPath() = path;
    remember(path);
    showArchive(ArchiveOpening::Path);
}

void openRecentArchive(int index)
{
    const auto &recent = settings::recentArchives();
    if (index < 0 || index >= int(recent.size()) || recent[index].empty())
        return;
    shownPath() = recent[index];
    showArchive(ArchiveOpening::Recent);
}

void openArchiveFromExplorer()
{
    const int item = pf::getGadgetState(ids::ExplorerList);
    // Only a file can be an archive: a double click on a folder enters it.
    if (item < 0 || !(pf::getGadgetItemState(ids::ExplorerList, item) & pf::ItemFile))
        return;
    const std::string path = pf::getGadgetText(ids::ExplorerList) + pf::getGadgetItemText(ids::ExplorerList, item);
    const std::string extension = base::pathExtension(path);
    // Any other file is not listed, so it does not become the shown archive:
    // extraction and the drag from the archive list keep working on the
    // entries the list shows.
    if (extension != "zip" && extension != "ZIP" && extension != "arj")
        return;
    shownPath() = path;
    showArchive(ArchiveOpening::DoubleClick);
}

std::string archiveWindowTitle(const std::string &path) { return "''" + path + "'' ----- Zarvon"; }

}  // namespace zarvon::ui
