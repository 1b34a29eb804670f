// Counting the files of a selected folder, which sizes the overall progress.
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "operations/jobs.h"

namespace zarvon::operations {
namespace {

namespace fs = std::filesystem;

class FolderCountTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "zarvon-count-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
    void touch(const std::string &relative) {
        fs::create_directories((folder_ / relative).parent_path());
        std::ofstream(folder_ / relative) << "x";
    }
    fs::path folder_;
};

TEST_F(FolderCountTest, CountsFilesAtEveryDepthButNotFolders) {
    touch("a.txt");
    touch("sub/b.txt");
    touch("sub/deeper/c.txt");
    fs::create_directories(folder_ / "empty");
    EXPECT_EQ(countFilesInFolder(folder_.string()), 3);
    EXPECT_EQ(countFilesInFolder(folder_.string() + "/"), 3);
}

TEST_F(FolderCountTest, DoesNotFollowALinkBackToItsOwnFolder) {
    touch("sub/b.txt");
    fs::create_directory_symlink(folder_, folder_ / "sub" / "loop");
    EXPECT_EQ(countFilesInFolder(folder_.string()), 1);
}

TEST_F(FolderCountTest, MissingFolderHasNoFiles) {
    EXPECT_EQ(countFilesInFolder((folder_ / "gone").string()), 0);
}

}  // namespace
}  // namespace zarvon::operations
