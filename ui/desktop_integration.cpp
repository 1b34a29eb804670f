#include "ui/desktop_integration.h"

#include "base/errors.h"
#include "operations/desktop_integration.h"
#include "settings/language.h"
#include "settings/paths.h"
#include "ui/ids.h"
#include "ui/platform/platform.h"
#include "ui/platform/requesters.h"

namespace zarvon::ui {
namespace pf = zarvon::platform;
using operations::IntegrationBox;

namespace {

bool boxOf(int id, IntegrationBox &box)
{
    switch (id) {
    case ids::ChkBoxZip: box = IntegrationBox::ZipDefault; return true;
    case ids::ChkBoxIntegration: box = IntegrationBox::OpenWith; return true;
    case ids::ChkBoxShortcut: box = IntegrationBox::DesktopShortcut; return true;
    default: return false;
    }
}

operations::FreedesktopIntegration desktop()
{
    operations::ProgramIdentity program;
    program.programPath = settings::programPath();
    program.programDirectory = settings::programDirectory();
    program.programFileName = settings::programFileName();
    // The verb follows the system's language, whatever the interface speaks.
    program.frenchFrance = settings::detectSystemLanguage() == settings::FrenchFranceLanguage;
    return operations::FreedesktopIntegration(program, operations::userFoldersFromEnvironment());
}

} // namespace

void applyIntegrationBox(int id)
{
    IntegrationBox box;
    if (!boxOf(id, box) || !pf::isGadget(id))
        return;
    const bool ticked = pf::getGadgetState(id) != 0;
    auto integration = desktop();
    operations::IntegrationFailure failure;
    if (integration.apply(box, ticked, failure))
        return;
    std::string text =
        settings::languageText("MsgIntegrationFailed", "Impossible de modifier l'intégration à l'environnement :");
    text += "\n" + failure.path;
    if (failure.sysErrno != 0)
        text += "\n" + base::systemErrorText(failure.sysErrno);
    pf::messageBox("Zarvon", text, pf::MessageIcon::Error);
    if (pf::isGadget(id))
        pf::setGadgetState(id, integration.isApplied(box) ? 1 : 0);
}

} // namespace zarvon::ui
