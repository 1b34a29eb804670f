// Extracting RAR archives: contents, dates and permissions, passwords and
// the password pass, damage, volumes, progress and stopping, write errors.
#include "rar/rar_test_support.h"

#include <sys/resource.h>

#include <csignal>

namespace zarvon::rar::testing {
namespace {

using RarExtraction = RarTest;

TEST_F(RarExtraction, WritesFilesFoldersAndEmptyFoldersWithTheirContents)
{
    ZARVON_NEED_RAR();
    const std::string big = randomBytes(300000);
    source("a.txt", "hello\n");
    source("sub/deeper/big.bin", big);
    fs::create_directories(src / "empty");
    fs::path archive = makeRar("plain.rar", "-r", "a.txt sub empty");

    RarReport r = extract(archive);
    ASSERT_EQ(r.status, RarStatus::Ok);
    EXPECT_EQ(readFile(out / "a.txt"), "hello\n");
    EXPECT_EQ(readFile(out / "sub/deeper/big.bin"), big);
    EXPECT_TRUE(fs::is_directory(out / "empty"));
    EXPECT_EQ(r.filesWritten, 2);
    EXPECT_EQ(r.foldersCreated, 3);
    EXPECT_EQ(r.bytesDone, big.size() + 6);
    EXPECT_TRUE(noTemporaryFiles(out));
}

TEST_F(RarExtraction, SolidArchivesExtractWholeAndInPart)
{
    ZARVON_NEED_RAR();
    for (int i = 0; i < 5; ++i)
        source("f" + std::to_string(i) + ".txt", zarvon::testing::sampleText(20000, i + 1));
    fs::path archive = makeRar("solid.rar", "-s", "f0.txt f1.txt f2.txt f3.txt f4.txt");
    ASSERT_TRUE(listRar(archive.string(), "").entries.at(1).solid);

    RarReport part = extract(archive, "", {"f3.txt"});
    ASSERT_EQ(part.status, RarStatus::Ok);
    EXPECT_EQ(treeOf(out), std::vector<std::string>{"f3.txt"});
    EXPECT_EQ(readFile(out / "f3.txt"), zarvon::testing::sampleText(20000, 4));

    RarReport all = extract(archive);
    ASSERT_EQ(all.status, RarStatus::Ok);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(readFile(out / ("f" + std::to_string(i) + ".txt")), zarvon::testing::sampleText(20000, i + 1));
}

TEST_F(RarExtraction, RestoresTheDateAndOnlyOrdinaryPermissionBits)
{
    ZARVON_NEED_RAR();
    fs::path tool = source("tool.sh", "#!/bin/sh\n");
    fs::path doc = source("doc.txt", "read me");
    ASSERT_EQ(::chmod(tool.c_str(), 04755), 0);
    ASSERT_EQ(::chmod(doc.c_str(), 0640), 0);
    ASSERT_EQ(runCommand("touch -d '2001-02-03 04:05:06' " + quoted(tool) + " " + quoted(doc)).status, 0);
    fs::path archive = makeRar("modes.rar", "", "tool.sh doc.txt");

    ASSERT_EQ(extract(archive).status, RarStatus::Ok);
    struct stat st {
    }, orig{};
    ASSERT_EQ(::stat((out / "tool.sh").c_str(), &st), 0);
    ASSERT_EQ(::stat(tool.c_str(), &orig), 0);
    EXPECT_EQ(st.st_mode & 07777, 0755u);
    EXPECT_EQ(st.st_mtime, orig.st_mtime);
    ASSERT_EQ(::stat((out / "doc.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST_F(RarExtraction, ThePasswordPassExtractsOnlyWhatFailedForWantOfIt)
{
    ZARVON_NEED_RAR();
    source("open.txt", "anyone may read");
    source("locked.txt", "only with the password");
    makeRar("mixed.rar", "", "open.txt");
    fs::path archive = makeRar("mixed.rar", "-pSecret", "locked.txt");

    RarReport first = extract(archive);
    EXPECT_EQ(first.status, RarStatus::EntriesFailed);
    EXPECT_TRUE(first.anyEncrypted);
    ASSERT_EQ(first.failures.size(), 1u);
    EXPECT_EQ(first.failures[0].name, "locked.txt");
    EXPECT_EQ(first.failures[0].reason, RarEntryResult::PasswordNeeded);
    EXPECT_EQ(readFile(out / "open.txt"), "anyone may read");
    EXPECT_FALSE(fs::exists(out / "locked.txt"));

    // The user meanwhile changed the file the first pass wrote: the second
    // pass must not touch it.
    writeFile(out / "open.txt", "edited");
    std::vector<std::string> retry;
    for (const RarEntryFailure &f : first.failures)
        if (f.reason == RarEntryResult::PasswordNeeded)
            retry.push_back(f.name);

    RarReport wrong = extract(archive, "Wrong", retry);
    EXPECT_EQ(wrong.status, RarStatus::EntriesFailed);
    ASSERT_NE(failureFor(wrong, "locked.txt"), nullptr);
    EXPECT_EQ(failureFor(wrong, "locked.txt")->reason, RarEntryResult::WrongPassword);
    EXPECT_FALSE(fs::exists(out / "locked.txt"));

    RarReport second = extract(archive, "Secret", retry);
    ASSERT_EQ(second.status, RarStatus::Ok);
    EXPECT_EQ(second.filesWritten, 1);
    EXPECT_EQ(readFile(out / "locked.txt"), "only with the password");
    EXPECT_EQ(readFile(out / "open.txt"), "edited");
    EXPECT_TRUE(noTemporaryFiles(out));
}

TEST_F(RarExtraction, EncryptedHeadersExtractWithThePasswordOnly)
{
    ZARVON_NEED_RAR();
    source("dir/a.txt", "hidden");
    fs::path archive = makeRar("hidden.rar", "-r -hpSecret", "dir");
    EXPECT_EQ(extract(archive).status, RarStatus::PasswordNeeded);
    EXPECT_EQ(extract(archive, "nope").status, RarStatus::WrongPassword);
    EXPECT_TRUE(treeOf(out).empty());
    ASSERT_EQ(extract(archive, "Secret").status, RarStatus::Ok);
    EXPECT_EQ(readFile(out / "dir/a.txt"), "hidden");
}

TEST_F(RarExtraction, ADamagedEntryLeavesNoFileAndKeepsTheOneItWouldReplace)
{
    ZARVON_NEED_RAR();
    source("good.txt", "fine");
    source("bad.txt", "the quick brown fox jumps over the lazy dog; " + std::string(300, 'z'));
    fs::path archive = makeRar("damaged.rar", "-m0", "good.txt bad.txt");
    ASSERT_TRUE(zarvon::testing::corruptAt(archive, "quick brown fox"));
    writeFile(out / "bad.txt", "the user's own file");

    RarReport r = extract(archive);
    EXPECT_EQ(r.status, RarStatus::EntriesFailed);
    ASSERT_NE(failureFor(r, "bad.txt"), nullptr);
    EXPECT_EQ(failureFor(r, "bad.txt")->reason, RarEntryResult::Damaged);
    EXPECT_EQ(readFile(out / "bad.txt"), "the user's own file");
    EXPECT_EQ(readFile(out / "good.txt"), "fine");
    EXPECT_EQ(r.filesWritten, 1);
    EXPECT_TRUE(noTemporaryFiles(out));
}

TEST_F(RarExtraction, AMissingVolumeIsNamedAndLeavesNoPartialFile)
{
    ZARVON_NEED_RAR();
    source("first.txt", "before the big one");
    source("big.bin", randomBytes(300000));
    makeRar("set.rar", "-m0 -v100k", "first.txt big.bin");
    ASSERT_TRUE(fs::exists(dir / "set.part3.rar"));
    fs::remove(dir / "set.part2.rar");

    RarReport r = extract(dir / "set.part1.rar");
    EXPECT_EQ(r.status, RarStatus::MissingVolume);
    ASSERT_NE(failureFor(r, "big.bin"), nullptr);
    EXPECT_EQ(failureFor(r, "big.bin")->reason, RarEntryResult::MissingVolume);
    EXPECT_EQ(readFile(out / "first.txt"), "before the big one");
    EXPECT_FALSE(fs::exists(out / "big.bin"));
    EXPECT_TRUE(noTemporaryFiles(out));
}

TEST_F(RarExtraction, ProgressCoversThePassAndAStopDiscardsTheEntryInHand)
{
    ZARVON_NEED_RAR();
    source("a.bin", randomBytes(200000, 1));
    source("b.bin", randomBytes(200000, 2));
    fs::path archive = makeRar("two.rar", "-m0", "a.bin b.bin");

    uint64_t last = 0, total = 0;
    std::vector<std::string> seen;
    RarReport full = extract(archive, "", {}, [&](const std::string &entry, uint64_t done, uint64_t all) {
        EXPECT_GE(done, last);
        last = done;
        total = all;
        if (seen.empty() || seen.back() != entry)
            seen.push_back(entry);
        return true;
    });
    ASSERT_EQ(full.status, RarStatus::Ok);
    EXPECT_EQ(total, 400000u);
    EXPECT_EQ(last, 400000u);
    EXPECT_EQ(seen, (std::vector<std::string>{"a.bin", "b.bin"}));

    fs::remove_all(out);
    RarReport stopped =
        extract(archive, "", {}, [](const std::string &entry, uint64_t, uint64_t) { return entry != "b.bin"; });
    EXPECT_EQ(stopped.status, RarStatus::Stopped);
    EXPECT_TRUE(stopped.stopped);
    EXPECT_EQ(stopped.filesWritten, 1);
    ASSERT_NE(failureFor(stopped, "b.bin"), nullptr);
    EXPECT_EQ(failureFor(stopped, "b.bin")->reason, RarEntryResult::Stopped);
    EXPECT_TRUE(fs::exists(out / "a.bin"));
    EXPECT_FALSE(fs::exists(out / "b.bin"));
    EXPECT_TRUE(noTemporaryFiles(out));

    RarReport testStopped =
        testRar(archive.string(), "", [](const std::string &, uint64_t, uint64_t) { return false; });
    EXPECT_EQ(testStopped.status, RarStatus::Stopped);
}

// A file size limit makes the system refuse the write (EFBIG), as a full
// disk would with ENOSPC.
TEST_F(RarExtraction, AWriteErrorNamesTheEntryWithTheSystemsReason)
{
    ZARVON_NEED_RAR();
    source("small.txt", "fits");
    source("large.bin", randomBytes(300000));
    fs::path archive = makeRar("sizes.rar", "-m0", "small.txt large.bin");
    writeFile(out / "large.bin", "kept");

    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 100000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    RarReport r = extract(archive);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(r.status, RarStatus::EntriesFailed);
    ASSERT_NE(failureFor(r, "large.bin"), nullptr);
    EXPECT_EQ(failureFor(r, "large.bin")->reason, RarEntryResult::WriteFailed);
    EXPECT_EQ(failureFor(r, "large.bin")->sysErrno, EFBIG);
    EXPECT_EQ(readFile(out / "large.bin"), "kept");
    EXPECT_EQ(readFile(out / "small.txt"), "fits");
    EXPECT_TRUE(noTemporaryFiles(out));
}

TEST_F(RarExtraction, AReadOnlyFileOfTheSameNameIsKept)
{
    ZARVON_NEED_RAR();
    source("a.txt", "new");
    fs::path archive = makeRar("a.rar", "", "a.txt");
    writeFile(out / "a.txt", "old");
    ASSERT_EQ(::chmod((out / "a.txt").c_str(), 0444), 0);
    RarReport r = extract(archive);
    EXPECT_EQ(r.status, RarStatus::EntriesFailed);
    ASSERT_NE(failureFor(r, "a.txt"), nullptr);
    EXPECT_EQ(failureFor(r, "a.txt")->reason, RarEntryResult::ReadOnlyTarget);
    EXPECT_EQ(readFile(out / "a.txt"), "old");
}

} // namespace
} // namespace zarvon::rar::testing
