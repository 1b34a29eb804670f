// Which program opens the configuration file, on a desktop made of a fake
// search path (stub scripts in place of xdg-mime, editors and terminals) and
// a fake data folder holding the desktop entries.
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "operations/text_editor.h"

namespace zarvon::operations {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

class TextEditorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "zarvon-editor-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        fs::create_directories(bin());
        environment_.searchPath = "/nowhere:" + bin();
        environment_.dataFolders = {(root_ / "data").string()};
    }
    void TearDown() override { fs::remove_all(root_); }

    std::string bin() const { return (root_ / "bin").string(); }
    std::string program(const std::string &name, const std::string &body = "exit 0")
    {
        const std::string path = bin() + "/" + name;
        std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
        ::chmod(path.c_str(), 0755);
        return path;
    }
    // The desktop's default for text/plain: the entry `id`, with `lines`.
    void defaultApplication(const std::string &id, const std::string &lines)
    {
        program("xdg-mime", "[ \"$*\" = 'query default text/plain' ] && echo " + id);
        fs::create_directories(root_ / "data" / "applications");
        std::ofstream(root_ / "data" / "applications" / id) << "[Desktop Entry]\nType=Application\n"
                                                            << lines << "[Desktop Action New]\nExec=wrong\n";
    }

    fs::path root_;
    EditorEnvironment environment_;
};

TEST_F(TextEditorTest, DesktopDefaultApplicationOpensTheFile)
{
    const std::string pad = program("pad");
    defaultApplication("pad.desktop", "Exec=pad --new-window %U %i\nTerminal=false\n");
    EXPECT_EQ(defaultTextApplication(environment_), "pad.desktop");
    const EditorCommand command = chooseTextEditor("/cfg/Zarvon.ini", environment_);
    EXPECT_EQ(command.kind, EditorKind::DesktopDefault);
    EXPECT_EQ(command.arguments, (Strings{pad, "--new-window", "/cfg/Zarvon.ini"}));

    // Its program gone, and no terminal for the user's editor: nothing opens it.
    fs::remove(pad);
    environment_.visual = program("vi");
    EXPECT_EQ(chooseTextEditor("/cfg/Zarvon.ini", environment_).kind, EditorKind::None);
}

TEST_F(TextEditorTest, TextModeProgramsNeedATerminal)
{
    const std::string vim = program("vim");
    defaultApplication("vim.desktop", "Exec=vim %F\nTerminal=true\n");
    environment_.editor = "vim";
    EXPECT_EQ(chooseTextEditor("/cfg/Zarvon.ini", environment_).kind, EditorKind::None);

    const std::string xterm = program("xterm");
    EXPECT_EQ(chooseTextEditor("/cfg/Zarvon.ini", environment_).arguments,
              (Strings{xterm, "-e", vim, "/cfg/Zarvon.ini"}));

    // Without a default application: $VISUAL when found, else $EDITOR, with its options.
    fs::remove(bin() + "/xdg-mime");
    environment_.visual = "missing-editor";
    environment_.editor = "vim -n";
    const std::string debianTerminal = program("x-terminal-emulator");
    const EditorCommand command = chooseTextEditor("/cfg/Zarvon.ini", environment_);
    EXPECT_EQ(command.kind, EditorKind::TerminalEditor);
    EXPECT_EQ(command.arguments, (Strings{debianTerminal, "-e", vim, "-n", "/cfg/Zarvon.ini"}));
}

TEST(DesktopExecArguments, UndoQuotingAndFieldCodes)
{
    EXPECT_EQ(desktopExecArguments(R"("/opt/my pad/pad" --title="a \"b\"" %% --file=%f)", "/x y"),
              (Strings{"/opt/my pad/pad", "--title=a \"b\"", "%", "--file=/x y"}));
    EXPECT_EQ(desktopExecArguments("pad %k", "/f"), (Strings{"pad", "/f"}));
}

} // namespace
} // namespace zarvon::operations
