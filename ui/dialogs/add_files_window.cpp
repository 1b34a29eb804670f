#include "ui/dialogs/add_files_window.h"

#include "settings/language.h"
#include "ui/dialogs/dialog_common.h"

namespace zarvon::ui {

namespace pf = zarvon::platform;
using settings::languageText;

bool buildAddFilesWindow()
{
    const int parent = pf::isWindow(ids::WindowAssistant) ? ids::WindowAssistant : dialogParent();
    const unsigned flags =
        pf::WindowInvisible | pf::WindowSizeable | pf::WindowTool | pf::WindowTopmost | centring(parent);
    // 308 high rather than 302, so that the buttons at 285 (20 high) are whole.
    if (pf::openWindow(ids::WindowAddFiles, 0, 0, 437, 308, languageText("TxtWindowAddFiles", "Ajouter les fichiers"),
                       flags, parent) < 0)
        return false;
    // 24 high from 4 rather than 20 from 5: the bold 12-point line is 23
    // pixels high here, and the list below starts at 30.
    pf::textGadget(ids::TxtSelectFiles, 51, 4, 305, 24, languageText("TxtSelectFiles", "Sélection des fichiers"),
                   pf::TextCenter | pf::FontBold);
    pf::setGadgetFont(ids::TxtSelectFiles, "Arial", 12, true);
    // The folder shown, above the list that shows it (which gives it the
    // room): the icons alone do not say where one is.
    pf::stringGadget(ids::TxtAddFilesFolder, 4, 30, 430, 20, homeFolder(), pf::StringReadOnly);
    pf::explorerListGadget(ids::ExplorerAddFiles, 4, 52, 430, 228, homeFolder());
    pf::setExplorerDisplay(ids::ExplorerAddFiles, pf::ExplorerDisplay::LargeIcons);
    showAddFilesFolder();
    pf::buttonGadget(ids::BtCancel2, 20, 285, 100, 20, languageText("BtCancel2", "Annuler"));
    pf::buttonGadget(ids::BtAdd, 302, 285, 110, 20, languageText("BtAdd", "Ajouter"));
    return true;
}

void showAddFilesFolder()
{
    if (!pf::isGadget(ids::TxtAddFilesFolder) || !pf::isGadget(ids::ExplorerAddFiles))
        return;
    const std::string folder = pf::getGadgetText(ids::ExplorerAddFiles);
    if (pf::getGadgetText(ids::TxtAddFilesFolder) != folder)
        pf::setGadgetText(ids::TxtAddFilesFolder, folder);
}

} // namespace zarvon::ui
