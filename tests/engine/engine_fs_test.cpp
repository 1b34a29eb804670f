// The engine's system calls (engine/fs): the guarantees the rest of the
// engine builds on — never writing through a link, whole writes, whole
// random headers, and local times that round-trip.
#include "engine_test_support.h"

#include "engine/fs.h"

#include <fcntl.h>

namespace zarvon::engine::testing {

using EngineFs = EngineTest;

TEST_F(EngineFs, CreateAtRefusesAnyExistingNameAndNeverFollowsALink)
{
    fs::path target = file("target.txt", "keep");
    fs::create_symlink(target, dir / "link");
    fs::path folder = dir;
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(dirFd, 0);

    errno = 0;
    EXPECT_LT(engine::fs::createAt(dirFd, "link", 0644), 0);
    EXPECT_EQ(errno, EEXIST);
    EXPECT_LT(engine::fs::createAt(dirFd, "target.txt", 0644), 0);
    EXPECT_EQ(readFile(target), "keep");

    // The link itself is described, not what it points to.
    engine::fs::FileStatus st;
    ASSERT_TRUE(engine::fs::statusAt(dirFd, "link", st));
    EXPECT_FALSE(st.isRegular());
    EXPECT_FALSE(st.isFolder());
    ASSERT_TRUE(engine::fs::statusOfPath((dir / "link").string(), st));
    EXPECT_TRUE(st.isRegular());
    EXPECT_EQ(st.size, 4u);

    const int fd = engine::fs::createAt(dirFd, "new.txt", 0640);
    ASSERT_GE(fd, 0);
    const std::string text = sampleText(300000);
    EXPECT_TRUE(engine::fs::writeAll(fd, reinterpret_cast<const unsigned char *>(text.data()), text.size()));
    EXPECT_TRUE(engine::fs::pwriteAll(fd, reinterpret_cast<const unsigned char *>("XY"), 2, 10));
    EXPECT_TRUE(engine::fs::setModifiedTime(fd, 1000000000));
    engine::fs::closeFd(fd);
    std::string expected = text;
    expected.replace(10, 2, "XY");
    EXPECT_TRUE(readFile(dir / "new.txt") == expected);
    ASSERT_TRUE(engine::fs::statusOfPath((dir / "new.txt").string(), st));
    EXPECT_EQ(st.mtimeSec, 1000000000);
    EXPECT_TRUE(engine::fs::removeAt(dirFd, "new.txt"));
    EXPECT_FALSE(fs::exists(dir / "new.txt"));
    engine::fs::closeFd(dirFd);
}

TEST(EngineFsRandom, FillsBuffersLongerThanOneSystemCallGives)
{
    // getentropy stops at 256 bytes a call: every part must be filled.
    std::vector<unsigned char> buf(1000, 0);
    ASSERT_TRUE(engine::fs::randomBytes(buf.data(), buf.size()));
    for (size_t start = 0; start < buf.size(); start += 250) {
        const auto from = buf.begin() + static_cast<std::ptrdiff_t>(start);
        const auto to = buf.begin() + static_cast<std::ptrdiff_t>(std::min<size_t>(start + 250, buf.size()));
        EXPECT_TRUE(std::any_of(from, to, [](unsigned char c) { return c != 0; })) << "from byte " << start;
    }
}

TEST(EngineFsTime, LocalTimeAndUtcSecondsRoundTrip)
{
    std::tm t{};
    t.tm_year = 2007 - 1900;
    t.tm_mon = 4;
    t.tm_mday = 14;
    t.tm_hour = 10;
    t.tm_min = 42;
    const int64_t seconds = engine::fs::utcSecondsOf(t);
    EXPECT_EQ(seconds, 1179139320);
    std::tm local{};
    int64_t offset = -1;
    ASSERT_TRUE(engine::fs::localTimeOf(seconds, local, offset));
    // The local fields, read back as UTC, are the instant moved by the offset.
    EXPECT_EQ(engine::fs::utcSecondsOf(local), seconds + offset);
}

} // namespace zarvon::engine::testing
