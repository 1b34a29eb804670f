// The formats read and written through libarchive: what formatOf decides,
// hostile tarballs (built with Python's tarfile) that must not reach outside
// the destination, damaged streams that must leave no file, encrypted 7z,
// and archives exchanged with tar, bsdtar and 7zz in both directions.
#include <sys/stat.h>
#include <csignal>
#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "operations/jobs.h"
#include "operations/libarchive_format.h"
#include "support/files.h"
#include "support/killed_child.h"
#include "support/process.h"

namespace zarvon::operations {
namespace {

namespace fs = std::filesystem;
using zarvon::testing::quoted;
using zarvon::testing::readFile;
using zarvon::testing::runCommand;
using zarvon::testing::writeFile;

class LibarchiveFormatTest : public ::testing::Test {
protected:
    std::string path(const std::string &relative) const { return (folder_ / relative).string(); }
    // Runs a Python script in the test's folder; fails the test when it fails.
    void python(const std::string &script)
    {
        const auto result = runCommand("cd " + quoted(folder_) + " && python3 -c " + quoted(script));
        ASSERT_EQ(result.status, 0) << result.output;
    }
    ExtractReport extract(const std::string &archive, const std::string &destination)
    {
        SilentProgress progress;
        return extractArchive({path(archive), path(destination), {}, "", Overwrite::Replace}, progress);
    }
    static std::map<std::string, Reason> reasons(const ExtractReport &report)
    {
        std::map<std::string, Reason> byName;
        for (const Failure &f : report.failures)
            byName[f.name] = f.reason;
        return byName;
    }
    zarvon::testing::TemporaryFolder temporary_{"zarvon-libarchive"};
    fs::path folder_ = temporary_.path();
};

TEST_F(LibarchiveFormatTest, FormatIsToldByContentBeforeName)
{
    writeFile(folder_ / "src/a.txt", "alpha\n");
    ASSERT_EQ(runCommand("cd " + quoted(folder_) + " && 7zz a -bso0 -t7z really7z.zip src && tar czf tarball.dat src && "
                                                   "xz -k src/a.txt && cp src/a.txt.xz lone.bin && truncate -s 0 empty.tar.gz")
                  .status,
              0);
    ASSERT_NE(formatOf(path("really7z.zip")), nullptr);
    EXPECT_STREQ(formatOf(path("really7z.zip"))->name(), "7z");
    EXPECT_STREQ(formatOf(path("tarball.dat"))->name(), "TAR");
    EXPECT_STREQ(formatOf(path("lone.bin"))->name(), "Compressed file");
    ASSERT_NE(formatOf(path("empty.tar.gz")), nullptr) << "an empty file is still told by its name";
    EXPECT_STREQ(formatOf(path("empty.tar.gz"))->name(), "TAR");
    EXPECT_EQ(listArchiveEntries(path("tarball.dat")).entries.size(), 2u);
}

TEST_F(LibarchiveFormatTest, HostileTarballReachesNothingOutside)
{
    fs::create_directories(folder_ / "outside");
    writeFile(folder_ / "outside/keep.txt", "untouched");
    fs::create_directories(folder_ / "dest");
    fs::create_symlink(folder_ / "outside", folder_ / "dest/planted");
    python(R"(
import tarfile, io, os
out = os.path.abspath('outside')
t = tarfile.open('evil.tar.gz', 'w:gz')
def add(name, kind=tarfile.REGTYPE, data=b'', link='', mode=0o644):
    i = tarfile.TarInfo(name); i.type = kind; i.size = len(data); i.linkname = link; i.mode = mode
    t.addfile(i, io.BytesIO(data) if data else None)
add('sub/f.txt', data=b'inside')
add('../escape.txt', data=b'x')
add('/abs.txt', data=b'absolute')
add('up', tarfile.SYMTYPE, link='../outside')
add('absolute', tarfile.SYMTYPE, link=out)
add('absolute/pwned.txt', data=b'x')
add('planted/pwned.txt', data=b'x')
add('self', tarfile.SYMTYPE, link='.')
add('climb', tarfile.SYMTYPE, link='self/..')
add('good', tarfile.SYMTYPE, link='sub/f.txt')
add('hard', tarfile.LNKTYPE, link='sub/f.txt')
add('hardout', tarfile.LNKTYPE, link='../outside/keep.txt')
add('hardabs', tarfile.LNKTYPE, link=out + '/keep.txt')
add('dev', tarfile.CHRTYPE)
add('fifo', tarfile.FIFOTYPE)
add('suid', data=b'#!/bin/sh\n', mode=0o6755)
t.close()
)");
    const ExtractReport report = extract("evil.tar.gz", "dest");
    ASSERT_TRUE(report.opened);
    const auto refused = reasons(report);
    EXPECT_EQ(refused.at("../escape.txt"), Reason::UnsafeName);
    EXPECT_EQ(refused.at("up"), Reason::LinkRefused);
    EXPECT_EQ(refused.at("absolute"), Reason::LinkRefused);
    EXPECT_EQ(refused.at("planted/pwned.txt"), Reason::UnsafeName);
    EXPECT_EQ(refused.at("climb"), Reason::LinkRefused) << "'self/..' climbs out through a link to '.'";
    EXPECT_EQ(refused.at("hardout"), Reason::UnsafeName);
    EXPECT_EQ(refused.at("hardabs"), Reason::LinkRefused);
    EXPECT_EQ(refused.at("dev"), Reason::SpecialFileRefused);
    EXPECT_EQ(refused.at("fifo"), Reason::SpecialFileRefused);
    EXPECT_EQ(refused.count("good") + refused.count("hard") + refused.count("suid"), 0u);

    EXPECT_EQ(zarvon::testing::filesUnder(folder_ / "outside"), std::set<std::string>{"keep.txt"});
    EXPECT_EQ(readFile(folder_ / "outside/keep.txt"), "untouched");
    EXPECT_FALSE(fs::exists(folder_ / "escape.txt"));
    EXPECT_EQ(readFile(folder_ / "dest/abs.txt"), "absolute") << "an absolute name is kept relative";
    EXPECT_TRUE(fs::is_directory(fs::symlink_status(folder_ / "dest/absolute")));
    EXPECT_EQ(fs::read_symlink(folder_ / "dest/good"), "sub/f.txt");
    struct stat hard {}, original {}, suid {};
    ASSERT_EQ(::stat(path("dest/hard").c_str(), &hard), 0);
    ASSERT_EQ(::stat(path("dest/sub/f.txt").c_str(), &original), 0);
    EXPECT_EQ(hard.st_ino, original.st_ino) << "a hard link inside is a hard link";
    ASSERT_EQ(::stat(path("dest/suid").c_str(), &suid), 0);
    EXPECT_EQ(suid.st_mode & 07777, 0755u);
    EXPECT_FALSE(fs::exists(fs::symlink_status(folder_ / "dest/dev")));
    EXPECT_FALSE(fs::exists(fs::symlink_status(folder_ / "dest/fifo")));
}

TEST_F(LibarchiveFormatTest, DamagedStreamsLeaveNoFile)
{
    writeFile(folder_ / "big/r.bin", zarvon::testing::noise(2000000, 7));
    writeFile(folder_ / "dest/big/r.bin", "earlier");
    ASSERT_EQ(runCommand("cd " + quoted(folder_) + " && tar czf big.tgz big && head -c 1000000 big.tgz > cut.tgz")
                  .status,
              0);
    // A lone gzip file whose header names another file, and a copy whose CRC is wrong.
    python(R"(
import gzip
with open('notes.txt.gz', 'wb') as f:
    with gzip.GzipFile(filename='../../elsewhere', mode='wb', fileobj=f) as g: g.write(b'hello notes\n' * 100)
d = bytearray(open('notes.txt.gz', 'rb').read()); d[-5] ^= 0xFF
open('badcrc.txt.gz', 'wb').write(bytes(d))
)");
    // A file already there is asked about as it is met, in the one pass.
    struct Answers final : JobProgress {
        std::vector<std::string> asked;
        bool report(const ProgressStep &) override { return false; }
        OverwriteAnswer askOverwrite(const std::string &path) override
        {
            asked.push_back(path);
            return OverwriteAnswer::Skip;
        }
    } answers;
    const ExtractReport kept = extractArchive({path("big.tgz"), path("dest"), {}, "", Overwrite::Ask}, answers);
    EXPECT_EQ(answers.asked, std::vector<std::string>{path("dest/big/r.bin")});
    EXPECT_EQ(kept.skipped, std::vector<std::string>{"big/r.bin"});
    EXPECT_EQ(readFile(folder_ / "dest/big/r.bin"), "earlier");

    const ExtractReport cut = extract("cut.tgz", "dest");
    EXPECT_FALSE(cut.failures.empty());
    EXPECT_EQ(readFile(folder_ / "dest/big/r.bin"), "earlier") << "a cut entry keeps the file it would replace";
    EXPECT_EQ(zarvon::testing::filesUnder(folder_ / "dest"), std::set<std::string>{"big/r.bin"});

    const ListReport lone = listArchiveEntries(path("notes.txt.gz"));
    ASSERT_EQ(lone.entries.size(), 1u);
    EXPECT_EQ(lone.entries[0].name, "notes.txt") << "named after the archive, never the header";
    EXPECT_EQ(lone.entries[0].size, 1200u);
    EXPECT_EQ(extract("notes.txt.gz", "lone").filesWritten, 1);
    EXPECT_EQ(zarvon::testing::filesUnder(folder_ / "lone"), std::set<std::string>{"notes.txt"});

    const ExtractReport bad = extract("badcrc.txt.gz", "bad");
    EXPECT_EQ(bad.opened ? bad.failures.at(0).reason : bad.failure.reason, Reason::Damaged);
    EXPECT_TRUE(zarvon::testing::filesUnder(folder_ / "bad").empty());
    SilentProgress progress;
    EXPECT_FALSE(testArchiveFile({path("badcrc.txt.gz"), ""}, progress).passed());
}

TEST_F(LibarchiveFormatTest, EncryptedSevenZipIsSaidAndWritesNothing)
{
    writeFile(folder_ / "src/secret.txt", zarvon::testing::sampleText(5000));
    ASSERT_EQ(runCommand("cd " + quoted(folder_) + " && 7zz a -bso0 -pkey data.7z src && 7zz a -bso0 -pkey -mhe=on "
                                                   "names.7z src")
                  .status,
              0);
    const ExtractReport data = extract("data.7z", "out1");
    ASSERT_FALSE(data.failures.empty());
    EXPECT_EQ(reasons(data).at("src/secret.txt"), Reason::EncryptionUnsupported);
    const ExtractReport names = extract("names.7z", "out2");
    EXPECT_FALSE(names.opened);
    EXPECT_EQ(names.failure.reason, Reason::EncryptionUnsupported);
    EXPECT_FALSE(fs::exists(folder_ / "out1/src/secret.txt")) << "no file of zeros is left";
    EXPECT_FALSE(fs::exists(folder_ / "out2"));
}

TEST_F(LibarchiveFormatTest, CancelLeavesNoPartialFile)
{
    writeFile(folder_ / "big/r.bin", zarvon::testing::noise(3000000, 3));
    ASSERT_EQ(runCommand("cd " + quoted(folder_) + " && tar czf big.tgz big").status, 0);
    struct StopAtFirstBlock final : JobProgress {
        bool report(const ProgressStep &step) override { return step.kind == ProgressStep::ItemProgress; }
    } stop;
    const ExtractReport report = extractArchive({path("big.tgz"), path("dest"), {}, "", Overwrite::Replace}, stop);
    EXPECT_TRUE(report.stopped);
    EXPECT_TRUE(zarvon::testing::filesUnder(folder_ / "dest").empty());
}

// A kill part-way through an entry leaves neither a partial file under its
// name nor a temporary, and keeps the file it would have replaced.
TEST_F(LibarchiveFormatTest, AKillMidEntryLeavesNothingAndKeepsTheOldFile)
{
    writeFile(folder_ / "big/r.bin", zarvon::testing::noise(3000000, 5));
    ASSERT_EQ(runCommand("cd " + quoted(folder_) + " && tar czf big.tgz big").status, 0);
    for (bool over : {false, true}) {
        fs::remove_all(folder_ / "dest");
        if (over)
            writeFile(folder_ / "dest/big/r.bin", "the old file");
        ASSERT_TRUE(zarvon::testing::diedKilled([&] {
            struct KillAtThirdBlock final : JobProgress {
                int blocks = 0;
                bool report(const ProgressStep &step) override
                {
                    if (step.kind == ProgressStep::ItemProgress && ++blocks == 3)
                        ::raise(SIGKILL);
                    return false;
                }
            } kill;
            extractArchive({path("big.tgz"), path("dest"), {}, "", Overwrite::Replace}, kill);
        }));
        const auto left = zarvon::testing::filesUnder(folder_ / "dest");
        EXPECT_EQ(left.size(), over ? 1u : 0u);
        if (over)
            EXPECT_EQ(readFile(folder_ / "dest/big/r.bin"), "the old file");
    }
}

// What we write, the reference tools read exactly; what they write, we read exactly.
TEST_F(LibarchiveFormatTest, RoundTripsWithReferenceTools)
{
    writeFile(folder_ / "src/text.txt", zarvon::testing::sampleText(300000));
    writeFile(folder_ / "src/deep/noise.bin", zarvon::testing::noise(100000, 5));
    fs::create_symlink("text.txt", folder_ / "src/link");
    SilentProgress progress;
    const std::string tools[][2] = {{"ours.tar.zst", "tar --zstd -xf"}, {"ours.tar.xz", "tar -xJf"},
                                    {"ours.tar.gz", "bsdtar -xf"},      {"ours.tar.bz2", "tar -xjf"},
                                    {"ours.7z", "7zz x -bso0 -snl"}};
    for (const auto &[name, command] : tools) {
        CompressRequest request;
        request.archivePath = path(name);
        request.items = {{path("src"), true}};
        request.folderNames = CompressRequest::FolderNames::FromParent;
        ASSERT_EQ(compressFiles(request, progress).outcome, CompressReport::Outcome::Written) << name;
        const fs::path out = folder_ / ("by-" + name);
        fs::create_directories(out);
        const auto result = runCommand("cd " + quoted(out) + " && " + command + " " + quoted(path(name)));
        ASSERT_EQ(result.status, 0) << name << result.output;
        EXPECT_EQ(runCommand("diff -r --no-dereference " + quoted(path("src")) + " " + quoted(out / "src")).status, 0)
            << name;
    }
    ASSERT_EQ(runCommand("cd " + quoted(folder_) + " && 7zz a -bso0 -snl -m0=PPMd theirs-ppmd.7z src && 7zz a -bso0 "
                                                   "-snl -mf=BCJ -m0=BZip2 theirs-bzip2.7z src && tar cf theirs.tar src")
                  .status,
              0);
    for (const char *name : {"theirs-ppmd.7z", "theirs-bzip2.7z", "theirs.tar"}) {
        const ExtractReport report = extract(name, std::string("from-") + name);
        EXPECT_TRUE(report.failures.empty()) << name;
        EXPECT_EQ(runCommand("diff -r --no-dereference " + quoted(path("src")) + " " +
                             quoted(folder_ / (std::string("from-") + name) / "src"))
                      .status,
                  0)
            << name;
    }
}

} // namespace
} // namespace zarvon::operations
