// The integration boxes on a freedesktop desktop, in a temporary home: the
// user's mimeapps.list, the desktop entry and the desktop launcher, read back
// by parsing and by the desktop's own xdg-mime.
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "operations/desktop_integration.h"

namespace zarvon::operations {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

class DesktopIntegrationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "zarvon-desktop-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        home_ = pattern;
        for (const char *name : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_DATA_DIRS", "XDG_CURRENT_DESKTOP",
                                 "DE", "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID", "DESKTOP_SESSION"}) {
            const char *value = std::getenv(name);
            saved_.push_back({name, value ? std::optional<std::string>(value) : std::nullopt});
            ::unsetenv(name);
        }
        ::setenv("HOME", home_.c_str(), 1);
        // No system entries: only what the test writes can answer.
        ::setenv("XDG_DATA_DIRS", (home_ / "system").c_str(), 1);
    }

    void TearDown() override
    {
        for (const auto &[name, value] : saved_) {
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
        std::error_code ignored;
        fs::remove_all(home_, ignored);
    }

    FreedesktopIntegration integration(const std::string &fileName = "zarvon", bool french = false)
    {
        const std::string folder = (home_ / "opt" / "Zarvon Tools").string() + "/";
        return FreedesktopIntegration(ProgramIdentity{folder + fileName, folder, fileName, french},
                                      userFoldersFromEnvironment());
    }

    static std::string read(const fs::path &path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    void write(const fs::path &path, const std::string &text)
    {
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }

    fs::path mimeapps() const { return home_ / ".config" / "mimeapps.list"; }
    fs::path entry(const std::string &id = "zarvon.desktop") const
    {
        return home_ / ".local" / "share" / "applications" / id;
    }

    // What the desktop's own tool answers; nullopt when it is not installed.
    static std::optional<std::string> xdgMimeDefault()
    {
        if (std::system("command -v xdg-mime >/dev/null 2>&1") != 0)
            return std::nullopt;
        std::unique_ptr<FILE, int (*)(FILE *)> pipe(::popen("xdg-mime query default application/zip 2>/dev/null", "r"),
                                                    ::pclose);
        std::string out;
        std::array<char, 256> buffer{};
        while (pipe && std::fgets(buffer.data(), int(buffer.size()), pipe.get()))
            out += buffer.data();
        while (!out.empty() && (out.back() == '\n' || out.back() == ' '))
            out.pop_back();
        return out;
    }

    fs::path home_;
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(DesktopIntegrationTest, ZipBoxMakesTheProgramTheDefaultAndClearingRemovesExactlyThat)
{
    write(mimeapps(), "# mine\n[Default Applications]\ntext/plain=editor.desktop;\napplication/zip=other.desktop;\n\n"
                      "[Added Associations]\nimage/png=viewer.desktop;\n");
    auto z = integration();
    IntegrationFailure failure;
    ASSERT_TRUE(z.apply(IntegrationBox::ZipDefault, true, failure)) << failure.path;
    const std::string text = read(mimeapps());
    EXPECT_EQ(mimeappsEntries(text, "Default Applications", "application/zip"),
              (Strings{"zarvon.desktop", "other.desktop"}));
    EXPECT_TRUE(z.isApplied(IntegrationBox::ZipDefault));
    EXPECT_FALSE(z.isApplied(IntegrationBox::OpenWith));
    const std::string desktopEntry = read(entry());
    EXPECT_NE(desktopEntry.find("Exec=\"" + (home_ / "opt" / "Zarvon Tools" / "zarvon").string() + "\" %f\n"),
              std::string::npos)
        << desktopEntry;
    EXPECT_NE(desktopEntry.find("MimeType=application/zip;\n"), std::string::npos);
    EXPECT_NE(desktopEntry.find("NoDisplay=true\n"), std::string::npos);
    // The desktop picks the comment of its own session's language.
    EXPECT_NE(
        desktopEntry.find("Comment=Zip files associated with Zarvon\nComment[fr]=Fichiers zip associés à Zarvon\n"),
        std::string::npos);
    if (std::system("command -v desktop-file-validate >/dev/null 2>&1") == 0) {
        EXPECT_EQ(std::system(("desktop-file-validate '" + entry().string() + "'").c_str()), 0);
    }
    if (auto answer = xdgMimeDefault()) {
        EXPECT_EQ(*answer, "zarvon.desktop");
    }

    ASSERT_TRUE(z.apply(IntegrationBox::ZipDefault, false, failure)) << failure.path;
    const std::string after = read(mimeapps());
    EXPECT_EQ(after, "# mine\n[Default Applications]\ntext/plain=editor.desktop;\napplication/zip=other.desktop;\n\n"
                     "[Added Associations]\nimage/png=viewer.desktop;\n");
    EXPECT_FALSE(fs::exists(entry()));
    EXPECT_FALSE(z.isApplied(IntegrationBox::ZipDefault));
}

TEST_F(DesktopIntegrationTest, ZipBoxOnAFreshHomeIsWhatXdgMimeAnswers)
{
    auto z = integration();
    IntegrationFailure failure;
    if (!xdgMimeDefault())
        GTEST_SKIP() << "xdg-mime (xdg-utils) is not installed";
    EXPECT_EQ(*xdgMimeDefault(), "");
    ASSERT_TRUE(z.apply(IntegrationBox::ZipDefault, true, failure));
    EXPECT_EQ(*xdgMimeDefault(), "zarvon.desktop");
    ASSERT_TRUE(z.apply(IntegrationBox::ZipDefault, false, failure));
    EXPECT_EQ(*xdgMimeDefault(), "");
    EXPECT_TRUE(mimeappsEntries(read(mimeapps()), "Default Applications", "application/zip").empty());
}

TEST_F(DesktopIntegrationTest, IntegrationBoxOffersTheProgramWithoutMakingItTheDefault)
{
    write(mimeapps(), "[Default Applications]\napplication/zip=other.desktop;\n\n"
                      "[Removed Associations]\napplication/zip=zarvon.desktop;\n");
    write(entry("other.desktop"), "[Desktop Entry]\nType=Application\nName=Other\nExec=other %f\n"
                                  "MimeType=application/zip;\n");
    auto z = integration("zarvon", true);
    IntegrationFailure failure;
    ASSERT_TRUE(z.apply(IntegrationBox::OpenWith, true, failure));
    const std::string text = read(mimeapps());
    EXPECT_EQ(mimeappsEntries(text, "Added Associations", "application/zip"), (Strings{"zarvon.desktop"}));
    EXPECT_EQ(mimeappsEntries(text, "Default Applications", "application/zip"), (Strings{"other.desktop"}));
    // Taken out of the choices before: ticking puts it back.
    EXPECT_TRUE(mimeappsEntries(text, "Removed Associations", "application/zip").empty());
    const std::string desktopEntry = read(entry());
    EXPECT_NE(desktopEntry.find("Actions=explore;\n"), std::string::npos);
    EXPECT_NE(desktopEntry.find("[Desktop Action explore]\nName=Ouvrir avec Zarvon\n"), std::string::npos);
    EXPECT_TRUE(z.isApplied(IntegrationBox::OpenWith));
    EXPECT_FALSE(z.isApplied(IntegrationBox::ZipDefault));
    // The user's default stays the default.
    if (auto answer = xdgMimeDefault()) {
        EXPECT_EQ(*answer, "other.desktop");
    }

    ASSERT_TRUE(z.apply(IntegrationBox::OpenWith, false, failure));
    EXPECT_TRUE(mimeappsEntries(read(mimeapps()), "Added Associations", "application/zip").empty());
    EXPECT_FALSE(fs::exists(entry()));
}

TEST_F(DesktopIntegrationTest, IntegrationBoxGivesTheFileManagersTheirActionsAndTakesBackOnlyItsOwn)
{
    const fs::path data = home_ / ".local" / "share";
    // The user's own action of the same name as one of the program's.
    write(data / "nemo/actions/zarvon-compress.nemo_action", "[Nemo Action]\nName=Mine\n");
    auto z = integration();
    IntegrationFailure failure;
    ASSERT_TRUE(z.apply(IntegrationBox::OpenWith, true, failure));
    const std::string menu = read(data / "kio/servicemenus/zarvon-extract.desktop");
    EXPECT_NE(menu.find("Exec=\"" + (home_ / "opt/Zarvon Tools/zarvon").string() + "\" --extract-here %F\n"),
              std::string::npos)
        << menu;
    EXPECT_TRUE((fs::status(data / "kio/servicemenus/zarvon-extract.desktop").permissions() & fs::perms::owner_exec) !=
                fs::perms::none);
    EXPECT_NE(read(data / "file-manager/actions/zarvon-extract-here.desktop").find("Name[fr]=Extraire ici\n"),
              std::string::npos);
    ASSERT_TRUE(z.apply(IntegrationBox::OpenWith, false, failure));
    EXPECT_FALSE(fs::exists(data / "kio/servicemenus/zarvon-extract.desktop"));
    EXPECT_FALSE(fs::exists(data / "file-manager/actions/zarvon-extract-here.desktop"));
    EXPECT_FALSE(fs::exists(data / "nemo/actions/zarvon-extract-to.nemo_action"));
    // Ticking wrote over it; the box's clearing leaves a file the user
    // writes back alone.
    write(data / "nemo/actions/zarvon-compress.nemo_action", "[Nemo Action]\nName=Mine\n");
    ASSERT_TRUE(z.apply(IntegrationBox::OpenWith, false, failure));
    EXPECT_EQ(read(data / "nemo/actions/zarvon-compress.nemo_action"), "[Nemo Action]\nName=Mine\n");
}

TEST_F(DesktopIntegrationTest, TheEntryStaysWhileEitherAssociationNeedsIt)
{
    auto z = integration();
    IntegrationFailure failure;
    ASSERT_TRUE(z.apply(IntegrationBox::ZipDefault, true, failure));
    ASSERT_TRUE(z.apply(IntegrationBox::OpenWith, true, failure));
    ASSERT_TRUE(z.apply(IntegrationBox::OpenWith, false, failure));
    ASSERT_TRUE(fs::exists(entry()));
    // The verb goes with the choice it belongs to.
    EXPECT_EQ(read(entry()).find("[Desktop Action"), std::string::npos);
    EXPECT_TRUE(z.isApplied(IntegrationBox::ZipDefault));
    ASSERT_TRUE(z.apply(IntegrationBox::ZipDefault, false, failure));
    EXPECT_FALSE(fs::exists(entry()));
}

TEST_F(DesktopIntegrationTest, ClearingRemovesWhatTheRenamedProgramWroteAndNeverTheUsersOwnEntry)
{
    auto renamed = integration("Zarvon 2");
    EXPECT_EQ(renamed.desktopEntryId(), "Zarvon-2.desktop");
    IntegrationFailure failure;
    ASSERT_TRUE(renamed.apply(IntegrationBox::OpenWith, true, failure));
    ASSERT_TRUE(fs::exists(entry("Zarvon-2.desktop")));
    ASSERT_TRUE(renamed.apply(IntegrationBox::OpenWith, false, failure));
    EXPECT_FALSE(fs::exists(entry("Zarvon-2.desktop")));
    EXPECT_TRUE(mimeappsEntries(read(mimeapps()), "Added Associations", "application/zip").empty());

    write(entry(), "[Desktop Entry]\nType=Application\nName=Mine\nExec=mine\n");
    auto z = integration();
    ASSERT_TRUE(z.apply(IntegrationBox::ZipDefault, false, failure));
    EXPECT_TRUE(fs::exists(entry()));
}

TEST_F(DesktopIntegrationTest, ShortcutGoesToTheUsersDesktopFolderAndIsExecutable)
{
    write(home_ / ".config" / "user-dirs.dirs", "# made by xdg-user-dirs\nXDG_DESKTOP_DIR=\"$HOME/Bureau\"\n");
    auto z = integration();
    EXPECT_EQ(z.launcherPath(), (home_ / "Bureau" / "Zarvon.desktop").string());
    IntegrationFailure failure;
    ASSERT_TRUE(z.apply(IntegrationBox::DesktopShortcut, true, failure));
    ASSERT_TRUE(z.apply(IntegrationBox::DesktopShortcut, true, failure)); // overwrites the same launcher
    struct stat info {};
    ASSERT_EQ(::stat(z.launcherPath().c_str(), &info), 0);
    EXPECT_TRUE(info.st_mode & S_IXUSR);
    const std::string text = read(z.launcherPath());
    EXPECT_NE(text.find("Comment=Zarvon is an archiver\nComment[fr]=Zarvon est un Archiveur\n"), std::string::npos);
    EXPECT_NE(text.find("Path=" + (home_ / "opt" / "Zarvon Tools").string() + "/\n"), std::string::npos);
    EXPECT_TRUE(z.isApplied(IntegrationBox::DesktopShortcut));
    if (std::system("command -v desktop-file-validate >/dev/null 2>&1") == 0) {
        EXPECT_EQ(std::system(("desktop-file-validate '" + z.launcherPath() + "'").c_str()), 0);
    }
    EXPECT_EQ(fs::directory_iterator(home_ / "Bureau")->path().filename(), "Zarvon.desktop");

    ASSERT_TRUE(z.apply(IntegrationBox::DesktopShortcut, false, failure));
    EXPECT_FALSE(fs::exists(z.launcherPath()));
    // Clearing when there is none does nothing and succeeds.
    EXPECT_TRUE(z.apply(IntegrationBox::DesktopShortcut, false, failure));
}

TEST_F(DesktopIntegrationTest, FailuresNameTheFileAndTheSystemsReason)
{
    // The configuration folder is a file: mimeapps.list cannot be written.
    write(home_ / ".config", "not a folder");
    auto z = integration();
    IntegrationFailure failure;
    EXPECT_FALSE(z.apply(IntegrationBox::ZipDefault, true, failure));
    EXPECT_NE(failure.path.find(".config"), std::string::npos) << failure.path;
    EXPECT_NE(failure.sysErrno, 0);
    EXPECT_FALSE(z.isApplied(IntegrationBox::ZipDefault));

    write(home_ / "Desktop", "not a folder");
    IntegrationFailure shortcutFailure;
    EXPECT_FALSE(z.apply(IntegrationBox::DesktopShortcut, true, shortcutFailure));
    EXPECT_NE(shortcutFailure.sysErrno, 0);
    EXPECT_FALSE(z.isApplied(IntegrationBox::DesktopShortcut));
}

TEST_F(DesktopIntegrationTest, UserFoldersFollowTheBaseDirectoryRules)
{
    ::setenv("XDG_DATA_HOME", "relative/data", 1);
    ::setenv("XDG_CONFIG_HOME", (home_ / "cfg/").c_str(), 1);
    const UserFolders folders = userFoldersFromEnvironment();
    EXPECT_EQ(folders.dataHome, (home_ / ".local" / "share").string());
    EXPECT_EQ(folders.configHome, (home_ / "cfg").string());
    EXPECT_EQ(folders.desktop, (home_ / "Desktop").string());
}

TEST(MimeappsTextTest, SettingAListKeepsEveryOtherLine)
{
    const std::string text = "[Added Associations]\n# note\ntext/plain=a.desktop;\n\n[Default Applications]\nx/y=b;\n";
    EXPECT_EQ(setMimeappsEntries(text, "Added Associations", "application/zip", {"z.desktop"}),
              "[Added Associations]\n# note\ntext/plain=a.desktop;\napplication/zip=z.desktop;\n\n"
              "[Default Applications]\nx/y=b;\n");
    EXPECT_EQ(setMimeappsEntries(text, "Default Applications", "x/y", {}),
              "[Added Associations]\n# note\ntext/plain=a.desktop;\n\n[Default Applications]\n");
    EXPECT_EQ(setMimeappsEntries("", "Default Applications", "application/zip", {"z.desktop", "o.desktop"}),
              "[Default Applications]\napplication/zip=z.desktop;o.desktop;\n");
    // A key of the same name in another group is not this group's.
    EXPECT_TRUE(mimeappsEntries(text, "Default Applications", "text/plain").empty());
    EXPECT_EQ(mimeappsEntries("[Default Applications]\r\napplication/zip = a;;b\r\n", "Default Applications",
                              "application/zip"),
              (Strings{"a", "b"}));
}

TEST(DesktopExecTest, ArgumentsAreQuotedAndEscapedForTheEntry)
{
    EXPECT_EQ(desktopExecArgument("/usr/bin/zarvon"), "/usr/bin/zarvon");
    EXPECT_EQ(desktopExecArgument("/opt/my tools/zarvon"), "\"/opt/my tools/zarvon\"");
    EXPECT_EQ(desktopExecArgument("/opt/100%/zarvon"), "/opt/100%%/zarvon");
    // "$" is escaped inside the quotes, and that backslash again for the entry.
    EXPECT_EQ(desktopExecArgument("/opt/$x/z"), "\"/opt/\\\\$x/z\"");
    EXPECT_EQ(desktopExecArgument("/opt/a\"b/z"), "\"/opt/a\\\\\"b/z\"");
}

} // namespace
} // namespace zarvon::operations
