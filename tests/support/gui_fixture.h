// Shared ground of the GUI tests: the platform layer on the offscreen
// platform, a fresh temporary folder per test, and the requester script whose
// faults fail the running test at once.
#pragma once

#include "settings/settings_state.h"
#include "support/files.h"
#include "ui/platform/platform.h"
#include "ui/platform/requesters.h"
#include "ui/platform/testing.h"
#include "ui/ui_state.h"

#include <QString>
#include <QtGlobal>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

namespace zarvon::testing {

class GuiTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The offscreen platform says so for every window it cannot shape or
        // raise; that is expected and only hides real messages.
        static const QtMessageHandler previous =
            qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &context, const QString &message) {
                if (message.startsWith(QLatin1String("This plugin does not support")))
                    return;
                if (previous)
                    previous(type, context, message);
            });
        platform::initPlatform();
        platform::setDelaysEnabled(false);
        temporary_.emplace("zarvon-test");
        folder_ = temporary_->path();
        settings::resetSettingsState();
        ui::resetUiState();
        platform::setInstanceLockFolder((folder_ / "run").string());
        platform::beginScript([](const std::string &fault) { ADD_FAILURE() << fault; });
    }

    void TearDown() override
    {
        platform::endScript();
        platform::releasePlatform();
        settings::resetSettingsState();
        ui::resetUiState();
        temporary_.reset();
    }

    // The test's own folder; removed afterwards.
    const std::filesystem::path &folder() const { return folder_; }

    // Writes bytes to a file of the test's folder; its full path.
    std::filesystem::path writeFile(const std::filesystem::path &relative, const std::string &bytes)
    {
        zarvon::testing::writeFile(folder_ / relative, bytes);
        return folder_ / relative;
    }

    static std::string readFile(const std::filesystem::path &path) { return zarvon::testing::readFile(path); }

    // Takes every queued event off the queue.
    static std::vector<platform::UiEvent> takeEvents()
    {
        std::vector<platform::UiEvent> events;
        platform::UiEvent e;
        while (platform::pollEvent(e, 0))
            events.push_back(e);
        return events;
    }

private:
    std::optional<TemporaryFolder> temporary_;
    std::filesystem::path folder_;
};

} // namespace zarvon::testing
