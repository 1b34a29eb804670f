// The configuration window: what it shows with and without Zarvon.ini, that
// its Ok, Cancel and close box store every setting, and the boxes that act at
// once.
#include "settings/settings_file.h"
#include "settings/settings_ops.h"
#include "support/workflow_fixture.h"
#include "ui/dialogs/configuration_window.h"

namespace zarvon::testing {
namespace {

class ConfigurationWindowTest : public WorkflowTest {
protected:
    std::string setting(const std::string &group, const std::string &key)
    {
        return settings::readSettingText(group, key, "<absent>").value_or("<no file or group>");
    }
};

TEST_F(ConfigurationWindowTest, WithoutAFileShowsTheBuiltInStatesAndFolders)
{
    ASSERT_TRUE(ui::buildConfigurationWindow());
    EXPECT_FALSE(pf::isWindowVisible(ids::WindowConfiguration));
    EXPECT_EQ(pf::getGadgetState(ids::ChkBoxActivAssist), 0);
    EXPECT_EQ(pf::getGadgetState(ids::ChkBoxVisibleWin), 1);
    EXPECT_EQ(pf::getGadgetState(ids::ChkBoxActivateSound), 1);
    EXPECT_EQ(pf::getGadgetState(ids::ChkBoxHistory), 1);
    EXPECT_EQ(pf::getGadgetState(ids::ChkBoxMultitask), 1);
    EXPECT_EQ(pf::getGadgetState(ids::ChkBoxViewBtTxt), 0);
    EXPECT_EQ(pf::getGadgetText(ids::StrDefaultArchiveFolder), fs::current_path().string() + "/");
    EXPECT_EQ(pf::getGadgetText(ids::StrDefaultExtractFolder), fs::temp_directory_path().string() + "/");
    EXPECT_TRUE(pf::isGadgetDisabled(ids::ChkBoxRar));
    EXPECT_FALSE(fs::exists(settings::settingsPath())) << "opening the window writes nothing";
}

TEST_F(ConfigurationWindowTest, OkRoundTripsEverySetting)
{
    ASSERT_TRUE(settings::writeDefaultSettings());
    ui::showConfigurationWindow();
    ASSERT_TRUE(pf::isWindowVisible(ids::WindowConfiguration));
    settings::ConfigurationSettings chosen;
    chosen.assistantState = true;
    chosen.visibleWindow = false;
    chosen.activateSound = false;
    chosen.history = false;
    chosen.multitaskWindow = false;
    chosen.showTextButton = true;
    chosen.defaultArchiveFolder = path("zips") + "/";
    chosen.defaultArchiveExtractionFolder = path("extracted") + "/";
    chosen.zipType = true;
    chosen.integration = true;
    chosen.desktopShortcut = true;
    chosen.lastOpenPanel = 1;
    ui::fillConfigurationWindow(chosen);
    ui::confirmConfigurationWindow();
    EXPECT_FALSE(pf::isWindow(ids::WindowConfiguration));
    EXPECT_EQ(setting("General", "AssistantState"), "1");
    EXPECT_EQ(setting("General", "VisibleWindow"), "0");
    EXPECT_EQ(setting("General", "ShowTextButton"), "1");
    EXPECT_EQ(setting("Integration", "LastOpenPanel"), "1");

    ASSERT_TRUE(ui::buildConfigurationWindow());
    const auto shown = ui::readConfigurationWindow();
    EXPECT_EQ(shown.assistantState, true);
    EXPECT_EQ(shown.visibleWindow, false);
    EXPECT_EQ(shown.activateSound, false);
    EXPECT_EQ(shown.history, false);
    EXPECT_EQ(shown.multitaskWindow, false);
    EXPECT_EQ(shown.showTextButton, true);
    EXPECT_EQ(shown.defaultArchiveFolder, chosen.defaultArchiveFolder);
    EXPECT_EQ(shown.defaultArchiveExtractionFolder, chosen.defaultArchiveExtractionFolder);
    EXPECT_EQ(shown.zipType, true);
    EXPECT_EQ(shown.integration, true);
    EXPECT_EQ(shown.desktopShortcut, true);
    EXPECT_EQ(shown.lastOpenPanel, 1);
    EXPECT_EQ(pf::getGadgetState(ids::PanelConfig), 1);
}

TEST_F(ConfigurationWindowTest, OkWithoutAFileRecreatesItWithTheWindowsValues)
{
    buildMainWindow(path(""));
    ASSERT_TRUE(ui::buildConfigurationWindow());
    pf::setGadgetState(ids::ChkBoxActivateSound, 0);
    ui::confirmConfigurationWindow();
    const std::string file = readFile(settings::settingsPath());
    EXPECT_EQ(setting("General", "ActivateSound"), "0");
    EXPECT_EQ(setting("General", "History"), "1");
    EXPECT_EQ(setting("Compression", "DefaultArchiveFolder"), fs::current_path().string() + "/");
    EXPECT_EQ(setting("Window", "WindowWith"), "700") << file;
    EXPECT_NE(file.find("[View]"), std::string::npos);
}

TEST_F(ConfigurationWindowTest, CancelKeepsAnExistingFileAndRecreatesAMissingOne)
{
    ASSERT_TRUE(settings::writeDefaultSettings());
    ASSERT_TRUE(ui::buildConfigurationWindow());
    pf::setGadgetState(ids::ChkBoxActivAssist, 1);
    ui::cancelConfigurationWindow();
    EXPECT_FALSE(pf::isWindow(ids::WindowConfiguration));
    EXPECT_EQ(setting("General", "AssistantState"), "0");

    fs::remove(settings::settingsPath());
    ASSERT_TRUE(ui::buildConfigurationWindow());
    pf::setGadgetState(ids::ChkBoxActivAssist, 1);
    ui::cancelConfigurationWindow();
    EXPECT_EQ(setting("General", "AssistantState"), "1");
}

TEST_F(ConfigurationWindowTest, HistoryBoxTickedRewritesTheFileAndAnnounces)
{
    ASSERT_TRUE(ui::buildConfigurationWindow());
    pf::setGadgetState(ids::ChkBoxHistory, 0);
    ui::applyHistoryBox();
    EXPECT_FALSE(fs::exists(settings::settingsPath())) << "unticking writes nothing";
    pf::setGadgetState(ids::ChkBoxHistory, 1);
    pf::setGadgetState(ids::ChkBoxMultitask, 0);
    pf::expectMessage("Zarvon", "Vos modifications seront pris en charge au prochain démarrage",
                      pf::MessageIcon::Information);
    ui::applyHistoryBox();
    EXPECT_EQ(setting("General", "MultitaskWindow"), "0");
}

TEST_F(ConfigurationWindowTest, ShowTextButtonBoxAlwaysRewritesAndAnnouncesWhenTicked)
{
    ASSERT_TRUE(ui::buildConfigurationWindow());
    pf::setGadgetState(ids::ChkBoxViewBtTxt, 1);
    pf::expectMessage("Zarvon", "Vos modifications seront pris en charge au prochain démarrage",
                      pf::MessageIcon::Information);
    ui::applyShowTextButtonBox();
    EXPECT_EQ(setting("General", "ShowTextButton"), "1");
    pf::setGadgetState(ids::ChkBoxViewBtTxt, 0);
    ui::applyShowTextButtonBox();
    EXPECT_EQ(setting("General", "ShowTextButton"), "0");
}

TEST_F(ConfigurationWindowTest, VisibleWindowBoxKeepsTheMainWindowOnTop)
{
    buildMainWindow(path(""));
    ASSERT_TRUE(ui::buildConfigurationWindow());
    pf::setGadgetState(ids::ChkBoxVisibleWin, 1);
    ui::applyVisibleWindowBox();
    EXPECT_TRUE(pf::isWindowTopmost(ids::WindowMain));
    pf::setGadgetState(ids::ChkBoxVisibleWin, 0);
    ui::applyVisibleWindowBox();
    EXPECT_FALSE(pf::isWindowTopmost(ids::WindowMain));
    EXPECT_TRUE(pf::isWindowTopmost(ids::WindowConfiguration));
}

TEST_F(ConfigurationWindowTest, VisibleWindowBoxLeavesTheConfigurationWindowInFront)
{
    buildMainWindow(path(""));
    pf::showWindow(ids::WindowMain);
    ASSERT_TRUE(ui::buildConfigurationWindow());
    pf::activateWindow(ids::WindowConfiguration);
    for (int checkedState : {0, 1}) {
        pf::setGadgetState(ids::ChkBoxVisibleWin, checkedState);
        ui::applyVisibleWindowBox();
        pf::processSystemEvents(20);
        // The main window, shown again with its new flag, must not cover the
        // window the user is working in.
        EXPECT_TRUE(pf::isWindowVisible(ids::WindowConfiguration));
        EXPECT_EQ(pf::activeWindow(), ids::WindowConfiguration) << checkedState;
    }
}

TEST_F(ConfigurationWindowTest, BrowseButtonsFillTheirFieldsAndCancelKeepsThem)
{
    ASSERT_TRUE(ui::buildConfigurationWindow());
    pf::expectFolder(path("zips") + "/");
    ui::browseDefaultArchiveFolder();
    EXPECT_EQ(pf::getGadgetText(ids::StrDefaultArchiveFolder), path("zips") + "/");
    pf::expectFolder(path("x") + "/");
    ui::browseDefaultExtractFolder();
    EXPECT_EQ(pf::getGadgetText(ids::StrDefaultExtractFolder), path("x") + "/");
    pf::expectFolder("");
    ui::browseDefaultExtractFolder();
    EXPECT_EQ(pf::getGadgetText(ids::StrDefaultExtractFolder), path("x") + "/");
}

} // namespace
} // namespace zarvon::testing
