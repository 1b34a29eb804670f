// Verification for the test command: every entry read and its CRC checked.
#include "engine_test_support.h"

namespace zarvon::engine::testing {

class ZipVerification : public EngineTest {};

TEST_F(ZipVerification, SoundArchivePasses)
{
    fs::path a = archiveOf("a.zip", {file("t.txt", sampleText(200000)), file("e", "")});
    VerifyResult v;
    EXPECT_EQ(verifyArchive(a.string(), v), 0);
    EXPECT_TRUE(v.readable);
    EXPECT_EQ(v.entries, 2);
    EXPECT_EQ(v.entriesChecked, 2);
    EXPECT_EQ(v.entriesFailed, 0);
    EXPECT_EQ(v.entriesNotChecked, 0);
    EXPECT_EQ(v.firstFailedEntry, "");
}

TEST_F(ZipVerification, TextFileNamedZipIsNotReadable)
{
    fs::path f = file("fake.zip", "not an archive at all\n");
    VerifyResult v;
    EXPECT_EQ(verifyArchive(f.string(), v), -1);
    EXPECT_FALSE(v.readable);
    EXPECT_EQ(verifyArchive((dir / "missing.zip").string(), v), -1);
}

TEST_F(ZipVerification, DamagedEntryBodyIsFoundEvenThoughTheDirectoryIsIntact)
{
    std::string data = sampleText(5000);
    fs::path a = dir / "a.zip";
    ASSERT_TRUE(makeRawZip(a, {{"ok.txt", "fine", 0}, {"bad.txt", data, 0}, {"ok2.txt", "fine", 0}}));
    ASSERT_TRUE(corruptAt(a, data.substr(0, 64), 3));
    EXPECT_NE(openArchiveForReading(a.string()), 0);
    VerifyResult v;
    EXPECT_EQ(verifyArchive(a.string(), v), kErrCrc);
    EXPECT_TRUE(v.readable);
    EXPECT_EQ(v.entriesChecked, 3);
    EXPECT_EQ(v.entriesFailed, 1);
    EXPECT_EQ(v.firstFailedEntry, "bad.txt");
    EXPECT_EQ(v.firstFailure, kErrCrc);
}

TEST_F(ZipVerification, EncryptedEntriesWithoutPasswordAreNotChecked)
{
    fs::path a = archiveOf("a.zip", {file("t.txt", "secret"), file("u.txt", "more")}, 8, "pw");
    VerifyResult v;
    EXPECT_EQ(verifyArchive(a.string(), v), 0);
    EXPECT_EQ(v.entriesChecked, 0);
    EXPECT_EQ(v.entriesNotChecked, 2);
    setPassword("pw");
    EXPECT_EQ(verifyArchive(a.string(), v), 0);
    EXPECT_EQ(v.entriesChecked, 2);
    EXPECT_EQ(v.entriesNotChecked, 0);
    setPassword("nope");
    EXPECT_EQ(verifyArchive(a.string(), v), kErrWrongPassword);
    EXPECT_EQ(v.entriesFailed, 2);
    EXPECT_EQ(v.firstFailedEntry, "t.txt");
}

TEST_F(ZipVerification, LeavesTheReaderSlotAlone)
{
    fs::path a = archiveOf("a.zip", {file("t.txt", "x")});
    fs::path b = dir / "b.zip";
    ASSERT_TRUE(makeRawZip(b, {{"other.txt", "y"}}));
    ASSERT_NE(openArchiveForReading(b.string()), 0);
    ASSERT_EQ(firstEntry(), 0);
    VerifyResult v;
    EXPECT_EQ(verifyArchive(a.string(), v), 0);
    EntryInfo info;
    ASSERT_EQ(currentEntryInfo(info), 0);
    EXPECT_EQ(info.fileName, "other.txt");
}

TEST_F(ZipVerification, StopFromTheCallbackEndsTheCheck)
{
    fs::path a = archiveOf("a.zip", {file("t.txt", sampleText(300000))});
    setProgressCallback([](const std::string &, float) { return 1; });
    VerifyResult v;
    EXPECT_EQ(verifyArchive(a.string(), v), kResultStopped);
}

TEST_F(ZipVerification, UnsupportedMethodCountsAsFailed)
{
    fs::path a = dir / "a.zip";
    ASSERT_TRUE(makeRawZip(a, {{"x.txt", "stored"}}));
    std::string bytes = readFile(a);
    bytes[bytes.find("PK\x01\x02") + 10] = 14; // LZMA
    writeFile(a, bytes);
    VerifyResult v;
    EXPECT_EQ(verifyArchive(a.string(), v), kErrUnsupportedMethod);
    EXPECT_EQ(v.entriesFailed, 1);
}

} // namespace zarvon::engine::testing
