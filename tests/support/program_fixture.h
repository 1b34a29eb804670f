// The desktop program started for real in a temporary program folder of its
// own (with its own Zarvon.ini and language files), driven by posting events
// and dispatching them as the event loop does.
#pragma once

#include "app/program.h"
#include "ui/opening.h"
#include "settings/language.h"
#include "settings/paths.h"
#include "settings/recent_archives.h"
#include "support/gui_fixture.h"
#include "support/zip_maker.h"
#include "ui/ids.h"
#include "ui/main_window.h"
#include "ui/platform/qt_access.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHeaderView>
#include <QTest>

#include <cstdlib>

namespace zarvon::testing {

class ProgramTest : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        program_ = folder() / "program";
        std::filesystem::create_directories(program_);
        for (const char *name : {"French.lng", "English.lng"})
            std::filesystem::copy_file(std::filesystem::path(ZARVON_SOURCE_DIR) / "lang" / name, program_ / name);
        settings::setProgramPath((program_ / "zarvon").string());
        setSystemLocale("C.UTF-8");
        home_ = folder() / "home";
        std::filesystem::create_directories(home_);
        setenv("HOME", home_.c_str(), 1);
    }

    void TearDown() override
    {
        GuiTest::TearDown();
        settings::setProgramPath("");
    }

    static void setSystemLocale(const char *locale) { setenv("LC_ALL", locale, 1); }

    std::filesystem::path iniPath() const { return program_ / "Zarvon.ini"; }
    bool iniExists() const { return std::filesystem::exists(iniPath()); }
    std::string ini() const { return readFile(iniPath()); }

    // Writes Zarvon.ini from lines (CR LF endings).
    void writeIni(const std::vector<std::string> &lines)
    {
        std::string text;
        for (const auto &line : lines)
            text += line + "\r\n";
        writeFile("program/Zarvon.ini", text);
    }

    // A complete configuration as the program writes it, with overrides.
    void writeStandardIni(const std::vector<std::pair<std::string, std::string>> &changes = {})
    {
        std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>> groups{
            {"General",
             {{"AssistantState", "0"},
              {"VisibleWindow", "1"},
              {"ActivateSound", "1"},
              {"History", "1"},
              {"MultitaskWindow", "1"},
              {"ShowTextButton", "0"}}},
            {"Window",
             {{"WindowHeight", "480"}, {"WindowWith", "760"}, {"WindowXposition", "40"}, {"WindowYPosition", "30"}}},
            {"View",
             {{"ToolBar", "1"},
              {"StatusBar", "1"},
              {"FrenchLanguage", "1"},
              {"EnglishLanguage", "0"},
              {"DefaultView", "1"},
              {"BigIconView", "0"},
              {"SmallIconView", "0"},
              {"ListView", "0"}}},
            {"Options", {{"InitBootPage", "0"}}},
        };
        for (const auto &[qualified, value] : changes) {
            const auto slash = qualified.find('/');
            const std::string group = qualified.substr(0, slash), key = qualified.substr(slash + 1);
            bool done = false;
            for (auto &g : groups)
                if (g.first == group)
                    for (auto &kv : g.second)
                        if (kv.first == key) {
                            kv.second = value;
                            done = true;
                        }
            if (!done) {
                bool found = false;
                for (auto &g : groups)
                    if (g.first == group) {
                        g.second.push_back({key, value});
                        found = true;
                    }
                if (!found)
                    groups.push_back({group, {{key, value}}});
            }
        }
        std::vector<std::string> lines;
        for (const auto &g : groups) {
            lines.push_back("[" + g.first + "]");
            for (const auto &kv : g.second)
                lines.push_back(kv.first + " = " + kv.second);
        }
        writeIni(lines);
    }

    bool start(const std::vector<std::string> &arguments = {}) { return app::startProgram(arguments); }

    // Dispatches every queued event, as the loop would.
    void pump()
    {
        platform::UiEvent event;
        while (!platform::exitRequested() && platform::pollEvent(event, 0))
            app::dispatchEvent(event);
    }

    // A menu item is chosen through its real menu action, as a click does
    // (Qt's own handling of marked items included); a shortcut or an item
    // of another menu is posted as its event.
    void menu(int item)
    {
        if (platform::hasMenuItem(ids::MenuBarMain, item))
            platform::triggerMenuItem(ids::MenuBarMain, item);
        else
            app::dispatchEvent(
                platform::UiEvent{platform::EventKind::Menu, ids::WindowMain, item, platform::EventSubtype::None});
        pump();
    }

    void control(int source, platform::EventSubtype subtype = platform::EventSubtype::LeftClick)
    {
        app::dispatchEvent(platform::UiEvent{platform::EventKind::Control, ids::WindowMain, source, subtype});
        pump();
    }

    void closeBox(int window)
    {
        app::dispatchEvent(
            platform::UiEvent{platform::EventKind::CloseWindow, window, -1, platform::EventSubtype::None});
        pump();
    }

    // An archive in the test folder.
    std::string makeZip(const std::string &name, const std::vector<ZipMember> &members, bool damaged = false)
    {
        std::filesystem::path path = folder() / name;
        std::filesystem::create_directories(path.parent_path());
        writeZip(path.string(), members, damaged);
        return path.string();
    }

    // The explorer list shows `path`, as typed into its address.
    void showFolder(const std::filesystem::path &path)
    {
        platform::setGadgetText(ids::ExplorerList, path.string());
        pump();
    }

    // Index of an item of the explorer list by name, -1 when absent.
    static int explorerItem(const std::string &name)
    {
        const int count = platform::countGadgetItems(ids::ExplorerList);
        for (int i = 0; i < count; ++i)
            if (platform::getGadgetItemText(ids::ExplorerList, i) == name)
                return i;
        return -1;
    }

    static std::vector<std::string> archiveRows()
    {
        std::vector<std::string> rows;
        const int count = platform::countGadgetItems(ids::ArchiveList);
        for (int i = 0; i < count; ++i)
            rows.push_back(platform::getGadgetItemText(ids::ArchiveList, i));
        return rows;
    }

    // A person's click on a control, or on the row showing `text` in a list
    // or an explorer list; keys typed into the widget that has the focus.
    void press(int id)
    {
        QTest::mouseClick(platform::gadgetWidget(id), Qt::LeftButton);
        pump();
    }
    void clickRow(int id, const std::string &text, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        platform::countGadgetItems(id); // an explorer list reads its folder first
        auto *view = qobject_cast<QAbstractItemView *>(platform::gadgetWidget(id));
        for (QAbstractItemView *v : platform::gadgetWidget(id)->findChildren<QAbstractItemView *>())
            if (!view && v->isVisible() && !qobject_cast<QHeaderView *>(v))
                view = v;
        ASSERT_NE(view, nullptr) << id;
        const auto found = view->model()->match(view->model()->index(0, 0, view->rootIndex()), Qt::DisplayRole,
                                                QString::fromStdString(text), 1, Qt::MatchExactly);
        ASSERT_FALSE(found.isEmpty()) << text << " is not shown in " << id;
        QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers, view->visualRect(found.first()).center());
        pump();
    }
    void typeKeys(const std::string &text, Qt::Key key = Qt::Key_unknown)
    {
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        QTest::keyClicks(QApplication::focusWidget(), QString::fromStdString(text));
        if (key != Qt::Key_unknown)
            QTest::keyClick(QApplication::focusWidget(), key);
        pump();
    }
    const std::filesystem::path &programFolder() const { return program_; }
    const std::filesystem::path &homeFolder() const { return home_; }

private:
    std::filesystem::path program_;
    std::filesystem::path home_;
};

} // namespace zarvon::testing
