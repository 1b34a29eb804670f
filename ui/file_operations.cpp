#include "ui/file_operations.h"
#include "ui/archive_editing.h"

#include <sys/stat.h>

#include <cstring>
#include <optional>
#include <filesystem>
#include <vector>

#include "operations/file_operations.h"
#include "settings/language.h"
#include "ui/compression.h"
#include "ui/dialogs/copy_window.h"
#include "ui/explorer_selection.h"
#include "ui/ids.h"
#include "ui/main_window.h"
#include "ui/opening.h"
#include "ui/platform/platform.h"
#include "ui/platform/requesters.h"
#include "ui/progress.h"
#include "ui/ui_state.h"

namespace zarvon::ui {

namespace pf = zarvon::platform;
using operations::Reason;
using settings::languageText;

namespace {

std::vector<std::string> &windowItems() { return uiState().fileOperationItems; }

std::vector<ExplorerItem> selectedItems()
{
    std::vector<ExplorerItem> items;
    if (!pf::isGadget(ids::ExplorerList))
        return items;
    for (ExplorerItem &item : selectedExplorerItems(ids::ExplorerList))
        if (item.name != ".." && !item.name.empty())
            items.push_back(std::move(item));
    return items;
}

void nothingSelected()
{
    pf::messageBox("Impossible", languageText("MsgOfselection", "Aucun fichier sélectionné !"), pf::MessageIcon::Error);
}

void showCopyWindow()
{
    pf::showWindow(ids::WindowCopy);
    pf::activateWindow(ids::WindowCopy);
    pf::setActiveGadget(ids::StrCopyDestination);
}

// What the prompt names: the one item's path, or the names of several.
std::string namedItems(const std::vector<ExplorerItem> &items)
{
    if (items.size() == 1)
        return items.front().path;
    std::string text;
    const std::size_t shown = std::min<std::size_t>(items.size(), 3);
    for (std::size_t i = 0; i < shown; ++i)
        text += (i ? ", " : "") + items[i].name;
    if (items.size() > shown)
        text += ", ... (" + std::to_string(items.size()) + ")";
    return text;
}

void openTransferWindow(CopyWindowUse use)
{
    const std::vector<ExplorerItem> items = selectedItems();
    if (items.empty()) {
        nothingSelected();
        return;
    }
    const auto &texts = settings::currentBuiltInTexts();
    const std::string before = use == CopyWindowUse::Move ? texts.moveBefore : texts.copyBefore;
    if (!buildTransferWindow(use, before + namedItems(items) + texts.copyAfter))
        return;
    windowItems().clear();
    for (const auto &item : items)
        windowItems().push_back(item.path);
    showCopyWindow();
}

std::string reasonText(const operations::Failure &failure)
{
    std::string text;
    switch (failure.reason) {
    case Reason::AlreadyExists: text = languageText("TxtFailExists", "un autre élément porte déjà ce nom"); break;
    case Reason::IntoItself: text = languageText("TxtFailIntoItself", "un dossier ne peut aller en lui-même"); break;
    case Reason::InvalidName: text = languageText("TxtFailInvalidName", "nom non valable"); break;
    case Reason::NotFound: text = languageText("TxtFailMissing", "introuvable"); break;
    case Reason::CannotRead: text = languageText("TxtFailRead", "lecture impossible"); break;
    case Reason::CannotCreate: text = languageText("TxtFailCreate", "le fichier ne peut pas être créé"); break;
    case Reason::NoTrash: text = languageText("TxtFailNoTrash", "pas de corbeille sur ce système de fichiers"); break;
    default: text = languageText("TxtFailWrite", "écriture impossible"); break;
    }
    // The system's own words ("No space left on device") when it said why.
    if (failure.sysErrno != 0 && failure.reason != Reason::AlreadyExists)
        text += " (" + std::string(std::strerror(failure.sysErrno)) + ")";
    return text;
}

void reportFailures(const std::string &heading, const std::vector<operations::Failure> &failures)
{
    if (failures.empty())
        return;
    std::string text = heading;
    const std::size_t shown = std::min<std::size_t>(failures.size(), 10);
    for (std::size_t i = 0; i < shown; ++i)
        text += "\r" + failures[i].name + " : " + reasonText(failures[i]);
    if (failures.size() > shown)
        text += "\r...";
    pf::messageBox("Zarvon", text, pf::MessageIcon::Warning);
}

// Asks before an item takes the place of another; remembers "to all".
class AskingResolver final : public operations::ConflictResolver {
public:
    explicit AskingResolver(bool several) : several_(several) {}
    operations::ConflictAnswer resolve(const std::string &, const std::string &target) override
    {
        using operations::ConflictAnswer;
        if (all_)
            return *all_;
        const std::string text = languageText("MsgReplaceItem", "Un élément de ce nom existe déjà :") + "\r" + target +
                                 "\r" + languageText("MsgReplaceQuestion", "Voulez-vous le remplacer ?");
        switch (pf::askReplace("Zarvon", text, several_)) {
        case pf::ReplaceAnswer::Yes: return ConflictAnswer::Replace;
        case pf::ReplaceAnswer::YesToAll: all_ = ConflictAnswer::Replace; return ConflictAnswer::Replace;
        case pf::ReplaceAnswer::No: return ConflictAnswer::Skip;
        case pf::ReplaceAnswer::NoToAll: all_ = ConflictAnswer::Skip; return ConflictAnswer::Skip;
        case pf::ReplaceAnswer::Cancel: return ConflictAnswer::Stop;
        }
        return ConflictAnswer::Stop;
    }

private:
    bool several_;
    std::optional<operations::ConflictAnswer> all_;
};

// The progress window's reporter, with the overall bar sized to the number
// of files once the job has counted them.
class TransferProgress final : public operations::JobProgress {
public:
    bool report(const operations::ProgressStep &step) override
    {
        if (!sized_ && step.total > 0) {
            setProgressOverallMaximum(int(std::min<int64_t>(step.total, 1 << 30)));
            sized_ = true;
        }
        return window_.report(step);
    }

private:
    ProgressWindowReporter window_{ProgressWindowReporter::Form::Compression};
    bool sized_ = false;
};

// The explorer list reads the folder again, so that what was changed shows
// now rather than whenever the system reports it.
void showResult()
{
    if (!pf::isGadget(ids::ExplorerList))
        return;
    pf::processSystemEvents(20);
    refreshStatusBar();
}

void runTransfer(bool move, const std::string &destination)
{
    const std::vector<std::string> items = windowItems();
    pf::closeWindow(ids::WindowCopy);
    windowItems().clear();
    transferItemsTo(items, destination, move);
}

} // namespace

void transferItemsTo(const std::vector<std::string> &items, const std::string &destination, bool move)
{
    AskingResolver resolver(items.size() > 1);
    openProgressWindow(100);
    clearCancelRequest();
    TransferProgress progress;
    const operations::TransferReport report = operations::transferItems({items, destination, move}, resolver, progress);
    closeProgressWindow();
    clearCancelRequest();
    reportFailures(move ? languageText("MsgMoveFailures", "Ces éléments n'ont pas pu être déplacés :")
                        : languageText("MsgCopyFailures", "Ces éléments n'ont pas pu être copiés :"),
                   report.failures);
    showResult();
}

namespace {

void confirmRename(const std::string &newBase)
{
    if (windowItems().empty()) {
        pf::closeWindow(ids::WindowCopy);
        return;
    }
    const std::string path = windowItems().front();
    const std::string oldName = std::filesystem::path(path).filename().string();
    const std::string extension = operations::splitName(oldName).extension;
    const std::string newName = extension.empty() ? newBase : newBase + "." + extension;
    const operations::Failure failure = operations::renameItem(path, newName);
    if (failure.reason != Reason::None) {
        // The window stays, so that another name can be given.
        reportFailures(languageText("MsgRenameFailure", "Impossible de renommer :"),
                       {{failure.name.empty() ? path : failure.name, failure.reason, failure.sysErrno, 0}});
        return;
    }
    pf::closeWindow(ids::WindowCopy);
    windowItems().clear();
    showResult();
}

// A question names what goes: the first few items, then how many more,
// each on a line of its own after `text`.
std::string namingItems(std::string text, const std::vector<ExplorerItem> &items)
{
    constexpr std::size_t kNamed = 5;
    for (std::size_t i = 0; i < items.size() && i < kNamed; ++i)
        text += "\r" + items[i].path;
    if (items.size() > kNamed) {
        std::string more = languageText("TxtTrashMore", "et %1 autres");
        const auto at = more.find("%1");
        const std::string count = std::to_string(items.size() - kNamed);
        more = at == std::string::npos ? more + " " + count : more.replace(at, 2, count);
        text += "\r" + more;
    }
    return text;
}

// The item's path with its folder resolved, the item itself not: a link to
// the archive is not the archive.
std::filesystem::path resolvedItem(const std::string &path)
{
    std::string text = path;
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    const std::filesystem::path item(text);
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::weakly_canonical(item.parent_path(), error);
    return error ? item.lexically_normal() : folder / item.filename();
}

// The archive list must not go on showing an archive that is in the trash,
// nor keep its password: it is closed from the window, as if never opened.
void closeShownArchiveAmong(const std::vector<ExplorerItem> &items)
{
    const std::string &shown = currentArchivePath();
    if (shown.empty())
        return;
    std::error_code error;
    std::filesystem::path archive = std::filesystem::weakly_canonical(shown, error);
    if (error)
        archive = std::filesystem::path(shown).lexically_normal();
    const std::string archiveText = archive.string();
    bool trashed = false;
    for (const auto &item : items) {
        const std::string itemText = resolvedItem(item.path).string();
        if (archiveText == itemText || archiveText.starts_with(itemText + "/"))
            trashed = true;
    }
    if (!trashed)
        return;
    setCurrentArchivePath("");
    uiState().archiveList.password.clear();
    uiState().archiveList.passwordArchive.clear();
    if (pf::isGadget(ids::ArchiveList)) {
        pf::clearGadgetItems(ids::ArchiveList);
        relabelArchiveList();
    }
    // The filter belonged to the archive that went.
    if (pf::isGadget(ids::StrArchiveFilter))
        pf::setGadgetText(ids::StrArchiveFilter, "");
    if (pf::isWindow(ids::WindowMain))
        pf::setWindowTitle(ids::WindowMain, kMainTitle);
}

} // namespace

void copySelection() { openTransferWindow(CopyWindowUse::Copy); }

void moveSelection() { openTransferWindow(CopyWindowUse::Move); }

void renameSelection()
{
    const std::vector<ExplorerItem> items = selectedItems();
    if (items.empty()) {
        nothingSelected();
        return;
    }
    // One item can be renamed at a time: the last selected one, named in
    // the prompt so that the user sees which.
    const ExplorerItem &item = items.back();
    std::string prompt = languageText("TxtRenameFile", "Renommer le fichier : ''" + item.path + "''  en");
    if (prompt.find(item.path) == std::string::npos)
        prompt += "\r''" + item.path + "''";
    const operations::NameParts parts = operations::splitName(item.name);
    if (!buildRenameWindow(prompt, parts.base, parts.extension))
        return;
    windowItems() = {item.path};
    showCopyWindow();
}

void confirmFileOperationWindow()
{
    if (!pf::isWindow(ids::WindowCopy))
        return;
    const std::string text = pf::getGadgetText(ids::StrCopyDestination);
    if (text.empty())
        return;
    switch (copyWindowUse()) {
    case CopyWindowUse::Copy:
    case CopyWindowUse::Move: {
        std::error_code error;
        if (!std::filesystem::path(text).is_absolute() || !std::filesystem::is_directory(text, error)) {
            pf::messageBox("Zarvon",
                           languageText("MsgNoDestinationFolder", "Ce dossier de destination n'existe pas :") + "\r" +
                               text,
                           pf::MessageIcon::Error);
            return;
        }
        runTransfer(copyWindowUse() == CopyWindowUse::Move, text);
        break;
    }
    case CopyWindowUse::Rename: confirmRename(text); break;
    case CopyWindowUse::Password: break; // the extraction workflow's
    }
}

namespace {

// How the selected items go: to the trash, or for good.
struct Removal {
    std::string question;     // asked with the items named after it
    bool forGood;             // a warning whose default answer is No
    std::string failureTitle; // heads the list of items that stayed
    operations::Failure (*remove)(const std::string &path);
};

// Asks, closes the shown archive if it goes, and removes the selected items
// from the last to the first; what stayed is named with its reason.
void removeSelection(const Removal &how)
{
    const auto &texts = settings::currentBuiltInTexts();
    const std::vector<ExplorerItem> items = selectedItems();
    if (items.empty()) {
        pf::messageBox(texts.deleteCaption, texts.deleteNothing, pf::MessageIcon::Warning);
        return;
    }
    if (!pf::askYesNo(texts.deleteCaption, namingItems(how.question, items),
                      how.forGood ? pf::MessageIcon::Warning : pf::MessageIcon::Question, how.forGood))
        return;
    closeShownArchiveAmong(items);
    std::vector<operations::Failure> failures;
    for (auto it = items.rbegin(); it != items.rend(); ++it) {
        const operations::Failure failure = how.remove(it->path);
        if (failure.reason != Reason::None)
            failures.push_back({it->path, failure.reason, failure.sysErrno, 0});
    }
    reportFailures(how.failureTitle, failures);
    showResult();
}

} // namespace

void deleteSelection()
{
    removeSelection({languageText("MsgTrashQuestion", "Envoyer vers la corbeille :"), false,
                     languageText("MsgTrashFailures", "Ces éléments n'ont pas pu être mis à la corbeille :"),
                     operations::trashItem});
}

void deleteSelectionForGood()
{
    // Not the trash question: nothing can be brought back, and Enter keeps
    // everything.
    removeSelection({languageText("MsgDeleteForGoodQuestion", "Supprimer définitivement, sans passer par la "
                                                              "corbeille ? Rien ne pourra être récupéré :"),
                     true, languageText("MsgDeleteFailures", "Ces éléments n'ont pas pu être supprimés :"),
                     operations::removeItemForGood});
}

void deleteFocusedItems()
{
    // The key acts on the list that has the focus, never on the other one's
    // selection: on the archive list it removes entries from the archive.
    if (pf::activeGadget() == ids::ExplorerList)
        deleteSelection();
    else if (pf::activeGadget() == ids::ArchiveList)
        deleteArchiveEntries();
}

} // namespace zarvon::ui
