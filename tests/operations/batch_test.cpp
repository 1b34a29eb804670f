// The batch modes' command line and their plan: where each archive goes and
// which inputs are refused before anything is written.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "operations/batch.h"
#include "support/files.h"
#include "support/zip_maker.h"

namespace zarvon::operations {
namespace {
namespace fs = std::filesystem;

class BatchTest : public ::testing::Test {
protected:
    std::string zip(const std::string &name, const std::vector<zarvon::testing::ZipMember> &members)
    {
        fs::create_directories((folder_ / name).parent_path());
        zarvon::testing::writeZip((folder_ / name).string(), members);
        return (folder_ / name).string();
    }
    std::string path(const std::string &relative) const { return (folder_ / relative).string(); }
    zarvon::testing::TemporaryFolder temporary_{"zarvon-batch"};
    fs::path folder_ = temporary_.path();
};

TEST_F(BatchTest, CommandLineOptionsAndTheirOperands)
{
    EXPECT_EQ(parseBatchCommand({}).mode, BatchMode::None);
    EXPECT_EQ(parseBatchCommand({"a.zip"}).mode, BatchMode::None);
    EXPECT_EQ(parseBatchCommand({"--help"}).mode, BatchMode::Help);
    const BatchCommand to = parseBatchCommand({"--extract-to", "/out", "/a.zip", "/b.zip"});
    EXPECT_EQ(to.mode, BatchMode::ExtractTo);
    EXPECT_EQ(to.target, "/out");
    EXPECT_EQ(to.paths, (std::vector<std::string>{"/a.zip", "/b.zip"}));
    // Relative paths are made full from the folder the start was made in.
    EXPECT_EQ(parseBatchCommand({"--extract-here", "x.zip"}).paths.front(), (fs::current_path() / "x.zip").string());
    EXPECT_EQ(parseBatchCommand({"--compress-to", "/n.zip", "/f"}).mode, BatchMode::CompressTo);
    for (const std::vector<std::string> &wrong : std::vector<std::vector<std::string>>{
             {"--extract-here"}, {"--extract-to", "/out"}, {"--compress-to"}, {"--compress"}, {"--frobnicate", "a"}}) {
        const BatchCommand command = parseBatchCommand(wrong);
        EXPECT_EQ(command.mode, BatchMode::Wrong) << wrong.front();
        EXPECT_FALSE(command.error.empty());
    }
    for (const char *option : {"--extract-here", "--extract-to", "--extract", "--compress", "--compress-to"})
        EXPECT_NE(batchUsage().find(option), std::string::npos) << option;
}

TEST_F(BatchTest, SeveralTopItemsGetAFolderNamedAfterTheArchiveOneTopItemGoesStraightThere)
{
    const std::string many = zip("many.zip", {{"a.txt", "a"}, {"b.txt", "b"}});
    const std::string one = zip("one.zip", {{"top/", ""}, {"top/x.txt", "x"}, {"./top/y.txt", "y"}});
    const ExtractionPlan here = planBatchExtraction({many, one}, {});
    ASSERT_TRUE(here.issues.empty());
    ASSERT_EQ(here.targets.size(), 2u);
    EXPECT_EQ(here.targets[0].destination, path("many"));
    EXPECT_TRUE(here.targets[0].ownFolder);
    EXPECT_EQ(here.targets[1].destination, folder_.string());
    EXPECT_FALSE(here.targets[1].ownFolder);
    const ExtractionPlan to = planBatchExtraction({many}, path("out/new"));
    ASSERT_TRUE(to.issues.empty());
    EXPECT_EQ(to.targets[0].destination, path("out/new/many"));
    EXPECT_EQ(extractionFolderName("photos.tar.gz"), "photos");
    EXPECT_EQ(extractionFolderName("README"), "README_files");
    // A file already named as the folder is not touched: the next name is.
    zarvon::testing::writeFile(folder_ / "many", "a file");
    EXPECT_EQ(planBatchExtraction({many}, {}).targets[0].destination, path("many (2)"));
}

TEST_F(BatchTest, BadInputsAreRefusedEachWithItsReason)
{
    const std::string good = zip("good.zip", {{"a.txt", "a"}, {"b.txt", "b"}});
    zarvon::testing::writeFile(folder_ / "text.zip", "this is no archive at all");
    fs::create_directories(folder_ / "folder.zip");
    // Two archives that would mix their files in one folder.
    const std::string twin = zip("sub/good.zip", {{"c.txt", "c"}, {"d.txt", "d"}});
    const ExtractionPlan plan =
        planBatchExtraction({path("missing.zip"), path("folder.zip"), path("text.zip"), good, twin}, path("out"));
    ASSERT_EQ(plan.issues.size(), 4u);
    EXPECT_EQ(plan.issues[0].problem, BatchProblem::Missing);
    EXPECT_EQ(plan.issues[1].problem, BatchProblem::Folder);
    EXPECT_EQ(plan.issues[2].problem, BatchProblem::NotAnArchive);
    EXPECT_EQ(plan.issues[3].problem, BatchProblem::SameFolder);
    EXPECT_EQ(plan.issues[3].other, good);
    EXPECT_FALSE(fs::exists(folder_ / "out"));

    zarvon::testing::writeFile(folder_ / "file", "x");
    EXPECT_EQ(planBatchExtraction({good}, path("file/inside")).issues.at(0).problem, BatchProblem::NotWritable);
    if (::geteuid() != 0) {
        fs::create_directories(folder_ / "locked");
        const std::string locked = zip("locked/l.zip", {{"a", "a"}, {"b", "b"}});
        fs::permissions(folder_ / "locked", fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_EQ(planBatchExtraction({locked}, {}).issues.at(0).problem, BatchProblem::NotWritable);
        fs::permissions(folder_ / "locked", fs::perms::owner_all);
    }
}

} // namespace
} // namespace zarvon::operations
