// zarvon-cli's own conventions, whatever the format: help and version, a
// listing that ends its last line, and a creation with nothing to add.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/product.h"
#include "support/files.h"
#include "support/process.h"

namespace zarvon::testing {
namespace {

CommandResult cli(const std::string &arguments, const TemporaryFolder &folder)
{
    return runCommand("cd " + quoted(folder.path()) + " && " +
                      quoted(std::filesystem::path(ZARVON_BIN_DIR) / "zarvon-cli") + " " + arguments);
}

TEST(CliOptions, HelpAndVersionSucceedOnStandardOutput)
{
    TemporaryFolder folder("zarvon-cli-options");
    const auto version = cli("--version 2>/dev/null", folder);
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.output, std::string("zarvon-cli ") + base::kProductVersion + "\n");
    const auto help = cli("--help 2>/dev/null", folder);
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.output.find("usage: zarvon-cli"), std::string::npos);
    EXPECT_NE(help.output.find("--version"), std::string::npos);
}

TEST(CliOptions, ListEndsItsSummaryLine)
{
    TemporaryFolder folder("zarvon-cli-options");
    writeFile(folder / "a.txt", "alpha");
    ASSERT_EQ(cli("create a.zip a.txt", folder).status, 0);
    const auto listed = cli("list a.zip", folder);
    ASSERT_EQ(listed.status, 0);
    ASSERT_FALSE(listed.output.empty());
    EXPECT_EQ(listed.output.back(), '\n');
    EXPECT_NE(listed.output.find("1 entries\n"), std::string::npos) << listed.output;
}

TEST(CliOptions, CreateWhoseInputsAllFailLeavesNoArchive)
{
    TemporaryFolder folder("zarvon-cli-options");
    const auto created = cli("create x.zip missing.txt", folder);
    EXPECT_NE(created.status, 0);
    EXPECT_NE(created.output.find("missing.txt"), std::string::npos) << created.output;
    EXPECT_FALSE(std::filesystem::exists(folder / "x.zip"));
}

// A new archive takes the place of no one's file: never of a file that is no
// ZIP archive, of an existing archive only with -o (no terminal here to ask),
// and only under a .zip name.
TEST(CliOptions, CreateNeverReplacesAFileSilently)
{
    TemporaryFolder folder("zarvon-cli-options");
    writeFile(folder / "a.txt", "alpha");
    writeFile(folder / "notes.txt", "my notes");
    writeFile(folder / "fake.zip", "not an archive");
    const auto notes = cli("create notes.txt a.txt </dev/null", folder);
    EXPECT_NE(notes.status, 0);
    EXPECT_NE(notes.output.find("notes.txt: zarvon-cli creates .zip,"), std::string::npos) << notes.output;
    EXPECT_EQ(readFile(folder / "notes.txt"), "my notes");
    EXPECT_NE(cli("create backup a.txt </dev/null", folder).status, 0);
    EXPECT_FALSE(std::filesystem::exists(folder / "backup"));
    const auto fake = cli("create -o fake.zip a.txt </dev/null", folder);
    EXPECT_NE(fake.status, 0);
    EXPECT_NE(fake.output.find("fake.zip: exists and is not a ZIP archive"), std::string::npos) << fake.output;
    EXPECT_EQ(readFile(folder / "fake.zip"), "not an archive");

    ASSERT_EQ(cli("create x.zip a.txt notes.txt", folder).status, 0);
    const std::string before = readFile(folder / "x.zip");
    const auto kept = cli("create x.zip a.txt </dev/null", folder);
    EXPECT_NE(kept.status, 0);
    EXPECT_NE(kept.output.find("-o replaces it"), std::string::npos) << kept.output;
    EXPECT_EQ(readFile(folder / "x.zip"), before);
    ASSERT_EQ(cli("create --overwrite x.zip a.txt </dev/null", folder).status, 0);
    EXPECT_NE(cli("list x.zip", folder).output.find("1 entries"), std::string::npos);
}

// As unzip does: -o replaces, -n keeps, and without either a terminal is
// asked, while a script's run keeps the file and says it failed.
TEST(CliOptions, ExistingFilesAreReplacedKeptOrAskedAbout)
{
    TemporaryFolder folder("zarvon-cli-options");
    writeFile(folder / "a.txt", "archived a");
    writeFile(folder / "b.txt", "archived b");
    ASSERT_EQ(cli("create x.zip a.txt b.txt", folder).status, 0);
    const auto edit = [&] {
        writeFile(folder / "a.txt", "edited a");
        writeFile(folder / "b.txt", "edited b");
    };

    edit();
    const auto script = cli("extract x.zip </dev/null", folder);
    EXPECT_NE(script.status, 0);
    EXPECT_NE(script.output.find("a.txt: a file of that name is already there"), std::string::npos) << script.output;
    EXPECT_EQ(readFile(folder / "a.txt"), "edited a");

    const auto kept = cli("extract -n x.zip </dev/null", folder);
    EXPECT_EQ(kept.status, 0) << kept.output;
    EXPECT_EQ(readFile(folder / "b.txt"), "edited b");

    const auto replaced = cli("extract -o x.zip </dev/null", folder);
    EXPECT_EQ(replaced.status, 0) << replaced.output;
    EXPECT_EQ(readFile(folder / "a.txt"), "archived a");
    EXPECT_EQ(readFile(folder / "b.txt"), "archived b");

    if (!haveTool("script"))
        GTEST_SKIP() << "script (util-linux) is not installed: no terminal to answer from";
    edit();
    const auto asked = runCommand(
        "cd " + quoted(folder.path()) + " && (sleep 0.5; printf 'n\\n'; sleep 0.5; " + "printf 'y\\n') | script -qec " +
        quoted(quoted(std::filesystem::path(ZARVON_BIN_DIR) / "zarvon-cli") + " extract x.zip") + " /dev/null");
    EXPECT_EQ(asked.status, 0) << asked.output;
    EXPECT_NE(asked.output.find("replace ./a.txt? [y]es, [n]o, [A]ll, [N]one"), std::string::npos) << asked.output;
    EXPECT_EQ(readFile(folder / "a.txt"), "edited a");
    EXPECT_EQ(readFile(folder / "b.txt"), "archived b");
}

TEST(CliOptions, AnOptionLastOnTheLineWithoutItsValueIsAUsageError)
{
    TemporaryFolder folder("zarvon-cli-options");
    for (const char *line : {"extract a.zip -d", "extract -p", "list a.zip -p", "create -j", "test a.zip -p"}) {
        const auto result = cli(std::string(line) + " 2>&1", folder);
        EXPECT_EQ(result.status, 2) << line << ": " << result.output;
        EXPECT_NE(result.output.find("needs a"), std::string::npos) << line << ": " << result.output;
    }
}

// The suffix chooses the format; each is listed, tested, described and
// extracted again by the same commands, and bsdtar reads what was written.
TEST(CliOptions, CreatesTarballsAndSevenZipBySuffix)
{
    TemporaryFolder folder("zarvon-cli-options");
    writeFile(folder / "src/a.txt", "alpha");
    for (const std::string name : {"x.tar.zst", "x.tar.xz", "x.tar.bz2", "x.tgz", "x.7z"}) {
        ASSERT_EQ(cli("create " + name + " src", folder).status, 0) << name;
        EXPECT_NE(cli("list " + name, folder).output.find("src/a.txt"), std::string::npos) << name;
        EXPECT_EQ(cli("test " + name, folder).status, 0) << name;
        EXPECT_NE(cli("info " + name, folder).output.find(name == "x.7z" ? "Format:       7z" : "Format:       TAR"),
                  std::string::npos)
            << name;
        EXPECT_EQ(cli("extract -d out-" + name + " " + name, folder).status, 0) << name;
        EXPECT_EQ(readFile(folder / ("out-" + name) / "src/a.txt"), "alpha") << name;
        const auto theirs = runCommand("bsdtar -tf " + quoted(folder / name));
        EXPECT_EQ(theirs.status, 0) << name;
        EXPECT_NE(theirs.output.find("src/a.txt\n"), std::string::npos) << name;
    }
    EXPECT_NE(cli("create -p secret y.tar.gz src", folder).status, 0) << "no password is dropped in silence";
    EXPECT_FALSE(std::filesystem::exists(folder / "y.tar.gz"));
}

} // namespace
} // namespace zarvon::testing
