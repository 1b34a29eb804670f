#include "settings/settings_ops.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string_view>

#include "base/paths.h"
#include "base/product.h"

namespace zarvon::settings {

namespace {

// The banner is put together at compile time, so that it is ready before any
// other file's start-up code reads it.
constexpr std::string_view kBannerTail = " configuration file - made by the Zarvon Project";
constexpr auto kBannerText = [] {
    constexpr std::string_view title = base::kProductTitle;
    std::array<char, title.size() + kBannerTail.size() + 1> text{};
    std::copy(title.begin(), title.end(), text.begin());
    std::copy(kBannerTail.begin(), kBannerTail.end(), text.begin() + title.size());
    return text;
}();

} // namespace

constinit const char *const SettingsBanner = kBannerText.data();

namespace {

const char *flag(bool value) { return value ? "1" : "0"; }

std::string temporaryFolder()
{
    const char *tmp = std::getenv("TMPDIR");
    return base::withTrailingSlash(tmp && *tmp ? tmp : "/tmp");
}

} // namespace

bool settingsFileOpens(const std::string &path)
{
    SettingsFile file;
    return file.open(path);
}

std::optional<std::string> readSettingText(const std::string &group, const std::string &key,
                                           const std::string &defaultText, const std::string &path)
{
    SettingsFile file;
    if (!file.open(path) || !file.selectGroup(group))
        return std::nullopt;
    return file.readText(key, defaultText);
}

bool writeDefaultSettings(const std::string &path)
{
    SettingsFile file;
    if (!file.create(path))
        return false;
    file.writeComment(SettingsBanner);
    file.writeComment("Default Parameters");
    file.selectGroup("General");
    file.writeText("AssistantState", "0");
    file.writeText("VisibleWindow", "1");
    file.writeText("ActivateSound", "1");
    file.writeText("History", "1");
    file.writeText("MultitaskWindow", "1");
    file.writeText("ShowTextButton", "0");
    file.writeComment("");
    file.writeComment("Compression parameters");
    file.selectGroup("Compression");
    file.writeText("DefaultArchiveFolder", "");
    file.writeText("DefaultArchiveExtractionFolder", "");
    file.writeComment("");
    file.writeComment("Integration Parameters");
    file.selectGroup("Integration");
    file.writeText("ZipType", "0");
    file.writeText("IntegrationEnvironnement", "0");
    file.writeText("DesktopShortcut", "0");
    file.writeComment("");
    file.writeComment("WindowView");
    return file.close();
}

std::optional<WindowGeometry> readWindowGeometry(SettingsFile &file)
{
    if (!file.selectGroup("Window"))
        return std::nullopt;
    // Keys of an older layout: present but empty, they mean the saved
    // geometry is not to be trusted.
    for (const char *key : {"HauteurFenetre", "LargeurFenetre", "EspaceGaucheFenetre", "EspacedroitFenetre"})
        if (file.readText(key, "0").empty())
            return std::nullopt;
    WindowGeometry geometry;
    geometry.height = file.readInteger("WindowHeight", 0);
    geometry.width = file.readInteger("WindowWith", 0);
    geometry.x = file.readInteger("WindowXposition", 0);
    geometry.y = file.readInteger("WindowYPosition", 0);
    return geometry;
}

std::optional<WindowGeometry> readWindowGeometry(const std::string &path)
{
    SettingsFile file;
    if (!file.open(path))
        return std::nullopt;
    return readWindowGeometry(file);
}

bool saveWindowState(const WindowState &state, const std::string &path)
{
    SettingsFile file;
    if (!file.open(path))
        return false;
    file.selectGroup("");
    if (file.readText("SelectAll", "0").empty())
        return false;
    file.selectGroup("Window");
    file.writeInteger("WindowHeight", state.height);
    file.writeInteger("WindowWith", state.width);
    file.writeInteger("WindowXposition", state.x);
    file.writeInteger("WindowYPosition", state.y);
    file.selectGroup("View");
    file.writeText("ToolBar", flag(state.toolBar));
    file.writeText("StatusBar", flag(state.statusBar));
    file.writeText("FrenchLanguage", flag(state.french));
    file.writeText("EnglishLanguage", flag(state.english));
    file.writeText("DefaultView", flag(state.defaultView));
    file.writeText("BigIconView", flag(state.largeIcon));
    file.writeText("SmallIconView", flag(state.smallIcon));
    file.writeText("ListView", flag(state.list));
    file.selectGroup("Options");
    file.writeText("InitBootPage", flag(state.bootScreen));
    return file.close();
}

std::optional<ViewMenuState> applyViewMenuState(const std::string &path)
{
    SettingsFile file;
    if (!file.open(path) || !file.selectGroup("View"))
        return std::nullopt;
    ViewMenuState state;
    state.toolBar = file.readInteger("ToolBar", 0) != 0;
    state.statusBar = file.readInteger("StatusBar", 0) != 0;
    state.french = file.readInteger("FrenchLanguage", 0) != 0;
    state.english = file.readInteger("EnglishLanguage", 0) != 0;
    state.defaultView = file.readInteger("DefaultView", 0) != 0;
    state.largeIcon = file.readInteger("BigIconView", 0) != 0;
    state.smallIcon = file.readInteger("SmallIconView", 0) != 0;
    state.list = file.readInteger("ListView", 0) != 0;
    file.selectGroup("Options");
    state.bootScreen = file.readInteger("InitBootPage", 0) != 0;
    return state;
}

ListViewType applyListViewType(const std::string &path)
{
    SettingsFile file;
    if (!file.open(path) || !file.selectGroup("View"))
        return ListViewType::Unchanged;
    if (file.readText("DefaultView", "0") == "1")
        return ListViewType::Details;
    if (file.readText("BigIconView", "0") == "1")
        return ListViewType::LargeIcons;
    if (file.readText("SmallIconView", "0") == "1")
        return ListViewType::SmallIcons;
    if (file.readText("ListView", "0") == "1")
        return ListViewType::List;
    return ListViewType::Unchanged;
}

std::optional<ConfigurationSettings> loadConfigurationSettings(const std::string &path)
{
    SettingsFile file;
    if (!file.open(path) || !file.selectGroup("General"))
        return std::nullopt;
    ConfigurationSettings values;
    values.assistantState = file.readInteger("AssistantState", 0) != 0;
    values.visibleWindow = file.readInteger("VisibleWindow", 0) != 0;
    values.activateSound = file.readInteger("ActivateSound", 0) != 0;
    values.history = file.readInteger("History", 0) != 0;
    values.multitaskWindow = file.readInteger("MultitaskWindow", 0) != 0;
    values.showTextButton = file.readInteger("ShowTextButton", 0) != 0;
    file.selectGroup("Compression");
    values.defaultArchiveFolder = file.readText("DefaultArchiveFolder", "");
    values.defaultArchiveExtractionFolder = file.readText("DefaultArchiveExtractionFolder", "");
    if (values.defaultArchiveFolder.empty())
        values.defaultArchiveFolder = base::homeFolder();
    if (values.defaultArchiveExtractionFolder.empty())
        values.defaultArchiveExtractionFolder = temporaryFolder();
    file.selectGroup("Integration");
    values.zipType = file.readInteger("ZipType", 0) != 0;
    values.integration = file.readInteger("IntegrationEnvironnement", 0) != 0;
    values.desktopShortcut = file.readInteger("DesktopShortcut", 0) != 0;
    values.lastOpenPanel = file.readInteger("LastOpenPanel", 0);
    return values;
}

bool saveConfigurationSettings(const ConfigurationSettings &values, const std::string &path)
{
    SettingsFile file;
    if (!file.open(path) || !file.selectGroup("General"))
        return false;
    file.writeText("AssistantState", flag(values.assistantState));
    file.writeText("VisibleWindow", flag(values.visibleWindow));
    file.writeText("ActivateSound", flag(values.activateSound));
    file.writeText("History", flag(values.history));
    file.writeText("MultitaskWindow", flag(values.multitaskWindow));
    file.writeText("ShowTextButton", flag(values.showTextButton));
    file.selectGroup("Compression");
    file.writeText("DefaultArchiveFolder", values.defaultArchiveFolder);
    file.writeText("DefaultArchiveExtractionFolder", values.defaultArchiveExtractionFolder);
    file.selectGroup("Integration");
    file.writeText("ZipType", flag(values.zipType));
    file.writeText("IntegrationEnvironnement", flag(values.integration));
    file.writeText("DesktopShortcut", flag(values.desktopShortcut));
    file.writeInteger("LastOpenPanel", values.lastOpenPanel);
    return file.close();
}

} // namespace zarvon::settings
