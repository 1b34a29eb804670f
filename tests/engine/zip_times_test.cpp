// Modification times to the second: the extra fields that keep them, read
// and written, against what Info-ZIP's unzip restores. DOS dates are local
// time and the extra fields UTC, so every test runs in a zone off UTC.
#include "engine_test_support.h"

#include <sys/stat.h>

namespace zarvon::engine::testing {

namespace {

// 2021-07-14 17:47:17 in Paris (summer time), and a date DOS cannot hold.
constexpr int64_t kOddSummer = 1626277637;
constexpr int64_t kBefore1980 = 170856001; // 1975-06-01 12:00:01 UTC

int64_t mtimeOf(const fs::path &p)
{
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0 ? int64_t{st.st_mtime} : -1;
}

std::string le(uint64_t v, int bytes)
{
    std::string s;
    for (int i = 0; i < bytes; ++i)
        s += static_cast<char>(v >> (8 * i));
    return s;
}

class ZipTimes : public EngineTest {
protected:
    ZoneForTest zone{"Europe/Paris"};
    fs::path out() { return dir / "out"; }
};

} // namespace

TEST_F(ZipTimes, InfoZipArchiveExtractsWithTheTimesUnzipRestores)
{
    if (!haveTool("zip") || !haveTool("unzip"))
        GTEST_SKIP() << "Info-ZIP zip and unzip are not installed; they make the archive and the reference";
    file("src/docs/deep/b.txt", "b");
    file("src/docs/a.txt", "a");
    file("src/top.txt", "t");
    const std::string src = quoted(dir / "src");
    // Odd seconds in summer and in winter time; the folders last, since
    // adding their files changed them.
    ASSERT_EQ(run("cd " + src + " && touch -d '2021-07-14 17:47:17' docs/a.txt && touch -d '2020-01-05 03:04:05' " +
                  "top.txt docs/deep/b.txt && touch -d '2019-03-09 11:22:33' docs/deep docs && zip -q -r " +
                  quoted(dir / "a.zip") + " docs top.txt"),
              0);
    ASSERT_EQ(run("unzip -q " + quoted(dir / "a.zip") + " -d " + quoted(dir / "ref")), 0);
    ASSERT_EQ(extractMatching((dir / "a.zip").string(), "", out().string(), 1), 3);

    std::vector<EntryInfo> entries;
    ASSERT_EQ(listEntries((dir / "a.zip").string(), entries), 5);
    for (const EntryInfo &e : entries) {
        const std::string name = e.isFolder() ? e.fileName.substr(0, e.fileName.size() - 1) : e.fileName;
        const int64_t source = mtimeOf(dir / "src" / name);
        EXPECT_EQ(source % 2, 1) << name;
        EXPECT_EQ(e.timeSource, TimeSource::Extended) << name;
        EXPECT_EQ(e.modifiedTime, source) << name;
        EXPECT_EQ(mtimeOf(dir / "ref" / name), source) << name;
        EXPECT_EQ(mtimeOf(out() / name), source) << name;
    }
}

TEST_F(ZipTimes, OwnArchivesKeepTheSecondPlainAndEncrypted)
{
    const fs::path odd = file("odd.txt", "odd second");
    const fs::path old = file("old.txt", "older than DOS dates");
    ASSERT_EQ(run("touch -d @" + std::to_string(kOddSummer) + " " + quoted(odd) + " && touch -d @" +
                  std::to_string(kBefore1980) + " " + quoted(old)),
              0);
    for (const std::string password : {"", "Secret"}) {
        SCOPED_TRACE(password);
        const fs::path a = archiveOf("own" + password + ".zip", {odd, old}, 8, password);
        const fs::path to = out() / password;
        setPassword(password);
        ASSERT_EQ(extractMatching(a.string(), "", to.string(), 1), 2);
        setPassword("");
        EXPECT_EQ(mtimeOf(to / "odd.txt"), kOddSummer);
        EXPECT_EQ(mtimeOf(to / "old.txt"), kBefore1980);
        if (!haveTool("unzip"))
            continue;
        const fs::path ref = dir / ("ref" + password);
        std::string said;
        const std::string key = password.empty() ? std::string() : "-P " + quoted(password) + " ";
        ASSERT_EQ(run("unzip -q " + key + quoted(a) + " -d " + quoted(ref), &said), 0) << said;
        EXPECT_EQ(mtimeOf(ref / "odd.txt"), kOddSummer);
        EXPECT_EQ(mtimeOf(ref / "old.txt"), kBefore1980);
        ASSERT_EQ(run("unzip -Z -v " + quoted(a), &said), 0);
        EXPECT_NE(said.find("ID 0x5455 (universal time)"), std::string::npos) << said;
    }
}

TEST_F(ZipTimes, NtfsTimesAndTimestampsWithoutModificationTime)
{
    // NTFS: reserved 4 bytes, attribute 1 of 24 bytes (modified, accessed,
    // created), in 100 ns ticks since 1601, here half a second past kOddSummer.
    const uint64_t ticks = (uint64_t(kOddSummer) + 11644473600ull) * 10000000ull + 5000000ull;
    const std::string ntfs = le(0x000a, 2) + le(32, 2) + le(0, 4) + le(1, 2) + le(24, 2) + le(ticks, 8) +
                             le(ticks, 8) + le(ticks, 8);
    // An extended timestamp holding only the access time (flag bit 1).
    const std::string accessOnly = le(0x5455, 2) + le(5, 2) + "\x02" + le(1000000000, 4);
    const fs::path a = dir / "a.zip";
    RawEntry n{"ntfs.txt", "n"}, u{"dos.txt", "d"};
    n.extra = ntfs;
    u.extra = accessOnly;
    ASSERT_TRUE(makeRawZip(a, {n, u}));
    ASSERT_EQ(extractMatching(a.string(), "", out().string(), 1), 2);
    EXPECT_EQ(mtimeOf(out() / "ntfs.txt"), kOddSummer);
    // makeRawZip's DOS date: 2007-05-14 10:42:36 in Paris, 08:42:36 UTC.
    EXPECT_EQ(mtimeOf(out() / "dos.txt"), 1179132156);
    EntryInfo info;
    ASSERT_EQ(entryInfoAt(a.string(), 1, info), 1);
    EXPECT_EQ(info.timeSource, TimeSource::Dos);
}

} // namespace zarvon::engine::testing
