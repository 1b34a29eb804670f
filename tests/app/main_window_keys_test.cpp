// The main window at the keyboard: keys are sent to the widget that has the
// focus, as a person's keyboard sends them, and act on that widget.
#include "support/explorer_clicks.h"
#include "support/program_fixture.h"
#include "ui/platform/qt_access.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <QTreeWidget>
#include <QWidget>

using namespace zarvon;
using namespace zarvon::platform;
using zarvon::testing::ProgramTest;

namespace {

class MainWindowKeysTest : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        runtime_ = folder() / "runtime";
        std::filesystem::create_directories(runtime_);
        setenv("XDG_RUNTIME_DIR", runtime_.c_str(), 1);
    }

    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, const QString &text = {})
    {
        QWidget *target = QApplication::focusWidget();
        ASSERT_NE(target, nullptr) << "nothing has the focus";
        QKeyEvent down(QEvent::KeyPress, key, modifiers, text);
        QApplication::sendEvent(target, &down);
        QKeyEvent up(QEvent::KeyRelease, key, modifiers, text);
        QApplication::sendEvent(target, &up);
        pump();
    }

    // The user clicks into a control: it takes the focus.
    void focus(int id)
    {
        QApplication::setActiveWindow(windowWidget(ids::WindowMain));
        setActiveGadget(id);
        ASSERT_EQ(activeGadget(), id);
    }

    std::string shown() { return getGadgetText(ids::ExplorerList); }

    int explorerRow(const std::string &name)
    {
        for (int i = 0; i < countGadgetItems(ids::ExplorerList); ++i)
            if (getGadgetItemText(ids::ExplorerList, i) == name)
                return i;
        return -1;
    }

    int selectedCount(int list)
    {
        int n = 0;
        for (int i = 0; i < countGadgetItems(list); ++i)
            n += (getGadgetItemState(list, i) & ItemSelected) ? 1 : 0;
        return n;
    }

    std::filesystem::path runtime_;
};

TEST_F(MainWindowKeysTest, ExplorerKeysWalkTheFoldersAsAFileManagerDoes)
{
    writeStandardIni();
    writeFile("home/alpha/inner/deep.txt", "d");
    writeFile("home/beta.txt", "b");
    const std::string home = (folder() / "home").string() + "/";
    ASSERT_TRUE(start());
    ASSERT_EQ(shown(), home);
    focus(ids::ExplorerList);
    // Type-ahead puts the item on the first letters typed; Enter goes in.
    press(Qt::Key_A, Qt::NoModifier, "a");
    ASSERT_EQ(getGadgetState(ids::ExplorerList), explorerRow("alpha"));
    press(Qt::Key_Return);
    EXPECT_EQ(shown(), home + "alpha/");
    EXPECT_EQ(getGadgetText(ids::ExplorerCombo), home + "alpha/") << "the address follows";
    setGadgetState(ids::ExplorerList, explorerRow(".."));
    press(Qt::Key_Return);
    EXPECT_EQ(shown(), home) << "Enter on \"..\"";
    press(Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(shown(), home + "alpha/");
    press(Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(shown(), home);
    press(Qt::Key_Right, Qt::AltModifier);
    EXPECT_EQ(shown(), home + "alpha/");
    press(Qt::Key_Backspace);
    EXPECT_EQ(shown(), home);
    press(Qt::Key_Up, Qt::AltModifier);
    EXPECT_EQ(shown(), folder().string() + "/");
    press(Qt::Key_Right, Qt::AltModifier);
    EXPECT_EQ(shown(), folder().string() + "/") << "a new folder forgets what Back had left";
    // F5 reads the folder again at once, without waiting for the file
    // system's notice of the new file.
    writeFile("late.txt", "l");
    press(Qt::Key_F5);
    EXPECT_GE(explorerRow("late.txt"), 0);
    EXPECT_EQ(shown(), folder().string() + "/");
}

TEST_F(MainWindowKeysTest, AddressBoxGoesToExactlyWhatIsTyped)
{
    writeStandardIni();
    writeFile("home/data/many/x.txt", "x");
    const std::string data = (folder() / "home/data").string();
    ASSERT_TRUE(start());
    showFolder(data + "/many");
    focus(ids::ExplorerCombo);
    press(Qt::Key_A, Qt::ControlModifier);
    for (QChar c : QString::fromStdString(data))
        press(Qt::Key_unknown, Qt::NoModifier, QString(c));
    EXPECT_EQ(getGadgetText(ids::ExplorerCombo), data) << "nothing was added to what was typed";
    press(Qt::Key_Return);
    EXPECT_EQ(shown(), data + "/");
}

TEST_F(MainWindowKeysTest, EnterOpensTheArchiveAndF2RenamesInTheExplorer)
{
    writeStandardIni();
    makeZip("home/photos.zip", {{"a.jpg", "A"}, {"b.jpg", "B"}});
    ASSERT_TRUE(start());
    focus(ids::ExplorerList);
    setGadgetState(ids::ExplorerList, explorerRow("photos.zip"));
    setGadgetItemState(ids::ExplorerList, explorerRow("photos.zip"), ItemSelected);
    press(Qt::Key_F2);
    EXPECT_TRUE(isWindow(ids::WindowCopy)) << "F2 opens the rename window";
    closeWindow(ids::WindowCopy);
    focus(ids::ExplorerList);
    press(Qt::Key_Return);
    ASSERT_TRUE(isGadget(ids::ArchiveList));
    EXPECT_EQ(countGadgetItems(ids::ArchiveList), 2);
}

TEST_F(MainWindowKeysTest, ShiftDeleteAsksItsOwnQuestionWithNoAsTheDefault)
{
    writeStandardIni();
    writeFile("home/kept.txt", "k");
    writeFile("home/gone/inner.txt", "g");
    ASSERT_TRUE(start());
    focus(ids::ExplorerList);
    for (const char *name : {"kept.txt", "gone"}) {
        setGadgetState(ids::ExplorerList, explorerRow(name));
        setGadgetItemState(ids::ExplorerList, explorerRow(name), ItemSelected);
    }
    expectYesNo(false);
    press(Qt::Key_Delete, Qt::ShiftModifier);
    ASSERT_EQ(shownDialogs().size(), 1u);
    EXPECT_TRUE(shownDialogs()[0].noByDefault);
    EXPECT_NE(shownDialogs()[0].text.find((folder() / "home/gone").string()), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(folder() / "home/kept.txt"));
    setGadgetItemState(ids::ExplorerList, explorerRow("kept.txt"), 0);
    expectYesNo(true);
    press(Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_FALSE(std::filesystem::exists(folder() / "home/gone"));
    EXPECT_TRUE(std::filesystem::exists(folder() / "home/kept.txt"));
    EXPECT_FALSE(std::filesystem::exists(folder() / "home/.local/share/Trash")) << "not to the trash";
}

TEST_F(MainWindowKeysTest, SelectAllAndEnterActInTheArchiveList)
{
    writeStandardIni();
    writeFile("home/one.txt", "1");
    writeFile("home/two.txt", "2");
    const std::string zip = makeZip("a.zip", {{"x.txt", "x"}, {"y.txt", "y"}, {"z.txt", "z"}});
    ASSERT_TRUE(start({zip}));
    focus(ids::ArchiveList);
    press(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(selectedCount(ids::ArchiveList), 3);
    EXPECT_EQ(selectedCount(ids::ExplorerList), 0) << "the explorer's files are left alone";
    EXPECT_EQ(activeGadget(), ids::ArchiveList) << "the focus stays";
    press(Qt::Key_End);
    EXPECT_EQ(getGadgetState(ids::ArchiveList), 2) << "End goes to the last entry";
    press(Qt::Key_Home);
    EXPECT_EQ(getGadgetState(ids::ArchiveList), 0);
    expectOpenDocument(true);
    press(Qt::Key_Down);
    ASSERT_EQ(getGadgetState(ids::ArchiveList), 1);
    press(Qt::Key_Return);
    ASSERT_EQ(shownDialogs().size(), 1u);
    EXPECT_EQ(shownDialogs()[0].kind, DialogKind::OpenDocument);
    EXPECT_EQ(std::filesystem::path(shownDialogs()[0].text).filename(), getGadgetItemText(ids::ArchiveList, 1));
    // Backspace in the archive list leaves the explorer where it is.
    const std::string before = shown();
    press(Qt::Key_Backspace);
    EXPECT_EQ(shown(), before);
}

TEST_F(MainWindowKeysTest, ExtractTakesTheListThatHadTheFocusLast)
{
    writeStandardIni();
    makeZip("home/other.zip", {{"o.txt", "o"}});
    const std::string zip = makeZip("shown.zip", {{"x.txt", "x"}, {"y.txt", "y"}});
    ASSERT_TRUE(start({zip}));
    QApplication::setActiveWindow(windowWidget(ids::WindowMain));
    auto *entries = qobject_cast<QTreeWidget *>(gadgetWidget(ids::ArchiveList));
    ASSERT_NE(entries, nullptr);
    const auto clickEntry = [&](const char *name, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        const auto found = entries->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1);
        // On the name, which is on screen whatever the other columns' widths.
        const QPoint at(12, entries->visualItemRect(found[0]).center().y());
        QTest::mouseClick(entries->viewport(), Qt::LeftButton, modifiers, at);
        pump();
    };
    const auto extractTo = [&](const char *out) {
        expectFolder((folder() / out).string() + "/");
        expectMessage("Zarvon", "Extraction des fichiers terminée !", MessageIcon::Information);
        QTest::mouseClick(toolBarButtonWidget(ids::ToolBarMain, ui::toolBarButtonId(ui::ToolButton::Extract)),
                          Qt::LeftButton);
        pump();
        // The window manager gives the main window back the keyboard when
        // the message closes.
        QApplication::setActiveWindow(windowWidget(ids::WindowMain));
    };
    zarvon::testing::clickExplorerRow("other.zip");
    clickEntry("y.txt");
    extractTo("one");
    EXPECT_TRUE(std::filesystem::exists(folder() / "one/y.txt"));
    EXPECT_FALSE(std::filesystem::exists(folder() / "one/x.txt"));
    EXPECT_FALSE(std::filesystem::exists(folder() / "one/o.txt")) << "the explorer's archive is not the target";
    EXPECT_EQ(getWindowTitle(ids::WindowMain), ui::archiveWindowTitle(zip)) << "the title still names the archive";

    clickEntry("y.txt", Qt::ControlModifier);
    ASSERT_EQ(selectedCount(ids::ArchiveList), 0);
    extractTo("whole");
    EXPECT_TRUE(std::filesystem::exists(folder() / "whole/x.txt")) << "nothing selected: the whole archive";
    EXPECT_TRUE(std::filesystem::exists(folder() / "whole/y.txt"));

    zarvon::testing::clickExplorerRow("other.zip");
    extractTo("explorer");
    EXPECT_TRUE(std::filesystem::exists(folder() / "explorer/o.txt"));
}

TEST_F(MainWindowKeysTest, OnTopBoxShowsWhatIsInForce)
{
    writeStandardIni({{"General/VisibleWindow", "1"}});
    ASSERT_TRUE(start());
    ASSERT_FALSE(isWindowTopmost(ids::WindowMain));
    menu(ids::MenuConfiguration);
    auto *box = qobject_cast<QAbstractButton *>(gadgetWidget(ids::ChkBoxVisibleWin));
    ASSERT_NE(box, nullptr);
    EXPECT_FALSE(box->isChecked()) << "the window is not on top";
    box->click();
    pump();
    EXPECT_TRUE(isWindowTopmost(ids::WindowMain));
}

} // namespace
