// WinZip AES entries: the published vectors of the primitives, archives of
// 7-Zip read exactly, ours read by 7-Zip and bsdtar, and damaged or odd
// entries refused with their own result and no file left behind.
#include "engine_test_support.h"

#include "engine/zip_aes.h"

namespace zarvon::engine::testing {

namespace {

std::string hex(const unsigned char *p, size_t n)
{
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (size_t i = 0; i < n; ++i)
        s += {digits[p[i] >> 4], digits[p[i] & 15]};
    return s;
}

void put(std::string &s, uint64_t v, int bytes)
{
    // Bytes past the eighth are zeros (a run of zero fields written at once).
    for (int i = 0; i < bytes; ++i)
        s += static_cast<char>(i < 8 ? v >> (8 * i) : 0);
}

std::string aesField(unsigned version, unsigned strength, unsigned method)
{
    std::string f;
    put(f, 0x9901, 2);
    put(f, 7, 2);
    put(f, version, 2);
    f += "AE";
    put(f, strength, 1);
    put(f, method, 2);
    return f;
}

// A one-entry archive written byte by byte, so that any method, field and
// CRC can be given.
std::string rawArchive(const std::string &name, unsigned method, const std::string &extra, const std::string &data,
                       uint32_t crc, uint64_t size)
{
    auto header = [&](bool central) {
        std::string h;
        put(h, central ? 0x02014b50 : 0x04034b50, 4);
        if (central)
            put(h, 20, 2);
        put(h, method == 99 ? 51 : 20, 2);
        put(h, 1, 2); // encrypted
        put(h, method, 2);
        put(h, 0x5a210000, 4);
        put(h, crc, 4);
        put(h, data.size(), 4);
        put(h, size, 4);
        put(h, name.size(), 2);
        put(h, extra.size(), 2);
        if (central) {
            put(h, 0, 10); // comment, disk, attributes
            put(h, 0, 4); // local header at 0
        }
        return h + name + extra;
    };
    std::string zip = header(false) + data;
    const std::string cd = header(true);
    std::string end;
    put(end, 0x06054b50, 4);
    put(end, 0, 4);
    put(end, 1, 2);
    put(end, 1, 2);
    put(end, cd.size(), 4);
    put(end, zip.size(), 4);
    put(end, 0, 2);
    return zip + cd + end;
}

} // namespace

class ZipAes : public EngineTest {
protected:
    // Extracts the first entry with `password`; the result of the engine.
    int32_t extractFirst(const fs::path &archive, const std::string &password, const fs::path &to)
    {
        EXPECT_NE(openArchiveForReading(archive.string()), 0);
        EXPECT_EQ(firstEntry(), 0);
        setPassword(password);
        const int32_t r = extractCurrentEntry(to.string(), 1);
        closeArchives();
        return r;
    }

    // Our AES archive of one file: its bytes, and the entry's data (salt,
    // verifier, cipher text, code) as stored.
    std::string ourEntryData(const std::string &content, int method, std::string *archiveBytes = nullptr)
    {
        fs::path f = file("plain.txt", content);
        setEncryption(Encryption::Aes256);
        const fs::path a = archiveOf("ours.zip", {f}, method, "pw");
        const std::string bytes = readFile(a);
        std::vector<EntryInfo> e;
        EXPECT_EQ(listEntries(a.string(), e), 1);
        const size_t at = 30 + (uint8_t(bytes[26]) | uint8_t(bytes[27]) << 8) + (uint8_t(bytes[28]) | uint8_t(bytes[29]) << 8);
        if (archiveBytes)
            *archiveBytes = bytes;
        return bytes.substr(at, e[0].compressedSize);
    }
};

TEST_F(ZipAes, Pbkdf2HmacSha1GivesTheVectorsOfRfc6070)
{
    struct Vector {
        std::string password, salt;
        int iterations;
        const char *expected;
    } vectors[] = {
        {"password", "salt", 1, "0c60c80f961f0e71f3a9b524af6012062fe037a6"},
        {"password", "salt", 2, "ea6c014dc72d6f8ccd1ed92ace1d41f0d8de8957"},
        {"password", "salt", 4096, "4b007901b765489abead49d926f721d065a429c1"},
        {"passwordPASSWORDpassword", "saltSALTsaltSALTsaltSALTsaltSALTsalt", 4096,
         "3d2eec4fe41c849b80c8d83662c0e44a8b291a964cf2f07038"},
        {std::string("pass\0word", 9), std::string("sa\0lt", 5), 4096, "56fa6aa75548099dcc37d7f03425e0c3"},
    };
    for (const Vector &v : vectors) {
        unsigned char out[25];
        const size_t len = std::string(v.expected).size() / 2;
        ASSERT_TRUE(detail::pbkdf2HmacSha1(v.password, reinterpret_cast<const unsigned char *>(v.salt.data()),
                                           v.salt.size(), v.iterations, out, len));
        EXPECT_EQ(hex(out, len), v.expected) << v.password << " " << v.iterations;
    }
}

// The expected blocks: AES-256-ECB (openssl enc -nopad) of the blocks
// holding 1, 2, 256 and 257 as little-endian 64-bit numbers followed by 8
// zero bytes, under the first 32 bytes of PBKDF2-HMAC-SHA1("password",
// bytes 0..15, 1000 iterations, 66 bytes), whose last 2 bytes are 256b.
TEST_F(ZipAes, KeyStreamCountsLittleEndianFromOne)
{
    unsigned char salt[16], verifier[2];
    for (int i = 0; i < 16; ++i)
        salt[i] = static_cast<unsigned char>(i);
    auto cipher = detail::AesEntryCipher::start("password", salt, 256, verifier);
    ASSERT_TRUE(cipher);
    EXPECT_EQ(hex(verifier, 2), "256b");
    std::vector<unsigned char> stream(257 * 16);
    // In uneven pieces, as entry data comes.
    ASSERT_TRUE(cipher->applyKeyStream(stream.data(), 5));
    ASSERT_TRUE(cipher->applyKeyStream(stream.data() + 5, stream.size() - 5));
    EXPECT_EQ(hex(&stream[0], 16), "8bd4ca5bd83197a34d479480bba53846");
    EXPECT_EQ(hex(&stream[16], 16), "2d67f1c9ccd9f3e1149aa3ed2cb3c892");
    EXPECT_EQ(hex(&stream[255 * 16], 16), "2d97faa6f1188785a3b3de8c8b8d2f7f");
    EXPECT_EQ(hex(&stream[256 * 16], 16), "845c4c9038fcc60e7a89e4fbf92deeae");
}

TEST_F(ZipAes, ArchivesOfSevenZipReadExactlyAndRefuseAWrongPassword)
{
    if (!haveTool("7zz"))
        GTEST_SKIP() << "7zz is not installed; install 7zip to run this interoperability check";
    const std::string text = sampleText(300000), binary = randomBytes(70000);
    file("in/text.txt", text);
    file("in/binary.bin", binary);
    file("in/tiny.txt", "x");
    for (const char *strength : {"AES128", "AES192", "AES256"}) {
        for (const char *method : {"Copy", "Deflate"}) {
            const std::string name = std::string(strength) + method;
            const fs::path a = dir / (name + ".zip");
            ASSERT_EQ(run("cd " + quoted(dir.string()) + " && 7zz a -tzip -p'se cret' -mem=" + strength +
                          " -mm=" + method + " " + quoted(a.string()) + " in"),
                      0);
            std::vector<EntryInfo> entries;
            ASSERT_EQ(listEntries(a.string(), entries), 4) << name;
            for (const EntryInfo &e : entries)
                if (!e.isFolder()) {
                    EXPECT_EQ(e.aesKeyBits, std::stoul(strength + 3)) << name << " " << e.fileName;
                }
            setPassword("se cret");
            EXPECT_EQ(extractMatching(a.string(), "", (dir / name).string(), 1), 3) << name;
            EXPECT_EQ(readFile(dir / name / "in/text.txt"), text) << name;
            EXPECT_EQ(readFile(dir / name / "in/binary.bin"), binary) << name;
            EXPECT_EQ(readFile(dir / name / "in/tiny.txt"), "x") << name;
            setPassword("secret");
            VerifyResult v;
            EXPECT_EQ(verifyArchive(a.string(), v), kErrWrongPassword) << name;
            EXPECT_EQ(v.entriesFailed, 3);
            EXPECT_EQ(extractMatching(a.string(), "", (dir / (name + "-wrong")).string(), 1), 0);
            EXPECT_TRUE(filesUnder(dir / (name + "-wrong") / "in").empty()) << name;
        }
    }
}

TEST_F(ZipAes, OurArchivesAreAes256Ae2AndOpenInOtherTools)
{
    const std::string text = sampleText(700000), binary = randomBytes(90000);
    const fs::path a = dir / "ours.zip";
    file("t.txt", text);
    file("b.bin", binary);
    file("e.txt", "");
    setEncryption(Encryption::Aes256);
    for (int method : {0, 8}) {
        // 7-Zip takes no ZIP password of 100 characters or more: the long
        // one goes to bsdtar only.
        const std::string password = method == 0 ? std::string(1000, 'k') : "se cret";
        archiveOf("ours.zip", {dir / "t.txt", dir / "b.bin", dir / "e.txt"}, method, password);
        std::vector<EntryInfo> entries;
        ASSERT_EQ(listEntries(a.string(), entries), 3);
        for (const EntryInfo &e : entries) {
            EXPECT_TRUE(e.isEncrypted());
            EXPECT_EQ(e.compressionMethod, 99u);
            EXPECT_EQ(e.aesKeyBits, 256u);
            EXPECT_EQ(e.aesVersion, 2u);
            EXPECT_EQ(e.aesMethod, unsigned(method));
            EXPECT_EQ(e.crc, 0u);
        }
        setPassword(password);
        const fs::path out = dir / ("out" + std::to_string(method));
        EXPECT_EQ(extractMatching(a.string(), "", out.string(), 1), 3);
        EXPECT_EQ(readFile(out / "t.txt"), text);
        EXPECT_EQ(readFile(out / "b.bin"), binary);
        // A password one character short is told at once.
        EXPECT_EQ(extractFirst(a, password.substr(1), dir / "no"), kErrWrongPassword);
        EXPECT_FALSE(fs::exists(dir / "no/t.txt"));
        // No password at all (the empty one) is asked for, not tried.
        EXPECT_EQ(extractFirst(a, "", dir / "no"), kErrPasswordNeeded);

        if (haveTool("7zz") && password.size() < 100) {
            std::string log;
            EXPECT_EQ(run("7zz t " + quoted("-p" + password) + " " + quoted(a.string()), &log), 0) << log;
            EXPECT_EQ(run("7zz x -y " + quoted("-p" + password) + " -o" + quoted((dir / "7z").string()) + " " + quoted(a.string()),
                          &log),
                      0)
                << log;
            EXPECT_EQ(readFile(dir / "7z/t.txt"), text);
            EXPECT_NE(run("7zz t -pwrong " + quoted(a.string())), 0);
        }
        if (haveTool("bsdtar")) {
            fs::create_directories(dir / "bsd");
            std::string log;
            EXPECT_EQ(run("bsdtar -xf " + quoted(a.string()) + " --passphrase " + quoted(password) + " -C " +
                              quoted((dir / "bsd").string()),
                          &log),
                      0)
                << log;
            EXPECT_EQ(readFile(dir / "bsd/b.bin"), binary);
        }
        fs::remove_all(dir / "7z");
        fs::remove_all(dir / "bsd");
    }
}

TEST_F(ZipAes, DamagedOrOddEntriesAreRefusedAndLeaveNoFile)
{
    const std::string content = sampleText(5000);
    const std::string data = ourEntryData(content, 0);
    const uint32_t realCrc = crc32(0, reinterpret_cast<const Bytef *>(content.data()), uInt(content.size()));
    struct Case {
        const char *what;
        std::string extra, data;
        unsigned method;
        uint32_t crc;
        int32_t expected;
    };
    std::string changed = data;
    changed[18 + 100] ^= 0x01;
    const Case cases[] = {
        {"sound AE-2 with any CRC", aesField(2, 3, 0), data, 99, 0x12345678, 0},
        {"AE-1 with its CRC", aesField(1, 3, 0), data, 99, realCrc, 0},
        {"AE-1 with a wrong CRC", aesField(1, 3, 0), data, 99, realCrc ^ 1, kErrCrc},
        {"a changed byte", aesField(2, 3, 0), changed, 99, 0, kErrAuthentication},
        {"cut short", aesField(2, 3, 0), data.substr(0, data.size() - 40), 99, 0, kErrAuthentication},
        {"salt and verifier cut short", aesField(2, 3, 0), data.substr(0, 12), 99, 0, kErrBadArchive},
        {"a key size of another value", aesField(2, 4, 0), data, 99, 0, kErrBadEncryptionField},
        {"no AES field", std::string(), data, 99, 0, kErrBadEncryptionField},
        {"an inner method of another value", aesField(2, 3, 14), data, 99, 0, kErrUnsupportedMethod},
    };
    for (const Case &c : cases) {
        const fs::path a = dir / "case.zip";
        writeFile(a, rawArchive("plain.txt", c.method, c.extra, c.data, c.crc, content.size()));
        const fs::path to = dir / "to";
        EXPECT_EQ(extractFirst(a, "pw", to), c.expected) << c.what;
        EXPECT_EQ(fs::exists(to / "plain.txt"), c.expected == 0) << c.what;
        if (c.expected == 0) {
            EXPECT_EQ(readFile(to / "plain.txt"), content) << c.what;
        }
        VerifyResult v;
        setPassword("pw");
        EXPECT_EQ(verifyArchive(a.string(), v), c.expected) << c.what;
        fs::remove_all(to);
    }
    // An AES field on an entry of another method says nothing: the entry is
    // read by its own method (here the traditional cipher's archive).
    const fs::path f = file("p.txt", content);
    setEncryption(Encryption::ZipCrypto);
    const std::string zip = readFile(archiveOf("zc.zip", {f}, 0, "pw"));
    std::vector<EntryInfo> e;
    listEntries((dir / "zc.zip").string(), e);
    const std::string zc = zip.substr(30 + 5 + e[0].sizeExtra, e[0].compressedSize);
    writeFile(dir / "odd.zip", rawArchive("p.txt", 0, aesField(2, 3, 0), zc, e[0].crc, content.size()));
    EXPECT_EQ(extractFirst(dir / "odd.zip", "pw", dir / "odd"), 0);
    EXPECT_EQ(readFile(dir / "odd/p.txt"), content);
}

} // namespace zarvon::engine::testing
