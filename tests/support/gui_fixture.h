// Shared ground of the GUI tests: the platform layer on the offscreen
// platform, a fresh temporary folder per test, and the requester script whose
// faults fail the running test at once.
#pragma once

#include "ui/platform/platform.h"
#include "ui/platform/requesters.h"
#include "ui/platform/testing.h"

#include <QString>
#include <QtGlobal>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace zarvon::testing {

class GuiTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The offscreen platform says so for every window it cannot shape or
        // raise; that is expected and only hides real messages.
        static const QtMessageHandler previous = qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext &context, const QString &message) {
                if (message.startsWith(QLatin1String("This plugin does not support")))
                    return;
                if (previous)
                    previous(type, context, message);
            });
        platform::initPlatform();
        platform::setDelaysEnabled(false);
        std::random_device random;
        folder_ = std::filesystem::temp_directory_path() /
                  ("zarvon-test-" + std::to_string(random()) + "-" + std::to_string(random()));
        std::filesystem::create_directories(folder_);
        platform::setInstanceLockFolder((folder_ / "run").string());
        platform::beginScript([](const std::string& fault) { ADD_FAILURE() << fault; });
    }

    void TearDown() override
    {
        platform::endScript();
        platform::releasePlatform();
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

    // The test's own folder; removed afterwards.
    const std::filesystem::path& folder() const { return folder_; }

    std::filesystem::path writeFile(const std::filesystem::path& relative, const std::string& bytes)
    {
        std::filesystem::path path = folder_ / relative;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream out(path, std::ios::binary);
        out << bytes;
        return path;
    }

    static std::string readFile(const std::filesystem::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

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
    std::filesystem::path folder_;
};

}  // namespace zarvon::testing
