// The transport through its buttons and the tempo slider, and the lamps the user watches.
#include <gtest/gtest.h>

#include <QTest>

#include "support/TestApp.h"

namespace tavrilo {
namespace {

using std::chrono::milliseconds;

class TransportOnMainWindow : public test::ShownMainWindow {
protected:
    std::vector<int> redLampsOnMainWindow() {
        std::vector<int> red;
        for (int i = 32; i < 64; ++i)
            if (app.form.Picture4(i)->color() == colors::red) red.push_back(i);
        return red;
    }
};

TEST_F(TransportOnMainWindow, PlayLightsTheLampAndWalksTheStepLamps) {
    click("cmdplay");
    EXPECT_EQ(app.form.Picture3()->color(), colors::green);
    EXPECT_TRUE(redLampsOnMainWindow().empty());  // nothing moves before the first tick
    app.advance(milliseconds(199));
    EXPECT_TRUE(redLampsOnMainWindow().empty());
    app.advance(milliseconds(1));
    EXPECT_EQ(redLampsOnMainWindow(), std::vector<int>{33});
    app.advance(milliseconds(200));
    EXPECT_EQ(redLampsOnMainWindow(), std::vector<int>{34});
    EXPECT_EQ(app.form.Form5()->lamp(2)->color(), colors::red);

    click("cmdstop");
    EXPECT_EQ(app.form.Picture3()->color(), colors::black);
    app.advance(milliseconds(1000));
    EXPECT_EQ(redLampsOnMainWindow(), std::vector<int>{34});  // lamps keep their colours
}

TEST_F(TransportOnMainWindow, TheTempoSliderSetsTheStepInterval) {
    EXPECT_EQ(app.form.Timer3().interval(), 200);
    app.form.sltempo()->setFocus();
    QTest::keyClick(app.form.sltempo(), Qt::Key_PageUp);
    EXPECT_EQ(app.form.sltempo()->value(), 205);
    EXPECT_EQ(app.form.Timer3().interval(), 205);
    app.form.sltempo()->setValue(1600);
    EXPECT_EQ(app.form.Timer3().interval(), 1600);
    app.form.sltempo()->setValue(1);
    EXPECT_EQ(app.form.Timer3().interval(), 1);
}

TEST_F(TransportOnMainWindow, ExpandSlidersReachTheVoiceAtTheNextNote) {
    app.form.score().setCell(Row::Tone, 0, 12);
    app.form.Slidercut1()->setValue(700);
    app.form.Slidercut21()->setValue(1900);
    click("cmdplay");
    EXPECT_EQ(app.form.voice().cut1, 0);
    app.advance(milliseconds(200));
    EXPECT_EQ(app.form.voice().cut1, 700);
    EXPECT_EQ(app.form.voice().cut2, 1900);
    EXPECT_EQ(app.form.voice().pitch, 12);
}

TEST_F(TransportOnMainWindow, ResetButtonWritesTheResetValuesAndLeavesPlaybackRunning) {
    app.form.score().setCell(Row::Tone, 4, 3);
    app.form.score().setLength(7);
    click("cmdplay");
    app.advance(milliseconds(1000));
    const int step = app.form.stepClock().currentStep();
    click("cmdreset");
    EXPECT_EQ(app.form.score().cell(Row::Tone, 4), 24);
    EXPECT_EQ(app.form.score().cell(Row::Atteck, 4), 10);
    EXPECT_EQ(app.form.score().length(), 32);
    EXPECT_EQ(app.form.Form2()->lengthSlider()->value(), 32);
    EXPECT_EQ(app.form.stepClock().currentStep(), step);
    EXPECT_TRUE(app.form.stepClock().playing());
    EXPECT_TRUE(app.form.indicators().marker(4));  // not refreshed until the clock gets there
}

}  // namespace
}  // namespace tavrilo
