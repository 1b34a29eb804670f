#include "settings/setting_keys.h"

#include <map>
#include <set>
#include <utility>

#include "base/case_fold.h"
#include "settings/recent_archives.h"
#include "settings/settings_ops.h"
#include "settings_test_support.h"

namespace zarvon::settings {
namespace {

using testing::writeFile;

// A key as the file spells it: folded group and key name.
using FileKey = std::pair<std::string, std::string>;

FileKey fileKey(const std::string &group, const std::string &key)
{
    return {base::foldLatin1Case(group), base::foldLatin1Case(key)};
}

// group/key -> value of every key line of the file at path.
std::map<FileKey, std::string> keyLines(const std::string &path)
{
    std::string bytes = testing::readFile(path);
    std::map<FileKey, std::string> keys;
    std::string group;
    size_t start = 0;
    for (size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2) {
        std::string line = bytes.substr(start, end - start);
        if (line.empty() || line[0] == ';')
            continue;
        if (line[0] == '[') {
            group = line.substr(1, line.find(']') - 1);
            continue;
        }
        size_t equals = line.find(" = ");
        keys[fileKey(group, line.substr(0, equals))] = equals == std::string::npos ? "" : line.substr(equals + 3);
    }
    return keys;
}

bool declared(const FileKey &key)
{
    for (const SettingKey *k : kAllSettingKeys)
        if (fileKey(k->group, k->key) == key)
            return true;
    // The numbered recent archives: "Recent files1", "Recent files2", ...
    const std::string prefix = base::foldLatin1Case(kRecentFile.key);
    return key.first == base::foldLatin1Case(kRecentFile.group) && key.second.size() > prefix.size() &&
           key.second.compare(0, prefix.size(), prefix) == 0 &&
           key.second.find_first_not_of("0123456789", prefix.size()) == std::string::npos;
}

class SettingKeys : public testing::TemporaryFolderTest {
protected:
    std::string ini() const { return path("Zarvon.ini"); }
};

TEST_F(SettingKeys, DefaultFileHoldsExactlyTheKeysWithAnInitialValue)
{
    ASSERT_TRUE(writeDefaultSettings(ini()));
    std::map<FileKey, std::string> written = keyLines(ini());
    std::map<FileKey, std::string> expected;
    for (const SettingKey *k : kAllSettingKeys)
        if (k->initialText)
            expected[fileKey(k->group, k->key)] = k->initialText;
    EXPECT_EQ(written, expected);
    EXPECT_FALSE(expected.empty());
}

TEST_F(SettingKeys, EveryKeyTheProgramWritesIsDeclared)
{
    ASSERT_TRUE(writeDefaultSettings(ini()));
    WindowState state;
    state.toolBar = state.list = true;
    ASSERT_TRUE(saveWindowState(state, ini()));
    ConfigurationSettings values;
    values.defaultArchiveFolder = "/home/ana/";
    values.lastOpenPanel = 2;
    ASSERT_TRUE(saveConfigurationSettings(values, ini()));
    clearRecentArchives();
    addRecentArchive("/home/ana/a.zip");
    addRecentArchive("/home/ana/b.zip");
    ASSERT_TRUE(saveRecentArchives("/home/ana/", ini()));
    clearRecentArchives();

    std::map<FileKey, std::string> written = keyLines(ini());
    EXPECT_GE(written.size(), 29u) << "one of the saves wrote nothing";
    for (const auto &[key, value] : written)
        EXPECT_TRUE(declared(key)) << "[" << key.first << "] " << key.second;
}

TEST(SettingKeyTable, NamesEachKeyOnce)
{
    // The file compares names without regard to case, so two entries that
    // differ only in case would be one key.
    std::set<FileKey> seen;
    for (const SettingKey *k : kAllSettingKeys) {
        EXPECT_TRUE(seen.insert(fileKey(k->group, k->key)).second) << k->group << "/" << k->key;
        EXPECT_NE(k->defaultText, nullptr) << k->key;
    }
    EXPECT_EQ(recentFileKey(3), "Recent files3");
}

TEST_F(SettingKeys, ReadingWithoutFileOrGroup)
{
    EXPECT_FALSE(readSetting(kActivateSound, ini()).has_value());
    EXPECT_FALSE(settingIs(kActivateSound, "0", ini())) << "no file is not a \"0\"";
    EXPECT_FALSE(settingFlag(kActivateSound, ini()));
    EXPECT_EQ(settingText(kLastDisk, ini()), "");

    writeFile(ini(), "[View]\r\nToolBar = 1\r\n");
    EXPECT_FALSE(settingIs(kActivateSound, "0", ini())) << "no group General";
    // An absent key in an existing group reads as its default.
    EXPECT_TRUE(settingIs(kStatusBar, "0", ini()));
    EXPECT_TRUE(settingIs(kViewAssistantState, "0", ini()));
    EXPECT_EQ(readSetting(kStatusBar, ini()), std::optional<std::string>("0"));
}

TEST_F(SettingKeys, ExactTextAgainstLeadingInteger)
{
    writeFile(ini(), "[general]\r\nactivatesound =   1  \r\nHistory = 01\r\nMultitaskWindow = 7abc\r\n"
                     "ShowTextButton = \r\n[Disk]\r\nLastDisk = /home/ana/Docs/\r\n");
    // Names compare without regard to case; blanks around the value go.
    EXPECT_TRUE(settingIs(kActivateSound, "1", ini()));
    EXPECT_TRUE(settingFlag(kActivateSound, ini()));
    EXPECT_FALSE(settingIs(kHistory, "1", ini())) << "\"01\" is not exactly \"1\"";
    EXPECT_TRUE(settingFlag(kHistory, ini()));
    EXPECT_TRUE(settingFlag(kMultitaskWindow, ini()));
    // Present but empty is not the default.
    EXPECT_FALSE(settingIs(kShowTextButton, "0", ini()));
    EXPECT_TRUE(settingIs(kShowTextButton, "", ini()));
    EXPECT_FALSE(settingFlag(kShowTextButton, ini()));
    EXPECT_EQ(settingText(kLastDisk, ini()), "/home/ana/Docs/");
}

TEST_F(SettingKeys, KeysWrittenOnAnOpenFileGoToTheirGroup)
{
    ASSERT_TRUE(writeDefaultSettings(ini()));
    {
        SettingsFile file;
        ASSERT_TRUE(file.open(ini()));
        file.selectGroup("Window");
        writeKeyText(file, kToolBar, "1"); // View, although Window was selected
        writeKeyInteger(file, kLastOpenPanel, 3);
        EXPECT_EQ(readKeyText(file, kHistory), "1");
        EXPECT_EQ(readKeyInteger(file, kWindowHeight), 0) << "absent, in a group that does not exist";
        ASSERT_TRUE(file.close());
    }
    EXPECT_TRUE(settingIs(kToolBar, "1", ini()));
    EXPECT_EQ(settingText(kLastOpenPanel, ini()), "3");
    EXPECT_FALSE(readSetting(kWindowHeight, ini()).has_value()) << "a read creates no group";
}

} // namespace
} // namespace zarvon::settings
