// The filter field above the archive list, typed into as a person does: it
// narrows the rows to the names holding the text, and what the commands take
// from the selection is what stays shown.
#include "support/program_fixture.h"
#include "ui/platform/qt_access.h"

#include <QApplication>
#include <QTest>
#include <QWidget>

using namespace zarvon;
using namespace zarvon::platform;
using zarvon::testing::ProgramTest;

namespace {

using Rows = std::vector<std::string>;

class ArchiveFilterTest : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        writeStandardIni();
        zip_ = makeZip("home/trip.zip",
                       {{"Photos/Beach.jpg", "b"}, {"photos/", ""}, {"readme.txt", "r"}, {"notes/plan.TXT", "p"}});
        ASSERT_TRUE(start({zip_}));
    }

    // A click into the control: it takes the keyboard focus.
    void clickInto(int id)
    {
        QApplication::setActiveWindow(windowWidget(ids::WindowMain));
        QWidget *control = gadgetWidget(id);
        ASSERT_NE(control, nullptr);
        QTest::mouseClick(control, Qt::LeftButton, {}, QPoint(8, control->height() / 2));
        ASSERT_EQ(activeGadget(), id);
    }

    // Keys go to the widget that has the focus, as from the keyboard.
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        ASSERT_NE(QApplication::focusWidget(), nullptr) << "nothing has the focus";
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
        pump();
    }

    void type(const char *text)
    {
        ASSERT_NE(QApplication::focusWidget(), nullptr) << "nothing has the focus";
        QTest::keyClicks(QApplication::focusWidget(), text);
        pump();
    }

    static Rows rowsWhere(int flag, bool set)
    {
        Rows rows;
        for (int i = 0; i < countGadgetItems(ids::ArchiveList); ++i)
            if (bool(getGadgetItemState(ids::ArchiveList, i) & flag) == set)
                rows.push_back(getGadgetItemText(ids::ArchiveList, i));
        return rows;
    }
    static Rows shownRows() { return rowsWhere(ItemHidden, false); }
    static Rows selectedRows() { return rowsWhere(ItemSelected, true); }

    std::string zip_;
};

TEST_F(ArchiveFilterTest, TypingNarrowsTheRowsWhateverTheCaseUntilAnotherArchiveOpens)
{
    clickInto(ids::StrArchiveFilter);
    type("PHO");
    EXPECT_EQ(shownRows(), (Rows{"Photos/Beach.jpg", "photos/"}));
    // Hidden, not removed: the rows are all still there.
    EXPECT_EQ(countGadgetItems(ids::ArchiveList), 4);
    type("tos/b");
    EXPECT_EQ(shownRows(), (Rows{"Photos/Beach.jpg"}));
    // Backspace edits the text (it does not go to the explorer's parent).
    const std::string explorerFolder = getGadgetText(ids::ExplorerList);
    for (int i = 0; i < 5; ++i)
        press(Qt::Key_Backspace);
    EXPECT_EQ(shownRows(), (Rows{"Photos/Beach.jpg", "photos/"}));
    EXPECT_EQ(getGadgetText(ids::ExplorerList), explorerFolder);
    // Ctrl+A and Delete clear the text, and every row is back.
    press(Qt::Key_A, Qt::ControlModifier);
    press(Qt::Key_Delete);
    EXPECT_EQ(getGadgetText(ids::StrArchiveFilter), "");
    EXPECT_EQ(shownRows(), (Rows{"Photos/Beach.jpg", "photos/", "readme.txt", "notes/plan.TXT"}));
    // Another archive opens with the field empty and every row shown.
    type("read");
    ASSERT_EQ(shownRows(), Rows{"readme.txt"});
    expectOpenFile(makeZip("home/other.zip", {{"a.txt", "a"}, {"b.txt", "b"}}));
    menu(ids::MenuOpenZip);
    EXPECT_EQ(getGadgetText(ids::StrArchiveFilter), "");
    EXPECT_EQ(shownRows(), (Rows{"a.txt", "b.txt"}));
}

TEST_F(ArchiveFilterTest, SelectAllAndExtractionTakeOnlyTheShownRows)
{
    setGadgetItemState(ids::ArchiveList, 0, ItemSelected);
    setGadgetState(ids::ArchiveList, 0);
    clickInto(ids::StrArchiveFilter);
    type("txt");
    // The photo the filter hid is neither selected nor the current row.
    EXPECT_EQ(selectedRows(), Rows{});
    EXPECT_EQ(getGadgetState(ids::ArchiveList), -1);
    // A sort by the header keeps the rows it hides hidden.
    clickGadgetColumnHeader(ids::ArchiveList, 0);
    EXPECT_EQ(shownRows(), (Rows{"notes/plan.TXT", "readme.txt"}));

    setActiveGadget(ids::ArchiveList);
    press(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(selectedRows(), (Rows{"notes/plan.TXT", "readme.txt"}));
    const std::filesystem::path destination = folder() / "out";
    std::filesystem::create_directories(destination);
    expectFolder(destination.string() + "/");
    expectMessage("Zarvon", "Extraction des fichiers terminée !", MessageIcon::Information);
    menu(ids::MenuExtractZip);
    EXPECT_EQ(zarvon::testing::filesUnder(destination), (std::set<std::string>{"notes/plan.TXT", "readme.txt"}));
}

} // namespace
