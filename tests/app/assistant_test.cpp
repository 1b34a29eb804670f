// The assistant as the user walks it: shown at start-up or from the main
// window, its pages forwards and backwards, a compression and an extraction
// finished from it, and the ways out of it.
#include <QAbstractButton>

#include "support/program_fixture.h"
#include "support/workflow_fixture.h"
#include "ui/assistant.h"
#include "ui/dialogs/copy_window.h"
#include "ui/platform/qt_access.h"

namespace zarvon::testing {
namespace {

namespace pf = zarvon::platform;
namespace fs = std::filesystem;
using ui::AssistantPage;

class AssistantTest : public ProgramTest {
protected:
    void click(int id)
    {
        auto *button = qobject_cast<QAbstractButton *>(pf::gadgetWidget(id));
        ASSERT_NE(button, nullptr) << id;
        ASSERT_TRUE(button->isEnabled()) << id;
        button->click();
        pump();
    }
    void startWithAssistant(const std::vector<std::pair<std::string, std::string>> &changes = {})
    {
        auto all = changes;
        all.push_back({"General/AssistantState", "1"});
        writeStandardIni(all);
        ASSERT_TRUE(start());
        ASSERT_TRUE(pf::isWindowVisible(ids::WindowAssistant));
    }
    void choose(int option)
    {
        pf::setGadgetState(option, 1);
        pump();
    }
    std::string next() { return pf::getGadgetText(ids::BtTextNext); }
    bool rowSelected(int id, int row) { return (pf::getGadgetItemState(id, row) & pf::ItemSelected) != 0; }
    std::string title() { return pf::getWindowTitle(ids::WindowAssistant); }
};

TEST_F(AssistantTest, ShownAtStartUpAndClosedWithoutEverShowingTheMainWindow)
{
    startWithAssistant();
    EXPECT_FALSE(pf::isWindow(ids::WindowMain)) << "the main window is not built";
    EXPECT_EQ(title(), "Assistant Zarvon");
    EXPECT_EQ(ui::assistantPage(), AssistantPage::Welcome);
    const std::string before = ini();
    click(ids::BtTextClose);
    EXPECT_TRUE(pf::exitRequested());
    EXPECT_FALSE(pf::isWindow(ids::WindowMain));
    EXPECT_EQ(ini(), before) << "no window state is saved";
}

TEST_F(AssistantTest, AnArchiveGivenAtStartUpIsOfferedForExtraction)
{
    writeStandardIni({{"General/AssistantState", "1"}});
    const std::string zip = makeZip("given.zip", {{"a.txt", "alpha"}});
    ASSERT_TRUE(start({zip}));
    ASSERT_TRUE(pf::isWindowVisible(ids::WindowAssistant));
    EXPECT_FALSE(pf::isWindow(ids::WindowMain));
    EXPECT_EQ(ui::assistantPage(), AssistantPage::Extraction);
    EXPECT_EQ(pf::getGadgetText(ids::StrAssistSourceArchive), zip);
    click(ids::BtTextPrevious);
    EXPECT_EQ(ui::assistantPage(), AssistantPage::ChooseOperation);
}

TEST_F(AssistantTest, ItsCloseBoxEndsTheProgram)
{
    startWithAssistant();
    closeBox(ids::WindowAssistant);
    EXPECT_TRUE(pf::exitRequested());
}

TEST_F(AssistantTest, MenuHidesTheMainWindowAndZarvonAndCloseBringItBack)
{
    writeStandardIni();
    ASSERT_TRUE(start());
    menu(ids::MenuAssistant);
    ASSERT_TRUE(pf::isWindowVisible(ids::WindowAssistant));
    EXPECT_FALSE(pf::isWindowVisible(ids::WindowMain));
    click(ids::BtTextZarvon);
    EXPECT_TRUE(pf::isWindowVisible(ids::WindowMain));
    EXPECT_FALSE(pf::isWindowVisible(ids::WindowAssistant));
    pf::clickToolBarButton(ids::ToolBarMain, ui::toolBarButtonId(ui::ToolButton::Assistant));
    pump();
    ASSERT_TRUE(pf::isWindowVisible(ids::WindowAssistant));
    EXPECT_FALSE(pf::isWindowVisible(ids::WindowMain));
    click(ids::BtTextClose);
    EXPECT_FALSE(pf::exitRequested());
    EXPECT_FALSE(pf::isWindow(ids::WindowAssistant));
    EXPECT_TRUE(pf::isWindowVisible(ids::WindowMain));
}

TEST_F(AssistantTest, ZarvonBuildsTheMainWindowAfterAnAssistantStart)
{
    startWithAssistant();
    click(ids::BtTextZarvon);
    ASSERT_TRUE(pf::isWindowVisible(ids::WindowMain));
    EXPECT_FALSE(pf::isWindowVisible(ids::WindowAssistant));
    // The main window's close box while the assistant exists brings it back.
    closeBox(ids::WindowMain);
    EXPECT_FALSE(pf::exitRequested());
    EXPECT_TRUE(pf::isWindowVisible(ids::WindowAssistant));
    click(ids::BtTextClose);
    EXPECT_TRUE(pf::exitRequested()) << "the main window is gone: Close ends the program";
}

TEST_F(AssistantTest, ZarvonBuildsTheMainWindowWhereAndAsItWasSaved)
{
    startWithAssistant({{"Window/WindowXposition", "40"},
                        {"Window/WindowYPosition", "30"},
                        {"Window/WindowWith", "700"},
                        {"Window/WindowHeight", "500"}});
    click(ids::BtTextZarvon);
    ASSERT_TRUE(pf::isWindowVisible(ids::WindowMain));
    EXPECT_EQ(pf::windowX(ids::WindowMain), 40);
    EXPECT_EQ(pf::windowY(ids::WindowMain), 30);
    EXPECT_EQ(pf::windowWidth(ids::WindowMain), 700);
    EXPECT_EQ(pf::windowHeight(ids::WindowMain), 500);
}

TEST_F(AssistantTest, ZarvonBuildsTheMainWindowWithoutToolbarWhenThatWasChosen)
{
    startWithAssistant({{"View/AssistantState", "0"}, {"View/ToolBar", "0"}});
    click(ids::BtTextZarvon);
    ASSERT_TRUE(pf::isWindowVisible(ids::WindowMain));
    EXPECT_FALSE(ui::mainWindowHasToolBar());
}

TEST_F(AssistantTest, PagesForwardsAndBackwards)
{
    startWithAssistant();
    click(ids::BtTextPrevious);
    EXPECT_EQ(ui::assistantPage(), AssistantPage::Welcome);
    click(ids::BtTextNext);
    EXPECT_EQ(ui::assistantPage(), AssistantPage::ChooseOperation);
    EXPECT_EQ(title(), "Choisir une opération");
    pf::expectMessage("Zarvon", "Veuillez sélectionnez une option SVP !", pf::MessageIcon::Error);
    click(ids::BtTextNext);
    choose(ids::ChkCompress);
    click(ids::BtTextNext);
    EXPECT_EQ(ui::assistantPage(), AssistantPage::ArchiveName);
    click(ids::BtTextNext);
    EXPECT_EQ(ui::assistantPage(), AssistantPage::ArchiveName) << "an empty name: Next does nothing";
    click(ids::BtTextPrevious);
    EXPECT_EQ(ui::assistantPage(), AssistantPage::ChooseOperation);
    EXPECT_EQ(pf::getGadgetState(ids::ChkCompress), 0) << "the options come back with none chosen";
    EXPECT_EQ(pf::getGadgetState(ids::ChkDecompress), 0);
    pf::expectMessage("Zarvon", "Veuillez sélectionnez une option SVP !", pf::MessageIcon::Error);
    click(ids::BtTextNext);
    choose(ids::ChkDecompress);
    click(ids::BtTextNext);
    EXPECT_EQ(ui::assistantPage(), AssistantPage::Extraction);
    EXPECT_EQ(next(), "Suivant");
    click(ids::BtTextPrevious);
    EXPECT_EQ(ui::assistantPage(), AssistantPage::ChooseOperation);
    click(ids::BtTextPrevious);
    EXPECT_EQ(ui::assistantPage(), AssistantPage::Welcome);
    EXPECT_EQ(title(), "Assistant Zarvon");
    EXPECT_FALSE(pf::isGadget(ids::ChkCompress));
}

TEST_F(AssistantTest, PagesWalkWhateverTheLanguageFileCallsThem)
{
    // Titles of other words than the shipped files': the page is state.
    writeFile("program/French.lng", "[Assistant]\r\nWindowSelectFile = Choix\r\nTxtWindowExtract = Sortie\r\n");
    startWithAssistant();
    click(ids::BtTextNext);
    choose(ids::ChkCompress);
    click(ids::BtTextNext);
    EXPECT_EQ(title(), "Choix");
    pf::setGadgetText(ids::StrAssistArchiveName, (folder() / "typed.zip").string());
    click(ids::BtTextNext);
    EXPECT_EQ(ui::assistantPage(), AssistantPage::FilesToCompress) << "a name typed by hand is taken";
    EXPECT_EQ(next(), "Terminer");
    EXPECT_TRUE(pf::isWindowVisible(ids::WindowAddFiles));
    click(ids::BtTextPrevious);
    EXPECT_EQ(ui::assistantPage(), AssistantPage::ArchiveName);
    EXPECT_EQ(pf::getGadgetText(ids::StrAssistArchiveName), "");
    EXPECT_EQ(next(), "Suivant");
}

TEST_F(AssistantTest, CompressionFinishedFromTheAssistant)
{
    writeFile("home/pick/a.txt", "alpha");
    writeFile("home/pick/b.txt", "beta");
    startWithAssistant();
    click(ids::BtTextNext);
    choose(ids::ChkCompress);
    click(ids::BtTextNext);
    const std::string archive = (folder() / "made.zip").string();
    pf::expectSaveFile(archive);
    click(ids::AssistBtSaveArchive);
    EXPECT_EQ(pf::getGadgetText(ids::StrAssistArchiveName), archive);
    click(ids::BtTextNext);
    ASSERT_TRUE(pf::isWindowVisible(ids::WindowAddFiles));
    pf::expectMessage("Zarvon", "Sélectionnez les fichiers !", pf::MessageIcon::Error);
    click(ids::BtAdd);
    pf::setGadgetText(ids::ExplorerAddFiles, (homeFolder() / "pick").string());
    for (int i = 0; i < pf::countGadgetItems(ids::ExplorerAddFiles); ++i) {
        const std::string name = pf::getGadgetItemText(ids::ExplorerAddFiles, i);
        if (name == "a.txt" || name == "b.txt") {
            pf::setGadgetItemState(ids::ExplorerAddFiles, i, pf::ItemSelected);
            pf::setGadgetState(ids::ExplorerAddFiles, i);
        }
    }
    click(ids::BtAdd);
    EXPECT_FALSE(pf::isWindowVisible(ids::WindowAddFiles));
    ASSERT_EQ(pf::countGadgetItems(ids::TxtListIconAssist), 2);
    EXPECT_EQ(pf::getGadgetItemText(ids::TxtListIconAssist, 0), (homeFolder() / "pick/a.txt").string());
    click(ids::BtTextNext);
    ASSERT_TRUE(fs::exists(archive));
    const auto listed = runCommand("unzip -Z1 " + quoted(archive));
    EXPECT_EQ(listed.output, "a.txt\nb.txt\n");
    EXPECT_EQ(ui::assistantPage(), AssistantPage::Welcome);
    EXPECT_TRUE(pf::isWindowVisible(ids::WindowAssistant));
    EXPECT_FALSE(pf::isWindow(ids::WindowAddFiles));
}

TEST_F(AssistantTest, CompressionWalkedWithClicksAndKeysMakesWhatTheListShows)
{
    writeFile("home/pick/a.txt", "alpha");
    writeFile("home/pick/sub/c.txt", "gamma");
    writeFile("home/pick/left-out.txt", "no");
    startWithAssistant();
    press(ids::BtTextNext);
    press(ids::ChkCompress);
    press(ids::BtTextNext);
    ASSERT_EQ(ui::assistantPage(), AssistantPage::ArchiveName);
    typeKeys("made.zip");
    pf::expectMessage("Zarvon", "Vérifier le nom et la destination de l'archive !", pf::MessageIcon::Error);
    press(ids::BtTextNext);
    EXPECT_EQ(ui::assistantPage(), AssistantPage::ArchiveName) << "a refusal keeps the page";
    EXPECT_EQ(pf::getGadgetText(ids::StrAssistArchiveName), "made.zip") << "and what was typed";
    pf::setGadgetText(ids::StrAssistArchiveName, "");
    const std::string archive = (folder() / "made.zip").string();
    pf::setActiveGadget(ids::StrAssistArchiveName);
    typeKeys(archive);
    press(ids::BtTextNext);
    ASSERT_TRUE(pf::isWindowVisible(ids::WindowAddFiles));
    EXPECT_EQ(pf::getGadgetText(ids::TxtAddFilesFolder), homeFolder().string() + "/");
    clickRow(ids::ExplorerAddFiles, "pick");
    typeKeys("", Qt::Key_Return);
    EXPECT_EQ(pf::getGadgetText(ids::ExplorerAddFiles), (homeFolder() / "pick").string() + "/");
    EXPECT_EQ(pf::getGadgetText(ids::TxtAddFilesFolder), (homeFolder() / "pick").string() + "/");
    clickRow(ids::ExplorerAddFiles, "a.txt");
    clickRow(ids::ExplorerAddFiles, "sub", Qt::ControlModifier);
    press(ids::BtAdd);
    ASSERT_EQ(pf::countGadgetItems(ids::TxtListIconAssist), 2);
    EXPECT_FALSE(pf::isGadgetDisabled(ids::TxtListIconAssist));
    const std::string a = (homeFolder() / "pick/a.txt").string(), sub = (homeFolder() / "pick/sub").string();
    clickRow(ids::TxtListIconAssist, a);
    clickRow(ids::TxtListIconAssist, sub);
    EXPECT_FALSE(rowSelected(ids::TxtListIconAssist, 0) || rowSelected(ids::TxtListIconAssist, 1)) << "rows toggle";
    pf::expectMessage("Zarvon", "Sélectionnez les fichiers !", pf::MessageIcon::Error);
    press(ids::BtTextNext);
    EXPECT_EQ(ui::assistantPage(), AssistantPage::FilesToCompress);
    EXPECT_EQ(pf::countGadgetItems(ids::TxtListIconAssist), 2);
    EXPECT_FALSE(fs::exists(archive));
    clickRow(ids::TxtListIconAssist, a);
    clickRow(ids::TxtListIconAssist, sub);
    press(ids::BtTextNext);
    ASSERT_TRUE(fs::exists(archive));
    EXPECT_EQ(runCommand("unzip -Z1 " + quoted(archive)).output, "sub/c.txt\na.txt\n");
    EXPECT_EQ(ui::assistantPage(), AssistantPage::Welcome);
}

TEST_F(AssistantTest, FinishWithNothingAddedSaysSoAndWritesNothing)
{
    startWithAssistant();
    click(ids::BtTextNext);
    choose(ids::ChkCompress);
    click(ids::BtTextNext);
    const std::string archive = (folder() / "empty.zip").string();
    pf::setGadgetText(ids::StrAssistArchiveName, archive);
    click(ids::BtTextNext);
    pf::expectMessage("Zarvon", "Sélectionnez les fichiers !", pf::MessageIcon::Error);
    click(ids::BtTextNext);
    EXPECT_FALSE(fs::exists(archive));
    EXPECT_EQ(ui::assistantPage(), AssistantPage::FilesToCompress);
}

TEST_F(AssistantTest, AddFilesCancelStartsTheAssistantAgain)
{
    startWithAssistant();
    click(ids::BtTextNext);
    choose(ids::ChkCompress);
    click(ids::BtTextNext);
    pf::setGadgetText(ids::StrAssistArchiveName, (folder() / "x.zip").string());
    click(ids::BtTextNext);
    click(ids::BtCancel2);
    EXPECT_FALSE(pf::isWindow(ids::WindowAddFiles));
    EXPECT_EQ(ui::assistantPage(), AssistantPage::Welcome);
    EXPECT_TRUE(pf::isWindowVisible(ids::WindowAssistant));
}

class AssistantExtractionTest : public AssistantTest {
protected:
    void toExtractionPage()
    {
        click(ids::BtTextNext);
        choose(ids::ChkDecompress);
        click(ids::BtTextNext);
        ASSERT_EQ(ui::assistantPage(), AssistantPage::Extraction);
    }
    void chooseBoth(const std::string &archive, const std::string &destination, bool english = false)
    {
        pf::expectOpenFile(archive);
        click(ids::AssistBtSelectArchive);
        EXPECT_EQ(next(), english ? "Next" : "Suivant") << "one field is still empty";
        pf::expectFolder(destination);
        click(ids::AssistBtSelectFolder);
        EXPECT_EQ(next(), english ? "Finish" : "Terminer");
    }
};

TEST_F(AssistantExtractionTest, ExtractionFinishedFromTheAssistant)
{
    const std::string zip = makeZip("in/box.zip", {{"docs/readme.txt", "hello"}, {"top.txt", "top"}});
    const std::string dest = (folder() / "out").string() + "/";
    startWithAssistant();
    toExtractionPage();
    chooseBoth(zip, dest);
    pf::expectMessage("Zarvon", "Extraction des fichiers terminée !", pf::MessageIcon::Information);
    click(ids::BtTextNext);
    EXPECT_EQ(readFile(folder() / "out/docs/readme.txt"), "hello");
    EXPECT_EQ(readFile(folder() / "out/top.txt"), "top");
    EXPECT_EQ(ui::assistantPage(), AssistantPage::Welcome);
    EXPECT_EQ(next(), "Suivant");
    click(ids::BtTextNext);
    EXPECT_EQ(pf::getGadgetState(ids::ChkCompress), 0) << "after a Finish no option is chosen";
    EXPECT_EQ(pf::getGadgetState(ids::ChkDecompress), 0);
}

TEST_F(AssistantExtractionTest, AFailedExtractionSaysSoInsteadOfSuccess)
{
    const std::string zip = makeZip("in/bad.zip", {{"a.txt", "some data here"}}, true);
    startWithAssistant({{"View/FrenchLanguage", "0"}, {"View/EnglishLanguage", "1"}});
    toExtractionPage();
    chooseBoth(zip, (folder() / "out").string() + "/", true);
    expectMessageContaining("These files could not be extracted:", pf::MessageIcon::Warning);
    click(ids::BtTextNext);
    for (const auto &shown : pf::shownDialogs())
        EXPECT_EQ(shown.text.find("The files have been extracted!"), std::string::npos);
}

TEST_F(AssistantExtractionTest, AProtectedArchiveGetsThePasswordWindow)
{
    writeFile("c/secret.txt", "secret");
    fs::create_directories(folder() / "in");
    const auto made = runCommand("cd " + quoted((folder() / "c").string()) + " && zip -q -P pw " +
                                 quoted((folder() / "in/locked.zip").string()) + " secret.txt");
    ASSERT_EQ(made.status, 0) << made.output;
    const std::string dest = (folder() / "out").string() + "/";
    startWithAssistant();
    toExtractionPage();
    chooseBoth((folder() / "in/locked.zip").string(), dest);
    click(ids::BtTextNext);
    ASSERT_TRUE(ui::isPasswordWindowOpen());
    EXPECT_EQ(pf::getGadgetText(ids::StrPwdDestination), dest);
    pf::setGadgetText(ids::StrCopyDestination, "pw");
    pf::expectMessage("Zarvon", "Extraction des fichiers terminée !", pf::MessageIcon::Information);
    click(ids::BtOk);
    EXPECT_EQ(readFile(folder() / "out/secret.txt"), "secret");
}

TEST_F(AssistantExtractionTest, IncompleteFieldsLeaveNextWithoutEffect)
{
    startWithAssistant();
    toExtractionPage();
    pf::setGadgetText(ids::StrAssistSourceArchive, (folder() / "x.zip").string());
    click(ids::BtTextNext);
    EXPECT_EQ(ui::assistantPage(), AssistantPage::Extraction);
    pf::expectFolder("");
    click(ids::AssistBtSelectFolder);
    EXPECT_EQ(next(), "Suivant");
    click(ids::BtTextNext);
    EXPECT_EQ(ui::assistantPage(), AssistantPage::Extraction);
}

TEST_F(AssistantExtractionTest, PathsTypedByHandAreTheOnesUsed)
{
    const std::string zip = makeZip("in/typed.zip", {{"t.txt", "typed"}});
    startWithAssistant();
    toExtractionPage();
    pf::setGadgetText(ids::StrAssistSourceArchive, zip);
    pf::setGadgetText(ids::StrAssistDestination, (folder() / "typed-out").string());
    pf::expectMessage("Zarvon", "Extraction des fichiers terminée !", pf::MessageIcon::Information);
    click(ids::BtTextNext);
    EXPECT_EQ(readFile(folder() / "typed-out/t.txt"), "typed") << "what the fields show is what is used";
    EXPECT_EQ(ui::assistantPage(), AssistantPage::Welcome);
}

TEST_F(AssistantTest, HelpAboutAndConfiguration)
{
    startWithAssistant();
    click(ids::BtTextHelp);
    EXPECT_TRUE(pf::isWindowVisible(ids::WindowHelp));
    click(ids::BtTextAbout);
    EXPECT_TRUE(pf::isWindowVisible(ids::WindowAbout));
    click(ids::BtTextConfiguration);
    EXPECT_TRUE(pf::isWindowVisible(ids::WindowConfiguration));
}

} // namespace
} // namespace zarvon::testing
