// The list of recent archives: most recent first, each path once, ten at most.
#include "settings/recent_archives.h"

#include <gtest/gtest.h>

namespace zarvon::settings {
namespace {

TEST(RecentArchives, AnArchiveOpenedAgainMovesUpWithoutACopy)
{
    clearRecentArchives();
    for (const char *path : {"/a.zip", "/b.zip", "/c.zip"})
        EXPECT_TRUE(addRecentArchive(path));
    EXPECT_TRUE(addRecentArchive("/a.zip"));
    EXPECT_EQ(recentArchives(), (std::vector<std::string>{"/a.zip", "/c.zip", "/b.zip"}));
    EXPECT_FALSE(addRecentArchive("/a.zip")) << "already first: nothing changes";
    EXPECT_TRUE(addRecentArchive("/A.zip")) << "paths differ by case";
    EXPECT_EQ(recentArchives().size(), 4u);
    for (int i = 0; i < 12; ++i)
        addRecentArchive("/n" + std::to_string(i) + ".zip");
    EXPECT_EQ(recentArchives().size(), kMaxRecentArchives);
    EXPECT_EQ(recentArchives().front(), "/n11.zip");
    clearRecentArchives();
}

} // namespace
} // namespace zarvon::settings
