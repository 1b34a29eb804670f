#include "settings/setting_keys.h"

#include <cstdlib>

namespace zarvon::settings {

std::string recentFileKey(int n) { return std::string(kRecentFile.key) + std::to_string(n); }

std::optional<std::string> readSetting(const SettingKey &key, const std::string &path)
{
    SettingsFile file;
    if (!file.open(path) || !file.selectGroup(key.group))
        return std::nullopt;
    return file.readText(key.key, key.defaultText);
}

std::string settingText(const SettingKey &key, const std::string &path)
{
    return readSetting(key, path).value_or(key.defaultText);
}

bool settingIs(const SettingKey &key, const char *value, const std::string &path)
{
    auto text = readSetting(key, path);
    return text && *text == value;
}

bool settingFlag(const SettingKey &key, const std::string &path)
{
    SettingsFile file;
    if (!file.open(path) || !file.selectGroup(key.group))
        return false;
    return readKeyInteger(file, key) != 0;
}

std::string readKeyText(SettingsFile &file, const SettingKey &key)
{
    file.selectGroup(key.group);
    return file.readText(key.key, key.defaultText);
}

int32_t readKeyInteger(SettingsFile &file, const SettingKey &key)
{
    file.selectGroup(key.group);
    return file.readInteger(key.key, static_cast<int32_t>(std::strtol(key.defaultText, nullptr, 10)));
}

void writeKeyText(SettingsFile &file, const SettingKey &key, const std::string &value)
{
    file.selectGroup(key.group);
    file.writeText(key.key, value);
}

void writeKeyInteger(SettingsFile &file, const SettingKey &key, int32_t value)
{
    file.selectGroup(key.group);
    file.writeInteger(key.key, value);
}

} // namespace zarvon::settings
