#include "settings/paths.h"
#include "settings/settings_state.h"

#include <unistd.h>

#include "settings_test_support.h"

namespace zarvon::settings {
namespace {

using testing::writeFile;

class ProgramPathsTest : public testing::TemporaryFolderTest {
protected:
    void TearDown() override
    {
        setProgramPath({});
        testing::TemporaryFolderTest::TearDown();
    }
};

TEST_F(ProgramPathsTest, RealExecutableIsFound)
{
    setProgramPath({});
    EXPECT_EQ(programFileName(), "zarvon_settings_tests");
    EXPECT_EQ(programDirectory().back(), '/');
    EXPECT_EQ(programDirectory() + programFileName(), programPath());
    EXPECT_EQ(::access(programPath().c_str(), X_OK), 0);
}

TEST_F(ProgramPathsTest, TestsPointTheProgramAtATemporaryFolder)
{
    setProgramPath(path("zarvon"));
    std::string folder = folder_.string() + "/";
    EXPECT_EQ(programPath(), folder + "zarvon");
    EXPECT_EQ(programDirectory(), folder);
    EXPECT_EQ(programFileName(), "zarvon");
    EXPECT_EQ(settingsPath(), folder + "Zarvon.ini");
    EXPECT_EQ(frenchLanguagePath(), folder + "French.lng");
    EXPECT_EQ(englishLanguagePath(), folder + "English.lng");
}

TEST_F(ProgramPathsTest, ResetLooksAgainButKeepsTheChosenProgram)
{
    std::filesystem::create_directories(folder_ / "bin");
    setProgramPath(path("bin/zarvon"));
    EXPECT_EQ(frenchLanguagePath(), path("bin/French.lng"));
    std::filesystem::create_directories(folder_ / "share" / "zarvon");
    writeFile(path("share/zarvon/French.lng"), "MenuFile = Fichier\r\n");
    resetSettingsState();
    EXPECT_EQ(frenchLanguagePath(), path("share/zarvon/French.lng"));
    EXPECT_EQ(programPath(), path("bin/zarvon"));
}

TEST_F(ProgramPathsTest, ReadOnlyInstallKeepsSettingsInTheUserConfiguration)
{
    ProgramPaths paths = computeProgramPaths("/usr/bin/zarvon", false, "/home/u/.cfg/", "/home/u");
    EXPECT_EQ(paths.settingsPath, "/home/u/.cfg/Zarvon/Zarvon.ini");
    paths = computeProgramPaths("/usr/bin/zarvon", false, "", "/home/u");
    EXPECT_EQ(paths.settingsPath, "/home/u/.config/Zarvon/Zarvon.ini");
    paths = computeProgramPaths("/usr/bin/zarvon", false, "relative/path", "/home/u");
    EXPECT_EQ(paths.settingsPath, "/home/u/.config/Zarvon/Zarvon.ini");
    paths = computeProgramPaths("/opt/z/zarvon", true, "/home/u/.cfg", "/home/u");
    EXPECT_EQ(paths.settingsPath, "/opt/z/Zarvon.ini");
}

TEST_F(ProgramPathsTest, LanguageFilesOfAnInstalledCopyComeFromTheDataFolder)
{
    std::filesystem::create_directories(folder_ / "bin");
    std::filesystem::create_directories(folder_ / "share" / "zarvon");
    writeFile(path("share/zarvon/French.lng"), "MenuFile = Fichier\r\n");
    writeFile(path("share/zarvon/English.lng"), "MenuFile = File\r\n");
    writeFile(path("bin/English.lng"), "MenuFile = File\r\n");
    ProgramPaths paths = computeProgramPaths(path("bin/zarvon"), false, "", "/home/u");
    EXPECT_EQ(paths.frenchLanguagePath, path("share/zarvon/French.lng"));
    EXPECT_EQ(paths.englishLanguagePath, path("bin/English.lng"));
}

TEST_F(ProgramPathsTest, LanguageFilesDefaultToTheProgramFolder)
{
    ProgramPaths paths = computeProgramPaths(path("zarvon"), true, "", "/home/u");
    EXPECT_EQ(paths.frenchLanguagePath, path("French.lng"));
    EXPECT_EQ(paths.englishLanguagePath, path("English.lng"));
}

TEST_F(ProgramPathsTest, ProgramFolderWithoutWriteRightUsesTheConfigurationFolder)
{
    std::filesystem::create_directories(folder_ / "program");
    ::setenv("XDG_CONFIG_HOME", path("config").c_str(), 1);
    ::chmod(path("program").c_str(), 0555);
    bool root = ::geteuid() == 0;
    if (root) {
        ::chmod(folder_.c_str(), 0777);
        ASSERT_EQ(::seteuid(65534), 0);
    }
    bool writable = ::euidaccess(path("program").c_str(), W_OK) == 0;
    setProgramPath(path("program/zarvon"));
    std::string settings = settingsPath();
    bool folderMade = std::filesystem::is_directory(folder_ / "config" / "Zarvon");
    if (root) {
        ASSERT_EQ(::seteuid(0), 0);
    }
    ::unsetenv("XDG_CONFIG_HOME");
    if (writable)
        GTEST_SKIP() << "cannot make the program folder read-only for this user";
    EXPECT_EQ(settings, path("config/Zarvon/Zarvon.ini"));
    EXPECT_TRUE(folderMade);
}

} // namespace
} // namespace zarvon::settings
