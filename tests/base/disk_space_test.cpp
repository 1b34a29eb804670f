#include "base/disk_space.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

namespace zarvon::base {
namespace {

TEST(FreeSpaceAt, AFolderStillToBeMadeCountsOnItsNearestExistingParent)
{
    std::string folder = (std::filesystem::temp_directory_path() / "zarvon-space-XXXXXX").string();
    ASSERT_NE(::mkdtemp(folder.data()), nullptr);
    const std::string file = folder + "/file";
    std::FILE *f = std::fopen(file.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    for (const std::string &path : {folder + "/not/yet/made/", file + "/under/a/file", std::string("no-such-folder/x")}) {
        uint64_t available = 0;
        EXPECT_TRUE(freeSpaceAt(path, available)) << path;
        EXPECT_GT(available, 0u) << path;
    }
    uint64_t available = 0;
    EXPECT_FALSE(freeSpaceAt(folder + "/" + std::string(5000, 'n'), available));
    EXPECT_EQ(errno, ENAMETOOLONG);
    std::filesystem::remove_all(folder);
}

} // namespace
} // namespace zarvon::base
