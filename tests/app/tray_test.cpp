// Tray mode: in and out of the notification area, on a desktop without one
// (the offscreen platform) and, end to end, under a real tray host and window
// manager on a virtual X display; the boot screen there as a user sees it.
#include "support/process.h"
#include "support/program_fixture.h"
#include "ui/boot_screen.h"
#include "ui/platform/qt_access.h"
#include "ui/tray.h"

#include <QCoreApplication>
#include <QImage>
#include <QWidget>

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

// End to end under a real tray host

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

// Whether the X server comes to show the window in `state` ("IsViewable":
// on the screen, "IsUnMapped": out of it) within five seconds.
bool reaches(QWidget *window, const std::string &state)
{
    for (int i = 0; i < 100; ++i, processSystemEvents(50))
        if (zarvon::testing::runCommand("xwininfo -id " + std::to_string(window->winId()))
                .output.find("Map State: " + state) != std::string::npos)
            return true;
    return false;
}

// Run by TrayEndToEnd.RestoredAfterATaskbarRoundTrip under a window manager,
// with no tray host until the child starts one.
TEST_F(TrayTest, TaskbarRoundTripChild)
{
    if (!std::getenv("ZARVON_TRAY_ROUND_TRIP_CHILD"))
        GTEST_SKIP() << "run by TrayEndToEnd.RestoredAfterATaskbarRoundTripUnderAWindowManager in its own process";
    using zarvon::testing::runCommand;
    ASSERT_FALSE(isSysTrayAvailable());
    writeStandardIni({{"View/FrenchLanguage", "0"}, {"View/EnglishLanguage", "1"}});
    ASSERT_TRUE(start());
    QWidget *window = windowWidget(ids::WindowMain);
    ASSERT_TRUE(reaches(window, "IsViewable"));

    // No notification area: minimised to the taskbar ...
    expectMessage("Zarvon", "No notification area is available: Zarvon is minimised to the taskbar instead.",
                  MessageIcon::Information);
    menu(ids::MenuSystray);
    ASSERT_TRUE(reaches(window, "IsUnMapped"));
    // ... and brought back by the window manager, as a taskbar click does.
    ASSERT_EQ(runCommand("xdotool windowactivate --sync " + std::to_string(window->winId())).status, 0);
    ASSERT_TRUE(reaches(window, "IsViewable"));

    // A tray host starts; into the tray and out by a double click on the icon.
    Child host;
    host.pid = spawn({"trayer", "--edge", "bottom", "--align", "right", "--widthtype", "pixel", "--width", "120"}, {});
    for (int i = 0; i < 100 && !isSysTrayAvailable(); ++i)
        processSystemEvents(50);
    ASSERT_TRUE(isSysTrayAvailable());
    menu(ids::MenuSystray);
    ASSERT_TRUE(ui::inTray());
    ASSERT_TRUE(reaches(window, "IsUnMapped"));
    // The icon sits in the host's panel: the one child of a useful size.
    std::string icon, tree;
    for (int i = 0; i < 100 && icon.empty(); ++i, processSystemEvents(50)) {
        tree = runCommand("xwininfo -children -id $(xdotool search --name '^panel$' | head -n 1)").output;
        for (std::size_t at = tree.find("     0x"); at != std::string::npos && icon.empty();
             at = tree.find("     0x", at + 1)) {
            const std::string line = tree.substr(at, tree.find('\n', at) - at);
            if (line.find(" 1x1+") == std::string::npos)
                icon = line.substr(5, line.find(' ', 5) - 5);
        }
    }
    ASSERT_FALSE(icon.empty()) << "the tray icon's window in\n" << tree;
    processSystemEvents(300);
    runCommand("xdotool mousemove --window " + icon + " 8 8 click --repeat 2 --delay 80 1");
    for (int i = 0; i < 40 && ui::inTray(); ++i) {
        processSystemEvents(50);
        pump();
    }
    EXPECT_FALSE(ui::inTray());
    EXPECT_FALSE(isSysTrayIcon(ids::TrayIcon));
    EXPECT_TRUE(reaches(window, "IsViewable"));
    EXPECT_NE(getWindowState(ids::WindowMain), WindowState::Minimized);
    EXPECT_EQ(activeWindow(), ids::WindowMain);
}

bool inAChild() { return std::getenv("ZARVON_TRAY_CHILD") || std::getenv("ZARVON_TRAY_ROUND_TRIP_CHILD"); }

// An X display of its own (Xvfb picks a free number and writes it to the
// pipe), with a window manager when asked; all of it ends with the object.
struct VirtualDisplay {
    Child server, windowManager;
    std::string name;

    bool start(bool withWindowManager)
    {
        int pipeEnds[2];
        if (::pipe(pipeEnds) != 0)
            return false;
        server.pid = spawn(
            {"Xvfb", "-displayfd", std::to_string(pipeEnds[1]), "-screen", "0", "800x600x24", "-nolisten", "tcp"}, {});
        ::close(pipeEnds[1]);
        std::string number;
        char c = 0;
        while (::read(pipeEnds[0], &c, 1) == 1 && c != '\n')
            number += c;
        ::close(pipeEnds[0]);
        if (number.empty())
            return false;
        name = ":" + number;
        if (!withWindowManager)
            return true;
        windowManager.pid = spawn({"openbox"}, {{"DISPLAY", name}});
        // Managed from the moment it announces itself on the root window.
        for (int i = 0; i < 100; ++i) {
            if (zarvon::testing::runCommand("DISPLAY=" + name + " xprop -root _NET_SUPPORTING_WM_CHECK")
                    .output.find("window id") != std::string::npos)
                return true;
            ::usleep(50000);
        }
        return false;
    }
};

int waitChild(Child &child)
{
    int status = 0;
    if (::waitpid(child.pid, &status, 0) != child.pid)
        return -1;
    child.pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::filesystem::path screenshotFolder()
{
    const std::filesystem::path shots = std::filesystem::path(ZARVON_BIN_DIR).parent_path() / "screenshots";
    std::filesystem::create_directories(shots);
    return shots;
}

TEST(TrayEndToEnd, MinimiseAndRestoreUnderARealTrayHost)
{
    if (inAChild())
        GTEST_SKIP() << "the child runs only its own test";
    if (!onPath("Xvfb") || !onPath("trayer"))
        GTEST_SKIP() << "needs Xvfb and the trayer tray host (scripts/install-deps.sh installs them)";
    VirtualDisplay display;
    ASSERT_TRUE(display.start(false)) << "Xvfb did not start";
    Child tray;
    tray.pid = spawn({"trayer", "--edge", "bottom", "--align", "right", "--widthtype", "pixel", "--width", "120",
                      "--height", "24", "--transparent", "false", "--tint", "0x336699"},
                     {{"DISPLAY", display.name}});
    ASSERT_GT(tray.pid, 0);

    const std::filesystem::path shots = screenshotFolder();
    Child test;
    test.pid = spawn({"/proc/self/exe", "--gtest_filter=TrayTest.EndToEndChild"},
                     {{"DISPLAY", display.name},
                      {"QT_QPA_PLATFORM", "xcb"},
                      {"ZARVON_TRAY_CHILD", "1"},
                      {"ZARVON_TRAY_SHOT", (shots / "tray_icon_in_tray.png").string()},
                      {"ZARVON_BOOT_SHOT", (shots / "boot_screen_on_desktop.png").string()}});
    EXPECT_EQ(waitChild(test), 0) << "the tray run under " << display.name << " failed (its output is above)";
}

TEST(TrayEndToEnd, RestoredAfterATaskbarRoundTripUnderAWindowManager)
{
    if (inAChild())
        GTEST_SKIP() << "the child runs only its own test";
    for (const char *tool : {"Xvfb", "openbox", "trayer", "xdotool", "xwininfo", "xprop"})
        if (!onPath(tool))
            GTEST_SKIP() << "needs " << tool << " (scripts/install-deps.sh installs it)";
    VirtualDisplay display;
    ASSERT_TRUE(display.start(true)) << "Xvfb or openbox did not start";
    Child test;
    test.pid = spawn({"/proc/self/exe", "--gtest_filter=TrayTest.TaskbarRoundTripChild"},
                     {{"DISPLAY", display.name}, {"QT_QPA_PLATFORM", "xcb"}, {"ZARVON_TRAY_ROUND_TRIP_CHILD", "1"}});
    EXPECT_EQ(waitChild(test), 0) << "the run under " << display.name << " failed (its output is above)";
}

// The first start of the real program, under a window manager: the boot
// screen is mapped and painted with its picture before the main window
// appears (an unpainted one is an empty rectangle, black on this display).
TEST(BootScreenOnADesktop, FirstStartPaintsItBeforeTheMainWindow)
{
    if (inAChild())
        GTEST_SKIP() << "the child runs only its own test";
    for (const char *tool : {"Xvfb", "openbox", "xdotool", "import"})
        if (!onPath(tool))
            GTEST_SKIP() << "needs " << tool << " (scripts/install-deps.sh installs it)";
    char pattern[] = "/tmp/zarvon-boot-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const std::filesystem::path folder = pattern, program = folder / "program";
    std::filesystem::create_directories(program);
    std::filesystem::create_directories(folder / "home");
    for (const char *name : {"zarvon", "French.lng", "English.lng"})
        std::filesystem::copy_file(std::filesystem::path(ZARVON_BIN_DIR) / name, program / name);

    VirtualDisplay display;
    ASSERT_TRUE(display.start(true)) << "Xvfb or openbox did not start";
    Child zarvon;
    zarvon.pid = spawn({(program / "zarvon").string()}, {{"DISPLAY", display.name},
                                                         {"QT_QPA_PLATFORM", "xcb"},
                                                         {"HOME", (folder / "home").string()},
                                                         {"LC_ALL", "C.UTF-8"}});
    const std::string search = "DISPLAY=" + display.name + " xdotool search --onlyvisible --name ";
    std::string boot, mainShown;
    for (int i = 0; i < 200 && boot.empty() && mainShown.empty(); ++i) {
        ::usleep(50000);
        boot = zarvon::testing::runCommand(search + "'^Starting Zarvon[.][.][.]$'").output;
        mainShown = zarvon::testing::runCommand(search + "'^Zarvon 1[.]'").output;
    }
    ASSERT_FALSE(boot.empty()) << "no boot screen was mapped before the main window";
    EXPECT_TRUE(mainShown.empty()) << "the main window was on the screen with the boot screen";
    ::usleep(400000);
    const std::filesystem::path shot = screenshotFolder() / "boot_screen_first_start.png";
    ASSERT_EQ(zarvon::testing::runCommand("DISPLAY=" + display.name + " import -window " +
                                          boot.substr(0, boot.find('\n')) + " " + shot.string())
                  .status,
              0);
    // The middle of the picture is blue or white, never black.
    const QImage picture(QString::fromStdString(shot.string()));
    EXPECT_GT(qGray(picture.pixel(picture.width() / 2, picture.height() / 2)), 40) << "not painted: " << shot;
    std::filesystem::remove_all(folder);
}

} // namespace
