// Every window in the chosen language: each one is opened with English (then
// French) chosen, every text a person can read in it is collected, and words
// of the other language are refused.
#include "support/process.h"
#include "support/program_fixture.h"
#include "ui/boot_screen.h"
#include "ui/dialogs/add_files_window.h"
#include "ui/dialogs/assistant_window.h"
#include "ui/dialogs/copy_window.h"
#include "ui/progress.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <QTabBar>
#include <QTimer>

using namespace zarvon;
using namespace zarvon::platform;
using zarvon::testing::ProgramTest;

namespace {

// Tell-tales of the other language; the texts both languages share (Options,
// Configuration, Zip, Deflate, Destination) are left out on purpose.
const std::vector<std::string> kFrenchWords = {
    "é",         "è",      "ê",      "à",           "â",       "ç",      "ô",       "î",       "û",
    " le ",      " la ",   " les ",  " de ",        " des ",   " du ",   "Annuler", "Fichier", "Ouvrir",
    "Parcourir", "propos", "Propos", "Progression", "Suivant", "Fermer", "Aide",    "Dossier"};
const std::vector<std::string> kEnglishWords = {"Cancel", "File",      " the ",     "Open",   "Close",
                                                "Browse", "Progress.", " progress", "Folder", "Please",
                                                "Help",   "Next",      "About",     " and ",  "Name"};

class InterfaceLanguageTest : public ProgramTest, public ::testing::WithParamInterface<bool> {
protected:
    bool english() const { return GetParam(); }

    // Every text of every window now built: titles, captions, buttons,
    // boxes, tabs, tooltips, menu items, list headers, fixed drop-down items.
    void collect(const std::string &where)
    {
        auto add = [&](QWidget *widget, const QString &text) {
            if (!text.isEmpty())
                texts_.push_back({where + " / " + widget->window()->windowTitle().toStdString(), text.toStdString()});
        };
        for (QWidget *widget : QApplication::allWidgets()) {
            if (widget->isWindow())
                add(widget, widget->windowTitle());
            add(widget, widget->toolTip());
            if (auto *label = qobject_cast<QLabel *>(widget))
                add(widget, label->text());
            else if (auto *button = qobject_cast<QAbstractButton *>(widget))
                add(widget, button->text());
            else if (auto *box = qobject_cast<QGroupBox *>(widget))
                add(widget, box->title());
            else if (auto *status = qobject_cast<QStatusBar *>(widget))
                add(widget, status->currentMessage());
            else if (auto *tabs = qobject_cast<QTabBar *>(widget))
                for (int i = 0; i < tabs->count(); ++i)
                    add(widget, tabs->tabText(i));
            else if (auto *header = qobject_cast<QHeaderView *>(widget); header && header->model())
                for (int i = 0; i < header->count(); ++i)
                    add(widget, header->model()->headerData(i, header->orientation()).toString());
            else if (auto *combo = qobject_cast<QComboBox *>(widget); combo && !combo->isEditable())
                for (int i = 0; i < combo->count(); ++i)
                    add(widget, combo->itemText(i));
            for (QAction *action : widget->actions()) {
                add(widget, action->text());
                add(widget, action->toolTip());
            }
            if (auto *menu = qobject_cast<QMenu *>(widget))
                add(widget, menu->title());
        }
    }

    void collectAndClose(const std::string &where, int window)
    {
        ASSERT_TRUE(isWindow(window)) << where;
        collect(where);
        closeWindow(window);
    }

    std::vector<std::pair<std::string, std::string>> texts_;
};

TEST_P(InterfaceLanguageTest, EveryWindowSpeaksTheChosenLanguageOnly)
{
    writeStandardIni({{"View/FrenchLanguage", english() ? "0" : "1"}, {"View/EnglishLanguage", english() ? "1" : "0"}});
    writeFile("home/notes.txt", "some notes");
    makeZip("home/holiday.zip", {{"readme.txt", "r"}});
    const bool withRar = zarvon::testing::runCommand("cd " + zarvon::testing::quoted(folder() / "home") +
                                                     " && rar a -idq music.rar notes.txt")
                             .status == 0;
    ASSERT_TRUE(start());
    showFolder(folder() / "home");
    setGadgetItemState(ids::ExplorerList, explorerItem("notes.txt"), ItemSelected);
    control(ids::ExplorerList, EventSubtype::Change);
    collect("main window");

    // The windows of the menus, opened as a click on the item does.
    menu(ids::MenuAbout);
    collectAndClose("about", ids::WindowAbout);
    menu(ids::MenuConfiguration);
    collectAndClose("configuration", ids::WindowConfiguration);
    menu(ids::MenuAddToZip);
    collectAndClose("compression", ids::WindowCompression);
    for (int item : {ids::MenuCopyZip, ids::MenuCutZip, ids::MenuRenameZip}) {
        menu(item);
        collectAndClose("copy window", ids::WindowCopy);
    }
    setGadgetItemState(ids::ExplorerList, explorerItem("notes.txt"), 0);
    setGadgetItemState(ids::ExplorerList, explorerItem("holiday.zip"), ItemSelected);
    control(ids::ExplorerList, EventSubtype::Change);
    menu(ids::MenuInfoZip);
    collectAndClose("information", ids::WindowInfoArchive);
    if (withRar) {
        // A RAR archive asks for its destination folder (cancelled here).
        setGadgetItemState(ids::ExplorerList, explorerItem("holiday.zip"), 0);
        setGadgetItemState(ids::ExplorerList, explorerItem("music.rar"), ItemSelected);
        control(ids::ExplorerList, EventSubtype::Change);
        expectFolder("");
        menu(ids::MenuExtractZip);
        ASSERT_FALSE(shownDialogs().empty());
    }
    for (const auto &dialog : shownDialogs())
        texts_.push_back({"requester", dialog.caption});

    // Those that a run opens on its way.
    ASSERT_TRUE(ui::buildPasswordWindow(folder().string(), ui::PasswordDestination::Editable));
    collectAndClose("password", ids::WindowCopy);
    ASSERT_TRUE(ui::buildAddFilesWindow());
    collectAndClose("add files", ids::WindowAddFiles);
    ASSERT_GE(ui::openProgressWindow(10), 0);
    collect("progress");
    ui::closeProgressWindow();
    ASSERT_GE(ui::openExtractionProgressWindow(settings::languageText("TxtWindowExtract", "")), 0);
    collect("extraction progress");
    ui::closeProgressWindow();
    ASSERT_TRUE(ui::buildAssistantWindow());
    for (auto page : {ui::AssistantPage::Welcome, ui::AssistantPage::ChooseOperation, ui::AssistantPage::ArchiveName,
                      ui::AssistantPage::FilesToCompress, ui::AssistantPage::Extraction}) {
        ui::arrangeAssistantPage(page);
        collect("assistant page " + std::to_string(int(page)));
    }
    closeWindow(ids::WindowAssistant);
    // The boot screen lives only while it is shown.
    QTimer::singleShot(0, [this] { collect("boot screen"); });
    ui::showBootScreen();
    ASSERT_TRUE(std::any_of(texts_.begin(), texts_.end(),
                            [](const auto &text) { return text.first.rfind("boot screen", 0) == 0; }));

    const auto &foreign = english() ? kFrenchWords : kEnglishWords;
    for (const auto &[where, text] : texts_)
        for (const auto &word : foreign)
            EXPECT_EQ(text.find(word), std::string::npos) << where << ": \"" << text << "\" has \"" << word << "\"";
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, InterfaceLanguageTest, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool> &info) { return info.param ? "English" : "French"; });

} // namespace
