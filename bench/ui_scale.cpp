// Times what the main window does with a large folder and a large archive,
// on the offscreen platform: select all, the status-bar counts, opening the
// compression window on the whole selection, and listing an archive.
//
//   zarvon_ui_bench FOLDER_OF_FILES ARCHIVE
//
// bench/ui_scale.sh makes the folder and the archive and runs this.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "app/program.h"
#include "settings/paths.h"
#include "ui/compression.h"
#include "ui/ids.h"
#include "ui/main_window.h"
#include "ui/opening.h"
#include "ui/platform/platform.h"
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

    std::printf("folder of %d items\n", items);
    std::printf("  select all          %8.3f s\n", selectAll);
    std::printf("  status-bar counts   %8.3f s  (%s)\n", status, counts.c_str());
    std::printf("  compression window  %8.3f s\n", compressionWindow);
    std::printf("archive of %d entries\n", rows);
    std::printf("  opening, explorer on the large folder  %8.3f s\n", openingInLargeFolder);
    std::printf("  opening, explorer on its own folder   %8.3f s\n", listing);
    pf::endScript();
    return 0;
}
