// The test command: requester or explorer selection, one message per file,
// the verdict from the engine's verification.
#include "engine/engine.h"
#include "support/program_fixture.h"

using namespace zarvon;
using namespace zarvon::platform;
using zarvon::testing::ProgramTest;

namespace {

const char *const kPassRequester = "Archive vérivier avec succès\rAucune erreur detectectée dans le fichier";
const char *const kPassExplorer = "Archive vérivier avec succès\rAucune erreur détectée dans le Fichier !";
const char *const kFail = "Le fichier est corrompu";

// A message about one archive starts with its name.
std::string about(const std::string &name, const std::string &text) { return name + "\r" + text; }

class TestCommandTest : public ProgramTest {
protected:
    void select(const std::string &name)
    {
        const int item = explorerItem(name);
        ASSERT_GE(item, 0) << name;
        setGadgetItemState(ids::ExplorerList, item, ItemSelected);
    }
};

TEST_F(TestCommandTest, RequesterFileThatPassesInFrench)
{
    writeStandardIni();
    std::string zip = makeZip("good.zip", {{"a.txt", "alpha"}});
    ASSERT_TRUE(start());
    expectOpenFile(zip);
    expectMessage("Zarvon", about("good.zip", kPassRequester), MessageIcon::Information);
    menu(ids::MenuTestZip);
    EXPECT_EQ(shownDialogs()[0].caption, "Sélectionner une archive");
    EXPECT_EQ(shownDialogs()[0].filterIndex, 4);
    EXPECT_EQ(shownDialogs()[0].filter,
              "Rar(*.rar)|*.rar;*.ZIP;*.tar;*.cab|7-zip(*.7-zip)|*.7zip|Arj(*.arj)|*.arj|Ace(*.ace)|*.ace|"
              "Toutes les archives (*.*)|*.*");
}

TEST_F(TestCommandTest, TextFileCalledZipFails)
{
    writeStandardIni();
    std::string fake = writeFile("fake.zip", "this is only text").string();
    ASSERT_TRUE(start());
    expectOpenFile(fake);
    expectMessage("Zarvon", about("fake.zip", kFail), MessageIcon::Error);
    menu(ids::MenuTestZip);
}

TEST_F(TestCommandTest, DamagedEntryFailsEvenWithAnIntactDirectory)
{
    writeStandardIni();
    std::string zip = makeZip("damaged.zip", {{"a.txt", "alpha beta gamma"}}, true);
    ASSERT_TRUE(start());
    expectOpenFile(zip);
    // The entry that failed, and why.
    expectMessage("Zarvon", about("damaged.zip", kFail) + "\ra.txt : données endommagées", MessageIcon::Error);
    menu(ids::MenuTestZip);
}

TEST_F(TestCommandTest, ProtectedArchivePassesWhateverPasswordIsLeftInForce)
{
    writeStandardIni();
    writeFile("secret.txt", "secret data");
    const std::string zip = (folder() / "protected.zip").string();
    ASSERT_NE(engine::createArchive(zip, 0), 0);
    engine::setPassword("right");
    ASSERT_EQ(engine::addFile((folder() / "secret.txt").string(), 0), 0);
    ASSERT_EQ(engine::closeArchives(), 0);
    ASSERT_TRUE(start());
    // As an earlier compression with another password leaves it.
    engine::setPassword("other");
    expectOpenFile(zip);
    expectMessage("Zarvon", about("protected.zip", kPassRequester), MessageIcon::Information);
    menu(ids::MenuTestZip);
    EXPECT_EQ(engine::engineState().password, "other");
}

TEST_F(TestCommandTest, CancelledRequesterShowsNothing)
{
    writeStandardIni();
    ASSERT_TRUE(start());
    expectOpenFile("");
    menu(ids::MenuTestZip);
    EXPECT_EQ(shownDialogs().size(), 1u);
}

TEST_F(TestCommandTest, EverySelectedZipOfTheExplorerInListOrder)
{
    writeStandardIni();
    makeZip("home/a.zip", {{"a", "a"}});
    writeFile("home/b.ZIP", "broken");
    makeZip("home/c.Zip", {{"c", "c"}});
    makeZip("home/d.zIp", {{"d", "d"}});
    writeFile("home/e.7z", "seven");
    makeZip("home/f.zip", {{"f", "f"}}); // not selected
    ASSERT_TRUE(start());
    for (const char *name : {"a.zip", "b.ZIP", "c.Zip", "d.zIp", "e.7z"})
        select(name);
    expectMessage("Zarvon", about("a.zip", kPassExplorer), MessageIcon::Information);
    expectMessage("Zarvon", about("b.ZIP", kFail), MessageIcon::Error);
    expectMessage("Zarvon", about("c.Zip", kPassExplorer), MessageIcon::Information);
    clickToolBarButton(ids::ToolBarMain, ui::toolBarButtonId(ui::ToolButton::Check));
    pump();
    // The test leaves the archive list alone.
    EXPECT_TRUE(ui::currentArchivePath().empty());
}

TEST_F(TestCommandTest, EnglishSettingUsesTheLanguageFileText)
{
    writeStandardIni({{"View/EnglishLanguage", "1"}, {"View/FrenchLanguage", "0"}});
    std::string zip = makeZip("good.zip", {{"a.txt", "alpha"}});
    std::string fake = writeFile("fake.zip", "text").string();
    ASSERT_TRUE(start());
    expectOpenFile(zip);
    expectMessage("Zarvon", about("good.zip", settings::languageText("MsgChkZip", "")), MessageIcon::Information);
    menu(ids::MenuTestZip);
    expectOpenFile(fake);
    expectMessage("Zarvon", about("fake.zip", settings::languageText("MsgChkZipError", "")), MessageIcon::Error);
    menu(ids::MenuTestZip);
}

TEST_F(TestCommandTest, FrenchSettingIgnoresTheLanguageFileText)
{
    writeStandardIni();
    writeFile("program/French.lng", "MsgChkZip = Texte du fichier\r\nMenuQuit = Quitter\r\n");
    std::string zip = makeZip("good.zip", {{"a.txt", "alpha"}});
    ASSERT_TRUE(start());
    expectOpenFile(zip);
    expectMessage("Zarvon", about("good.zip", kPassRequester), MessageIcon::Information);
    menu(ids::MenuTestZip);
}

TEST_F(TestCommandTest, FailureIsToldWithoutAnyConfigurationFile)
{
    writeFile("home/bad.zip", "no archive");
    ASSERT_TRUE(start());
    select("bad.zip");
    expectMessage("Zarvon", about("bad.zip", settings::languageText("MsgChkZipError", "")), MessageIcon::Error);
    menu(ids::MenuTestZip);
}

} // namespace
