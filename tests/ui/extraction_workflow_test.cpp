// The extraction workflow driven as the user does it: archives selected in the
// explorer list or entries in the archive list, the extract command, the
// destination requester, the password window, and the message at the end.
#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

#include "app/program.h"
#include "ui/extraction.h"
#include "ui/opening.h"
#include "ui/progress.h"
#include "support/workflow_fixture.h"
#include "support/zip_maker.h"
#include "ui/dialogs/copy_window.h"
#include "ui/platform/qt_access.h"

namespace zarvon::testing {
namespace {

using ui::extractSelection;

const char *const kDone = "Extraction des fichiers terminée";

class ExtractionWorkflowTest : public WorkflowTest {
protected:
    void SetUp() override
    {
        WorkflowTest::SetUp();
        archives_ = path("archives");
        writeFile(path("content/docs/readme.txt"), "docs readme");
        writeFile(path("content/misc/readme.txt"), "misc readme");
        writeFile(path("content/photo.bin"), noise(120000, 7));
        writeFile(path("content/later.txt"), "encrypted later");
        fs::create_directories(archives_);
        zipIn("content", "plain.zip", "docs misc photo.bin");
        zipIn("content", "secret.zip", "-P s3cret docs photo.bin");
        zipIn("content", "mixed.zip", "photo.bin");
        zipIn("content", "mixed.zip", "-P s3cret later.txt");
        fs::create_directories(path("dest"));
    }

    void zipIn(const std::string &from, const std::string &archive, const std::string &arguments)
    {
        const auto made = runCommand("cd " + quoted(path(from)) + " && zip -q -r " + quoted(archives_ + "/" + archive) +
                                     " " + arguments);
        ASSERT_EQ(made.status, 0) << made.output;
    }

    void expectDone() { pf::expectMessage("Zarvon", kDone, pf::MessageIcon::Information); }

    void typePassword(const std::string &password, const std::string &destination)
    {
        ASSERT_TRUE(pf::isWindow(ids::WindowCopy));
        pf::setGadgetText(ids::StrCopyDestination, password);
        pf::setGadgetText(ids::StrPwdDestination, destination);
    }

    std::vector<std::string> rowsOf(const std::string &archive)
    {
        std::vector<engine::EntryInfo> entries;
        engine::listEntries(archive, entries);
        std::vector<std::string> rows;
        for (const auto &e : entries)
            rows.push_back(e.fileName);
        return rows;
    }

    std::string archives_;
};

TEST_F(ExtractionWorkflowTest, PlainArchiveFromTheExplorer)
{
    buildMainWindow(archives_);
    selectInExplorer(ids::ExplorerList, {"plain.zip"});
    pf::expectFolder(path("dest") + "/");
    expectDone();
    extractSelection();
    EXPECT_EQ(filesUnder(path("dest")), (std::set<std::string>{"docs/readme.txt", "misc/readme.txt", "photo.bin"}));
    EXPECT_EQ(readFile(path("dest/photo.bin")), noise(120000, 7));
    EXPECT_EQ(ui::zipDestination(), path("dest") + "/");
    EXPECT_EQ(pf::getWindowTitle(ids::WindowMain), "Zarvon 1.1.0");
}

TEST_F(ExtractionWorkflowTest, CancelledDestinationExtractsNothing)
{
    buildMainWindow(archives_);
    selectInExplorer(ids::ExplorerList, {"plain.zip"});
    pf::expectFolder("");
    extractSelection();
    EXPECT_TRUE(filesUnder(path("dest")).empty());
}

TEST_F(ExtractionWorkflowTest, ProtectedArchiveWrongThenRightPassword)
{
    buildMainWindow(archives_);
    selectInExplorer(ids::ExplorerList, {"secret.zip"});
    extractSelection();
    ASSERT_TRUE(pf::isWindow(ids::WindowCopy));
    EXPECT_TRUE(pf::isWindowVisible(ids::WindowCopy));
    EXPECT_EQ(pf::getWindowTitle(ids::WindowCopy), "Mot de Passe");

    typePassword("wrong", path("dest"));
    expectMessageContaining("Impossible d'extraire les fichiers, mot de passe incorrect !", pf::MessageIcon::Warning);
    EXPECT_TRUE(ui::confirmCopyWindowPassword());
    EXPECT_TRUE(filesUnder(path("dest")).empty()) << "a wrong password leaves nothing behind";
    ASSERT_TRUE(pf::isWindow(ids::WindowCopy));
    EXPECT_TRUE(pf::isWindowVisible(ids::WindowCopy));
    EXPECT_EQ(pf::getGadgetText(ids::StrCopyDestination), "");
    EXPECT_EQ(pf::getGadgetText(ids::StrPwdDestination), path("dest"));

    typePassword("s3cret", path("dest"));
    expectDone();
    EXPECT_TRUE(ui::confirmCopyWindowPassword());
    EXPECT_FALSE(pf::isWindow(ids::WindowCopy));
    EXPECT_EQ(filesUnder(path("dest")), (std::set<std::string>{"docs/readme.txt", "photo.bin"}));
    EXPECT_EQ(readFile(path("dest/docs/readme.txt")), "docs readme");
    EXPECT_TRUE(ui::pendingPasswordRequests().empty());
}

TEST_F(ExtractionWorkflowTest, WrongPasswordPastTheCheckByteLetsTheUserTryAgain)
{
    zipIn("content", "single.zip", "-P s3cret photo.bin");
    const std::string archive = archives_ + "/single.zip";
    // About one wrong password in 256 matches the check byte; find one.
    std::string slipping;
    for (int i = 0; i < 5000 && slipping.empty(); ++i) {
        const std::string candidate = "w" + std::to_string(i);
        ASSERT_NE(engine::openArchiveForReading(archive), 0);
        engine::setPassword(candidate);
        ASSERT_EQ(engine::firstEntry(), 0);
        const int32_t result = engine::extractCurrentEntry(path("probe"), 1);
        engine::closeArchives();
        if (result == engine::kErrCrc || result == engine::kErrData)
            slipping = candidate;
    }
    engine::setPassword("");
    ASSERT_FALSE(slipping.empty());
    ASSERT_TRUE(filesUnder(path("probe")).empty());

    buildMainWindow(archives_);
    selectInExplorer(ids::ExplorerList, {"single.zip"});
    extractSelection();
    typePassword(slipping, path("dest"));
    expectMessageContaining("mot de passe incorrect ou données endommagées", pf::MessageIcon::Warning);
    EXPECT_TRUE(ui::confirmCopyWindowPassword());
    EXPECT_TRUE(filesUnder(path("dest")).empty());
    ASSERT_TRUE(pf::isWindowVisible(ids::WindowCopy)) << "the password window comes back";

    typePassword("s3cret", path("dest"));
    expectDone();
    EXPECT_TRUE(ui::confirmCopyWindowPassword());
    EXPECT_EQ(filesUnder(path("dest")), (std::set<std::string>{"photo.bin"}));
}

TEST_F(ExtractionWorkflowTest, TwoProtectedArchivesAreAskedForOneAfterTheOther)
{
    fs::copy_file(archives_ + "/secret.zip", archives_ + "/secret2.zip");
    buildMainWindow(archives_);
    ASSERT_TRUE(ui::buildCopyWindow()); // left open for a copy: the password window replaces it
    selectInExplorer(ids::ExplorerList, {"secret.zip", "secret2.zip"});
    extractSelection();
    ASSERT_EQ(ui::pendingPasswordRequests().size(), 2u);
    EXPECT_EQ(pf::getWindowTitle(ids::WindowCopy), "Mot de Passe");
    typePassword("s3cret", path("dest/one"));
    expectDone();
    ui::confirmCopyWindowPassword();
    ASSERT_TRUE(pf::isWindow(ids::WindowCopy)) << "the second archive is asked for";
    EXPECT_EQ(ui::pendingPasswordRequests().front().archivePath, archives_ + "/secret2.zip");
    typePassword("s3cret", path("dest/two"));
    expectDone();
    ui::confirmCopyWindowPassword();
    EXPECT_TRUE(fs::exists(path("dest/one/photo.bin")));
    EXPECT_TRUE(fs::exists(path("dest/two/photo.bin")));
    EXPECT_FALSE(pf::isWindow(ids::WindowCopy));
}

TEST_F(ExtractionWorkflowTest, PasswordWindowWantsBothFields)
{
    buildMainWindow(archives_);
    selectInExplorer(ids::ExplorerList, {"secret.zip"});
    extractSelection();
    typePassword("", path("dest"));
    pf::expectMessage("Zarvon", "Vérifier votre mot de passe et/ou la destionation !", pf::MessageIcon::Error);
    ui::confirmCopyWindowPassword();
    EXPECT_TRUE(pf::isWindow(ids::WindowCopy));
    EXPECT_EQ(pf::getGadgetAttribute(ids::StrCopyDestination, pf::GadgetAttribute::StringMaxLength), 45);
    pf::setGadgetText(ids::StrCopyDestination, std::string(46, 'p'));
    EXPECT_EQ(pf::getGadgetText(ids::StrCopyDestination), std::string(45, 'p'));
}

TEST_F(ExtractionWorkflowTest, RelativeDestinationIsRefusedNotWrittenBesideTheProgram)
{
    buildMainWindow(archives_);
    selectInExplorer(ids::ExplorerList, {"secret.zip"});
    extractSelection();
    typePassword("s3cret", "extraits");
    pf::expectMessage("Zarvon", "Vérifier votre mot de passe et/ou la destionation !", pf::MessageIcon::Error);
    ui::confirmCopyWindowPassword();
    EXPECT_TRUE(pf::isWindow(ids::WindowCopy));
    EXPECT_FALSE(fs::exists(fs::current_path() / "extraits"));
}

TEST_F(ExtractionWorkflowTest, PasswordWindowBrowseAndCancel)
{
    buildMainWindow(archives_);
    selectInExplorer(ids::ExplorerList, {"secret.zip"});
    extractSelection();
    pf::expectFolder(path("dest") + "/");
    ui::browsePasswordDestination();
    EXPECT_EQ(pf::getGadgetText(ids::StrPwdDestination), path("dest") + "/");
    ui::cancelCopyWindow();
    EXPECT_FALSE(pf::isWindow(ids::WindowCopy));
    EXPECT_TRUE(ui::pendingPasswordRequests().empty());
    EXPECT_TRUE(filesUnder(path("dest")).empty());
}

TEST_F(ExtractionWorkflowTest, PasswordWindowCloseBoxCancelsLikeItsButton)
{
    buildMainWindow(archives_);
    selectInExplorer(ids::ExplorerList, {"secret.zip"});
    extractSelection();
    ASSERT_TRUE(pf::isWindowVisible(ids::WindowCopy));
    // A close box drawn by the window manager, clicked.
    pf::windowWidget(ids::WindowCopy)->close();
    pf::UiEvent event;
    while (pf::pollEvent(event, 0))
        app::dispatchEvent(event);
    EXPECT_FALSE(pf::isWindow(ids::WindowCopy));
    EXPECT_TRUE(ui::pendingPasswordRequests().empty());
    EXPECT_TRUE(filesUnder(path("dest")).empty());
}

TEST_F(ExtractionWorkflowTest, LaterEncryptedEntryAsksForThePassword)
{
    EXPECT_EQ(ui::archiveProtectionText(archives_ + "/mixed.zip"), "Archive Cryptée");
    buildMainWindow(archives_);
    selectInExplorer(ids::ExplorerList, {"mixed.zip"});
    extractSelection();
    ASSERT_TRUE(pf::isWindow(ids::WindowCopy));
    typePassword("s3cret", path("dest"));
    expectDone();
    ui::confirmCopyWindowPassword();
    EXPECT_EQ(readFile(path("dest/later.txt")), "encrypted later");
}

TEST_F(ExtractionWorkflowTest, SelectedEntriesWithTheSameFileNameAreEachExtracted)
{
    const std::string archive = archives_ + "/plain.zip";
    buildMainWindow(path("content/docs"));
    showArchiveList(rowsOf(archive));
    selectArchiveRows({"docs/readme.txt", "misc/readme.txt"});
    ui::setCurrentArchivePath(archive);
    pf::expectFolder(path("dest") + "/");
    expectDone();
    extractSelection();
    EXPECT_EQ(filesUnder(path("dest")), (std::set<std::string>{"docs/readme.txt", "misc/readme.txt"}));
    EXPECT_EQ(readFile(path("dest/misc/readme.txt")), "misc readme");
}

TEST_F(ExtractionWorkflowTest, SelectedEntriesOfAProtectedArchiveByWholeName)
{
    zipIn("content", "twins.zip", "-P pw docs/readme.txt misc/readme.txt");
    const std::string archive = archives_ + "/twins.zip";
    buildMainWindow(path("content/docs"));
    showArchiveList(rowsOf(archive));
    selectArchiveRows({"docs/readme.txt", "misc/readme.txt"});
    ui::setCurrentArchivePath(archive);
    extractSelection();
    typePassword("pw", path("dest"));
    expectDone();
    ui::confirmCopyWindowPassword();
    EXPECT_EQ(readFile(path("dest/docs/readme.txt")), "docs readme");
    EXPECT_EQ(readFile(path("dest/misc/readme.txt")), "misc readme");
}

TEST_F(ExtractionWorkflowTest, DamagedEntryIsNamedAndTheOthersAreWritten)
{
    writeFile(path("damaged/good.txt"), "good content");
    writeFile(path("damaged/bad.txt"), std::string(4000, 'b'));
    const auto made = runCommand("cd " + quoted(path("damaged")) + " && zip -q -0 " +
                                 quoted(archives_ + "/damaged.zip") + " good.txt bad.txt");
    ASSERT_EQ(made.status, 0) << made.output;
    std::string bytes = readFile(archives_ + "/damaged.zip");
    const auto at = bytes.find(std::string(100, 'b'));
    ASSERT_NE(at, std::string::npos);
    bytes[at + 50] = 'X';
    writeFile(archives_ + "/damaged.zip", bytes);

    buildMainWindow(archives_);
    selectInExplorer(ids::ExplorerList, {"damaged.zip"});
    pf::expectFolder(path("dest") + "/");
    expectMessageContaining("bad.txt : données endommagées", pf::MessageIcon::Warning);
    extractSelection();
    EXPECT_EQ(filesUnder(path("dest")), std::set<std::string>{"good.txt"});
    EXPECT_EQ(pf::shownDialogs().back().text.find(kDone), std::string::npos) << "never reported as success";
}

TEST_F(ExtractionWorkflowTest, UnreadableArchiveIsReportedBeforeAnyFolderIsAsked)
{
    writeFile(archives_ + "/broken.zip", "PK\x03\x04 this is not a whole archive");
    buildMainWindow(archives_);
    selectInExplorer(ids::ExplorerList, {"broken.zip"});
    expectMessageContaining("Impossible d'ouvrir l'archive :", pf::MessageIcon::Error);
    pf::expectYesNo(false); // it begins like a ZIP archive: recovering is offered, and declined
    extractSelection();     // no destination requester: nothing could come of it
    EXPECT_TRUE(filesUnder(path("dest")).empty());
    const auto &shown = pf::shownDialogs();
    ASSERT_GE(shown.size(), 2u);
    EXPECT_NE(shown[shown.size() - 2].text.find("broken.zip\rce n'est pas une archive lisible"), std::string::npos)
        << "the message says why, before recovering is offered";
}

TEST_F(ExtractionWorkflowTest, AnArchiveThatLostItsDirectoryGivesUpItsEntriesOnRequest)
{
    writeFile(path("cut/a.txt"), "alpha");
    writeFile(path("cut/b.txt"), std::string(5000, 'b'));
    zipIn("cut", "cut.zip", "a.txt b.txt");
    std::string bytes = readFile(archives_ + "/cut.zip");
    writeFile(archives_ + "/cut.zip", bytes.substr(0, bytes.find("PK\x01\x02")));
    buildMainWindow(archives_);
    selectInExplorer(ids::ExplorerList, {"cut.zip"});
    expectMessageContaining("Impossible d'ouvrir l'archive :", pf::MessageIcon::Error);
    pf::expectYesNo(true);
    pf::expectFolder(path("dest") + "/");
    pf::expectMessage("Zarvon", "Fichiers récupérés d'une archive endommagée : 2", pf::MessageIcon::Warning);
    extractSelection();
    EXPECT_EQ(filesUnder(path("dest")), (std::set<std::string>{"a.txt", "b.txt"}));
    EXPECT_EQ(readFile(path("dest/b.txt")), std::string(5000, 'b'));
}

TEST_F(ExtractionWorkflowTest, UnsafeNamesAreRefusedAndSaidSo)
{
    const auto made = runCommand("python3 -c \"import zipfile,sys; z=zipfile.ZipFile(sys.argv[1],'w'); "
                                 "z.writestr('../evil.txt','x'); z.writestr('fine.txt','ok'); z.close()\" " +
                                 quoted(archives_ + "/unsafe.zip"));
    ASSERT_EQ(made.status, 0) << made.output;
    buildMainWindow(archives_);
    selectInExplorer(ids::ExplorerList, {"unsafe.zip"});
    pf::expectFolder(path("dest") + "/");
    expectMessageContaining("../evil.txt : nom refusé", pf::MessageIcon::Warning);
    extractSelection();
    EXPECT_EQ(filesUnder(path("dest")), std::set<std::string>{"fine.txt"});
    EXPECT_FALSE(fs::exists(path("evil.txt")));
}

TEST_F(ExtractionWorkflowTest, EmptyArchiveSaysNothingWasExtracted)
{
    writeFile(archives_ + "/empty.zip", std::string("PK\x05\x06", 4) + std::string(18, '\0'));
    ASSERT_EQ(engine::entryCount(archives_ + "/empty.zip"), 0) << "an empty archive must open with no entry";
    buildMainWindow(archives_);
    selectInExplorer(ids::ExplorerList, {"empty.zip"});
    pf::expectFolder(path("dest") + "/");
    expectMessageContaining("rien n'a été extrait", pf::MessageIcon::Warning);
    extractSelection();
}

TEST_F(ExtractionWorkflowTest, EscapeStopsAWholeArchiveExtraction)
{
    for (int i = 0; i < 5; ++i)
        writeFile(path("many/f" + std::to_string(i) + ".bin"), noise(50000, i));
    zipIn("many", "many.zip", ".");
    ui::setProgressObserver([&](const std::string &name, float percent) {
        if (ui::isProgressWindowOpen()) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(pf::windowWidget(ui::progressWindowNumber()), &press);
        }
    });
    buildMainWindow(archives_);
    selectInExplorer(ids::ExplorerList, {"many.zip"});
    pf::expectFolder(path("dest") + "/");
    pf::expectMessage("Zarvon", "Extraction interrompue par l'utilisateur !", pf::MessageIcon::Warning);
    extractSelection();
    EXPECT_LT(filesUnder(path("dest")).size(), 5u);
    EXPECT_FALSE(ui::isProgressWindowOpen());
}

TEST_F(ExtractionWorkflowTest, CancelButtonStopsAPasswordExtractionOfSelectedEntries)
{
    for (int i = 0; i < 4; ++i)
        writeFile(path("many/f" + std::to_string(i) + ".bin"), noise(50000, i));
    zipIn("many", "many-secret.zip", "-P pw .");
    const std::string archive = archives_ + "/many-secret.zip";
    ui::setProgressObserver([&](const std::string &name, float percent) {
        if (ui::isProgressWindowOpen())
            static_cast<QAbstractButton *>(pf::gadgetWidget(ui::progressCancelButton()))->click();
    });
    buildMainWindow(path("content"));
    showArchiveList(rowsOf(archive));
    selectArchiveRows({"f0.bin", "f1.bin", "f2.bin", "f3.bin"});
    ui::setCurrentArchivePath(archive);
    extractSelection();
    typePassword("pw", path("dest"));
    pf::expectMessage("Zarvon", "Extraction interrompue par l'utilisateur !", pf::MessageIcon::Warning);
    ui::confirmCopyWindowPassword();
    EXPECT_LT(filesUnder(path("dest")).size(), 4u);
    EXPECT_FALSE(pf::isWindow(ids::WindowCopy));
}

TEST_F(ExtractionWorkflowTest, AnArchiveTooBigForTheDiskSaysHowMuchIsNeeded)
{
    writeZipDeclaring(archives_ + "/huge.zip", uint64_t(1) << 50);
    buildMainWindow(archives_);
    selectInExplorer(ids::ExplorerList, {"huge.zip"});
    pf::expectFolder(path("dest") + "/");
    expectMessageContaining("Pas assez de place pour extraire : 1125899906842624 octets nécessaires",
                            pf::MessageIcon::Error);
    extractSelection();
    EXPECT_TRUE(filesUnder(path("dest")).empty());
}

TEST_F(ExtractionWorkflowTest, DestinationRequesterStartsInTheConfiguredFolder)
{
    writeSettings("[Compression]\r\nDefaultArchiveExtractionFolder = " + path("dest") + "\r\n");
    buildMainWindow(archives_);
    selectInExplorer(ids::ExplorerList, {"plain.zip"});
    pf::expectFolder("");
    extractSelection();
    ASSERT_FALSE(pf::shownDialogs().empty());
    EXPECT_EQ(pf::shownDialogs().back().text, path("dest") + "/");
}

TEST_F(ExtractionWorkflowTest, ExistingFilesAreAskedAboutOneByOneOrForAll)
{
    const std::string archive = archives_ + "/plain.zip";
    writeFile(path("dest/photo.bin"), "mine");
    writeFile(path("dest/docs/readme.txt"), "mine too");
    writeFile(path("dest/misc/readme.txt"), "and mine");
    buildMainWindow(archives_);
    selectInExplorer(ids::ExplorerList, {"plain.zip"});
    // Replace the first, skip all the others.
    pf::expectFolder(path("dest") + "/");
    pf::expectReplace(pf::ReplaceAnswer::Yes, true);
    pf::expectReplace(pf::ReplaceAnswer::NoToAll, true);
    expectDone();
    extractSelection();
    int replaced = 0;
    for (const char *name : {"photo.bin", "docs/readme.txt", "misc/readme.txt"})
        replaced += readFile(path("dest/") + name).find("mine") == std::string::npos;
    EXPECT_EQ(replaced, 1);
    // Cancel stops the extraction before anything is written.
    fs::remove_all(path("dest"));
    writeFile(path("dest/photo.bin"), "mine");
    pf::expectFolder(path("dest") + "/");
    pf::expectReplace(pf::ReplaceAnswer::Cancel, true);
    pf::expectMessage("Zarvon", "Extraction interrompue par l'utilisateur !", pf::MessageIcon::Warning);
    extractSelection();
    EXPECT_EQ(filesUnder(path("dest")), std::set<std::string>{"photo.bin"});
    EXPECT_EQ(readFile(path("dest/photo.bin")), "mine");
    // The configuration can keep the silent replacing of older versions.
    writeSettings("[Options]\r\nReplaceWithoutAsking = 1\r\n");
    pf::expectFolder(path("dest") + "/");
    expectDone();
    extractSelection();
    EXPECT_EQ(readFile(path("dest/photo.bin")), noise(120000, 7));
}

TEST_F(ExtractionWorkflowTest, NothingToExtractSaysWhatIsMissing)
{
    buildMainWindow(path("content"));
    pf::expectMessage("Zarvon", "Veuillez selectionnez une archive !", pf::MessageIcon::Error);
    extractSelection();

    selectInExplorer(ids::ExplorerList, {"docs"});
    pf::expectMessage("Zarvon", "Veuillez selectionnez une archive !", pf::MessageIcon::Error);
    extractSelection();
}

TEST_F(ExtractionWorkflowTest, OpenArchiveWithoutSelectedEntryIsExtractedWhole)
{
    const std::string archive = archives_ + "/plain.zip";
    buildMainWindow(path("content/docs"));
    showArchiveList(rowsOf(archive));
    ui::setCurrentArchivePath(archive);
    pf::expectFolder(path("dest") + "/");
    expectDone();
    extractSelection();
    EXPECT_EQ(filesUnder(path("dest")), (std::set<std::string>{"docs/readme.txt", "misc/readme.txt", "photo.bin"}));
}

TEST_F(ExtractionWorkflowTest, NonArchiveFileIsRefusedAndTheNextOneExtracted)
{
    writeFile(archives_ + "/notes.txt", "not an archive");
    buildMainWindow(archives_);
    selectInExplorer(ids::ExplorerList, {"notes.txt", "plain.zip"});
    pf::expectFolder(path("dest") + "/");
    expectDone();
    // The files passed over are told once, after the archives.
    pf::expectMessage("Zarvon",
                      "Veuillez selectionnez une archive !\r1 fichier(s) ignoré(s) : ce ne sont pas des archives.",
                      pf::MessageIcon::Error);
    extractSelection();
    EXPECT_TRUE(fs::exists(path("dest/photo.bin")));
}

// A RAR archive made by Debian's rar, in `folder`, from files written there.
// False (and the test skips) when rar is not installed.
bool makeRar(const std::string &folder, const std::string &name, const std::string &options,
             const std::vector<std::pair<std::string, std::string>> &files)
{
    if (!haveTool("rar"))
        return false;
    std::string list;
    for (const auto &[file, content] : files) {
        writeFile(folder + "/src/" + file, content);
        list += " " + quoted(file);
    }
    const auto made = runCommand("cd " + quoted(folder + "/src") + " && LC_ALL=C.UTF-8 rar a -idq " + options + " " +
                                 quoted("../" + name) + list);
    EXPECT_EQ(made.status, 0) << made.output;
    return made.status == 0;
}

TEST_F(ExtractionWorkflowTest, RarFileIsExtractedIntoTheChosenFolder)
{
    if (!makeRar(archives_, "music.RAR", "", {{"a.txt", "alpha"}, {"sub/b.txt", "beta"}}))
        GTEST_SKIP() << "rar is not installed: no RAR archive to extract";
    buildMainWindow(archives_);
    selectInExplorer(ids::ExplorerList, {"music.RAR"});
    pf::expectFolder(path("dest") + "/");
    expectDone();
    extractSelection();
    EXPECT_EQ(filesUnder(path("dest")), (std::set<std::string>{"a.txt", "sub/b.txt"}));
    EXPECT_EQ(readFile(path("dest/sub/b.txt")), "beta");
    EXPECT_EQ(pf::getWindowTitle(ids::WindowMain), "Zarvon 1.1.0");
}

TEST_F(ExtractionWorkflowTest, RarPasswordPassWrongThenRightIntoTheFirstFolder)
{
    // Only the first entry is encrypted: the last header read says nothing
    // of it, yet the password is asked for.
    if (!makeRar(archives_, "mixed.rar", "-pk3y", {{"locked.txt", "locked data"}}) ||
        !makeRar(archives_, "mixed.rar", "", {{"open.txt", "open data"}}))
        GTEST_SKIP() << "rar is not installed: no RAR archive to extract";
    buildMainWindow(archives_);
    selectInExplorer(ids::ExplorerList, {"mixed.rar"});
    pf::expectFolder(path("dest") + "/");
    extractSelection();
    EXPECT_EQ(filesUnder(path("dest")), (std::set<std::string>{"open.txt"})) << "the first pass writes what it can";
    ASSERT_TRUE(pf::isWindow(ids::WindowCopy));
    EXPECT_EQ(pf::getWindowTitle(ids::WindowCopy), "Mot de Passe");
    ASSERT_EQ(ui::pendingPasswordRequests().size(), 1u);
    EXPECT_EQ(ui::pendingPasswordRequests().front().entryNames, std::vector<std::string>{"locked.txt"});

    typePassword("wrong", path("elsewhere"));
    expectMessageContaining("Impossible d'extraire les fichiers, mot de passe incorrect !", pf::MessageIcon::Warning);
    ui::confirmCopyWindowPassword();
    EXPECT_EQ(filesUnder(path("dest")), (std::set<std::string>{"open.txt"}));
    ASSERT_TRUE(pf::isWindow(ids::WindowCopy)) << "a wrong password may be tried again";

    typePassword("k3y", path("elsewhere"));
    expectDone();
    ui::confirmCopyWindowPassword();
    EXPECT_EQ(filesUnder(path("dest")), (std::set<std::string>{"locked.txt", "open.txt"}));
    EXPECT_EQ(readFile(path("dest/locked.txt")), "locked data");
    EXPECT_FALSE(fs::exists(path("elsewhere"))) << "the folder of the first pass is kept";
    EXPECT_TRUE(ui::pendingPasswordRequests().empty());
}

TEST_F(ExtractionWorkflowTest, RarWithEncryptedHeadersAsksForThePassword)
{
    if (!makeRar(archives_, "hidden.rar", "-hps3cret", {{"a.txt", "alpha"}}))
        GTEST_SKIP() << "rar is not installed: no RAR archive to extract";
    buildMainWindow(archives_);
    selectInExplorer(ids::ExplorerList, {"hidden.rar"});
    pf::expectFolder(path("dest") + "/");
    extractSelection();
    ASSERT_TRUE(pf::isWindow(ids::WindowCopy)) << "encrypted headers are no reason for MsgRarError";
    typePassword("s3cret", path("dest"));
    expectDone();
    ui::confirmCopyWindowPassword();
    EXPECT_EQ(readFile(path("dest/a.txt")), "alpha");
}

TEST_F(ExtractionWorkflowTest, RarCancelStopsThePassAndLeavesNoPartialFile)
{
    std::vector<std::pair<std::string, std::string>> files;
    for (int i = 0; i < 4; ++i)
        files.emplace_back("f" + std::to_string(i) + ".bin", noise(3000000, i));
    if (!makeRar(archives_, "many.rar", "-m0", files))
        GTEST_SKIP() << "rar is not installed: no RAR archive to extract";
    int clicks = 0;
    ui::setProgressObserver([&](const std::string &, float) {
        if (ui::isProgressWindowOpen() && clicks++ == 0)
            static_cast<QAbstractButton *>(pf::gadgetWidget(ui::progressCancelButton()))->click();
    });
    buildMainWindow(archives_);
    selectInExplorer(ids::ExplorerList, {"many.rar"});
    pf::expectFolder(path("dest") + "/");
    pf::expectMessage("Zarvon", "Extraction interrompue par l'utilisateur !", pf::MessageIcon::Warning);
    extractSelection();
    EXPECT_GT(clicks, 0) << "the RAR pass reported no progress";
    // Whatever was whole when the stop came may stay; nothing half-written.
    const auto written = filesUnder(path("dest"));
    EXPECT_LT(written.size(), 4u);
    for (const std::string &name : written)
        EXPECT_EQ(readFile(path("dest/" + name)), noise(3000000, name[1] - '0')) << name;
    EXPECT_FALSE(ui::isProgressWindowOpen());
    EXPECT_FALSE(pf::isWindow(ids::WindowCopy));
}

TEST_F(ExtractionWorkflowTest, RarThatCannotBeOpenedIsSaidSo)
{
    writeFile(archives_ + "/broken.rar", "Rar!\x1a\x07\x01 and nothing else");
    buildMainWindow(archives_);
    selectInExplorer(ids::ExplorerList, {"broken.rar"});
    pf::expectFolder(path("dest") + "/");
    expectMessageContaining(archives_ + "/broken.rar", pf::MessageIcon::Error);
    extractSelection();
    EXPECT_TRUE(filesUnder(path("dest")).empty());
}

TEST_F(ExtractionWorkflowTest, ProtectionTextInFrenchAndEnglish)
{
    EXPECT_EQ(ui::archiveProtectionText(archives_ + "/plain.zip"), "Archive Non Cryptée");
    EXPECT_EQ(ui::archiveProtectionText(archives_ + "/secret.zip"), "Archive Cryptée");
    EXPECT_EQ(ui::archiveProtectionText(path("content/later.txt")), "");
    writeSettings("[View]\r\nEnglishLanguage = 1\r\n");
    EXPECT_EQ(ui::archiveProtectionText(archives_ + "/plain.zip"), "Not Crypt");
    EXPECT_EQ(ui::archiveProtectionText(archives_ + "/secret.zip"), "Encrypted Zip");
    EXPECT_EQ(engine::engineState().reader, nullptr);
}

TEST_F(ExtractionWorkflowTest, MessagesInEnglish)
{
    writeSettings("[View]\r\nEnglishLanguage = 1\r\n");
    useLanguage("English.lng");
    const std::string done = settings::languageText("MsgExtract1", kDone);
    EXPECT_NE(done, kDone);
    buildMainWindow(archives_);
    selectInExplorer(ids::ExplorerList, {"secret.zip"});
    extractSelection();
    EXPECT_EQ(pf::getWindowTitle(ids::WindowCopy), "Password");
    EXPECT_EQ(pf::getGadgetText(ids::TxtCopy),
              "This zip file is encrypt with password\nEnter password in the dialog box to proceed");
    typePassword("s3cret", path("dest"));
    pf::expectMessage("Zarvon", done, pf::MessageIcon::Information);
    ui::confirmCopyWindowPassword();
}

} // namespace
} // namespace zarvon::testing
