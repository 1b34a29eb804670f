// Times what the main window does with a large folder and a large archive,
// on the offscreen platform: select all, the status-bar counts, opening the
// compression window on the whole selection, listing an archive, and each
// keystroke typed into the filter above the archive list.
//
//   zarvon_ui_bench FOLDER_OF_FILES ARCHIVE
//
// bench/ui_scale.sh makes the folder and the archive and runs this.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

#include "app/program.h"
#include "settings/paths.h"
#include "ui/compression.h"
#include "ui/ids.h"
#include "ui/main_window.h"
#include "ui/opening.h"
#include "ui/platform/platform.h"
#include "ui/platform/qt_access.h"
#include "ui/platform/testing.h"

namespace pf = zarvon::platform;
namespace ids = zarvon::ids;

namespace {

double seconds(const std::function<void()> &work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void pump()
{
    pf::UiEvent event;
    while (pf::pollEvent(event, 0))
        zarvon::app::dispatchEvent(event);
}

// A key typed into the filter field, as the keyboard sends it, and the
// time until the list is laid out and painted again.
double keystroke(int key, const QString &text)
{
    return seconds([&] {
        QWidget *field = pf::gadgetWidget(ids::StrArchiveFilter);
        QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, text);
        QApplication::sendEvent(field, &down);
        QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier, text);
        QApplication::sendEvent(field, &up);
        pump();
        pf::processSystemEvents(0);
    });
}

int shownRows()
{
    int shown = 0;
    for (int i = 0; i < pf::countGadgetItems(ids::ArchiveList); ++i)
        shown += (pf::getGadgetItemState(ids::ArchiveList, i) & pf::ItemHidden) ? 0 : 1;
    return shown;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s FOLDER ARCHIVE\n", argv[0]);
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // The configuration file and language files of the run, not the build's.
    if (const char *program = std::getenv("BENCH_PROGRAM_DIR"))
        zarvon::settings::setProgramPath(std::string(program) + "/zarvon");
    pf::initPlatform(argc, argv);
    pf::setDelaysEnabled(false);
    pf::beginScript([](const std::string &fault) { std::fprintf(stderr, "unexpected: %s\n", fault.c_str()); });
    if (!zarvon::app::startProgram({}))
        return 1;
    pf::setGadgetText(ids::ExplorerList, argv[1]);
    const int items = pf::countGadgetItems(ids::ExplorerList);

    const double selectAll = seconds([] {
        pf::UiEvent event{pf::EventKind::Menu, ids::WindowMain, ids::ShortcutSelectAll, pf::EventSubtype::None};
        zarvon::app::dispatchEvent(event);
        pump();
    });
    std::string counts;
    const double status = seconds([&] {
        zarvon::ui::refreshStatusBar();
        counts = pf::getStatusBarText(ids::StatusBarMain, 1);
    });
    const double compressionWindow = seconds([] {
        zarvon::ui::startCompressionCommand();
        pump();
    });
    zarvon::ui::cancelCompressionWindow();
    // Opening an archive builds the archive layout anew, explorer list
    // included: timed with the explorer on the large folder, then on the
    // archive's own folder, which leaves mostly the listing itself.
    const double openingInLargeFolder = seconds([&] {
        zarvon::ui::openArchiveAtPath(argv[2]);
        pump();
    });
    const std::string archive = argv[2];
    pf::setGadgetText(ids::ExplorerList, archive.substr(0, archive.rfind('/') + 1));
    pf::countGadgetItems(ids::ExplorerList);
    const double listing = seconds([&] {
        zarvon::ui::openArchiveAtPath(archive);
        pump();
    });
    const int rows = pf::countGadgetItems(ids::ArchiveList);

    // Typing "123" narrows step by step (names are entryNNNNN.txt), two
    // Backspaces widen again, a third shows every row.
    pf::showWindow(ids::WindowMain);
    pf::processSystemEvents(0);
    // The keys go where the focus is, in the active window.
    QApplication::setActiveWindow(pf::windowWidget(ids::WindowMain));
    pf::setActiveGadget(ids::StrArchiveFilter);
    struct Stroke {
        const char *what;
        int key;
        QString text;
    };
    const Stroke strokes[] = {{"\"1\"", Qt::Key_1, "1"},
                              {"\"2\"", Qt::Key_2, "2"},
                              {"\"3\"", Qt::Key_3, "3"},
                              {"Backspace", Qt::Key_Backspace, ""},
                              {"Backspace", Qt::Key_Backspace, ""},
                              {"Backspace", Qt::Key_Backspace, ""}};
    std::string filterLines;
    double slowest = 0;
    for (const Stroke &stroke : strokes) {
        const double took = keystroke(stroke.key, stroke.text);
        slowest = std::max(slowest, took);
        char line[160];
        std::snprintf(line, sizeof line, "  filter %-9s -> %-5s %8.3f s  (%d rows shown)\n", stroke.what,
                      pf::getGadgetText(ids::StrArchiveFilter).c_str(), took, shownRows());
        filterLines += line;
    }
    const double selectAllFiltered = seconds([] {
        pf::setGadgetText(ids::StrArchiveFilter, "7");
        pf::setActiveGadget(ids::ArchiveList);
        pf::UiEvent event{pf::EventKind::Menu, ids::WindowMain, ids::ShortcutSelectAll, pf::EventSubtype::None};
        zarvon::app::dispatchEvent(event);
        pump();
        pf::processSystemEvents(0);
    });
    int selected = 0;
    for (int i = 0; i < rows; ++i)
        selected += (pf::getGadgetItemState(ids::ArchiveList, i) & pf::ItemSelected) ? 1 : 0;
    // Narrowing a filtered selection: the rows hidden leave it.
    const double narrowSelected = keystroke(Qt::Key_0, "0");
    int stillSelected = 0;
    for (int i = 0; i < rows; ++i)
        stillSelected += (pf::getGadgetItemState(ids::ArchiveList, i) & pf::ItemSelected) ? 1 : 0;

    std::printf("folder of %d items\n", items);
    std::printf("  select all          %8.3f s\n", selectAll);
    std::printf("  status-bar counts   %8.3f s  (%s)\n", status, counts.c_str());
    std::printf("  compression window  %8.3f s\n", compressionWindow);
    std::printf("archive of %d entries\n", rows);
    std::printf("  opening, explorer on the large folder  %8.3f s\n", openingInLargeFolder);
    std::printf("  opening, explorer on its own folder   %8.3f s\n", listing);
    std::printf("%s", filterLines.c_str());
    std::printf("  slowest keystroke   %8.3f s\n", slowest);
    std::printf("  filter \"7\" and select all  %8.3f s  (%d rows selected)\n", selectAllFiltered, selected);
    std::printf("  then \"0\" typed, narrowing the selection  %8.3f s  (%d rows selected)\n", narrowSelected,
                stillSelected);
    // The same archive in the folder view (View > Folders): every entry
    // is at the top, the most rows one folder can give.
    zarvon::ui::switchArchiveFolders();
    const double folderView = seconds([&] {
        zarvon::ui::openArchiveAtPath(archive);
        pump();
    });
    std::printf("  opening in the folder view  %8.3f s  (%d rows)\n", folderView,
                pf::countGadgetItems(ids::ArchiveList));
    pf::endScript();
    return 0;
}
