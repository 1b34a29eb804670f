// Creation: stored names, methods, the atomic temporary file, write errors
// through minizip's I/O table, and stops asked by the progress callback.
#include "engine_test_support.h"

#include "engine/zip_io.h"

namespace zarvon::engine::testing {

class ZipCreation : public EngineTest {};

TEST_F(ZipCreation, StoresTheBareNameOrTheWholePathWithoutLeadingSlash)
{
    fs::path f = file("data/notes.txt", "notes");
    fs::path a = dir / "a.zip";
    ASSERT_NE(createArchive(a.string(), 0), 0);
    EXPECT_EQ(addFile(f.string(), 0), 0);
    EXPECT_EQ(addFile(f.string(), 1), 0);
    std::string dotted = (dir / "data/../data/./notes.txt").string();
    EXPECT_EQ(addFile(dotted, 1), 0);
    ASSERT_EQ(closeArchives(), 0);
    std::string full = f.string().substr(1);
    EXPECT_EQ(namesIn(a), (std::vector<std::string>{"notes.txt", full, full}));
}

TEST_F(ZipCreation, NamesCp850CanHoldAreStoredInCp850)
{
    fs::path f = file("café.txt", "x");
    fs::path a = archiveOf("a.zip", {f});
    std::string bytes = readFile(a);
    EXPECT_NE(bytes.find("caf\x82.txt"), std::string::npos);
    EntryInfo info;
    ASSERT_EQ(entryInfoAt(a.string(), 0, info), 1);
    EXPECT_EQ(info.flag & 0x800, 0u);
    EXPECT_EQ(info.fileName, "café.txt");
}

TEST_F(ZipCreation, NamesCp850CannotHoldAreStoredInUtf8WithTheFlag)
{
    fs::path f = file("日本語.txt", "x");
    fs::path a = archiveOf("a.zip", {f});
    EXPECT_NE(readFile(a).find("日本語.txt"), std::string::npos);
    EntryInfo info;
    ASSERT_EQ(entryInfoAt(a.string(), 0, info), 1);
    EXPECT_EQ(info.flag & 0x800, 0x800u);
    EXPECT_EQ(info.fileName, "日本語.txt");
}

TEST_F(ZipCreation, EmptyFileGivesAnEmptyEntryAndSucceeds)
{
    fs::path f = file("empty", "");
    fs::path a = dir / "a.zip";
    ASSERT_NE(createArchive(a.string(), 0), 0);
    EXPECT_EQ(addFile(f.string(), 0), 0);
    ASSERT_EQ(closeArchives(), 0);
    EntryInfo info;
    ASSERT_EQ(entryInfoAt(a.string(), 0, info), 1);
    EXPECT_EQ(info.uncompressedSize, 0u);
    VerifyResult v;
    EXPECT_EQ(verifyArchive(a.string(), v), 0);
}

TEST_F(ZipCreation, StoredEncryptedEntryIsTwelveBytesLonger)
{
    fs::path f = file("plain.txt", sampleText(5000));
    fs::path a = archiveOf("a.zip", {f}, 0, "secret");
    EntryInfo info;
    ASSERT_EQ(entryInfoAt(a.string(), 0, info), 1);
    EXPECT_EQ(info.compressionMethod, 0u);
    EXPECT_TRUE(info.isEncrypted());
    EXPECT_EQ(info.compressedSize, 5012u);
    EXPECT_EQ(readFile(a).find(sampleText(5000).substr(0, 100)), std::string::npos);
}

TEST_F(ZipCreation, DeflateCompressesAndMethodFiveIsIgnored)
{
    fs::path f = file("text.txt", sampleText(200000));
    setCompressionMethod(0);
    setCompressionMethod(5);
    EXPECT_EQ(engineState().compressionMethod, 0);
    setCompressionMethod(8);
    fs::path a = archiveOf("a.zip", {f}, 8);
    EntryInfo info;
    ASSERT_EQ(entryInfoAt(a.string(), 0, info), 1);
    EXPECT_EQ(info.compressionMethod, 8u);
    EXPECT_LT(info.compressedSize, 200000u / 3);
}

TEST_F(ZipCreation, UnixModeAndReadOnlyBitAreStored)
{
    fs::path f = file("tool.sh", "#!/bin/sh\n");
    ::chmod(f.c_str(), 0555);
    fs::path a = archiveOf("a.zip", {f});
    EntryInfo info;
    ASSERT_EQ(entryInfoAt(a.string(), 0, info), 1);
    EXPECT_EQ(info.version >> 8, 3u);
    EXPECT_EQ((info.externalAttributes >> 16) & 0777, 0555u);
    EXPECT_EQ(info.externalAttributes & 1, 1u);
}

TEST_F(ZipCreation, ReplacesAnEarlierArchiveOnlyWhenClosed)
{
    fs::path old = file("a.zip", "");
    ASSERT_TRUE(makeRawZip(old, {{"old.txt", "old"}}));
    fs::path f = file("new.txt", "new");
    ASSERT_NE(createArchive(old.string(), 0), 0);
    ASSERT_EQ(addFile(f.string(), 0), 0);
    EXPECT_EQ(namesIn(old), std::vector<std::string>{"old.txt"});
    ASSERT_EQ(closeArchives(), 0);
    EXPECT_EQ(namesIn(old), std::vector<std::string>{"new.txt"});
    EXPECT_EQ(filesUnder(dir), (std::vector<std::string>{"a.zip", "new.txt"}));
}

TEST_F(ZipCreation, AppendKeepsTheEarlierEntries)
{
    fs::path a = dir / "a.zip";
    ASSERT_TRUE(makeRawZip(a, {{"old.txt", "old"}}));
    fs::path f = file("new.txt", "new");
    ASSERT_NE(createArchive(a.string(), 1), 0);
    ASSERT_EQ(addFile(f.string(), 0), 0);
    ASSERT_EQ(closeArchives(), 0);
    EXPECT_EQ(namesIn(a), (std::vector<std::string>{"old.txt", "new.txt"}));
}

TEST_F(ZipCreation, FailsWhenTheFolderIsMissing)
{
    EXPECT_EQ(createArchive((dir / "no/such/a.zip").string(), 0), 0);
    fs::path f = file("x.txt", "x");
    EXPECT_EQ(addFile(f.string(), 0), -1);
    EXPECT_EQ(closeArchives(), 0);
}

TEST_F(ZipCreation, FolderAsArchivePathIsRefused)
{
    fs::create_directories(dir / "folder.zip");
    EXPECT_EQ(createArchive((dir / "folder.zip").string(), 0), 0);
    EXPECT_EQ(filesUnder(dir), std::vector<std::string>{"folder.zip"});
}

TEST_F(ZipCreation, InitEngineAbandonsAnArchiveBeingWritten)
{
    fs::path f = file("x.txt", "x");
    ASSERT_NE(createArchive((dir / "a.zip").string(), 0), 0);
    ASSERT_EQ(addFile(f.string(), 0), 0);
    initEngine();
    EXPECT_EQ(filesUnder(dir), std::vector<std::string>{"x.txt"});
}

TEST_F(ZipCreation, MissingSourceFileFailsAndLeavesTheArchiveUsable)
{
    fs::path f = file("x.txt", "x");
    fs::path a = dir / "a.zip";
    ASSERT_NE(createArchive(a.string(), 0), 0);
    EXPECT_EQ(addFile((dir / "missing.txt").string(), 0), -1);
    EXPECT_EQ(addFile(dir.string(), 0), -1);
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    EXPECT_EQ(addFile((dir / "pipe").string(), 0), -1);
    fs::remove(dir / "pipe");
    EXPECT_EQ(addFile(f.string(), 0), 0);
    ASSERT_EQ(closeArchives(), 0);
    EXPECT_EQ(namesIn(a), std::vector<std::string>{"x.txt"});
}

TEST_F(ZipCreation, NeverAddsItselfOrItsTemporaryFile)
{
    fs::path a = dir / "a.zip";
    ASSERT_TRUE(makeRawZip(a, {{"old.txt", "old"}}));
    fs::path f = file("x.txt", "x");
    ASSERT_NE(createArchive(a.string(), 0), 0);
    EXPECT_EQ(addFile(f.string(), 0), 0);
    for (const std::string &name : filesUnder(dir)) {
        if (name != "x.txt") {
            EXPECT_EQ(addFile((dir / name).string(), 0), kAddSkippedSelf) << name;
        }
    }
    ASSERT_EQ(closeArchives(), 0);
    EXPECT_EQ(namesIn(a), std::vector<std::string>{"x.txt"});
}

TEST_F(ZipCreation, StopOnFirstCallbackDiscardsTheRunAndKeepsTheEarlierFile)
{
    fs::path a = dir / "a.zip";
    ASSERT_TRUE(makeRawZip(a, {{"old.txt", "old"}}));
    std::string before = readFile(a);
    fs::path f = file("big.txt", sampleText(500000));
    int calls = 0;
    setProgressCallback([&](const std::string &, float) {
        ++calls;
        return 1;
    });
    ASSERT_NE(createArchive(a.string(), 0), 0);
    EXPECT_EQ(addFile(f.string(), 0), kResultStopped);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(closeArchives(), kResultStopped);
    EXPECT_EQ(readFile(a), before);
    EXPECT_EQ(filesUnder(dir), (std::vector<std::string>{"a.zip", "big.txt"}));
}

TEST_F(ZipCreation, StopAskedAtTheEndOfTheLastFileStillDiscardsTheRun)
{
    fs::path a = dir / "a.zip";
    ASSERT_TRUE(makeRawZip(a, {{"old.txt", "old"}}));
    std::string before = readFile(a);
    fs::path f = file("small.txt", "a few bytes");
    // Only the end-of-file report asks to stop, as when Cancel is clicked
    // while the last block is being written.
    setProgressCallback([&](const std::string &name, float) { return name.empty() ? 1 : 0; });
    ASSERT_NE(createArchive(a.string(), 0), 0);
    EXPECT_EQ(addFile(f.string(), 0), kResultStopped);
    EXPECT_EQ(closeArchives(), kResultStopped);
    EXPECT_EQ(readFile(a), before);
    EXPECT_EQ(filesUnder(dir), (std::vector<std::string>{"a.zip", "small.txt"}));
}

TEST_F(ZipCreation, CallbackThatClosesTheArchiveStopsTheRun)
{
    fs::path f = file("big.txt", sampleText(500000));
    fs::path a = dir / "a.zip";
    setProgressCallback([&](const std::string &, float percent) {
        if (percent > 30.0f)
            closeArchives();
        return 0;
    });
    ASSERT_NE(createArchive(a.string(), 0), 0);
    EXPECT_EQ(addFile(f.string(), 0), kResultStopped);
    EXPECT_EQ(engineState().writer, nullptr);
    EXPECT_EQ(addFile(f.string(), 0), -1);
    EXPECT_EQ(filesUnder(dir), std::vector<std::string>{"big.txt"});
}

TEST_F(ZipCreation, ProgressReachesTheCallbackPerBlockAndAtTheEnd)
{
    fs::path f = file("big.txt", sampleText(250000));
    std::vector<std::pair<std::string, float>> calls;
    setProgressCallback([&](const std::string &name, float percent) {
        calls.emplace_back(name, percent);
        return 0;
    });
    archiveOf("a.zip", {f});
    ASSERT_EQ(calls.size(), 4u); // 102400 + 102400 + 45200, then the end of the file
    EXPECT_EQ(calls[0].first, f.string());
    EXPECT_NEAR(calls[0].second, 40.96f, 0.01f);
    EXPECT_NEAR(calls[2].second, 100.0f, 0.01f);
    EXPECT_EQ(calls[3], std::make_pair(std::string(), 100.0f));
}

// A disk that fills after a given number of bytes, through minizip's I/O table.
namespace {

struct FullDisk {
    static inline uint64_t limit = 0;
    static inline uint64_t written = 0;
    static inline zlib_filefunc64_def real{};

    static uLong ZCALLBACK write(voidpf opaque, voidpf stream, const void *buf, uLong size)
    {
        if (written + size > limit) {
            uLong room = static_cast<uLong>(limit - written);
            written = limit;
            return room ? real.zwrite_file(real.opaque, stream, buf, room) : 0;
        }
        written += size;
        return real.zwrite_file(real.opaque, stream, buf, size);
    }

    static zlib_filefunc64_def table(uint64_t bytes)
    {
        fill_fopen64_filefunc(&real);
        limit = bytes;
        written = 0;
        zlib_filefunc64_def t = real;
        t.zwrite_file = write;
        return t;
    }
};

} // namespace

TEST_F(ZipCreation, FullDiskFailsTheAdditionAndCommitsNothing)
{
    fs::path a = dir / "a.zip";
    ASSERT_TRUE(makeRawZip(a, {{"old.txt", "old"}}));
    std::string before = readFile(a);
    fs::path f = file("random.bin", randomBytes(600000));
    zlib_filefunc64_def io = FullDisk::table(200000);
    setArchiveIo(&io);
    ASSERT_NE(createArchive(a.string(), 0), 0);
    int32_t r = addFile(f.string(), 0);
    int32_t closed = closeArchives();
    setArchiveIo(nullptr);
    EXPECT_EQ(r, kErrWrite);
    EXPECT_NE(closed, 0);
    EXPECT_EQ(readFile(a), before);
    EXPECT_EQ(filesUnder(dir), (std::vector<std::string>{"a.zip", "random.bin"}));
}

TEST_F(ZipCreation, FullDiskWhileWritingTheCentralDirectoryCommitsNothing)
{
    fs::path f = file("small.txt", "small");
    fs::path a = dir / "a.zip";
    zlib_filefunc64_def io = FullDisk::table(60);
    setArchiveIo(&io);
    ASSERT_NE(createArchive(a.string(), 0), 0);
    addFile(f.string(), 0);
    int32_t closed = closeArchives();
    setArchiveIo(nullptr);
    EXPECT_NE(closed, 0);
    EXPECT_EQ(filesUnder(dir), std::vector<std::string>{"small.txt"});
}

} // namespace zarvon::engine::testing
