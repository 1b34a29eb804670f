// The jobs as both front ends call them: their reports, their reasons and
// the system's error numbers, and a stop asked through the progress.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "engine/engine.h"
#include "operations/jobs.h"
#include "support/files.h"
#include "support/process.h"
#include "support/zip_maker.h"

namespace zarvon::operations {
namespace {

namespace fs = std::filesystem;

class JobsTest : public ::testing::Test {
protected:
    std::string path(const std::string &relative) const { return (folder_ / relative).string(); }
    void write(const std::string &relative, const std::string &content)
    {
        zarvon::testing::writeFile(folder_ / relative, content);
    }
    std::set<std::string> namesIn(const std::string &archive)
    {
        std::set<std::string> names;
        for (const auto &entry : listArchiveEntries(archive).entries)
            names.insert(entry.name);
        return names;
    }
    zarvon::testing::TemporaryFolder temporary_{"zarvon-jobs"};
    fs::path folder_ = temporary_.path();
};

// Switches the effective user to "nobody" for the scope when running as
// root, so that a folder without permissions is one for the job too.
class AsNobody {
public:
    explicit AsNobody(const fs::path &folder)
    {
        if (::geteuid() != 0)
            return;
        ::chmod(folder.c_str(), 0777);
        active_ = ::seteuid(65534) == 0;
    }
    ~AsNobody()
    {
        if (active_) {
            EXPECT_EQ(::seteuid(0), 0);
        }
    }

private:
    bool active_ = false;
};

class StopAfter final : public JobProgress {
public:
    explicit StopAfter(int items) : left_(items) {}
    bool report(const ProgressStep &step) override
    {
        if (step.kind == ProgressStep::ItemDone)
            --left_;
        return left_ <= 0;
    }

private:
    int left_;
};

TEST_F(JobsTest, FilesBehindAFolderThatCannotBeReadAreNamedNotACrash)
{
    write("open/a.txt", "a");
    write("locked/inner/b.txt", "b");
    write("locked/c.txt", "c");
    ::chmod(path("locked/inner").c_str(), 0);
    ::chmod(path("locked").c_str(), 0);
    AsNobody nobody(folder_);
    if (::faccessat(AT_FDCWD, path("locked/c.txt").c_str(), R_OK, AT_EACCESS) == 0)
        GTEST_SKIP() << "permissions do not apply to this user";

    SilentProgress progress;
    const CompressReport report = compressFiles(
        {path("out.zip"), {{path("open/a.txt"), false}, {path("locked/c.txt"), false}, {path("locked"), true}}, 8, ""},
        progress);
    EXPECT_EQ(report.outcome, CompressReport::Outcome::Written);
    ASSERT_EQ(report.unreadable.size(), 2u);
    EXPECT_EQ(report.unreadable[0].name, path("locked/c.txt"));
    EXPECT_EQ(report.unreadable[0].reason, Reason::CannotRead);
    EXPECT_EQ(report.unreadable[0].sysErrno, EACCES);
    EXPECT_EQ(report.unreadable[1].name, path("locked") + "/");
    EXPECT_EQ(report.unreadable[1].sysErrno, EACCES);
    EXPECT_EQ(namesIn(path("out.zip")), std::set<std::string>{"a.txt"});
}

TEST_F(JobsTest, AStopThroughTheProgressKeepsTheEarlierArchive)
{
    write("a.txt", "a");
    write("b.txt", "b");
    write("out.zip", "the earlier archive");
    StopAfter progress(1);
    const CompressReport report =
        compressFiles({path("out.zip"), {{path("a.txt"), false}, {path("b.txt"), false}}, 8, "pw"}, progress);
    EXPECT_EQ(report.outcome, CompressReport::Outcome::Cancelled);
    std::ifstream in(path("out.zip"));
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "the earlier archive");
    EXPECT_EQ(fs::directory_iterator(folder_) == fs::directory_iterator(), false);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 3) << "no temporary file left";
}

TEST_F(JobsTest, AChosenFolderIsNamedAsGivenOrFromItsOwnName)
{
    write("src/sub/deep/n.txt", "n");
    write("top.txt", "t");
    SilentProgress progress;
    CompressRequest request{path("given.zip"), {{path("src/sub/"), true}, {path("top.txt"), false}}, 8, ""};
    ASSERT_EQ(compressFiles(request, progress).outcome, CompressReport::Outcome::Written);
    const std::string full = path("src/sub/deep/n.txt").substr(1);
    EXPECT_EQ(namesIn(path("given.zip")), (std::set<std::string>{full, "top.txt"}));
    request.archivePath = path("own.zip");
    request.folderNames = CompressRequest::FolderNames::FromParent;
    ASSERT_EQ(compressFiles(request, progress).outcome, CompressReport::Outcome::Written);
    EXPECT_EQ(namesIn(path("own.zip")), (std::set<std::string>{"sub/deep/n.txt", "top.txt"}));
}

TEST_F(JobsTest, ArchivesAreKnownByTheirContentBeforeTheirName)
{
    write("a.txt", "a");
    SilentProgress progress;
    ASSERT_EQ(compressFiles({path("real.rar"), {{path("a.txt"), false}}, 0, ""}, progress).outcome,
              CompressReport::Outcome::Written);
    ASSERT_NE(formatOf(path("real.rar")), nullptr);
    EXPECT_STREQ(formatOf(path("real.rar"))->name(), "ZIP");
    write("fake.zip", "not an archive");
    ASSERT_NE(formatOf(path("fake.zip")), nullptr) << "a damaged archive is still told by its own format";
    EXPECT_EQ(listArchiveEntries(path("fake.zip")).failure.reason, Reason::NotAnArchive);
    EXPECT_EQ(formatOf(path("a.txt")), nullptr);

    ExtractRequest request{path("missing.zip"), path("dest"), {}, ""};
    const ExtractReport missing = extractArchive(request, progress);
    EXPECT_FALSE(missing.opened);
    EXPECT_EQ(missing.failure.reason, Reason::CannotOpen);
    EXPECT_EQ(missing.failure.sysErrno, ENOENT);
}

TEST_F(JobsTest, ExtractionReportsEachEntryAndTheMissingOnes)
{
    write("src/a.txt", "alpha");
    write("src/b.txt", "beta");
    SilentProgress progress;
    ASSERT_EQ(
        compressFiles({path("p.zip"), {{path("src/a.txt"), false}, {path("src/b.txt"), false}}, 8, "pw"}, progress)
            .outcome,
        CompressReport::Outcome::Written);
    EXPECT_EQ(archiveProtection(path("p.zip")), Protection::Encrypted);

    const ExtractReport wrong = extractArchive({path("p.zip"), path("dest"), {}, "nope"}, progress);
    EXPECT_TRUE(wrong.opened);
    EXPECT_EQ(wrong.passwordFailures(), 2);
    EXPECT_TRUE(wrong.anyWrongPassword());
    EXPECT_FALSE(fs::exists(path("dest"))) << "a failed extraction leaves no folder it made";
    // A folder that was there before stays, even empty.
    fs::create_directories(path("kept"));
    EXPECT_TRUE(extractArchive({path("p.zip"), path("kept"), {}, "nope"}, progress).anyWrongPassword());
    EXPECT_TRUE(fs::is_directory(path("kept")));

    const ExtractReport some = extractArchive({path("p.zip"), path("dest"), {"b.txt", "gone.txt"}, "pw"}, progress);
    EXPECT_EQ(some.filesWritten, 1);
    ASSERT_EQ(some.failures.size(), 1u);
    EXPECT_EQ(some.failures[0].name, "gone.txt");
    EXPECT_EQ(some.failures[0].reason, Reason::NotFound);

    const TestReport tested = testArchiveFile({path("p.zip"), ""}, progress);
    EXPECT_TRUE(tested.passed());
    EXPECT_EQ(tested.entriesNotChecked, 2);
}

// Answers each replace question from a script and counts the questions.
class ScriptedOverwrite final : public JobProgress {
public:
    explicit ScriptedOverwrite(std::vector<OverwriteAnswer> answers) : answers_(std::move(answers)) {}
    bool report(const ProgressStep &) override { return false; }
    OverwriteAnswer askOverwrite(const std::string &) override
    {
        return asked < answers_.size() ? answers_[asked++] : (++asked, OverwriteAnswer::Stop);
    }
    std::size_t asked = 0;

private:
    std::vector<OverwriteAnswer> answers_;
};

TEST_F(JobsTest, AnAnswerForAllIsNotAskedAgain)
{
    for (const char *name : {"a.txt", "b.txt", "c.txt"})
        write(std::string("src/") + name, std::string("new ") + name);
    SilentProgress silent;
    ASSERT_EQ(compressFiles({path("x.zip"),
                             {{path("src/a.txt"), false}, {path("src/b.txt"), false}, {path("src/c.txt"), false}}},
                            silent)
                  .outcome,
              CompressReport::Outcome::Written);
    for (const char *name : {"a.txt", "b.txt", "c.txt"})
        write(std::string("dest/") + name, "old");

    ScriptedOverwrite skipAll({OverwriteAnswer::Replace, OverwriteAnswer::SkipAll});
    const ExtractReport skipped = extractArchive({path("x.zip"), path("dest"), {}, "", Overwrite::Ask}, skipAll);
    EXPECT_EQ(skipAll.asked, 2u);
    EXPECT_EQ(skipped.skipped, (std::vector<std::string>{"b.txt", "c.txt"}));
    EXPECT_EQ(zarvon::testing::readFile(path("dest/a.txt")), "new a.txt");
    EXPECT_EQ(zarvon::testing::readFile(path("dest/c.txt")), "old");

    ScriptedOverwrite replaceAll({OverwriteAnswer::ReplaceAll});
    const ExtractReport replaced = extractArchive({path("x.zip"), path("dest"), {}, "", Overwrite::Ask}, replaceAll);
    EXPECT_EQ(replaceAll.asked, 1u);
    EXPECT_TRUE(replaced.skipped.empty());
    EXPECT_EQ(zarvon::testing::readFile(path("dest/c.txt")), "new c.txt");
}

// The archive closed under a running extraction (the engine reset while the
// job reported its progress) is said as such, not as a file that could not
// be created, and the job stops there.
TEST_F(JobsTest, AnArchiveClosedUnderTheExtractionIsNotACreationFailure)
{
    write("src/a.txt", "alpha");
    write("src/b.txt", "beta");
    SilentProgress silent;
    ASSERT_EQ(compressFiles({path("p.zip"), {{path("src/a.txt"), false}, {path("src/b.txt"), false}}, 8, ""}, silent)
                  .outcome,
              CompressReport::Outcome::Written);
    struct ClosingProgress final : JobProgress {
        bool report(const ProgressStep &step) override
        {
            if (step.kind == ProgressStep::ItemStarted)
                engine::closeArchives();
            return false;
        }
    } closing;
    const ExtractReport report = extractArchive({path("p.zip"), path("dest"), {}, ""}, closing);
    ASSERT_EQ(report.failures.size(), 1u);
    EXPECT_EQ(report.failures[0].reason, Reason::CannotOpen);
    EXPECT_EQ(report.failures[0].sysErrno, 0);
}

// Folders keep the dates and permissions stored for them, also after files
// were written into them, in both formats; a folder outside the request
// keeps its own. The owner keeps the right to open and fill them.
TEST_F(JobsTest, ExtractedFoldersGetTheirStoredDatesAndPermissions)
{
    using zarvon::testing::quoted;
    using zarvon::testing::runCommand;
    write("src/docs/deep/note.txt", "n");
    write("src/other/x.txt", "x");
    const std::string src = quoted(folder_ / "src");
    ASSERT_EQ(runCommand("chmod 0750 " + src + "/docs && chmod 0555 " + src + "/other").status, 0);
    ASSERT_EQ(runCommand("touch -h -d '2001-02-03 04:05:07' " + src + "/docs/deep " + src + "/docs " + src +
                         "/other")
                  .status,
              0);
    struct Maker {
        const char *tool;
        std::string command;
    };
    const std::vector<Maker> makers = {
        {"zip", "cd " + src + " && zip -q -r ../a.zip docs other"},
        {"rar", "cd " + src + " && rar a -idq -r -tsm ../a.rar docs other"},
    };
    SilentProgress progress;
    for (const Maker &maker : makers) {
        if (!zarvon::testing::haveTool(maker.tool))
            continue;
        SCOPED_TRACE(maker.tool);
        const std::string archive = path(std::string("a.") + maker.tool);
        ASSERT_EQ(runCommand(maker.command).status, 0);
        const std::string dest = path(std::string("out-") + maker.tool);
        const ExtractReport report = extractArchive({archive, dest, {}, ""}, progress);
        ASSERT_TRUE(report.failures.empty());
        struct tm expected {};
        expected.tm_year = 101;
        expected.tm_mon = 1;
        expected.tm_mday = 3;
        expected.tm_hour = 4;
        expected.tm_min = 5;
        expected.tm_sec = 7;
        expected.tm_isdst = -1;
        const time_t when = ::mktime(&expected);
        for (const char *name : {"docs", "docs/deep", "other"}) {
            struct stat info {};
            ASSERT_EQ(::stat((fs::path(dest) / name).c_str(), &info), 0) << name;
            // To the second: the extended timestamp (zip) and the precise time (rar).
            EXPECT_EQ(info.st_mtime, when) << name;
        }
        struct stat docs {}, other {};
        ASSERT_EQ(::stat((fs::path(dest) / "docs").c_str(), &docs), 0);
        ASSERT_EQ(::stat((fs::path(dest) / "other").c_str(), &other), 0);
        EXPECT_EQ(docs.st_mode & 07777, 0750u);
        EXPECT_EQ(other.st_mode & 07777, 0755u) << "stored 0555: the owner keeps the right to write";
        // Only the requested entries: the folder made for a file keeps today's date.
        const std::string some = path(std::string("some-") + maker.tool);
        ASSERT_TRUE(extractArchive({archive, some, {"other/x.txt"}, ""}, progress).failures.empty());
        struct stat info {};
        ASSERT_EQ(::stat((fs::path(some) / "other").c_str(), &info), 0);
        EXPECT_GT(info.st_mtime, when + 86400);
    }
    runCommand("chmod -R u+w " + src); // so that the test's folder can go
}

// An archive declaring more than the destination holds is refused before
// anything is written, with both figures, instead of filling the disk.
TEST_F(JobsTest, ExtractionThatCannotFitIsRefusedBeforeItStarts)
{
    zarvon::testing::writeZipDeclaring(path("bomb.zip"), uint64_t(1) << 50);
    SilentProgress progress;
    ExtractRequest request;
    request.archivePath = path("bomb.zip");
    request.destination = path("out");
    const ExtractReport report = extractArchive(request, progress);
    EXPECT_EQ(report.failure.reason, Reason::NotEnoughSpace);
    EXPECT_EQ(report.spaceNeeded, uint64_t(1) << 50);
    EXPECT_GT(report.spaceAvailable, 0u);
    EXPECT_LT(report.spaceAvailable, report.spaceNeeded);
    EXPECT_FALSE(fs::exists(path("out")));
}

} // namespace
} // namespace zarvon::operations
