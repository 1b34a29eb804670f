// The installed file-manager actions: the files in data/actions are those the
// program writes for "zarvon", each parses as its file manager reads it
// (groups, key=value lines), names both languages and starts a batch mode
// that exists.
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include <gtest/gtest.h>

#include "operations/batch.h"
#include "operations/file_manager_actions.h"

namespace zarvon::operations {
namespace {
namespace fs = std::filesystem;

using Groups = std::map<std::string, std::map<std::string, std::string>>;

// Parses a key file as the desktop-entry format defines it; a line that is
// neither a group, a key=value, a comment nor empty fails the test.
Groups parseKeyFile(const std::string &text, const std::string &file)
{
    Groups groups;
    std::string group, line;
    std::istringstream in(text);
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        if (line.front() == '[') {
            EXPECT_EQ(line.back(), ']') << file << ": " << line;
            group = line.substr(1, line.size() - 2);
            EXPECT_FALSE(groups.count(group)) << file << ": group twice: " << group;
            groups[group];
            continue;
        }
        const auto equals = line.find('=');
        EXPECT_FALSE(group.empty()) << file << ": key before any group: " << line;
        EXPECT_NE(equals, std::string::npos) << file << ": " << line;
        if (equals != std::string::npos)
            EXPECT_TRUE(groups[group].emplace(line.substr(0, equals), line.substr(equals + 1)).second)
                << file << ": key twice: " << line;
    }
    return groups;
}

// The batch option an Exec line starts, checked against the command line's own parser.
void expectBatchExec(const std::string &exec, const std::string &file)
{
    ASSERT_EQ(exec.rfind("zarvon --", 0), 0u) << file << ": " << exec;
    EXPECT_EQ(exec.substr(exec.size() - 3), " %F") << file;
    const std::string option = exec.substr(7, exec.find(' ', 7) - 7);
    const BatchMode mode = parseBatchCommand({option, "/some/file"}).mode;
    EXPECT_TRUE(mode == BatchMode::ExtractHere || mode == BatchMode::Extract || mode == BatchMode::Compress)
        << file << ": " << option;
}

TEST(FileManagerActionsTest, InstalledFilesAreTheProgramsOwnAndEachParsesWithBothLanguages)
{
    const fs::path data = fs::path(ZARVON_SOURCE_DIR) / "data" / "actions";
    const std::vector<ActionFile> files = fileManagerActionFiles("zarvon");
    std::size_t installed = 0;
    for (const auto &item : fs::recursive_directory_iterator(data))
        installed += item.is_regular_file();
    EXPECT_EQ(installed, files.size()) << "data/actions holds a file the program does not write";
    std::map<std::string, int> execs;
    for (const ActionFile &file : files) {
        std::ifstream in(data / file.relativePath, std::ios::binary);
        ASSERT_TRUE(in) << file.relativePath << " is not in data/actions";
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), file.text) << file.relativePath;
        const Groups groups = parseKeyFile(file.text, file.relativePath);
        const std::string &path = file.relativePath;
        std::vector<std::map<std::string, std::string>> actions;
        if (path.rfind("kio/", 0) == 0) {
            EXPECT_EQ(groups.at("Desktop Entry").at("Type"), "Service");
            EXPECT_FALSE(groups.at("Desktop Entry").at("MimeType").empty());
            for (const auto &[name, keys] : groups)
                if (name.rfind("Desktop Action ", 0) == 0)
                    actions.push_back(keys);
            EXPECT_EQ(groups.size(), actions.size() + 1);
        } else if (path.rfind("nemo/", 0) == 0) {
            const auto &keys = groups.at("Nemo Action");
            EXPECT_EQ(keys.at("Selection"), "notnone");
            EXPECT_TRUE(keys.count("Mimetypes") || keys.count("Extensions")) << path;
            actions.push_back(keys);
        } else {
            const auto &entry = groups.at("Desktop Entry");
            EXPECT_EQ(entry.at("Type"), "Action");
            const auto &profile = groups.at("X-Action-Profile " + entry.at("Profiles").substr(0, entry.at("Profiles").find(';')));
            EXPECT_FALSE(profile.at("MimeTypes").empty());
            auto keys = entry;
            keys["Exec"] = profile.at("Exec");
            actions.push_back(keys);
        }
        for (const auto &keys : actions) {
            EXPECT_FALSE(keys.at("Name").empty()) << path;
            EXPECT_NE(keys.at("Name"), keys.at("Name[fr]")) << path;
            expectBatchExec(keys.at("Exec"), path);
            ++execs[keys.at("Exec")];
        }
    }
    // Every file manager gets the three actions.
    EXPECT_EQ(execs.size(), 3u);
    for (const auto &[exec, count] : execs)
        EXPECT_EQ(count, 3) << exec;
}

} // namespace
} // namespace zarvon::operations
