// The engine's one state record and its reset: initEngine brings every
// setting and cache back to its first state, and leaves alone what objects
// still alive are using.
#include "engine_test_support.h"

#include "engine/context.h"
#include "engine/zip_io.h"

#include <minizip/ioapi.h>

#include <thread>

namespace zarvon::engine::testing {

namespace {

uLong ZCALLBACK failingWrite(voidpf, voidpf, const void *, uLong) { return 0; }

using EngineContextTest = EngineTest;

} // namespace

TEST_F(EngineContextTest, InitEngineBringsEverySettingBack)
{
    fs::path a = archiveOf("a.zip", {file("a.txt", sampleText(5000))});
    zlib_filefunc64_def failing{};
    fill_fopen64_filefunc(&failing);
    failing.zwrite_file = failingWrite;

    setCompressionMethod(0);
    setPassword("pw");
    setProgressCallback([](const std::string &, float) { return 0; });
    setThreadCount(3);
    setArchiveIo(&failing);
    ASSERT_NE(openArchiveForReading(a.string()), 0);
    EXPECT_EQ(createArchive((dir / "missing" / "b.zip").string(), 0), 0);
    ASSERT_NE(lastError().code, 0);
    EXPECT_EQ(detail::compressorThreads(), 3);

    EXPECT_EQ(initEngine(), 0);
    const EngineState &s = engineState();
    EXPECT_EQ(s.reader, nullptr);
    EXPECT_EQ(s.writer, nullptr);
    EXPECT_EQ(s.compressionMethod, 8);
    EXPECT_FALSE(s.passwordSet);
    EXPECT_TRUE(s.password.empty());
    EXPECT_FALSE(static_cast<bool>(s.progressCallback));
    EXPECT_EQ(lastError().code, 0);
    EXPECT_TRUE(lastError().text.empty());
    const unsigned cores = std::thread::hardware_concurrency();
    EXPECT_EQ(detail::compressorThreads(), cores > 0 ? static_cast<int>(cores) : 1);
    EXPECT_TRUE(detail::readerPath().empty());

    // The failing I/O table is gone: writing works again.
    fs::path b = archiveOf("b.zip", {file("b.txt", "bee")});
    EXPECT_EQ(namesIn(b), std::vector<std::string>{"b.txt"});
}

TEST_F(EngineContextTest, InitEngineEmptiesTheCaches)
{
    fs::path a = archiveOf("a.zip", {file("a.txt", "alpha"), file("b.txt", "beta")});
    EntryInfo info;
    ASSERT_EQ(entryInfoAt(a.string(), 1, info), 1);
    ASSERT_NE(openArchiveForReading(a.string()), 0);
    ASSERT_EQ(firstEntry(), 0);
    ASSERT_EQ(extractCurrentEntry((dir / "out").string(), 1), 0);
    detail::EngineContext &c = detail::context();
    ASSERT_TRUE(c.listing.valid);
    ASSERT_TRUE(c.lastEntry.valid);
    ASSERT_NE(c.slot.dest, nullptr);
    const uint64_t serial = c.readerSerial, generation = c.generation;

    initEngine();
    EXPECT_FALSE(c.listing.valid);
    EXPECT_TRUE(c.listing.entries.empty());
    EXPECT_FALSE(c.lastEntry.valid);
    EXPECT_NE(c.slot.readerSerial, c.readerSerial) << "the slot's destination must be stale";
    EXPECT_TRUE(c.handles.empty());
    // The counters never go back, so nothing remembered before the reset
    // can be taken for an archive opened after it.
    EXPECT_GT(c.readerSerial, serial);
    EXPECT_GE(c.generation, generation);
    EXPECT_EQ(readFile(dir / "out" / "a.txt"), "alpha");
}

TEST_F(EngineContextTest, ResetFromTheCallbackLeavesARunningExtractionWhole)
{
    // The extraction's private handle and block buffers outlive the reset
    // asked from its own progress callback; it finishes every entry.
    std::vector<fs::path> files;
    for (int i = 0; i < 4; ++i)
        files.push_back(file("f" + std::to_string(i) + ".txt", sampleText(300000, static_cast<unsigned>(i + 1))));
    fs::path a = archiveOf("a.zip", files);
    int calls = 0;
    setProgressCallback([&](const std::string &, float) {
        if (++calls == 2)
            initEngine();
        return 0;
    });
    fs::path out = dir / "out";
    EXPECT_EQ(extractMatching(a.string(), "", out.string(), 1), 4);
    EXPECT_EQ(calls, 2);
    for (const fs::path &f : files)
        EXPECT_TRUE(readFile(out / f.filename()) == readFile(f)) << f;
}

} // namespace zarvon::engine::testing
