// The compress command as a person gives it in the main window: a click in
// the explorer, the menu item, the window's own buttons; the archive is read
// back with unzip.
#include "support/program_fixture.h"
#include "support/workflow_fixture.h"
#include "engine/engine.h"
#include "ui/information.h"
#include "ui/platform/testing.h"

#include <QComboBox>

namespace zarvon::testing {
namespace {

namespace pf = zarvon::platform;
namespace fs = std::filesystem;

class CompressionCommandTest : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        writeFile("home/data/src/f00013.txt", "thirteen");
        writeFile("home/data/src/sub/numbers.txt", "1 2 3");
        writeStandardIni();
        ASSERT_TRUE(start());
        src_ = homeFolder() / "data/src";
        showFolder(src_);
    }
    std::string entries(const fs::path &archive) { return runCommand("unzip -Z1 " + quoted(archive.string())).output; }
    fs::path src_;
};

TEST_F(CompressionCommandTest, ProposesANameAndAPlaceThatTheWindowAccepts)
{
    clickRow(ids::ExplorerList, "f00013.txt");
    menu(ids::MenuAddToZip);
    EXPECT_EQ(pf::getGadgetText(ids::StrZipName), "f00013.zip");
    EXPECT_EQ(pf::getGadgetText(ids::StrLocation), src_.string() + "/") << "the folder the explorer shows";
    press(ids::BtCompressOk);
    EXPECT_EQ(entries(src_ / "f00013.zip"), "f00013.txt\n");
}

TEST_F(CompressionCommandTest, TheFormatBoxMakesATarballWithoutPasswordControls)
{
    clickRow(ids::ExplorerList, "sub");
    menu(ids::MenuAddToZip);
    QWidget *formats = pf::gadgetWidget(ids::ComboArchiveFormat);
    formats->setFocus();
    QTest::keyClick(formats, Qt::Key_Down); // .7z
    QTest::keyClick(formats, Qt::Key_Down); // .tar.gz
    pump();
    EXPECT_EQ(pf::getGadgetText(ids::StrZipName), "sub.tar.gz");
    EXPECT_TRUE(pf::isGadgetDisabled(ids::StrPassword));
    EXPECT_TRUE(pf::isGadgetDisabled(ids::ComboCompressType));
    press(ids::BtCompressOk);
    EXPECT_EQ(runCommand("tar -tzf " + quoted((src_ / "sub.tar.gz").string())).output, "sub/\nsub/numbers.txt\n");
}

TEST_F(CompressionCommandTest, AFolderKeepsItsOwnNameUnlessFullPathsAreKept)
{
    clickRow(ids::ExplorerList, "sub");
    menu(ids::MenuAddToZip);
    EXPECT_EQ(pf::getGadgetText(ids::StrZipName), "sub.zip");
    press(ids::BtCompressOk);
    EXPECT_EQ(entries(src_ / "sub.zip"), "sub/numbers.txt\n");
    clickRow(ids::ExplorerList, "sub");
    menu(ids::MenuAddToZip);
    press(ids::ChkKeepFullPaths);
    pf::setGadgetText(ids::StrZipName, "full.zip");
    press(ids::BtCompressOk);
    EXPECT_EQ(entries(src_ / "full.zip"), (src_ / "sub/numbers.txt").string().substr(1) + "\n");
    EXPECT_NE(ini().find("KeepFullPaths = 1"), std::string::npos) << "the box is remembered";
}

TEST_F(CompressionCommandTest, TheFolderRequesterMakesANewFolderOrSaysWhyNot)
{
    clickRow(ids::ExplorerList, "f00013.txt");
    menu(ids::MenuAddToZip);
    const std::string made = (folder() / "new/deeper").string() + "/";
    pf::expectFolder(made);
    press(ids::BtBrowseLocation);
    EXPECT_TRUE(fs::is_directory(made));
    EXPECT_EQ(pf::getGadgetText(ids::StrLocation), made);
    writeFile("blocker", "a file, not a folder");
    pf::expectFolder((folder() / "blocker/inside").string() + "/");
    expectMessageContaining("blocker/inside", pf::MessageIcon::Error);
    press(ids::BtBrowseLocation);
    EXPECT_EQ(pf::getGadgetText(ids::StrLocation), made) << "the field keeps its folder";
}

TEST_F(CompressionCommandTest, AesIsChosenBesideThePasswordAndKeptForTheNextTime)
{
    clickRow(ids::ExplorerList, "f00013.txt");
    menu(ids::MenuAddToZip);
    auto *box = qobject_cast<QComboBox *>(pf::gadgetWidget(ids::ComboEncryption));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->currentText().toStdString(), "ZIP 2.0 (lisible partout)") << "readable everywhere by default";
    for (int field : {ids::StrPassword, ids::StrConfirmPassword}) {
        press(field);
        ASSERT_EQ(QApplication::focusWidget(), pf::gadgetWidget(field));
        typeKeys("s3cret");
    }
    // The box opens its list on a click, and a click on the line chooses it.
    press(ids::ComboEncryption);
    QAbstractItemView *list = box->view();
    ASSERT_TRUE(list->isVisible());
    // The list takes no click sooner than a double click's time after it opened.
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(1, 0)).center());
    pump();
    EXPECT_EQ(box->currentText().toStdString(), "AES-256 (fort)");
    press(ids::BtCompressOk);

    const fs::path archive = src_ / "f00013.zip";
    std::vector<engine::EntryInfo> listed;
    ASSERT_EQ(engine::listEntries(archive.string(), listed), 1);
    EXPECT_EQ(listed[0].aesKeyBits, 256u);
    EXPECT_NE(ini().find("Encryption = 1"), std::string::npos) << ini();
    EXPECT_NE(ui::informationValues(archive.string(), "f00013.zip")[2].find("(AES-256)"), std::string::npos);
    const auto sevenZip = runCommand("7zz t -ps3cret " + quoted(archive.string()));
    EXPECT_EQ(sevenZip.status, 0) << sevenZip.output;

    clickRow(ids::ExplorerList, "f00013.txt");
    menu(ids::MenuAddToZip);
    EXPECT_EQ(pf::getGadgetState(ids::ComboEncryption), 1) << "the choice is remembered";
}

} // namespace
} // namespace zarvon::testing
