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
#include "support/files.h"
#include "support/process.h"
#include "ui/progress.h"
#include "settings/language.h"
#include "settings/paths.h"
#include "settings/settings_state.h"
#include "ui/ui_state.h"
#include "ui/ids.h"
#include "ui/platform/platform.h"
#include "ui/platform/requesters.h"
#include "ui/platform/testing.h"

namespace zarvon::testing {

namespace fs = std::filesystem;
namespace pf = zarvon::platform;

// Expects a message box captioned "Zarvon" whose text contains `part`.
inline void expectMessageContaining(const std::string &part, pf::MessageIcon icon)
{
    pf::ScriptStep step;
    step.kind = pf::DialogKind::Message;
    step.caption = "Zarvon";
    step.textContains = part;
    step.icon = icon;
    step.anyIcon = false;
    pf::expectDialog(step);
}

class WorkflowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        temporary_.emplace("zarvon-workflow");
        folder_ = temporary_->path();
        fs::create_directories(folder_ / "program");
        settings::setProgramPath((folder_ / "program" / "zarvon").string());
        settings::resetSettingsState();
        ui::resetUiState();
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

    void TearDown() override
    {
        ui::closeProgressWindow();
        engine::closeArchives();
        engine::setProgressCallback({});
        pf::endScript();
        pf::releasePlatform();
        settings::resetSettingsState();
        ui::resetUiState();
        settings::setProgramPath("");
        if (savedLocale_)
            ::setenv("LC_ALL", savedLocale_->c_str(), 1);
        else
            ::unsetenv("LC_ALL");
        temporary_.reset();
    }

    std::string path(const std::string &name) const { return (folder_ / name).string(); }

    // Loads the shipped language file of that name into the table.
    void useLanguage(const std::string &fileName)
    {
        const std::string shipped = std::string(ZARVON_SOURCE_DIR) + "/lang/" + fileName;
        ASSERT_TRUE(fs::exists(shipped)) << shipped;
        fs::copy_file(shipped, folder_ / "program" / fileName, fs::copy_options::overwrite_existing);
        ASSERT_GT(settings::loadLanguageFile((folder_ / "program" / fileName).string()), 0);
    }

    // The English built-in texts follow View/EnglishLanguage.
    void writeSettings(const std::string &text) { writeFile(settings::settingsPath(), text); }

    // A stand-in for the main window: window 0 with the explorer list in
    // `folder` and, when asked, an archive list.
    void buildMainWindow(const std::string &folder)
    {
        ASSERT_GE(pf::openWindow(ids::WindowMain, 0, 0, 700, 500, "Zarvon 1.1.0", pf::WindowScreenCentered), 0);
        pf::explorerListGadget(ids::ExplorerList, 2, 90, 696, 365, folder);
    }

    void showArchiveList(const std::vector<std::string> &rows)
    {
        pf::useGadgetList(ids::WindowMain);
        pf::listIconGadget(ids::ArchiveList, 2, 300, 300, 150, "Fichiers contenus dans l'archive", 220,
                           pf::ListMultiSelect | pf::ListFullRowSelect);
        for (const auto &row : rows)
            pf::addGadgetItem(ids::ArchiveList, -1, row);
    }

    void selectArchiveRows(const std::set<std::string> &names)
    {
        for (int i = 0; i < pf::countGadgetItems(ids::ArchiveList); ++i)
            if (names.count(pf::getGadgetItemText(ids::ArchiveList, i)))
                pf::setGadgetItemState(ids::ArchiveList, i, pf::ItemSelected);
    }

    // Selects the named items of an explorer list, the last one current.
    void selectInExplorer(int explorer, const std::vector<std::string> &names)
    {
        const int count = pf::countGadgetItems(explorer);
        for (const auto &name : names) {
            bool found = false;
            for (int i = 0; i < count; ++i) {
                if (pf::getGadgetItemText(explorer, i) != name)
                    continue;
                pf::setGadgetItemState(explorer, i, pf::ItemSelected);
                pf::setGadgetState(explorer, i);
                found = true;
            }
            ASSERT_TRUE(found) << name << " is not in the explorer list";
        }
    }

    std::optional<TemporaryFolder> temporary_;
    fs::path folder_;
    std::optional<std::string> savedLocale_;
};

} // namespace zarvon::testing
