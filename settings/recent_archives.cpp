#include "settings/recent_archives.h"

#include <algorithm>

#include "base/paths.h"
#include "settings/setting_keys.h"
#include "settings/settings_file.h"
#include "settings/settings_ops.h"
#include "settings/settings_state.h"

namespace zarvon::settings {
namespace {

std::vector<std::string> &list() { return settingsState().recentArchives; }

} // namespace

const std::vector<std::string> &recentArchives() { return list(); }

bool addRecentArchive(const std::string &path)
{
    auto &archives = list();
    if (path.empty() || (!archives.empty() && archives.front() == path))
        return false;
    std::erase(archives, path);
    archives.insert(archives.begin(), path);
    if (archives.size() > kMaxRecentArchives)
        archives.resize(kMaxRecentArchives);
    return true;
}

void loadRecentArchives(const std::string &path)
{
    SettingsFile file;
    if (!file.open(path))
        return;
    if (!file.selectGroup(kRecentCount.group)) {
        file.close();
        return;
    }
    const int32_t count = readKeyInteger(file, kRecentCount);
    if (count > 0) {
        auto &archives = list();
        archives.clear();
        const int32_t taken = std::min<int32_t>(count, int32_t(kMaxRecentArchives));
        for (int32_t n = 1; n <= taken; ++n)
            archives.push_back(file.readText(recentFileKey(n), kRecentFile.defaultText));
    }
    file.close();
}

bool saveRecentArchives(const std::string &lastDisk, const std::string &path)
{
    SettingsFile file;
    // Without a file the defaults are written first; the list still goes in,
    // or the archives of a first session would be forgotten.
    if (!file.open(path) && (!writeDefaultSettings(path) || !file.open(path)))
        return false;
    const auto &archives = list();
    writeKeyInteger(file, kRecentCount, int32_t(archives.size()));
    for (std::size_t n = 1; n <= archives.size(); ++n)
        file.writeText(recentFileKey(int(n)), archives[n - 1]);
    writeKeyText(file, kLastDisk, lastDisk);
    return file.close();
}

void clearRecentArchives() { list().clear(); }

std::string recentArchiveFileName(const std::string &path) { return base::lastPathComponent(path, "/\\"); }

} // namespace zarvon::settings
