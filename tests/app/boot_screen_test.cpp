// When the boot screen is shown, and the MenuBootScreen switch that decides it.
#include "support/program_fixture.h"
#include "ui/boot_screen.h"

using namespace zarvon;
using namespace zarvon::platform;
using zarvon::testing::ProgramTest;

namespace {

class BootScreenTest : public ProgramTest {
protected:
    int shown() const { return ui::bootScreenRecord().shown; }
};

TEST_F(BootScreenTest, FirstStartShowsItOnceBeforeTheMainWindowAppears)
{
    ASSERT_FALSE(iniExists());
    ASSERT_TRUE(start());
    EXPECT_EQ(shown(), 1);
    EXPECT_FALSE(ui::bootScreenRecord().mainWindowVisibleAtLastShow);
    EXPECT_TRUE(isWindowVisible(ids::WindowMain));
    // It is gone once the start is over.
    EXPECT_FALSE(isWindow(ids::WindowBootScreen));
}

TEST_F(BootScreenTest, ShownByEitherFormOnlyWhenInitBootPageIsOne)
{
    writeStandardIni({{"Options/InitBootPage", "0"}});
    ASSERT_TRUE(start());
    EXPECT_EQ(shown(), 0);
    closeWindow(ids::WindowMain);

    writeStandardIni({{"Options/InitBootPage", "1"}});
    ASSERT_TRUE(start());
    EXPECT_EQ(shown(), 1);
    closeWindow(ids::WindowMain);

    // Each start counts anew.
    writeStandardIni({{"Options/InitBootPage", "1"}, {"View/ToolBar", "0"}});
    ASSERT_TRUE(start());
    ASSERT_FALSE(ui::mainWindowHasToolBar());
    EXPECT_EQ(shown(), 1);
    EXPECT_FALSE(ui::bootScreenRecord().mainWindowVisibleAtLastShow);
}

TEST_F(BootScreenTest, SwitchingTheToolbarOnAgainShowsItWithTheRebuiltWindow)
{
    writeStandardIni({{"Options/InitBootPage", "1"}, {"View/ToolBar", "0"}});
    ASSERT_TRUE(start());
    ASSERT_EQ(shown(), 1);
    menu(ids::MenuToolBar);
    ASSERT_TRUE(ui::mainWindowHasToolBar());
    EXPECT_EQ(shown(), 2);
}

TEST_F(BootScreenTest, TheMenuSwitchOnlyMovesTheMarkUntilTheWindowStateIsSaved)
{
    writeStandardIni({{"Options/InitBootPage", "0"}});
    const std::string before = ini();
    ASSERT_TRUE(start());
    menu(ids::MenuBootScreen);
    EXPECT_TRUE(getMenuItemState(ids::MenuBarMain, ids::MenuBootScreen));
    EXPECT_EQ(shown(), 0);
    EXPECT_EQ(ini(), before);
    menu(ids::MenuBootScreen);
    EXPECT_FALSE(getMenuItemState(ids::MenuBarMain, ids::MenuBootScreen));
    menu(ids::MenuBootScreen);
    menu(ids::MenuQuit);
    ASSERT_TRUE(exitRequested());
    EXPECT_NE(ini().find("InitBootPage = 1"), std::string::npos);

    // The next start shows it.
    clearExitRequest();
    closeWindow(ids::WindowMain);
    ASSERT_TRUE(start());
    EXPECT_EQ(shown(), 1);
}

TEST_F(BootScreenTest, QuittingFromTheTrayMenuDoesNotStoreTheSwitch)
{
    writeStandardIni({{"Options/InitBootPage", "0"}});
    ASSERT_TRUE(start());
    menu(ids::MenuBootScreen);
    menu(ids::QuitApp);
    ASSERT_TRUE(exitRequested());
    EXPECT_NE(ini().find("InitBootPage = 0"), std::string::npos);

    clearExitRequest();
    closeWindow(ids::WindowMain);
    ASSERT_TRUE(start());
    EXPECT_EQ(shown(), 0);
    EXPECT_FALSE(getMenuItemState(ids::MenuBarMain, ids::MenuBootScreen));
}

} // namespace
