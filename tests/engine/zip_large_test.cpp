// ZIP64: entries of 4 GiB and more. The full-size check reads and writes
// gigabytes, so it runs only when ZARVON_LARGE_TESTS=1 is set; the reading of
// ZIP64 records is also checked on a small archive that forces them.
#include "engine_test_support.h"

#include <fcntl.h>

namespace zarvon::engine::testing {

class ZipLarge : public EngineTest {};

TEST_F(ZipLarge, ReadsSmallEntriesWrittenWithZip64Records)
{
    if (!haveTool("python3"))
        GTEST_SKIP() << "python3 is not installed; it makes the archive with forced ZIP64 records";
    writeFile(dir / "make.py", "import zipfile\n"
                               "with zipfile.ZipFile('z64.zip', 'w', zipfile.ZIP_DEFLATED) as z:\n"
                               "    with z.open('big.txt', 'w', force_zip64=True) as f:\n"
                               "        f.write(b'zip64 ' * 10000)\n"
                               "    with z.open('small.txt', 'w', force_zip64=True) as f:\n"
                               "        f.write(b'x')\n");
    std::string out;
    ASSERT_EQ(run("cd " + quoted(dir) + " && python3 make.py", &out), 0) << out;
    fs::path a = dir / "z64.zip";
    std::vector<EntryInfo> entries;
    ASSERT_EQ(listEntries(a.string(), entries), 2);
    EXPECT_EQ(entries[0].uncompressedSize, 60000u);
    EXPECT_EQ(extractMatching(a.string(), "", (dir / "out").string(), 1), 2);
    std::string expected;
    for (int i = 0; i < 10000; ++i)
        expected += "zip64 ";
    EXPECT_TRUE(readFile(dir / "out/big.txt") == expected);
}

TEST_F(ZipLarge, FileOfMoreThanFourGibibytesRoundTrips)
{
    const char *gate = std::getenv("ZARVON_LARGE_TESTS");
    if (!gate || std::string(gate) != "1")
        GTEST_SKIP() << "writes a 4 GiB archive and reads it back, about a minute; set ZARVON_LARGE_TESTS=1 to run it";
    // A sparse file with a few marks, so the CRC depends on every region.
    const uint64_t size = (4ull << 30) + 4097;
    fs::path big = dir / "big.bin";
    {
        int fd = ::open(big.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(size)), 0);
        for (uint64_t at : {uint64_t{0}, uint64_t{1} << 31, (uint64_t{1} << 32) - 1, uint64_t{1} << 32, size - 1})
            ASSERT_EQ(::pwrite(fd, "Z", 1, static_cast<off_t>(at)), 1);
        ::close(fd);
    }
    fs::path after = file("after.txt", "the entry whose local header lies past 4 GiB");
    // Stored, so that the next entry's local header lies past 4 GiB.
    fs::path a = dir / "big.zip";
    setCompressionMethod(0);
    ASSERT_NE(createArchive(a.string(), 0), 0);
    ASSERT_EQ(addFile(big.string(), 0), 0);
    ASSERT_EQ(addFile(after.string(), 0), 0);
    ASSERT_EQ(closeArchives(), 0);
    struct stat bigStat {};
    ASSERT_EQ(::stat(big.c_str(), &bigStat), 0);
    fs::remove(big);

    EntryInfo info;
    ASSERT_EQ(entryInfoAt(a.string(), 0, info), 1);
    EXPECT_EQ(info.uncompressedSize, size);
    EXPECT_EQ(info.compressedSize, size);
    EXPECT_EQ(info.version >> 8, 3u);
    EXPECT_EQ((info.externalAttributes >> 16) & 0777, bigStat.st_mode & 0777);
    EXPECT_EQ(info.timeSource, TimeSource::Extended); // beside the ZIP64 extended information
    EXPECT_EQ(info.modifiedTime, bigStat.st_mtime);
    VerifyResult v;
    EXPECT_EQ(verifyArchive(a.string(), v), 0) << v.firstFailure;
    EXPECT_EQ(v.entriesChecked, 2);
    EXPECT_EQ(extractEntryAt(a.string(), 1, (dir / "out").string(), 1), 1);
    EXPECT_EQ(readFile(dir / "out/after.txt"), readFile(after));
    if (haveTool("7zz")) {
        std::string out;
        EXPECT_EQ(run("7zz t " + quoted(a), &out), 0) << out;
    }
}

} // namespace zarvon::engine::testing
