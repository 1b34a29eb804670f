// Round trips with other tools, both directions: archives we write must pass
// unzip, 7-Zip, bsdtar and Python's zipfile (with the password when there is
// one), and theirs must extract here. Each test says when its tool is missing.
#include "engine_test_support.h"

namespace zarvon::engine::testing {

class ZipInterop : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        src = dir / "src";
        writeFile(src / "text.txt", sampleText(250000));
        writeFile(src / "random.bin", randomBytes(120000));
        writeFile(src / "empty.dat", "");
        writeFile(src / "sub/café.txt", "coffee");
        writeFile(src / "sub/日本語.txt", "nihongo");
        writeFile(src / "sub/deeper/small.txt", "small");
    }

    void requireTool(const std::string &tool)
    {
        if (!haveTool(tool))
            GTEST_SKIP() << tool << " is not installed; install it to run this interoperability check";
    }

    // Our archive of src, files stored under paths relative to dir.
    fs::path ourArchive(const std::string &name, int method, const std::string &password)
    {
        fs::path a = dir / name;
        setCompressionMethod(method);
        setPassword(password);
        EXPECT_NE(createArchive(a.string(), 0), 0);
        fs::path here = fs::current_path();
        fs::current_path(dir);
        for (auto it = fs::recursive_directory_iterator("src"); it != fs::recursive_directory_iterator(); ++it) {
            if (it->is_regular_file()) {
                EXPECT_EQ(addFile(it->path().string(), 1), 0) << it->path();
            }
        }
        fs::current_path(here);
        EXPECT_EQ(closeArchives(), 0);
        setPassword("");
        return a;
    }

    // Same files, same contents under `root` as under src.
    void expectSameTree(const fs::path &root)
    {
        std::vector<std::string> want, got;
        for (const std::string &f : filesUnder(src))
            if (fs::is_regular_file(src / f))
                want.push_back(f);
        for (const std::string &f : filesUnder(root))
            if (fs::is_regular_file(root / f))
                got.push_back(f);
        EXPECT_EQ(got, want) << "under " << root;
        for (const std::string &f : want) {
            if (fs::exists(root / f)) {
                EXPECT_TRUE(readFile(root / f) == readFile(src / f)) << f;
            }
        }
    }

    void expectAllEncrypted(const fs::path &archive)
    {
        std::vector<EntryInfo> entries;
        ASSERT_GT(listEntries(archive.string(), entries), 0);
        for (const EntryInfo &e : entries) {
            if (!e.isFolder() && e.uncompressedSize > 0) { // bsdtar leaves empty files unencrypted
                EXPECT_TRUE(e.isEncrypted()) << archive << ": " << e.fileName;
            }
        }
    }

    // Extracts a whole archive here with the password given.
    void extractHere(const fs::path &archive, const fs::path &dest, const std::string &password)
    {
        setPassword(password);
        ASSERT_NE(openArchiveForReading(archive.string()), 0);
        int32_t step = firstEntry();
        while (step == 0) {
            EntryInfo info;
            ASSERT_EQ(currentEntryInfo(info), 0);
            EXPECT_EQ(extractCurrentEntry(dest.string(), 1), 0) << info.fileName;
            step = nextEntry();
        }
        EXPECT_EQ(step, kErrEndOfList);
        closeArchives();
        VerifyResult v;
        EXPECT_EQ(verifyArchive(archive.string(), v), 0) << v.firstFailedEntry;
        EXPECT_EQ(v.entriesNotChecked, 0);
        setPassword("");
    }

    int tool(const std::string &command)
    {
        std::string out;
        int rc = run("cd " + quoted(dir) + " && " + command, &out);
        EXPECT_EQ(rc, 0) << command << "\n" << out;
        return rc;
    }

    fs::path src;
};

TEST_F(ZipInterop, UnzipReadsOurArchives)
{
    requireTool("unzip");
    for (int method : {0, 8}) {
        std::string m = std::to_string(method);
        ourArchive("plain" + m + ".zip", method, "");
        ourArchive("enc" + m + ".zip", method, "s3cret");
        tool("unzip -tq plain" + m + ".zip");
        tool("unzip -P s3cret -tq enc" + m + ".zip");
        tool("unzip -q -P s3cret enc" + m + ".zip -d u" + m);
        expectSameTree(dir / ("u" + m) / "src");
    }
    std::string out;
    EXPECT_NE(run("cd " + quoted(dir) + " && unzip -P wrong -tq enc8.zip", &out), 0);
}

TEST_F(ZipInterop, SevenZipReadsOurArchives)
{
    requireTool("7zz");
    for (int method : {0, 8}) {
        std::string m = std::to_string(method);
        ourArchive("plain" + m + ".zip", method, "");
        ourArchive("enc" + m + ".zip", method, "s3cret");
        tool("7zz t plain" + m + ".zip");
        tool("7zz t -ps3cret enc" + m + ".zip");
        tool("7zz x -y -ps3cret -os" + m + " enc" + m + ".zip >/dev/null");
        expectSameTree(dir / ("s" + m) / "src");
    }
    std::string out;
    EXPECT_NE(run("cd " + quoted(dir) + " && 7zz t -pwrong enc8.zip", &out), 0);
}

TEST_F(ZipInterop, BsdtarReadsOurArchives)
{
    requireTool("bsdtar");
    ourArchive("plain.zip", 8, "");
    ourArchive("enc.zip", 8, "s3cret");
    fs::create_directories(dir / "b1");
    fs::create_directories(dir / "b2");
    tool("bsdtar -xf plain.zip -C b1");
    expectSameTree(dir / "b1/src");
    tool("bsdtar --passphrase s3cret -xf enc.zip -C b2");
    expectSameTree(dir / "b2/src");
}

TEST_F(ZipInterop, PythonReadsOurArchives)
{
    requireTool("python3");
    ourArchive("plain.zip", 8, "");
    ourArchive("enc.zip", 0, "s3cret");
    writeFile(dir / "check.py", "import sys, zipfile, os\n"
                                "for name, pw in (('plain.zip', None), ('enc.zip', b's3cret')):\n"
                                "    z = zipfile.ZipFile(name)\n"
                                "    if pw: z.setpassword(pw)\n"
                                "    assert z.testzip() is None, name\n"
                                "    for info in z.infolist():\n"
                                "        data = z.read(info)\n"
                                "        assert data == open(info.filename, 'rb').read(), info.filename\n"
                                "print('ok')\n");
    tool("python3 check.py");
}

TEST_F(ZipInterop, WeReadInfoZipArchives)
{
    requireTool("zip");
    tool("zip -qr plain.zip src");
    tool("zip -qr -P s3cret enc.zip src");
    tool("zip -qr0 -P s3cret stored.zip src");
    extractHere(dir / "plain.zip", dir / "x1", "");
    expectSameTree(dir / "x1/src");
    expectAllEncrypted(dir / "enc.zip");
    extractHere(dir / "enc.zip", dir / "x2", "s3cret");
    expectSameTree(dir / "x2/src");
    expectAllEncrypted(dir / "stored.zip");
    extractHere(dir / "stored.zip", dir / "x3", "s3cret");
    expectSameTree(dir / "x3/src");
    setPassword("wrong");
    EXPECT_EQ(extractMatching((dir / "enc.zip").string(), "", (dir / "x4").string(), 1), 0);
    for (const std::string &f : filesUnder(dir / "x4"))
        EXPECT_TRUE(fs::is_directory(dir / "x4" / f)) << f << " was written with a wrong password";
}

TEST_F(ZipInterop, WeReadSevenZipArchives)
{
    requireTool("7zz");
    tool("7zz a -tzip plain.zip src >/dev/null");
    tool("7zz a -tzip -mem=ZipCrypto -ps3cret enc.zip src >/dev/null");
    tool("7zz a -tzip -mx=0 -mem=ZipCrypto -ps3cret stored.zip src >/dev/null");
    extractHere(dir / "plain.zip", dir / "x1", "");
    expectSameTree(dir / "x1/src");
    expectAllEncrypted(dir / "enc.zip");
    extractHere(dir / "enc.zip", dir / "x2", "s3cret");
    expectSameTree(dir / "x2/src");
    expectAllEncrypted(dir / "stored.zip");
    extractHere(dir / "stored.zip", dir / "x3", "s3cret");
    expectSameTree(dir / "x3/src");
    setPassword("wrong");
    VerifyResult v;
    EXPECT_NE(verifyArchive((dir / "enc.zip").string(), v), 0);
    EXPECT_GT(v.entriesFailed, 0);
}

TEST_F(ZipInterop, WeReadBsdtarArchives)
{
    requireTool("bsdtar");
    tool("bsdtar --format zip -cf plain.zip src");
    tool("bsdtar --format zip --options zip:encryption=traditional --passphrase s3cret -cf enc.zip src");
    extractHere(dir / "plain.zip", dir / "x1", "");
    expectSameTree(dir / "x1/src");
    expectAllEncrypted(dir / "enc.zip");
    extractHere(dir / "enc.zip", dir / "x2", "s3cret");
    expectSameTree(dir / "x2/src");
}

TEST_F(ZipInterop, WeReadPythonArchives)
{
    requireTool("python3");
    writeFile(dir / "make.py",
              "import zipfile, os\n"
              "for name, method in (('deflated.zip', zipfile.ZIP_DEFLATED), ('stored.zip', zipfile.ZIP_STORED)):\n"
              "    with zipfile.ZipFile(name, 'w', method) as z:\n"
              "        for root, dirs, files in os.walk('src'):\n"
              "            for f in files:\n"
              "                z.write(os.path.join(root, f))\n");
    tool("python3 make.py");
    extractHere(dir / "deflated.zip", dir / "x1", "");
    expectSameTree(dir / "x1/src");
    extractHere(dir / "stored.zip", dir / "x2", "");
    expectSameTree(dir / "x2/src");
}

} // namespace zarvon::engine::testing
