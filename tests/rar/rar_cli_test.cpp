// zarvon-cli on RAR archives, side by side with unrar on the same archives:
// the same names listed, the same test verdicts, the same files extracted,
// and a volume set listed as whole files.
#include "rar/rar_test_support.h"

#include <iomanip>
#include <map>
#include <sstream>

namespace zarvon::rar::testing {
namespace {

class RarCli : public RarTest {
protected:
    CommandResult cli(const std::string &arguments)
    {
        return runCommand(quoted(fs::path(ZARVON_BIN_DIR) / "zarvon-cli") + " " + arguments);
    }

    // The names of a `zarvon-cli list` table (its last column), folders
    // without their final "/", as unrar writes them.
    static std::vector<std::string> listedNames(const std::string &table)
    {
        std::vector<std::string> names;
        std::istringstream lines(table);
        std::string line;
        std::getline(lines, line); // heading: the names begin under its "Name"
        const auto nameColumn = line.find("Name");
        while (std::getline(lines, line)) {
            if (nameColumn == std::string::npos || line.size() <= nameColumn)
                continue; // the summary line
            std::string name = line.substr(nameColumn);
            if (name.back() == '/')
                name.pop_back();
            names.push_back(name);
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    // unrar's bare listing of every volume, a file split over volumes once.
    static std::vector<std::string> unrarNames(const std::string &listing)
    {
        std::vector<std::string> names;
        std::istringstream lines(listing);
        std::string line;
        while (std::getline(lines, line))
            if (!line.empty() && (names.empty() || names.back() != line))
                names.push_back(line);
        std::sort(names.begin(), names.end());
        return names;
    }

    // Every file under root with its bytes.
    static std::map<std::string, std::string> contents(const fs::path &root)
    {
        std::map<std::string, std::string> files;
        for (const std::string &name : zarvon::testing::filesUnder(root))
            files[name] = readFile(root / name);
        return files;
    }
};

TEST_F(RarCli, ListTestAndExtractAgreeWithUnrar)
{
    ZARVON_NEED_RAR();
    if (!haveTool("unrar"))
        GTEST_SKIP() << "unrar is not installed (Debian package unrar): nothing to compare with";
    source("a.txt", "alpha");
    source("sub/b.txt", std::string(3000, 'q') + "marker-for-damage" + std::string(3000, 'r'));
    source("sub/big.bin", randomBytes(150000));
    fs::create_directories(src / "void");
    struct Case {
        fs::path archive;
        std::string password;
    };
    const std::vector<Case> cases = {
        {makeRar("plain.rar", "-r", "a.txt sub void"), ""},
        {makeRar("solid.rar", "-r -s", "a.txt sub"), ""},
        {makeRar("enc.rar", "-r -pSecret", "a.txt sub"), "Secret"},
        {makeRar("encwrong.rar", "-r -pSecret", "a.txt sub"), "Wrong"},
        {makeRar("hidden.rar", "-r -hpSecret", "a.txt sub"), "Secret"},
        {makeRar("set.rar", "-r -m0 -v50k", "a.txt sub"), ""},
        {makeRar("damaged.rar", "-r -m0", "a.txt sub"), ""},
    };
    ASSERT_TRUE(zarvon::testing::corruptAt(cases.back().archive, "marker-for-damage"));

    for (Case c : cases) {
        if (c.archive.filename() == "set.rar")
            c.archive = dir / "set.part1.rar";
        SCOPED_TRACE(c.archive.filename().string());
        const std::string ours = (c.password.empty() ? "" : "-p " + c.password + " ") + quoted(c.archive);
        const std::string theirs =
            "-p" + (c.password.empty() ? std::string("-") : c.password) + " " + quoted(c.archive);

        const auto listed = runCommand("unrar lb -v " + theirs);
        const auto ourListing = cli("list " + ours);
        EXPECT_EQ(ourListing.status == 0, listed.status == 0) << ourListing.output;
        if (listed.status == 0) {
            EXPECT_EQ(listedNames(ourListing.output), unrarNames(listed.output)) << ourListing.output;
        }

        const bool unrarPasses = runCommand("unrar t -idq " + theirs).status == 0;
        const auto tested = cli("test " + ours);
        EXPECT_EQ(tested.status == 0, unrarPasses) << tested.output;

        const fs::path mine = dir / ("ours-" + c.archive.stem().string());
        const fs::path other = dir / ("theirs-" + c.archive.stem().string());
        fs::create_directories(other);
        const bool unrarExtracts = runCommand("cd " + quoted(other) + " && unrar x -idq -o+ " + theirs).status == 0;
        const auto extracted = cli("extract -d " + quoted(mine) + " " + ours);
        EXPECT_EQ(extracted.status == 0, unrarExtracts) << extracted.output;
        if (unrarExtracts) {
            EXPECT_EQ(contents(mine), contents(other));
        }
    }
}

TEST_F(RarCli, AVolumeSetListsWholeFilesWithTheirPackedSizeAndCrc)
{
    ZARVON_NEED_RAR();
    const std::string big = randomBytes(200000, 3);
    source("big.bin", big);
    source("small.txt", "small");
    makeRar("set.rar", "-m0 -v60k", "big.bin small.txt");
    ASSERT_TRUE(fs::exists(dir / "set.part4.rar"));

    const auto listed = cli("list " + quoted(dir / "set.part1.rar"));
    ASSERT_EQ(listed.status, 0) << listed.output;
    std::istringstream lines(listed.output);
    std::string line, bigLine;
    int rows = 0;
    while (std::getline(lines, line))
        if (line.size() > 60 && line.find("big.bin") != std::string::npos) {
            bigLine = line;
            ++rows;
        }
    EXPECT_EQ(rows, 1) << "one row for the file, not one per volume:\n" << listed.output;
    std::ostringstream crc;
    crc << std::hex << std::setw(8) << std::setfill('0')
        << crc32(0, reinterpret_cast<const Bytef *>(big.data()), uInt(big.size()));
    EXPECT_NE(bigLine.find(crc.str()), std::string::npos) << bigLine;
    // Stored, so its packed bytes over all volumes are its size.
    std::istringstream fields(bigLine);
    uint64_t size = 0, packed = 0;
    fields >> size >> packed;
    EXPECT_EQ(size, big.size());
    EXPECT_EQ(packed, big.size());
}

TEST_F(RarCli, EncryptedNamesAskForThePasswordInsteadOfCallingTheFileUnreadable)
{
    ZARVON_NEED_RAR();
    source("a.txt", "alpha");
    const fs::path archive = makeRar("hidden.rar", "-hpSecret", "a.txt");
    const auto without = cli("list " + quoted(archive));
    EXPECT_NE(without.status, 0);
    EXPECT_NE(without.output.find("password is needed"), std::string::npos) << without.output;
    const auto wrong = cli("info -p Wrong " + quoted(archive));
    EXPECT_NE(wrong.status, 0);
    EXPECT_NE(wrong.output.find("wrong password"), std::string::npos) << wrong.output;
    const auto right = cli("info -p Secret " + quoted(archive));
    EXPECT_EQ(right.status, 0) << right.output;
    EXPECT_NE(right.output.find("Entries:      1"), std::string::npos) << right.output;
    EXPECT_EQ(right.output.find("ZIP64"), std::string::npos) << "a ZIP notion: " << right.output;
}

} // namespace
} // namespace zarvon::rar::testing
