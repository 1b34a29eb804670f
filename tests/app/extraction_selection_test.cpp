// The extract command over a large explorer selection, as a person makes it:
// a click on a row, Ctrl+A, the toolbar's Extract button.
#include <QApplication>
#include <QKeyEvent>

#include "support/explorer_clicks.h"
#include "support/program_fixture.h"

using namespace zarvon;
using namespace zarvon::platform;
using zarvon::testing::ProgramTest;

namespace {

class ExtractionSelectionTest : public ProgramTest {};

TEST_F(ExtractionSelectionTest, ManyNonArchivesGetOneMessageAndTheArchiveAmongThemIsExtracted)
{
    writeStandardIni();
    makeZip("many/pack.zip", {{"inside.txt", "inside"}});
    for (int i = 0; i < 300; ++i)
        writeFile("many/note" + std::to_string(i) + ".txt", "n");
    std::filesystem::create_directories(folder() / "out");
    ASSERT_TRUE(start());
    showFolder(folder() / "many");
    zarvon::testing::clickExplorerRow("pack.zip");
    QKeyEvent selectAll(QEvent::KeyPress, Qt::Key_A, Qt::ControlModifier);
    QApplication::sendEvent(QApplication::focusWidget(), &selectAll);
    pump();
    ASSERT_EQ(getStatusBarText(ids::StatusBarMain, 1), "0 Dossier(s) 301 Fichier(s) sélectionné(s)");

    expectFolder((folder() / "out").string() + "/");
    expectMessage("Zarvon", "Extraction des fichiers terminée !", MessageIcon::Information);
    expectMessage("Zarvon",
                  "Veuillez selectionnez une archive !\r300 fichier(s) ignoré(s) : ce ne sont pas des archives.",
                  MessageIcon::Error);
    QTest::mouseClick(toolBarButtonWidget(ids::ToolBarMain, ui::toolBarButtonId(ui::ToolButton::Extract)),
                      Qt::LeftButton);
    pump();
    EXPECT_EQ(readFile(folder() / "out/inside.txt"), "inside");
}

} // namespace
