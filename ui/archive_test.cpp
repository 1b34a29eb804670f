#include "ui/archive_test.h"

#include "base/paths.h"
#include "operations/jobs.h"
#include "settings/language.h"
#include "ui/extraction.h"
#include "ui/ids.h"
#include "ui/platform/platform.h"
#include "ui/platform/requesters.h"

namespace zarvon::ui {
namespace pf = zarvon::platform;

namespace {

enum class Origin { Requester, Explorer };

// The test runs without a password: encrypted entries are counted as not
// checked, and a sound protected archive passes.
operations::TestReport testWithoutPassword(const std::string &path)
{
    operations::SilentProgress progress;
    return operations::testArchiveFile({path, ""}, progress);
}

// Each message starts with the archive's name: with several archives
// selected, one box per archive, and each must say which.
void report(const std::string &path, Origin origin)
{
    const std::string name = base::lastPathComponent(path);
    const operations::TestReport tested = testWithoutPassword(path);
    if (!tested.passed()) {
        // The failure is always told, whatever the configuration file holds,
        // with the first entry that failed and why.
        std::string text = name + "\r" + settings::languageText("MsgChkZipError", "Le fichier est corrompu");
        if (tested.firstFailure.reason != operations::Reason::None)
            text += "\r" + tested.firstFailure.name + " : " + extractionFailureReason(tested.firstFailure);
        pf::messageBox("Zarvon", text, pf::MessageIcon::Error);
        return;
    }
    std::string text;
    if (settings::englishLanguageSelected())
        text = settings::languageText("MsgChkZip", "Zip file checked successfully\rNo error found !");
    else if (origin == Origin::Requester)
        text = "Archive vérivier avec succès\rAucune erreur detectectée dans le fichier";
    else
        text = "Archive vérivier avec succès\rAucune erreur détectée dans le Fichier !";
    pf::messageBox("Zarvon", name + "\r" + text, pf::MessageIcon::Information);
}

bool testedExtension(const std::string &name)
{
    const std::string extension = base::pathExtension(name);
    return extension == "zip" || extension == "ZIP" || extension == "Zip";
}

} // namespace

bool archivePassesTest(const std::string &path) { return testWithoutPassword(path).passed(); }

void testArchive()
{
    const int list = ids::ExplorerList;
    if (!pf::isGadget(list) || pf::getGadgetState(list) < 0) {
        const std::string path = pf::openFileRequester(
            "Sélectionner une archive", "",
            "Rar(*.rar)|*.rar;*.ZIP;*.tar;*.cab|7-zip(*.7-zip)|*.7zip|Arj(*.arj)|*.arj|Ace(*.ace)|*.ace|"
            "Toutes les archives (*.*)|*.*",
            4);
        if (!path.empty())
            report(path, Origin::Requester);
        return;
    }
    const std::string folder = pf::getGadgetText(list);
    const int count = pf::countGadgetItems(list);
    for (int item = 0; item < count; ++item) {
        const int state = pf::getGadgetItemState(list, item);
        if (!(state & pf::ItemSelected) || !(state & pf::ItemFile))
            continue;
        const std::string name = pf::getGadgetItemText(list, item);
        if (testedExtension(name))
            report(folder + name, Origin::Explorer);
    }
}

} // namespace zarvon::ui
