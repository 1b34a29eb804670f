// "cmake --install" into a temporary prefix: what a desktop finds there passes
// the desktop's own validators, and the installed program starts from there
// with the language files of <prefix>/share/zarvon.
#include <gtest/gtest.h>

#include <QImage>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

bool onPath(const char *tool)
{
    return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

int run(const std::string &command) { return std::system((command + " >/dev/null 2>&1").c_str()); }

class InstallTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        const fs::path build = fs::path(ZARVON_BIN_DIR).parent_path();
        if (!fs::exists(fs::path(ZARVON_BIN_DIR) / "zarvon") ||
            !fs::exists(build / "ui" / "pictures" / "zarvon-48.png")) {
            skipReason_ = "the whole project is not built (cmake --build build)";
            return;
        }
        std::random_device random;
        prefix_ = fs::temp_directory_path() / ("zarvon-install-" + std::to_string(random()));
        installed_ =
            std::system(
                ("cmake --install '" + build.string() + "' --prefix '" + prefix_.string() + "' >/dev/null").c_str()) ==
            0;
    }
    static void TearDownTestSuite()
    {
        std::error_code ignored;
        if (!prefix_.empty())
            fs::remove_all(prefix_, ignored);
    }
    void SetUp() override
    {
        if (!skipReason_.empty())
            GTEST_SKIP() << skipReason_;
        ASSERT_TRUE(installed_) << "cmake --install failed";
    }

    static inline fs::path prefix_;
    static inline bool installed_ = false;
    static inline std::string skipReason_;
};

TEST_F(InstallTest, DesktopEntryNamesTheProgramAndItsTypesAndValidates)
{
    const fs::path entry = prefix_ / "share" / "applications" / "org.zarvon.Zarvon.desktop";
    ASSERT_TRUE(fs::exists(entry));
    std::ifstream in(entry);
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_NE(text.find("\nMimeType=application/zip;application/vnd.rar;\n"), std::string::npos);
    EXPECT_NE(text.find("\nExec=zarvon %f\n"), std::string::npos);
    EXPECT_NE(text.find("\nIcon=zarvon\n"), std::string::npos);
    EXPECT_NE(text.find("\nActions=extract-here;extract-to;compress;\n"), std::string::npos);
    EXPECT_NE(text.find("\nName[fr]=Extraire ici\nExec=zarvon --extract-here %F\n"), std::string::npos);
    if (!onPath("desktop-file-validate"))
        GTEST_SKIP() << "desktop-file-validate (desktop-file-utils) is not installed";
    EXPECT_EQ(run("desktop-file-validate '" + entry.string() + "'"), 0);
}

TEST_F(InstallTest, MetainfoValidates)
{
    const fs::path metainfo = prefix_ / "share" / "metainfo" / "org.zarvon.Zarvon.metainfo.xml";
    ASSERT_TRUE(fs::exists(metainfo));
    if (!onPath("appstreamcli"))
        GTEST_SKIP() << "appstreamcli (appstream) is not installed";
    EXPECT_EQ(run("appstreamcli validate --no-net '" + metainfo.string() + "'"), 0);
}

TEST_F(InstallTest, IconsInEverySizeOfTheThemeAndScalable)
{
    const fs::path theme = prefix_ / "share" / "icons" / "hicolor";
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const std::string name = std::to_string(size) + "x" + std::to_string(size);
        const QImage icon(QString::fromStdString((theme / name / "apps" / "zarvon.png").string()));
        ASSERT_FALSE(icon.isNull()) << name;
        EXPECT_EQ(icon.width(), size);
        EXPECT_EQ(icon.height(), size);
    }
    EXPECT_TRUE(fs::exists(theme / "scalable" / "apps" / "zarvon.svg"));
}

TEST_F(InstallTest, ManualPagesOfBothProgramsReadWithoutWarnings)
{
    EXPECT_TRUE(fs::exists(prefix_ / "bin" / "zarvon-cli"));
    for (const char *name : {"zarvon.1", "zarvon-cli.1"}) {
        const fs::path page = prefix_ / "share" / "man" / "man1" / name;
        ASSERT_TRUE(fs::exists(page)) << name;
        if (!onPath("groff"))
            GTEST_SKIP() << "groff is not installed";
        const std::string warnings = (prefix_ / "groff.txt").string();
        ASSERT_EQ(std::system(("groff -man -Tutf8 -ww -z '" + page.string() + "' 2>'" + warnings + "'").c_str()), 0);
        EXPECT_EQ(fs::file_size(warnings), 0u) << name;
    }
}

TEST_F(InstallTest, FileManagerActionsAreInstalledWhereEachFileManagerLooks)
{
    for (const char *file : {"kio/servicemenus/zarvon-extract.desktop", "kio/servicemenus/zarvon-compress.desktop",
                             "nemo/actions/zarvon-extract-here.nemo_action",
                             "file-manager/actions/zarvon-extract-here.desktop"})
        EXPECT_TRUE(fs::exists(prefix_ / "share" / file)) << file;
}

TEST_F(InstallTest, InstalledProgramStartsWithTheLanguageFilesOfItsPrefix)
{
    const fs::path bin = prefix_ / "bin";
    ASSERT_FALSE(fs::exists(bin / "French.lng"));
    ASSERT_TRUE(fs::exists(prefix_ / "share" / "zarvon" / "French.lng"));
    // With one instance allowed, the main window takes its lock once the
    // language is loaded; a missing language file stops the start before.
    {
        std::ofstream ini(bin / "Zarvon.ini", std::ios::binary);
        ini << "[General]\r\nMultitaskWindow = 0\r\n";
    }
    const fs::path home = prefix_ / "home", runtime = prefix_ / "run";
    fs::create_directories(home);
    fs::create_directories(runtime);
    fs::permissions(runtime, fs::perms::owner_all);
    const pid_t child = ::fork();
    if (child == 0) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::setenv("HOME", home.c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        ::execl((bin / "zarvon").c_str(), "zarvon", static_cast<char *>(nullptr));
        ::_exit(127);
    }
    ASSERT_GT(child, 0);
    bool locked = false, alive = true;
    for (int i = 0; i < 600 && !locked && alive; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        locked = fs::exists(runtime / "zarvon.lock");
        alive = ::waitpid(child, nullptr, WNOHANG) == 0;
    }
    if (alive) {
        ::kill(child, SIGTERM);
        ::waitpid(child, nullptr, 0);
    }
    EXPECT_TRUE(locked) << "the installed zarvon did not get as far as its main window";
}

} // namespace
