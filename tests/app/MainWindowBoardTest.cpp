// Drawing on the main window's board with real mouse events, as a user does.
#define QTEST_QPA_MOUSE_HANDLING

#include <gtest/gtest.h>

#include <QTest>

#include "common/QtColor.h"
#include "support/TestApp.h"

namespace tavrilo {
namespace {

using std::chrono::milliseconds;

// Board pixels lie 2 pixels inside the board widget; twips are pixels x 15.
QPoint boardPixel(int xTwips, int yTwips) {
    return {xTwips / 15 + DrawingBoard::kBorderPx, yTwips / 15 + DrawingBoard::kBorderPx};
}

int countColor(const QImage& image, QColor color) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == color) ++n;
    return n;
}

class BoardOnMainWindow : public test::ShownMainWindow {
protected:
    DrawingBoard* board = nullptr;

    void SetUp() override {
        test::ShownMainWindow::SetUp();
        board = app.form.Picdraw();
    }
    void TearDown() override {
        // QTest remembers held buttons across tests.
        QTest::mouseRelease(board, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseRelease(board, Qt::RightButton, {}, QPoint(5, 5));
    }
    void pickChalk(int swatch) { QTest::mouseClick(app.form.lblcolor(swatch), Qt::LeftButton); }
    void press(int x, int y, Qt::MouseButton b = Qt::LeftButton) {
        QTest::mouseMove(board, boardPixel(x, y));
        QTest::mousePress(board, b, {}, boardPixel(x, y));
    }
    void move(int x, int y) { QTest::mouseMove(board, boardPixel(x, y)); }
    void release(int x, int y, Qt::MouseButton b = Qt::LeftButton) {
        QTest::mouseRelease(board, b, {}, boardPixel(x, y));
    }
    int tone(int step) { return app.form.score().cell(Row::Tone, step); }
};

// Grey chalk, cursor mode: the first move writes 5 into Tone of step 5 and moves the slider
// of that cell on the hidden oscillator panel; the second move rewrites it with 10.
TEST_F(BoardOnMainWindow, AGreyStrokeWritesToneOfTheColumnAndMovesTheHiddenSlider) {
    pickChalk(0);
    ASSERT_FALSE(app.form.Form2()->isVisible());
    press(990, 1005);
    EXPECT_EQ(tone(5), 24);  // a press alone writes nothing
    move(1200, 1005);
    EXPECT_EQ(tone(5), 5);
    EXPECT_EQ(app.form.Form2()->slider(Row::Tone, 5)->value(), 5);
    EXPECT_EQ(app.form.drawing().Sliderdraw(), 5);
    move(1200, 2010);
    EXPECT_EQ(tone(5), 10);
    EXPECT_EQ(app.form.Form2()->slider(Row::Tone, 5)->value(), 10);
    release(1200, 2010);
    for (int s = 0; s < kSteps; ++s) {
        if (s != 5) {
            EXPECT_EQ(tone(s), 24) << "step " << s;
        }
    }
    // Two segments in grey on the board's picture.
    EXPECT_GT(countColor(board->picture(), QColor(128, 128, 128)), 80);
}

TEST_F(BoardOnMainWindow, PlayStepModeWritesTheStepTheClockPlaysNext) {
    click("cmdplay");
    app.advance(milliseconds(600));  // three step ticks at 200 ms
    click("cmdstop");
    ASSERT_EQ(app.form.stepClock().currentStep(), 3);

    app.form.optraw(0)->click();
    pickChalk(0);
    press(990, 1005);
    move(1200, 1005);
    move(1200, 2010);
    release(1200, 2010);
    EXPECT_EQ(tone(3), 10);
    EXPECT_EQ(tone(5), 24);
    EXPECT_EQ(app.form.drawing().Sliderdraw(), 5);  // the cursor still follows the pointer
}

TEST_F(BoardOnMainWindow, PressAndReleaseWithoutAMoveLeavesNoMarkAndNoValue) {
    pickChalk(0);
    press(3000, 3000);
    release(3000, 3000);
    EXPECT_FALSE(app.form.drawing().penDown());
    EXPECT_EQ(countColor(board->picture(), QColor(0, 0, 0)),
              board->picture().width() * board->picture().height());
    for (int s = 0; s < kSteps; ++s)
        ASSERT_EQ(tone(s), 24);
}

TEST_F(BoardOnMainWindow, RightButtonDragsDrawNothingButAnyReleaseStopsTheAttack) {
    pickChalk(0);
    app.form.stepClock().loadVoice(0, 12);  // a note in its attack
    ASSERT_TRUE(app.form.Timer2().enabled());
    press(600, 600, Qt::RightButton);
    move(2400, 3000);
    release(2400, 3000, Qt::RightButton);
    for (int s = 0; s < kSteps; ++s)
        ASSERT_EQ(tone(s), 24);
    EXPECT_FALSE(app.form.Timer2().enabled());
}

TEST_F(BoardOnMainWindow, ARightClickInTheMiddleOfAStrokeDoesNotEndIt) {
    pickChalk(0);
    press(0, 1005);
    move(240, 1005);
    QTest::mousePress(board, Qt::RightButton, {}, boardPixel(240, 1005));
    QTest::mouseRelease(board, Qt::RightButton, {}, boardPixel(240, 1005));
    EXPECT_TRUE(app.form.drawing().penDown());
    move(480, 2010);
    release(480, 2010);
    EXPECT_EQ(tone(1), 5);
    EXPECT_EQ(tone(2), 10);
    EXPECT_FALSE(app.form.drawing().penDown());
}

// Dragged off both edges of the window, the stroke keeps writing at the outermost steps and
// never outside the score.
TEST_F(BoardOnMainWindow, AStrokeDraggedOffBothEdgesStaysInsideTheScore) {
    pickChalk(0);
    int writes = 0;
    app.form.score().addListener([&](const StepParameterSet::Change& c) {
        if (!c.isLength) {
            ++writes;
            EXPECT_TRUE(c.step == 0 || c.step == 31) << c.step;
        }
    });
    press(120, 1005);
    QTest::mouseMove(board, QPoint(-60, 69));       // left of the window
    QTest::mouseMove(board, QPoint(700, 69 + 60));  // right of the window
    QTest::mouseRelease(board, Qt::LeftButton, {}, QPoint(700, 129));
    EXPECT_EQ(tone(0), 5);
    EXPECT_EQ(tone(31), 9);
    EXPECT_EQ(writes, 2);
}

TEST_F(BoardOnMainWindow, NewClearsThePictureButNotTheScoreAndPlaybackGoesOn) {
    pickChalk(0);
    press(0, 1500);
    move(15, 2010);
    move(480, 2010);
    release(480, 2010);
    click("cmdplay");
    ASSERT_GT(countColor(board->picture(), QColor(128, 128, 128)), 0);

    click("cmdnew");
    EXPECT_EQ(countColor(board->picture(), QColor(128, 128, 128)), 0);
    EXPECT_EQ(app.form.drawing().position(), (BoardPoint{0, 0}));
    EXPECT_EQ(tone(0), 10);
    EXPECT_EQ(tone(2), 10);
    EXPECT_TRUE(app.form.stepClock().playing());
    app.advance(milliseconds(200));
    EXPECT_EQ(app.form.voice().pitch, 14);  // the cleared stroke still sounds
}

TEST_F(BoardOnMainWindow, BeforeAnyChalkIsPickedAStrokeWritesDecayInWhite) {
    press(2400, 1005);
    move(2640, 2010);
    release(2640, 2010);
    EXPECT_EQ(app.form.score().cell(Row::Decay, 11), 10);
    EXPECT_EQ(app.form.score().cell(Row::Decay, 10), 10);  // start-up value, untouched
    EXPECT_EQ(app.form.Form5()->slider(Row::Decay, 11)->value(), 10);
    EXPECT_GT(countColor(board->picture(), QColor(255, 255, 255)), 0);
    for (int s = 0; s < kSteps; ++s)
        ASSERT_EQ(tone(s), 24);
}

// What is drawn is heard: each drawn step loads its own pitch into the voice when it plays.
TEST_F(BoardOnMainWindow, DrawnStepsLoadTheirPitchesWhenPlayed) {
    pickChalk(0);
    press(0, 3000);
    move(15, 4005);   // step 0: Tone 20, pitch 4
    move(240, 3000);  // step 1: Tone 15, pitch 9
    move(480, 1005);  // step 2: Tone 5, pitch 19
    release(480, 1005);
    click("cmdplay");
    const int expected[] = {4, 9, 19, 19};  // step 3 is a rest: the last note's pitch stays
    for (int step = 0; step < 4; ++step) {
        app.advance(milliseconds(200));
        EXPECT_EQ(app.form.voice().pitch, expected[step]) << "after step " << step;
    }
}

}  // namespace
}  // namespace tavrilo
