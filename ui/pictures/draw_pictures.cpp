// Draws the pictures the build keeps in the program's resources and installs
// for the desktop: the tray icon, the boot picture and the application icon in
// the sizes a desktop asks for. Run by the build:
//   zarvon_draw_pictures OUTPUT_FOLDER
// writes tray.png, boot_screen.png and zarvon-<size>.png for each size.
#include "ui/platform/internal.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fputs("usage: zarvon_draw_pictures OUTPUT_FOLDER\n", stderr);
        return 2;
    }
    // Drawing text needs the font database, which needs an application.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(out.path())) {
        std::fprintf(stderr, "zarvon_draw_pictures: cannot create %s\n", argv[1]);
        return 1;
    }
    namespace detail = zarvon::platform::detail;
    bool ok = detail::drawTrayIcon().save(out.filePath(QStringLiteral("tray.png")));
    ok = detail::drawBootPicture().save(out.filePath(QStringLiteral("boot_screen.png"))) && ok;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        ok = detail::drawApplicationIcon(size).save(out.filePath(QStringLiteral("zarvon-%1.png").arg(size))) && ok;
    if (!ok)
        std::fprintf(stderr, "zarvon_draw_pictures: cannot write the pictures into %s\n", argv[1]);
    return ok ? 0 : 1;
}
