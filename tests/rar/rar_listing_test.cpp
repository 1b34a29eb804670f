// Listing and testing RAR archives: what each header says, encrypted
// headers, volume sets, and the verdicts of unrar on the same archives.
#include "rar/rar_test_support.h"

namespace zarvon::rar::testing {
namespace {

using RarListing = RarTest;

TEST_F(RarListing, ListsFilesFoldersAndEmptyFoldersWithTheirSizes)
{
    ZARVON_NEED_RAR();
    source("a.txt", "hello\n");
    source("sub/deeper/b.txt", std::string(5000, 'b'));
    fs::create_directories(src / "empty");
    fs::path archive = makeRar("plain.rar", "-r", "a.txt sub empty");

    RarReport r = listRar(archive.string(), "");
    ASSERT_EQ(r.status, RarStatus::Ok);
    EXPECT_EQ(namesOf(r), (std::vector<std::string>{"a.txt", "empty", "sub", "sub/deeper", "sub/deeper/b.txt"}));
    for (const RarEntry &e : r.entries) {
        EXPECT_EQ(e.folder, e.name == "empty" || e.name == "sub" || e.name == "sub/deeper") << e.name;
        EXPECT_FALSE(e.encrypted);
        EXPECT_FALSE(e.link);
        if (e.name == "sub/deeper/b.txt") {
            EXPECT_EQ(e.size, 5000u);
            EXPECT_EQ(e.crc, crc32(0, reinterpret_cast<const Bytef *>(std::string(5000, 'b').data()), 5000));
            EXPECT_EQ(e.hostOs, 3u);
        }
    }
    EXPECT_FALSE(r.anyEncrypted);
    EXPECT_TRUE(r.failures.empty());
}

TEST_F(RarListing, NonAsciiNamesComeBackAsUtf8WhateverTheLocale)
{
    ZARVON_NEED_RAR();
    source("café déjà.txt", "x");
    source("日本/名前.txt", "y");
    fs::path archive = makeRar("names.rar", "-r", "'café déjà.txt' 日本");
    RarReport r = listRar(archive.string(), "");
    ASSERT_EQ(r.status, RarStatus::Ok);
    EXPECT_EQ(namesOf(r), (std::vector<std::string>{"café déjà.txt", "日本", "日本/名前.txt"}));
}

TEST_F(RarListing, EncryptionIsJudgedFromEveryHeaderNotOnlyTheLast)
{
    ZARVON_NEED_RAR();
    source("first.txt", "secret");
    source("last.txt", "plain");
    makeRar("early.rar", "-pSecret", "first.txt");
    fs::path archive = makeRar("early.rar", "", "last.txt");

    RarReport r = listRar(archive.string(), "");
    ASSERT_EQ(r.status, RarStatus::Ok);
    ASSERT_EQ(r.entries.size(), 2u);
    EXPECT_EQ(r.entries[0].name, "first.txt");
    EXPECT_TRUE(r.entries[0].encrypted);
    EXPECT_FALSE(r.entries[1].encrypted);
    EXPECT_TRUE(r.anyEncrypted);
    EXPECT_FALSE(r.headersEncrypted);
}

TEST_F(RarListing, EncryptedHeadersNeedThePasswordAndAreNotCannotOpen)
{
    ZARVON_NEED_RAR();
    source("a.txt", "hidden name");
    fs::path archive = makeRar("hidden.rar", "-hpSecret", "a.txt");

    RarReport none = listRar(archive.string(), "");
    EXPECT_EQ(none.status, RarStatus::PasswordNeeded);
    EXPECT_TRUE(none.headersEncrypted);
    EXPECT_TRUE(none.anyEncrypted);
    EXPECT_TRUE(none.entries.empty());

    EXPECT_EQ(listRar(archive.string(), "Wrong").status, RarStatus::WrongPassword);
    EXPECT_EQ(testRar(archive.string(), "", nullptr).status, RarStatus::PasswordNeeded);

    RarReport right = listRar(archive.string(), "Secret");
    ASSERT_EQ(right.status, RarStatus::Ok);
    ASSERT_EQ(namesOf(right), std::vector<std::string>{"a.txt"});
    EXPECT_TRUE(right.headersEncrypted);
    EXPECT_EQ(testRar(archive.string(), "Secret", nullptr).status, RarStatus::Ok);
}

TEST_F(RarListing, TellsAMissingFileANonRarFileAndAMissingLibraryApart)
{
    ZARVON_NEED_RAR();
    EXPECT_EQ(listRar((dir / "absent.rar").string(), "").status, RarStatus::CannotOpen);
    writeFile(dir / "text.rar", std::string(4000, 'x'));
    EXPECT_EQ(listRar((dir / "text.rar").string(), "").status, RarStatus::NotRar);
    EXPECT_EQ(listRar(dir.string(), "").status, RarStatus::CannotOpen);

    source("a.txt", "a");
    fs::path archive = makeRar("a.rar", "", "a.txt");
    setUnrarLibraryNameForTesting("libzarvon-no-such-unrar.so.5");
    EXPECT_FALSE(unrarLibraryAvailable());
    EXPECT_EQ(listRar(archive.string(), "").status, RarStatus::LibraryMissing);
    EXPECT_EQ(testRar(archive.string(), "", nullptr).status, RarStatus::LibraryMissing);
    EXPECT_EQ(extract(archive).status, RarStatus::LibraryMissing);
    EXPECT_FALSE(fs::exists(out));
    setUnrarLibraryNameForTesting(nullptr);
    EXPECT_TRUE(unrarLibraryAvailable());
}

TEST_F(RarListing, AVolumeSetIsReadFromItsFirstVolumeWhicheverIsGiven)
{
    ZARVON_NEED_RAR();
    source("big.bin", randomBytes(300000));
    source("small.txt", "after the big one");
    makeRar("set.rar", "-m0 -v100k", "big.bin small.txt");
    ASSERT_TRUE(fs::exists(dir / "set.part3.rar")) << "rar made fewer volumes than expected";

    for (const char *given : {"set.part1.rar", "set.part2.rar", "set.part3.rar"}) {
        RarReport r = listRar((dir / given).string(), "");
        ASSERT_EQ(r.status, RarStatus::Ok) << given;
        EXPECT_EQ(namesOf(r), (std::vector<std::string>{"big.bin", "small.txt"})) << given;
    }
    RarReport tested = testRar((dir / "set.part2.rar").string(), "", nullptr);
    EXPECT_EQ(tested.status, RarStatus::Ok);
    EXPECT_EQ(tested.entriesDone, 2);

    fs::remove(dir / "set.part1.rar");
    EXPECT_EQ(listRar((dir / "set.part2.rar").string(), "").status, RarStatus::MissingVolume);
}

TEST_F(RarListing, TestingFindsDamagedDataAndNamesTheEntry)
{
    ZARVON_NEED_RAR();
    const std::string body = "the quick brown fox jumps over the lazy dog; " + std::string(200, 'z');
    source("good.txt", "fine");
    source("bad.txt", body);
    fs::path archive = makeRar("damaged.rar", "-m0", "good.txt bad.txt");
    ASSERT_TRUE(zarvon::testing::corruptAt(archive, "quick brown fox"));

    RarReport r = testRar(archive.string(), "", nullptr);
    EXPECT_EQ(r.status, RarStatus::EntriesFailed);
    ASSERT_EQ(r.failures.size(), 1u);
    EXPECT_EQ(r.failures[0].name, "bad.txt");
    EXPECT_EQ(r.failures[0].reason, RarEntryResult::Damaged);
    EXPECT_NE(r.failures[0].libraryCode, 0);
    EXPECT_EQ(r.entriesDone, 1);
    EXPECT_FALSE(r.succeeded());
}

TEST_F(RarListing, TestingWithoutOrWithAWrongPasswordNeverPasses)
{
    ZARVON_NEED_RAR();
    source("one.txt", "first secret");
    source("two.txt", "second secret");
    source("three.txt", "third secret");
    fs::path archive = makeRar("enc.rar", "-pSecret", "one.txt two.txt three.txt");

    RarReport none = testRar(archive.string(), "", nullptr);
    EXPECT_EQ(none.status, RarStatus::EntriesFailed);
    ASSERT_EQ(none.failures.size(), 3u);
    for (const RarEntryFailure &f : none.failures)
        EXPECT_EQ(f.reason, RarEntryResult::PasswordNeeded) << f.name;

    // Every entry is reported, also after the library refused the first one.
    RarReport wrong = testRar(archive.string(), "Wrong", nullptr);
    EXPECT_EQ(wrong.status, RarStatus::EntriesFailed);
    ASSERT_EQ(wrong.failures.size(), 3u);
    for (const RarEntryFailure &f : wrong.failures)
        EXPECT_EQ(f.reason, RarEntryResult::WrongPassword) << f.name;

    RarReport right = testRar(archive.string(), "Secret", nullptr);
    EXPECT_EQ(right.status, RarStatus::Ok);
    EXPECT_EQ(right.entriesDone, 3);
}

// The same archives through the unrar tool: same names, same verdicts.
TEST_F(RarListing, AgreesWithUnrarOnNamesAndVerdicts)
{
    ZARVON_NEED_RAR();
    if (!haveTool("unrar"))
        GTEST_SKIP() << "unrar is not installed (Debian package unrar): nothing to compare with";
    source("a.txt", "alpha");
    source("sub/b.txt", std::string(3000, 'q') + "marker-for-damage" + std::string(3000, 'r'));
    fs::create_directories(src / "void");
    struct Case {
        fs::path archive;
        std::string password;
    };
    std::vector<Case> cases = {
        {makeRar("plain.rar", "-r", "a.txt sub void"), ""},
        {makeRar("solid.rar", "-r -s", "a.txt sub"), ""},
        {makeRar("enc.rar", "-r -pSecret", "a.txt sub"), "Secret"},
        {makeRar("encwrong.rar", "-r -pSecret", "a.txt sub"), "Wrong"},
        {makeRar("hidden.rar", "-r -hpSecret", "a.txt sub"), "Secret"},
        {makeRar("damaged.rar", "-r -m0", "a.txt sub"), ""},
    };
    ASSERT_TRUE(zarvon::testing::corruptAt(cases.back().archive, "marker-for-damage"));

    for (const Case &c : cases) {
        const std::string pw = "-p" + (c.password.empty() ? std::string("-") : c.password);
        const auto listed = runCommand("unrar lb " + pw + " " + quoted(c.archive));
        ASSERT_EQ(listed.status, 0) << c.archive;
        const std::string &listing = listed.output;
        std::vector<std::string> theirs;
        size_t pos = 0;
        while (pos < listing.size()) {
            size_t end = listing.find('\n', pos);
            std::string line = listing.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
            if (!line.empty())
                theirs.push_back(line);
            pos = end == std::string::npos ? listing.size() : end + 1;
        }
        std::sort(theirs.begin(), theirs.end());
        EXPECT_EQ(namesOf(listRar(c.archive.string(), c.password)), theirs) << c.archive;

        const bool unrarPasses = runCommand("unrar t -idq " + pw + " " + quoted(c.archive)).status == 0;
        RarReport ours = testRar(c.archive.string(), c.password, nullptr);
        EXPECT_EQ(ours.succeeded(), unrarPasses) << c.archive;
    }
}

} // namespace
} // namespace zarvon::rar::testing
