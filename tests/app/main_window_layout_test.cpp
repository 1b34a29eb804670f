// The archive layout as a person sees it: the archive list's first columns
// show whole beside the explorer list, the divider between them stays where
// the user drags it, also after a restart; and the toolbar with captions
// keeps the width the user gave the window.
#include "support/program_fixture.h"
#include "ui/platform/qt_access.h"

#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QScreen>
#include <QSplitter>
#include <QTreeWidget>

#include <tuple>

using namespace zarvon;
using namespace zarvon::platform;
using zarvon::testing::ProgramTest;

namespace {

class MainWindowLayoutTest : public ProgramTest {
protected:
    // The date column (the fifth) ends inside what the archive list shows.
    static bool dateColumnShows()
    {
        auto *tree = qobject_cast<QTreeWidget *>(gadgetWidget(ids::ArchiveList));
        return tree->header()->sectionViewportPosition(4) + tree->header()->sectionSize(4) <= tree->viewport()->width();
    }

    // Drags the divider's handle `dx` pixels with the mouse.
    static void dragDivider(int dx)
    {
        QWidget *handle = qobject_cast<QSplitter *>(gadgetWidget(ids::SplitterArchive))->handle(1);
        const QPointF from(handle->width() / 2.0, handle->height() / 2.0), to = from + QPointF(dx, 0);
        for (auto [type, at, buttons] : {std::tuple{QEvent::MouseButtonPress, from, Qt::LeftButton},
                                         std::tuple{QEvent::MouseMove, to, Qt::LeftButton},
                                         std::tuple{QEvent::MouseButtonRelease, to, Qt::NoButton}}) {
            QMouseEvent event(type, at, handle->mapToGlobal(at),
                              type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
            QApplication::sendEvent(handle, &event);
        }
    }
};

TEST_F(MainWindowLayoutTest, NameSizesAndDateShowWholeBesideTheExplorerInEachForm)
{
    const std::string zip = makeZip("holiday.zip", {{"photos/beach.jpg", "b"}, {"readme.txt", "r"}});
    struct Form {
        const char *toolBar, *width;
        bool recent;
    };
    for (const Form form :
         {Form{"1", "700", false}, Form{"1", "760", false}, Form{"0", "700", false}, Form{"0", "700", true}}) {
        SCOPED_TRACE(std::string("ToolBar ") + form.toolBar + ", width " + form.width +
                     (form.recent ? ", recent archive" : ""));
        writeStandardIni({{"View/ToolBar", form.toolBar},
                          {"Window/WindowWith", form.width},
                          {"Recent files/Count files", "1"},
                          {"Recent files/Recent files1", zip}});
        ASSERT_TRUE(start());
        if (form.recent) {
            menu(ids::MenuRecentFirst);
        } else {
            expectOpenFile(zip);
            menu(ids::MenuOpenZip);
        }
        ASSERT_EQ(archiveRows().size(), 2u);
        EXPECT_TRUE(dateColumnShows());
        EXPECT_GE(gadgetWidth(ids::ExplorerList), 200);
        EXPECT_LE(windowWidth(ids::WindowMain), QApplication::primaryScreen()->availableGeometry().width());
        closeWindow(ids::WindowMain);
    }
}

TEST_F(MainWindowLayoutTest, TheDividerStaysWhereTheUserDraggedItAlsoAfterARestart)
{
    writeStandardIni({{"Window/WindowWith", "780"}});
    const std::string zip = makeZip("holiday.zip", {{"readme.txt", "r"}});
    ASSERT_TRUE(start({zip}));
    const int placed = getGadgetState(ids::SplitterArchive);
    dragDivider(-150);
    pump();
    const int dragged = getGadgetState(ids::SplitterArchive);
    ASSERT_LT(dragged, placed - 100);
    // Another archive opened keeps it; so does the next start.
    expectOpenFile(zip);
    menu(ids::MenuOpenZip);
    EXPECT_EQ(getGadgetState(ids::SplitterArchive), dragged);
    menu(ids::MenuQuit);
    EXPECT_NE(ini().find("ArchiveDivider = " + std::to_string(dragged)), std::string::npos) << ini();
    clearExitRequest();
    closeWindow(ids::WindowMain);
    ASSERT_TRUE(start({zip}));
    EXPECT_EQ(getGadgetState(ids::SplitterArchive), dragged);
}

TEST_F(MainWindowLayoutTest, CaptionsKeepASavedWidthThatShowsThemAll)
{
    // The English captions are shorter than the French ones: 780 pixels
    // show them all, where the French ones take the 850.
    for (const auto &[english, width] : {std::pair{false, 1000}, std::pair{true, 780}}) {
        writeStandardIni({{"General/ShowTextButton", "1"},
                          {"View/FrenchLanguage", english ? "0" : "1"},
                          {"View/EnglishLanguage", english ? "1" : "0"},
                          {"Window/WindowWith", std::to_string(width)},
                          {"Window/WindowXposition", "300"}});
        ASSERT_TRUE(start());
        EXPECT_EQ(windowWidth(ids::WindowMain), width) << english;
        EXPECT_EQ(windowX(ids::WindowMain), 300) << english;
        EXPECT_LE(toolBarContentWidth(ids::ToolBarMain), width) << english;
        closeWindow(ids::WindowMain);
    }
}

} // namespace
