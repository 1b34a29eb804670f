// The compression workflow driven through the compression window: the user
// selects files in the explorer list, gives the compress command, fills in the
// window and presses Ok; the archives are checked with unzip.
#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

#include <sys/stat.h>

#include "ui/compression.h"
#include "engine/engine.h"
#include "support/zip_maker.h"
#include "ui/progress.h"
#include "support/workflow_fixture.h"
#include "ui/dialogs/compression_window.h"
#include "ui/platform/qt_access.h"

namespace zarvon::testing {
namespace {

using ui::confirmCompressionWindow;
using ui::startCompressionCommand;

class CompressionWindowTest : public WorkflowTest {
protected:
    void SetUp() override
    {
        WorkflowTest::SetUp();
        source_ = path("source");
        writeFile(source_ + "/alpha.txt", "alpha alpha alpha alpha\n");
        writeFile(source_ + "/beta.bin", noise(150000, 2));
        writeFile(source_ + "/gamma.txt", std::string(5000, 'g'));
        fs::create_directories(path("out"));
        buildMainWindow(source_);
    }

    // The compress command with `names` selected; the window must open.
    void openWindowWith(const std::vector<std::string> &names)
    {
        selectInExplorer(ids::ExplorerList, names);
        startCompressionCommand();
        ASSERT_TRUE(pf::isWindow(ids::WindowCompression));
        ASSERT_TRUE(pf::isWindowVisible(ids::WindowCompression));
    }

    void fill(const std::string &name, const std::string &location, int type, const std::string &password = "",
              const std::string &confirmation = "")
    {
        pf::setGadgetText(ids::StrZipName, name);
        pf::setGadgetText(ids::StrLocation, location);
        pf::setGadgetState(ids::ComboCompressType, type);
        pf::setGadgetText(ids::StrPassword, password);
        pf::setGadgetText(ids::StrConfirmPassword, confirmation);
    }

    std::string listing(const std::string &archive, const std::string &password = "")
    {
        return runCommand("unzip -v " + (password.empty() ? "" : "-P " + password + " ") + quoted(archive)).output;
    }

    bool testsClean(const std::string &archive, const std::string &password = "")
    {
        const auto result =
            runCommand("unzip -t " + (password.empty() ? "" : "-P " + password + " ") + quoted(archive));
        return result.status == 0 && result.output.find("No errors detected") != std::string::npos;
    }

    std::string source_;
};

TEST_F(CompressionWindowTest, OpensWithTheCurrentItemAndTheBuiltInStates)
{
    openWindowWith({"alpha.txt"});
    EXPECT_EQ(pf::getGadgetText(ids::StrZipName), "alpha.zip");
    EXPECT_EQ(pf::getGadgetText(ids::StrLocation), source_ + "/") << "the folder the explorer shows";
    EXPECT_EQ(pf::getGadgetState(ids::ChkKeepFullPaths), 0);
    EXPECT_EQ(pf::countGadgetItems(ids::ComboArchiveFormat), 6); // .zip, .7z and four tarballs
    EXPECT_EQ(pf::getGadgetText(ids::ComboArchiveFormat), ".zip");
    EXPECT_EQ(pf::getGadgetState(ids::ComboCompressType), 1);
    EXPECT_EQ(pf::getGadgetText(ids::ComboCompressType), "Deflate");
    EXPECT_TRUE(pf::isGadgetDisabled(ids::TxtEncryptFileName));
    EXPECT_EQ(pf::getGadgetState(ids::TxtShowPwd), 0);
    EXPECT_EQ(pf::getWindowTitle(ids::WindowCompression), "Ajouter les fichiers");
}

TEST_F(CompressionWindowTest, CommandWithoutCurrentItemSaysSoAndOpensNothing)
{
    pf::expectMessage("Zarvon", "Veuillez selectionnez les fichiers !", pf::MessageIcon::Error);
    startCompressionCommand();
    EXPECT_FALSE(pf::isWindow(ids::WindowCompression));
}

TEST_F(CompressionWindowTest, DeflateWithoutPasswordWritesDeflatedEntries)
{
    openWindowWith({"alpha.txt", "beta.bin"});
    fill("photos", path("out"), operations::CompressionTypeDeflate); // no final "/" and no extension
    confirmCompressionWindow();
    const std::string archive = path("out/photos.zip");
    ASSERT_TRUE(fs::exists(archive));
    EXPECT_TRUE(testsClean(archive));
    const std::string list = listing(archive);
    EXPECT_NE(list.find("Defl:X"), std::string::npos) << list;
    EXPECT_NE(list.find("alpha.txt"), std::string::npos);
    EXPECT_NE(list.find("beta.bin"), std::string::npos);
    EXPECT_EQ(list.find("gamma.txt"), std::string::npos);
    EXPECT_FALSE(pf::isWindow(ids::WindowCompression));
    EXPECT_FALSE(ui::isProgressWindowOpen());
    EXPECT_EQ(pf::getWindowTitle(ids::WindowMain), "Zarvon 1.1.0");
}

TEST_F(CompressionWindowTest, NormalWithoutPasswordStoresEntries)
{
    openWindowWith({"alpha.txt", "gamma.txt"});
    fill("stored.zip", path("out") + "/", operations::CompressionTypeNormal);
    confirmCompressionWindow();
    const std::string archive = path("out/stored.zip");
    ASSERT_TRUE(testsClean(archive));
    const std::string list = listing(archive);
    EXPECT_NE(list.find("Stored"), std::string::npos) << list;
    EXPECT_EQ(list.find("Defl"), std::string::npos) << list;
}

TEST_F(CompressionWindowTest, DeflateWithPasswordNeedsThePassword)
{
    openWindowWith({"alpha.txt", "beta.bin"});
    fill("secret.zip", path("out"), operations::CompressionTypeDeflate, "Tr0ub4dor", "Tr0ub4dor");
    confirmCompressionWindow();
    const std::string archive = path("out/secret.zip");
    EXPECT_TRUE(testsClean(archive, "Tr0ub4dor"));
    EXPECT_FALSE(testsClean(archive, "wrong"));
    EXPECT_NE(listing(archive).find("Defl:X"), std::string::npos);
    const auto extracted = runCommand("cd " + quoted(path("out")) + " && unzip -o -P Tr0ub4dor secret.zip");
    EXPECT_EQ(extracted.status, 0) << extracted.output;
    EXPECT_EQ(readFile(path("out/beta.bin")), noise(150000, 2));
}

TEST_F(CompressionWindowTest, NormalWithPasswordStoresEncryptedEntries)
{
    openWindowWith({"gamma.txt"});
    fill("secret-stored.zip", path("out"), operations::CompressionTypeNormal, "pw", "pw");
    confirmCompressionWindow();
    const std::string archive = path("out/secret-stored.zip");
    EXPECT_TRUE(testsClean(archive, "pw"));
    EXPECT_FALSE(testsClean(archive, "nope"));
    // Stored and encrypted: 12 bytes of encryption header over the 5000 bytes.
    const std::string details = runCommand("unzip -Z -l " + quoted(archive)).output;
    EXPECT_NE(details.find(" 5012 stor"), std::string::npos) << details;
}

TEST_F(CompressionWindowTest, PasswordOfOneRunDoesNotLeakIntoTheNext)
{
    openWindowWith({"alpha.txt"});
    fill("first.zip", path("out"), operations::CompressionTypeNormal, "pw", "pw");
    confirmCompressionWindow();
    EXPECT_FALSE(engine::engineState().passwordSet) << "the password ends with its archive";
    openWindowWith({"alpha.txt"});
    fill("second.zip", path("out"), operations::CompressionTypeDeflate);
    confirmCompressionWindow();
    EXPECT_TRUE(testsClean(path("out/second.zip"))); // no password needed
    EXPECT_NE(listing(path("out/second.zip")).find("Defl:X"), std::string::npos);
}

TEST_F(CompressionWindowTest, SelectedFolderIsStoredUnderItsOwnName)
{
    writeFile(source_ + "/data/a.txt", "a");
    writeFile(source_ + "/data/sub/b.txt", "b");
    fs::create_directories(source_ + "/data/empty");
    buildMainWindow(source_);
    openWindowWith({"data"});
    fill("tree.zip", path("out"), operations::CompressionTypeDeflate);
    confirmCompressionWindow();
    EXPECT_EQ(runCommand("unzip -Z1 " + quoted(path("out/tree.zip"))).output, "data/a.txt\ndata/sub/b.txt\n");
}

TEST_F(CompressionWindowTest, UpperCaseZipExtensionIsAZipArchive)
{
    openWindowWith({"alpha.txt"});
    fill("ARCHIVE.ZIP", path("out"), operations::CompressionTypeDeflate);
    confirmCompressionWindow();
    EXPECT_TRUE(testsClean(path("out/ARCHIVE.ZIP")));
    EXPECT_FALSE(fs::exists(path("out/ARCHIVE.rar")));
}

TEST_F(CompressionWindowTest, OtherExtensionIsRefusedAndTheWindowStays)
{
    openWindowWith({"alpha.txt"});
    fill("backup.rar", path("out"), operations::CompressionTypeDeflate);
    expectMessageContaining(".zip, .7z, .tar.gz", pf::MessageIcon::Error);
    confirmCompressionWindow();
    EXPECT_TRUE(pf::isWindow(ids::WindowCompression));
    EXPECT_EQ(pf::getGadgetText(ids::StrZipName), "backup.rar");
    EXPECT_EQ(pf::getWindowTitle(ids::WindowMain), "Zarvon 1.1.0");
    EXPECT_TRUE(filesUnder(path("out")).empty());
}

TEST_F(CompressionWindowTest, FormatBoxReplacesTheExtension)
{
    openWindowWith({"alpha.txt"});
    pf::setGadgetText(ids::StrZipName, "report.txt");
    ui::applyArchiveFormat();
    EXPECT_EQ(pf::getGadgetText(ids::StrZipName), "report.zip");
    pf::setGadgetText(ids::StrZipName, "notes");
    ui::applyArchiveFormat();
    EXPECT_EQ(pf::getGadgetText(ids::StrZipName), "notes.zip");
}

TEST_F(CompressionWindowTest, EmptyNameEmptiesTheFieldsAndKeepsTheWindow)
{
    openWindowWith({"alpha.txt"});
    fill("", path("out"), operations::CompressionTypeDeflate);
    pf::expectMessage("Zarvon", "Véririfier nom, destination de l'archive SVP !", pf::MessageIcon::Error);
    confirmCompressionWindow();
    EXPECT_TRUE(pf::isWindow(ids::WindowCompression));
    EXPECT_EQ(pf::getGadgetText(ids::StrLocation), "");
}

TEST_F(CompressionWindowTest, DifferentConfirmationEmptiesBothPasswordFields)
{
    openWindowWith({"alpha.txt"});
    fill("a.zip", path("out"), operations::CompressionTypeDeflate, "secret", "secreT");
    pf::expectMessage("Zarvon", "Véririfier nom, destination ou mot de passe SVP !", pf::MessageIcon::Error);
    confirmCompressionWindow();
    EXPECT_TRUE(pf::isWindow(ids::WindowCompression));
    EXPECT_EQ(pf::getGadgetText(ids::StrPassword), "");
    EXPECT_EQ(pf::getGadgetText(ids::StrConfirmPassword), "");
    EXPECT_FALSE(fs::exists(path("out/a.zip")));
}

TEST_F(CompressionWindowTest, TranslatedTypeItemsStillRun)
{
    settings::loadLanguageBytes("TxtNormalCombo=Aucune\nTxtDeflateCombo=Rapide\n");
    openWindowWith({"gamma.txt"});
    EXPECT_EQ(pf::getGadgetText(ids::ComboCompressType), "Rapide");
    fill("translated.zip", path("out"), operations::CompressionTypeNormal, "pw", "pw");
    confirmCompressionWindow();
    EXPECT_TRUE(testsClean(path("out/translated.zip"), "pw"));
    EXPECT_NE(listing(path("out/translated.zip"), "pw").find("Stored"), std::string::npos);
}

TEST_F(CompressionWindowTest, ShowPasswordRecreatesTheFieldsKeepingTheirTexts)
{
    openWindowWith({"alpha.txt"});
    pf::setGadgetText(ids::StrPassword, "abc");
    pf::setGadgetText(ids::StrConfirmPassword, "abd");
    pf::setGadgetState(ids::TxtShowPwd, 1);
    ui::applyShowPasswords();
    EXPECT_EQ(pf::getGadgetText(ids::StrPassword), "abc");
    EXPECT_EQ(pf::getGadgetText(ids::StrConfirmPassword), "abd");
    EXPECT_EQ(pf::gadgetX(ids::StrPassword), 165);
    pf::setGadgetState(ids::TxtShowPwd, 0);
    ui::applyShowPasswords();
    EXPECT_EQ(pf::getGadgetText(ids::StrPassword), "abc");
}

TEST_F(CompressionWindowTest, LocationRequesterFillsTheFieldAndCancelKeepsIt)
{
    openWindowWith({"alpha.txt"});
    pf::expectFolder(path("out") + "/");
    ui::browseCompressionLocation();
    EXPECT_EQ(pf::getGadgetText(ids::StrLocation), path("out") + "/");
    pf::expectFolder("");
    ui::browseCompressionLocation();
    EXPECT_EQ(pf::getGadgetText(ids::StrLocation), path("out") + "/");
}

TEST_F(CompressionWindowTest, MissingLocationFolderIsReportedAsAFailure)
{
    openWindowWith({"alpha.txt"});
    fill("a.zip", path("no/such/folder"), operations::CompressionTypeDeflate);
    expectMessageContaining("a.zip", pf::MessageIcon::Error);
    confirmCompressionWindow();
    EXPECT_FALSE(fs::exists(path("no/such/folder/a.zip")));
    EXPECT_EQ(pf::getWindowTitle(ids::WindowMain), "Zarvon 1.1.0");
}

// Cancels on the first progress report of the second file, by the progress
// window's Cancel button or by Escape.
class CancelDuringRun : public CompressionWindowTest, public ::testing::WithParamInterface<bool> {};

TEST_P(CancelDuringRun, LeavesTheEarlierArchiveUntouched)
{
    const bool byEscape = GetParam();
    const std::string archive = path("out/photos.zip");
    writeFile(archive, "the earlier archive");
    bool secondFileStarted = false;
    ui::setProgressObserver([&](const std::string &name, float percent) {
        if (name.find("beta.bin") != std::string::npos && !secondFileStarted) {
            secondFileStarted = true;
            QWidget *target = pf::windowWidget(ui::progressWindowNumber());
            if (byEscape) {
                QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                QApplication::sendEvent(target, &press);
                QKeyEvent release(QEvent::KeyRelease, Qt::Key_Escape, Qt::NoModifier);
                QApplication::sendEvent(target, &release);
            } else {
                static_cast<QAbstractButton *>(pf::gadgetWidget(ui::progressCancelButton()))->click();
            }
        }
    });
    openWindowWith({"alpha.txt", "beta.bin", "gamma.txt"});
    fill("photos.zip", path("out"), operations::CompressionTypeDeflate);
    pf::expectYesNo(true); // replace the earlier archive
    pf::expectMessage("Zarvon", "Compression interrompue par l'utilisateur !", pf::MessageIcon::Error);
    confirmCompressionWindow();
    EXPECT_TRUE(secondFileStarted);
    EXPECT_EQ(readFile(archive), "the earlier archive");
    EXPECT_EQ(filesUnder(path("out")), std::set<std::string>{"photos.zip"});
    EXPECT_FALSE(ui::isProgressWindowOpen());
    EXPECT_EQ(pf::getWindowTitle(ids::WindowMain), "Zarvon 1.1.0");
}

INSTANTIATE_TEST_SUITE_P(ByButtonAndByEscape, CancelDuringRun, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool> &info) {
                             return std::string(info.param ? "ByEscape" : "ByButton");
                         });

TEST_F(CompressionWindowTest, EscapePressedBeforeTheRunDoesNotStopIt)
{
    // Escape closing the type box's list, or a folder requester, is no
    // request to stop a run that has not begun.
    openWindowWith({"alpha.txt", "beta.bin"});
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(pf::gadgetWidget(ids::ComboCompressType), &press);
    fill("kept.zip", path("out"), operations::CompressionTypeDeflate);
    confirmCompressionWindow();
    EXPECT_TRUE(testsClean(path("out/kept.zip")));
}

TEST_F(CompressionWindowTest, TitlesShowTheRunAndItsProgress)
{
    std::set<std::string> mainTitles, progressTitles;
    ui::setProgressObserver([&](const std::string &name, float percent) {
        mainTitles.insert(pf::getWindowTitle(ids::WindowMain));
        progressTitles.insert(pf::getWindowTitle(ui::progressWindowNumber()));
    });
    openWindowWith({"alpha.txt", "beta.bin"});
    fill("titles.zip", path("out"), operations::CompressionTypeDeflate);
    confirmCompressionWindow();
    EXPECT_EQ(mainTitles, std::set<std::string>{"Compression en cours ..."});
    EXPECT_TRUE(progressTitles.count("Progression..."));
    EXPECT_TRUE(progressTitles.count("Progression...  50 %"));
    EXPECT_EQ(pf::getWindowTitle(ids::WindowMain), "Zarvon 1.1.0");
}

TEST_F(CompressionWindowTest, EndSoundFollowsTheSettingAlsoAfterACancel)
{
    writeSettings("[General]\r\nActivateSound = 0\r\n");
    const int before = ui::endSoundsPlayed();
    openWindowWith({"alpha.txt"});
    fill("quiet.zip", path("out"), operations::CompressionTypeDeflate);
    confirmCompressionWindow();
    EXPECT_EQ(ui::endSoundsPlayed(), before);

    writeSettings("[General]\r\nActivateSound = 1\r\n");
    openWindowWith({"alpha.txt"});
    fill("loud.zip", path("out"), operations::CompressionTypeDeflate);
    confirmCompressionWindow();
    EXPECT_EQ(ui::endSoundsPlayed(), before + 1);

    ui::setProgressObserver([&](const std::string &name, float percent) {
        static_cast<QAbstractButton *>(pf::gadgetWidget(ui::progressCancelButton()))->click();
    });
    openWindowWith({"beta.bin"});
    fill("cancelled.zip", path("out"), operations::CompressionTypeDeflate);
    pf::expectMessage("Zarvon", "Compression interrompue par l'utilisateur !", pf::MessageIcon::Error);
    confirmCompressionWindow();
    EXPECT_EQ(ui::endSoundsPlayed(), before + 2);
    EXPECT_FALSE(fs::exists(path("out/cancelled.zip")));

    // The assistant's run is silent.
    ui::setProgressObserver(nullptr);
    ui::assistantCompress(path("out/assistant.zip"), {source_ + "/gamma.txt"});
    EXPECT_EQ(ui::endSoundsPlayed(), before + 2);
}

TEST_F(CompressionWindowTest, CancelButtonClosesTheWindow)
{
    openWindowWith({"alpha.txt"});
    ui::cancelCompressionWindow();
    EXPECT_FALSE(pf::isWindow(ids::WindowCompression));
}

TEST_F(CompressionWindowTest, UnreadableFileIsNamedNotSilentlyMissing)
{
    // A named pipe cannot be archived (reading it would never end); it
    // stands for any file that cannot be read, whoever runs the test.
    ASSERT_EQ(::mkfifo((source_ + "/pipe").c_str(), 0600), 0);
    buildMainWindow(source_);
    openWindowWith({"alpha.txt", "pipe"});
    fill("partial.zip", path("out"), operations::CompressionTypeDeflate);
    expectMessageContaining("/pipe", pf::MessageIcon::Warning);
    confirmCompressionWindow();
    EXPECT_TRUE(testsClean(path("out/partial.zip")));
}

TEST_F(CompressionWindowTest, VanishedFolderIsNamedNotSilentlyMissing)
{
    writeFile(source_ + "/d1/a.txt", "a");
    writeFile(source_ + "/d2/b.txt", "b");
    buildMainWindow(source_);
    // More files than the compressors read ahead of the writer: those not
    // yet opened when their folder goes are missing, and named.
    for (int i = 0; i < 40; ++i)
        writeFile(source_ + "/d2/f" + std::to_string(100 + i) + ".txt", "f");
    ui::setProgressObserver([&](const std::string &name, float percent) {
        if (name.find("/d1/") != std::string::npos)
            fs::remove_all(source_ + "/d2"); // gone during the run
    });
    openWindowWith({"d1", "d2"});
    fill("partial.zip", path("out"), operations::CompressionTypeDeflate);
    expectMessageContaining("/d2/", pf::MessageIcon::Warning);
    confirmCompressionWindow();
    EXPECT_TRUE(testsClean(path("out/partial.zip")));
}

TEST_F(CompressionWindowTest, FileShrinkingWhileReadNamesItAndKeepsTheEarlierArchive)
{
    const std::string archive = path("out/photos.zip");
    writeFile(archive, "the earlier archive");
    // Compressors read ahead of the writer, a bounded few megabytes: a file
    // much larger than that is still being read when its first part is
    // written, whatever the timing.
    writeFile(source_ + "/beta.bin", sampleText(40 << 20));
    bool cut = false;
    ui::setProgressObserver([&](const std::string &name, float percent) {
        if (!cut && name.find("beta.bin") != std::string::npos) {
            cut = true;
            fs::resize_file(source_ + "/beta.bin", 10);
        }
    });
    openWindowWith({"alpha.txt", "beta.bin"});
    fill("photos.zip", path("out"), operations::CompressionTypeDeflate);
    pf::expectYesNo(true); // replace the earlier archive
    expectMessageContaining("beta.bin", pf::MessageIcon::Error);
    confirmCompressionWindow();
    EXPECT_TRUE(cut);
    EXPECT_EQ(readFile(archive), "the earlier archive");
}

TEST_F(CompressionWindowTest, LocationStartsInTheConfiguredFolder)
{
    fs::create_directories(path("archives"));
    writeSettings("[Compression]\r\nDefaultArchiveFolder = " + path("archives") + "\r\n");
    openWindowWith({"alpha.txt"});
    EXPECT_EQ(pf::getGadgetText(ids::StrLocation), path("archives") + "/");
    ui::cancelCompressionWindow();
    // A configured folder that is gone: the explorer's folder, as without one.
    fs::remove(path("archives"));
    openWindowWith({"alpha.txt"});
    EXPECT_EQ(pf::getGadgetText(ids::StrLocation), source_ + "/");
}

TEST_F(CompressionWindowTest, ATypedNameOfAnExistingArchiveAsksBeforeReplacingIt)
{
    const std::string archive = path("out/photos.zip");
    writeFile(archive, "the earlier archive");
    openWindowWith({"alpha.txt"});
    fill("photos.zip", path("out"), operations::CompressionTypeDeflate);
    pf::expectYesNo(false);
    confirmCompressionWindow();
    EXPECT_EQ(readFile(archive), "the earlier archive");
    EXPECT_TRUE(pf::isWindow(ids::WindowCompression)) << "the name can be changed";
    pf::expectYesNo(true);
    confirmCompressionWindow();
    EXPECT_TRUE(testsClean(archive));
}

TEST_F(CompressionWindowTest, AnExistingZipArchiveCanTakeTheFilesInstead)
{
    const std::string archive = path("out/photos.zip");
    fs::create_directories(path("out"));
    zarvon::testing::writeZip(archive, {{"old.txt", "old"}});
    const std::string before = readFile(archive);
    openWindowWith({"alpha.txt"});
    fill("photos.zip", path("out"), operations::CompressionTypeDeflate);
    pf::expectChoice(2); // Cancel: nothing changes, the name can be changed
    confirmCompressionWindow();
    EXPECT_TRUE(readFile(archive) == before);
    EXPECT_TRUE(pf::isWindow(ids::WindowCompression));
    pf::expectChoice(0); // Add to it
    confirmCompressionWindow();
    EXPECT_TRUE(testsClean(archive));
    std::vector<engine::EntryInfo> entries;
    ASSERT_EQ(engine::listEntries(archive, entries), 2);
    EXPECT_EQ(entries[0].fileName, "old.txt");
    EXPECT_EQ(entries[1].fileName, "alpha.txt");
    EXPECT_FALSE(pf::isWindow(ids::WindowCompression));
}

TEST_F(CompressionWindowTest, ArchiveNamedAfterASelectedFileNeverReplacesIt)
{
    // The name field starts with the current item's name: an archive chosen
    // in the explorer, compressed into its own folder, would be replaced by
    // an archive without it.
    writeFile(source_ + "/photos.zip", "the user's archive");
    buildMainWindow(source_);
    openWindowWith({"photos.zip"});
    fill("photos.zip", source_, operations::CompressionTypeDeflate);
    pf::expectYesNo(true);
    expectMessageContaining(source_ + "/photos.zip", pf::MessageIcon::Error);
    confirmCompressionWindow();
    EXPECT_EQ(readFile(source_ + "/photos.zip"), "the user's archive");
    EXPECT_EQ(pf::getWindowTitle(ids::WindowMain), "Zarvon 1.1.0");
}

TEST_F(CompressionWindowTest, AssistantRunCompressesTheChosenPaths)
{
    writeFile(source_ + "/data/sub/b.txt", "b");
    ui::openProgressWindow();
    EXPECT_EQ(ui::assistantCompress(path("out/assistant.zip"), {source_ + "/alpha.txt", source_ + "/data"}),
              ui::CompressionOutcome::Written);
    ui::closeProgressWindow();
    EXPECT_TRUE(testsClean(path("out/assistant.zip")));
    EXPECT_EQ(runCommand("unzip -Z1 " + quoted(path("out/assistant.zip"))).output, "alpha.txt\ndata/sub/b.txt\n");
}

TEST_F(CompressionWindowTest, SelectAllCompressesTheFolderItemsNeverTheWayUp)
{
    ASSERT_EQ(pf::getGadgetItemText(ids::ExplorerList, 0), "..");
    selectInExplorer(ids::ExplorerList, {"alpha.txt"});
    pf::gadgetWidget(ids::ExplorerList)->setFocus();
    QKeyEvent selectAll(QEvent::KeyPress, Qt::Key_A, Qt::ControlModifier);
    QApplication::sendEvent(QApplication::focusWidget(), &selectAll);
    ASSERT_TRUE(pf::getGadgetItemState(ids::ExplorerList, 0) & pf::ItemSelected) << "the way up is selected too";
    startCompressionCommand();
    ASSERT_TRUE(pf::isWindow(ids::WindowCompression));
    fill("all", path("out"), operations::CompressionTypeDeflate);
    confirmCompressionWindow();
    EXPECT_EQ(runCommand("unzip -Z1 " + quoted(path("out/all.zip"))).output, "alpha.txt\nbeta.bin\ngamma.txt\n")
        << "the folder above is not compressed";
}

TEST_F(CompressionWindowTest, SeveralItemsAreNamedAfterTheirFolder)
{
    EXPECT_EQ(ui::proposedArchiveName({"a.txt", "sub"}, false, "/home/ana/src/"), "src.zip");
    EXPECT_EQ(ui::proposedArchiveName({"etc", "usr"}, false, "/"), "Archive.zip");
    EXPECT_EQ(ui::proposedArchiveName({".bashrc"}, false, "/d/"), ".bashrc.zip");
}

} // namespace
} // namespace zarvon::testing
