// Zarvon's own pictures, drawn at run time so that the program needs no
// image files: the toolbar icons and strip, the tray icon, the boot screen,
// the about picture and the folder button; and the numbered images the
// controls show (built-in pictures and loaded files).
#include "ui/platform/internal.h"

#include "base/product.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace zarvon::platform::detail {
namespace {

// A rounded tile in two tones, the common ground of the toolbar icons.
void tile(QPainter &p, QColor top, QColor bottom)
{
    QLinearGradient g(0, 2, 0, 46);
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.setPen(QPen(bottom.darker(140), 1.5));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(3, 3, 42, 42), 9, 9);
}

// A closed archive box, used by the compress and extract icons.
void box(QPainter &p, QRectF r)
{
    p.setPen(QPen(QColor(90, 60, 20), 1.5));
    p.setBrush(QColor(236, 190, 110));
    p.drawRect(r);
    p.setBrush(QColor(205, 150, 70));
    p.drawRect(QRectF(r.x(), r.y(), r.width(), r.height() * 0.3));
    // the zipper
    p.setPen(QPen(QColor(70, 70, 70), 2, Qt::DotLine));
    p.drawLine(QPointF(r.center().x(), r.y() + 2), QPointF(r.center().x(), r.bottom() - 2));
}

void arrow(QPainter &p, QPointF from, QPointF to, QColor color)
{
    p.setPen(QPen(color, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(from, to);
    QLineF line(to, from);
    QLineF a = line;
    a.setLength(8);
    a.setAngle(line.angle() + 35);
    QLineF b = line;
    b.setLength(8);
    b.setAngle(line.angle() - 35);
    p.drawLine(a);
    p.drawLine(b);
}

QPixmap icon(Picture picture)
{
    QPixmap pm(48, 48);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    paintIcon(p, picture);
    return pm;
}

} // namespace

void paintIcon(QPainter &p, Picture picture)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setBold(true);
    switch (picture) {
    case Picture::IconCompress:
        tile(p, QColor(120, 190, 255), QColor(30, 90, 180));
        box(p, QRectF(14, 20, 20, 20));
        arrow(p, QPointF(8, 9), QPointF(16, 17), Qt::white);
        arrow(p, QPointF(40, 9), QPointF(32, 17), Qt::white);
        break;
    case Picture::IconExtract:
        tile(p, QColor(140, 220, 140), QColor(30, 130, 50));
        box(p, QRectF(14, 22, 20, 18));
        arrow(p, QPointF(24, 24), QPointF(24, 7), Qt::white);
        break;
    case Picture::IconCheck:
        tile(p, QColor(170, 240, 170), QColor(40, 150, 60));
        p.setPen(QPen(Qt::white, 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF({QPointF(12, 25), QPointF(20, 34), QPointF(36, 14)}));
        break;
    case Picture::IconInfo:
        tile(p, QColor(130, 200, 255), QColor(20, 80, 170));
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(24, 13), 3.5, 3.5);
        p.drawRoundedRect(QRectF(20.5, 19, 7, 19), 2, 2);
        break;
    case Picture::IconConfiguration: {
        tile(p, QColor(200, 200, 210), QColor(90, 90, 110));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(250, 250, 250));
        p.translate(24, 24);
        for (int i = 0; i < 8; ++i) {
            p.drawRect(QRectF(-3, -16, 6, 8));
            p.rotate(45);
        }
        p.drawEllipse(QPointF(0, 0), 11, 11);
        p.setBrush(QColor(90, 90, 110));
        p.drawEllipse(QPointF(0, 0), 4.5, 4.5);
        p.resetTransform();
        break;
    }
    case Picture::IconAssistant:
        tile(p, QColor(255, 210, 120), QColor(200, 120, 20));
        p.setPen(QPen(QColor(80, 50, 10), 4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(12, 38), QPointF(30, 20));
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        {
            QPainterPath star;
            QPointF c(33, 15);
            for (int i = 0; i < 10; ++i) {
                double r = (i % 2) ? 3.5 : 9;
                double a = i * 3.14159265 / 5 - 3.14159265 / 2;
                QPointF pt(c.x() + r * std::cos(a), c.y() + r * std::sin(a));
                if (i == 0)
                    star.moveTo(pt);
                else
                    star.lineTo(pt);
            }
            star.closeSubpath();
            p.drawPath(star);
        }
        break;
    case Picture::IconDelete:
        tile(p, QColor(255, 150, 140), QColor(180, 30, 30));
        p.setPen(QPen(QColor(60, 20, 20), 1.5));
        p.setBrush(QColor(245, 245, 245));
        p.drawRect(QRectF(15, 17, 18, 22));
        p.drawRect(QRectF(12, 12, 24, 4));
        p.drawRect(QRectF(20, 9, 8, 3));
        p.setPen(QPen(QColor(150, 150, 150), 2));
        for (int x : {19, 24, 29})
            p.drawLine(QPointF(x, 20), QPointF(x, 36));
        break;
    case Picture::IconHelp:
        tile(p, QColor(180, 160, 255), QColor(80, 50, 170));
        f.setPixelSize(30);
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(QRectF(3, 3, 42, 42), Qt::AlignCenter, QStringLiteral("?"));
        break;
    default: break;
    }
}

namespace {

QPixmap strip()
{
    QPixmap pm(1024, 56);
    QPainter p(&pm);
    QLinearGradient g(0, 0, 0, 56);
    g.setColorAt(0, QColor(250, 252, 255));
    g.setColorAt(0.6, QColor(222, 232, 246));
    g.setColorAt(1, QColor(196, 212, 236));
    p.fillRect(pm.rect(), g);
    p.setPen(QColor(170, 185, 210));
    p.drawLine(0, 55, 1023, 55);
    return pm;
}

// Drawn pictures kept in the program's resources by the build (see
// ui/pictures/); drawn here again only when a program was linked without them.
QPixmap fromResources(const char *name, QImage (*draw)())
{
    QPixmap stored(QStringLiteral(":/zarvon/") + QLatin1String(name));
    return stored.isNull() ? QPixmap::fromImage(draw()) : stored;
}

} // namespace

// The toolbar's tile at 16 pixels, with the initial in white.
QImage drawTrayIcon()
{
    QImage image(16, 16, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.save();
    // The tile's square (3 to 45, and half its border) fills the icon.
    p.scale(16.0 / 43.5, 16.0 / 43.5);
    p.translate(-2.25, -2.25);
    tile(p, QColor(120, 190, 255), QColor(30, 90, 180));
    p.restore();
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setBold(true);
    f.setPixelSize(12);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, 0, 16, 16), Qt::AlignCenter, QStringLiteral("Z"));
    return image;
}

QImage drawApplicationIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 48.0, size / 48.0);
    paintIcon(p, Picture::IconCompress);
    return image;
}

namespace {} // namespace

// Magenta at (0, 0) is the transparent colour of the shaped window.
QImage drawBootPicture()
{
    QImage pm(402, 135, QImage::Format_RGB32);
    pm.fill(QColor(255, 0, 255));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing, false);
    QLinearGradient g(0, 10, 0, 125);
    g.setColorAt(0, QColor(80, 150, 240));
    g.setColorAt(1, QColor(20, 60, 150));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(QRect(10, 10, 382, 115), 24, 24);
    QPixmap logo = icon(Picture::IconCompress);
    p.drawPixmap(30, 44, logo);
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setBold(true);
    f.setPixelSize(40);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRect(95, 25, 290, 60), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Zarvon"));
    f.setBold(false);
    f.setPixelSize(14);
    p.setFont(f);
    p.drawText(QRect(97, 80, 290, 24), Qt::AlignLeft | Qt::AlignVCenter, QString::fromLatin1(base::kProductVersion));
    return pm;
}

namespace {

QPixmap aboutPicture()
{
    QPixmap pm(204, 84);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 204, 84);
    g.setColorAt(0, QColor(70, 140, 235));
    g.setColorAt(1, QColor(20, 50, 140));
    p.fillRect(pm.rect(), g);
    p.drawPixmap(10, 18, icon(Picture::IconCompress));
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setBold(true);
    f.setPixelSize(26);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRect(64, 10, 136, 64), Qt::AlignCenter, QStringLiteral("Zarvon"));
    return pm;
}

QPixmap folderButton()
{
    QPixmap pm(20, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(150, 110, 20), 1));
    p.setBrush(QColor(250, 210, 90));
    p.drawRect(QRectF(1.5, 4.5, 17, 10));
    p.drawRect(QRectF(1.5, 2.5, 7, 2));
    return pm;
}

} // namespace

QPixmap drawPicture(Picture picture)
{
    switch (picture) {
    case Picture::ToolBarBackground: return strip();
    case Picture::TrayIcon: return fromResources("tray.png", drawTrayIcon);
    case Picture::BootScreen: return fromResources("boot_screen.png", drawBootPicture);
    case Picture::AboutPicture: return aboutPicture();
    case Picture::FolderButton: return folderButton();
    default: return icon(picture);
    }
}

QRegion pictureRegion(const QImage &picture)
{
    QRegion region;
    if (picture.isNull())
        return region;
    const QRgb transparent = picture.pixel(0, 0);
    const int lastColumn = picture.width() - 1;
    for (int y = 0; y < picture.height(); ++y) {
        int x = 0;
        while (x < lastColumn) {
            if (picture.pixel(x, y) == transparent) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < lastColumn && picture.pixel(x, y) != transparent)
                ++x;
            region += QRect(start, y, x - start, 1);
        }
    }
    return region;
}

QPixmap imagePixmap(int image)
{
    auto it = state().images.find(image);
    return it == state().images.end() ? QPixmap() : it->second;
}

} // namespace zarvon::platform::detail

namespace zarvon::platform {
using namespace detail;

int pictureImage(Picture picture)
{
    int number = 900000 + int(picture);
    auto &images = state().images;
    if (!images.count(number))
        images[number] = drawPicture(picture);
    return number;
}

int loadImage(int image, const std::string &path)
{
    QPixmap p;
    if (!p.load(qs(path)))
        return -1;
    if (image == AnyNumber)
        image = handOutNumber();
    state().images[image] = p;
    return image;
}

bool isImage(int image) { return state().images.count(image) > 0; }
int imageWidth(int image) { return imagePixmap(image).width(); }
int imageHeight(int image) { return imagePixmap(image).height(); }

} // namespace zarvon::platform
