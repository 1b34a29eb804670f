// The about window and the add-files window: what they show and what their
// controls do.
#include "support/workflow_fixture.h"
#include "ui/dialogs/about_window.h"
#include "ui/dialogs/add_files_window.h"

namespace zarvon::testing {
namespace {

using AboutWindowTest = WorkflowTest;

TEST_F(AboutWindowTest, ShowsTheProductAndItsCreditsInTheChosenLanguage)
{
    ui::showAboutWindow();
    ASSERT_TRUE(pf::isWindowVisible(ids::WindowAbout));
    EXPECT_EQ(pf::getWindowTitle(ids::WindowAbout), "A propos");
    EXPECT_EQ(pf::getGadgetText(ids::TxtAboutLine1), "Zarvon 1.1.0");
    EXPECT_EQ(pf::getGadgetText(ids::LinkMakerSite), ui::kMakerAddress);
    const std::string frenchThanks = pf::getGadgetText(ids::TxtAboutThanks1);
    EXPECT_NE(frenchThanks.find("Merci"), std::string::npos);
    ui::closeAboutWindow();
    EXPECT_FALSE(pf::isWindow(ids::WindowAbout));

    writeSettings("[View]\r\nEnglishLanguage = 1\r\n");
    ui::showAboutWindow();
    EXPECT_NE(pf::getGadgetText(ids::TxtAboutThanks1).find("Thanks"), std::string::npos);
    EXPECT_EQ(pf::getGadgetText(ids::TxtAboutLine2), settings::builtInTexts(true).aboutCredits[1]);
}

TEST_F(AboutWindowTest, LinkOpensTheAddressWithTheDesktop)
{
    ui::showAboutWindow();
    pf::expectOpenDocument();
    ui::openMakerSite();
    EXPECT_EQ(pf::shownDialogs().back().text, ui::kMakerAddress);
}

TEST_F(AboutWindowTest, AddFilesWindowShowsTheHomeFolderInLargeIcons)
{
    writeFile(path("picture.jpg"), "jpeg");
    ASSERT_TRUE(ui::buildAddFilesWindow());
    EXPECT_FALSE(pf::isWindowVisible(ids::WindowAddFiles));
    EXPECT_EQ(pf::getGadgetText(ids::ExplorerAddFiles), folder_.string() + "/");
    EXPECT_EQ(pf::getExplorerDisplay(ids::ExplorerAddFiles), pf::ExplorerDisplay::LargeIcons);
    bool listed = false;
    for (int i = 0; i < pf::countGadgetItems(ids::ExplorerAddFiles); ++i)
        listed |= pf::getGadgetItemText(ids::ExplorerAddFiles, i) == "picture.jpg";
    EXPECT_TRUE(listed);
    EXPECT_EQ(pf::getGadgetText(ids::BtAdd), "Ajouter");
    EXPECT_EQ(pf::getGadgetText(ids::BtCancel2), "Annuler");
}

} // namespace
} // namespace zarvon::testing
