// The batch modes as a file manager starts them: no main window, only the
// progress window and the questions, a message for every failure and the
// exit status a script reads.
#include "support/process.h"
#include "support/program_fixture.h"

#include "operations/jobs.h"
#include "ui/batch.h"
#include "ui/compression.h"
#include "ui/dialogs/dialog_common.h"
#include "ui/progress.h"

#include <QAbstractButton>

namespace zarvon::testing {
namespace {
namespace fs = std::filesystem;
using namespace platform;

class BatchTest : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        writeStandardIni();
    }
    void TearDown() override
    {
        ui::setProgressObserver({});
        ProgramTest::TearDown();
    }
    // Runs the program with `arguments` to its end; its exit status.
    int run(const std::vector<std::string> &arguments)
    {
        EXPECT_FALSE(start(arguments));
        EXPECT_TRUE(exitRequested());
        EXPECT_FALSE(isWindow(ids::WindowMain));
        return requestedExitCode();
    }
};

TEST_F(BatchTest, ExtractHereMakesAFolderOnlyForSeveralTopItemsAndShowsNoMessage)
{
    const std::string many = makeZip("in/many.zip", {{"a.txt", "A"}, {"b.txt", "B"}});
    const std::string one = makeZip("in/one.zip", {{"top/", ""}, {"top/c.txt", "C"}});
    EXPECT_EQ(run({"--extract-here", many, one}), 0);
    EXPECT_EQ(readFile(folder() / "in/many/a.txt"), "A");
    EXPECT_EQ(readFile(folder() / "in/many/b.txt"), "B");
    EXPECT_EQ(readFile(folder() / "in/top/c.txt"), "C");
    EXPECT_FALSE(fs::exists(folder() / "in/one"));
    EXPECT_TRUE(shownDialogs().empty());
}

TEST_F(BatchTest, BadInputIsRefusedInOneMessageBeforeAnythingIsWritten)
{
    const std::string good = makeZip("good.zip", {{"a.txt", "A"}, {"b.txt", "B"}});
    writeFile("plain.zip", "no archive");
    fs::create_directories(folder() / "dir.zip");
    expectDialog({DialogKind::Message, "Zarvon", {}, "Rien n'a été extrait", MessageIcon::Error, false});
    EXPECT_EQ(run({"--extract-to", (folder() / "out").string(), good, (folder() / "gone.zip").string(),
                   (folder() / "dir.zip").string(), (folder() / "plain.zip").string()}),
              2);
    ASSERT_EQ(shownDialogs().size(), 1u);
    const std::string &text = shownDialogs().front().text;
    for (const char *named : {"gone.zip : introuvable", "dir.zip : c'est un dossier", "plain.zip : ce n'est pas"})
        EXPECT_NE(text.find(named), std::string::npos) << text;
    EXPECT_FALSE(fs::exists(folder() / "out"));
}

TEST_F(BatchTest, CancelledExtractionLeavesNoHalfFolderAndFails)
{
    // Data that does not shrink, so that each entry takes several steps.
    std::string noise;
    uint32_t seed = 12345;
    for (int i = 0; i < 60000; ++i)
        noise.push_back(char((seed = seed * 1103515245u + 12345u) >> 24));
    for (int i = 0; i < 5; ++i)
        writeFile("src/f" + std::to_string(i) + ".bin", noise);
    if (runCommand("cd '" + (folder() / "src").string() + "' && zip -q ../big.zip *.bin").status != 0)
        GTEST_SKIP() << "Info-ZIP zip is not installed";
    const std::string zip = (folder() / "big.zip").string();
    // The batch itself, as the start-up would run it: the start-up's own
    // reset would take the observer away.
    ui::setProgressObserver([](const std::string &, float) {
        if (ui::isProgressWindowOpen())
            static_cast<QAbstractButton *>(gadgetWidget(ui::progressCancelButton()))->click();
    });
    expectMessage("Zarvon", "Extraction interrompue par l'utilisateur !", MessageIcon::Warning);
    EXPECT_EQ(ui::runBatch(operations::parseBatchCommand({"--extract-here", zip})), 1);
    EXPECT_FALSE(fs::exists(folder() / "big"));
    EXPECT_FALSE(ui::isProgressWindowOpen());
}

TEST_F(BatchTest, ProtectedArchiveAsksItsPasswordAgainAfterAWrongOne)
{
    writeFile("src/secret.txt", "hidden");
    writeFile("src/other.txt", "other");
    const CommandResult made =
        runCommand("cd '" + (folder() / "src").string() + "' && zip -q -P right ../locked.zip secret.txt other.txt");
    if (made.status != 0)
        GTEST_SKIP() << "Info-ZIP zip is not installed";
    expectText("wrong");
    expectDialog({DialogKind::Message, "Zarvon", {}, {}, MessageIcon::Warning, false});
    expectText("right");
    EXPECT_EQ(run({"--extract-here", (folder() / "locked.zip").string()}), 0);
    EXPECT_EQ(readFile(folder() / "locked/secret.txt"), "hidden");
}

TEST_F(BatchTest, CompressToWritesTheArchiveAndRefusesAnotherFormat)
{
    writeFile("files/one.txt", "1");
    fs::create_directories(folder() / "files/sub");
    writeFile("files/sub/two.txt", "2");
    const std::string archive = (folder() / "made/new.zip").string();
    EXPECT_EQ(run({"--compress-to", archive, (folder() / "files/one.txt").string(), (folder() / "files/sub").string()}),
              0);
    std::set<std::string> names;
    for (const auto &entry : operations::listArchiveEntries(archive).entries)
        names.insert(entry.name);
    EXPECT_TRUE(names.count("one.txt") && names.count("sub/two.txt")) << names.size();
    EXPECT_TRUE(shownDialogs().empty());

    clearExitRequest();
    expectDialog({DialogKind::Message, "Zarvon", {}, ".zip", MessageIcon::Error, false});
    EXPECT_EQ(run({"--compress-to", (folder() / "new.rar").string(), (folder() / "files/one.txt").string()}), 2);
    EXPECT_FALSE(fs::exists(folder() / "new.rar"));
}

TEST_F(BatchTest, CompressOpensTheWindowWithTheFilesAndItsOkEndsTheProgram)
{
    writeFile("docs/report.txt", "r");
    ASSERT_TRUE(start({"--compress", (folder() / "docs/report.txt").string()}));
    EXPECT_FALSE(isWindow(ids::WindowMain));
    ASSERT_TRUE(isWindowVisible(ids::WindowCompression));
    EXPECT_EQ(getGadgetText(ids::StrZipName), "report.zip");
    EXPECT_EQ(getGadgetText(ids::StrLocation), (folder() / "docs").string());
    press(ids::BtCompressOk);
    EXPECT_TRUE(exitRequested());
    EXPECT_EQ(requestedExitCode(), 0);
    EXPECT_EQ(operations::listArchiveEntries((folder() / "docs/report.zip").string()).entries.size(), 1u);
}

TEST(BatchCommandLineTest, HelpListsTheModesAndAWrongOptionFailsWithoutADisplay)
{
    const std::string program = std::string(ZARVON_BIN_DIR) + "/zarvon";
    const CommandResult help = runCommand("env -u DISPLAY QT_QPA_PLATFORM=xcb '" + program + "' --help");
    EXPECT_EQ(help.status, 0) << help.output;
    for (const char *option : {"--extract-here", "--extract-to", "--extract ", "--compress ", "--compress-to"})
        EXPECT_NE(help.output.find(option), std::string::npos) << option;
    const CommandResult wrong = runCommand("env -u DISPLAY QT_QPA_PLATFORM=xcb '" + program + "' --extract-here");
    EXPECT_EQ(wrong.status, 2);
    EXPECT_NE(wrong.output.find("--extract-here needs"), std::string::npos) << wrong.output;
}

} // namespace
} // namespace zarvon::testing
