// The configuration window's integration boxes, clicked in a temporary home:
// what they leave in the user's mimeapps.list, applications and desktop
// folders, and what the user is told when that cannot be done.
#include "support/program_fixture.h"
#include "operations/desktop_integration.h"

#include <sys/stat.h>

using namespace zarvon;
using namespace zarvon::platform;
using zarvon::testing::ProgramTest;

namespace {

class IntegrationBoxesTest : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        for (const char *name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CURRENT_DESKTOP", "DE"})
            if (const char *value = std::getenv(name)) {
                saved_.emplace_back(name, value);
                ::unsetenv(name);
            }
        writeStandardIni();
        ASSERT_TRUE(start());
        menu(ids::MenuConfiguration);
        ASSERT_TRUE(isWindow(ids::WindowConfiguration));
    }
    void TearDown() override
    {
        ProgramTest::TearDown();
        for (const auto &[name, value] : saved_)
            ::setenv(name.c_str(), value.c_str(), 1);
    }

    // The user clicks box `id`, which then shows `ticked`.
    void click(int id, bool ticked)
    {
        setGadgetState(id, ticked ? 1 : 0);
        control(id);
    }

    std::filesystem::path home() const { return folder() / "home"; }
    std::string mimeapps() const { return readFile(home() / ".config" / "mimeapps.list"); }
    std::vector<std::string> zipList(const char *group) const
    {
        return operations::mimeappsEntries(mimeapps(), group, "application/zip");
    }
    std::filesystem::path entry() const { return home() / ".local" / "share" / "applications" / "zarvon.desktop"; }

    std::vector<std::pair<std::string, std::string>> saved_;
};

TEST_F(IntegrationBoxesTest, ZipBoxTickedAndClearedSetsAndRemovesTheDefault)
{
    click(ids::ChkBoxZip, true);
    EXPECT_EQ(zipList("Default Applications"), std::vector<std::string>{"zarvon.desktop"});
    ASSERT_TRUE(std::filesystem::exists(entry()));
    EXPECT_NE(readFile(entry()).find("Exec=" + (folder() / "program" / "zarvon").string() + " %f"), std::string::npos);
    EXPECT_EQ(getGadgetState(ids::ChkBoxZip), 1);

    click(ids::ChkBoxZip, false);
    EXPECT_TRUE(zipList("Default Applications").empty());
    EXPECT_FALSE(std::filesystem::exists(entry()));
    EXPECT_EQ(getGadgetState(ids::ChkBoxZip), 0);
}

TEST_F(IntegrationBoxesTest, IntegrationBoxAddsAChoiceNamedByTheSystemLanguage)
{
    setSystemLocale("fr_FR.UTF-8");
    click(ids::ChkBoxIntegration, true);
    EXPECT_EQ(zipList("Added Associations"), std::vector<std::string>{"zarvon.desktop"});
    EXPECT_TRUE(zipList("Default Applications").empty());
    EXPECT_NE(readFile(entry()).find("Name=Ouvrir avec Zarvon"), std::string::npos);
    click(ids::ChkBoxIntegration, false);
    EXPECT_TRUE(zipList("Added Associations").empty());
    EXPECT_FALSE(std::filesystem::exists(entry()));
}

TEST_F(IntegrationBoxesTest, ShortcutBoxPutsAnExecutableLauncherOnTheDesktop)
{
    click(ids::ChkBoxShortcut, true);
    const auto launcher = home() / "Desktop" / "Zarvon.desktop";
    struct stat info {};
    ASSERT_EQ(::stat(launcher.c_str(), &info), 0);
    EXPECT_TRUE(info.st_mode & S_IXUSR);
    click(ids::ChkBoxShortcut, false);
    EXPECT_FALSE(std::filesystem::exists(launcher));
}

TEST_F(IntegrationBoxesTest, AFailureIsToldAndTheBoxShowsWhatIsReallyThere)
{
    // The desktop folder cannot be made: a file has its name.
    writeFile("home/Desktop", "in the way");
    expectDialog(ScriptStep{DialogKind::Message, "Zarvon", "",
                            "Impossible de modifier l'intégration à l'environnement :", MessageIcon::Error, false});
    click(ids::ChkBoxShortcut, true);
    EXPECT_EQ(getGadgetState(ids::ChkBoxShortcut), 0);
    ASSERT_EQ(shownDialogs().size(), 1u);
    EXPECT_NE(shownDialogs()[0].text.find((home() / "Desktop").string()), std::string::npos);
    EXPECT_NE(shownDialogs()[0].text.find("Not a directory"), std::string::npos) << shownDialogs()[0].text;

    // mimeapps.list cannot be replaced (a folder has its name): the tick goes.
    std::filesystem::create_directories(home() / ".config" / "mimeapps.list");
    expectDialog(ScriptStep{DialogKind::Message, "Zarvon", "", "mimeapps.list", MessageIcon::Error, false});
    click(ids::ChkBoxZip, true);
    EXPECT_EQ(getGadgetState(ids::ChkBoxZip), 0);
    EXPECT_EQ(unusedSteps(), 0);
}

TEST_F(IntegrationBoxesTest, TheSettingsKeepTheBoxesAsTheyWereLeft)
{
    click(ids::ChkBoxShortcut, true);
    control(ids::BtConfigOk);
    EXPECT_NE(ini().find("DesktopShortcut = 1"), std::string::npos);
    EXPECT_NE(ini().find("ZipType = 0"), std::string::npos);
}

} // namespace
