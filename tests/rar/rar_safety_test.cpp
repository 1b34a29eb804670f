// What an archive must never make us do: write outside the destination,
// create a link, or write through one.
#include "rar/rar_test_support.h"

namespace zarvon::rar::testing {
namespace {

using RarSafety = RarTest;

TEST_F(RarSafety, NamesThatWouldLeaveTheDestinationAreRefusedAndCounted)
{
    if (!unrarLibraryAvailable())
        FAIL() << "the UnRAR library (" << kUnrarLibraryName << ") is not installed";
    fs::create_directories(dir / "victim");
    const std::string outside = (dir / "victim/abs.txt").string();
    writeRar4(dir / "evil.rar", {
                                    {"ok.txt", "inside"},
                                    {"../escape.txt", "up one"},
                                    {"a/../../escape2.txt", "up through a folder"},
                                    {"..\\escape3.txt", "up with a backslash"},
                                    {outside, "absolute"},
                                    {"C:evil.txt", "drive"},
                                    {"sub/fine.txt", "inside too"},
                                });
    RarReport listed = listRar((dir / "evil.rar").string(), "");
    ASSERT_EQ(listed.status, RarStatus::Ok);
    ASSERT_EQ(listed.entries.size(), 7u);

    RarReport r = extract(dir / "evil.rar");
    EXPECT_EQ(r.status, RarStatus::EntriesFailed);
    EXPECT_EQ(readFile(out / "ok.txt"), "inside");
    EXPECT_EQ(readFile(out / "sub/fine.txt"), "inside too");
    EXPECT_EQ(r.filesWritten, 2);
    EXPECT_FALSE(fs::exists(dir / "escape.txt"));
    EXPECT_FALSE(fs::exists(dir / "escape2.txt"));
    EXPECT_FALSE(fs::exists(dir / "escape3.txt"));
    EXPECT_FALSE(fs::exists(outside));
    EXPECT_EQ(treeOf(out), (std::vector<std::string>{"ok.txt", "sub", "sub/fine.txt"}));
    EXPECT_EQ(r.failures.size(), 5u);
    for (const RarEntryFailure &f : r.failures)
        EXPECT_EQ(f.reason, RarEntryResult::UnsafeName) << f.name;
}

TEST_F(RarSafety, SymbolicLinksInRar5AreNeverCreated)
{
    ZARVON_NEED_RAR();
    source("target.txt", "the target");
    fs::create_symlink("/etc/passwd", src / "abs-link");
    fs::create_symlink("target.txt", src / "rel-link");
    fs::path archive = makeRar("links.rar", "-ol", "target.txt abs-link rel-link");

    RarReport listed = listRar(archive.string(), "");
    ASSERT_EQ(listed.status, RarStatus::Ok);
    int links = 0;
    for (const RarEntry &e : listed.entries)
        links += e.link ? 1 : 0;
    ASSERT_EQ(links, 2) << "rar did not store the links as links";

    RarReport r = extract(archive);
    EXPECT_EQ(r.status, RarStatus::EntriesFailed);
    EXPECT_EQ(r.failures.size(), 2u);
    for (const RarEntryFailure &f : r.failures)
        EXPECT_EQ(f.reason, RarEntryResult::LinkRefused) << f.name;
    EXPECT_EQ(treeOf(out), std::vector<std::string>{"target.txt"});
    EXPECT_EQ(testRar(archive.string(), "", nullptr).status, RarStatus::Ok);
}

// Older archives keep a Unix link as an entry whose mode says link and whose
// data is the target.
TEST_F(RarSafety, UnixLinksOfOlderArchivesAreNeverCreated)
{
    if (!unrarLibraryAvailable())
        FAIL() << "the UnRAR library is not installed";
    writeRar4(dir / "old.rar", {
                                   {"dir", "", 3, 040755, true},
                                   {"dir/link", "/etc", 3, 0120777},
                                   {"dir/link/passwd", "through the link"},
                               });
    RarReport r = extract(dir / "old.rar");
    EXPECT_EQ(r.status, RarStatus::EntriesFailed);
    ASSERT_NE(failureFor(r, "dir/link"), nullptr);
    EXPECT_EQ(failureFor(r, "dir/link")->reason, RarEntryResult::LinkRefused);
    EXPECT_FALSE(fs::is_symlink(out / "dir/link"));
    // With no link made, the next entry gets a folder of its own.
    EXPECT_EQ(readFile(out / "dir/link/passwd"), "through the link");
}

TEST_F(RarSafety, ALinkAlreadyAtAnEntrysPathIsReplacedNeverFollowed)
{
    ZARVON_NEED_RAR();
    source("a.txt", "from the archive");
    fs::path archive = makeRar("a.rar", "", "a.txt");
    fs::create_directories(out);
    writeFile(dir / "precious.txt", "must not change");
    fs::create_symlink(dir / "precious.txt", out / "a.txt");

    RarReport r = extract(archive);
    ASSERT_EQ(r.status, RarStatus::Ok);
    EXPECT_FALSE(fs::is_symlink(out / "a.txt"));
    EXPECT_EQ(readFile(out / "a.txt"), "from the archive");
    EXPECT_EQ(readFile(dir / "precious.txt"), "must not change");
}

TEST_F(RarSafety, ALinkWhereAFolderOfThePathShouldBeIsNotWalkedThrough)
{
    ZARVON_NEED_RAR();
    source("sub/a.txt", "from the archive");
    fs::path archive = makeRar("sub.rar", "-r", "sub");
    fs::create_directories(out);
    fs::create_directories(dir / "elsewhere");
    fs::create_directory_symlink(dir / "elsewhere", out / "sub");

    RarReport r = extract(archive);
    EXPECT_EQ(r.status, RarStatus::EntriesFailed);
    ASSERT_NE(failureFor(r, "sub/a.txt"), nullptr);
    EXPECT_EQ(failureFor(r, "sub/a.txt")->reason, RarEntryResult::UnsafeTarget);
    EXPECT_TRUE(fs::is_empty(dir / "elsewhere"));
}

} // namespace
} // namespace zarvon::rar::testing
