// zarvon-cli's add, delete and rename: what they change, their exit status,
// and an archive left exactly as it was when they refuse.
#include "engine_test_support.h"

namespace zarvon::engine::testing {

class CliEdit : public EngineTest {
protected:
    int cli(const std::string &args, std::string *out = nullptr)
    {
        std::string o;
        int rc = run("cd " + quoted(dir) + " && " + quoted(fs::path(ZARVON_BIN_DIR) / "zarvon-cli") + " " + args +
                         " </dev/null 2>&1",
                     &o);
        if (out)
            *out = o;
        return rc;
    }
    std::string names(const std::string &archive)
    {
        std::vector<EntryInfo> entries;
        listEntries((dir / archive).string(), entries);
        std::string all;
        for (const EntryInfo &e : entries)
            all += e.fileName + " ";
        return all;
    }
};

TEST_F(CliEdit, AddDeleteRenameAndTheirRefusals)
{
    fs::create_directories(dir / "src/sub");
    writeFile(dir / "src/a.txt", "a");
    writeFile(dir / "src/sub/b.log", "b");
    writeFile(dir / "src/sub/c.txt", "c");
    writeFile(dir / "top.txt", "old");
    std::string out;
    ASSERT_EQ(cli("create a.zip src top.txt", &out), 0) << out;

    writeFile(dir / "top.txt", "new");
    EXPECT_EQ(cli("add a.zip top.txt", &out), 0) << out; // kept: no terminal to ask, no -o
    EXPECT_NE(out.find("top.txt: kept"), std::string::npos) << out;
    EXPECT_EQ(cli("add -o a.zip top.txt", &out), 0) << out;
    EXPECT_EQ(cli("extract -o -d x a.zip top.txt", &out), 0) << out;
    EXPECT_EQ(readFile(dir / "x/top.txt"), "new");

    EXPECT_EQ(cli("delete a.zip 'src/*.log'", &out), 0) << out;
    EXPECT_EQ(cli("rename a.zip src/sub docs", &out), 0) << out;
    EXPECT_EQ(names("a.zip"), "src/a.txt docs/c.txt top.txt ");
    EXPECT_EQ(cli("delete a.zip src/", &out), 0) << out;
    EXPECT_EQ(names("a.zip"), "docs/c.txt top.txt ");

    const std::string before = readFile(dir / "a.zip");
    EXPECT_EQ(cli("rename a.zip top.txt ../top.txt", &out), 1);
    EXPECT_NE(out.find("invalid name"), std::string::npos) << out;
    EXPECT_EQ(cli("rename a.zip top.txt DOCS/c.txt", &out), 1);
    EXPECT_NE(out.find("another case"), std::string::npos) << out;
    EXPECT_EQ(cli("delete a.zip missing.txt", &out), 1);
    EXPECT_NE(out.find("no such entry"), std::string::npos) << out;
    EXPECT_TRUE(readFile(dir / "a.zip") == before);

    ASSERT_TRUE(corruptAt(dir / "a.zip", std::string("PK\x03\x04", 4)));
    EXPECT_EQ(cli("delete a.zip top.txt", &out), 1);
    EXPECT_NE(out.find("extract what can be read"), std::string::npos) << out;

    EXPECT_EQ(cli("--help", &out), 0);
    EXPECT_NE(out.find("exit status"), std::string::npos);
    EXPECT_NE(out.find("rename ARCHIVE OLD NEW"), std::string::npos);
}

} // namespace zarvon::engine::testing
