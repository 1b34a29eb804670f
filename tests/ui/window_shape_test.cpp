// The shape of a window made from a picture: runs of non-transparent pixels,
// row by row, the picture's last column left out.
#include "support/gui_fixture.h"
#include "ui/platform/qt_access.h"

#include <QImage>
#include <QRegion>
#include <QWidget>

using namespace zarvon::platform;
using zarvon::testing::GuiTest;

namespace {

class WindowShapeTest : public GuiTest {
protected:
    // The region window 50 takes from the picture.
    QRegion shapeOf(const QImage &picture)
    {
        const std::string path = (folder() / "shape.png").string();
        EXPECT_TRUE(picture.save(QString::fromStdString(path)));
        const int image = loadImage(AnyNumber, path);
        EXPECT_GE(image, 0);
        EXPECT_GE(openWindow(50, 0, 0, picture.width() + 20, picture.height() + 20, "shape", WindowBorderless), 0);
        setWindowPicture(50, image, true);
        return windowWidget(50)->mask();
    }
};

TEST_F(WindowShapeTest, RunsEndAtTransparentPixelsAndBeforeTheLastColumn)
{
    const QRgb key = qRgb(255, 0, 255), ink = qRgb(20, 60, 150), other = qRgb(255, 0, 254);
    QImage picture(10, 4, QImage::Format_RGB32);
    picture.fill(key);
    for (int x = 1; x <= 3; ++x)
        picture.setPixel(x, 0, ink);
    for (int x = 5; x <= 9; ++x)
        picture.setPixel(x, 0, ink);
    // Row 1 stays transparent. Row 2: one pixel, in the last column only.
    picture.setPixel(9, 2, ink);
    // Row 3: a colour one step from the key is not transparent.
    for (int x = 0; x <= 9; ++x)
        picture.setPixel(x, 3, other);
    picture.setPixel(0, 0, key);

    QRegion expected;
    expected += QRect(1, 0, 3, 1);
    expected += QRect(5, 0, 4, 1); // 5..8: the last column is never part of it
    expected += QRect(0, 3, 9, 1);
    EXPECT_EQ(shapeOf(picture), expected);
}

TEST_F(WindowShapeTest, BootPictureIsShapedInsideItsFrame)
{
    const int image = pictureImage(Picture::BootScreen);
    ASSERT_EQ(imageWidth(image), 402);
    ASSERT_EQ(imageHeight(image), 135);
    ASSERT_GE(openWindow(51, 0, 0, 440, 160, "boot", WindowBorderless), 0);
    setWindowPicture(51, image, true);
    const QRegion region = windowWidget(51)->mask();
    EXPECT_TRUE(region.contains(QPoint(200, 67)));
    EXPECT_FALSE(region.contains(QPoint(0, 0)));
    EXPECT_FALSE(region.contains(QPoint(401, 67)));
    EXPECT_LE(region.boundingRect().right(), 400);
    EXPECT_GT(region.boundingRect().width(), 300);
}

} // namespace
