// The main window as the user meets it: its look, its openers and the real mouse and keys.
#define QTEST_QPA_MOUSE_HANDLING

#include <gtest/gtest.h>

#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QSignalSpy>
#include <QSlider>

#include "app/HelpWindow.h"
#include "board/DrawingBoard.h"
#include "common/Artwork.h"
#include "common/Twips.h"
#include "panels/MeterWindow.h"
#include "panels/PanelWindow.h"
#include "support/TestApp.h"

namespace tavrilo {
namespace {

using std::chrono::milliseconds;

// The names of the shown widgets of `Kind` inside the window's client area.
template <typename Kind>
QStringList shownInClient(const QWidget& form) {
    QStringList names;
    for (Kind* w : form.findChildren<Kind*>())
        if (w->isVisibleTo(&form) && form.rect().intersects(w->geometry()))
            names << w->objectName();
    names.sort();
    return names;
}

struct MainWindow : ::testing::Test {
    test::ShownProgram app;
    Instrument& in = app.instrument;
};

// At start-up: each swatch with its caption below, six "S" and no "L", no slider in sight.
// Help's ">" widens the window for good (its "OK" hides it), showing the tempo, "Expand" and the
// mode buttons; the tempo slider sets the step interval. The play lamp is green while playing,
// black when stopped, and a stall of the UI thread costs the steps it held up: one step follows,
// not a burst. Mode "1" writes the step the clock plays next; "Expand" sets a note's cuts.
// Every shown control of every window but captions and pictures has a tip; the sliders' tell them
// apart, the board's names the chalk in hand.
TEST_F(MainWindow, StartsNarrowAndWidensToItsAdvancedControls) {
    ASSERT_TRUE(app.loaded) << app.sound.lastError();
    QApplication::setActiveWindow(&app.form);  // no control takes keys unasked: Space is play
    EXPECT_EQ(QApplication::focusWidget(), nullptr);
    const std::pair<int, const char*> captions[] = {
        {720, "Tone"}, {1440, "Osc1"},   {2160, "Osc2"},  {3120, "AM1"}, {3840, "AM2"},
        {4560, "FM"},  {5640, "Atteck"}, {6360, "Decay"}, {7080, "VOL"}};
    for (const auto& [left, caption] : captions) {
        auto* label = qobject_cast<QLabel*>(app.form.childAt(px(left + 247), px(7200 + 120)));
        EXPECT_TRUE(label && label->text() == caption) << caption;
    }
    for (int k = 0; k < kPatternSlots; ++k) {
        EXPECT_TRUE(app.control(QStringLiteral("Command%1").arg(4 + 2 * k))->isVisible());
        EXPECT_FALSE(app.control(QStringLiteral("Command%1").arg(5 + 2 * k))->isVisible());
    }
    EXPECT_TRUE(shownInClient<QSlider>(app.form).isEmpty());
    // Its windows name the desktop entry that installs it.
    EXPECT_TRUE(QFile::exists(QStringLiteral(TAVRILO_TESTS_DIR "/../packaging/%1.desktop")
                                  .arg(QGuiApplication::desktopFileName())));
    for (int twice = 0; twice < 2; ++twice) {
        app.click("cmdhelp");
        QTest::mouseClick(app.form.Dialoghelp()->widenButton(), Qt::LeftButton);
    }
    QTest::mouseClick(app.form.Dialoghelp()->OKButton(), Qt::LeftButton);  // hides it
    EXPECT_FALSE(app.form.Dialoghelp()->isVisible());
    EXPECT_EQ(app.form.outerWidth(), 14460);
    EXPECT_EQ(shownInClient<QSlider>(app.form),
              (QStringList{"Slidercut1", "Slidercut21", "sltempo"}));
    auto* tempo = app.control<QSlider>("sltempo");
    tempo->setFocus();
    QTest::keyClick(tempo, Qt::Key_PageUp);
    EXPECT_EQ(in.stepTimer().interval(), 205);
    QWidget* lamp = app.control("Picture3");
    EXPECT_EQ(test::shownColour(lamp), QColor(0, 0, 0));
    app.click("cmdplay");
    EXPECT_EQ(test::shownColour(lamp), QColor(0, 255, 0));
    app.advance(milliseconds(615));
    app.clock.advance(milliseconds(1000));  // the UI thread held up; then its timers catch up
    TimerService& timers = in.timers();
    for (auto due = timers.nextDeadline(); due && *due <= app.clock.now();
         due = timers.nextDeadline())
        timers.dispatchDue();
    app.click("cmdstop");
    EXPECT_EQ(test::shownColour(lamp), QColor(0, 0, 0));
    ASSERT_EQ(in.stepClock().currentStep(), 4);
    app.click("lblcolor_0");
    app.click("optraw_0");  // "1"
    in.beginStroke(1, 990, 1005), in.moveStroke(1, 1200, 2010), in.endStroke(1);
    app.click("optraw_1");  // "2" again
    in.beginStroke(1, 2400, 3000), in.moveStroke(1, 2460, 3000), in.endStroke(1);
    for (int s = 0; s < kSteps; ++s)
        EXPECT_EQ(in.score().cell(Row::Tone, s), s == 4 ? 10 : s == 10 ? 15 : 24) << s;
    app.control<QSlider>("Slidercut1")->setValue(1234);
    app.control<QSlider>("Slidercut21")->setValue(56);
    app.click("cmdplay");
    app.advance(milliseconds(5 * 205));
    EXPECT_EQ(std::tuple(in.voice().pitch, in.voice().cut1, in.voice().cut2),
              std::tuple(14, 1234, 56));
    EXPECT_TRUE(app.form.Picdraw()->toolTip().startsWith("Tone chalk"));
    app.click("cmdhelp");
    for (QWidget* window : std::initializer_list<QWidget*>{
             &app.form, app.form.Form2(), app.form.Form5(), app.form.Form6(), app.form.Form3(),
             app.form.Dialoghelp()}) {
        window->show();
        QStringList sliderTips;
        for (QWidget* w : window->findChildren<QWidget*>()) {
            if (!w->isVisibleTo(window) || qobject_cast<QLabel*>(w) || dynamic_cast<ArtworkBox*>(w))
                continue;
            EXPECT_FALSE(w->toolTip().isEmpty()) << w->objectName().toStdString();
            if (qobject_cast<QSlider*>(w)) sliderTips << w->toolTip();
        }
        EXPECT_EQ(sliderTips.removeDuplicates(), 0);
    }
}

// The note keys play in every window, by their place on the keyboard (the X11 keycode), not by
// the letter the layout gives them; with Ctrl held a key is no note, nor while a dialog is up.
// Space plays and stops there too.
TEST_F(MainWindow, NoteKeysPlayInEveryWindowUntilItCloses) {
    const auto press = [](QWidget* window, Qt::KeyboardModifiers modifiers, int code = 24) {
        QKeyEvent key(QEvent::KeyPress, code == 24 ? Qt::Key_A : Qt::Key_Space, modifiers, code, 0,
                      0, code == 24 ? "a" : " ");  // at Q's place, or Space
        QApplication::sendEvent(window, &key);
    };
    for (QWidget* window :
         {static_cast<QWidget*>(&app.form), static_cast<QWidget*>(app.form.Form2()),
          static_cast<QWidget*>(app.form.Form3())}) {
        window->show();
        const int before = in.voice().pitch;
        press(window, Qt::ControlModifier);
        EXPECT_EQ(in.voice().pitch, before);
        press(window, Qt::NoModifier);
        EXPECT_EQ(in.voice().pitch, 17);
        QTest::keyClick(window->windowHandle(), Qt::Key_Z);  // no keycode: by the letter
        EXPECT_EQ(in.voice().pitch, 1);
        const bool playing = in.stepClock().running();
        QTest::keyClick(window->windowHandle(), Qt::Key_Space);
        EXPECT_NE(in.stepClock().running(), playing);
    }
    int pitch = 0;
    test::answerNextMessageBox(QMessageBox::No, [&](QMessageBox&) {
        press(&app.form, Qt::NoModifier);
        press(&app.form, Qt::NoModifier, 65);
        pitch = in.voice().pitch;
    });
    app.click("cmdexit");
    EXPECT_TRUE(pitch == 1 && in.stepClock().running());
    // Closing the main window ends the program without asking, with every other window.
    QSignalSpy ended(&app.form, &Form1::programEnded);
    EXPECT_TRUE(app.form.close() && ended.count() == 1);
    EXPECT_FALSE(app.sound.isOpen() || app.form.Form2()->isVisible());
}

// On a screen of twice the pixel density a picture box shows its picture drawn with twice the
// pixels: fine detail within the 2 x 2 device pixels of a logical one, which a picture drawn
// once and enlarged lacks.
TEST(Artwork, ShowsAtTheScreensDensity) {
    QScreen* dense = QGuiApplication::screens().value(1);
    ASSERT_TRUE(dense && dense->devicePixelRatio() == 2);
    QWidget window;
    window.setScreen(dense);
    window.setGeometry(QRect(dense->geometry().topLeft() + QPoint(20, 20), QSize(200, 60)));
    ArtworkBox logo(&window, [](qreal dpr) { return logoPicture(dpr); });
    logo.setGeometry(0, 0, 178, 38);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const QImage shown = logo.grab().toImage();
    ASSERT_EQ(shown.size(), QSize(356, 76));
    int detailed = 0;
    for (int y = 0; y < shown.height(); y += 2)
        for (int x = 0; x < shown.width(); x += 2)
            detailed += shown.pixel(x, y) != shown.pixel(x + 1, y) ||
                        shown.pixel(x, y) != shown.pixel(x, y + 1) ||
                        shown.pixel(x, y) != shown.pixel(x + 1, y + 1);
    EXPECT_GT(detailed, 178 * 38 / 10);
}

}  // namespace
}  // namespace tavrilo
