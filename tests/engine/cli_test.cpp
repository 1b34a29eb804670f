// zarvon-cli as scripts use it: what it prints and its exit status, which is
// 0 only when everything asked for succeeded.
#include "engine_test_support.h"

namespace zarvon::engine::testing {

class Cli : public EngineTest {
protected:
    int cli(const std::string &args, std::string *out = nullptr)
    {
        std::string o;
        int rc = run("cd " + quoted(dir) + " && " + quoted(fs::path(ZARVON_BIN_DIR) / "zarvon-cli") + " " + args +
                         " </dev/null",
                     &o);
        if (out)
            *out = o;
        return rc;
    }
};

TEST_F(Cli, CreateListTestExtractRoundTrip)
{
    writeFile(dir / "src/a.txt", sampleText(100000));
    writeFile(dir / "src/sub/b.bin", randomBytes(5000));
    writeFile(dir / "top.txt", "top");
    std::string out;
    ASSERT_EQ(cli("create a.zip src top.txt", &out), 0) << out;
    ASSERT_EQ(cli("list a.zip", &out), 0) << out;
    EXPECT_NE(out.find("src/a.txt"), std::string::npos);
    EXPECT_NE(out.find("src/sub/b.bin"), std::string::npos);
    EXPECT_NE(out.find(" top.txt"), std::string::npos);
    EXPECT_NE(out.find("Deflate"), std::string::npos);
    EXPECT_NE(out.find("3 entries"), std::string::npos);
    ASSERT_EQ(cli("test a.zip", &out), 0) << out;
    EXPECT_NE(out.find("no errors found"), std::string::npos);
    ASSERT_EQ(cli("info a.zip", &out), 0) << out;
    EXPECT_NE(out.find("Entries:      3 (3 files, 0 folders)"), std::string::npos) << out;
    EXPECT_NE(out.find("Methods:      Deflate"), std::string::npos) << out;
    EXPECT_NE(out.find("ZIP64:        no\n"), std::string::npos) << out;
    ASSERT_EQ(cli("extract -d out a.zip", &out), 0) << out;
    EXPECT_EQ(readFile(dir / "out/src/a.txt"), sampleText(100000));
    EXPECT_EQ(readFile(dir / "out/top.txt"), "top");
    ASSERT_EQ(cli("extract -d only a.zip top.txt", &out), 0) << out;
    EXPECT_EQ(filesUnder(dir / "only"), std::vector<std::string>{"top.txt"});
}

TEST_F(Cli, ListShowsTheTimeToTheSecondInLocalTime)
{
    ZoneForTest zone("Europe/Paris");
    writeFile(dir / "odd.txt", "odd");
    ASSERT_EQ(run("touch -d '2021-07-14 17:47:17' " + quoted(dir / "odd.txt")), 0);
    std::string out;
    ASSERT_EQ(cli("create a.zip odd.txt", &out), 0) << out;
    ASSERT_EQ(cli("list a.zip", &out), 0) << out;
    EXPECT_NE(out.find("2021-07-14 17:47:17"), std::string::npos) << out;
}

TEST_F(Cli, ThreadsOptionChoosesTheThreadsNotTheArchive)
{
    writeFile(dir / "src/a.txt", sampleText(1500000, 3));
    writeFile(dir / "src/b.txt", sampleText(20000, 4));
    fs::last_write_time(dir / "src/a.txt", fs::file_time_type::clock::now() - std::chrono::hours(2));
    fs::last_write_time(dir / "src/b.txt", fs::file_time_type::clock::now() - std::chrono::hours(2));
    std::string out;
    ASSERT_EQ(cli("create -j 1 one.zip src", &out), 0) << out;
    ASSERT_EQ(cli("create -j 3 three.zip src", &out), 0) << out;
    EXPECT_EQ(readFile(dir / "one.zip"), readFile(dir / "three.zip"));
    EXPECT_NE(cli("create -j 0 zero.zip src", &out), 0);
    EXPECT_NE(out.find("-j"), std::string::npos) << out;
    EXPECT_NE(cli("create -j many zero.zip src", &out), 0);
    EXPECT_FALSE(fs::exists(dir / "zero.zip"));
}

TEST_F(Cli, StoredAndPasswordProtected)
{
    writeFile(dir / "s.txt", sampleText(3000));
    std::string out;
    ASSERT_EQ(cli("create -0 -p pw a.zip s.txt", &out), 0) << out;
    ASSERT_EQ(cli("list a.zip", &out), 0);
    EXPECT_NE(out.find("Stored"), std::string::npos);
    EXPECT_NE(out.find("ZIP 2.0"), std::string::npos);
    EXPECT_EQ(cli("test a.zip", &out), 3) << out;
    EXPECT_NE(out.find("not checked"), std::string::npos);
    EXPECT_EQ(cli("test -p bad a.zip", &out), 1) << out;
    EXPECT_NE(out.find("wrong password"), std::string::npos);
    EXPECT_EQ(cli("test -p pw a.zip", &out), 0) << out;
    EXPECT_EQ(cli("extract -d x a.zip", &out), 1) << out;
    EXPECT_EQ(cli("extract -d x -p bad a.zip", &out), 1) << out;
    EXPECT_FALSE(fs::exists(dir / "x/s.txt"));
    EXPECT_EQ(cli("extract -d x -p pw a.zip", &out), 0) << out;
    EXPECT_EQ(readFile(dir / "x/s.txt"), sampleText(3000));
}

// Without a terminal (setsid), the prompt reads standard input.
TEST_F(Cli, AesIsChosenWithEAndShownInListAndInfo)
{
    writeFile(dir / "s.txt", sampleText(3000));
    std::string out;
    EXPECT_EQ(cli("create -e des -p pw a.zip s.txt", &out), 2) << out;
    EXPECT_NE(out.find("aes256 or zipcrypto"), std::string::npos) << out;
    ASSERT_EQ(cli("create -e aes256 -p pw a.zip s.txt", &out), 0) << out;
    ASSERT_EQ(cli("list a.zip", &out), 0);
    EXPECT_NE(out.find("Deflate  "), std::string::npos) << out;
    EXPECT_NE(out.find("AES-256"), std::string::npos) << out;
    ASSERT_EQ(cli("info a.zip", &out), 0);
    EXPECT_NE(out.find("1 entries (AES-256)"), std::string::npos) << out;
    EXPECT_EQ(cli("test -p bad a.zip", &out), 1) << out;
    EXPECT_NE(out.find("wrong password"), std::string::npos) << out;
    EXPECT_EQ(cli("test -p pw a.zip", &out), 0) << out;
    ASSERT_EQ(cli("create -o -e zipcrypto -p pw a.zip s.txt", &out), 0) << out;
    ASSERT_EQ(cli("info a.zip", &out), 0);
    EXPECT_NE(out.find("1 entries (ZIP 2.0)"), std::string::npos) << out;
}

TEST_F(Cli, PromptedPasswordIsAskedTwiceWhenCreating)
{
    if (!haveTool("setsid"))
        GTEST_SKIP() << "setsid is not installed; it detaches the prompt from the terminal";
    writeFile(dir / "s.txt", "secret");
    const std::string cliPath = quoted(fs::path(ZARVON_BIN_DIR) / "zarvon-cli");
    std::string out;
    ASSERT_EQ(
        run("cd " + quoted(dir) + " && printf 'abc\\nabc\\n' | setsid -w " + cliPath + " create -P a.zip s.txt", &out),
        0)
        << out;
    EXPECT_EQ(cli("test -p abc a.zip", &out), 0) << out;
    EXPECT_EQ(
        run("cd " + quoted(dir) + " && printf 'abc\\nabd\\n' | setsid -w " + cliPath + " create -P b.zip s.txt", &out),
        2);
    EXPECT_NE(out.find("the two passwords differ"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "b.zip"));
    EXPECT_EQ(run("cd " + quoted(dir) + " && printf 'abc\\n' | setsid -w " + cliPath + " extract -P -d x a.zip", &out),
              0)
        << out;
    EXPECT_EQ(readFile(dir / "x/s.txt"), "secret");
}

TEST_F(Cli, FailuresGiveNonZeroStatus)
{
    std::string out;
    writeFile(dir / "fake.zip", "not an archive");
    EXPECT_EQ(cli("list fake.zip", &out), 1);
    EXPECT_NE(out.find("not a readable ZIP archive"), std::string::npos);
    EXPECT_EQ(cli("test fake.zip", &out), 1);
    EXPECT_EQ(cli("info missing.zip", &out), 1);
    EXPECT_EQ(cli("create a.zip missing.txt", &out), 1);
    EXPECT_NE(out.find("no such file or folder"), std::string::npos);
    EXPECT_EQ(cli("create no/such/dir/a.zip fake.zip", &out), 1);
    EXPECT_EQ(cli("frobnicate", &out), 2);
    EXPECT_EQ(cli("", &out), 2);
    EXPECT_EQ(cli("extract -q a.zip", &out), 2);

    ASSERT_TRUE(makeRawZip(dir / "evil.zip", {{"../evil.txt", "x"}, {"fine.txt", "y"}}));
    EXPECT_EQ(cli("extract -d out evil.zip", &out), 1);
    EXPECT_NE(out.find("unsafe name"), std::string::npos) << out;
    EXPECT_EQ(readFile(dir / "out/fine.txt"), "y");
    EXPECT_FALSE(fs::exists(dir / "evil.txt"));
    EXPECT_EQ(cli("extract -d out2 evil.zip nothing.txt", &out), 1);
    EXPECT_NE(out.find("no such entry"), std::string::npos);
}

TEST_F(Cli, SalvageRecoversWhatALostDirectoryLeftAndStillFails)
{
    writeFile(dir / "a.txt", "alpha");
    writeFile(dir / "b.txt", sampleText(20000));
    std::string out;
    ASSERT_EQ(cli("create cut.zip a.txt b.txt", &out), 0) << out;
    std::string bytes = readFile(dir / "cut.zip");
    writeFile(dir / "cut.zip", bytes.substr(0, bytes.find("PK\x01\x02")));
    EXPECT_NE(cli("extract -d out cut.zip", &out), 0);
    EXPECT_NE(out.find("--salvage"), std::string::npos) << out;
    EXPECT_FALSE(fs::exists(dir / "out"));
    EXPECT_NE(cli("extract --salvage -d out cut.zip", &out), 0);
    EXPECT_NE(out.find("salvage: 2 file(s) recovered, 0 entry(ies) could not be"), std::string::npos) << out;
    EXPECT_EQ(readFile(dir / "out/b.txt"), sampleText(20000));
}

TEST_F(Cli, DamagedEntryFailsTheTest)
{
    std::string data = sampleText(4000);
    ASSERT_TRUE(makeRawZip(dir / "d.zip", {{"d.txt", data, 0}}));
    ASSERT_TRUE(corruptAt(dir / "d.zip", data.substr(0, 50), 5));
    std::string out;
    EXPECT_EQ(cli("test d.zip", &out), 1);
    EXPECT_NE(out.find("d.txt"), std::string::npos);
    EXPECT_NE(out.find("CRC"), std::string::npos);
}

} // namespace zarvon::engine::testing
