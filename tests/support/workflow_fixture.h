// A fixture for the compression and extraction workflow tests: its own
// temporary folder with a program folder (Zarvon.ini, language files), the
// platform layer in script mode (every message box must be expected), the
// engine with the program's progress callback, and a stand-in main window
// holding the explorer list (116) and the archive list (138).
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/engine.h"
#include "ui/progress.h"
#include "settings/language.h"
#include "settings/paths.h"
#include "ui/ids.h"
#include "ui/platform/platform.h"
#include "ui/platform/requesters.h"
#include "ui/platform/testing.h"

namespace zarvon::testing {

namespace fs = std::filesystem;
namespace pf = zarvon::platform;

inline std::string readFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeFile(const std::string &path, const std::string &bytes) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// Bytes that Deflate cannot shrink much, the same for the same seed.
inline std::string noise(std::size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    unsigned x = seed * 2654435761u + 1;
    for (auto &c : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = static_cast<char>(x & 0xFF);
    }
    return bytes;
}

// Runs a shell command; its exit status and standard output.
struct CommandResult {
    int status = -1;
    std::string output;
};
inline CommandResult runCommand(const std::string &command) {
    CommandResult result;
    FILE *pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return result;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, n);
    const int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

inline std::string quoted(const std::string &path) { return "'" + path + "'"; }

// Expects a message box captioned "Zarvon" whose text contains `part`.
inline void expectMessageContaining(const std::string &part, pf::MessageIcon icon) {
    pf::ScriptStep step;
    step.kind = pf::DialogKind::Message;
    step.caption = "Zarvon";
    step.textContains = part;
    step.icon = icon;
    step.anyIcon = false;
    pf::expectDialog(step);
}

// Files of a folder, relative, recursively (folders not listed).
inline std::set<std::string> filesUnder(const std::string &folder) {
    std::set<std::string> names;
    std::error_code error;
    if (!fs::exists(folder, error)) return names;
    for (const auto &entry : fs::recursive_directory_iterator(folder, error))
        if (entry.is_regular_file()) names.insert(fs::relative(entry.path(), folder).string());
    return names;
}

class WorkflowTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "zarvon-workflow-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
        fs::create_directories(folder_ / "program");
        settings::setProgramPath((folder_ / "program" / "zarvon").string());
        settings::clearLanguageTable();
        ::setenv("HOME", folder_.c_str(), 1);
        // The built-in French texts, as on a French system, until a test
        // writes a configuration that says otherwise.
        const char *locale = std::getenv("LC_ALL");
        savedLocale_ = locale ? std::optional<std::string>(locale) : std::nullopt;
        ::setenv("LC_ALL", "fr_FR.UTF-8", 1);
        pf::initPlatform();
        pf::setDelaysEnabled(false);
        pf::setInstanceLockFolder((folder_ / "run").string());
        pf::beginScript([](const std::string &fault) { ADD_FAILURE() << fault; });
        engine::initEngine();
        ui::setProgressObserver(nullptr);
    }

    void TearDown() override {
        ui::closeProgressWindow();
        engine::closeArchives();
        engine::setProgressCallback({});
        pf::endScript();
        pf::releasePlatform();
        settings::clearLanguageTable();
        settings::setProgramPath("");
        if (savedLocale_)
            ::setenv("LC_ALL", savedLocale_->c_str(), 1);
        else
            ::unsetenv("LC_ALL");
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

    std::string path(const std::string &name) const { return (folder_ / name).string(); }

    // Loads the shipped language file of that name into the table.
    void useLanguage(const std::string &fileName) {
        const std::string shipped = std::string(ZARVON_SOURCE_DIR) + "/lang/" + fileName;
        ASSERT_TRUE(fs::exists(shipped)) << shipped;
        fs::copy_file(shipped, folder_ / "program" / fileName, fs::copy_options::overwrite_existing);
        ASSERT_GT(settings::loadLanguageFile((folder_ / "program" / fileName).string()), 0);
    }

    // The English built-in texts follow View/EnglishLanguage.
    void writeSettings(const std::string &text) { writeFile(settings::settingsPath(), text); }

    // A stand-in for the main window: window 0 with the explorer list in
    // `folder` and, when asked, an archive list.
    void buildMainWindow(const std::string &folder) {
        ASSERT_GE(pf::openWindow(ids::WindowMain, 0, 0, 700, 500, "Zarvon 1.1.0", pf::WindowScreenCentered), 0);
        pf::explorerListGadget(ids::ExplorerList, 2, 90, 696, 365, folder);
    }

    void showArchiveList(const std::vector<std::string> &rows) {
        pf::useGadgetList(ids::WindowMain);
        pf::listIconGadget(ids::ArchiveList, 2, 300, 300, 150, "Fichiers contenus dans l'archive", 220,
                           pf::ListMultiSelect | pf::ListFullRowSelect);
        for (const auto &row : rows) pf::addGadgetItem(ids::ArchiveList, -1, row);
    }

    void selectArchiveRows(const std::set<std::string> &names) {
        for (int i = 0; i < pf::countGadgetItems(ids::ArchiveList); ++i)
            if (names.count(pf::getGadgetItemText(ids::ArchiveList, i)))
                pf::setGadgetItemState(ids::ArchiveList, i, pf::ItemSelected);
    }

    // Selects the named items of an explorer list, the last one current.
    void selectInExplorer(int explorer, const std::vector<std::string> &names) {
        const int count = pf::countGadgetItems(explorer);
        for (const auto &name : names) {
            bool found = false;
            for (int i = 0; i < count; ++i) {
                if (pf::getGadgetItemText(explorer, i) != name) continue;
                pf::setGadgetItemState(explorer, i, pf::ItemSelected);
                pf::setGadgetState(explorer, i);
                found = true;
            }
            ASSERT_TRUE(found) << name << " is not in the explorer list";
        }
    }

    fs::path folder_;
    std::optional<std::string> savedLocale_;
};

}  // namespace zarvon::testing
