#include "base/paths.h"

#include <cstdlib>
#include <optional>
#include <string>

#include <gtest/gtest.h>

namespace zarvon::base {
namespace {

// Sets HOME for one test and puts the old value back.
class HomeVariable {
public:
    explicit HomeVariable(const char *value)
    {
        if (const char *old = std::getenv("HOME"))
            old_ = old;
        if (value)
            ::setenv("HOME", value, 1);
        else
            ::unsetenv("HOME");
    }
    ~HomeVariable()
    {
        if (old_)
            ::setenv("HOME", old_->c_str(), 1);
        else
            ::unsetenv("HOME");
    }

private:
    std::optional<std::string> old_;
};

TEST(HomeFolder, EndsWithOneSlashAndFallsBackToTheRoot)
{
    {
        HomeVariable home("/home/ana");
        EXPECT_EQ(homeFolder(), "/home/ana/");
    }
    {
        HomeVariable home("/home/ana/");
        EXPECT_EQ(homeFolder(), "/home/ana/");
    }
    {
        HomeVariable home("");
        EXPECT_EQ(homeFolder(), "/");
    }
    {
        HomeVariable home(nullptr);
        EXPECT_EQ(homeFolder(), "/");
    }
}

TEST(PathSplit, FolderAndLastComponentMakeThePathAgain)
{
    for (const char *path : {"/a/b.zip", "/a/", "/", "", "b.zip", "a/b/c", "//x", "/a.d/"}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(parentFolder(path) + lastPathComponent(path), path);
    }
    EXPECT_EQ(lastPathComponent("/home/ana/b.zip"), "b.zip");
    EXPECT_EQ(lastPathComponent("b.zip"), "b.zip");
    EXPECT_EQ(lastPathComponent("/home/ana/"), "");
    EXPECT_EQ(parentFolder("/home/ana/b.zip"), "/home/ana/");
    EXPECT_EQ(parentFolder("/b.zip"), "/");
    EXPECT_EQ(parentFolder("b.zip"), "");
}

TEST(PathSplit, BackslashSeparatesOnlyWhenAsked)
{
    // On this system a backslash is an ordinary letter of a file name.
    EXPECT_EQ(lastPathComponent("/tmp/a\\b.txt"), "a\\b.txt");
    EXPECT_EQ(lastPathComponent("docs\\a\\b.txt", "/\\"), "b.txt");
    EXPECT_EQ(lastPathComponent("docs/a\\b.txt", "/\\"), "b.txt");
    EXPECT_EQ(lastPathComponent("docs\\", "/\\"), "");
}

TEST(PathExtension, IsTakenFromTheLastComponentOnly)
{
    EXPECT_EQ(pathExtension("/home/ana/archive.zip"), "zip");
    EXPECT_EQ(pathExtension("archive.tar.gz"), "gz");
    EXPECT_EQ(pathExtension("Archive.ZIP"), "ZIP");
    // A dot in a folder's name is not the file's extension.
    EXPECT_EQ(pathExtension("/home/ana/v1.2/README"), "");
    EXPECT_EQ(pathExtension("/home/ana.zip/"), "");
    EXPECT_EQ(pathExtension("name."), "");
    EXPECT_EQ(pathExtension(".profile"), "profile");
    EXPECT_EQ(pathExtension(""), "");
}

TEST(JoinPath, PutsExactlyOneSlashBetween)
{
    EXPECT_EQ(joinPath("/a", "b"), "/a/b");
    EXPECT_EQ(joinPath("/a/", "b"), "/a/b");
    EXPECT_EQ(joinPath("/a/", "/b"), "/a/b");
    EXPECT_EQ(joinPath("/", "b"), "/b");
    EXPECT_EQ(joinPath("", "b"), "b");
    EXPECT_EQ(joinPath("/a", ""), "/a");
    EXPECT_EQ(withTrailingSlash("/a"), "/a/");
    EXPECT_EQ(withTrailingSlash("/a/"), "/a/");
}

} // namespace
} // namespace zarvon::base
