#include "settings/settings_ops.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string_view>

#include "base/paths.h"
#include "base/product.h"
#include "settings/setting_keys.h"

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
    auto initial = [&file](const SettingKey &key) { writeKeyText(file, key, key.initialText); };
    file.writeComment(SettingsBanner);
    file.writeComment("Default Parameters");
    for (const SettingKey *key :
         {&kAssistantState, &kVisibleWindow, &kActivateSound, &kHistory, &kMultitaskWindow, &kShowTextButton})
        initial(*key);
    file.writeComment("");
    file.writeComment("Compression parameters");
    initial(kDefaultArchiveFolder);
    initial(kDefaultArchiveExtractionFolder);
    file.writeComment("");
    file.writeComment("Integration Parameters");
    initial(kZipType);
    initial(kIntegrationEnvironment);
    initial(kDesktopShortcut);
    file.writeComment("");
    file.writeComment("WindowView");
    return file.close();
}

std::optional<WindowGeometry> readWindowGeometry(SettingsFile &file)
{
    if (!file.selectGroup(kWindowHeight.group))
        return std::nullopt;
    // Keys of an older layout: present but empty, they mean the saved
    // geometry is not to be trusted.
    for (const SettingKey *key : {&kOldWindowHeight, &kOldWindowWidth, &kOldWindowLeft, &kOldWindowRight})
        if (readKeyText(file, *key).empty())
            return std::nullopt;
    WindowGeometry geometry;
    geometry.height = readKeyInteger(file, kWindowHeight);
    geometry.width = readKeyInteger(file, kWindowWidth);
    geometry.x = readKeyInteger(file, kWindowX);
    geometry.y = readKeyInteger(file, kWindowY);
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
    if (readKeyText(file, kSelectAll).empty())
        return false;
    writeKeyInteger(file, kWindowHeight, state.height);
    writeKeyInteger(file, kWindowWidth, state.width);
    writeKeyInteger(file, kWindowX, state.x);
    writeKeyInteger(file, kWindowY, state.y);
    writeKeyText(file, kToolBar, flag(state.toolBar));
    writeKeyText(file, kStatusBar, flag(state.statusBar));
    writeKeyText(file, kFrenchLanguage, flag(state.french));
    writeKeyText(file, kEnglishLanguage, flag(state.english));
    writeKeyText(file, kDefaultView, flag(state.defaultView));
    writeKeyText(file, kBigIconView, flag(state.largeIcon));
    writeKeyText(file, kSmallIconView, flag(state.smallIcon));
    writeKeyText(file, kListView, flag(state.list));
    writeKeyText(file, kInitBootPage, flag(state.bootScreen));
    return file.close();
}

std::optional<ViewMenuState> applyViewMenuState(const std::string &path)
{
    SettingsFile file;
    if (!file.open(path) || !file.selectGroup(kToolBar.group))
        return std::nullopt;
    auto checked = [&file](const SettingKey &key) { return readKeyInteger(file, key) != 0; };
    ViewMenuState state;
    state.toolBar = checked(kToolBar);
    state.statusBar = checked(kStatusBar);
    state.french = checked(kFrenchLanguage);
    state.english = checked(kEnglishLanguage);
    state.defaultView = checked(kDefaultView);
    state.largeIcon = checked(kBigIconView);
    state.smallIcon = checked(kSmallIconView);
    state.list = checked(kListView);
    state.bootScreen = checked(kInitBootPage);
    return state;
}

ListViewType applyListViewType(const std::string &path)
{
    SettingsFile file;
    if (!file.open(path) || !file.selectGroup(kDefaultView.group))
        return ListViewType::Unchanged;
    if (readKeyText(file, kDefaultView) == "1")
        return ListViewType::Details;
    if (readKeyText(file, kBigIconView) == "1")
        return ListViewType::LargeIcons;
    if (readKeyText(file, kSmallIconView) == "1")
        return ListViewType::SmallIcons;
    if (readKeyText(file, kListView) == "1")
        return ListViewType::List;
    return ListViewType::Unchanged;
}

std::optional<ConfigurationSettings> loadConfigurationSettings(const std::string &path)
{
    SettingsFile file;
    if (!file.open(path) || !file.selectGroup(kAssistantState.group))
        return std::nullopt;
    auto checked = [&file](const SettingKey &key) { return readKeyInteger(file, key) != 0; };
    ConfigurationSettings values;
    values.assistantState = checked(kAssistantState);
    values.visibleWindow = checked(kVisibleWindow);
    values.activateSound = checked(kActivateSound);
    values.history = checked(kHistory);
    values.multitaskWindow = checked(kMultitaskWindow);
    values.showTextButton = checked(kShowTextButton);
    values.defaultArchiveFolder = readKeyText(file, kDefaultArchiveFolder);
    values.defaultArchiveExtractionFolder = readKeyText(file, kDefaultArchiveExtractionFolder);
    if (values.defaultArchiveFolder.empty())
        values.defaultArchiveFolder = base::homeFolder();
    if (values.defaultArchiveExtractionFolder.empty())
        values.defaultArchiveExtractionFolder = temporaryFolder();
    values.zipType = checked(kZipType);
    values.integration = checked(kIntegrationEnvironment);
    values.desktopShortcut = checked(kDesktopShortcut);
    values.lastOpenPanel = readKeyInteger(file, kLastOpenPanel);
    return values;
}

bool saveConfigurationSettings(const ConfigurationSettings &values, const std::string &path)
{
    SettingsFile file;
    if (!file.open(path) || !file.selectGroup(kAssistantState.group))
        return false;
    writeKeyText(file, kAssistantState, flag(values.assistantState));
    writeKeyText(file, kVisibleWindow, flag(values.visibleWindow));
    writeKeyText(file, kActivateSound, flag(values.activateSound));
    writeKeyText(file, kHistory, flag(values.history));
    writeKeyText(file, kMultitaskWindow, flag(values.multitaskWindow));
    writeKeyText(file, kShowTextButton, flag(values.showTextButton));
    writeKeyText(file, kDefaultArchiveFolder, values.defaultArchiveFolder);
    writeKeyText(file, kDefaultArchiveExtractionFolder, values.defaultArchiveExtractionFolder);
    writeKeyText(file, kZipType, flag(values.zipType));
    writeKeyText(file, kIntegrationEnvironment, flag(values.integration));
    writeKeyText(file, kDesktopShortcut, flag(values.desktopShortcut));
    writeKeyInteger(file, kLastOpenPanel, values.lastOpenPanel);
    return file.close();
}

} // namespace zarvon::settings
