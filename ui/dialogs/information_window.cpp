#include "ui/dialogs/information_window.h"

#include "settings/language.h"
#include "ui/dialogs/dialog_common.h"

namespace zarvon::ui {

namespace pf = zarvon::platform;
using settings::languageText;

namespace {

// The sheet's value colour (0xRRGGBB).
constexpr std::uint32_t kValueColour = 0xE61101;

struct Label {
    int id;
    const char *key;
    const char *frenchDefault;
    int y;
};

constexpr Label kLabels[] = {
    {ids::TxtWindowInfoZipName, "TxtWindowInfoZipName", "Nom de l'archive", 24},
    {ids::TxtWindowInfoFileNumber, "TxtWindowInfoFileNumber", "Nombre de fichier(s)", 50},
    {ids::TxtWindowInfoProtection, "TxtWindowInfoProtection", "Protection de l'archive", 76},
    {ids::TxtWindowInfoOrigSize, "TxtWindowInfoOrigSize", "Taille originale du fichier", 102},
    {ids::TxtWindowInfoCompressMethod, "TxtWindowInfoCompressMethod", "Methode de compression", 128},
    {ids::TxtWindowInfoZipSize, "TxtWindowInfoZipSize", "Taille de la compression", 153},
    {ids::TxtWindowInfoCreationDate, "TxtWindowInfoCreationDate", "Date de creation", 179},
    {ids::TxtWindowInfoDateModif, "TxtWindowInfoDateModif", "Date Modification", 205},
};

constexpr int kContainerY = 18;

} // namespace

bool buildInformationWindow(const InformationValues &values)
{
    const int active = pf::activeWindow();
    const int parent = active >= 0 ? active : dialogParent(ids::WindowAssistant);
    const unsigned flags = pf::WindowInvisible | pf::WindowTool | pf::WindowTopmost | centring(parent);
    // 250 high rather than 240: the Ok button at 230 (18 high) is then whole.
    if (pf::openWindow(ids::WindowInfoArchive, 0, 0, 336, 250,
                       languageText("WindowInfoArchive", "Information sur l'archive"), flags, parent) < 0)
        return false;
    pf::frameGadget(ids::FrameWindowInfo, 3, 2, 330, 226, "Informations");
    for (const Label &label : kLabels) {
        pf::textGadget(label.id, 10, label.y, 130, 20, languageText(label.key, label.frenchDefault));
        condensed(label.id);
    }
    pf::containerGadget(ids::ContainerInfoValues, 141, kContainerY, 188, 204);
    for (int row = 0; row < 8; ++row) {
        const int id = ids::InfoValueFirst + row;
        pf::textGadget(id, 0, kLabels[row].y - kContainerY, 188, 20, values[std::size_t(row)]);
        pf::setGadgetTextColor(id, kValueColour);
    }
    pf::closeGadgetList();
    pf::buttonGadget(ids::BtOkWindowInfo, 284, 230, 50, 18, languageText("BtOkWindowInfo", "Ok"), pf::ButtonDefault);
    return true;
}

std::string informationValue(int row)
{
    const int id = ids::InfoValueFirst + row;
    return pf::isGadget(id) ? pf::getGadgetText(id) : std::string();
}

void closeInformationWindow() { pf::closeWindow(ids::WindowInfoArchive); }

} // namespace zarvon::ui
