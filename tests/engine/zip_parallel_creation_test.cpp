// Creation on several compressor threads: the archive's bytes do not depend
// on their number, large entries cut into primed units read back everywhere,
// and progress, stops and write failures behave as with one thread.
#include "engine_test_support.h"

#include "engine/deflate_pipeline.h"
#include "engine/zip_io.h"

#include <minizip/ioapi.h>

#include <sys/resource.h>

#include <csignal>
#include <thread>

namespace zarvon::engine::testing {

namespace {

// The compressors' plan for `files`, in order, names as given.
std::vector<PlannedAddition> planOf(const std::vector<fs::path> &files)
{
    std::vector<PlannedAddition> plan;
    for (const fs::path &f : files)
        plan.push_back({f.string(), 0});
    return plan;
}

class ZipParallel : public EngineTest {
protected:
    void TearDown() override
    {
        setThreadCount(0);
        EngineTest::TearDown();
    }

    // A mix: small texts, an empty file, random bytes and a text of several
    // units with a tail shorter than a unit.
    std::vector<fs::path> mixedFiles()
    {
        return {file("a.txt", sampleText(3000, 1)), file("empty.txt", ""), file("random.bin", randomBytes(70000)),
                file("big.txt", sampleText(3 * detail::kUnitSize + 12345, 2)), file("b.txt", sampleText(50, 3))};
    }

    // Creates the archive with `threads` threads, announcing the files first
    // when `plan` is true.
    std::string archiveBytes(const std::string &name, const std::vector<fs::path> &files, int threads, bool plan,
                             int method = 8)
    {
        setThreadCount(threads);
        setCompressionMethod(method);
        fs::path a = dir / name;
        EXPECT_NE(createArchive(a.string(), 0), 0);
        if (plan) {
            std::vector<PlannedAddition> planned;
            for (const fs::path &f : files)
                planned.push_back({f.string(), 0});
            EXPECT_EQ(planAdditions(planned), 0);
        }
        for (const fs::path &f : files)
            EXPECT_EQ(addFile(f.string(), 0), 0) << f;
        EXPECT_EQ(closeArchives(), 0);
        return readFile(a);
    }

    void expectExtractsTo(const fs::path &archive, const std::vector<fs::path> &files)
    {
        fs::path out = dir / ("out-" + archive.filename().string());
        EXPECT_EQ(extractMatching(archive.string(), "", out.string(), 1), static_cast<int32_t>(files.size()));
        for (const fs::path &f : files)
            EXPECT_EQ(readFile(out / f.filename()), readFile(f)) << f;
    }
};

} // namespace

TEST_F(ZipParallel, ArchiveBytesDoNotDependOnTheThreadCountOrThePlan)
{
    const auto files = mixedFiles();
    // Fixed file times, so that the two runs differ only by their threads.
    for (const fs::path &f : files)
        fs::last_write_time(f, fs::file_time_type::clock::now() - std::chrono::hours(1));
    const std::string one = archiveBytes("one.zip", files, 1, false);
    EXPECT_EQ(archiveBytes("four.zip", files, 4, true), one);
    EXPECT_EQ(archiveBytes("two.zip", files, 2, false), one);
    EXPECT_EQ(archiveBytes("stored1.zip", files, 1, true, 0), archiveBytes("stored3.zip", files, 3, true, 0));
    expectExtractsTo(dir / "four.zip", files);
    expectExtractsTo(dir / "stored3.zip", files);
}

TEST_F(ZipParallel, LargeEntryMadeOfUnitsIsOneDeflateStreamForEveryReader)
{
    const std::string text = sampleText(6 * detail::kUnitSize + 777, 9) + randomBytes(detail::kUnitSize / 2);
    fs::path big = file("big.txt", text);
    setThreadCount(2);
    fs::path a = archiveOf("big.zip", {big});
    expectExtractsTo(a, {big});
    VerifyResult v;
    EXPECT_EQ(verifyArchive(a.string(), v), 0);

    // One inflate of the whole entry reads every unit and stops at the
    // final block, with nothing left over.
    std::string bytes = readFile(a);
    const size_t nameLen = static_cast<unsigned char>(bytes[26]) | static_cast<unsigned char>(bytes[27]) << 8;
    const size_t extraLen = static_cast<unsigned char>(bytes[28]) | static_cast<unsigned char>(bytes[29]) << 8;
    std::vector<EntryInfo> entries;
    ASSERT_EQ(listEntries(a.string(), entries), 1);
    const size_t dataAt = 30 + nameLen + extraLen;
    z_stream z{};
    ASSERT_EQ(inflateInit2(&z, -MAX_WBITS), Z_OK);
    std::string out(text.size() + 10, '\0');
    z.next_in = reinterpret_cast<Bytef *>(&bytes[dataAt]);
    z.avail_in = static_cast<uInt>(entries[0].compressedSize);
    z.next_out = reinterpret_cast<Bytef *>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(inflate(&z, Z_FINISH), Z_STREAM_END);
    EXPECT_EQ(z.avail_in, 0u);
    EXPECT_EQ(z.total_out, text.size());
    inflateEnd(&z);
    out.resize(text.size());
    EXPECT_TRUE(out == text);

    std::string output;
    if (haveTool("unzip")) {
        EXPECT_EQ(run("unzip -t " + quoted(a), &output), 0) << output;
    } else
        GTEST_LOG_(INFO) << "unzip not installed: skipped";
    if (haveTool("7zz")) {
        EXPECT_EQ(run("7zz t " + quoted(a), &output), 0) << output;
    } else
        GTEST_LOG_(INFO) << "7zz not installed: skipped";
    if (haveTool("bsdtar")) {
        EXPECT_EQ(run("bsdtar -xOf " + quoted(a) + " | cmp - " + quoted(big), &output), 0) << output;
    } else
        GTEST_LOG_(INFO) << "bsdtar not installed: skipped";
    if (haveTool("python3"))
        EXPECT_EQ(run("python3 -c \"import sys,zipfile; z=zipfile.ZipFile(sys.argv[1]); "
                      "assert z.testzip() is None; assert z.read('big.txt')==open(sys.argv[2],'rb').read()\" " +
                          quoted(a) + " " + quoted(big),
                      &output),
                  0)
            << output;
    else
        GTEST_LOG_(INFO) << "python3 not installed: skipped";
}

TEST_F(ZipParallel, EncryptedLargeEntryReadsBackHereAndElsewhere)
{
    fs::path big = file("secret.txt", sampleText(3 * detail::kUnitSize + 99, 4));
    fs::path small = file("note.txt", "short note");
    setThreadCount(3);
    fs::path a = archiveOf("secret.zip", {big, small}, 8, "pass word");
    setPassword("pass word");
    expectExtractsTo(a, {big, small});
    setPassword("");
    std::string output;
    if (haveTool("unzip")) {
        EXPECT_EQ(run("unzip -t -P 'pass word' " + quoted(a), &output), 0) << output;
    }
    if (haveTool("python3")) {
        EXPECT_EQ(run("python3 -c \"import sys,zipfile; z=zipfile.ZipFile(sys.argv[1]); z.setpassword(b'pass word'); "
                      "assert z.testzip() is None\" " +
                          quoted(a),
                      &output),
                  0)
            << output;
    }
}

TEST_F(ZipParallel, ProgressComesOnTheCallingThreadAtTheBlockPoints)
{
    const uint64_t size = 2 * detail::kUnitSize + 3 * 102400 + 10;
    fs::path big = file("big.txt", sampleText(size, 5));
    fs::path small = file("small.txt", "x");
    const std::thread::id caller = std::this_thread::get_id();
    std::vector<std::pair<std::string, float>> calls;
    bool otherThread = false;
    setProgressCallback([&](const std::string &name, float percent) {
        otherThread = otherThread || std::this_thread::get_id() != caller;
        calls.emplace_back(name, percent);
        return 0;
    });
    setThreadCount(4);
    ASSERT_NE(createArchive((dir / "p.zip").string(), 0), 0);
    ASSERT_EQ(planAdditions({{big.string(), 0}, {small.string(), 0}}), 0);
    ASSERT_EQ(addFile(big.string(), 0), 0);
    ASSERT_EQ(addFile(small.string(), 0), 0);
    ASSERT_EQ(closeArchives(), 0);
    EXPECT_FALSE(otherThread);

    // One call per block of 102400 bytes, then "" and 100; the same for the
    // one-byte file.
    std::vector<std::pair<std::string, float>> expected;
    for (uint64_t done = 0; done < size;) {
        done = std::min<uint64_t>(done + 102400, size);
        expected.emplace_back(big.string(), static_cast<float>(done * 100.0 / size));
    }
    expected.emplace_back("", 100.0f);
    expected.emplace_back(small.string(), 100.0f);
    expected.emplace_back("", 100.0f);
    EXPECT_EQ(calls, expected);
}

TEST_F(ZipParallel, StopInAPlannedRunDiscardsTheArchiveAndStopsTheThreads)
{
    std::vector<fs::path> files;
    for (int i = 0; i < 6; ++i)
        files.push_back(file("f" + std::to_string(i) + ".txt", sampleText(2 * detail::kUnitSize, i + 1)));
    fs::path a = dir / "a.zip";
    writeFile(a, "earlier");
    int calls = 0;
    setProgressCallback([&](const std::string &, float) { return ++calls == 3 ? 1 : 0; });
    setThreadCount(2);
    ASSERT_NE(createArchive(a.string(), 0), 0);
    ASSERT_EQ(planAdditions(planOf(files)), 0);
    EXPECT_EQ(addFile(files[0].string(), 0), kResultStopped);
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(closeArchives(), kResultStopped);
    EXPECT_EQ(readFile(a), "earlier");
    EXPECT_EQ(filesUnder(dir).size(), files.size() + 1); // no temporary file left
}

TEST_F(ZipParallel, FilesAddedOutOfPlanOrMissingSinceThePlanStillWork)
{
    fs::path x = file("x.txt", sampleText(5000, 1));
    fs::path y = file("y.txt", sampleText(5000, 2));
    fs::path z = file("z.txt", sampleText(detail::kUnitSize + 5, 3));
    fs::path gone = file("gone.txt", "soon gone");
    setThreadCount(2);
    fs::path a = dir / "a.zip";
    ASSERT_NE(createArchive(a.string(), 0), 0);
    fs::remove(gone);
    ASSERT_EQ(planAdditions({{x.string(), 0}, {gone.string(), 0}, {y.string(), 0}, {z.string(), 0}}), 0);
    EXPECT_EQ(addFile(x.string(), 0), 0);
    errno = 0;
    EXPECT_EQ(addFile(gone.string(), 0), kErrGeneral);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(addFile(z.string(), 0), 0); // y skipped
    EXPECT_EQ(addFile(y.string(), 0), 0);
    EXPECT_EQ(closeArchives(), 0);
    EXPECT_EQ(namesIn(a), (std::vector<std::string>{"x.txt", "z.txt", "y.txt"}));
    expectExtractsTo(a, {x, z, y});
}

TEST_F(ZipParallel, FullDiskDuringAThreadedRunFailsAndCommitsNothing)
{
    std::vector<fs::path> files;
    for (int i = 0; i < 4; ++i)
        files.push_back(file("r" + std::to_string(i) + ".bin", randomBytes(3 * detail::kUnitSize, i + 1)));
    fs::path a = dir / "a.zip";
    zlib_filefunc64_def real{};
    fill_fopen64_filefunc(&real);
    static uint64_t written;
    static zlib_filefunc64_def base;
    written = 0;
    base = real;
    zlib_filefunc64_def io = real;
    io.zwrite_file = [](voidpf opaque, voidpf stream, const void *buf, uLong size) -> uLong {
        if (written + size > 2 * detail::kUnitSize)
            return 0;
        written += size;
        return base.zwrite_file(opaque, stream, buf, size);
    };
    setArchiveIo(&io);
    setThreadCount(2);
    ASSERT_NE(createArchive(a.string(), 0), 0);
    ASSERT_EQ(planAdditions(planOf(files)), 0);
    int32_t r = 0;
    for (const fs::path &f : files)
        if ((r = addFile(f.string(), 0)) != 0)
            break;
    const int32_t closed = closeArchives();
    setArchiveIo(nullptr);
    EXPECT_EQ(r, kErrWrite);
    EXPECT_NE(closed, 0);
    EXPECT_FALSE(fs::exists(a));
    EXPECT_EQ(filesUnder(dir).size(), files.size());
    EXPECT_EQ(lastError().code, kErrWrite);
    EXPECT_NE(lastError().text.find("could not be written"), std::string::npos) << lastError().text;
}

TEST_F(ZipParallel, CreationKilledOutrightLeavesNothingBehind)
{
    fs::path big = file("big.bin", randomBytes(3 * detail::kUnitSize));
    fs::path a = dir / "a.zip";
    writeFile(a, "earlier");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The process ends in the middle of the run, as after kill -9:
        // nothing is closed or cleaned up.
        if (createArchive(a.string(), 0) == 0 || addFile(big.string(), 0) != 0)
            ::_exit(2);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(filesUnder(dir), (std::vector<std::string>{"a.zip", "big.bin"}));
    EXPECT_EQ(readFile(a), "earlier");
}

// The archive's own write buffer defers the system's refusal to a later
// write or to the close: it must still fail the run.
TEST_F(ZipParallel, FileSizeLimitHitBehindTheWriteBufferFailsTheRun)
{
    fs::path src = file("random.bin", randomBytes(600000));
    fs::path a = dir / "a.zip";
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        struct rlimit limit {
            200000, 200000
        };
        ::signal(SIGXFSZ, SIG_IGN);
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0 || createArchive(a.string(), 0) == 0)
            ::_exit(3);
        const int32_t added = addFile(src.string(), 0);
        const int32_t closed = closeArchives();
        ::_exit(added == 0 && closed == 0 ? 1 : fs::exists(a) ? 2 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(filesUnder(dir), std::vector<std::string>{"random.bin"});
}

TEST_F(ZipParallel, ArchiveThatCannotBeCreatedSaysWhy)
{
    EXPECT_EQ(createArchive((dir / "missing" / "a.zip").string(), 0), 0);
    EXPECT_EQ(lastError().code, kErrGeneral);
    EXPECT_EQ(lastError().sysErrno, ENOENT);
    EXPECT_NE(lastError().text.find("No such file"), std::string::npos) << lastError().text;
}

// The pipeline holds a bounded number of units however far the writer lags.
TEST(DeflatePipeline, UnitsInFlightStayBoundedWhenTheWriterIsSlow)
{
    char tmpl[] = "/tmp/zarvon-pipeline-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    fs::path d = tmpl;
    std::vector<detail::PlannedFile> files;
    for (int i = 0; i < 3; ++i) {
        fs::path p = d / ("f" + std::to_string(i));
        writeFile(p, sampleText(8 * detail::kUnitSize, i));
        files.push_back({p.string(), false});
    }
    {
        detail::DeflatePipeline pipe(files, 4, 8, false, {});
        size_t units = 0;
        while (detail::Unit *u = pipe.take()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            EXPECT_FALSE(u->failed);
            pipe.release(u);
            ++units;
        }
        EXPECT_EQ(units, 24u);
        EXPECT_LE(pipe.peakUnitsInFlight(), detail::kMaxUnitsInFlight);
        EXPECT_LE(pipe.peakUnitsInFlight(), 4u * 4 + 4);
    }
    fs::remove_all(d);
}

} // namespace zarvon::engine::testing
