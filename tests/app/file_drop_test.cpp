// Files dropped onto the main window from other programs: onto the explorer
// list they are copied (moved with Shift) into its folder; onto the list of
// an archive shown they are added to it; an archive dropped elsewhere is
// opened.
#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

#include "support/program_fixture.h"
#include "ui/platform/qt_access.h"

using namespace zarvon;
using namespace zarvon::platform;
using zarvon::testing::ProgramTest;

namespace {

class FileDropTest : public ProgramTest {
protected:
    // Sends a drag entering at `point` (window coordinates) and, when it is
    // accepted, the drop; returns whether the window took the drag.
    bool drop(const QMimeData &data, QPoint point, bool shift = false)
    {
        QWidget *window = windowWidget(ids::WindowMain);
        const Qt::KeyboardModifiers modifiers = shift ? Qt::ShiftModifier : Qt::NoModifier;
        QDragEnterEvent enter(point, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, modifiers);
        QApplication::sendEvent(window, &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent dropped(QPointF(point), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, modifiers);
        QApplication::sendEvent(window, &dropped);
        pump();
        return dropped.isAccepted();
    }

    bool dropFiles(const std::vector<std::filesystem::path> &files, QPoint point, bool shift = false)
    {
        QMimeData data;
        QList<QUrl> urls;
        for (const auto &file : files)
            urls.append(QUrl::fromLocalFile(QString::fromStdString(file.string())));
        data.setUrls(urls);
        return drop(data, point, shift);
    }

    // The middle of a control, in the main window's coordinates.
    static QPoint middleOf(int id)
    {
        QWidget *control = gadgetWidget(id);
        return control->mapTo(windowWidget(ids::WindowMain), control->rect().center());
    }

    std::filesystem::path shownFolder() const { return getGadgetText(ids::ExplorerList); }
};

TEST_F(FileDropTest, FilesDroppedOnTheExplorerListAreCopiedThere)
{
    writeStandardIni();
    writeFile("elsewhere/a.txt", "alpha");
    writeFile("elsewhere/dir/b.txt", "beta");
    ASSERT_TRUE(start());
    ASSERT_TRUE(dropFiles({folder() / "elsewhere/a.txt", folder() / "elsewhere/dir"}, middleOf(ids::ExplorerList)));
    EXPECT_EQ(readFile(shownFolder() / "a.txt"), "alpha");
    EXPECT_EQ(readFile(shownFolder() / "dir/b.txt"), "beta");
    EXPECT_TRUE(std::filesystem::exists(folder() / "elsewhere/a.txt")) << "a copy leaves the source";
    EXPECT_GE(explorerItem("a.txt"), 0) << "the list shows the copy";
}

TEST_F(FileDropTest, ShiftMovesThem)
{
    writeStandardIni();
    writeFile("elsewhere/a.txt", "alpha");
    ASSERT_TRUE(start());
    ASSERT_TRUE(dropFiles({folder() / "elsewhere/a.txt"}, middleOf(ids::ExplorerList), true));
    EXPECT_EQ(readFile(shownFolder() / "a.txt"), "alpha");
    EXPECT_FALSE(std::filesystem::exists(folder() / "elsewhere/a.txt"));
}

TEST_F(FileDropTest, ANameTakenAlreadyIsAskedAbout)
{
    writeStandardIni();
    writeFile("elsewhere/notes.txt", "new");
    ASSERT_TRUE(start());
    writeFile(shownFolder() / "notes.txt", "old");
    expectReplace(ReplaceAnswer::No, false);
    ASSERT_TRUE(dropFiles({folder() / "elsewhere/notes.txt"}, middleOf(ids::ExplorerList)));
    EXPECT_EQ(unusedSteps(), 0);
    EXPECT_EQ(readFile(shownFolder() / "notes.txt"), "old");
}

TEST_F(FileDropTest, AnArchiveDroppedOutsideTheExplorerListIsOpened)
{
    writeStandardIni();
    std::string zip = makeZip("dropped.ZIP", {{"x.txt", "x"}, {"y.txt", "y"}});
    ASSERT_TRUE(start());
    ASSERT_TRUE(dropFiles({zip}, QPoint(5, 5)));
    EXPECT_EQ(ui::currentArchivePath(), zip);
    EXPECT_EQ(archiveRows(), (std::vector<std::string>{"x.txt", "y.txt"}));
    // Onto the archive list now shown, another archive goes into it.
    std::string other = makeZip("other.zip", {{"z.txt", "z"}});
    ASSERT_TRUE(dropFiles({other}, middleOf(ids::ArchiveList)));
    EXPECT_EQ(ui::currentArchivePath(), zip);
    EXPECT_EQ(archiveRows(), (std::vector<std::string>{"x.txt", "y.txt", "other.zip"}));
}

TEST_F(FileDropTest, OtherFilesDroppedOutsideTheExplorerListAreLeftAlone)
{
    writeStandardIni();
    writeFile("elsewhere/a.txt", "alpha");
    ASSERT_TRUE(start());
    ASSERT_TRUE(dropFiles({folder() / "elsewhere/a.txt"}, QPoint(5, 5)));
    EXPECT_TRUE(ui::currentArchivePath().empty());
    EXPECT_FALSE(std::filesystem::exists(shownFolder() / "a.txt"));
    EXPECT_TRUE(shownDialogs().empty());
}

TEST_F(FileDropTest, TextAndRemoteAddressesAreRefused)
{
    writeStandardIni();
    ASSERT_TRUE(start());
    QMimeData text;
    text.setText("hello");
    EXPECT_FALSE(drop(text, middleOf(ids::ExplorerList)));
    QMimeData remote;
    remote.setUrls({QUrl("https://example.org/a.zip")});
    EXPECT_FALSE(drop(remote, middleOf(ids::ExplorerList)));
    EXPECT_TRUE(ui::currentArchivePath().empty());
}

} // namespace
