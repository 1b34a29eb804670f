// A tarball and a 7z archive in the window, as a person meets them: a double
// click in the explorer lists a .tar.gz with its columns, a click on a row
// and the toolbar's Extract take that entry out; File -> Open lists a .7z,
// and an encrypted one is said to be encrypted, with nothing written.
#include "support/explorer_clicks.h"
#include "support/process.h"
#include "support/program_fixture.h"

using namespace zarvon;
using namespace zarvon::platform;
using zarvon::testing::ProgramTest;
using zarvon::testing::quoted;
using zarvon::testing::runCommand;

namespace {

class OtherFormatsWindowTest : public ProgramTest {
protected:
    void clickExtract()
    {
        QTest::mouseClick(toolBarButtonWidget(ids::ToolBarMain, ui::toolBarButtonId(ui::ToolButton::Extract)),
                          Qt::LeftButton);
        pump();
    }
};

TEST_F(OtherFormatsWindowTest, DoubleClickedTarballListsItsColumnsAndExtractsTheChosenEntry)
{
    writeStandardIni();
    writeFile("home/src/one.txt", "first");
    writeFile("home/src/two.txt", std::string(4000, 't'));
    std::filesystem::create_directories(folder() / "out");
    ASSERT_EQ(runCommand("cd " + quoted(folder() / "home") + " && tar --sort=name -czf pack.tar.gz src").status, 0);
    ASSERT_TRUE(start());
    showFolder(folder() / "home");
    zarvon::testing::doubleClickExplorerRow("pack.tar.gz");
    pump();
    ASSERT_EQ(archiveRows(), (std::vector<std::string>{"src/", "src/one.txt", "src/two.txt"}));
    EXPECT_EQ(getGadgetColumnTitle(ids::ArchiveList, 0), "Fichiers contenus dans l'archive (3)");
    EXPECT_EQ(getGadgetItemText(ids::ArchiveList, 2, 1), "4000");
    EXPECT_EQ(getGadgetItemText(ids::ArchiveList, 2, 5), "gzip");

    clickRow(ids::ArchiveList, "src/one.txt");
    expectFolder((folder() / "out").string());
    expectMessage("Zarvon", "Extraction des fichiers terminée !", MessageIcon::Information);
    clickExtract();
    EXPECT_EQ(readFile(folder() / "out/src/one.txt"), "first");
    EXPECT_FALSE(std::filesystem::exists(folder() / "out/src/two.txt"));
}

TEST_F(OtherFormatsWindowTest, SevenZipOpensByTheOpenCommandAndAnEncryptedOneIsSaidSo)
{
    writeStandardIni();
    writeFile("src/a.txt", "alpha");
    std::filesystem::create_directories(folder() / "out");
    ASSERT_EQ(runCommand("cd " + quoted(folder()) + " && 7zz a -bso0 plain.7z src && 7zz a -bso0 -psecret locked.7z src")
                  .status,
              0);
    ASSERT_TRUE(start());
    expectOpenFile((folder() / "plain.7z").string());
    menu(ids::MenuOpenZip);
    EXPECT_EQ(archiveRows(), (std::vector<std::string>{"src/", "src/a.txt"}));

    expectOpenFile((folder() / "locked.7z").string());
    menu(ids::MenuOpenZip);
    ASSERT_EQ(archiveRows().size(), 2u);
    // No password is asked: the message says what cannot be done.
    expectFolder((folder() / "out").string());
    expectMessage("Zarvon",
                  "Cette archive est chiffrée, ce que Zarvon ne sait pas encore ouvrir. Rien n'a été extrait.\r" +
                      (folder() / "locked.7z").string(),
                  MessageIcon::Error);
    clickExtract();
    EXPECT_TRUE(zarvon::testing::filesUnder(folder() / "out").empty());
}

} // namespace
