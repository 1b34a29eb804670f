// Copying, moving and renaming: conflicts asked about, never into itself,
// no half file left behind, a move that keeps its source until the copy is
// whole, and moves across file systems.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "operations/archive_information.h"
#include "operations/file_operations.h"
#include "support/own_process.h"

namespace zarvon::operations {
namespace {

namespace fs = std::filesystem;

// Answers every conflict with one prepared answer and records the questions.
class ScriptedResolver final : public ConflictResolver {
public:
    explicit ScriptedResolver(ConflictAnswer answer = ConflictAnswer::Stop) : answer_(answer) {}
    ConflictAnswer resolve(const std::string &source, const std::string &target) override
    {
        asked.push_back({source, target});
        return answer_;
    }
    std::vector<std::pair<std::string, std::string>> asked;

private:
    ConflictAnswer answer_;
};

// Asks to stop at the first block of data.
class StopAtFirstBlock final : public JobProgress {
public:
    bool report(const ProgressStep &step) override { return step.kind == ProgressStep::ItemProgress; }
};

class FileOperationsTest : public ::testing::Test {
protected:
    void SetUp() override { folder_ = makeFolder(fs::temp_directory_path()); }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
        if (!shm_.empty())
            fs::remove_all(shm_, ignored);
    }
    static fs::path makeFolder(const fs::path &where)
    {
        std::string pattern = (where / "zarvon-fileops-XXXXXX").string();
        EXPECT_NE(::mkdtemp(pattern.data()), nullptr);
        return pattern;
    }
    std::string path(const std::string &relative) const { return (folder_ / relative).string(); }
    void write(const std::string &relative, const std::string &content) const { writeAt(folder_ / relative, content); }
    static void writeAt(const fs::path &file, const std::string &content)
    {
        fs::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << content;
    }
    static std::string read(const fs::path &file)
    {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static std::vector<std::string> namesIn(const fs::path &folder)
    {
        std::vector<std::string> names;
        for (const auto &entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    TransferReport transfer(std::vector<std::string> sources, const std::string &destination, bool move,
                            ConflictResolver &resolver)
    {
        SilentProgress progress;
        return transferItems({std::move(sources), destination, move}, resolver, progress);
    }

    fs::path folder_;
    fs::path shm_;
};

TEST_F(FileOperationsTest, CopiesEverySelectedFileAndFoldersRecursively)
{
    write("src/a.txt", "alpha");
    write("src/b.txt", "beta");
    write("src/tree/one/deep.txt", "deep");
    fs::create_directories(path("src/tree/empty"));
    fs::create_symlink("one/deep.txt", path("src/tree/link"));
    fs::create_directories(path("dest"));
    ScriptedResolver resolver;
    const auto report =
        transfer({path("src/a.txt"), path("src/b.txt"), path("src/tree/")}, path("dest"), false, resolver);
    EXPECT_EQ(report.itemsDone, 3);
    EXPECT_TRUE(report.failures.empty());
    EXPECT_TRUE(resolver.asked.empty());
    EXPECT_EQ(read(path("dest/a.txt")), "alpha");
    EXPECT_EQ(read(path("dest/b.txt")), "beta");
    EXPECT_EQ(read(path("dest/tree/one/deep.txt")), "deep");
    EXPECT_TRUE(fs::is_directory(path("dest/tree/empty")));
    EXPECT_TRUE(fs::is_symlink(path("dest/tree/link"))) << "links are copied as links";
    EXPECT_EQ(read(path("src/a.txt")), "alpha") << "a copy keeps its source";
    EXPECT_EQ(namesIn(path("dest")), (std::vector<std::string>{"a.txt", "b.txt", "tree"})) << "no temporary left";
}

TEST_F(FileOperationsTest, CopyKeepsTheModificationTimeAndMode)
{
    write("a.sh", "#!/bin/sh\n");
    fs::permissions(path("a.sh"), fs::perms(0750));
    const auto then = fs::last_write_time(path("a.sh")) - std::chrono::hours(48);
    fs::last_write_time(path("a.sh"), then);
    fs::create_directories(path("dest"));
    ScriptedResolver resolver;
    transfer({path("a.sh")}, path("dest"), false, resolver);
    EXPECT_EQ(fs::last_write_time(path("dest/a.sh")), then);
    EXPECT_EQ(fs::status(path("dest/a.sh")).permissions() & fs::perms::all, fs::perms(0750));
}

TEST_F(FileOperationsTest, AConflictIsAskedAndEachAnswerIsObeyed)
{
    write("src/a.txt", "new");
    write("dest/a.txt", "old");
    {
        ScriptedResolver skip(ConflictAnswer::Skip);
        const auto report = transfer({path("src/a.txt")}, path("dest"), true, skip);
        ASSERT_EQ(skip.asked.size(), 1u);
        EXPECT_EQ(skip.asked[0].second, path("dest/a.txt"));
        EXPECT_EQ(report.itemsSkipped, 1);
        EXPECT_EQ(read(path("dest/a.txt")), "old");
        EXPECT_TRUE(fs::exists(path("src/a.txt"))) << "a skipped move keeps its source";
    }
    {
        ScriptedResolver stop(ConflictAnswer::Stop);
        write("src/b.txt", "b");
        const auto report = transfer({path("src/a.txt"), path("src/b.txt")}, path("dest"), false, stop);
        EXPECT_TRUE(report.stopped);
        EXPECT_FALSE(fs::exists(path("dest/b.txt"))) << "nothing after a stop";
    }
    {
        ScriptedResolver replace(ConflictAnswer::Replace);
        const auto report = transfer({path("src/a.txt")}, path("dest"), false, replace);
        EXPECT_EQ(report.itemsDone, 1);
        EXPECT_EQ(read(path("dest/a.txt")), "new");
    }
}

TEST_F(FileOperationsTest, ReplacingAFolderMergesIntoIt)
{
    write("src/f/new.txt", "n");
    write("src/f/same.txt", "newer");
    write("dest/f/kept.txt", "k");
    write("dest/f/same.txt", "older");
    ScriptedResolver replace(ConflictAnswer::Replace);
    const auto report = transfer({path("src/f")}, path("dest"), true, replace);
    EXPECT_EQ(report.itemsDone, 1);
    EXPECT_TRUE(report.failures.empty());
    EXPECT_EQ(namesIn(path("dest/f")), (std::vector<std::string>{"kept.txt", "new.txt", "same.txt"}));
    EXPECT_EQ(read(path("dest/f/same.txt")), "newer");
    EXPECT_FALSE(fs::exists(path("src/f"))) << "the merged move removes its source";
}

TEST_F(FileOperationsTest, AFileNeverTakesTheFolderPlaceNorTheReverse)
{
    write("src/x", "file");
    write("dest/x/inside.txt", "i");
    ScriptedResolver replace(ConflictAnswer::Replace);
    const auto report = transfer({path("src/x")}, path("dest"), false, replace);
    ASSERT_EQ(report.failures.size(), 1u);
    EXPECT_EQ(report.failures[0].reason, Reason::AlreadyExists);
    EXPECT_EQ(read(path("dest/x/inside.txt")), "i");
}

TEST_F(FileOperationsTest, AFolderNeverGoesIntoItselfNorAnItemOntoItself)
{
    write("tree/sub/a.txt", "a");
    ScriptedResolver resolver(ConflictAnswer::Replace);
    for (const std::string &destination : {path("tree"), path("tree/sub"), path("tree/sub/../sub")}) {
        const auto report = transfer({path("tree")}, destination, false, resolver);
        ASSERT_EQ(report.failures.size(), 1u) << destination;
        EXPECT_EQ(report.failures[0].reason, Reason::IntoItself) << destination;
        const auto moved = transfer({path("tree")}, destination, true, resolver);
        ASSERT_EQ(moved.failures.size(), 1u) << destination;
    }
    const auto onItself = transfer({path("tree/sub/a.txt")}, path("tree/sub/"), false, resolver);
    ASSERT_EQ(onItself.failures.size(), 1u);
    EXPECT_EQ(onItself.failures[0].reason, Reason::IntoItself);
    EXPECT_TRUE(resolver.asked.empty()) << "an item is not offered to replace itself";
    EXPECT_EQ(read(path("tree/sub/a.txt")), "a");
    EXPECT_EQ(namesIn(path("tree")), std::vector<std::string>{"sub"});
}

TEST_F(FileOperationsTest, MissingDestinationOrSourceIsAFailureNamingTheItem)
{
    write("a.txt", "a");
    ScriptedResolver resolver;
    auto report = transfer({path("a.txt")}, path("nowhere"), true, resolver);
    ASSERT_EQ(report.failures.size(), 1u);
    EXPECT_EQ(report.failures[0].reason, Reason::NotFound);
    EXPECT_EQ(report.failures[0].name, path("nowhere"));
    EXPECT_TRUE(fs::exists(path("a.txt")));
    fs::create_directories(path("dest"));
    report = transfer({path("gone.txt"), path("a.txt")}, path("dest"), false, resolver);
    ASSERT_EQ(report.failures.size(), 1u);
    EXPECT_EQ(report.failures[0].name, path("gone.txt"));
    EXPECT_EQ(report.itemsDone, 1) << "the other items still go";
}

TEST_F(FileOperationsTest, AStoppedCopyLeavesNoHalfFileAndKeepsTheOneItWouldReplace)
{
    write("big.bin", std::string(3 << 20, 'x'));
    write("dest/big.bin", "previous");
    ScriptedResolver replace(ConflictAnswer::Replace);
    StopAtFirstBlock stop;
    const auto report = transferItems({{path("big.bin")}, path("dest"), false}, replace, stop);
    EXPECT_TRUE(report.stopped);
    EXPECT_EQ(namesIn(path("dest")), std::vector<std::string>{"big.bin"});
    EXPECT_EQ(read(path("dest/big.bin")), "previous");
}

TEST_F(FileOperationsTest, MoveAcrossFileSystemsCopiesThenRemovesTheSource)
{
    if (!fs::is_directory("/dev/shm"))
        GTEST_SKIP() << "no /dev/shm here";
    shm_ = makeFolder("/dev/shm");
    writeAt(shm_ / "f/a.txt", "from memory");
    writeAt(shm_ / "b.txt", "b");
    struct stat memory {
    }, disk{};
    ASSERT_EQ(::stat(shm_.c_str(), &memory), 0);
    ASSERT_EQ(::stat(folder_.c_str(), &disk), 0);
    if (memory.st_dev == disk.st_dev)
        GTEST_SKIP() << "/dev/shm and the temporary folder share a file system";
    fs::create_directories(path("dest"));
    ScriptedResolver resolver;
    const auto report = transfer({(shm_ / "f").string(), (shm_ / "b.txt").string()}, path("dest"), true, resolver);
    EXPECT_EQ(report.itemsDone, 2);
    EXPECT_TRUE(report.failures.empty());
    EXPECT_EQ(read(path("dest/f/a.txt")), "from memory");
    EXPECT_EQ(read(path("dest/b.txt")), "b");
    EXPECT_TRUE(namesIn(shm_).empty());
}

TEST_F(FileOperationsTest, RenameRefusesATakenNameAndBadNames)
{
    write("report.zip", "r");
    write("old.zip", "o");
    Failure f = renameItem(path("report.zip"), "old.zip");
    EXPECT_EQ(f.reason, Reason::AlreadyExists);
    EXPECT_EQ(read(path("old.zip")), "o") << "the other file is not destroyed";
    EXPECT_EQ(renameItem(path("report.zip"), "").reason, Reason::InvalidName);
    EXPECT_EQ(renameItem(path("report.zip"), "a/b.zip").reason, Reason::InvalidName);
    EXPECT_EQ(renameItem(path("gone.zip"), "x.zip").reason, Reason::NotFound);
    EXPECT_EQ(renameItem(path("report.zip"), "new.zip").reason, Reason::None);
    EXPECT_EQ(read(path("new.zip")), "r");
    EXPECT_FALSE(fs::exists(path("report.zip")));
    fs::create_directories(path("folder"));
    EXPECT_EQ(renameItem(path("folder/"), "renamed").reason, Reason::None);
    EXPECT_TRUE(fs::is_directory(path("renamed")));
}

// The trash takes an item whole or not at all; an item already gone counts
// as trashed, and a file system without a trash says so, keeping the file.
TEST_F(FileOperationsTest, TrashTakesAnItemWholeOrSaysWhyNot)
{
    if (testing::ranInOwnProcess())
        return;
    const fs::path data = folder_ / "data";
    ::setenv("XDG_DATA_HOME", data.c_str(), 1);
    write("tree/inner/deep.txt", "deep");
    EXPECT_EQ(trashItem(path("gone.txt")).reason, Reason::None);
    EXPECT_FALSE(fs::exists(data / "Trash/files/gone.txt"));
    EXPECT_EQ(trashItem(path("tree/")).reason, Reason::None) << "a folder given with its slash";
    EXPECT_TRUE(fs::exists(data / "Trash/files/tree/inner/deep.txt"));
    EXPECT_TRUE(fs::exists(data / "Trash/info/tree.trashinfo"));
    EXPECT_FALSE(fs::exists(folder_ / "tree"));
    if (!fs::is_directory("/dev/shm"))
        GTEST_SKIP() << "no /dev/shm";
    shm_ = makeFolder("/dev/shm");
    writeAt(shm_ / "kept.txt", "kept");
    const Failure refused = trashItem((shm_ / "kept.txt").string());
    EXPECT_EQ(refused.reason, Reason::NoTrash) << refused.sysErrno;
    EXPECT_EQ(refused.sysErrno, EOPNOTSUPP);
    EXPECT_EQ(refused.name, (shm_ / "kept.txt").string());
    EXPECT_TRUE(fs::exists(shm_ / "kept.txt"));
    EXPECT_FALSE(fs::exists(shm_ / (".Trash-" + std::to_string(::getuid()))));
}

TEST_F(FileOperationsTest, NamesSplitAtTheirLastDot)
{
    EXPECT_EQ(splitName("report.zip").base, "report");
    EXPECT_EQ(splitName("report.zip").extension, "zip");
    EXPECT_EQ(splitName("zipfile.zip").base, "zipfile");
    EXPECT_EQ(splitName("a.b.tar.gz").base, "a.b.tar");
    EXPECT_EQ(splitName("a.b.tar.gz").extension, "gz");
    EXPECT_EQ(splitName("Folder").base, "Folder");
    EXPECT_EQ(splitName("Folder").extension, "");
    EXPECT_EQ(splitName(".profile").base, ".profile");
}

TEST_F(FileOperationsTest, KilobytesRoundToTheNearestWithTiesToEven)
{
    EXPECT_EQ(roundedKilobytes(1499), 1u);
    EXPECT_EQ(roundedKilobytes(1500), 2u);
    EXPECT_EQ(roundedKilobytes(2500), 2u);
    EXPECT_EQ(roundedKilobytes(2501), 3u);
    EXPECT_EQ(roundedKilobytes(499), 0u);
    EXPECT_EQ(roundedKilobytes(500), 0u);
    EXPECT_EQ(roundedKilobytes(0), 0u);
    EXPECT_EQ(roundedKilobytes(5000000000500ull), 5000000000u) << "exact beyond a float's precision";
    EXPECT_EQ(roundedKilobytes(5000000001500ull), 5000000002u);
}

TEST_F(FileOperationsTest, InformationOfAFileNoFormatReadsKeepsTheArchiveFieldsUnknown)
{
    write("data.7z", "7z\xBC\xAF\x27\x1C not really");
    const ArchiveInformation info = archiveInformation(path("data.7z"));
    EXPECT_TRUE(info.fileFound);
    EXPECT_EQ(info.fileSize, fs::file_size(path("data.7z")));
    EXPECT_FALSE(info.listed);
    EXPECT_TRUE(info.methods.empty());
    EXPECT_EQ(info.protection, Protection::Unknown);
    const ArchiveInformation gone = archiveInformation(path("gone.zip"));
    EXPECT_FALSE(gone.fileFound);
    EXPECT_FALSE(gone.listed);
}

} // namespace
} // namespace zarvon::operations
