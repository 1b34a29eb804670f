// Damaged archives give up what they still hold: with a readable directory,
// every entry that can be read is, and each that cannot fails alone with its
// reason; with the directory lost, the entries are found from their own
// headers, under the same rules as every extraction.
#include "engine/engine_test_support.h"

namespace zarvon::engine::testing {
namespace {

using ZipSalvage = EngineTest;

// Points the `index`th central record's local header offset at `offset`.
void pointRecordAt(const fs::path &archive, int index, uint32_t offset)
{
    std::string bytes = readFile(archive);
    size_t at = 0;
    for (int i = 0; i <= index; ++i)
        at = bytes.find("PK\x01\x02", i ? at + 4 : 0);
    ASSERT_NE(at, std::string::npos);
    for (int i = 0; i < 4; ++i)
        bytes[at + 42 + i] = static_cast<char>(offset >> (8 * i));
    writeFile(archive, bytes);
}

TEST_F(ZipSalvage, AnEntryPlacedPastTheEndFailsAloneWithItsReason)
{
    const fs::path archive = archiveOf("cut.zip", {file("a.txt", "alpha"), file("b.txt", "beta"), file("c.txt", "gamma")});
    pointRecordAt(archive, 1, static_cast<uint32_t>(fs::file_size(archive) + 1000));
    pointRecordAt(archive, 2, 0xFFFFFF00u);

    EXPECT_EQ(namesIn(archive), (std::vector<std::string>{"a.txt", "b.txt", "c.txt"}));
    const fs::path out = dir / "out";
    EXPECT_EQ(extractMatching(archive.string(), "", out.string(), 1), 1);
    EXPECT_EQ(filesUnder(out), (std::vector<std::string>{"a.txt"}));

    ASSERT_NE(openArchiveForReading(archive.string()), 0);
    ASSERT_EQ(firstEntry(), 0);
    ASSERT_EQ(nextEntry(), 0);
    EXPECT_EQ(extractCurrentEntry((dir / "one").string(), 1), kErrOutsideArchive);
    closeArchives();

    VerifyResult v;
    EXPECT_EQ(verifyArchive(archive.string(), v), kErrOutsideArchive);
    EXPECT_EQ(v.entriesChecked, 3);
    EXPECT_EQ(v.entriesFailed, 2);
    ASSERT_EQ(v.failed.size(), 2u) << "each entry that cannot be read is named";
    EXPECT_EQ(v.failed[0].name, "b.txt");
    EXPECT_EQ(v.failed[1].name, "c.txt");
    EXPECT_EQ(v.failed[1].code, kErrOutsideArchive);
}

TEST_F(ZipSalvage, ALostDirectoryIsScannedForEntriesUnderTheUsualRules)
{
    const std::string text = sampleText(300000, 5);
    const fs::path archive = dir / "lost.zip";
    ASSERT_TRUE(makeRawZip(archive, {{"docs/", ""},
                                     {"docs/text.txt", text},
                                     {"stored.bin", "stored bytes", 0},
                                     {"../escape.txt", "out"},
                                     {"locked.txt", "secret", 0, 1},
                                     {"broken.txt", "soon damaged, stored", 0}}));
    ASSERT_TRUE(corruptAt(archive, "soon damaged"));
    // The directory and its end record go, as with a download cut short.
    std::string bytes = readFile(archive);
    bytes.resize(bytes.find("PK\x01\x02") + 20);
    writeFile(archive, bytes);
    const fs::path out = dir / "out";
    EXPECT_EQ(extractMatching(archive.string(), "", out.string(), 1), 0);

    SalvageResult r;
    EXPECT_EQ(salvageEntries(archive.string(), out.string(), false, nullptr, r), 2);
    EXPECT_EQ(filesUnder(out), (std::vector<std::string>{"docs", "docs/text.txt", "stored.bin"}));
    EXPECT_EQ(readFile(out / "docs/text.txt"), text);
    EXPECT_EQ(r.foldersMade, 1);
    std::vector<std::pair<std::string, int32_t>> failed;
    for (const SalvagedEntry &e : r.entries)
        if (e.result != 0)
            failed.emplace_back(e.name, e.result);
    EXPECT_EQ(failed, (std::vector<std::pair<std::string, int32_t>>{
                          {"../escape.txt", kErrUnsafeName}, {"locked.txt", kErrPasswordNeeded}, {"broken.txt", kErrCrc}}));

    // A second run keeps what is there unless told to replace it.
    writeFile(out / "stored.bin", "mine");
    EXPECT_EQ(salvageEntries(archive.string(), out.string(), false, nullptr, r), 0);
    EXPECT_EQ(r.kept, 2);
    EXPECT_EQ(readFile(out / "stored.bin"), "mine");
    EXPECT_EQ(salvageEntries(archive.string(), out.string(), true, nullptr, r), 2);
    EXPECT_EQ(readFile(out / "stored.bin"), "stored bytes");
}

TEST_F(ZipSalvage, AStreamedEntryEndsAtItsDescriptor)
{
    if (!haveTool("zip"))
        GTEST_SKIP() << "zip is not installed (Debian package zip)";
    const std::string text = sampleText(50000, 9);
    file("in.txt", text);
    const fs::path archive = dir / "streamed.zip";
    // Read from a pipe, zip cannot go back to the header: sizes and CRC-32
    // follow the data in a descriptor.
    ASSERT_EQ(run("cd " + quoted(dir) + " && zip -q streamed.zip - < in.txt && echo tail >> in.txt && zip -q streamed.zip in.txt"), 0);
    std::string bytes = readFile(archive);
    bytes.resize(bytes.find("PK\x01\x02"));
    writeFile(archive, bytes);

    SalvageResult r;
    EXPECT_EQ(salvageEntries(archive.string(), (dir / "out").string(), false, nullptr, r), 2);
    EXPECT_EQ(readFile(dir / "out" / "-"), text);
    EXPECT_EQ(readFile(dir / "out" / "in.txt"), text + "tail\n");
}

} // namespace
} // namespace zarvon::engine::testing
