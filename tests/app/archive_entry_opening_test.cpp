// Opening an entry of the archive list with a double click: the entry goes
// to a private temporary folder, the desktop opens it, and the folder goes
// away when the program ends.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "support/process.h"
#include "support/program_fixture.h"
#include "ui/dialogs/copy_window.h"
#include "ui/extraction.h"
#include "ui/opening.h"

using namespace zarvon;
using namespace zarvon::platform;
using zarvon::testing::ProgramTest;

namespace {

class EntryOpeningTest : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        if (const char *old = std::getenv("XDG_RUNTIME_DIR"))
            oldRuntime_ = old;
        runtime_ = folder() / "runtime";
        std::filesystem::create_directories(runtime_);
        setenv("XDG_RUNTIME_DIR", runtime_.c_str(), 1);
    }
    void TearDown() override
    {
        ui::removeTemporaryFolders();
        if (oldRuntime_.empty())
            unsetenv("XDG_RUNTIME_DIR");
        else
            setenv("XDG_RUNTIME_DIR", oldRuntime_.c_str(), 1);
        ProgramTest::TearDown();
    }

    int row(const std::string &name)
    {
        for (int i = 0; i < countGadgetItems(ids::ArchiveList); ++i)
            if (getGadgetItemText(ids::ArchiveList, i) == name)
                return i;
        return -1;
    }

    void doubleClick(const std::string &name)
    {
        const int item = row(name);
        ASSERT_GE(item, 0) << name;
        setGadgetState(ids::ArchiveList, item);
        control(ids::ArchiveList, EventSubtype::LeftDoubleClick);
    }

    std::vector<std::filesystem::path> privateFolders() const
    {
        std::vector<std::filesystem::path> out;
        for (const auto &e : std::filesystem::directory_iterator(runtime_))
            out.push_back(e.path());
        return out;
    }

    std::filesystem::path runtime_;
    std::string oldRuntime_;
};

TEST_F(EntryOpeningTest, DoubleClickOpensTheEntryFromAPrivateFolderRemovedAtTheEnd)
{
    writeStandardIni();
    std::string zip = makeZip("a.zip", {{"docs/", ""}, {"docs/letter.txt", "dear ana"}, {"other.txt", "x"}});
    ASSERT_TRUE(start({zip}));
    expectOpenDocument(true);
    doubleClick("docs/letter.txt");
    ASSERT_EQ(shownDialogs().size(), 1u);
    EXPECT_EQ(shownDialogs()[0].kind, DialogKind::OpenDocument);
    const std::filesystem::path opened = shownDialogs()[0].text;
    EXPECT_EQ(readFile(opened), "dear ana");
    // Only that entry, in a folder of the runtime folder nobody else may enter.
    ASSERT_EQ(privateFolders().size(), 1u);
    const std::filesystem::path temporary = privateFolders()[0];
    EXPECT_EQ(opened, temporary / "docs/letter.txt");
    EXPECT_FALSE(std::filesystem::exists(temporary / "other.txt"));
    struct stat info {};
    ASSERT_EQ(::stat(temporary.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    menu(ids::MenuQuit);
    EXPECT_FALSE(std::filesystem::exists(temporary));
}

TEST_F(EntryOpeningTest, DoubleClickOnOneOfSeveralSelectedRowsOpensIt)
{
    writeStandardIni();
    std::string zip = makeZip("a.zip", {{"one.txt", "1"}, {"two.txt", "2"}});
    ASSERT_TRUE(start({zip}));
    pressGadgetRow(ids::ArchiveList, 0);
    releaseGadgetMouse(ids::ArchiveList);
    pressGadgetRow(ids::ArchiveList, 1, true);
    releaseGadgetMouse(ids::ArchiveList);
    // The press on a selected row waits for a drag; released, it is a click
    // and the double click still reaches the list.
    expectOpenDocument(true);
    doubleClickGadgetRow(ids::ArchiveList, 0);
    pump();
    ASSERT_EQ(shownDialogs().size(), 1u);
    EXPECT_EQ(readFile(shownDialogs()[0].text), "1");
}

TEST_F(EntryOpeningTest, EachOpeningGetsItsOwnFolder)
{
    writeStandardIni();
    std::string zip = makeZip("a.zip", {{"one.txt", "1"}});
    ASSERT_TRUE(start({zip}));
    expectOpenDocument(true);
    expectOpenDocument(true);
    doubleClick("one.txt");
    doubleClick("one.txt");
    ASSERT_EQ(shownDialogs().size(), 2u);
    EXPECT_NE(shownDialogs()[0].text, shownDialogs()[1].text);
    EXPECT_EQ(privateFolders().size(), 2u);
}

TEST_F(EntryOpeningTest, FoldersLeftByAZarvonThatCrashedGoAtTheNextStart)
{
    // A process number that no longer runs: a child that has ended.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        ::_exit(0);
    ASSERT_EQ(::waitpid(child, nullptr, 0), child);
    const std::string dead = "zarvon-" + std::to_string(child) + "-";
    writeFile("runtime/" + dead + "a1b2c3/docs/letter.txt", "left behind");
    // Kept: a running Zarvon's (this one), another program's look-alike, and
    // a link named like ours (never followed).
    const std::string alive = "zarvon-" + std::to_string(::getpid()) + "-d4e5f6";
    writeFile("runtime/" + alive + "/x.txt", "in use");
    writeFile("runtime/zarvon-fuzz-123456/x.txt", "not ours");
    writeFile("elsewhere/keep.txt", "outside");
    std::filesystem::create_directory_symlink(folder() / "elsewhere", runtime_ / (dead + "link00"));

    writeStandardIni();
    ASSERT_TRUE(start());
    EXPECT_FALSE(std::filesystem::exists(runtime_ / (dead + "a1b2c3")));
    EXPECT_TRUE(std::filesystem::exists(runtime_ / alive / "x.txt"));
    EXPECT_TRUE(std::filesystem::exists(runtime_ / "zarvon-fuzz-123456/x.txt"));
    EXPECT_EQ(readFile(folder() / "elsewhere/keep.txt"), "outside");
}

TEST_F(EntryOpeningTest, FolderRowDoesNothing)
{
    writeStandardIni();
    std::string zip = makeZip("a.zip", {{"docs/", ""}, {"docs/letter.txt", "dear ana"}});
    ASSERT_TRUE(start({zip}));
    doubleClick("docs/");
    EXPECT_TRUE(shownDialogs().empty());
    EXPECT_TRUE(privateFolders().empty());
}

TEST_F(EntryOpeningTest, NoApplicationIsReported)
{
    writeStandardIni();
    std::string zip = makeZip("a.zip", {{"data.bin", "b"}});
    ASSERT_TRUE(start({zip}));
    expectOpenDocument(false);
    expectDialog(ScriptStep{DialogKind::Message, "Zarvon", "",
                            "Aucune application ne peut ouvrir ce fichier :", MessageIcon::Error, false});
    doubleClick("data.bin");
    EXPECT_EQ(unusedSteps(), 0);
}

class EncryptedEntryOpeningTest : public EntryOpeningTest {
protected:
    void SetUp() override
    {
        EntryOpeningTest::SetUp();
        if (!zarvon::testing::haveTool("zip"))
            GTEST_SKIP() << "zip is not installed";
        writeStandardIni();
        writeFile("secret.txt", "hidden");
        writeFile("notes.txt", "also hidden");
        zip_ = (folder() / "locked.zip").string();
        ASSERT_EQ(zarvon::testing::runCommand("cd " + zarvon::testing::quoted(folder()) +
                                              " && zip -q -P pw locked.zip secret.txt notes.txt")
                      .status,
                  0);
        ASSERT_TRUE(start({zip_}));
    }

    void answer(const std::string &password)
    {
        ASSERT_TRUE(ui::isPasswordWindowOpen());
        setGadgetText(ids::StrCopyDestination, password);
        control(ids::BtOk);
    }

    std::string zip_;
};

TEST_F(EncryptedEntryOpeningTest, PasswordWindowAsksThenTheEntryOpensAndTheNextOneIsNotAskedAgain)
{
    doubleClick("secret.txt");
    ASSERT_TRUE(ui::isPasswordWindowOpen());
    // The entry goes to a private folder: there is no destination to give.
    EXPECT_FALSE(isGadget(ids::StrPwdDestination));
    EXPECT_TRUE(privateFolders().empty()) << "nothing is written without the password";

    // A wrong password is said and asked again; nothing is opened.
    expectDialog(ScriptStep{DialogKind::Message, "Zarvon", "", "mot de passe incorrect", MessageIcon::Warning, false});
    answer("wrong");
    EXPECT_EQ(unusedSteps(), 0);
    EXPECT_TRUE(ui::isPasswordWindowOpen());
    EXPECT_TRUE(isWindowVisible(ids::WindowCopy));

    expectOpenDocument(true);
    answer("pw");
    EXPECT_FALSE(isWindow(ids::WindowCopy));
    ASSERT_EQ(shownDialogs().back().kind, DialogKind::OpenDocument);
    EXPECT_EQ(readFile(shownDialogs().back().text), "hidden");

    // The password that opened one entry opens the next of the same archive.
    expectOpenDocument(true);
    doubleClick("notes.txt");
    EXPECT_FALSE(isWindow(ids::WindowCopy));
    EXPECT_EQ(readFile(shownDialogs().back().text), "also hidden");
    EXPECT_EQ(unusedSteps(), 0);
}

TEST_F(EncryptedEntryOpeningTest, DoubleClicksWhileThePasswordIsAskedDoNotStackPrompts)
{
    doubleClick("secret.txt");
    doubleClick("secret.txt");
    doubleClick("notes.txt");
    EXPECT_EQ(ui::pendingPasswordRequests().size(), 1u);
    control(ids::BtCancel3);
    EXPECT_FALSE(isWindow(ids::WindowCopy));
    EXPECT_TRUE(ui::pendingPasswordRequests().empty());
    EXPECT_TRUE(privateFolders().empty());
}

TEST_F(EncryptedEntryOpeningTest, DraggingAsksThePasswordOnceThenCarriesTheFiles)
{
    recordFileDrags(true);
    setGadgetItemState(ids::ArchiveList, row("secret.txt"), ItemSelected);
    control(ids::ArchiveList, EventSubtype::DragStart);
    EXPECT_TRUE(lastDraggedFiles().empty()) << "nothing can be written without the password";
    ASSERT_TRUE(ui::isPasswordWindowOpen());
    EXPECT_FALSE(isGadget(ids::StrPwdDestination));
    // The pointer's drag is over once the password is typed: the user is
    // told to drag again, and this time the files go.
    expectMessage("Zarvon", "Mot de passe accepté : faites glisser les fichiers de nouveau.",
                  MessageIcon::Information);
    answer("pw");
    EXPECT_EQ(unusedSteps(), 0);
    EXPECT_FALSE(isWindow(ids::WindowCopy));
    control(ids::ArchiveList, EventSubtype::DragStart);
    ASSERT_EQ(lastDraggedFiles().size(), 1u);
    EXPECT_EQ(readFile(lastDraggedFiles()[0]), "hidden");
}

TEST_F(EncryptedEntryOpeningTest, ARememberedPasswordIsNotUsedForAnotherArchive)
{
    expectOpenDocument(true);
    doubleClick("secret.txt");
    answer("pw");
    ASSERT_EQ(shownDialogs().back().kind, DialogKind::OpenDocument);
    // The same entries under another password, shown in its place.
    ASSERT_EQ(zarvon::testing::runCommand("cd " + zarvon::testing::quoted(folder()) +
                                          " && zip -q -P other other.zip secret.txt")
                  .status,
              0);
    ui::openArchiveAtPath((folder() / "other.zip").string());
    doubleClick("secret.txt");
    EXPECT_TRUE(ui::isPasswordWindowOpen()) << "the first archive's password is not tried on this one";
}

} // namespace
