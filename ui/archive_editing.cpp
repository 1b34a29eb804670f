#include "ui/archive_editing.h"

#include "operations/archive_editing.h"
#include "settings/language.h"
#include "ui/ids.h"
#include "ui/opening.h"
#include "ui/platform/platform.h"
#include "ui/platform/requesters.h"
#include "ui/progress.h"

#include <algorithm>
#include <cstring>

namespace zarvon::ui {

namespace pf = zarvon::platform;
namespace op = zarvon::operations;
using settings::languageText;

namespace {

std::string withCount(std::string text, size_t count)
{
    const size_t at = text.find("%1");
    if (at != std::string::npos)
        text.replace(at, 2, std::to_string(count));
    return text;
}

std::string withName(std::string text, const std::string &name)
{
    const size_t at = text.find("%1");
    if (at != std::string::npos)
        text.replace(at, 2, name);
    return text;
}

// The entries of the selected rows (column 0 holds the whole name).
std::vector<std::string> selectedEntries()
{
    std::vector<std::string> names;
    if (!pf::isGadget(ids::ArchiveList))
        return names;
    const int count = pf::countGadgetItems(ids::ArchiveList);
    for (int i = 0; i < count; ++i)
        if (pf::getGadgetItemState(ids::ArchiveList, i) & pf::ItemSelected)
            if (std::string name = archiveRowName(i); !name.empty())
                names.push_back(name);
    return names;
}

std::string readOnlyText() { return languageText("InfoBulleReadOnlyArchive", "Les archives de ce format ne peuvent pas être modifiées"); }

// The words for why an edit did not happen.
std::string failureText(const op::Failure &f)
{
    std::string text;
    bool withName = true;
    switch (f.reason) {
    case op::Reason::AlreadyExists: text = languageText("MsgEditNameTaken", "Un élément porte déjà ce nom :"); break;
    case op::Reason::NameInOtherCase:
        text = languageText("MsgEditNameCase", "Un élément porte déjà ce nom, à la casse près :");
        break;
    case op::Reason::InvalidName:
        text = languageText("MsgEditBadName",
                            "Ce nom n'est pas valable dans une archive (vide, absolu, ou avec « .. ») :");
        break;
    case op::Reason::NotFound: text = languageText("MsgEditNotFound", "Élément introuvable dans l'archive :"); break;
    case op::Reason::Damaged:
        text = languageText("MsgEditDamaged", "L'archive est endommagée : elle ne peut pas être modifiée. Extrayez ce "
                                              "qui peut être lu, puis créez une nouvelle archive.");
        withName = false;
        break;
    case op::Reason::WrongPassword:
    case op::Reason::PasswordNeeded:
        text = languageText("MsgEditWrongPassword", "Ce mot de passe n'ouvre pas les fichiers de l'archive.");
        withName = false;
        break;
    case op::Reason::NotWritable:
        text = languageText("MsgEditNotWritable", "L'archive ou son dossier ne peut pas être modifié :");
        withName = false;
        break;
    case op::Reason::ArchiveBusy:
        text = languageText("MsgEditBusy", "Une autre tâche modifie cette archive. Réessayez quand elle sera terminée.");
        withName = false;
        break;
    case op::Reason::WriteFailed:
        text = languageText("MsgEditWriteFailed", "Écriture impossible :");
        withName = false;
        break;
    case op::Reason::ReadOnlyFormat:
        text = readOnlyText();
        withName = false;
        break;
    case op::Reason::Stopped:
        return languageText("MsgEditStopped", "Modification interrompue : l'archive est restée telle quelle.");
    default: text = languageText("MsgEditCannotRead", "Fichier illisible :"); break;
    }
    if (withName && !f.name.empty())
        text += "\r" + f.name;
    if (f.sysErrno != 0)
        text += "\r" + std::string(std::strerror(f.sysErrno));
    return languageText("MsgEditFailed", "L'archive n'a pas été modifiée.") + "\r" + text;
}

// The shown archive's list read again after a change.
void relist()
{
    const std::string &path = currentArchivePath();
    if (path.empty() || !pf::isGadget(ids::ArchiveList))
        return;
    pf::clearGadgetItems(ids::ArchiveList);
    listArchive(path);
    relabelArchiveList();
}

// Runs an edit with the progress window; reports what went wrong. True when
// the archive was changed.
bool runEdit(const op::EditRequest &request)
{
    openExtractionProgressWindow(languageText("TxtEditTitle", "Modification de l'archive..."));
    clearCancelRequest();
    ProgressWindowReporter progress(ProgressWindowReporter::Form::Extraction);
    const op::EditReport report = op::editArchive(request, progress);
    closeProgressWindow();
    clearCancelRequest();
    if (!report.done) {
        pf::messageBox("Zarvon", failureText(report.failure),
                       report.stopped ? pf::MessageIcon::Information : pf::MessageIcon::Error);
        return false;
    }
    if (request.archivePath == currentArchivePath())
        relist();
    return true;
}

bool refuseReadOnly()
{
    std::string why;
    if (shownArchiveIsEditable(&why))
        return false;
    if (!currentArchivePath().empty())
        pf::messageBox("Zarvon", why, pf::MessageIcon::Error);
    return true;
}

} // namespace

bool shownArchiveIsEditable(std::string *why)
{
    const std::string &path = currentArchivePath();
    const op::ArchiveFormat *format = path.empty() ? nullptr : op::formatOf(path);
    const bool editable = format && format->capabilities().edit;
    if (!editable && why)
        *why = readOnlyText();
    return editable;
}

void showArchiveListMenu()
{
    if (currentArchivePath().empty() || !pf::isGadget(ids::ArchiveList))
        return;
    if (pf::isMenu(ids::ArchiveListMenu))
        pf::freeMenu(ids::ArchiveListMenu);
    pf::createPopupMenu(ids::ArchiveListMenu);
    pf::menuItem(ids::MenuArchiveOpen, languageText("MenuArchiveOpen", "Ouvrir"));
    pf::menuItem(ids::MenuArchiveExtract, languageText("MenuArchiveExtract", "Extraire..."));
    pf::menuBar();
    pf::menuItem(ids::MenuArchiveAdd, languageText("MenuArchiveAdd", "Ajouter des fichiers..."));
    pf::menuItem(ids::MenuArchiveDelete, languageText("MenuArchiveDelete", "Supprimer"));
    pf::menuItem(ids::MenuArchiveRename, languageText("MenuArchiveRename", "Renommer..."));
    pf::menuItem(ids::MenuArchiveNewFolder, languageText("MenuArchiveNewFolder", "Nouveau dossier..."));
    pf::menuBar();
    pf::menuItem(ids::MenuArchiveTest, languageText("MenuArchiveTest", "Tester"));
    pf::menuItem(ids::MenuArchiveInfo, languageText("MenuArchiveInfo", "Informations"));
    std::string why;
    const bool editable = shownArchiveIsEditable(&why);
    for (int item : {ids::MenuArchiveAdd, ids::MenuArchiveDelete, ids::MenuArchiveRename, ids::MenuArchiveNewFolder})
        pf::setMenuItemEnabled(ids::ArchiveListMenu, item, editable, editable ? std::string() : why);
    const bool anySelected = !selectedEntries().empty();
    for (int item : {ids::MenuArchiveOpen, ids::MenuArchiveRename})
        if (!anySelected)
            pf::setMenuItemEnabled(ids::ArchiveListMenu, item, false, editable || item == ids::MenuArchiveOpen ? "" : why);
    if (!anySelected)
        pf::setMenuItemEnabled(ids::ArchiveListMenu, ids::MenuArchiveDelete, false, editable ? "" : why);
    pf::displayPopupMenu(ids::ArchiveListMenu, ids::WindowMain);
}

void deleteArchiveEntries()
{
    const std::vector<std::string> names = selectedEntries();
    if (names.empty() || refuseReadOnly())
        return;
    // The question names what goes, so that a slip of the key loses nothing.
    std::string list;
    const size_t shown = std::min<size_t>(names.size(), 10);
    for (size_t i = 0; i < shown; ++i)
        list += "\r" + names[i];
    if (names.size() > shown)
        list += "\r" + withCount(languageText("MsgAndMore", "et %1 autres"), names.size() - shown);
    if (!pf::askYesNo("Zarvon", languageText("MsgDeleteEntriesQuestion", "Supprimer de l'archive :") + list,
                      pf::MessageIcon::Warning, true))
        return;
    op::EditRequest request;
    request.kind = op::EditRequest::Kind::Delete;
    request.archivePath = currentArchivePath();
    request.items = names;
    runEdit(request);
}

void renameArchiveEntry()
{
    const std::vector<std::string> names = selectedEntries();
    if (names.empty() || refuseReadOnly())
        return;
    const int current = pf::getGadgetState(ids::ArchiveList);
    std::string from = current >= 0 && (pf::getGadgetItemState(ids::ArchiveList, current) & pf::ItemSelected) &&
                               !archiveRowName(current).empty()
                           ? archiveRowName(current)
                           : names.front();
    std::string to;
    const std::string shownName = from.back() == '/' ? from.substr(0, from.size() - 1) : from;
    if (!pf::askText("Zarvon", withName(languageText("MsgRenameEntry", "Nouveau nom de « %1 » :"), shownName), to,
                     shownName) ||
        to == shownName)
        return;
    op::EditRequest request;
    request.kind = op::EditRequest::Kind::Rename;
    request.archivePath = currentArchivePath();
    request.items = {from, to};
    runEdit(request);
}

void newArchiveFolder()
{
    if (refuseReadOnly())
        return;
    std::string name;
    if (!pf::askText("Zarvon", languageText("MsgNewFolderName", "Nom du nouveau dossier :"), name) || name.empty())
        return;
    op::EditRequest request;
    request.kind = op::EditRequest::Kind::NewFolder;
    request.archivePath = currentArchivePath();
    request.folder = archiveFolderShown();
    request.items = {name};
    runEdit(request);
}

void addFileToArchiveWithRequester()
{
    if (refuseReadOnly())
        return;
    const std::string path =
        pf::openFileRequester(languageText("MenuArchiveAdd", "Ajouter des fichiers..."), "", "*|*", 0);
    if (!path.empty())
        addToArchive(currentArchivePath(), {path}, {}, 8, archiveFolderShown());
}

bool addToArchive(const std::string &archivePath, const std::vector<std::string> &paths, const std::string &password,
                  int method, const std::string &folder)
{
    if (paths.empty())
        return false;
    const op::EditableArchive target = op::editableArchive(archivePath);
    if (!target.editable) {
        pf::messageBox("Zarvon", failureText(target.failure), pf::MessageIcon::Error);
        return false;
    }
    std::string secret = password;
    // An archive whose files are encrypted: the new ones may be too, with a
    // password that opens the others (checked before anything is written).
    if (secret.empty() && target.encrypted &&
        pf::askYesNo("Zarvon",
                     languageText("MsgEncryptNewEntries", "Les fichiers de cette archive sont chiffrés. Chiffrer aussi "
                                                          "les nouveaux avec son mot de passe ?"),
                     pf::MessageIcon::Question)) {
        if (!pf::askText("Zarvon", languageText("MsgArchivePassword", "Mot de passe de l'archive :"), secret, {}, true) ||
            secret.empty())
            return false;
        const op::Failure check = op::checkEditPassword(archivePath, secret);
        if (check.reason != op::Reason::None) {
            pf::messageBox("Zarvon", failureText(check), pf::MessageIcon::Error);
            return false;
        }
    }
    op::EditRequest request;
    request.kind = op::EditRequest::Kind::Add;
    request.archivePath = archivePath;
    request.items = paths;
    request.folder = folder;
    request.password = secret;
    request.method = method;
    request.overwrite = op::Overwrite::Ask;
    return runEdit(request);
}

} // namespace zarvon::ui
