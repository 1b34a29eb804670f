// The rules every extraction writes by: which names may be written, and the
// folder walk that never leaves the destination.
#include "base/safe_output.h"
#include "support/files.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>

namespace zarvon::base {
namespace {

namespace fs = std::filesystem;

TEST(SafeComponents, RefusesEveryNameThatCouldLeaveTheDestination)
{
    std::vector<std::string> parts{"left", "over"};
    bool folder = true;
    for (const char *name : {"", "/etc/passwd", "\\x", "../x", "a/../../x", "a\\..\\x", "..", "C:\\x", "C:/x", "c:x",
                             "./", ".", "a/./../b"}) {
        EXPECT_FALSE(safeComponents(name, parts, folder)) << name;
        EXPECT_TRUE(parts.empty()) << name;
    }
    EXPECT_FALSE(safeComponents(std::string("a\0b", 3), parts, folder));
}

TEST(SafeComponents, CleansAndSplitsOrdinaryNames)
{
    std::vector<std::string> parts;
    bool folder = true;
    ASSERT_TRUE(safeComponents("a//b/./c.txt", parts, folder));
    EXPECT_EQ(parts, (std::vector<std::string>{"a", "b", "c.txt"}));
    EXPECT_FALSE(folder);
    ASSERT_TRUE(safeComponents("dir\\sub\\", parts, folder));
    EXPECT_EQ(parts, (std::vector<std::string>{"dir", "sub"}));
    EXPECT_TRUE(folder);
    ASSERT_TRUE(safeComponents("..name/x..", parts, folder));
    EXPECT_EQ(parts, (std::vector<std::string>{"..name", "x.."}));
}

class OutputFolderTest : public ::testing::Test {
protected:
    zarvon::testing::TemporaryFolder temporary_{"zarvon-base-test"};
    fs::path dir = temporary_.path();
};

TEST_F(OutputFolderTest, CreatesTheDestinationAndMissingFoldersBelowIt)
{
    OutputFolder out((dir / "new/dest").string());
    ASSERT_TRUE(out.ensure());
    FolderError error = FolderError::System;
    int fd = out.folderFor({"a", "b", "file"}, 2, error);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(error, FolderError::None);
    EXPECT_TRUE(fs::is_directory(dir / "new/dest/a/b"));
    EXPECT_FALSE(fs::exists(dir / "new/dest/a/b/file"));
    // The descriptor is the folder itself.
    ASSERT_EQ(::mkdirat(fd, "made-here", 0700), 0);
    EXPECT_TRUE(fs::is_directory(dir / "new/dest/a/b/made-here"));
    EXPECT_TRUE(out.stillValid());
    fs::rename(dir / "new/dest", dir / "new/moved");
    EXPECT_FALSE(out.stillValid());
}

TEST_F(OutputFolderTest, NeverWalksThroughALinkPlantedUnderTheDestination)
{
    fs::create_directories(dir / "dest");
    fs::create_directories(dir / "elsewhere");
    fs::create_directory_symlink(dir / "elsewhere", dir / "dest/a");
    std::ofstream(dir / "dest/plain") << "x";
    OutputFolder out((dir / "dest").string());
    ASSERT_TRUE(out.ensure());
    FolderError error = FolderError::None;
    EXPECT_EQ(out.folderFor({"a", "b"}, 2, error), -1);
    EXPECT_EQ(error, FolderError::Unsafe);
    EXPECT_FALSE(fs::exists(dir / "elsewhere/b"));
    EXPECT_EQ(out.folderFor({"plain", "b"}, 2, error), -1);
    EXPECT_EQ(error, FolderError::Unsafe);
}

TEST_F(OutputFolderTest, TheDestinationItselfMayBeALinkTheUserChose)
{
    fs::create_directories(dir / "real");
    fs::create_directory_symlink(dir / "real", dir / "chosen");
    OutputFolder out((dir / "chosen/").string());
    ASSERT_TRUE(out.ensure());
    FolderError error = FolderError::None;
    ASSERT_GE(out.folderFor({"x"}, 1, error), 0);
    EXPECT_TRUE(fs::is_directory(dir / "real/x"));
}

TEST_F(OutputFolderTest, ADestinationThatIsAFileFailsWithItsReason)
{
    std::ofstream(dir / "file") << "x";
    OutputFolder out((dir / "file/below").string());
    errno = 0;
    EXPECT_FALSE(out.ensure());
    EXPECT_EQ(errno, ENOTDIR);
}

TEST(TemporaryNames, AreHiddenBoundedAndDistinct)
{
    std::set<std::string> seen;
    for (int i = 0; i < 50; ++i) {
        std::string name = temporaryNameFor(std::string(300, 'n'));
        EXPECT_EQ(name[0], '.');
        EXPECT_LE(name.size(), 255u);
        EXPECT_TRUE(seen.insert(name).second);
    }
}

TEST(WriteAll, ReportsTheSystemsReasonWhenAWriteFails)
{
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    ::close(fds[0]);
    FileDescriptor writeEnd(fds[1]);
    const unsigned char byte = 1;
    ::signal(SIGPIPE, SIG_IGN);
    EXPECT_FALSE(writeAll(writeEnd.get(), &byte, 1));
    EXPECT_EQ(errno, EPIPE);
    EXPECT_EQ(writeEnd.close(), 0);
    EXPECT_FALSE(writeEnd.valid());
}

} // namespace
} // namespace zarvon::base
