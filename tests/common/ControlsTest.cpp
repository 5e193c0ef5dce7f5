#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <string>

#include "common/Artwork.h"
#include "common/Controls.h"
#include "common/Fonts.h"

namespace tavrilo {
namespace {

std::string colourAt(const QImage& image, QPoint at) {
    return image.pixelColor(at).name().toStdString();
}

TEST(ColorBoxTest, ClicksOnlyWhenPressedAndReleasedOverTheBox) {
    QWidget window;
    auto* box = new ColorBox(&window, colors::grey);
    box->setGeometry(10, 10, 33, 33);
    window.show();
    QSignalSpy clicked(box, &ColorBox::clicked);
    QTest::mousePress(box, Qt::LeftButton, {}, QPoint(16, 16));
    QTest::mouseMove(box, QPoint(80, 80));
    QTest::mouseRelease(box, Qt::LeftButton, {}, QPoint(80, 80));
    EXPECT_EQ(clicked.count(), 0) << "a press that leaves the box before its release picks nothing";
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(16, 16));
    EXPECT_EQ(clicked.count(), 1);
}

TEST(ButtonFaceTest, FlatFaceInItsColourSunkenWhilePressed) {
    QWidget window;
    QPushButton* button =
        makeButton(&window, "play", "", 0, 0, 735, 375, rgb(0, 192, 0), tahoma(8.25));
    window.show();
    const QPoint centre = button->rect().center();
    const QImage up = button->grab().toImage();
    button->setDown(true);
    const QImage down = button->grab().toImage();
    EXPECT_EQ(colourAt(up, centre), "#00c000");
    EXPECT_EQ(colourAt(down, centre), "#00c000");
    EXPECT_EQ(colourAt(up, {0, 0}), "#ffffff") << "raised: a white top-left edge";
    EXPECT_EQ(colourAt(down, {0, 0}), "#000000") << "sunken while pressed";
}

// At twice the density a picture is drawn with twice the pixels, not enlarged from one.
TEST(Artwork, DrawsAtTheScreensDensity) {
    const QImage one = logoPicture(1);
    QImage two = logoPicture(2);
    EXPECT_EQ(two.devicePixelRatio(), 2);
    two.setDevicePixelRatio(1);
    EXPECT_EQ(two.size(), one.size() * 2);
    EXPECT_NE(two, one.scaled(one.size() * 2));  // nearest neighbour
}

}  // namespace
}  // namespace tavrilo
