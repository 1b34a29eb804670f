#include "ui/opening.h"
#include "ui/archive_editing.h"

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <system_error>
#include <vector>

#include <stdlib.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/case_fold.h"
#include "base/dos_date.h"
#include "base/paths.h"
#include "base/product.h"
#include "base/whole_file.h"
#include "operations/jobs.h"
#include "settings/language.h"
#include "settings/recent_archives.h"
#include "settings/setting_keys.h"
#include "settings/settings_ops.h"
#include "ui/extraction.h"
#include "ui/file_operations.h"
#include "ui/ids.h"
#include "ui/main_window.h"
#include "ui/platform/platform.h"
#include "ui/platform/requesters.h"
#include "ui/ui_state.h"

namespace zarvon::ui {
namespace pf = zarvon::platform;

namespace {

// The formats the program reads, ZIP first as it always was; the others
// by their usual suffixes.
constexpr const char *kArchiveFilter =
    "Zip(*.zip)|*.zip|7-zip(*.7z)|*.7z|Rar(*.rar)|*.rar|Cab(*.cab)|*.cab|"
    "Tar(*.tar;*.tar.gz;*.tgz;*.tar.bz2;*.tbz2;*.tar.xz;*.txz;*.tar.zst;*.tzst;*.tar.lz4)|"
    "*.tar;*.tar.gz;*.tgz;*.tar.bz2;*.tbz2;*.tar.xz;*.txz;*.tar.zst;*.tzst;*.tar.lz4|"
    "Iso(*.iso)|*.iso|Cpio, ar, deb(*.cpio;*.a;*.deb)|*.cpio;*.a;*.deb|"
    "gz, bz2, xz, zst, lz4(*.gz;*.bz2;*.xz;*.zst;*.lz4)|*.gz;*.bz2;*.xz;*.zst;*.lz4";

std::string &shownPath() { return uiState().shownArchive; }

bool takesPasswords(const std::string &archive)
{
    const operations::ArchiveFormat *format = operations::formatOf(archive);
    return format && format->capabilities().passwords;
}

// Builds the layout for the shown archive and fills its list.
void showArchive(ArchiveOpening how)
{
    if (!showArchiveLayout(shownPath(), how))
        return;
    listArchive(shownPath());
    showEntryCount();
}

// How the listing names a stored entry's method, whatever the format, and
// the column it shows in.
constexpr const char *kStoredMethod = "Stored";
constexpr int kMethodColumn = 5;

std::string storedMethodWord() { return settings::languageText("ArchiveMethodStored", "Stocké"); }

// Widths of the columns when nothing is saved; the name column's is the
// list's own (220).
constexpr int kDefaultColumnWidths[kArchiveColumnCount] = {220, 80, 80, 50, 115, 70, 68, 75};

const pf::ColumnSort kColumnSorts[kArchiveColumnCount] = {
    pf::ColumnSort::Text, pf::ColumnSort::Number, pf::ColumnSort::Number, pf::ColumnSort::Number,
    pf::ColumnSort::Text, pf::ColumnSort::Text,   pf::ColumnSort::Text,   pf::ColumnSort::Text};

// The titles of the columns after the name, in the language now in use.
std::vector<std::string> columnTitles()
{
    return {settings::languageText("ArchiveColumnSize", "Taille"),
            settings::languageText("ArchiveColumnPacked", "Compressé"),
            settings::languageText("ArchiveColumnRatio", "Taux"),
            settings::languageText("ArchiveColumnModified", "Modifié le"),
            settings::languageText("ArchiveColumnMethod", "Méthode"),
            settings::languageText("ArchiveColumnEncrypted", "Chiffré"),
            settings::languageText("ArchiveColumnCrc", "CRC")};
}

// The saved widths, name column first; a missing, unreadable or absurd value
// keeps that column's default.
std::vector<int> savedColumnWidths()
{
    std::vector<int> widths(kDefaultColumnWidths, kDefaultColumnWidths + kArchiveColumnCount);
    const std::string text = settings::settingText(settings::kArchiveColumns);
    std::size_t start = 0;
    for (int column = 0; column < kArchiveColumnCount && start <= text.size(); ++column) {
        std::size_t comma = text.find(',', start);
        if (comma == std::string::npos)
            comma = text.size();
        const std::string field = text.substr(start, comma - start);
        char *end = nullptr;
        const long value = std::strtol(field.c_str(), &end, 10);
        if (!field.empty() && end && *end == '\0' && value >= 8 && value <= 4000)
            widths[std::size_t(column)] = int(value);
        start = comma + 1;
    }
    return widths;
}

// Tells the user that nothing of `archive` could be taken out, as the
// extraction tells it.
void reportNotExtracted(const std::string &archive, const operations::Failure &failure)
{
    operations::ExtractReport report;
    report.opened = false;
    report.failure = failure;
    reportExtraction(archive, report);
}

void remember(const std::string &path)
{
    // The rebuilt menus keep their check marks: a status bar or a display
    // switched since the last save must not lose its mark (and then be saved
    // wrong) because an archive was opened.
    if (settings::addRecentArchive(path))
        buildMenus(true);
}

} // namespace

const std::string &currentArchivePath() { return shownPath(); }

void setCurrentArchivePath(const std::string &path) { shownPath() = path; }

std::string archiveListRow(const operations::ArchiveEntry &entry, const std::string &storedWord)
{
    std::string row = entry.name;
    row.reserve(entry.name.size() + 64);
    char cell[48];
    row += '\n';
    if (!entry.folder) {
        if (entry.packedKnown)
            std::snprintf(cell, sizeof cell, "%" PRIu64 "\n%" PRIu64 "\n", entry.size, entry.packedSize);
        else
            std::snprintf(cell, sizeof cell, "%" PRIu64 "\n\n", entry.size); // a solid stream packs no entry alone
        row += cell;
        if (entry.packedKnown && entry.size > 0) {
            const double saved = 100.0 - double(entry.packedSize) * 100.0 / double(entry.size);
            // Rounded as a whole number first: a packing that grew the entry
            // by a hair would read "-0%".
            std::snprintf(cell, sizeof cell, "%ld%%", std::lround(saved));
            row += cell;
        } else if (entry.packedKnown) {
            row += "0%";
        }
    } else {
        row += "\n\n";
    }
    row += '\n';
    if (entry.dosDate != 0)
        row += base::dosDateText(entry.dosDate, false);
    row += '\n';
    if (!entry.folder) {
        row += entry.methodName == kStoredMethod ? storedWord : entry.methodName;
        row += '\n';
        if (entry.encrypted)
            row += '*';
        if (entry.crcKnown) {
            std::snprintf(cell, sizeof cell, "\n%08" PRIX32, entry.crc);
            row += cell;
        } else {
            row += '\n';
        }
    } else {
        row += "\n\n";
    }
    return row;
}

void addArchiveColumns()
{
    if (!pf::isGadget(ids::ArchiveList) || pf::countGadgetColumns(ids::ArchiveList) != 1)
        return;
    const std::vector<std::string> titles = columnTitles();
    const std::vector<int> widths = savedColumnWidths();
    for (int column = 1; column < kArchiveColumnCount; ++column)
        pf::addGadgetColumn(ids::ArchiveList, column, titles[std::size_t(column - 1)], widths[std::size_t(column)]);
    pf::setGadgetColumnWidth(ids::ArchiveList, 0, widths[0]);
    pf::setGadgetColumnSort(ids::ArchiveList,
                            std::vector<pf::ColumnSort>(kColumnSorts, kColumnSorts + kArchiveColumnCount));
    // Sizes and ratios are read as figures: right-aligned, units under units.
    for (int column = 1; column < kArchiveColumnCount; ++column)
        if (kColumnSorts[column] == pf::ColumnSort::Number)
            pf::setGadgetColumnRightAligned(ids::ArchiveList, column);
}

namespace {

// The order the next archive list takes: the one the user gave the list
// shown last, else the one saved in the configuration file.
void applyArchiveSort()
{
    auto &list = uiState().archiveList;
    if (!list.sortKnown) {
        list.sortKnown = true;
        const std::string saved = settings::settingText(settings::kArchiveSort);
        const std::size_t comma = saved.find(',');
        if (comma != std::string::npos) {
            list.sortColumn = std::atoi(saved.substr(0, comma).c_str());
            list.sortDescending = saved.substr(comma + 1) == "1";
        }
    }
    if (list.sortColumn >= 0 && list.sortColumn < kArchiveColumnCount)
        pf::sortGadgetItems(ids::ArchiveList, list.sortColumn, list.sortDescending);
}

} // namespace

void saveArchiveColumns()
{
    if (!pf::isGadget(ids::ArchiveList) || pf::countGadgetColumns(ids::ArchiveList) != kArchiveColumnCount)
        return;
    const pf::GadgetSort sort = pf::getGadgetSort(ids::ArchiveList);
    auto &list = uiState().archiveList;
    list.sortKnown = true;
    list.sortColumn = sort.column;
    list.sortDescending = sort.descending;
    std::string text;
    for (int column = 0; column < kArchiveColumnCount; ++column) {
        if (column > 0)
            text += ',';
        text += std::to_string(pf::getGadgetColumnWidth(ids::ArchiveList, column));
    }
    settings::SettingsFile file;
    if (!file.open(settings::settingsPath()))
        return;
    settings::writeKeyText(file, settings::kArchiveColumns, text);
    settings::writeKeyText(file, settings::kArchiveSort,
                           sort.column < 0 ? std::string()
                                           : std::to_string(sort.column) + (sort.descending ? ",1" : ",0"));
    // Only a divider the user moved: the one the layout places by itself
    // follows the columns' widths.
    if (list.divider > 0)
        settings::writeKeyInteger(file, settings::kArchiveDivider, list.divider);
    file.close();
}

namespace {

void readFoldersSetting()
{
    auto &list = uiState().archiveList;
    if (!list.foldersKnown) {
        list.foldersKnown = true;
        list.folders = settings::settingText(settings::kArchiveFolders) == "1";
    }
}

// The rows of one folder of the archive: ".." above the top, then its
// folders (also those that only their entries imply) and its files, in
// the archive's order, each under its name inside the folder.
void addFolderRows(const std::vector<operations::ArchiveEntry> &entries, const std::string &folder,
                   const std::string &stored, std::vector<std::string> &rows)
{
    if (!folder.empty()) {
        operations::ArchiveEntry up;
        up.name = "..";
        up.folder = true;
        rows.push_back(archiveListRow(up, stored));
    }
    std::set<std::string> seen;
    std::vector<std::string> files;
    for (const operations::ArchiveEntry &entry : entries) {
        if (entry.name.size() <= folder.size() || entry.name.compare(0, folder.size(), folder) != 0)
            continue;
        const std::string rest = entry.name.substr(folder.size());
        const std::size_t slash = rest.find('/');
        operations::ArchiveEntry shown = entry;
        if (slash == std::string::npos) {
            shown.name = rest;
            files.push_back(archiveListRow(shown, stored));
            continue;
        } else {
            shown.name = rest.substr(0, slash + 1);
            if (!seen.insert(shown.name).second)
                continue;
            if (shown.name != rest) { // a folder only its entries imply: no date of its own
                const std::string name = shown.name;
                shown = operations::ArchiveEntry{};
                shown.name = name;
            }
            shown.folder = true;
        }
        rows.push_back(archiveListRow(shown, stored));
    }
    // Folders first, as a file manager shows them.
    rows.insert(rows.end(), std::make_move_iterator(files.begin()), std::make_move_iterator(files.end()));
}

} // namespace

int32_t listArchive(const std::string &path)
{
    const operations::ListReport listed = operations::listArchiveEntries(path);
    if (!listed.opened)
        return 0;
    const auto &entries = listed.entries;
    const std::string stored = storedMethodWord();
    auto &list = uiState().archiveList;
    list.storedWord = stored;
    readFoldersSetting();
    if (list.folderArchive != path) {
        list.folder.clear();
        list.folderArchive = path;
    }
    list.names.clear();
    std::vector<std::string> rows;
    rows.reserve(entries.size());
    if (list.folders) {
        list.names.reserve(entries.size());
        for (const operations::ArchiveEntry &entry : entries)
            list.names.push_back(entry.name);
        addFolderRows(entries, list.folder, stored, rows);
    } else {
        for (const operations::ArchiveEntry &entry : entries)
            rows.push_back(archiveListRow(entry, stored));
    }
    pf::addGadgetItems(ids::ArchiveList, rows);
    applyArchiveSort();
    return int32_t(rows.size());
}

bool archiveFoldersShown()
{
    readFoldersSetting();
    return uiState().archiveList.folders;
}

const std::string &archiveFolderShown() { return uiState().archiveList.folder; }

std::string archiveRowName(int row)
{
    const std::string text = pf::getGadgetItemText(ids::ArchiveList, row);
    if (!archiveFoldersShown())
        return text;
    return text == ".." ? std::string() : uiState().archiveList.folder + text;
}

std::vector<std::string> entriesOfRows(const std::vector<std::string> &rows)
{
    const auto &list = uiState().archiveList;
    if (!archiveFoldersShown())
        return rows;
    std::vector<std::string> out;
    std::set<std::string> taken;
    for (const std::string &row : rows) {
        if (row.empty() || row.back() != '/') {
            if (!row.empty() && taken.insert(row).second)
                out.push_back(row);
            continue;
        }
        for (const std::string &name : list.names)
            if (name.compare(0, row.size(), row) == 0 && taken.insert(name).second)
                out.push_back(name);
    }
    return out;
}

void showArchiveFolder(const std::string &folder)
{
    auto &list = uiState().archiveList;
    list.folder = folder;
    if (shownPath().empty() || !pf::isGadget(ids::ArchiveList))
        return;
    pf::clearGadgetItems(ids::ArchiveList);
    listArchive(shownPath());
    relabelArchiveList();
    if (pf::isWindow(ids::WindowMain))
        pf::setWindowTitle(ids::WindowMain, restingWindowTitle());
}

void switchArchiveFolders()
{
    auto &list = uiState().archiveList;
    list.folders = !archiveFoldersShown();
    settings::SettingsFile file;
    // Kept in the configuration file, made with its defaults when missing.
    if (!file.open(settings::settingsPath()))
        settings::writeDefaultSettings();
    if (file.open(settings::settingsPath())) {
        settings::writeKeyText(file, settings::kArchiveFolders, list.folders ? "1" : "0");
        file.close();
    }
    pf::setMenuItemState(ids::MenuBarMain, ids::MenuFolders, list.folders);
    showArchiveFolder(std::string());
}

void relabelArchiveList()
{
    if (!pf::isGadget(ids::ArchiveList))
        return;
    pf::setGadgetColumnTitle(ids::ArchiveList, 0,
                             settings::languageText("ListIconGadgetTitle", "Fichiers contenus dans l'archive"));
    const std::vector<std::string> titles = columnTitles();
    const int columns = pf::countGadgetColumns(ids::ArchiveList);
    for (int column = 1; column < columns && column <= int(titles.size()); ++column)
        pf::setGadgetColumnTitle(ids::ArchiveList, column, titles[std::size_t(column - 1)]);
    // The one word of the method column, on the rows that show it.
    if (columns == kArchiveColumnCount) {
        const std::string stored = storedMethodWord();
        const std::string shownWord = uiState().archiveList.storedWord;
        const int rows = pf::countGadgetItems(ids::ArchiveList);
        for (int row = 0; row < rows; ++row) {
            if (stored != shownWord && pf::getGadgetItemText(ids::ArchiveList, row, kMethodColumn) == shownWord)
                pf::setGadgetItemText(ids::ArchiveList, row, stored, kMethodColumn);
        }
        uiState().archiveList.storedWord = stored;
    }
    showEntryCount();
}

void showEntryCount()
{
    if (shownPath().empty() || !pf::isGadget(ids::ArchiveList))
        return;
    // One row per entry: the list already holds the count, and reading a
    // large archive's directory a second time for it doubled the opening.
    // The folder view shows one folder: the count is the whole archive's.
    const int count = archiveFoldersShown() ? int(uiState().archiveList.names.size())
                                            : pf::countGadgetItems(ids::ArchiveList);
    const std::string title = pf::getGadgetColumnTitle(ids::ArchiveList, 0);
    pf::setGadgetColumnTitle(ids::ArchiveList, 0, title + " (" + std::to_string(count) + ")");
}

void openArchiveWithRequester()
{
    const std::string path =
        pf::openFileRequester(settings::languageText("OpenZipFile", "Sélectionner une archive"), "",
                              std::string(kArchiveFilter), 0);
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
    // An archive of any format the program reads opens as File -> Open opens
    // it, RAR included. Any other file is not listed, so it does not become
    // the shown archive: extraction and the drag from the archive list keep
    // working on the entries the list shows.
    if (!operations::formatOf(path))
        return;
    shownPath() = path;
    remember(path);
    showArchive(ArchiveOpening::DoubleClick);
}

namespace {

// Where the private folders go: the user's runtime folder, else /tmp.
std::string temporaryBase()
{
    if (const char *runtime = std::getenv("XDG_RUNTIME_DIR")) {
        struct stat info {};
        if (*runtime == '/' && ::stat(runtime, &info) == 0 && S_ISDIR(info.st_mode))
            return runtime;
    }
    return "/tmp";
}

constexpr const char *kTemporaryPrefix = "zarvon-";

// The process that made private folder `name` ("zarvon-<pid>-XXXXXX"), or 0
// when the name is not one of ours.
pid_t temporaryFolderOwner(const std::string &name)
{
    const std::string prefix = kTemporaryPrefix;
    if (name.compare(0, prefix.size(), prefix) != 0)
        return 0;
    const std::size_t dash = name.find('-', prefix.size());
    if (dash == std::string::npos || dash == prefix.size() || name.size() != dash + 7)
        return 0;
    long pid = 0;
    for (std::size_t i = prefix.size(); i < dash; ++i) {
        if (name[i] < '0' || name[i] > '9' || pid > 4194304)
            return 0;
        pid = pid * 10 + (name[i] - '0');
    }
    return static_cast<pid_t>(pid);
}

} // namespace

std::string makeTemporaryFolder()
{
    // The process number in the name lets a later start tell the folders of
    // a Zarvon that ended without cleaning up (a crash, a kill) from those of
    // one still running.
    std::string pattern =
        temporaryBase() + "/" + kTemporaryPrefix + std::to_string(static_cast<long>(::getpid())) + "-XXXXXX";
    // mkdtemp makes the folder 0700 and fails rather than reuse a name, so
    // nobody else can put a file of theirs where an entry is expected.
    if (!::mkdtemp(pattern.data()))
        return {};
    uiState().archiveList.temporaryFolders.push_back(pattern);
    return pattern;
}

void removeAbandonedTemporaryFolders()
{
    base::removeInterruptedTemporaries(base::runtimeRecordFolder());
    std::error_code error;
    std::filesystem::directory_iterator it(temporaryBase(), error);
    if (error)
        return;
    for (const std::filesystem::directory_entry &entry : it) {
        const std::string name = entry.path().filename().string();
        const pid_t owner = temporaryFolderOwner(name);
        if (owner <= 0 || owner == ::getpid())
            continue;
        // Only a real folder of this user's, never followed through a link.
        struct stat info {};
        if (::lstat(entry.path().c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::getuid())
            continue;
        // A process that still runs (or that we may not signal) keeps them.
        if (::kill(owner, 0) == 0 || errno != ESRCH)
            continue;
        std::error_code ignored;
        std::filesystem::remove_all(entry.path(), ignored);
    }
}

void removeTemporaryFolders()
{
    for (const std::string &folder : uiState().archiveList.temporaryFolders) {
        std::error_code error;
        std::filesystem::remove_all(folder, error);
    }
    uiState().archiveList.temporaryFolders.clear();
}

namespace {

bool wroteEverything(const operations::ExtractReport &report)
{
    return report.opened && !report.stopped && report.failures.empty();
}

bool passwordRefused(const operations::ExtractReport &report)
{
    return report.opened && !report.stopped && report.passwordFailures() > 0;
}

std::string rememberedPassword(const std::string &archive)
{
    const ArchiveListState &list = uiState().archiveList;
    return list.passwordArchive == archive ? list.password : std::string();
}

void rememberPassword(const std::string &archive, const std::string &password)
{
    uiState().archiveList.passwordArchive = archive;
    uiState().archiveList.password = password;
}

void forgetPassword()
{
    uiState().archiveList.passwordArchive.clear();
    uiState().archiveList.password.clear();
}

// Extracts names of archive into a new private temporary folder, removed
// when the program ends. The folder, or "" after saying why none could be
// made.
std::string extractIntoTemporaryFolder(const std::string &archive, const std::vector<std::string> &names,
                                       const std::string &password, operations::ExtractReport &report)
{
    const std::string folder = makeTemporaryFolder();
    if (folder.empty()) {
        operations::Failure failure;
        failure.reason = operations::Reason::CannotCreate;
        failure.sysErrno = errno;
        failure.name = "zarvon-XXXXXX";
        reportNotExtracted(archive, failure);
        return {};
    }
    operations::SilentProgress progress;
    report = operations::extractArchive({archive, folder, names, password, operations::Overwrite::Replace}, progress);
    return folder;
}

void openWithApplication(const std::string &file)
{
    if (!pf::openWithDesktop(file))
        pf::messageBox("Zarvon",
                       settings::languageText("MsgNoLauncher", "Aucune application ne peut ouvrir ce fichier :") +
                           "\r" + file,
                       pf::MessageIcon::Error);
}

bool under(const std::string &name, const std::string &folder)
{
    return folder.size() < name.size() && name.compare(0, folder.size(), folder) == 0;
}

// What a drag from the archive list carries.
struct DraggedEntries {
    std::vector<std::string> chosen;  // the selected rows
    std::vector<std::string> folders; // the selected folder rows
    std::vector<std::string> names;   // every entry to write: the chosen ones and all under a chosen folder
    bool encrypted = false;           // one of `names` needs the password
};

// The selected rows of the archive list and what they stand for; empty
// `chosen` when nothing is to be dragged (an unreadable archive is reported).
DraggedEntries selectedForDrag(const std::string &archive)
{
    DraggedEntries dragged;
    const int count = pf::countGadgetItems(ids::ArchiveList);
    for (int i = 0; i < count; ++i)
        if (pf::getGadgetItemState(ids::ArchiveList, i) & pf::ItemSelected)
            if (std::string name = archiveRowName(i); !name.empty())
                dragged.chosen.push_back(name);
    if (dragged.chosen.empty())
        return dragged;
    const operations::ListReport listed = operations::listArchiveEntries(archive);
    if (!listed.opened) {
        reportNotExtracted(archive, listed.failure);
        dragged.chosen.clear();
        return dragged;
    }
    for (const std::string &name : dragged.chosen)
        if (!name.empty() && name.back() == '/')
            dragged.folders.push_back(name);
    for (const operations::ArchiveEntry &entry : listed.entries) {
        bool wanted = std::find(dragged.chosen.begin(), dragged.chosen.end(), entry.name) != dragged.chosen.end();
        for (const std::string &folder : dragged.folders)
            wanted = wanted || under(entry.name, folder);
        if (!wanted)
            continue;
        dragged.names.push_back(entry.name);
        dragged.encrypted = dragged.encrypted || (entry.encrypted && takesPasswords(archive));
    }
    return dragged;
}

// The files a drag carries out of `folder`, where the entries were written:
// each chosen row that is not already inside a chosen folder.
std::vector<std::string> draggedPaths(const DraggedEntries &dragged, const std::string &folder)
{
    std::vector<std::string> paths;
    for (const std::string &name : dragged.chosen) {
        bool inside = false;
        for (const std::string &f : dragged.folders)
            inside = inside || under(name, f);
        std::string path = folder + "/" + name;
        if (path.back() == '/')
            path.pop_back();
        std::error_code error;
        if (!inside && std::filesystem::exists(std::filesystem::symlink_status(path, error)))
            paths.push_back(path);
    }
    return paths;
}

} // namespace

void openArchiveEntry()
{
    const std::string archive = shownPath();
    const int row = pf::getGadgetState(ids::ArchiveList);
    if (archive.empty() || row < 0)
        return;
    // In the folder view a folder row (or "..") is entered, not opened.
    if (archiveFoldersShown()) {
        const std::string text = pf::getGadgetItemText(ids::ArchiveList, row);
        const std::string &folder = archiveFolderShown();
        if (text == "..") {
            const std::size_t slash = folder.find_last_of('/', folder.size() >= 2 ? folder.size() - 2 : 0);
            showArchiveFolder(slash == std::string::npos || folder.size() < 2 ? std::string() : folder.substr(0, slash + 1));
            return;
        }
        if (!text.empty() && text.back() == '/') {
            showArchiveFolder(folder + text);
            return;
        }
    }
    const std::string name = archiveRowName(row);
    if (name.empty() || name.back() == '/')
        return;
    const operations::ListReport listed = operations::listArchiveEntries(archive);
    if (!listed.opened) {
        reportNotExtracted(archive, listed.failure);
        return;
    }
    const operations::ArchiveEntry *entry = nullptr;
    for (const operations::ArchiveEntry &e : listed.entries)
        if (e.name == name) {
            entry = &e;
            break;
        }
    if (!entry || entry->folder)
        return;
    // A format that cannot decrypt is not asked for a password: its
    // extraction says plainly that the entry is encrypted.
    const bool encrypted = entry->encrypted && takesPasswords(archive);
    const std::string password = encrypted ? rememberedPassword(archive) : std::string();
    if (encrypted && password.empty()) {
        askPassword({PasswordRequestKind::openEntry, archive, {name}, {}});
        return;
    }
    operations::ExtractReport report;
    const std::string folder = extractIntoTemporaryFolder(archive, {name}, password, report);
    if (folder.empty())
        return;
    if (encrypted && passwordRefused(report)) {
        // The archive was replaced by one with another password.
        forgetPassword();
        askPassword({PasswordRequestKind::openEntry, archive, {name}, {}});
        return;
    }
    if (!wroteEverything(report) || report.filesWritten != 1) {
        reportExtraction(archive, report);
        return;
    }
    openWithApplication(folder + "/" + name);
}

void dragArchiveEntries()
{
    const std::string archive = shownPath();
    if (archive.empty() || !pf::isGadget(ids::ArchiveList))
        return;
    const DraggedEntries dragged = selectedForDrag(archive);
    if (dragged.chosen.empty())
        return;
    const std::string password = dragged.encrypted ? rememberedPassword(archive) : std::string();
    if (dragged.encrypted && password.empty()) {
        askPassword({PasswordRequestKind::dragEntries, archive, dragged.names, {}});
        return;
    }
    operations::ExtractReport report;
    const std::string folder = extractIntoTemporaryFolder(archive, dragged.names, password, report);
    if (folder.empty())
        return;
    if (dragged.encrypted && passwordRefused(report)) {
        forgetPassword();
        askPassword({PasswordRequestKind::dragEntries, archive, dragged.names, {}});
        return;
    }
    if (!wroteEverything(report)) {
        reportExtraction(archive, report);
        if (!report.opened)
            return;
    }
    pf::startFileDrag(ids::ArchiveList, draggedPaths(dragged, folder));
}

operations::ExtractReport takeOutWithPassword(const PasswordRequest &request, const std::string &password)
{
    operations::ExtractReport report;
    const std::string folder = extractIntoTemporaryFolder(request.archivePath, request.entryNames, password, report);
    if (folder.empty()) {
        // Already said why; nothing more to report.
        report.opened = true;
        return report;
    }
    if (!wroteEverything(report))
        return report;
    rememberPassword(request.archivePath, password);
    if (request.kind == PasswordRequestKind::openEntry && !request.entryNames.empty())
        openWithApplication(folder + "/" + request.entryNames.front());
    else
        pf::messageBox("Zarvon",
                       settings::languageText("MsgDragAgain",
                                              "Mot de passe accepté : faites glisser les fichiers de nouveau."),
                       pf::MessageIcon::Information);
    return report;
}

void dropFiles(int target)
{
    const std::vector<std::string> files = pf::droppedFiles();
    if (files.empty())
        return;
    if (target == ids::ExplorerList) {
        transferItemsTo(files, explorerFolderText(), pf::dropMoves());
        return;
    }
    // Onto the list of an archive shown: the files go into the archive.
    if (target == ids::ArchiveList && !shownPath().empty() && pf::isGadget(ids::ArchiveList)) {
        if (shownArchiveIsEditable())
            addToArchive(shownPath(), files, {}, 8, archiveFolderShown());
        else
            pf::messageBox("Zarvon", settings::languageText("InfoBulleReadOnlyArchive",
                                                            "Les archives de ce format ne peuvent pas être modifiées"),
                           pf::MessageIcon::Error);
        return;
    }
    if (operations::formatOf(files.front()))
        openArchiveAtPath(files.front());
}

std::string archiveWindowTitle(const std::string &path)
{
    const auto &list = uiState().archiveList;
    // The folder view says where in the archive it is.
    if (list.folders && !list.folder.empty() && list.folderArchive == path)
        return "''" + path + "'' : /" + list.folder + " ----- Zarvon";
    return "''" + path + "'' ----- Zarvon";
}

bool archiveListIsTheTarget()
{
    return !shownPath().empty() && pf::isGadget(ids::ArchiveList) && pf::lastFocusedList() == ids::ArchiveList;
}

std::string restingWindowTitle()
{
    const std::string &shown = shownPath();
    return shown.empty() ? std::string(base::kProductTitle) : archiveWindowTitle(shown);
}

} // namespace zarvon::ui
