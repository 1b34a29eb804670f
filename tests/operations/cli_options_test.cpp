// zarvon-cli's own conventions, whatever the format: help and version, a
// listing that ends its last line, and a creation with nothing to add.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/product.h"
#include "support/files.h"
#include "support/process.h"

namespace zarvon::testing {
namespace {

CommandResult cli(const std::string &arguments, const TemporaryFolder &folder)
{
    return runCommand("cd " + quoted(folder.path()) + " && " +
                      quoted(std::filesystem::path(ZARVON_BIN_DIR) / "zarvon-cli") + " " + arguments);
}

TEST(CliOptions, HelpAndVersionSucceedOnStandardOutput)
{
    TemporaryFolder folder("zarvon-cli-options");
    const auto version = cli("--version 2>/dev/null", folder);
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.output, std::string("zarvon-cli ") + base::kProductVersion + "\n");
    const auto help = cli("--help 2>/dev/null", folder);
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.output.find("usage: zarvon-cli"), std::string::npos);
    EXPECT_NE(help.output.find("--version"), std::string::npos);
}

TEST(CliOptions, ListEndsItsSummaryLine)
{
    TemporaryFolder folder("zarvon-cli-options");
    writeFile(folder / "a.txt", "alpha");
    ASSERT_EQ(cli("create a.zip a.txt", folder).status, 0);
    const auto listed = cli("list a.zip", folder);
    ASSERT_EQ(listed.status, 0);
    ASSERT_FALSE(listed.output.empty());
    EXPECT_EQ(listed.output.back(), '\n');
    EXPECT_NE(listed.output.find("1 entries\n"), std::string::npos) << listed.output;
}

TEST(CliOptions, CreateWhoseInputsAllFailLeavesNoArchive)
{
    TemporaryFolder folder("zarvon-cli-options");
    const auto created = cli("create x.zip missing.txt", folder);
    EXPECT_NE(created.status, 0);
    EXPECT_NE(created.output.find("missing.txt"), std::string::npos) << created.output;
    EXPECT_FALSE(std::filesystem::exists(folder / "x.zip"));
}

}  // namespace
}  // namespace zarvon::testing
