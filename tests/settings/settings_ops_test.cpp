#include "settings/settings_ops.h"

#include <cstdlib>

#include "settings_test_support.h"
#include "support/default_settings_lines.h"

namespace zarvon::settings {
namespace {

using testing::readFile;
using testing::writeFile;

class SettingsOperations : public testing::TemporaryFolderTest {
protected:
    std::string ini() const { return path("Zarvon.ini"); }

    // The file's lines without their CR LF ends.
    std::vector<std::string> lines() const
    {
        std::string bytes = readFile(ini());
        std::vector<std::string> result;
        size_t start = 0;
        for (size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2)
            result.push_back(bytes.substr(start, end - start));
        EXPECT_EQ(start, bytes.size()) << "last line without CR LF";
        return result;
    }
};

const std::vector<std::string> defaultLines = zarvon::testing::defaultSettingsLines();

TEST_F(SettingsOperations, DefaultFileLineByLine)
{
    ASSERT_TRUE(writeDefaultSettings(ini()));
    EXPECT_EQ(lines(), defaultLines);
    std::string banner = SettingsBanner;
    EXPECT_NE(banner.find("Zarvon"), std::string::npos);
}

TEST_F(SettingsOperations, DefaultFileReplacesEverything)
{
    writeFile(ini(), "[Recent files]\r\nCount files = 1\r\nRecent files1 = /a.zip\r\n; mine\r\n");
    ASSERT_TRUE(writeDefaultSettings(ini()));
    EXPECT_EQ(lines(), defaultLines);
}

TEST_F(SettingsOperations, DefaultFileCannotBeWrittenInAMissingFolder)
{
    EXPECT_FALSE(writeDefaultSettings(path("missing/Zarvon.ini")));
}

TEST_F(SettingsOperations, FirstQuitWritesDefaultsThenWindowState)
{
    ASSERT_FALSE(settingsFileOpens(ini()));
    ASSERT_TRUE(writeDefaultSettings(ini()));
    WindowState state;
    state.height = 520;
    state.width = 700;
    state.x = 100;
    state.y = -20;
    state.toolBar = state.statusBar = state.english = state.bootScreen = state.defaultView = true;
    ASSERT_TRUE(saveWindowState(state, ini()));

    std::vector<std::string> expected = defaultLines;
    for (const char *line :
         {"[Window]", "WindowHeight = 520", "WindowWith = 700", "WindowXposition = 100", "WindowYPosition = -20",
          "[View]", "ToolBar = 1", "StatusBar = 1", "FrenchLanguage = 0", "EnglishLanguage = 1", "DefaultView = 1",
          "BigIconView = 0", "SmallIconView = 0", "ListView = 0", "[Options]", "InitBootPage = 1"})
        expected.push_back(line);
    EXPECT_EQ(lines(), expected);
}

TEST_F(SettingsOperations, WindowStateReplacesValuesInPlace)
{
    writeFile(ini(), "[view]\r\ntoolbar = 1\r\n; keep\r\n[Window]\r\nWindowHeight = 1\r\n[Mine]\r\nx = y\r\n");
    WindowState state;
    state.height = 400;
    ASSERT_TRUE(saveWindowState(state, ini()));
    std::vector<std::string> got = lines();
    ASSERT_GE(got.size(), 7u);
    EXPECT_EQ(got[0], "[view]");
    EXPECT_EQ(got[1], "ToolBar = 0");
    EXPECT_EQ(got[2], "; keep");
    EXPECT_EQ(got[3], "StatusBar = 0");
    EXPECT_EQ(readSettingText("Window", "WindowHeight", "", ini()), "400");
    EXPECT_EQ(readSettingText("Mine", "x", "", ini()), "y");
    EXPECT_EQ(readSettingText("Options", "InitBootPage", "", ini()), "0");
}

TEST_F(SettingsOperations, WindowStateNeedsAnExistingFile)
{
    EXPECT_FALSE(saveWindowState(WindowState{}, ini()));
    EXPECT_FALSE(std::filesystem::exists(ini()));
}

TEST_F(SettingsOperations, EmptySelectAllBlocksTheWindowState)
{
    writeFile(ini(), "SelectAll =\r\n[Window]\r\nWindowHeight = 1\r\n");
    WindowState state;
    state.height = 999;
    EXPECT_FALSE(saveWindowState(state, ini()));
    EXPECT_EQ(readFile(ini()), "SelectAll =\r\n[Window]\r\nWindowHeight = 1\r\n");
}

class WindowGeometryReading : public SettingsOperations {
protected:
    std::optional<WindowGeometry> geometryOf(const std::string &bytes)
    {
        writeFile(ini(), bytes);
        SettingsFile file;
        EXPECT_TRUE(file.open(ini()));
        std::optional<WindowGeometry> geometry = readWindowGeometry(file);
        EXPECT_TRUE(file.isOpen()) << "the caller's file stays open";
        return geometry;
    }
};

TEST_F(WindowGeometryReading, SavedValuesAreGiven)
{
    auto geometry = geometryOf("[Window]\r\nWindowHeight = 480\r\nWindowWith = 640\r\n"
                               "WindowXposition = -8\r\nWindowYPosition = 30\r\n");
    ASSERT_TRUE(geometry);
    EXPECT_EQ(geometry->height, 480);
    EXPECT_EQ(geometry->width, 640);
    EXPECT_EQ(geometry->x, -8);
    EXPECT_EQ(geometry->y, 30);
}

TEST_F(WindowGeometryReading, MissingGroupGivesNothing) { EXPECT_FALSE(geometryOf("[View]\r\nToolBar = 1\r\n")); }

TEST_F(WindowGeometryReading, AbsentOldKeysDoNotBlockButAnEmptyOneDoes)
{
    EXPECT_TRUE(geometryOf("[Window]\r\nLargeurFenetre = 3\r\n"));
    for (const char *key : {"HauteurFenetre", "LargeurFenetre", "EspaceGaucheFenetre", "EspacedroitFenetre"})
        EXPECT_FALSE(geometryOf(std::string("[Window]\r\nWindowHeight = 480\r\n") + key + " =\r\n")) << key;
}

TEST_F(WindowGeometryReading, ByPathNeedsTheFile)
{
    EXPECT_FALSE(readWindowGeometry(ini()));
    writeFile(ini(), "[window]\r\nwindowwith = 640\r\n");
    auto geometry = readWindowGeometry(ini());
    ASSERT_TRUE(geometry);
    EXPECT_EQ(geometry->width, 640);
}

TEST_F(WindowGeometryReading, ValuesThatAreNotNumbersGiveZero)
{
    auto geometry = geometryOf("[Window]\r\nWindowHeight = tall\r\nWindowWith = 12px\r\n");
    ASSERT_TRUE(geometry);
    EXPECT_EQ(geometry->height, 0);
    EXPECT_EQ(geometry->width, 12);
    EXPECT_EQ(geometry->x, 0);
}

TEST_F(SettingsOperations, ViewMenuStateFollowsTheKeys)
{
    EXPECT_FALSE(applyViewMenuState(ini()));
    writeFile(ini(), "[General]\r\n");
    EXPECT_FALSE(applyViewMenuState(ini()));
    writeFile(ini(), "[View]\r\nToolBar = 1\r\nStatusBar = 0\r\nEnglishLanguage = 2\r\nListView = x\r\n"
                     "[Options]\r\nInitBootPage = 1\r\n");
    auto state = applyViewMenuState(ini());
    ASSERT_TRUE(state);
    EXPECT_TRUE(state->toolBar);
    EXPECT_FALSE(state->statusBar);
    EXPECT_FALSE(state->french);
    EXPECT_TRUE(state->english);
    EXPECT_FALSE(state->list);
    EXPECT_TRUE(state->bootScreen);
}

TEST_F(SettingsOperations, ListViewTypeTakesTheFirstExactOne)
{
    EXPECT_EQ(applyListViewType(ini()), ListViewType::Unchanged);
    writeFile(ini(), "[View]\r\nDefaultView = 2\r\nBigIconView = 0\r\nSmallIconView = 1\r\nListView = 1\r\n");
    EXPECT_EQ(applyListViewType(ini()), ListViewType::SmallIcons);
    writeFile(ini(), "[View]\r\nListView = 1 \r\n");
    EXPECT_EQ(applyListViewType(ini()), ListViewType::List);
    writeFile(ini(), "[View]\r\nDefaultView = 1\r\nBigIconView = 1\r\n");
    EXPECT_EQ(applyListViewType(ini()), ListViewType::Details);
    writeFile(ini(), "[View]\r\nDefaultView = 0\r\n");
    EXPECT_EQ(applyListViewType(ini()), ListViewType::Unchanged);
}

TEST_F(SettingsOperations, ConfigurationRoundTrip)
{
    ASSERT_TRUE(writeDefaultSettings(ini()));
    ConfigurationSettings values;
    values.assistantState = true;
    values.history = false;
    values.showTextButton = true;
    values.defaultArchiveFolder = "/home/élise/archives/";
    values.defaultArchiveExtractionFolder = "/srv/out/";
    values.desktopShortcut = true;
    values.lastOpenPanel = 1;
    ASSERT_TRUE(saveConfigurationSettings(values, ini()));
    EXPECT_EQ(readSettingText("General", "AssistantState", "", ini()), "1");
    EXPECT_EQ(readSettingText("General", "History", "", ini()), "0");
    EXPECT_EQ(readSettingText("Integration", "LastOpenPanel", "", ini()), "1");

    auto loaded = loadConfigurationSettings(ini());
    ASSERT_TRUE(loaded);
    EXPECT_TRUE(loaded->assistantState);
    EXPECT_FALSE(loaded->visibleWindow);
    EXPECT_TRUE(loaded->showTextButton);
    EXPECT_EQ(loaded->defaultArchiveFolder, "/home/élise/archives/");
    EXPECT_EQ(loaded->defaultArchiveExtractionFolder, "/srv/out/");
    EXPECT_FALSE(loaded->zipType);
    EXPECT_TRUE(loaded->desktopShortcut);
    EXPECT_EQ(loaded->lastOpenPanel, 1);
}

TEST_F(SettingsOperations, ConfigurationNeedsTheGeneralGroup)
{
    EXPECT_FALSE(loadConfigurationSettings(ini()));
    EXPECT_FALSE(saveConfigurationSettings(ConfigurationSettings{}, ini()));
    writeFile(ini(), "[View]\r\nToolBar = 1\r\n");
    EXPECT_FALSE(loadConfigurationSettings(ini()));
    EXPECT_FALSE(saveConfigurationSettings(ConfigurationSettings{}, ini()));
    EXPECT_EQ(readFile(ini()), "[View]\r\nToolBar = 1\r\n");
}

TEST_F(SettingsOperations, ConfigurationFlagsAreNonZeroNumbers)
{
    writeFile(ini(), "[General]\r\nHistory = 2\r\nActivateSound = yes\r\n");
    auto loaded = loadConfigurationSettings(ini());
    ASSERT_TRUE(loaded);
    EXPECT_TRUE(loaded->history);
    EXPECT_FALSE(loaded->activateSound);
    EXPECT_EQ(loaded->lastOpenPanel, 0);
}

TEST_F(SettingsOperations, EmptyFoldersAreShownAsHomeAndTemporaryFolders)
{
    ::setenv("HOME", "/home/someone", 1);
    ::setenv("TMPDIR", "/var/tmp", 1);
    ASSERT_TRUE(writeDefaultSettings(ini()));
    auto loaded = loadConfigurationSettings(ini());
    ::unsetenv("TMPDIR");
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->defaultArchiveFolder, "/home/someone/");
    EXPECT_EQ(loaded->defaultArchiveExtractionFolder, "/var/tmp/");
}

TEST_F(SettingsOperations, RecreationSequenceLosesHistoryButWritesAFullFile)
{
    writeFile(ini(), "[General]\r\nHistory = 1\r\n[Recent files]\r\nCount files = 1\r\n");
    std::filesystem::remove(ini());
    ASSERT_FALSE(settingsFileOpens(ini()));
    ConfigurationSettings values;
    values.history = true;
    values.multitaskWindow = true;
    ASSERT_TRUE(writeDefaultSettings(ini()));
    ASSERT_TRUE(saveConfigurationSettings(values, ini()));
    ASSERT_TRUE(saveWindowState(WindowState{}, ini()));
    EXPECT_EQ(readSettingText("General", "VisibleWindow", "", ini()), "0");
    EXPECT_EQ(readSettingText("Integration", "LastOpenPanel", "", ini()), "0");
    EXPECT_EQ(readSettingText("Options", "InitBootPage", "", ini()), "0");
    EXPECT_FALSE(readSettingText("Recent files", "Count files", "", ini()));
}

TEST_F(SettingsOperations, ReadSettingTextTellsMissingFileAndGroupApart)
{
    EXPECT_FALSE(readSettingText("General", "AssistantState", "0", ini()));
    writeFile(ini(), "[General]\r\nShowTextButton = 1\r\n");
    EXPECT_FALSE(readSettingText("View", "ToolBar", "0", ini()));
    EXPECT_EQ(readSettingText("General", "AssistantState", "0", ini()), "0");
    EXPECT_EQ(readSettingText("general", "showtextbutton", "0", ini()), "1");
}

} // namespace
} // namespace zarvon::settings
