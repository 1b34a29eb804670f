// Pictures of the main window in each form, with and without an archive, in
// French and in English, written under build/screenshots/ to be looked at;
// each is also checked for cut captions and controls outside the window.
#include <QImage>

#include "support/program_fixture.h"
#include "support/window_checks.h"

using namespace zarvon;
using namespace zarvon::platform;
using zarvon::testing::ProgramTest;

namespace {

struct Shot {
    const char *form;     // "pictures", "captions", "plain"
    const char *language; // "fr", "en"
    bool archive;
};

// How a shot reads in test listings, instead of its raw bytes.
void PrintTo(const Shot &shot, std::ostream *out)
{
    *out << shot.form << ' ' << shot.language << (shot.archive ? " with an archive" : "");
}

class ScreenshotTest : public ProgramTest, public ::testing::WithParamInterface<Shot> {
protected:
    void SetUp() override { ProgramTest::SetUp(); }
    void TearDown() override { ProgramTest::TearDown(); }
};

TEST_P(ScreenshotTest, MainWindow)
{
    const Shot shot = GetParam();
    const bool english = std::string(shot.language) == "en";
    const std::string form = shot.form;
    writeStandardIni({{"General/ShowTextButton", form == "captions" ? "1" : "0"},
                      {"View/ToolBar", form == "plain" ? "0" : "1"},
                      {"View/FrenchLanguage", english ? "0" : "1"},
                      {"View/EnglishLanguage", english ? "1" : "0"},
                      {"Window/WindowHeight", "500"},
                      {"Window/WindowWith", "700"}});
    writeFile("home/Documents/letter.txt", "x");
    writeFile("home/Photos/p.jpg", "x");
    writeFile("home/notes.txt", "some notes");
    std::string zip = makeZip("home/holiday.zip", {{"photos/beach.jpg", "b"}, {"photos/", ""}, {"readme.txt", "r"}});
    std::vector<std::string> arguments;
    if (shot.archive)
        arguments.push_back(zip);
    ASSERT_TRUE(start(arguments));
    setGadgetItemState(ids::ExplorerList, explorerItem("notes.txt"), ItemSelected);
    control(ids::ExplorerList, EventSubtype::Change);
    processSystemEvents(50);
    const std::filesystem::path out = std::filesystem::path(ZARVON_BIN_DIR).parent_path() / "screenshots";
    std::filesystem::create_directories(out);
    const std::string name =
        std::string("main_") + shot.form + "_" + shot.language + (shot.archive ? "_archive" : "") + ".png";
    const std::string file = (out / name).string();
    ASSERT_TRUE(saveWindowPicture(ids::WindowMain, file));
    const QImage picture(QString::fromStdString(file));
    EXPECT_GE(picture.width(), windowWidth(ids::WindowMain));
    EXPECT_GE(picture.height(), windowHeight(ids::WindowMain));
    zarvon::testing::expectNothingClipped(ids::WindowMain, name);
}

std::string shotName(const ::testing::TestParamInfo<Shot> &info)
{
    return std::string(info.param.form) + "_" + info.param.language + (info.param.archive ? "_archive" : "");
}

INSTANTIATE_TEST_SUITE_P(EachForm, ScreenshotTest,
                         ::testing::Values(Shot{"pictures", "fr", false}, Shot{"pictures", "en", false},
                                           Shot{"pictures", "fr", true}, Shot{"pictures", "en", true},
                                           Shot{"captions", "fr", false}, Shot{"captions", "en", false},
                                           Shot{"captions", "fr", true}, Shot{"captions", "en", true},
                                           Shot{"plain", "fr", false}, Shot{"plain", "en", false},
                                           Shot{"plain", "fr", true}, Shot{"plain", "en", true}),
                         shotName);

} // namespace
