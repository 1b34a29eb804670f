// Counting the files of a selected folder, which sizes the overall progress.
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "operations/jobs.h"
#include "support/files.h"

namespace zarvon::operations {
namespace {

namespace fs = std::filesystem;

class FolderCountTest : public ::testing::Test {
protected:
    void touch(const std::string &relative) { zarvon::testing::writeFile(folder_ / relative, "x"); }
    zarvon::testing::TemporaryFolder temporary_{"zarvon-count"};
    fs::path folder_ = temporary_.path();
};

TEST_F(FolderCountTest, CountsFilesAtEveryDepthButNotFolders)
{
    touch("a.txt");
    touch("sub/b.txt");
    touch("sub/deeper/c.txt");
    fs::create_directories(folder_ / "empty");
    EXPECT_EQ(countFilesInFolder(folder_.string()), 3);
    EXPECT_EQ(countFilesInFolder(folder_.string() + "/"), 3);
}

TEST_F(FolderCountTest, DoesNotFollowALinkBackToItsOwnFolder)
{
    touch("sub/b.txt");
    fs::create_directory_symlink(folder_, folder_ / "sub" / "loop");
    EXPECT_EQ(countFilesInFolder(folder_.string()), 1);
}

TEST_F(FolderCountTest, MissingFolderHasNoFiles) { EXPECT_EQ(countFilesInFolder((folder_ / "gone").string()), 0); }

} // namespace
} // namespace zarvon::operations
