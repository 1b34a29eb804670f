// Traditional PKWARE encryption done by the engine: round trips, the check
// byte, wrong passwords and the password in force.
#include "engine_test_support.h"

#include "engine/pkware_cipher.h"

namespace zarvon::engine::testing {

class ZipEncryption : public EngineTest {};

// Compatibility with other tools' bytes is checked by the interoperability
// tests; here the cipher must invert itself and depend on the password.
TEST_F(ZipEncryption, CipherRoundTripsAndDependsOnThePassword)
{
    std::string plain = sampleText(1000);
    std::string data = plain;
    detail::PkwareKeys enc = detail::pkwareInit("secret");
    detail::pkwareEncrypt(enc, reinterpret_cast<unsigned char *>(data.data()), data.size());
    EXPECT_NE(data, plain);
    std::string wrong = data;
    detail::PkwareKeys bad = detail::pkwareInit("Secret");
    detail::pkwareDecrypt(bad, reinterpret_cast<unsigned char *>(wrong.data()), wrong.size());
    EXPECT_NE(wrong, plain);
    detail::PkwareKeys dec = detail::pkwareInit("secret");
    detail::pkwareDecrypt(dec, reinterpret_cast<unsigned char *>(data.data()), data.size());
    EXPECT_EQ(data, plain);
}

TEST_F(ZipEncryption, RoundTripStoredAndDeflated)
{
    std::vector<fs::path> files = {file("t.txt", sampleText(300000)), file("r.bin", randomBytes(150000)), file("e", ""),
                                   file("s", "s")};
    for (int method : {0, 8}) {
        fs::path a = archiveOf("m" + std::to_string(method) + ".zip", files, method, "pässwörd");
        std::vector<EntryInfo> entries;
        ASSERT_EQ(listEntries(a.string(), entries), 4);
        for (const EntryInfo &e : entries)
            EXPECT_TRUE(e.isEncrypted()) << e.fileName;
        setPassword("pässwörd");
        fs::path dest = dir / ("x" + std::to_string(method));
        EXPECT_EQ(extractMatching(a.string(), "", dest.string(), 1), 4);
        for (const fs::path &f : files)
            EXPECT_TRUE(readFile(dest / f.filename()) == readFile(f)) << f;
        setPassword("");
    }
}

TEST_F(ZipEncryption, WrongPasswordIsCaughtBeforeAnythingIsWritten)
{
    fs::path a = archiveOf("a.zip", {file("t.txt", sampleText(300000))}, 8, "right");
    setPassword("wrong");
    EXPECT_EQ(extractEntryAt(a.string(), 0, (dir / "out").string(), 1), 0);
    ASSERT_NE(openArchiveForReading(a.string()), 0);
    ASSERT_EQ(firstEntry(), 0);
    EXPECT_EQ(extractCurrentEntry((dir / "out").string(), 1), kErrWrongPassword);
    EXPECT_EQ(filesUnder(dir / "out"), std::vector<std::string>{});
}

// One wrong password in 256 passes the check byte: the data then fails its
// CRC instead of being written as a success.
TEST_F(ZipEncryption, WrongPasswordPastTheCheckByteFailsOnTheCrc)
{
    std::string content = sampleText(20000);
    for (int method : {0, 8}) {
        fs::path a = archiveOf("m" + std::to_string(method) + ".zip", {file("t.txt", content)}, method, "right");
        std::string wrong;
        int32_t result = 0;
        for (int i = 0; i < 5000 && wrong.empty(); ++i) {
            setPassword("guess" + std::to_string(i));
            VerifyResult v;
            result = verifyArchive(a.string(), v);
            if (v.firstFailure != kErrWrongPassword)
                wrong = "guess" + std::to_string(i);
        }
        ASSERT_FALSE(wrong.empty());
        EXPECT_NE(result, 0);
        setPassword(wrong);
        fs::path dest = dir / ("x" + std::to_string(method));
        EXPECT_EQ(extractEntryAt(a.string(), 0, dest.string(), 1), 0);
        EXPECT_EQ(filesUnder(dest), std::vector<std::string>{});
    }
}

TEST_F(ZipEncryption, EncryptedEntryWithoutPasswordIsRefused)
{
    fs::path a = archiveOf("a.zip", {file("t.txt", "secret text")}, 8, "pw");
    ASSERT_NE(openArchiveForReading(a.string()), 0);
    ASSERT_EQ(firstEntry(), 0);
    EXPECT_EQ(extractCurrentEntry((dir / "out").string(), 1), kErrPasswordNeeded);
    EXPECT_FALSE(fs::exists(dir / "out/t.txt"));
}

TEST_F(ZipEncryption, PasswordInForceLeavesPlainEntriesReadable)
{
    fs::path a = archiveOf("a.zip", {file("t.txt", "plain text")});
    setPassword("unused");
    EXPECT_EQ(extractEntryAt(a.string(), 0, (dir / "out").string(), 1), 1);
    EXPECT_EQ(readFile(dir / "out/t.txt"), "plain text");
}

TEST_F(ZipEncryption, EmptyTextClearsThePassword)
{
    setPassword("x");
    EXPECT_TRUE(engineState().passwordSet);
    setPassword("");
    EXPECT_FALSE(engineState().passwordSet);
    EXPECT_EQ(engineState().password, "");
    fs::path a = archiveOf("a.zip", {file("t.txt", "x")});
    EntryInfo info;
    ASSERT_EQ(entryInfoAt(a.string(), 0, info), 1);
    EXPECT_FALSE(info.isEncrypted());
}

TEST_F(ZipEncryption, CrcPassAndDataPassReportHalvesOfTheProgress)
{
    fs::path f = file("t.txt", sampleText(204800));
    std::vector<float> percents;
    setProgressCallback([&](const std::string &, float p) {
        percents.push_back(p);
        return 0;
    });
    archiveOf("a.zip", {f}, 8, "pw");
    EXPECT_EQ(percents, (std::vector<float>{25.0f, 50.0f, 75.0f, 100.0f, 100.0f}));
}

TEST_F(ZipEncryption, AnEntryWithADataDescriptorIsCheckedByItsTimeByte)
{
    // Made by Info-ZIP (see fixtures/README.md): its check byte is the time's.
    const fs::path made = fs::path(ZARVON_SOURCE_DIR) / "tests/engine/fixtures/zip_encryption_descriptor_check_byte.zip";
    std::string text;
    for (int i = 0; i < 50; ++i)
        text += "the quick brown fox\n";
    setPassword("secret");
    EXPECT_EQ(extractMatching(made.string(), "", (dir / "out").string(), 1), 1);
    EXPECT_EQ(readFile(dir / "out/notes.txt"), text);
}

TEST_F(ZipEncryption, AFileChangedAfterItsCrcPassIsNotAdded)
{
    // Far larger than the units read ahead, so its end is read after the
    // first progress call, when it has changed.
    const fs::path f = file("big.bin", randomBytes(12 * 1024 * 1024));
    bool changed = false;
    setProgressCallback([&](const std::string &, float) {
        if (!changed) {
            changed = true;
            std::fstream io(f, std::ios::in | std::ios::out | std::ios::binary);
            io.seekp(-1000, std::ios::end);
            io << "changed";
        }
        return 0;
    });
    setPassword("pw");
    ASSERT_NE(createArchive((dir / "a.zip").string(), 0), 0);
    EXPECT_NE(addFile(f.string(), 0), 0);
    closeArchives();
    EXPECT_TRUE(changed);
    EXPECT_FALSE(fs::exists(dir / "a.zip")) << "no archive holding an entry no tool could read";
}

} // namespace zarvon::engine::testing
