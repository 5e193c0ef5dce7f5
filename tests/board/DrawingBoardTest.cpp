// Route QTest's widget mouse functions through the window, as real input arrives: the event
// goes to whatever widget Qt picks (the grabbing one while a button is held), not straight to
// the widget named in the call.
#define QTEST_QPA_MOUSE_HANDLING

#include <gtest/gtest.h>

#include <QApplication>
#include <QPaintEvent>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>
#include <cmath>
#include <map>
#include <set>
#include <string>

#include "board/DrawingBoard.h"

namespace tavrilo {
namespace {

constexpr ColorValue kGrey = rgb(128, 128, 128);

// A shown top-level window holding the board at its place on the main window (client pixel
// (16, 88), 513 x 329), with room around it to move the mouse off the board.
struct ShownBoard {
    QWidget top;
    DrawingBoard* board = new DrawingBoard(&top, QRect(16, 88, 513, 329));

    ShownBoard() {
        top.resize(640, 480);
        board->setBackColor(colors::black);
        top.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&top));
    }
    // QTest remembers held buttons across tests: let go even after a failure mid-stroke.
    ~ShownBoard() { QTest::mouseRelease(board, Qt::LeftButton, {}, QPoint(10, 10)); }
};

// Qt sends a move to the press or release position first when the pointer was elsewhere, as
// a real pointer would have moved there; hovering there beforehand keeps the counts exact.
void hover(DrawingBoard* board, QPoint p) {
    QTest::mouseMove(board, p);
}

struct MouseArgs {
    int button;
    int shift;
    float x;
    float y;
};

MouseArgs argsOf(const QList<QVariant>& signal) {
    return {signal.at(0).toInt(), signal.at(1).toInt(), signal.at(2).toFloat(),
            signal.at(3).toFloat()};
}

// Widget pixel p lies (p - 2) * 15 twips from the inner corner of the 2-pixel border.
TEST(DrawingBoard, MouseEventsArriveAsButtonFlagsAndTwipsInsideTheBorder) {
    ShownBoard s;
    QSignalSpy down(s.board, &DrawingBoard::MouseDown);
    QSignalSpy move(s.board, &DrawingBoard::MouseMove);
    QSignalSpy up(s.board, &DrawingBoard::MouseUp);

    struct Case {
        QPoint pixel;
        float x, y;
    } cases[] = {
        {{2, 2}, 0, 0}, {{12, 20}, 150, 270}, {{82, 69}, 1200, 1005}, {{510, 326}, 7620, 4860}};
    for (const Case& c : cases) {
        SCOPED_TRACE("pixel " + std::to_string(c.pixel.x()) + ", " + std::to_string(c.pixel.y()));
        hover(s.board, c.pixel);
        down.clear();
        move.clear();
        up.clear();
        QTest::mousePress(s.board, Qt::LeftButton, Qt::ShiftModifier, c.pixel);
        QTest::mouseMove(s.board, c.pixel + QPoint(1, 0));
        QTest::mouseRelease(s.board, Qt::LeftButton, Qt::ControlModifier, c.pixel + QPoint(1, 0));

        ASSERT_EQ(down.count(), 1);
        const MouseArgs d = argsOf(down.at(0));
        EXPECT_EQ(d.button, 1);
        EXPECT_EQ(d.shift, 1);
        EXPECT_FLOAT_EQ(d.x, c.x);
        EXPECT_FLOAT_EQ(d.y, c.y);

        ASSERT_EQ(move.count(), 1);
        const MouseArgs m = argsOf(move.at(0));
        EXPECT_EQ(m.button, 1);
        EXPECT_FLOAT_EQ(m.x, c.x + 15);
        EXPECT_FLOAT_EQ(m.y, c.y);

        ASSERT_EQ(up.count(), 1);
        const MouseArgs u = argsOf(up.at(0));
        EXPECT_EQ(u.button, 1);
        EXPECT_EQ(u.shift, 2);
        EXPECT_FLOAT_EQ(u.x, c.x + 15);
        EXPECT_FLOAT_EQ(u.y, c.y);
    }
}

// A press or release names its one button; a move names every button held.
TEST(DrawingBoard, PressAndReleaseNameOneButtonAndMovesAllHeld) {
    ShownBoard s;
    QSignalSpy down(s.board, &DrawingBoard::MouseDown);
    QSignalSpy move(s.board, &DrawingBoard::MouseMove);
    QSignalSpy up(s.board, &DrawingBoard::MouseUp);

    hover(s.board, QPoint(50, 50));
    move.clear();
    QTest::mousePress(s.board, Qt::LeftButton, {}, QPoint(50, 50));
    QTest::mousePress(s.board, Qt::RightButton, {}, QPoint(50, 50));
    QTest::mouseMove(s.board, QPoint(60, 50));
    QTest::mouseRelease(s.board, Qt::RightButton, {}, QPoint(60, 50));
    QTest::mouseMove(s.board, QPoint(70, 50));
    QTest::mousePress(s.board, Qt::MiddleButton, {}, QPoint(70, 50));
    QTest::mouseRelease(s.board, Qt::MiddleButton, {}, QPoint(70, 50));
    QTest::mouseRelease(s.board, Qt::LeftButton, {}, QPoint(70, 50));
    QTest::mouseMove(s.board, QPoint(80, 50));

    ASSERT_EQ(down.count(), 3);
    EXPECT_EQ(argsOf(down.at(0)).button, 1);
    EXPECT_EQ(argsOf(down.at(1)).button, 2);
    EXPECT_EQ(argsOf(down.at(2)).button, 4);
    ASSERT_EQ(up.count(), 3);
    EXPECT_EQ(argsOf(up.at(0)).button, 2);
    EXPECT_EQ(argsOf(up.at(1)).button, 4);
    EXPECT_EQ(argsOf(up.at(2)).button, 1);
    // Moves: left + right held, left held, nothing held (moves without a button arrive too).
    ASSERT_EQ(move.count(), 3);
    EXPECT_EQ(argsOf(move.at(0)).button, 3);
    EXPECT_EQ(argsOf(move.at(1)).button, 1);
    EXPECT_EQ(argsOf(move.at(2)).button, 0);
    EXPECT_FLOAT_EQ(argsOf(move.at(2)).x, 78 * 15);
}

// While a button pressed over the board is held, the board keeps the mouse: moves and the
// release from outside it, even outside the window, come to the board in its own twips.
TEST(DrawingBoard, MovesAndTheReleaseArriveFromOutsideWhileAButtonIsHeld) {
    ShownBoard s;
    QSignalSpy move(s.board, &DrawingBoard::MouseMove);
    QSignalSpy up(s.board, &DrawingBoard::MouseUp);

    hover(s.board, QPoint(100, 100));
    move.clear();
    QTest::mousePress(s.board, Qt::LeftButton, {}, QPoint(100, 100));
    // Left of and above the board, right of it, below it, outside the window, and the place of
    // the release.
    const QPoint outside[] = {{-10, -5}, {600, 100}, {100, 360}, {-30, -100}, {600, 340}};
    for (const QPoint& p : outside)
        QTest::mouseMove(s.board, p);
    QTest::mouseRelease(s.board, Qt::LeftButton, {}, QPoint(600, 340));

    ASSERT_EQ(move.count(), static_cast<int>(std::size(outside)));
    for (int i = 0; i < move.count(); ++i) {
        SCOPED_TRACE("move " + std::to_string(i));
        const MouseArgs m = argsOf(move.at(i));
        EXPECT_EQ(m.button, 1);
        EXPECT_FLOAT_EQ(m.x, (outside[i].x() - 2) * 15.0f);
        EXPECT_FLOAT_EQ(m.y, (outside[i].y() - 2) * 15.0f);
    }
    ASSERT_EQ(up.count(), 1);
    EXPECT_FLOAT_EQ(argsOf(up.at(0)).x, 598 * 15.0f);
    EXPECT_FLOAT_EQ(argsOf(up.at(0)).y, 338 * 15.0f);

    // Without a button held the board no longer hears the mouse off its area.
    move.clear();
    QTest::mouseMove(s.board, QPoint(600, 100));
    EXPECT_EQ(move.count(), 0);
}

// Checks that every pixel of the picture is either the background or exactly `colour`, and
// returns the painted ones.
std::set<std::pair<int, int>> paintedPixels(const QImage& picture, ColorValue colour) {
    std::set<std::pair<int, int>> painted;
    const QRgb background = qRgb(0, 0, 0);
    const QRgb pen = qRgb(redOf(colour), greenOf(colour), blueOf(colour));
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb p = picture.pixel(x, y) & 0xFFFFFF;
            if (p == (pen & 0xFFFFFF)) {
                painted.insert({x, y});
            } else {
                EXPECT_EQ(p, background & 0xFFFFFF) << "blended pixel at " << x << ", " << y;
            }
        }
    }
    return painted;
}

// A segment is solid (no gaps), one pixel wide, drawn without antialiasing in the pen colour,
// from its start pixel on. Twips map to picture pixels at 15 to one.
TEST(DrawingBoard, ASegmentIsASolidOnePixelLineInThePenColour) {
    struct Case {
        const char* name;
        QPoint from, to;  // picture pixels
    } cases[] = {
        {"horizontal", {10, 20}, {100, 20}},  {"vertical", {30, 5}, {30, 200}},
        {"shallow", {10, 10}, {90, 40}},      {"steep", {200, 10}, {170, 150}},
        {"backwards", {300, 100}, {250, 80}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ShownBoard s;
        s.board->drawSegment(QPointF(c.from) * 15, QPointF(c.to) * 15, kGrey);
        const auto painted = paintedPixels(s.board->picture(), kGrey);

        const int dx = std::abs(c.to.x() - c.from.x());
        const int dy = std::abs(c.to.y() - c.from.y());
        const bool alongX = dx >= dy;
        EXPECT_TRUE(painted.count({c.from.x(), c.from.y()})) << "start pixel";
        EXPECT_TRUE(painted.count({c.to.x(), c.to.y()})) << "end pixel";
        // One pixel per step along the major axis, between the end points, none elsewhere.
        std::map<int, int> perMajor;
        for (const auto& [x, y] : painted) {
            EXPECT_GE(x, std::min(c.from.x(), c.to.x()));
            EXPECT_LE(x, std::max(c.from.x(), c.to.x()));
            EXPECT_GE(y, std::min(c.from.y(), c.to.y()));
            EXPECT_LE(y, std::max(c.from.y(), c.to.y()));
            ++perMajor[alongX ? x : y];
        }
        const int lo = alongX ? std::min(c.from.x(), c.to.x()) : std::min(c.from.y(), c.to.y());
        const int hi = alongX ? std::max(c.from.x(), c.to.x()) : std::max(c.from.y(), c.to.y());
        for (int m = lo + 1; m < hi; ++m)
            EXPECT_EQ(perMajor[m], 1) << "at " << m;
        // The painted pixels follow the ideal line through the pixel centres: each is one of the
        // two pixels nearest to it.
        for (const auto& [x, y] : painted) {
            const double t = alongX ? double(x - c.from.x()) / (c.to.x() - c.from.x())
                                    : double(y - c.from.y()) / (c.to.y() - c.from.y());
            const double ideal = alongX ? c.from.y() + t * (c.to.y() - c.from.y())
                                        : c.from.x() + t * (c.to.x() - c.from.x());
            EXPECT_LT(std::abs((alongX ? y : x) - ideal), 1.0) << x << ", " << y;
        }
    }
}

// The picture shows on screen inside the border, and a segment repaints only the pixels it
// touched, not the whole board.
TEST(DrawingBoard, ASegmentShowsInsideTheBorderAndRepaintsOnlyItsArea) {
    ShownBoard s;
    QApplication::processEvents();

    struct PaintRecorder : QObject {
        QRegion painted;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint) painted += static_cast<QPaintEvent*>(e)->region();
            return false;
        }
    } recorder;
    s.board->installEventFilter(&recorder);
    s.board->drawSegment({150, 300}, {600, 300}, rgb(255, 0, 255));  // pixels (10,20)-(40,20)
    QTRY_VERIFY(!recorder.painted.isEmpty());
    s.board->removeEventFilter(&recorder);

    const QRect bound = recorder.painted.boundingRect();
    EXPECT_TRUE(QRect(10, 20, 31, 1).translated(2, 2).adjusted(-1, -1, 1, 1).contains(bound))
        << bound.x() << "," << bound.y() << " " << bound.width() << "x" << bound.height();

    const QImage shown = s.board->grab().toImage();
    EXPECT_EQ(shown.pixelColor(12 + 15, 22), QColor(255, 0, 255));
    EXPECT_EQ(shown.pixelColor(12 + 15, 21), QColor(0, 0, 0));
    EXPECT_EQ(s.board->currentPosition(), QPointF(600, 300));
}

// A segment running far off the board is clipped by it and leaves the rest intact.
TEST(DrawingBoard, ASegmentOffTheBoardIsClipped) {
    ShownBoard s;
    s.board->drawSegment({1500, 1500}, {1e9, 1500}, kGrey);
    s.board->drawSegment({1500, 1500}, {-1e30, 1500}, kGrey);
    const auto painted = paintedPixels(s.board->picture(), kGrey);
    EXPECT_EQ(painted.size(), static_cast<std::size_t>(s.board->picture().width()));
    for (const auto& [x, y] : painted)
        EXPECT_EQ(y, 100);
}

TEST(DrawingBoard, ClsClearsThePictureAndTheGraphicsPosition) {
    ShownBoard s;
    s.board->drawSegment({0, 1500}, {3000, 1500}, kGrey);
    s.board->drawSegment({3000, 1500}, {4000, 100}, colors::white);
    ASSERT_EQ(s.board->picture().pixelColor(100, 100), QColor(128, 128, 128));
    s.board->Cls();
    EXPECT_TRUE(paintedPixels(s.board->picture(), kGrey).empty());
    EXPECT_TRUE(paintedPixels(s.board->picture(), colors::white).empty());
    EXPECT_EQ(s.board->currentPosition(), QPointF(0, 0));
    const QImage shown = s.board->grab().toImage();
    EXPECT_EQ(shown.pixelColor(102, 102), QColor(0, 0, 0));
}

}  // namespace
}  // namespace tavrilo
