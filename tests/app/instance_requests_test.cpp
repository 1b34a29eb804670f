// One running Zarvon takes every request: this test process runs the first
// instance for real (its windows, its lock, its channel) while a second,
// real zarvon process is started beside it, as a file manager would.
#include "support/program_fixture.h"

#include "ui/platform/testing.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <thread>

namespace zarvon::testing {
namespace {
namespace fs = std::filesystem;
using namespace platform;

class InstanceRequestsTest : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        writeStandardIni({{"General/MultitaskWindow", "0"}});
        fs::create_directories(folder() / "run");
        fs::permissions(folder() / "run", fs::perms::owner_all);
    }

    // A second copy of the program, with the same file name and the rule
    // "one instance", started from the test folder with `arguments`, while
    // this process goes on turning its event loop. Its exit status.
    int startSecond(const std::vector<std::string> &arguments)
    {
        const fs::path second = folder() / "second";
        fs::create_directories(second);
        fs::copy_file(fs::path(ZARVON_BIN_DIR) / "zarvon", second / "zarvon", fs::copy_options::overwrite_existing);
        for (const char *name : {"French.lng", "English.lng", "Zarvon.ini"})
            fs::copy_file(programFolder() / name, second / name, fs::copy_options::overwrite_existing);
        const std::string program = (second / "zarvon").string(), runtime = (folder() / "run").string(),
                          here = folder().string(), home = homeFolder().string();
        std::vector<std::string> words{program};
        words.insert(words.end(), arguments.begin(), arguments.end());
        std::vector<char *> argv;
        for (auto &w : words)
            argv.push_back(w.data());
        argv.push_back(nullptr);
        const pid_t child = ::fork();
        if (child == 0) {
            ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
            ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
            ::setenv("HOME", home.c_str(), 1);
            if (::chdir(here.c_str()) != 0)
                ::_exit(126);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        int status = -1;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (::waitpid(child, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > end) {
                ::kill(child, SIGKILL);
                ::waitpid(child, &status, 0);
                ADD_FAILURE() << "the second start did not end";
                return -1;
            }
            processSystemEvents(20);
            pump();
        }
        processSystemEvents(20);
        pump();
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

TEST_F(InstanceRequestsTest, SecondStartHandsItsArchiveToTheRunningWindowWhichComesForward)
{
    ASSERT_TRUE(start());
    const std::string zip = makeZip("given.zip", {{"inside.txt", "x"}});
    setWindowState(ids::WindowMain, WindowState::Minimized);
    // Relative to the folder the second start was made from.
    EXPECT_EQ(startSecond({"given.zip"}), 0);
    EXPECT_EQ(archiveRows(), std::vector<std::string>{"inside.txt"});
    EXPECT_NE(getWindowTitle(ids::WindowMain).find(zip), std::string::npos) << getWindowTitle(ids::WindowMain);
    ASSERT_FALSE(settings::recentArchives().empty());
    EXPECT_EQ(settings::recentArchives().front(), zip);
    EXPECT_EQ(getWindowState(ids::WindowMain), WindowState::Normal);
    EXPECT_TRUE(isWindowVisible(ids::WindowMain));
    EXPECT_FALSE(exitRequested());
}

TEST_F(InstanceRequestsTest, SecondStartWithoutAnArchiveOnlyRaisesTheWindow)
{
    const std::string zip = makeZip("shown.zip", {{"kept.txt", "x"}});
    ASSERT_TRUE(start({zip}));
    setWindowState(ids::WindowMain, WindowState::Minimized);
    EXPECT_EQ(startSecond({}), 0);
    EXPECT_EQ(getWindowState(ids::WindowMain), WindowState::Normal);
    EXPECT_EQ(ui::currentArchivePath(), zip);
    EXPECT_EQ(archiveRows(), std::vector<std::string>{"kept.txt"});
    EXPECT_TRUE(shownDialogs().empty());
}

TEST_F(InstanceRequestsTest, ChannelLeftByACrashIsReplacedAndOnlyTheUserMayUseIt)
{
    // A socket file nobody listens on any more, as a killed instance leaves.
    const std::string path = requestChannelPath(settings::programFileName());
    const int stale = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
    ASSERT_EQ(::bind(stale, reinterpret_cast<sockaddr *>(&address), sizeof(address)), 0);
    ::close(stale);
    ASSERT_TRUE(fs::exists(path));

    ASSERT_TRUE(start());
    struct stat channel {};
    ASSERT_EQ(::stat(path.c_str(), &channel), 0);
    EXPECT_TRUE(S_ISSOCK(channel.st_mode));
    EXPECT_EQ(channel.st_mode & 077, 0u) << std::oct << channel.st_mode;
    const std::string zip = makeZip("after.zip", {{"again.txt", "x"}});
    EXPECT_EQ(startSecond({zip}), 0);
    EXPECT_EQ(ui::currentArchivePath(), zip);
}

} // namespace
} // namespace zarvon::testing
