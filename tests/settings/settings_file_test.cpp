#include "settings/settings_file.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include "settings_test_support.h"

namespace zarvon::settings {
namespace {

using testing::readFile;
using testing::writeFile;

class SettingsFileReading : public testing::TemporaryFolderTest {
protected:
    // Opens a file holding bytes.
    void load(const std::string &bytes)
    {
        writeFile(path("Zarvon.ini"), bytes);
        ASSERT_TRUE(file.open(path("Zarvon.ini")));
    }
    SettingsFile file;
};

TEST_F(SettingsFileReading, MissingFileDoesNotOpen)
{
    EXPECT_FALSE(file.open(path("Zarvon.ini")));
    EXPECT_FALSE(file.isOpen());
    EXPECT_EQ(file.readText("Key", "default"), "default");
}

TEST_F(SettingsFileReading, FolderDoesNotOpenAsAFile) { EXPECT_FALSE(file.open(folder_.string())); }

TEST_F(SettingsFileReading, KeysBelongToTheirGroup)
{
    load("[A]\r\nx = 1\r\n[B]\r\nx = 2\r\n");
    ASSERT_TRUE(file.selectGroup("A"));
    EXPECT_EQ(file.readText("x", "?"), "1");
    ASSERT_TRUE(file.selectGroup("B"));
    EXPECT_EQ(file.readText("x", "?"), "2");
}

TEST_F(SettingsFileReading, GroupAndKeyIgnoreLetterCase)
{
    load("[general]\r\nhistory = 1\r\n[R\xE9glages]\r\nx = 3\r\n");
    EXPECT_TRUE(file.selectGroup("General"));
    EXPECT_EQ(file.readText("History", "0"), "1");
    EXPECT_TRUE(file.selectGroup("RÉGLAGES"));
    EXPECT_EQ(file.readText("X", "0"), "3");
}

TEST_F(SettingsFileReading, BlanksAroundKeyAndValueAreRemoved)
{
    load(" \t Key \t=  \tvalue with inner  blanks \t\r\n");
    EXPECT_EQ(file.readText("Key", "?"), "value with inner  blanks");
}

TEST_F(SettingsFileReading, ValueWithTrailingBlankReadsAsTheFlag)
{
    load("[General]\r\nHistory = 1 \r\n");
    file.selectGroup("General");
    EXPECT_EQ(file.readText("History", "0"), "1");
}

TEST_F(SettingsFileReading, CommentsAreNotKeys)
{
    load("; Key = 1\r\n  ;Other=2\r\n");
    EXPECT_EQ(file.readText("Key", "absent"), "absent");
    EXPECT_EQ(file.readText("; Key", "absent"), "absent");
    EXPECT_EQ(file.readText("Other", "absent"), "absent");
}

TEST_F(SettingsFileReading, HeaderNameEndsAtFirstBracketOrLineEnd)
{
    load("[Closed] trailing text\r\na = 1\r\n[Unterminated\r\nb = 2\r\n");
    EXPECT_TRUE(file.selectGroup("Closed"));
    EXPECT_EQ(file.readText("a", "?"), "1");
    EXPECT_TRUE(file.selectGroup("Unterminated"));
    EXPECT_EQ(file.readText("b", "?"), "2");
}

TEST_F(SettingsFileReading, LineWithoutEqualsIsKeyWithEmptyValue)
{
    load("[G]\r\nLonely  \r\n");
    file.selectGroup("G");
    EXPECT_EQ(file.readText("Lonely", "default"), "");
}

TEST_F(SettingsFileReading, ValueKeepsFurtherEqualsSigns)
{
    load("k = a=b = c\r\n");
    EXPECT_EQ(file.readText("k", "?"), "a=b = c");
}

TEST_F(SettingsFileReading, KeysBeforeFirstHeaderFormTheUnnamedGroup)
{
    load("Top = 1\r\n[G]\r\nInside = 2\r\n");
    EXPECT_TRUE(file.selectGroup(""));
    EXPECT_EQ(file.readText("Top", "?"), "1");
    EXPECT_EQ(file.readText("Inside", "none"), "none");
    file.selectGroup("G");
    EXPECT_EQ(file.readText("Top", "none"), "none");
}

TEST_F(SettingsFileReading, AnyMixOfCrAndLfEndsALine)
{
    load("a = 1\rb = 2\nc = 3\r\n\r\n\n\rd = 4");
    EXPECT_EQ(file.readText("a", "?"), "1");
    EXPECT_EQ(file.readText("b", "?"), "2");
    EXPECT_EQ(file.readText("c", "?"), "3");
    EXPECT_EQ(file.readText("d", "?"), "4");
}

TEST_F(SettingsFileReading, FirstOfDuplicatedGroupsAndKeysAnswers)
{
    load("[G]\r\nk = first\r\nK = second\r\n[g]\r\nk = third\r\n");
    file.selectGroup("G");
    EXPECT_EQ(file.readText("k", "?"), "first");
}

TEST_F(SettingsFileReading, UnknownGroupReadsDefaults)
{
    load("[G]\r\nk = 1\r\n");
    EXPECT_FALSE(file.selectGroup("Missing"));
    EXPECT_EQ(file.readText("k", "default"), "default");
    EXPECT_EQ(file.readInteger("k", 7), 7);
}

TEST_F(SettingsFileReading, IntegersUseTheLeadingNumber)
{
    load("a = 12abc\r\nb = abc\r\nc = -5\r\nd = 99999999999\r\ne = \r\nf = +3\r\n");
    EXPECT_EQ(file.readInteger("a", -1), 12);
    EXPECT_EQ(file.readInteger("b", -1), 0);
    EXPECT_EQ(file.readInteger("c", -1), -5);
    EXPECT_EQ(file.readInteger("d", -1), INT32_MAX);
    EXPECT_EQ(file.readInteger("e", -1), 0);
    EXPECT_EQ(file.readInteger("f", -1), 3);
    EXPECT_EQ(file.readInteger("absent", -1), -1);
}

class SettingsFileWriting : public testing::TemporaryFolderTest {
protected:
    std::string rewrite(const std::string &before, const std::function<void(SettingsFile &)> &change)
    {
        writeFile(path("Zarvon.ini"), before);
        SettingsFile file;
        EXPECT_TRUE(file.open(path("Zarvon.ini")));
        change(file);
        EXPECT_TRUE(file.close());
        return readFile(path("Zarvon.ini"));
    }
};

TEST_F(SettingsFileWriting, ReplacedKeyKeepsItsPlaceAndTakesTheNewSpelling)
{
    std::string after = rewrite("[G]\r\nhistory = 1\r\nOther = 2\r\n", [](SettingsFile &f) {
        f.selectGroup("g");
        f.writeText("History", "0");
    });
    EXPECT_EQ(after, "[G]\r\nHistory = 0\r\nOther = 2\r\n");
}

TEST_F(SettingsFileWriting, NewKeyGoesAfterTheLastLineOfItsGroup)
{
    std::string after = rewrite("[A]\r\nx = 1\r\n; note\r\n[B]\r\ny = 2\r\n", [](SettingsFile &f) {
        f.selectGroup("A");
        f.writeText("z", "3");
    });
    EXPECT_EQ(after, "[A]\r\nx = 1\r\n; note\r\nz = 3\r\n[B]\r\ny = 2\r\n");
}

TEST_F(SettingsFileWriting, NewKeyOfTheUnnamedGroupGoesBeforeTheFirstHeader)
{
    std::string after = rewrite("; head\r\n[A]\r\nx = 1\r\n", [](SettingsFile &f) {
        f.selectGroup("");
        f.writeInteger("Top", 42);
    });
    EXPECT_EQ(after, "; head\r\nTop = 42\r\n[A]\r\nx = 1\r\n");
}

TEST_F(SettingsFileWriting, UnknownGroupIsAppendedAtTheFirstWrite)
{
    std::string after = rewrite("[A]\r\nx = 1\r\n", [](SettingsFile &f) {
        EXPECT_FALSE(f.selectGroup("New"));
        f.writeText("k", "v");
        EXPECT_TRUE(f.selectGroup("new"));
        f.writeText("l", "w");
    });
    EXPECT_EQ(after, "[A]\r\nx = 1\r\n[New]\r\nk = v\r\nl = w\r\n");
}

TEST_F(SettingsFileWriting, CommentFollowsTheLineWrittenLast)
{
    std::string after = rewrite("[A]\r\nx = 1\r\ny = 2\r\n", [](SettingsFile &f) {
        f.selectGroup("A");
        f.writeText("x", "5");
        f.writeComment("after x");
        f.writeComment("");
    });
    EXPECT_EQ(after, "[A]\r\nx = 5\r\n; after x\r\n; \r\ny = 2\r\n");
}

TEST_F(SettingsFileWriting, ReadLinesAreWrittenInTheStoreForm)
{
    std::string after = rewrite("  ;comment\n;  indented\n\n[A] junk\n  key=  value \nbare\n",
                                [](SettingsFile &f) { f.writeText("touch", "1"); });
    EXPECT_EQ(after, "; comment\r\n;  indented\r\ntouch = 1\r\n[A]\r\nkey = value \r\nbare = \r\n");
}

TEST_F(SettingsFileWriting, LineBreaksInAValueCannotSplitTheLine)
{
    std::string after = rewrite("[A]\r\n", [](SettingsFile &f) {
        f.selectGroup("A");
        f.writeText("k", "one\r\n[Injected]\ntwo");
    });
    EXPECT_EQ(after, "[A]\r\nk = one  [Injected] two\r\n");
}

TEST_F(SettingsFileWriting, UnchangedFileIsNotRewritten)
{
    writeFile(path("Zarvon.ini"), "[A]\nx=1\n");
    SettingsFile file;
    ASSERT_TRUE(file.open(path("Zarvon.ini")));
    file.selectGroup("A");
    file.writeText("x", "1");
    EXPECT_EQ(file.readText("x", "?"), "1");
    EXPECT_TRUE(file.close());
    EXPECT_EQ(readFile(path("Zarvon.ini")), "[A]\nx=1\n");
}

TEST_F(SettingsFileWriting, OpeningAnotherFileWritesTheFirst)
{
    writeFile(path("one.ini"), "[A]\r\n");
    writeFile(path("two.ini"), "[B]\r\n");
    SettingsFile file;
    ASSERT_TRUE(file.open(path("one.ini")));
    file.selectGroup("A");
    file.writeText("k", "v");
    ASSERT_TRUE(file.open(path("two.ini")));
    EXPECT_EQ(readFile(path("one.ini")), "[A]\r\nk = v\r\n");
    EXPECT_TRUE(file.selectGroup("B"));
}

TEST_F(SettingsFileWriting, DestructionWritesPendingChanges)
{
    writeFile(path("Zarvon.ini"), "");
    {
        SettingsFile file;
        ASSERT_TRUE(file.open(path("Zarvon.ini")));
        file.writeText("k", "v");
    }
    EXPECT_EQ(readFile(path("Zarvon.ini")), "k = v\r\n");
}

TEST_F(SettingsFileWriting, CreateStartsAnEmptyList)
{
    writeFile(path("Zarvon.ini"), "[Old]\r\nx = 1\r\n");
    SettingsFile file;
    ASSERT_TRUE(file.create(path("Zarvon.ini")));
    EXPECT_FALSE(file.selectGroup("Old"));
    EXPECT_TRUE(file.close());
    EXPECT_EQ(readFile(path("Zarvon.ini")), "");
}

TEST_F(SettingsFileWriting, CreateMakesAMissingFileAtOnce)
{
    SettingsFile file;
    ASSERT_TRUE(file.create(path("Zarvon.ini")));
    EXPECT_TRUE(std::filesystem::exists(path("Zarvon.ini")));
    EXPECT_FALSE(file.create(path("missing-folder/Zarvon.ini")));
    EXPECT_FALSE(file.isOpen());
}

TEST_F(SettingsFileWriting, WritesWithoutAFileHaveNoEffect)
{
    SettingsFile file;
    file.writeText("k", "v");
    file.writeComment("c");
    EXPECT_EQ(file.serialize(), "");
    EXPECT_TRUE(file.close());
}

class SettingsFileEncoding : public testing::TemporaryFolderTest {};

TEST_F(SettingsFileEncoding, Windows1252IsReadAsUtf8AndWrittenBack)
{
    writeFile(path("Zarvon.ini"), "[G]\r\nFolder = /home/r\xE9mi/\x80\r\n");
    SettingsFile file;
    ASSERT_TRUE(file.open(path("Zarvon.ini")));
    file.selectGroup("G");
    EXPECT_EQ(file.readText("Folder", ""), "/home/rémi/€");
    file.writeText("Other", "Électricité");
    ASSERT_TRUE(file.close());
    EXPECT_EQ(readFile(path("Zarvon.ini")), "[G]\r\nFolder = /home/r\xE9mi/\x80\r\nOther = \xC9lectricit\xE9\r\n");
}

TEST_F(SettingsFileEncoding, BytesUndefinedInWindows1252SurviveARewrite)
{
    std::string odd = "[G]\r\nk = \x81\x8D\x8F\x90\x9D\r\n";
    writeFile(path("Zarvon.ini"), odd);
    SettingsFile file;
    ASSERT_TRUE(file.open(path("Zarvon.ini")));
    file.writeText("touch", "1");
    ASSERT_TRUE(file.close());
    EXPECT_EQ(readFile(path("Zarvon.ini")), "touch = 1\r\n" + odd);
}

TEST_F(SettingsFileEncoding, FileWithByteOrderMarkStaysUtf8)
{
    writeFile(path("Zarvon.ini"), "\xEF\xBB\xBF[G]\r\nName = Καλημέρα\r\n");
    SettingsFile file;
    ASSERT_TRUE(file.open(path("Zarvon.ini")));
    EXPECT_TRUE(file.isUtf8());
    EXPECT_TRUE(file.selectGroup("G"));
    EXPECT_EQ(file.readText("Name", ""), "Καλημέρα");
    file.writeText("Plain", "é");
    ASSERT_TRUE(file.close());
    EXPECT_EQ(readFile(path("Zarvon.ini")), "\xEF\xBB\xBF\r\n[G]\r\nName = Καλημέρα\r\nPlain = é\r\n");
}

TEST_F(SettingsFileEncoding, TextWindows1252CannotHoldTurnsTheFileToUtf8)
{
    writeFile(path("Zarvon.ini"), "[G]\r\nA = caf\xE9\r\n");
    SettingsFile file;
    ASSERT_TRUE(file.open(path("Zarvon.ini")));
    file.selectGroup("G");
    file.writeText("Recent", "/home/user/文件/αρχείο.zip");
    ASSERT_TRUE(file.close());
    EXPECT_EQ(readFile(path("Zarvon.ini")),
              "\xEF\xBB\xBF\r\n[G]\r\nA = café\r\nRecent = /home/user/文件/αρχείο.zip\r\n");

    ASSERT_TRUE(file.open(path("Zarvon.ini")));
    file.selectGroup("G");
    EXPECT_EQ(file.readText("A", ""), "café");
    EXPECT_EQ(file.readText("Recent", ""), "/home/user/文件/αρχείο.zip");
}

TEST_F(SettingsFileEncoding, SingleByteTextThatLooksLikeTheMarkIsNotMistakenForIt)
{
    // "ï»¿" in Windows-1252 is EF BB BF; after its leading blank is dropped it
    // would open the file.
    writeFile(path("Zarvon.ini"), " \xEF\xBB\xBFKey = caf\xE9\r\n");
    SettingsFile file;
    ASSERT_TRUE(file.open(path("Zarvon.ini")));
    EXPECT_EQ(file.readText("ï»¿Key", ""), "café");
    file.writeText("touch", "1");
    ASSERT_TRUE(file.close());
    ASSERT_TRUE(file.open(path("Zarvon.ini")));
    EXPECT_EQ(file.readText("ï»¿Key", ""), "café");
    EXPECT_EQ(file.readText("touch", ""), "1");
}

TEST_F(SettingsFileEncoding, OpenBytesReadsFromMemoryAndWritesNothing)
{
    SettingsFile file;
    file.openBytes("[G]\nk = v\xE9\n");
    ASSERT_TRUE(file.selectGroup("G"));
    EXPECT_EQ(file.readText("k", ""), "vé");
    file.writeText("k", "w");
    EXPECT_TRUE(file.close());
}

// Switches the effective user to "nobody" for the scope when running as
// root, so that file permissions apply to the test.
class AsUnprivilegedUser {
public:
    explicit AsUnprivilegedUser(const std::filesystem::path &folder)
    {
        if (::geteuid() != 0)
            return;
        ::chmod(folder.c_str(), 0777);
        active_ = ::seteuid(65534) == 0;
    }
    ~AsUnprivilegedUser()
    {
        if (active_) {
            EXPECT_EQ(::seteuid(0), 0);
        }
    }
    AsUnprivilegedUser(const AsUnprivilegedUser &) = delete;
    AsUnprivilegedUser &operator=(const AsUnprivilegedUser &) = delete;

private:
    bool active_ = false;
};

class SettingsFileSafety : public testing::TemporaryFolderTest {
protected:
    void TearDown() override
    {
        setSettingsWriteLimitForTesting(-1);
        testing::TemporaryFolderTest::TearDown();
    }

    std::vector<std::string> folderNames() const
    {
        std::vector<std::string> names;
        for (const auto &entry : std::filesystem::directory_iterator(folder_))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(SettingsFileSafety, FailingWriteLeavesTheOldFileWhole)
{
    const std::string old =
        "[General]\r\nHistory = 1\r\n[Recent files]\r\nCount files = 1\r\nRecent files1 = /a.zip\r\n";
    writeFile(path("Zarvon.ini"), old);
    SettingsFile file;
    ASSERT_TRUE(file.open(path("Zarvon.ini")));
    file.selectGroup("General");
    file.writeText("History", "0");
    setSettingsWriteLimitForTesting(10);
    EXPECT_FALSE(file.close());
    EXPECT_EQ(readFile(path("Zarvon.ini")), old);
    EXPECT_EQ(folderNames(), std::vector<std::string>{"Zarvon.ini"});
}

TEST_F(SettingsFileSafety, FailingWriteAfterCreateKeepsTheOldFile)
{
    writeFile(path("Zarvon.ini"), "[Keep]\r\nme = 1\r\n");
    SettingsFile file;
    ASSERT_TRUE(file.create(path("Zarvon.ini")));
    file.writeComment("new");
    setSettingsWriteLimitForTesting(0);
    EXPECT_FALSE(file.close());
    EXPECT_EQ(readFile(path("Zarvon.ini")), "[Keep]\r\nme = 1\r\n");
}

TEST_F(SettingsFileSafety, RewriteKeepsPermissionsAndSymbolicLinks)
{
    std::filesystem::create_directory(folder_ / "real");
    writeFile(path("real/Zarvon.ini"), "[A]\r\n");
    ::chmod(path("real/Zarvon.ini").c_str(), 0640);
    std::filesystem::create_symlink(folder_ / "real" / "Zarvon.ini", folder_ / "Zarvon.ini");
    SettingsFile file;
    ASSERT_TRUE(file.open(path("Zarvon.ini")));
    file.writeText("k", "v");
    ASSERT_TRUE(file.close());
    EXPECT_TRUE(std::filesystem::is_symlink(folder_ / "Zarvon.ini"));
    EXPECT_EQ(readFile(path("real/Zarvon.ini")), "k = v\r\n[A]\r\n");
    struct stat info {};
    ASSERT_EQ(::stat(path("real/Zarvon.ini").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST_F(SettingsFileSafety, ReadOnlyFileOpensForReadingAndDropsChanges)
{
    writeFile(path("Zarvon.ini"), "[G]\r\nk = 1\r\n");
    ::chmod(path("Zarvon.ini").c_str(), 0444);
    AsUnprivilegedUser nobody(folder_);
    if (::euidaccess(path("Zarvon.ini").c_str(), W_OK) == 0)
        GTEST_SKIP() << "cannot make the file read-only for this user";
    SettingsFile file;
    ASSERT_TRUE(file.open(path("Zarvon.ini")));
    EXPECT_TRUE(file.isReadOnly());
    file.selectGroup("G");
    EXPECT_EQ(file.readText("k", ""), "1");
    file.writeText("k", "2");
    EXPECT_EQ(file.readText("k", ""), "2");
    EXPECT_FALSE(file.close());
    EXPECT_EQ(readFile(path("Zarvon.ini")), "[G]\r\nk = 1\r\n");
}

TEST_F(SettingsFileSafety, UnreadableFileDoesNotOpen)
{
    writeFile(path("Zarvon.ini"), "[G]\r\n");
    ::chmod(path("Zarvon.ini").c_str(), 0);
    AsUnprivilegedUser nobody(folder_);
    if (::euidaccess(path("Zarvon.ini").c_str(), R_OK) == 0)
        GTEST_SKIP() << "cannot make the file unreadable for this user";
    SettingsFile file;
    EXPECT_FALSE(file.open(path("Zarvon.ini")));
}

TEST_F(SettingsFileSafety, FolderWithoutWriteRightKeepsTheOldFile)
{
    writeFile(path("Zarvon.ini"), "[G]\r\n");
    ::chmod(path("Zarvon.ini").c_str(), 0666);
    ::chmod(folder_.c_str(), 0555);
    bool root = ::geteuid() == 0;
    if (root && ::seteuid(65534) != 0)
        GTEST_SKIP() << "cannot drop privileges";
    bool writableFolder = ::euidaccess(folder_.c_str(), W_OK) == 0;
    bool closed = true;
    if (!writableFolder) {
        SettingsFile file;
        if (file.open(path("Zarvon.ini"))) {
            file.writeText("k", "v");
            closed = file.close();
        }
    }
    if (root) {
        ASSERT_EQ(::seteuid(0), 0);
    }
    if (writableFolder)
        GTEST_SKIP() << "cannot make the folder read-only for this user";
    EXPECT_FALSE(closed);
    EXPECT_EQ(readFile(path("Zarvon.ini")), "[G]\r\n");
}

} // namespace
} // namespace zarvon::settings
