// The information sheet as the user reaches it: a file selected in the
// explorer list, the File menu or the toolbar, the values shown, Ok.
#include <QAbstractButton>
#include <QLabel>

#include <utime.h>

#include <ctime>

#include "support/explorer_clicks.h"
#include "support/program_fixture.h"
#include "support/workflow_fixture.h"
#include "rar/rar.h"
#include "ui/information.h"
#include "ui/platform/qt_access.h"

namespace zarvon::testing {
namespace {

namespace pf = zarvon::platform;
namespace fs = std::filesystem;

enum Row { Name, Count, Protection, Original, Method, Compressed, Created, Modified };

class InformationWorkflowTest : public ProgramTest {
protected:
    void english() { writeStandardIni({{"View/FrenchLanguage", "0"}, {"View/EnglishLanguage", "1"}}); }

    void select(const std::vector<std::string> &names)
    {
        for (const auto &name : names) {
            const int item = explorerItem(name);
            ASSERT_GE(item, 0) << name;
            pf::setGadgetItemState(ids::ExplorerList, item, pf::ItemSelected);
        }
        pump();
    }
    std::string value(Row row) { return ui::informationValue(row); }

    // A ZIP made by Python with one method per entry, in order, then the
    // folder entries named.
    std::string pythonZip(const std::string &name, const std::vector<bool> &deflated,
                          const std::vector<std::string> &folders = {})
    {
        const fs::path zip = folder() / "a" / name;
        fs::create_directories(zip.parent_path());
        std::string script = "import zipfile\nwith zipfile.ZipFile('" + zip.string() + "', 'w') as z:\n";
        for (std::size_t i = 0; i < deflated.size(); ++i)
            script += "    z.writestr('f" + std::to_string(i) + ".txt', 'x' * 1700, " +
                      (deflated[i] ? "zipfile.ZIP_DEFLATED" : "zipfile.ZIP_STORED") + ")\n";
        for (const auto &folder : folders)
            script += "    z.writestr(zipfile.ZipInfo('" + folder + "'), '')\n";
        writeFile("make.py", script);
        const auto made = runCommand("python3 " + quoted((folder() / "make.py").string()));
        EXPECT_EQ(made.status, 0) << made.output;
        return zip.string();
    }

    // Sets the file's modification time to that local date, at noon.
    static void setLocalDate(const std::string &path, int year, int month, int day)
    {
        struct tm fields {};
        fields.tm_year = year - 1900;
        fields.tm_mon = month - 1;
        fields.tm_mday = day;
        fields.tm_hour = 12;
        fields.tm_isdst = -1;
        const std::time_t when = std::mktime(&fields);
        struct utimbuf times {
            when, when
        };
        ASSERT_EQ(::utime(path.c_str(), &times), 0);
    }
};

TEST_F(InformationWorkflowTest, ZipValuesInFrenchThroughTheMenu)
{
    writeStandardIni();
    const std::string zip = pythonZip("DATA.ZIP", {false, false, true});
    setLocalDate(zip, 2007, 3, 5);
    ASSERT_TRUE(start());
    showFolder(folder() / "a");
    select({"DATA.ZIP"});
    menu(ids::MenuInfoZip);
    ASSERT_TRUE(pf::isWindowVisible(ids::WindowInfoArchive)) << "the extension is compared without case";
    EXPECT_EQ(pf::getWindowTitle(ids::WindowInfoArchive), "Information sur l'archive");
    EXPECT_EQ(value(Name), "DATA.ZIP");
    EXPECT_EQ(value(Count), "3 Fichier(s)");
    EXPECT_EQ(value(Protection), "Archive Non Cryptée");
    EXPECT_EQ(value(Original), "5 Ko") << "3 x 1700 bytes";
    EXPECT_EQ(value(Method), "Stocké, Deflate") << "every method used, in the order of first use";
    EXPECT_EQ(value(Compressed), ui::kilobyteText(fs::file_size(zip)));
    EXPECT_EQ(value(Modified), "Lundi 5/3/2007 12:00:00") << "the modification time, not the last access";
    auto *label = qobject_cast<QLabel *>(pf::gadgetWidget(ids::InfoValueFirst));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(0xE6, 0x11, 0x01));
    auto *ok = qobject_cast<QAbstractButton *>(pf::gadgetWidget(ids::BtOkWindowInfo));
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text().toStdString(), "Ok");
    ok->click();
    pump();
    EXPECT_FALSE(pf::isWindow(ids::WindowInfoArchive));
}

TEST_F(InformationWorkflowTest, ZipValuesInEnglishThroughTheToolbar)
{
    english();
    const std::string zip = pythonZip("data.zip", {true, true}, {"docs/", "docs/old/"});
    setLocalDate(zip, 2007, 3, 5);
    pythonZip("flat.zip", {false});
    ASSERT_TRUE(start());
    showFolder(folder() / "a");
    clickExplorerRow("data.zip");
    QTest::mouseClick(pf::toolBarButtonWidget(ids::ToolBarMain, ui::toolBarButtonId(ui::ToolButton::Info)),
                      Qt::LeftButton);
    pump();
    ASSERT_TRUE(pf::isWindowVisible(ids::WindowInfoArchive));
    EXPECT_EQ(value(Count), "2 File(s), 2 Folder(s)") << "folders are not files";
    EXPECT_EQ(value(Protection), "Not Crypt");
    EXPECT_EQ(value(Method), "Deflate") << "folders are stored whatever packs the files";
    EXPECT_EQ(value(Original), "3 KB");
    EXPECT_EQ(value(Modified), "Monday 3/5/2007 12:00:00");
    clickExplorerRow("flat.zip");
    menu(ids::MenuInfoZip);
    EXPECT_EQ(value(Count), "1 File(s)");
    EXPECT_EQ(value(Method), "Stored (no compression)");
}

TEST_F(InformationWorkflowTest, EncryptedFirstEntryInBothLanguages)
{
    writeFile("c/secret.txt", "secret");
    fs::create_directories(folder() / "a");
    const auto made = runCommand("cd " + quoted((folder() / "c").string()) + " && zip -q -P pw " +
                                 quoted((folder() / "a/locked.zip").string()) + " secret.txt");
    ASSERT_EQ(made.status, 0) << made.output;
    writeStandardIni();
    ASSERT_TRUE(start());
    showFolder(folder() / "a");
    select({"locked.zip"});
    menu(ids::MenuInfoZip);
    EXPECT_EQ(value(Protection), "Archive Cryptée (ZIP 2.0)");
    writeStandardIni({{"View/FrenchLanguage", "0"}, {"View/EnglishLanguage", "1"}});
    menu(ids::MenuInfoZip);
    EXPECT_EQ(value(Protection), "Encrypted Zip (ZIP 2.0)") << "the setting is read afresh";
}

TEST_F(InformationWorkflowTest, SizesRoundToTheNearestWithTiesToEvenAndUnreadableFieldsStayBlank)
{
    writeStandardIni();
    writeFile("a/s1499.zip", std::string(1499, 'z'));
    writeFile("a/s1500.zip", std::string(1500, 'z'));
    writeFile("a/s2500.7z", std::string(2500, 'z'));
    ASSERT_TRUE(start());
    showFolder(folder() / "a");
    for (const auto &[name, size] : std::vector<std::pair<std::string, std::string>>{
             {"s1499.zip", "1 Ko"}, {"s1500.zip", "2 Ko"}, {"s2500.7z", "2 Ko"}}) {
        for (int i = 0; i < pf::countGadgetItems(ids::ExplorerList); ++i)
            pf::setGadgetItemState(ids::ExplorerList, i, 0);
        select({name});
        menu(ids::MenuInfoZip);
        ASSERT_TRUE(pf::isWindow(ids::WindowInfoArchive)) << name;
        EXPECT_EQ(value(Compressed), size) << name;
        EXPECT_EQ(value(Count), "") << name << ": blank, not a false 0";
        EXPECT_EQ(value(Original), "") << name;
        EXPECT_EQ(value(Method), "") << name;
        EXPECT_EQ(value(Protection), "") << name;
        EXPECT_FALSE(value(Modified).empty()) << name;
    }
}

TEST_F(InformationWorkflowTest, TextFilesGetOneMessageAndTheZipTheSheetAndAFolderNothing)
{
    writeStandardIni();
    pythonZip("z.zip", {true});
    writeFile("a/notes.txt", "n");
    writeFile("a/more.txt", "m");
    fs::create_directories(folder() / "a/folder");
    ASSERT_TRUE(start());
    showFolder(folder() / "a");
    select({"folder"});
    menu(ids::MenuInfoZip);
    EXPECT_FALSE(pf::isWindow(ids::WindowInfoArchive)) << "a folder alone: nothing, no message";
    select({"notes.txt", "z.zip", "more.txt"});
    pf::expectMessage("Zarvon",
                      "Veuillez selectionnez une archive !\r2 fichier(s) ignoré(s) : ce ne sont pas des archives.",
                      pf::MessageIcon::Error);
    menu(ids::MenuInfoZip);
    ASSERT_TRUE(pf::isWindow(ids::WindowInfoArchive));
    EXPECT_EQ(value(Name), "z.zip");
}

TEST_F(InformationWorkflowTest, ARarFileShowsWhatItsLibraryReads)
{
    if (!rar::unrarLibraryAvailable())
        GTEST_SKIP() << "the UnRAR library is not installed";
    if (runCommand("command -v rar").status != 0)
        GTEST_SKIP() << "rar is not installed: no archive to make";
    writeFile("r/one.txt", std::string(1700, 'a'));
    writeFile("r/two.txt", std::string(1700, 'b'));
    fs::create_directories(folder() / "a");
    const auto made = runCommand("cd " + quoted((folder() / "r").string()) + " && rar a -idq " +
                                 quoted((folder() / "a/pack.rar").string()) + " one.txt two.txt");
    ASSERT_EQ(made.status, 0) << made.output;
    writeStandardIni();
    ASSERT_TRUE(start());
    showFolder(folder() / "a");
    select({"pack.rar"});
    menu(ids::MenuInfoZip);
    ASSERT_TRUE(pf::isWindow(ids::WindowInfoArchive));
    EXPECT_EQ(value(Count), "2 Fichier(s)");
    EXPECT_EQ(value(Original), "3 Ko");
    EXPECT_EQ(value(Protection), "Archive Non Cryptée");
    EXPECT_EQ(value(Method), "") << "RAR methods are not ZIP's";
    EXPECT_EQ(value(Compressed), ui::kilobyteText(fs::file_size(folder() / "a/pack.rar")));
}

TEST_F(InformationWorkflowTest, NoSelectionGetsTheMessage)
{
    writeStandardIni();
    fs::create_directories(folder() / "a");
    ASSERT_TRUE(start());
    showFolder(folder() / "a");
    pf::expectMessage("Zarvon", "Veuillez selectionnez une archive !", pf::MessageIcon::Error);
    menu(ids::MenuInfoZip);
    EXPECT_FALSE(pf::isWindow(ids::WindowInfoArchive));
}

TEST(SheetDate, DayNamesAndOrderOfBothLanguages)
{
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    // Saturday 31 December 2005 and Sunday 1 January 2006.
    EXPECT_EQ(ui::sheetDate(1136030400, false), "Samedi 31/12/2005 12:00:00");
    EXPECT_EQ(ui::sheetDate(1136030400, true), "Saterday 12/31/2005 12:00:00");
    EXPECT_EQ(ui::sheetDate(1136116800 + 3 * 3600 + 4 * 60 + 5, false), "Dimanche 1/1/2006 15:04:05")
        << "no leading zeros in the date, two digits in the time";
    EXPECT_EQ(ui::sheetDate(1136116800, true), "Sunday 1/1/2006 12:00:00");
    ::unsetenv("TZ");
    ::tzset();
}

} // namespace
} // namespace zarvon::testing
