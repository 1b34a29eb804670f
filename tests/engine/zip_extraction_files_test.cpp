// How extracted files are created: dates in local time on either side of a
// change of offset, permissions the creation mask would strip, and a
// destination replaced between two entries of the reader slot.
#include "engine_test_support.h"

#include <cstdlib>
#include <ctime>

namespace zarvon::engine::testing {

namespace {

class ZipExtractionFiles : public EngineTest {
protected:
    fs::path out() { return dir / "out"; }
};

RawEntry unixEntry(const std::string &name)
{
    RawEntry e{name, "x"};
    e.versionMadeBy = (3u << 8) | 30u;
    e.externalAttributes = 0100644ul << 16;
    return e;
}

} // namespace

TEST_F(ZipExtractionFiles, DatesOnBothSidesOfSummerTimeAreLocalTimes)
{
    ZoneForTest zone("Europe/Paris");
    // makeRawZip dates every entry 2007-05-14 10:42 (summer time); the
    // second archive is patched to January (winter time).
    fs::path summer = dir / "summer.zip";
    ASSERT_TRUE(makeRawZip(summer, {unixEntry("s.txt")}));
    std::string bytes = readFile(summer);
    // DOS date: bits 5-8 month (1-based). Patch local and central headers.
    for (size_t at = 0; (at = bytes.find("PK", at)) != std::string::npos; at += 2) {
        size_t dateAt = 0;
        if (bytes.compare(at, 4, std::string("PK\x03\x04", 4)) == 0)
            dateAt = at + 12;
        else if (bytes.compare(at, 4, std::string("PK\x01\x02", 4)) == 0)
            dateAt = at + 14;
        if (dateAt) {
            unsigned date = static_cast<unsigned char>(bytes[dateAt]) | static_cast<unsigned char>(bytes[dateAt + 1])
                                                                            << 8;
            date = (date & ~(0xFu << 5)) | (1u << 5);
            bytes[dateAt] = static_cast<char>(date & 0xFF);
            bytes[dateAt + 1] = static_cast<char>(date >> 8);
        }
    }
    fs::path winter = dir / "winter.zip";
    writeFile(winter, bytes);
    ASSERT_EQ(extractMatching(summer.string(), "", out().string(), 1), 1);
    ASSERT_EQ(extractMatching(winter.string(), "", (dir / "w").string(), 1), 1);
    for (const auto &[path, month] : {std::pair{out() / "s.txt", 4}, std::pair{dir / "w" / "s.txt", 0}}) {
        struct stat st {};
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        struct tm t {};
        localtime_r(&st.st_mtime, &t);
        EXPECT_EQ(t.tm_mon, month) << path;
        EXPECT_EQ(t.tm_mday, 14) << path;
        EXPECT_EQ(t.tm_hour, 10) << path;
        EXPECT_EQ(t.tm_min, 42) << path;
    }
}

TEST_F(ZipExtractionFiles, ModesTheMaskWouldStripAreStillRestored)
{
    fs::path a = dir / "a.zip";
    ASSERT_TRUE(makeRawZip(a, {{"open.txt", "x", 8, 0, (0100666ul << 16), (3ul << 8) | 30},
                               {"tight.txt", "y", 8, 0, (0100600ul << 16), (3ul << 8) | 30}}));
    const mode_t old = ::umask(022);
    const int32_t written = extractMatching(a.string(), "", out().string(), 1);
    ::umask(old);
    ASSERT_EQ(written, 2);
    struct stat st {};
    ASSERT_EQ(::stat((out() / "open.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0666u);
    ASSERT_EQ(::stat((out() / "tight.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(ZipExtractionFiles, DestinationReplacedBetweenEntriesGetsTheNextEntry)
{
    fs::path a = dir / "a.zip";
    ASSERT_TRUE(makeRawZip(a, {{"one.txt", "1"}, {"two.txt", "2"}}));
    ASSERT_NE(openArchiveForReading(a.string()), 0);
    ASSERT_EQ(firstEntry(), 0);
    ASSERT_EQ(extractCurrentEntry(out().string(), 1), 0);
    fs::rename(out(), dir / "moved");
    fs::create_directory(out());
    ASSERT_EQ(nextEntry(), 0);
    ASSERT_EQ(extractCurrentEntry(out().string(), 1), 0);
    EXPECT_EQ(readFile(out() / "two.txt"), "2");
    EXPECT_FALSE(fs::exists(dir / "moved" / "two.txt"));
}

} // namespace zarvon::engine::testing
