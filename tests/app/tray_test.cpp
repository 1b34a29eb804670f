// Tray mode: in and out of the notification area, on a desktop without one
// (the offscreen platform) and, end to end, under a real tray host on a
// virtual X display.
#include "support/program_fixture.h"
#include "ui/boot_screen.h"
#include "ui/tray.h"

#include <csignal>
#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

using namespace zarvon;
using namespace zarvon::platform;
using zarvon::testing::ProgramTest;

namespace {

const char *const kNoTrayText =
    "Aucune zone de notification n'est disponible : Zarvon est réduit dans la barre des tâches.";

class TrayTest : public ProgramTest {
protected:
    void trayEvent(EventSubtype subtype)
    {
        app::dispatchEvent(UiEvent{EventKind::Tray, ids::WindowMain, ids::TrayIcon, subtype});
        pump();
    }
};

TEST_F(TrayTest, WithoutANotificationAreaTheWindowIsMinimisedNotHiddenAndTheUserToldOnce)
{
    ASSERT_FALSE(isSysTrayAvailable()) << "the offscreen platform has no notification area";
    writeStandardIni();
    ASSERT_TRUE(start());
    expectMessage("Zarvon", kNoTrayText, MessageIcon::Information);
    menu(ids::MenuSystray);
    EXPECT_TRUE(isWindowVisible(ids::WindowMain));
    EXPECT_EQ(getWindowState(ids::WindowMain), WindowState::Minimized);
    EXPECT_FALSE(isSysTrayIcon(ids::TrayIcon));
    EXPECT_FALSE(ui::inTray());

    // The second time says nothing more (the script would fail on a message).
    setWindowState(ids::WindowMain, WindowState::Normal);
    menu(ids::MenuSystray);
    EXPECT_EQ(getWindowState(ids::WindowMain), WindowState::Minimized);
    EXPECT_EQ(shownDialogs().size(), 1u);
}

TEST_F(TrayTest, TheNoTrayMessageIsInTheInterfacesLanguage)
{
    writeStandardIni({{"View/FrenchLanguage", "0"}, {"View/EnglishLanguage", "1"}});
    ASSERT_TRUE(start());
    expectMessage("Zarvon", "No notification area is available: Zarvon is minimised to the taskbar instead.",
                  MessageIcon::Information);
    menu(ids::MenuSystray);
}

TEST_F(TrayTest, RestoringWhenNotInTheTrayChangesNothing)
{
    writeStandardIni();
    ASSERT_TRUE(start());
    setWindowState(ids::WindowMain, WindowState::Maximized);
    trayEvent(EventSubtype::LeftDoubleClick);
    menu(ids::RestoreApp);
    EXPECT_TRUE(isWindowVisible(ids::WindowMain));
    EXPECT_EQ(getWindowState(ids::WindowMain), WindowState::Maximized);
    EXPECT_FALSE(isSysTrayIcon(ids::TrayIcon));
}

TEST_F(TrayTest, BalloonFollowsTheConfigurationFileNotTheLoadedLanguageFile)
{
    std::filesystem::remove(folder() / "program" / "French.lng");
    writeStandardIni();
    ASSERT_TRUE(start());
    ASSERT_EQ(settings::languageText("QuitApp", ""), "Quit Zarvon") << "the English file stands in for French";
    EXPECT_EQ(ui::trayBalloonText(), "Zarvon fonctionne en mode réduit");
    writeStandardIni({{"View/FrenchLanguage", "0"}, {"View/EnglishLanguage", "1"}});
    EXPECT_EQ(ui::trayBalloonText(), "Zarvon is minimized to the systray");
}

// ---- End to end under a real tray host --------------------------------------------

// Runs in a child process on the X display the parent set up: everything the
// tray does, with the real notification area.
TEST_F(TrayTest, EndToEndChild)
{
    if (!std::getenv("ZARVON_TRAY_CHILD"))
        GTEST_SKIP() << "run by TrayTest.EndToEndUnderARealTrayHost in its own process";
    // The tray host takes its selection a moment after it starts.
    for (int i = 0; i < 100 && !isSysTrayAvailable(); ++i)
        processSystemEvents(50);
    ASSERT_TRUE(isSysTrayAvailable());
    if (const char *shot = std::getenv("ZARVON_BOOT_SHOT")) {
        // The boot screen over a desktop background, pictured while it waits.
        std::system("display -window root -size 800x600 gradient:'#2a5d3a'-'#a0c8e0' >/dev/null 2>&1");
        const pid_t camera = ::fork();
        if (camera == 0) {
            ::usleep(800000);
            ::execlp("import", "import", "-window", "root", shot, static_cast<char *>(nullptr));
            ::_exit(127);
        }
        setDelaysEnabled(true);
        ui::showBootScreen();
        setDelaysEnabled(false);
        int status = 0;
        ASSERT_EQ(::waitpid(camera, &status, 0), camera);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "import could not picture the screen";
        EXPECT_FALSE(isWindow(ids::WindowBootScreen));
    }
    writeStandardIni({{"View/FrenchLanguage", "0"}, {"View/EnglishLanguage", "1"}});
    ASSERT_TRUE(start());
    processSystemEvents(200);
    setWindowState(ids::WindowMain, WindowState::Maximized);
    processSystemEvents(200);

    menu(ids::MenuSystray);
    EXPECT_TRUE(ui::inTray());
    EXPECT_TRUE(isSysTrayIcon(ids::TrayIcon));
    EXPECT_FALSE(isWindowVisible(ids::WindowMain));
    EXPECT_TRUE(shownDialogs().empty());
    processSystemEvents(500);
    if (const char *shot = std::getenv("ZARVON_TRAY_SHOT")) {
        EXPECT_EQ(std::system((std::string("import -window root ") + shot + " 2>/dev/null").c_str()), 0);
    }

    // A second MenuSystray while in the tray adds nothing.
    menu(ids::MenuSystray);
    EXPECT_TRUE(ui::inTray());

    // The right click shows the tray menu; its items are the menu's own.
    trayEvent(EventSubtype::RightClick);
    EXPECT_TRUE(ui::inTray());

    trayEvent(EventSubtype::LeftDoubleClick);
    processSystemEvents(200);
    EXPECT_FALSE(ui::inTray());
    EXPECT_FALSE(isSysTrayIcon(ids::TrayIcon));
    EXPECT_TRUE(isWindowVisible(ids::WindowMain));
    EXPECT_EQ(getWindowState(ids::WindowMain), WindowState::Maximized);

    // Into the tray again and out through the menu item.
    setWindowState(ids::WindowMain, WindowState::Normal);
    menu(ids::MenuSystray);
    ASSERT_TRUE(ui::inTray());
    menu(ids::RestoreApp);
    EXPECT_TRUE(isWindowVisible(ids::WindowMain));
    EXPECT_EQ(getWindowState(ids::WindowMain), WindowState::Normal);

    // Quitting from the tray ends the program.
    menu(ids::MenuSystray);
    menu(ids::QuitApp);
    EXPECT_TRUE(exitRequested());
}

bool onPath(const char *tool)
{
    return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

// A process the test started, ended with it.
struct Child {
    pid_t pid = -1;
    ~Child()
    {
        if (pid > 0) {
            ::kill(pid, SIGTERM);
            ::waitpid(pid, nullptr, 0);
        }
    }
};

pid_t spawn(const std::vector<std::string> &command, const std::vector<std::pair<std::string, std::string>> &env)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        for (const auto &[name, value] : env)
            ::setenv(name.c_str(), value.c_str(), 1);
        std::vector<char *> argv;
        for (const auto &word : command)
            argv.push_back(const_cast<char *>(word.c_str()));
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    return pid;
}

TEST(TrayEndToEnd, MinimiseAndRestoreUnderARealTrayHost)
{
    if (std::getenv("ZARVON_TRAY_CHILD"))
        GTEST_SKIP() << "the child runs only its own test";
    if (!onPath("Xvfb") || !onPath("trayer"))
        GTEST_SKIP() << "needs Xvfb and the trayer tray host (scripts/install-deps.sh installs them)";
    // Xvfb picks a free display itself and writes its number to the pipe.
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    Child server, tray;
    server.pid = spawn(
        {"Xvfb", "-displayfd", std::to_string(pipeEnds[1]), "-screen", "0", "800x600x24", "-nolisten", "tcp"}, {});
    ::close(pipeEnds[1]);
    ASSERT_GT(server.pid, 0);
    std::string number;
    char c = 0;
    while (::read(pipeEnds[0], &c, 1) == 1 && c != '\n')
        number += c;
    ::close(pipeEnds[0]);
    ASSERT_FALSE(number.empty()) << "Xvfb did not start";
    const std::string display = ":" + number;
    tray.pid = spawn({"trayer", "--edge", "bottom", "--align", "right", "--widthtype", "pixel", "--width", "120",
                      "--height", "24", "--transparent", "false", "--tint", "0x336699"},
                     {{"DISPLAY", display}});
    ASSERT_GT(tray.pid, 0);

    const std::filesystem::path shots = std::filesystem::path(ZARVON_BIN_DIR).parent_path() / "screenshots";
    std::filesystem::create_directories(shots);
    Child test;
    test.pid = spawn({"/proc/self/exe", "--gtest_filter=TrayTest.EndToEndChild"},
                     {{"DISPLAY", display},
                      {"QT_QPA_PLATFORM", "xcb"},
                      {"ZARVON_TRAY_CHILD", "1"},
                      {"ZARVON_TRAY_SHOT", (shots / "tray_icon_in_tray.png").string()},
                      {"ZARVON_BOOT_SHOT", (shots / "boot_screen_on_desktop.png").string()}});
    int status = 0;
    ASSERT_EQ(::waitpid(test.pid, &status, 0), test.pid);
    test.pid = -1;
    ASSERT_TRUE(WIFEXITED(status)) << "the child ended by a signal";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the tray run under " << display << " failed (its output is above)";
}

} // namespace
