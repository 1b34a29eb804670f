// Reading: the reader slot, listing by path, names and their code pages.
#include "engine_test_support.h"

namespace zarvon::engine::testing {

class ZipReading : public EngineTest {};

TEST_F(ZipReading, ListsFilesAndFolderEntriesInCentralDirectoryOrder)
{
    fs::path a = dir / "a.zip";
    ASSERT_TRUE(makeRawZip(a, {{"a/b.txt", "hello"}, {"c/", ""}}));
    EXPECT_EQ(entryCount(a.string()), 2);
    ASSERT_NE(openArchiveForReading(a.string()), 0);
    ASSERT_EQ(firstEntry(), 0);
    EntryInfo info;
    ASSERT_EQ(currentEntryInfo(info), 0);
    EXPECT_EQ(info.fileName, "a/b.txt");
    EXPECT_EQ(info.uncompressedSize, 5u);
    EXPECT_EQ(info.crc, crc32(0, reinterpret_cast<const Bytef *>("hello"), 5));
    EXPECT_FALSE(info.isFolder());
    ASSERT_EQ(nextEntry(), 0);
    ASSERT_EQ(currentEntryInfo(info), 0);
    EXPECT_EQ(info.fileName, "c/");
    EXPECT_TRUE(info.isFolder());
    EXPECT_EQ(nextEntry(), kErrEndOfList);
    EXPECT_EQ(closeArchives(), 0);
}

TEST_F(ZipReading, DateFieldsCountTheMonthFromZero)
{
    fs::path a = dir / "a.zip";
    ASSERT_TRUE(makeRawZip(a, {{"x.txt", "x"}}));
    EntryInfo info;
    ASSERT_EQ(entryInfoAt(a.string(), 0, info), 1);
    EXPECT_EQ(info.year, 2007u);
    EXPECT_EQ(info.month, 4u);
    EXPECT_EQ(info.day, 14u);
    EXPECT_EQ(info.hour, 10u);
    EXPECT_EQ(info.minute, 42u);
    EXPECT_EQ(info.second, 36u); // DOS dates keep even seconds
}

TEST_F(ZipReading, EmptyArchiveOpensWithNoEntries)
{
    fs::path a = dir / "empty.zip";
    ASSERT_TRUE(makeRawZip(a, {}));
    EXPECT_EQ(readFile(a).size(), 22u);
    EXPECT_EQ(entryCount(a.string()), 0);
    ASSERT_NE(openArchiveForReading(a.string()), 0);
    EXPECT_EQ(firstEntry(), kErrEndOfList);
}

TEST_F(ZipReading, FilesThatAreNotArchivesAreRefused)
{
    fs::path text = file("notes.zip", "just some text, not an archive\n");
    EXPECT_EQ(openArchiveForReading(text.string()), 0);
    EXPECT_EQ(engineState().reader, nullptr);
    EXPECT_EQ(entryCount(text.string()), -1);
    EXPECT_EQ(entryCount((dir / "missing.zip").string()), -1);
    std::vector<EntryInfo> entries;
    EXPECT_EQ(listEntries(text.string(), entries), -1);
    EXPECT_EQ(findEntryIndex(text.string(), "x", 1), -1);
}

TEST_F(ZipReading, EmptyReaderSlotAnswersMinusOne)
{
    EntryInfo info;
    info.fileName = "untouched";
    EXPECT_EQ(firstEntry(), -1);
    EXPECT_EQ(nextEntry(), -1);
    EXPECT_EQ(currentEntryInfo(info), -1);
    EXPECT_EQ(info.fileName, "untouched");
}

TEST_F(ZipReading, OpeningAnotherArchiveReplacesTheReaderSlot)
{
    fs::path a = dir / "a.zip", b = dir / "b.zip";
    ASSERT_TRUE(makeRawZip(a, {{"first.txt", "1"}}));
    ASSERT_TRUE(makeRawZip(b, {{"second.txt", "2"}}));
    ASSERT_NE(openArchiveForReading(a.string()), 0);
    ASSERT_NE(openArchiveForReading(b.string()), 0);
    ASSERT_EQ(firstEntry(), 0);
    EntryInfo info;
    ASSERT_EQ(currentEntryInfo(info), 0);
    EXPECT_EQ(info.fileName, "second.txt");
    EXPECT_EQ(openArchiveForReading((dir / "none.zip").string()), 0);
    EXPECT_EQ(firstEntry(), -1);
}

TEST_F(ZipReading, Cp850NamesAreReturnedInUtf8)
{
    fs::path a = dir / "a.zip";
    ASSERT_TRUE(makeRawZip(a, {{"caf\x82.txt", "x"}}));
    EXPECT_EQ(namesIn(a), std::vector<std::string>{"café.txt"});
}

TEST_F(ZipReading, NamesWithTheUtf8FlagAreDecodedAsUtf8)
{
    fs::path a = dir / "a.zip";
    ASSERT_TRUE(makeRawZip(a, {{"\xce\xb1\xce\xb2.txt", "x", 8, 0x800}, {"\xc3\xa9t\xc3\xa9", "y", 8, 0x800}}));
    EXPECT_EQ(namesIn(a), (std::vector<std::string>{"αβ.txt", "été"}));
}

TEST_F(ZipReading, LongNamesAreReadWhole)
{
    std::string name(120, 'd');
    name = name + "/" + name + "/" + name + "/" + name + "/" + std::string(100, 'f') + ".txt";
    ASSERT_GT(name.size(), 499u);
    fs::path a = dir / "a.zip";
    ASSERT_TRUE(makeRawZip(a, {{name, "x"}}));
    EXPECT_EQ(namesIn(a), std::vector<std::string>{name});
    EXPECT_EQ(findEntryIndex(a.string(), name, 1), 0);
}

TEST_F(ZipReading, FindEntryIndexComparesWithoutCase)
{
    fs::path a = dir / "a.zip";
    ASSERT_TRUE(makeRawZip(a, {{"a/readme.txt", "1"}, {"b/README.TXT", "2"}, {"c/Été.txt", "3", 8, 0x800}}));
    EXPECT_EQ(findEntryIndex(a.string(), "Readme.txt", 0), 0);
    EXPECT_EQ(findEntryIndex(a.string(), "B/readme.txt", 1), 1);
    EXPECT_EQ(findEntryIndex(a.string(), "b\\readme.txt", 1), 1);
    EXPECT_EQ(findEntryIndex(a.string(), "readme.txt", 1), -1);
    EXPECT_EQ(findEntryIndex(a.string(), "éTÉ.TXT", 0), 2);
    EXPECT_EQ(findEntryIndex(a.string(), "nothing", 0), -1);
}

TEST_F(ZipReading, EntryInfoAtPastTheLastEntryFailsAndClears)
{
    fs::path a = dir / "a.zip";
    ASSERT_TRUE(makeRawZip(a, {{"one", "1"}, {"two", "2"}}));
    EntryInfo info;
    ASSERT_EQ(entryInfoAt(a.string(), 1, info), 1);
    EXPECT_EQ(info.fileName, "two");
    EXPECT_EQ(entryInfoAt(a.string(), 2, info), 0);
    EXPECT_EQ(info.fileName, "");
    EXPECT_EQ(info.crc, 0u);
    EXPECT_EQ(entryInfoAt(a.string(), -1, info), 0);
}

TEST_F(ZipReading, ListingNoticesThatTheArchiveWasReplaced)
{
    fs::path a = dir / "a.zip";
    ASSERT_TRUE(makeRawZip(a, {{"old", "1"}}));
    EXPECT_EQ(namesIn(a), std::vector<std::string>{"old"});
    fs::path b = dir / "b.zip";
    ASSERT_TRUE(makeRawZip(b, {{"new1", "1"}, {"new2", "2"}}));
    fs::rename(b, a);
    EXPECT_EQ(namesIn(a), (std::vector<std::string>{"new1", "new2"}));
    EntryInfo info;
    EXPECT_EQ(entryInfoAt(a.string(), 1, info), 1);
    EXPECT_EQ(info.fileName, "new2");
}

// More than 65,535 entries need the ZIP64 end records; the whole central
// directory is read in one pass.
TEST_F(ZipReading, ArchiveOf65537EntriesListsWhole)
{
    fs::path source = file("f.txt", "x");
    fs::path a = dir / "many.zip";
    ASSERT_NE(createArchive(a.string(), 0), 0);
    for (int i = 0; i < 65537; ++i)
        ASSERT_EQ(addFile(source.string(), 0), 0);
    ASSERT_EQ(closeArchives(), 0);
    EXPECT_EQ(entryCount(a.string()), 65537);
    std::vector<EntryInfo> entries;
    ASSERT_EQ(listEntries(a.string(), entries), 65537);
    EXPECT_EQ(entries.back().fileName, "f.txt");
    EntryInfo info;
    EXPECT_EQ(entryInfoAt(a.string(), 65536, info), 1);
    EXPECT_EQ(info.fileName, "f.txt");
    EXPECT_EQ(entryInfoAt(a.string(), 65537, info), 0);
    EXPECT_EQ(extractEntryAt(a.string(), 65536, (dir / "out").string(), 1), 1);
    EXPECT_EQ(readFile(dir / "out/f.txt"), "x");
    VerifyResult v;
    EXPECT_EQ(verifyArchive(a.string(), v), 0);
    EXPECT_EQ(v.entriesChecked, 65537);
    if (haveTool("unzip")) {
        std::string out;
        EXPECT_EQ(run("unzip -tqq " + quoted(a), &out), 0) << out;
    }
}

// minizip's own writer leaves the 16-bit count saturated; the count is then
// taken from the central directory itself.
TEST_F(ZipReading, SaturatedEntryCountIsCountedFromTheCentralDirectory)
{
    fs::path a = dir / "many.zip";
    zipFile zf = zipOpen64(a.c_str(), APPEND_STATUS_CREATE);
    ASSERT_NE(zf, nullptr);
    zip_fileinfo zi{};
    for (int i = 0; i < 65536; ++i) {
        std::string name = "f" + std::to_string(i);
        ASSERT_EQ(zipOpenNewFileInZip64(zf, name.c_str(), &zi, nullptr, 0, nullptr, 0, nullptr, 0, 0, 0), ZIP_OK);
        ASSERT_EQ(zipCloseFileInZip(zf), ZIP_OK);
    }
    ASSERT_EQ(zipClose(zf, nullptr), ZIP_OK);
    EXPECT_EQ(entryCount(a.string()), 65536);
    EXPECT_EQ(findEntryIndex(a.string(), "F65535", 0), 65535);
}

} // namespace zarvon::engine::testing
