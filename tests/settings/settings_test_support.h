// Helpers shared by the settings tests: a fresh temporary folder per test and
// whole-file reads and writes.
#pragma once

#include <algorithm>
#include <filesystem>
#include <functional>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "support/files.h"

namespace zarvon::settings::testing {

using zarvon::testing::readFile;
using zarvon::testing::writeFile;

// A test fixture giving each test its own empty folder, removed afterwards.
class TemporaryFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        temporary_.emplace("zarvon-settings");
        folder_ = temporary_->path();
    }

    void TearDown() override { temporary_.reset(); }

    // Path of name inside the test's folder.
    std::string path(const std::string &name) const { return (folder_ / name).string(); }

    std::optional<zarvon::testing::TemporaryFolder> temporary_;
    std::filesystem::path folder_;
};

} // namespace zarvon::settings::testing
