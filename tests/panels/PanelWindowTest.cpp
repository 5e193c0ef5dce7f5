#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

#include "common/Twips.h"
#include "panels/PanelWindow.h"
#include "support/TestApp.h"

namespace tavrilo {
namespace {

struct SliderCase {
    Row row;
    PanelWindow::Kind panel;
    int min, max, largeChange, smallChange;
    QSlider::TickPosition ticks;
    int top;     // twips
    int width;   // twips
    int height;  // twips
};

const SliderCase kSliders[] = {
    {Row::Tone, PanelWindow::Kind::Oscillator, 0, 24, 1, 1, QSlider::NoTicks, 960, 180, 1155},
    {Row::Osc1, PanelWindow::Kind::Oscillator, 0, 7, 5, 1, QSlider::TicksRight, 2520, 255, 855},
    {Row::Osc2, PanelWindow::Kind::Oscillator, 0, 7, 5, 1, QSlider::TicksRight, 3720, 255, 855},
    {Row::Atteck, PanelWindow::Kind::Envelope, 1, 25, 5, 1, QSlider::TicksRight, 480, 255, 855},
    {Row::Decay, PanelWindow::Kind::Envelope, 0, 25, 5, 1, QSlider::TicksRight, 1680, 255, 855},
    {Row::VOL, PanelWindow::Kind::Envelope, 0, 100, 5, 1, QSlider::TicksRight, 2880, 255, 855},
    {Row::AM1, PanelWindow::Kind::Modulation, 0, 100, 5, 1, QSlider::TicksRight, 480, 255, 855},
    {Row::AM2, PanelWindow::Kind::Modulation, 0, 100, 5, 1, QSlider::TicksRight, 1680, 255, 855},
    {Row::FM, PanelWindow::Kind::Modulation, 0, 100, 5, 1, QSlider::TicksRight, 2880, 255, 855},
};

class PanelsAfterStartup : public ::testing::Test {
protected:
    test::ShownProgram app;
    StepParameterSet& score = app.instrument.score();

    PanelWindow* panel(PanelWindow::Kind kind) {
        switch (kind) {
            case PanelWindow::Kind::Oscillator: return app.form.Form2();
            case PanelWindow::Kind::Envelope: return app.form.Form5();
            case PanelWindow::Kind::Modulation: return app.form.Form6();
        }
        return nullptr;
    }
};

TEST_F(PanelsAfterStartup, EverySliderHasItsRangeStepsTicksAndPlace) {
    ASSERT_TRUE(app.loaded);
    for (const SliderCase& c : kSliders) {
        SCOPED_TRACE(std::string(rowInfo(c.row).controlName));
        PanelWindow* p = panel(c.panel);
        for (int s = 0; s < kSteps; ++s) {
            QSlider* sl = p->findChild<QSlider*>(arrayName(rowInfo(c.row).controlName.data(), s));
            ASSERT_NE(sl, nullptr) << "step " << s;
            EXPECT_EQ(sl, p->slider(c.row, s));
            EXPECT_EQ(sl->orientation(), Qt::Vertical);
            EXPECT_EQ(sl->minimum(), c.min);
            EXPECT_EQ(sl->maximum(), c.max);
            EXPECT_EQ(sl->pageStep(), c.largeChange);
            EXPECT_EQ(sl->singleStep(), c.smallChange);
            EXPECT_EQ(sl->tickPosition(), c.ticks);
            EXPECT_EQ(sl->geometry(), twipsRect(360 + 240 * s, c.top, c.width, c.height));
            EXPECT_EQ(sl->value(), score.cell(c.row, s));
        }
    }
    QSlider* length = app.form.Form2()->lengthSlider();
    ASSERT_NE(length, nullptr);
    EXPECT_EQ(length->objectName(), "Slider6");
    EXPECT_EQ(length->orientation(), Qt::Horizontal);
    EXPECT_EQ(length->minimum(), 1);
    EXPECT_EQ(length->maximum(), 32);
    EXPECT_EQ(length->value(), 32);
    EXPECT_EQ(app.form.Form5()->lengthSlider(), nullptr);
}

// A vertical slider has its Min at the top: a click on the track below the thumb moves it
// down by LargeChange towards Max, and the Up arrow moves it back up towards Min.
TEST_F(PanelsAfterStartup, VerticalSlidersHaveMinAtTheTop) {
    PanelWindow* p = app.form.Form6();
    p->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(p));
    QSlider* sl = p->slider(Row::AM1, 10);
    score.setCell(Row::AM1, 10, 0);
    // The groove runs down the left of the slider; the ticks stand to its right.
    QTest::mouseClick(sl, Qt::LeftButton, {}, QPoint(4, sl->height() * 3 / 4));
    EXPECT_EQ(score.cell(Row::AM1, 10), 5);
    sl->setFocus();
    QTest::keyClick(sl, Qt::Key_Up);
    EXPECT_EQ(score.cell(Row::AM1, 10), 4);
    QTest::keyClick(sl, Qt::Key_Down);
    QTest::keyClick(sl, Qt::Key_Down);
    EXPECT_EQ(score.cell(Row::AM1, 10), 6);
    p->hide();
}

TEST_F(PanelsAfterStartup, AScoreWriteMovesTheSliderOfAHiddenPanelAtOnce) {
    for (const SliderCase& c : kSliders) {
        PanelWindow* p = panel(c.panel);
        ASSERT_FALSE(p->isVisible());
        score.setCell(c.row, 31, c.min + 1);
        EXPECT_EQ(p->slider(c.row, 31)->value(), c.min + 1) << rowInfo(c.row).controlName;
    }
    score.setLength(9);
    EXPECT_EQ(app.form.Form2()->lengthSlider()->value(), 9);
}

TEST_F(PanelsAfterStartup, PanelsStartHiddenWithTheirCaptionsAndPlaces) {
    struct WindowCase {
        PanelWindow* window;
        const char* name;
        const char* caption;
        QRect client;
    } cases[] = {
        {app.form.Form2(), "Form2", "Tavrilo Synth Oscilator Control",
         twipsRect(8475, 855, 8415, 5655)},
        {app.form.Form6(), "Form6", "Tavrilo Synth Oscilator Modulation Control",
         twipsRect(8475, 5190, 8415, 4680)},
        {app.form.Form5(), "Form5", "Tavrilo Synth Volume Envelope Control",
         twipsRect(8475, 8820, 8415, 4695)},
    };
    for (const WindowCase& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NE(c.window, nullptr);
        EXPECT_FALSE(c.window->isVisible());
        EXPECT_EQ(c.window->objectName(), c.name);
        EXPECT_EQ(c.window->windowTitle(), c.caption);
        EXPECT_TRUE(c.window->windowFlags() & Qt::Tool);
        EXPECT_EQ(c.window->parentWidget(), nullptr);  // modeless, without owner
        EXPECT_EQ(c.window->geometry(), c.client);
    }
}

TEST_F(PanelsAfterStartup, CloseButtonAndCloseBoxOnlyHideAndKeepEveryValue) {
    for (PanelWindow* p : {app.form.Form2(), app.form.Form5(), app.form.Form6()}) {
        SCOPED_TRACE(p->objectName().toStdString());
        const Row row = p->rows()[1];
        score.setCell(row, 12, rowInfo(row).min + 2);

        p->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(p));
        QTest::mouseClick(p->closeButton(), Qt::LeftButton);
        EXPECT_FALSE(p->isVisible());
        EXPECT_EQ(p->closeButton()->text(), "Close");

        p->show();
        EXPECT_TRUE(p->close());  // the title bar's close box
        EXPECT_FALSE(p->isVisible());

        p->show();
        EXPECT_TRUE(p->isVisible());
        EXPECT_EQ(p->slider(row, 12)->value(), rowInfo(row).min + 2);
        EXPECT_EQ(score.cell(row, 12), rowInfo(row).min + 2);
        p->hide();
    }
}

// Enlarged, a panel shows its light grey where the picture ends.
TEST_F(PanelsAfterStartup, AnEnlargedPanelIsLightGreyBeyondItsPicture) {
    PanelWindow* p = app.form.Form6();
    p->show();
    p->resize(p->size() + QSize(100, 100));
    const QImage shown = p->grab().toImage();
    EXPECT_EQ(shown.pixelColor(shown.width() - 30, shown.height() - 30), QColor(224, 224, 224));
    p->hide();
}

TEST_F(PanelsAfterStartup, LampsAndMarkersFollowTheStepIndicators) {
    PanelWindow* p = app.form.Form5();
    p->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(p));
    for (PanelWindow* each : {app.form.Form2(), app.form.Form5(), app.form.Form6()})
        for (int s = 0; s < kSteps; ++s)
            EXPECT_EQ(each->lamp(s)->color(), colors::black);

    app.instrument.indicators().setLamp(6, true);
    app.instrument.indicators().setMarker(16, true);
    for (PanelWindow* each : {app.form.Form2(), app.form.Form5(), app.form.Form6()})
        EXPECT_EQ(each->lamp(6)->color(), colors::red);

    // Marker 16 is the wide bright green line through step 16's column, drawn where no slider
    // covers it: between the lowest slider row and the lamps.
    const QImage shown = p->grab().toImage();
    const QRect m = p->markerRect(16);
    const QPoint probe(m.center().x(), px(3800));
    EXPECT_EQ(shown.pixelColor(probe), QColor(0, 192, 0));
    app.instrument.indicators().setMarker(16, false);
    EXPECT_NE(p->grab().toImage().pixelColor(probe), QColor(0, 192, 0));
    p->hide();
}

}  // namespace
}  // namespace tavrilo
