// Playing the synth from the computer keyboard in every window.
#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QSignalSpy>
#include <QTest>

#include "support/TestApp.h"

namespace tavrilo {
namespace {

using std::chrono::milliseconds;

class Keyboard : public test::ShownMainWindow {
protected:
    std::vector<QWidget*> windows() {
        return {&app.form, app.form.Form2(), app.form.Form3(), app.form.Form5(), app.form.Form6()};
    }
};

TEST_F(Keyboard, FirstAndLastKeyOfEachRowGiveTheirPitchInEveryWindow) {
    const std::pair<Qt::Key, int> keys[] = {{Qt::Key_Z, 1},  {Qt::Key_Comma, 8}, {Qt::Key_A, 9},
                                            {Qt::Key_K, 16}, {Qt::Key_Q, 17},    {Qt::Key_I, 24}};
    for (QWidget* window : windows()) {
        SCOPED_TRACE(window->objectName().toStdString());
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
        for (const auto& [key, pitch] : keys) {
            app.form.voice().pitch = 0;
            QTest::keyClick(window->windowHandle(), key);
            EXPECT_EQ(app.form.voice().pitch, pitch) << QKeySequence(key).toString().toStdString();
            EXPECT_TRUE(app.form.Timer2().enabled());  // the attack ramp starts
        }
        window->hide();
    }
}

// The note takes everything but its pitch from the step the clock plays next, and touches
// neither the transport nor the score.
TEST_F(Keyboard, ANoteTakesTheSettingsOfCurrentStepAndLeavesTransportAndCellsAlone) {
    StepParameterSet& score = app.form.score();
    score.setCell(Row::Osc1, 3, 2);
    score.setCell(Row::Osc2, 3, 5);
    score.setCell(Row::AM1, 3, 70);
    score.setCell(Row::AM2, 3, 60);
    score.setCell(Row::FM, 3, 90);
    score.setCell(Row::Atteck, 3, 7);
    score.setCell(Row::Decay, 3, 4);
    app.form.Slidercut1()->setValue(300);
    click("cmdplay");
    app.advance(milliseconds(600));
    ASSERT_EQ(app.form.stepClock().currentStep(), 3);

    StepParameterSet before;
    for (Row r : kAllRows)
        for (int s = 0; s < kSteps; ++s)
            before.setCell(r, s, score.cell(r, s));
    const int interval = app.form.Timer3().interval();

    QTest::keyClick(app.form.windowHandle(), Qt::Key_G);  // pitch 13
    const VoiceState& v = app.form.voice();
    EXPECT_EQ(v.pitch, 13);
    EXPECT_EQ(v.osc1Option, 5);
    EXPECT_EQ(v.osc2Option, 2);
    EXPECT_EQ(v.amRate1, 30);
    EXPECT_EQ(v.amRate2, 40);
    EXPECT_EQ(v.fmRate, 10);
    EXPECT_EQ(v.cut1, 300);
    EXPECT_EQ(app.form.stepClock().attackRate(), 7);
    EXPECT_EQ(app.form.stepClock().decayRate(), 4);

    EXPECT_EQ(app.form.stepClock().currentStep(), 3);
    EXPECT_TRUE(app.form.stepClock().playing());
    EXPECT_EQ(app.form.Timer3().interval(), interval);
    EXPECT_EQ(app.form.indicators().lamp(3), true);
    for (Row r : kAllRows)
        for (int s = 0; s < kSteps; ++s)
            ASSERT_EQ(score.cell(r, s), before.cell(r, s));
}

TEST_F(Keyboard, AutoRepeatAndReleasesDoNothing) {
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_W, Qt::NoModifier, QStringLiteral("w"), true);
    QApplication::sendEvent(&app.form, &repeat);
    EXPECT_EQ(app.form.voice().pitch, 0);
    EXPECT_FALSE(app.form.Timer2().interval() > 0);
    QTest::keyRelease(&app.form, Qt::Key_W);
    EXPECT_EQ(app.form.voice().pitch, 0);
    QTest::keyPress(&app.form, Qt::Key_W);
    EXPECT_EQ(app.form.voice().pitch, 18);
    QTest::keyRelease(&app.form, Qt::Key_W);
}

TEST_F(Keyboard, AltXStillAsksToExit) {
    QApplication::setActiveWindow(&app.form);  // a mnemonic works in the active window
    ASSERT_EQ(QApplication::activeWindow(), &app.form);
    bool asked = false;
    test::answerNextMessageBox(
        QMessageBox::No, [&](QMessageBox& box) { asked = box.text() == "Exit Tavrilo Synth?"; });
    // Through the window, as the platform delivers keys: that is where shortcuts are matched.
    QTest::keyClick(app.form.windowHandle(), Qt::Key_X, Qt::AltModifier);
    // A mnemonic presses the button with a short animation, then clicks.
    EXPECT_TRUE(QTest::qWaitFor([&] { return asked; }, 3000));
    EXPECT_EQ(app.form.voice().pitch, 0);  // X is a note key, but not with Alt
}

}  // namespace
}  // namespace tavrilo
