// The test command: requester or explorer selection, one message per file,
// the verdict from the engine's verification.
#include "engine/engine.h"
#include "rar/rar.h"
#include "support/explorer_clicks.h"
#include "support/process.h"
#include "support/program_fixture.h"

#include <QApplication>

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
    void clickCheckButton()
    {
        QTest::mouseClick(toolBarButtonWidget(ids::ToolBarMain, ui::toolBarButtonId(ui::ToolButton::Check)),
                          Qt::LeftButton);
        pump();
    }

    void clickCancel()
    {
        ASSERT_TRUE(isWindowVisible(ids::WindowCopy));
        QTest::mouseClick(gadgetWidget(ids::BtCancel3), Qt::LeftButton);
        pump();
    }

    // Types into the focused field of the password window and clicks its Ok,
    // expecting the message that follows.
    void answerPassword(const std::string &password, const std::string &message, MessageIcon icon)
    {
        ASSERT_TRUE(isWindowVisible(ids::WindowCopy));
        QWidget *field = gadgetWidget(ids::StrCopyDestination);
        ASSERT_TRUE(QTest::qWaitFor([field] { return QApplication::focusWidget() == field; }, 2000));
        QTest::keyClicks(QApplication::focusWidget(), QString::fromStdString(password));
        expectMessage("Zarvon", message, icon);
        QTest::mouseClick(gadgetWidget(ids::BtOk), Qt::LeftButton);
        pump();
    }

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

TEST_F(TestCommandTest, ProtectedArchiveIsTestedWithThePasswordTypedInItsWindow)
{
    writeStandardIni();
    writeFile("secret.txt", "secret data");
    writeFile("open.txt", "open data");
    const std::string zip = (folder() / "home/protected.zip").string();
    ASSERT_NE(engine::createArchive(zip, 0), 0);
    ASSERT_EQ(engine::addFile((folder() / "open.txt").string(), 0), 0);
    engine::setPassword("right");
    ASSERT_EQ(engine::addFile((folder() / "secret.txt").string(), 0), 0);
    ASSERT_EQ(engine::closeArchives(), 0);
    ASSERT_TRUE(start());
    // As an earlier compression with another password leaves it.
    engine::setPassword("other");
    zarvon::testing::clickExplorerRow("protected.zip");
    clickCheckButton();
    ASSERT_TRUE(isWindowVisible(ids::WindowCopy)) << "the password window asks before any verdict";
    EXPECT_FALSE(isGadget(ids::StrPwdDestination)) << "a test writes nothing: no destination";

    answerPassword("wrong",
                   "protected.zip\rMot de passe incorrect : les fichiers chiffrés n'ont pas pu être "
                   "vérifiés.",
                   MessageIcon::Warning);
    ASSERT_TRUE(isWindowVisible(ids::WindowCopy)) << "asked again";
    EXPECT_EQ(getGadgetText(ids::StrCopyDestination), "");
    answerPassword("right", about("protected.zip", kPassExplorer), MessageIcon::Information);
    EXPECT_FALSE(isWindow(ids::WindowCopy));
    EXPECT_EQ(engine::engineState().password, "other");

    // Without the password the verdict says what was not checked.
    clickCheckButton();
    expectMessage("Zarvon",
                  "protected.zip\rVérification incomplète : 1 fichier(s) chiffré(s) non vérifié(s), faute de mot de "
                  "passe :\rsecret.txt",
                  MessageIcon::Warning);
    clickCancel();
    EXPECT_FALSE(isWindow(ids::WindowCopy));
}

TEST_F(TestCommandTest, AesArchiveGoesThroughTheSamePasswordWindow)
{
    writeStandardIni();
    writeFile("secret.txt", "secret data");
    const std::string zip = (folder() / "home/strong.zip").string();
    ASSERT_NE(engine::createArchive(zip, 0), 0);
    engine::setPassword("right");
    engine::setEncryption(engine::Encryption::Aes256);
    ASSERT_EQ(engine::addFile((folder() / "secret.txt").string(), 0), 0);
    ASSERT_EQ(engine::closeArchives(), 0);
    engine::setPassword("");
    ASSERT_TRUE(start());
    zarvon::testing::clickExplorerRow("strong.zip");
    clickCheckButton();
    answerPassword("wrong",
                   "strong.zip\rMot de passe incorrect : les fichiers chiffrés n'ont pas pu être "
                   "vérifiés.",
                   MessageIcon::Warning);
    ASSERT_TRUE(isWindowVisible(ids::WindowCopy)) << "asked again";
    answerPassword("right", about("strong.zip", kPassExplorer), MessageIcon::Information);
    EXPECT_FALSE(isWindow(ids::WindowCopy));
}

TEST_F(TestCommandTest, RarArchivesAreTestedWithTheSameMessagesPasswordIncluded)
{
    if (!rar::unrarLibraryAvailable() || !zarvon::testing::haveTool("rar"))
        GTEST_SKIP() << "rar or the UnRAR library is not installed";
    writeStandardIni();
    writeFile("r/a.txt", "alpha");
    for (const char *made : {"rar a -idq ../home/plain.rar a.txt", "rar a -idq -pkey ../home/locked.RAR a.txt",
                             "rar a -idq -hpkey ../home/hidden.rar a.txt"})
        ASSERT_EQ(
            zarvon::testing::runCommand("cd " + zarvon::testing::quoted((folder() / "r").string()) + " && " + made)
                .status,
            0);
    ASSERT_TRUE(start());
    zarvon::testing::clickExplorerRow("plain.rar");
    expectMessage("Zarvon", about("plain.rar", kPassExplorer), MessageIcon::Information);
    clickCheckButton();

    zarvon::testing::clickExplorerRow("locked.RAR");
    clickCheckButton();
    answerPassword("key", about("locked.RAR", kPassExplorer), MessageIcon::Information);

    // Encrypted names: nothing at all can be read without the password.
    zarvon::testing::clickExplorerRow("hidden.rar");
    clickCheckButton();
    expectMessage("Zarvon", "hidden.rar\rVérification incomplète : sans mot de passe, rien n'a pu être vérifié.",
                  MessageIcon::Warning);
    clickCancel();
}

TEST_F(TestCommandTest, CancelledRequesterShowsNothing)
{
    writeStandardIni();
    ASSERT_TRUE(start());
    expectOpenFile("");
    menu(ids::MenuTestZip);
    EXPECT_EQ(shownDialogs().size(), 1u);
}

// Every selected file of a format the program reads, told by its content
// (d.zIp) or, when that says nothing, its name (e.7z).
TEST_F(TestCommandTest, EverySelectedArchiveOfTheExplorerInListOrder)
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
    expectMessage("Zarvon", about("d.zIp", kPassExplorer), MessageIcon::Information);
    expectMessage("Zarvon", about("e.7z", kFail), MessageIcon::Error);
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
