// QTest's mouse events go through the window as real input does, to the grabbing widget.
#define QTEST_QPA_MOUSE_HANDLING

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <cmath>
#include <set>
#include <string>
#include <tuple>

#include "board/DrawingBoard.h"

namespace tavrilo {
namespace {

const QRect kPlace(16, 88, 513, 329);  // the board's place on the main window, in pixels
const QColor kGreyPixel(128, 128, 128);

// "button shift x y" of every signal caught, separated by "; ".
std::string argsOf(const QSignalSpy& spy) {
    QStringList all;
    for (const QList<QVariant>& args : spy)
        all << QVariant(args).toStringList().join(' ');
    return all.join("; ").toStdString();
}

// A shown window holding the board, with room around it to move the mouse off the board.
struct ShownBoard {
    QWidget top;
    DrawingBoard* board = new DrawingBoard(&top, kPlace);
    QSignalSpy down{board, &DrawingBoard::MouseDown};
    QSignalSpy move{board, &DrawingBoard::MouseMove};
    QSignalSpy up{board, &DrawingBoard::MouseUp};
    ShownBoard() {
        top.resize(640, 480);
        top.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&top));
    }
    // QTest remembers held buttons across tests: let go even after a failure mid-stroke.
    ~ShownBoard() { QTest::mouseRelease(board, Qt::LeftButton, {}, QPoint(10, 10)); }
};

// Widget pixel p lies (p - 2) * 15 twips from the inner corner of the 2-pixel border. A press or
// release names its one button (1 left, 2 right, 4 middle) and the keys (1 Shift, 2 Ctrl, 4 Alt).
TEST(DrawingBoard, PressAndReleaseArriveAsFlagsAndTwipsInsideTheBorder) {
    const std::tuple<QPoint, Qt::MouseButton, Qt::KeyboardModifiers> clicks[] = {
        {{2, 2}, Qt::LeftButton, Qt::ShiftModifier},
        {{12, 20}, Qt::RightButton, Qt::ControlModifier},
        {{82, 69}, Qt::MiddleButton, Qt::AltModifier},
        {{510, 326}, Qt::LeftButton, Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier},
    };
    ShownBoard s;
    for (const auto& [pixel, button, keys] : clicks) {
        QTest::mousePress(s.board, button, keys, pixel);
        QTest::mouseRelease(s.board, button, keys, pixel);
    }
    const char* expected = "1 1 0 0; 2 2 150 270; 4 4 1200 1005; 1 7 7620 4860";
    EXPECT_EQ(argsOf(s.down), expected);
    EXPECT_EQ(argsOf(s.up), expected);
}

// Moves over the board arrive without a button too. While a button pressed over the board is
// held, moves and the release from outside it, even outside the window, still come to the board
// in its own twips; afterwards they do not.
TEST(DrawingBoard, MovesAndTheReleaseArriveFromOutsideWhileAButtonIsHeld) {
    ShownBoard s;
    QTest::mouseMove(s.board, QPoint(100, 100));
    QTest::mousePress(s.board, Qt::LeftButton, {}, QPoint(100, 100));
    // Left of and above the board, right of it, below it, above the window; then Qt moves the
    // pointer to the release point.
    for (QPoint p : {QPoint(-10, -5), QPoint(600, 100), QPoint(100, 360), QPoint(-30, -100)})
        QTest::mouseMove(s.board, p);
    QTest::mouseRelease(s.board, Qt::LeftButton, {}, QPoint(600, 340));
    EXPECT_EQ(argsOf(s.move),
              "0 0 1470 1470; 1 0 -180 -105; 1 0 8970 1470; 1 0 1470 5370; "
              "1 0 -480 -1530; 1 0 8970 5070");
    EXPECT_EQ(argsOf(s.up), "1 0 8970 5070");

    s.move.clear();
    QTest::mouseMove(s.board, QPoint(600, 100));
    EXPECT_EQ(s.move.count(), 0);
}

// The pixels of the picture in `colour`; every other one must be the black background, so a
// blended (antialiased) pixel fails.
QList<QPoint> paintedPixels(const QImage& picture, QColor colour) {
    QList<QPoint> painted;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (picture.pixelColor(x, y) == colour)
                painted << QPoint(x, y);
            else
                EXPECT_EQ(picture.pixelColor(x, y), QColor(Qt::black)) << x << ", " << y;
    return painted;
}

// A segment is solid and one pixel wide: exactly one pixel per step along its longer axis, from
// its start pixel to its end pixel, each within a pixel of the ideal line. Twips are pixels x 15.
TEST(DrawingBoard, ASegmentIsASolidOnePixelLineInThePenColour) {
    const QPoint ends[][2] = {
        {{10, 20}, {100, 20}},   {{30, 5}, {30, 200}},    {{10, 10}, {90, 40}},
        {{200, 10}, {170, 150}}, {{300, 100}, {250, 80}},
    };
    for (const auto& [from, to] : ends) {
        SCOPED_TRACE(std::to_string(to.x()) + ", " + std::to_string(to.y()));
        DrawingBoard board(nullptr, kPlace);
        board.drawSegment(QPointF(from) * 15, QPointF(to) * 15, colors::grey);
        const QList<QPoint> painted = paintedPixels(board.picture(), kGreyPixel);
        const QPoint d = to - from;
        const bool alongX = std::abs(d.x()) >= std::abs(d.y());
        const auto major = [&](QPoint p) { return alongX ? p.x() : p.y(); };
        const auto minor = [&](QPoint p) { return alongX ? p.y() : p.x(); };
        EXPECT_EQ(painted.size(), std::abs(major(d)) + 1);
        EXPECT_TRUE(painted.contains(from) && painted.contains(to));
        std::set<int> majors;
        for (const QPoint& p : painted) {
            majors.insert(major(p));
            const double t = double(major(p - from)) / major(d);
            EXPECT_LT(std::abs(minor(p - from) - t * minor(d)), 1.0) << p.x() << ", " << p.y();
        }
        EXPECT_EQ(majors.size(), painted.size()) << "two pixels side by side across the line";
    }
}

// Segments far off the board are clipped by it; the picture shows inside the border; Cls
// clears it to the background and sends the graphics position home.
TEST(DrawingBoard, SegmentsOffTheBoardAreClippedAndClsClearsThem) {
    DrawingBoard board(nullptr, kPlace);
    board.drawSegment({1500, 1500}, {1e9, 1500}, colors::grey);
    board.drawSegment({1500, 1500}, {-1e30, 1500}, colors::grey);
    const QList<QPoint> painted = paintedPixels(board.picture(), kGreyPixel);
    ASSERT_EQ(painted.size(), kPlace.width() - 4);  // the whole of picture row 100, in scan order
    EXPECT_TRUE(painted.front().y() == 100 && painted.back().y() == 100);
    EXPECT_EQ(board.grab().toImage().pixelColor(2, 102), kGreyPixel);

    board.Cls();
    EXPECT_TRUE(paintedPixels(board.picture(), kGreyPixel).isEmpty());
    EXPECT_EQ(board.grab().toImage().pixelColor(2, 102), QColor(Qt::black));
}

}  // namespace
}  // namespace tavrilo
