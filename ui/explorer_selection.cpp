#include "ui/explorer_selection.h"

#include "settings/language.h"
#include "ui/platform/platform.h"
#include "ui/platform/requesters.h"

namespace zarvon::ui {

namespace pf = zarvon::platform;

std::vector<ExplorerItem> selectedExplorerItems(int explorer)
{
    std::vector<ExplorerItem> items;
    std::string folder = pf::getGadgetText(explorer);
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    const int count = pf::countGadgetItems(explorer);
    for (int i = 0; i < count; ++i) {
        const int state = pf::getGadgetItemState(explorer, i);
        if (!(state & pf::ItemSelected))
            continue;
        const std::string name = pf::getGadgetItemText(explorer, i);
        items.push_back({name, folder + name, state});
    }
    return items;
}

void reportSkippedNonArchives(std::size_t skipped)
{
    if (skipped == 0)
        return;
    pf::messageBox(
        "Zarvon",
        settings::languageText("MsgNozipSelect", "Veuillez selectionnez une archive !") + "\r" +
            settings::countedText(settings::languageText("MsgNotArchivesSkipped", "%1 fichier(s) ignoré(s) : "
                                                                                  "ce ne sont pas des archives."),
                                  skipped),
        pf::MessageIcon::Error);
}

} // namespace zarvon::ui
