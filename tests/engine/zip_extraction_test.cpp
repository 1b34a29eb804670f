// Extraction: output paths, names that try to leave the destination,
// links, CRC checks, read-only targets, times, modes and the callback.
#include "engine_test_support.h"

#include <ctime>

namespace zarvon::engine::testing {

class ZipExtraction : public EngineTest {
protected:
    fs::path out() const { return dir / "out"; }
};

TEST_F(ZipExtraction, KeepsFoldersOrOnlyTheLastComponent)
{
    fs::path a = dir / "a.zip";
    ASSERT_TRUE(makeRawZip(a, {{"data/notes.txt", "notes"}}));
    EXPECT_EQ(extractEntryAt(a.string(), 0, out().string(), 1), 1);
    EXPECT_EQ(readFile(out() / "data/notes.txt"), "notes");
    EXPECT_EQ(extractEntryAt(a.string(), 0, (dir / "flat").string(), 0), 1);
    EXPECT_EQ(filesUnder(dir / "flat"), std::vector<std::string>{"notes.txt"});
}

TEST_F(ZipExtraction, BackslashSeparatedNamesMakeFolders)
{
    fs::path a = dir / "a.zip";
    ASSERT_TRUE(makeRawZip(a, {{"docs\\2007\\notes.txt", "notes"}}));
    EXPECT_EQ(extractEntryAt(a.string(), 0, out().string(), 1), 1);
    EXPECT_EQ(readFile(out() / "docs/2007/notes.txt"), "notes");
}

TEST_F(ZipExtraction, IndexPastTheLastEntryExtractsNothing)
{
    fs::path a = dir / "a.zip";
    ASSERT_TRUE(makeRawZip(a, {{"one.txt", "1"}, {"two.txt", "2"}}));
    EXPECT_EQ(extractEntryAt(a.string(), 2, out().string(), 1), 0);
    EXPECT_EQ(extractEntryAt(a.string(), -1, out().string(), 1), 0);
    EXPECT_EQ(filesUnder(out()), std::vector<std::string>{});
    EXPECT_EQ(extractEntryAt(a.string(), 1, out().string(), 1), 1);
    EXPECT_EQ(filesUnder(out()), std::vector<std::string>{"two.txt"});
}

TEST_F(ZipExtraction, RefusesNamesThatLeaveTheDestination)
{
    const std::vector<std::string> unsafe = {
        "../escape.txt",
        "a/../../escape.txt",
        "/etc/zarvon-escape",
        "C:/../escape.txt",
        "C:\\..\\escape.txt",
        "C:",
        "C:/",
        "..\\escape.txt",
        "a\\..\\..\\escape.txt",
        "./",
        "/",
        "\\",
    };
    std::vector<RawEntry> entries;
    for (const std::string &n : unsafe)
        entries.push_back({n, "bad"});
    entries.push_back({"good/ok.txt", "ok"});
    fs::path a = dir / "a.zip";
    ASSERT_TRUE(makeRawZip(a, entries));
    fs::path dest = dir / "deep/out";
    EXPECT_EQ(extractMatching(a.string(), "", dest.string(), 1), 1);
    EXPECT_EQ(filesUnder(dir / "deep"), (std::vector<std::string>{"out", "out/good", "out/good/ok.txt"}));
    EXPECT_FALSE(fs::exists("/etc/zarvon-escape"));

    ASSERT_NE(openArchiveForReading(a.string()), 0);
    ASSERT_EQ(firstEntry(), 0);
    for (const std::string &n : unsafe) {
        EXPECT_EQ(extractCurrentEntry(dest.string(), 1), kErrUnsafeName) << n;
        EXPECT_EQ(extractCurrentEntry(dest.string(), 0), kErrUnsafeName) << n;
        nextEntry();
    }
    for (size_t i = 0; i < unsafe.size(); ++i)
        EXPECT_EQ(extractEntryAt(a.string(), static_cast<int32_t>(i), dest.string(), 1), 0) << unsafe[i];
}

// Archives made on Windows from absolute paths keep the drive: it is
// dropped, and the entry lands inside the destination.
TEST_F(ZipExtraction, DrivePrefixesAreStrippedNotRefused)
{
    fs::path a = dir / "a.zip";
    ASSERT_TRUE(makeRawZip(a, {{"C:/data/notes.txt", "1"},
                               {"C:\\data\\win.txt", "2"},
                               {"c:rel.txt", "3"},
                               {"D://twice.txt", "4"},
                               {"E:/../escape.txt", "bad"}}));
    fs::path dest = dir / "out";
    EXPECT_EQ(extractMatching(a.string(), "", dest.string(), 1), 4);
    EXPECT_EQ(filesUnder(dir), (std::vector<std::string>{"a.zip", "out", "out/data", "out/data/notes.txt",
                                                         "out/data/win.txt", "out/rel.txt", "out/twice.txt"}));
    EXPECT_EQ(readFile(dest / "data/win.txt"), "2");
    EXPECT_EQ(extractEntryAt(a.string(), 0, (dir / "flat").string(), 0), 1);
    EXPECT_EQ(readFile(dir / "flat/notes.txt"), "1");
    std::vector<std::string> progressNames;
    setProgressCallback([&](const std::string &n, float) {
        if (!n.empty())
            progressNames.push_back(n);
        return 0;
    });
    ASSERT_NE(openArchiveForReading(a.string()), 0);
    ASSERT_EQ(firstEntry(), 0);
    EXPECT_EQ(extractCurrentEntry((dir / "slot").string(), 1), 0);
    EXPECT_EQ(progressNames, std::vector<std::string>{std::string("data") + kSeparator + "notes.txt"});
}

TEST_F(ZipExtraction, NeverWritesThroughASymbolicLink)
{
    fs::path outside = dir / "outside";
    fs::create_directories(outside);
    fs::create_directories(out());
    fs::create_directory_symlink(outside, out() / "link");
    fs::path a = dir / "a.zip";
    ASSERT_TRUE(makeRawZip(a, {{"link/evil.txt", "evil"}, {"link/", ""}}));
    EXPECT_EQ(extractEntryAt(a.string(), 0, out().string(), 1), 0);
    EXPECT_EQ(filesUnder(outside), std::vector<std::string>{});
    ASSERT_NE(openArchiveForReading(a.string()), 0);
    ASSERT_EQ(firstEntry(), 0);
    EXPECT_EQ(extractCurrentEntry(out().string(), 1), kErrUnsafeName);
}

TEST_F(ZipExtraction, ReplacesALinkToAFileInsteadOfWritingThroughIt)
{
    fs::path target = file("target.txt", "precious");
    fs::create_directories(out());
    fs::create_symlink(target, out() / "name.txt");
    fs::path a = dir / "a.zip";
    ASSERT_TRUE(makeRawZip(a, {{"name.txt", "from the archive"}}));
    EXPECT_EQ(extractEntryAt(a.string(), 0, out().string(), 1), 1);
    EXPECT_EQ(readFile(target), "precious");
    EXPECT_FALSE(fs::is_symlink(out() / "name.txt"));
    EXPECT_EQ(readFile(out() / "name.txt"), "from the archive");
}

TEST_F(ZipExtraction, SymbolicLinkEntriesBecomePlainFiles)
{
    fs::path a = dir / "a.zip";
    ASSERT_TRUE(makeRawZip(a, {{"link", "/etc/passwd", 0, 0, (0120777ul << 16), (3ul << 8) | 30}}));
    EXPECT_EQ(extractEntryAt(a.string(), 0, out().string(), 1), 1);
    EXPECT_FALSE(fs::is_symlink(out() / "link"));
    EXPECT_EQ(readFile(out() / "link"), "/etc/passwd");
}

TEST_F(ZipExtraction, CrcMismatchFailsAndLeavesNoFile)
{
    std::string data = sampleText(3000);
    fs::path a = dir / "a.zip";
    ASSERT_TRUE(makeRawZip(a, {{"damaged.txt", data, 0}, {"fine.txt", "fine", 0}}));
    ASSERT_TRUE(corruptAt(a, data.substr(0, 64), 10));
    EXPECT_EQ(extractEntryAt(a.string(), 0, out().string(), 1), 0);
    EXPECT_FALSE(fs::exists(out() / "damaged.txt"));
    ASSERT_NE(openArchiveForReading(a.string()), 0);
    ASSERT_EQ(firstEntry(), 0);
    EXPECT_EQ(extractCurrentEntry(out().string(), 1), kErrCrc);
    EXPECT_FALSE(fs::exists(out() / "damaged.txt"));
    closeArchives();
    EXPECT_EQ(extractMatching(a.string(), "", out().string(), 1), 1);
    EXPECT_EQ(filesUnder(out()), std::vector<std::string>{"fine.txt"});
}

TEST_F(ZipExtraction, DamagedDeflateDataFailsAndKeepsTheFileItWouldReplace)
{
    std::string data = randomBytes(50000);
    fs::path a = dir / "a.zip";
    ASSERT_TRUE(makeRawZip(a, {{"r.bin", data, 8}}));
    std::string bytes = readFile(a);
    for (size_t i = 200; i < 300; ++i)
        bytes[i] ^= 0x3C;
    writeFile(a, bytes);
    writeFile(out() / "r.bin", "earlier file");
    EXPECT_EQ(extractEntryAt(a.string(), 0, out().string(), 1), 0);
    EXPECT_EQ(readFile(out() / "r.bin"), "earlier file");
    EXPECT_EQ(filesUnder(out()), std::vector<std::string>{"r.bin"});
}

TEST_F(ZipExtraction, TruncatedArchiveFailsCleanly)
{
    fs::path good = dir / "good.zip";
    ASSERT_TRUE(makeRawZip(good, {{"r.bin", randomBytes(50000), 8}}));
    std::string bytes = readFile(good);
    fs::path a = file("cut.zip", bytes.substr(0, 30000));
    EXPECT_EQ(openArchiveForReading(a.string()), 0);
    EXPECT_EQ(extractMatching(a.string(), "", out().string(), 1), 0);
    EXPECT_FALSE(fs::exists(out()));
}

TEST_F(ZipExtraction, ReadOnlyExistingFileIsNotReplaced)
{
    fs::path a = dir / "a.zip";
    ASSERT_TRUE(makeRawZip(a, {{"ro.txt", "new", 8, 0, 0x01}}));
    EXPECT_EQ(extractEntryAt(a.string(), 0, out().string(), 1), 1);
    struct stat st {};
    ASSERT_EQ(::stat((out() / "ro.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0222, 0u);
    // Also as root, who could write it anyway: the mode bits decide.
    EXPECT_EQ(extractEntryAt(a.string(), 0, out().string(), 1), 0);
    ASSERT_NE(openArchiveForReading(a.string()), 0);
    ASSERT_EQ(firstEntry(), 0);
    EXPECT_EQ(extractCurrentEntry(out().string(), 1), kErrReadOnlyTarget);
    EXPECT_EQ(readFile(out() / "ro.txt"), "new");
}

TEST_F(ZipExtraction, AnEntryThatCannotBeWrittenLeavesItsDetailInTheLastError)
{
    fs::path a = dir / "a.zip";
    ASSERT_TRUE(makeRawZip(a, {{"taken", "data"}}));
    fs::create_directories(out() / "taken");
    ASSERT_NE(openArchiveForReading(a.string()), 0);
    ASSERT_EQ(firstEntry(), 0);
    EXPECT_EQ(extractCurrentEntry(out().string(), 1), kErrGeneral);
    EXPECT_EQ(lastError().code, kErrGeneral);
    EXPECT_EQ(lastError().sysErrno, EISDIR);
    closeArchives();
    EXPECT_EQ(extractCurrentEntry(out().string(), 1), kErrGeneral);
    EXPECT_EQ(lastError().sysErrno, 0);
    EXPECT_NE(lastError().text.find("no archive"), std::string::npos);
}

TEST_F(ZipExtraction, WritableExistingFileIsReplaced)
{
    writeFile(out() / "f.txt", "old content that is longer");
    fs::path a = dir / "a.zip";
    ASSERT_TRUE(makeRawZip(a, {{"f.txt", "new"}}));
    EXPECT_EQ(extractEntryAt(a.string(), 0, out().string(), 1), 1);
    EXPECT_EQ(readFile(out() / "f.txt"), "new");
    EXPECT_EQ(filesUnder(out()), std::vector<std::string>{"f.txt"});
}

TEST_F(ZipExtraction, RestoresTheDosTimeWithItsSeconds)
{
    fs::path a = dir / "a.zip";
    ASSERT_TRUE(makeRawZip(a, {{"dated.txt", "x"}}));
    ASSERT_EQ(extractEntryAt(a.string(), 0, out().string(), 1), 1);
    struct stat st {};
    ASSERT_EQ(::stat((out() / "dated.txt").c_str(), &st), 0);
    struct tm t {};
    localtime_r(&st.st_mtime, &t);
    EXPECT_EQ(t.tm_year + 1900, 2007);
    EXPECT_EQ(t.tm_mon, 4);
    EXPECT_EQ(t.tm_mday, 14);
    EXPECT_EQ(t.tm_hour, 10);
    EXPECT_EQ(t.tm_min, 42);
    EXPECT_EQ(t.tm_sec, 36); // stored 37: DOS dates keep even seconds
}

TEST_F(ZipExtraction, RestoresUnixModesWithoutSetIdBits)
{
    fs::path a = dir / "a.zip";
    ASSERT_TRUE(makeRawZip(
        a, {{"run.sh", "#!/bin/sh\n", 8, 0, (0104750ul << 16), (3ul << 8) | 30}, {"dos.txt", "x", 8, 0, 0x20, 0}}));
    ASSERT_EQ(extractMatching(a.string(), "", out().string(), 1), 2);
    struct stat st {};
    ASSERT_EQ(::stat((out() / "run.sh").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0750u);
    ASSERT_EQ(::stat((out() / "dos.txt").c_str(), &st), 0);
    EXPECT_NE(st.st_mode & 0200, 0u);
}

TEST_F(ZipExtraction, MatchingExtractsFilesAndFoldersAndCountsFiles)
{
    fs::path a = dir / "a.zip";
    ASSERT_TRUE(makeRawZip(
        a,
        {{"docs/", ""}, {"docs/a.TXT", "a"}, {"docs/b.bin", "b"}, {"README", "r"}, {"empty/", ""}, {"zero.dat", ""}}));
    EXPECT_EQ(extractMatching(a.string(), "", out().string(), 1), 4);
    EXPECT_EQ(filesUnder(out()),
              (std::vector<std::string>{"README", "docs", "docs/a.TXT", "docs/b.bin", "empty", "zero.dat"}));
    fs::path only = dir / "only";
    // Without folders only the pattern selects: empty entries are not taken.
    EXPECT_EQ(extractMatching(a.string(), "*.txt", only.string(), 0), 1);
    EXPECT_EQ(filesUnder(only), (std::vector<std::string>{"a.TXT"}));
}

TEST_F(ZipExtraction, PatternTreatsNamesWithoutDotAsEndingWithOne)
{
    fs::path a = dir / "a.zip";
    ASSERT_TRUE(makeRawZip(a, {{"README", "r"}, {"x.c", "c"}, {"y.cc", "cc"}}));
    EXPECT_EQ(extractMatching(a.string(), "*.", (dir / "o1").string(), 0), 1);
    EXPECT_EQ(filesUnder(dir / "o1"), std::vector<std::string>{"README"});
    EXPECT_EQ(extractMatching(a.string(), "?.C", (dir / "o2").string(), 0), 1);
    EXPECT_EQ(filesUnder(dir / "o2"), std::vector<std::string>{"x.c"});
}

TEST_F(ZipExtraction, EmptyArchiveCreatesNoDestination)
{
    fs::path a = dir / "empty.zip";
    ASSERT_TRUE(makeRawZip(a, {}));
    EXPECT_EQ(extractMatching(a.string(), "", out().string(), 1), 0);
    EXPECT_FALSE(fs::exists(out()));
}

TEST_F(ZipExtraction, EmptyReaderSlotWritesNothing)
{
    EXPECT_EQ(extractCurrentEntry(out().string(), 1), -1);
    EXPECT_FALSE(fs::exists(out()));
}

TEST_F(ZipExtraction, UnsupportedMethodFailsWithoutOutput)
{
    fs::path a = dir / "a.zip";
    ASSERT_TRUE(makeRawZip(a, {{"x.txt", "stored"}}));
    std::string bytes = readFile(a);
    // Set the method to 12 (bzip2) in the local and the central header.
    for (size_t at = bytes.find("PK\x03\x04"); at != std::string::npos; at = std::string::npos)
        bytes[at + 8] = 12;
    size_t central = bytes.find("PK\x01\x02");
    ASSERT_NE(central, std::string::npos);
    bytes[central + 10] = 12;
    writeFile(a, bytes);
    ASSERT_NE(openArchiveForReading(a.string()), 0);
    ASSERT_EQ(firstEntry(), 0);
    EXPECT_EQ(extractCurrentEntry(out().string(), 1), kErrUnsupportedMethod);
    EXPECT_FALSE(fs::exists(out() / "x.txt"));
}

TEST_F(ZipExtraction, StopFromTheCallbackRemovesThePartialFile)
{
    fs::path src = file("big.txt", sampleText(400000));
    fs::path a = archiveOf("a.zip", {src});
    int calls = 0;
    setProgressCallback([&](const std::string &, float) { return ++calls == 2 ? 1 : 0; });
    ASSERT_NE(openArchiveForReading(a.string()), 0);
    ASSERT_EQ(firstEntry(), 0);
    EXPECT_EQ(extractCurrentEntry(out().string(), 1), kResultStopped);
    EXPECT_EQ(filesUnder(out()), std::vector<std::string>{});
    // Only extractCurrentEntry acts on a stop.
    EXPECT_EQ(extractEntryAt(a.string(), 0, out().string(), 1), 1);
    EXPECT_EQ(readFile(out() / "big.txt"), sampleText(400000));
}

TEST_F(ZipExtraction, FolderRemovedBetweenEntriesIsMadeAgain)
{
    fs::path a = dir / "a.zip";
    ASSERT_TRUE(makeRawZip(a, {{"d/one.txt", "1"}, {"d/two.txt", "2"}}));
    ASSERT_NE(openArchiveForReading(a.string()), 0);
    ASSERT_EQ(firstEntry(), 0);
    ASSERT_EQ(extractCurrentEntry(out().string(), 1), 0);
    fs::remove_all(out() / "d");
    ASSERT_EQ(nextEntry(), 0);
    ASSERT_EQ(extractCurrentEntry(out().string(), 1), 0);
    EXPECT_EQ(readFile(out() / "d/two.txt"), "2");
    fs::remove_all(out());
    ASSERT_EQ(extractCurrentEntry(out().string(), 1), 0);
    EXPECT_EQ(readFile(out() / "d/two.txt"), "2");
}

TEST_F(ZipExtraction, CallbackThatClosesTheReaderStopsSafely)
{
    fs::path src = file("big.txt", sampleText(400000));
    fs::path a = archiveOf("a.zip", {src});
    setProgressCallback([&](const std::string &, float) {
        closeArchives();
        return 0;
    });
    ASSERT_NE(openArchiveForReading(a.string()), 0);
    ASSERT_EQ(firstEntry(), 0);
    EXPECT_EQ(extractCurrentEntry(out().string(), 1), kResultStopped);
    EXPECT_EQ(filesUnder(out()), std::vector<std::string>{});
    EXPECT_EQ(extractCurrentEntry(out().string(), 1), -1);
}

TEST_F(ZipExtraction, ProgressNamesTheOutputAndEndsEachFileAtHundred)
{
    fs::path a = dir / "a.zip";
    ASSERT_TRUE(makeRawZip(a, {{"d/f.txt", sampleText(150000)}}));
    std::vector<std::pair<std::string, float>> calls;
    setProgressCallback([&](const std::string &name, float percent) {
        calls.emplace_back(name, percent);
        return 0;
    });
    ASSERT_EQ(extractEntryAt(a.string(), 0, out().string(), 1), 1);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].first, "d/f.txt");
    EXPECT_NEAR(calls[1].second, 100.0f, 0.01f);
    EXPECT_EQ(calls[2], std::make_pair(std::string(), 100.0f));
}

TEST_F(ZipExtraction, RoundTripOfManyKindsOfFiles)
{
    std::vector<fs::path> files = {file("text.txt", sampleText(333333)),
                                   file("random.bin", randomBytes(222222)),
                                   file("empty", ""),
                                   file("one", "1"),
                                   file("été.txt", "summer"),
                                   file("Ελληνικά.txt", "greek")};
    for (int method : {0, 8}) {
        fs::path a = archiveOf("m" + std::to_string(method) + ".zip", files, method);
        fs::path dest = dir / ("x" + std::to_string(method));
        EXPECT_EQ(extractMatching(a.string(), "", dest.string(), 1), static_cast<int32_t>(files.size()));
        for (const fs::path &f : files)
            EXPECT_EQ(readFile(dest / f.filename()), readFile(f)) << f;
    }
}

} // namespace zarvon::engine::testing
