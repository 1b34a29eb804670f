// The program's own pictures: those kept in its resources, and the scalable
// application icon installed beside the drawn ones.
#include "support/gui_fixture.h"

#include <QImage>
#include <QImageReader>
#include <QPixmap>

#include <cstdlib>

using namespace zarvon::platform;
using zarvon::testing::GuiTest;

namespace {

using PicturesTest = GuiTest;

// The average difference of two pictures' channels, 0 to 255.
double difference(const QImage &a, const QImage &b)
{
    const QImage x = a.convertToFormat(QImage::Format_ARGB32), y = b.convertToFormat(QImage::Format_ARGB32);
    double sum = 0;
    for (int row = 0; row < x.height(); ++row)
        for (int column = 0; column < x.width(); ++column) {
            const QRgb p = x.pixel(column, row), q = y.pixel(column, row);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q)) +
                   std::abs(qAlpha(p) - qAlpha(q));
        }
    return sum / (4.0 * x.width() * x.height());
}

TEST_F(PicturesTest, TrayIconAndBootPictureComeFromTheProgramsResources)
{
    const QImage tray(QStringLiteral(":/zarvon/tray.png"));
    const QImage boot(QStringLiteral(":/zarvon/boot_screen.png"));
    ASSERT_FALSE(tray.isNull()) << "the resources are not linked into the program";
    ASSERT_FALSE(boot.isNull());
    EXPECT_EQ(tray.size(), QSize(16, 16));
    EXPECT_EQ(boot.size(), QSize(402, 135));
    EXPECT_TRUE(tray.hasAlphaChannel());

    const int shown = pictureImage(Picture::BootScreen);
    EXPECT_EQ(imageWidth(shown), 402);
    EXPECT_EQ(imageHeight(shown), 135);
    EXPECT_EQ(imageWidth(pictureImage(Picture::TrayIcon)), 16);
    // The transparent colour is the corner's, and the frame's inside differs.
    EXPECT_EQ(boot.pixel(0, 0), boot.pixel(401, 134));
    EXPECT_NE(boot.pixel(0, 0), boot.pixel(200, 67));
}

TEST_F(PicturesTest, ScalableApplicationIconLooksLikeTheDrawnOne)
{
    const std::string svg = std::string(ZARVON_SOURCE_DIR) + "/data/zarvon.svg";
    QImageReader reader(QString::fromStdString(svg));
    if (!reader.canRead())
        GTEST_SKIP() << "no SVG image plugin (package libqt6svg6)";
    reader.setScaledSize(QSize(48, 48));
    const QImage scalable = reader.read();
    ASSERT_FALSE(scalable.isNull()) << reader.errorString().toStdString();
    const QImage drawn(QString::fromStdString(std::string(ZARVON_BIN_DIR) + "/../ui/pictures/zarvon-48.png"));
    ASSERT_FALSE(drawn.isNull());
    EXPECT_LT(difference(scalable, drawn), 12.0);
    // A blank picture would be far from it.
    QImage blank(48, 48, QImage::Format_ARGB32);
    blank.fill(Qt::transparent);
    EXPECT_GT(difference(blank, drawn), 40.0);
}

} // namespace
