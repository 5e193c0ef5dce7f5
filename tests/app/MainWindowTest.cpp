// The main window as the user meets it: its look, its openers and the real mouse and keys.
#define QTEST_QPA_MOUSE_HANDLING

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QLabel>
#include <QSignalSpy>
#include <QSlider>

#include "app/HelpWindow.h"
#include "board/DrawingBoard.h"
#include "common/Twips.h"
#include "panels/MeterWindow.h"
#include "panels/PanelWindow.h"
#include "support/TestApp.h"

namespace tavrilo {
namespace {

using std::chrono::milliseconds;

QColor pixelAtTwips(const QImage& image, int x, int y) { return image.pixelColor(px(x), px(y)); }

// The names of the shown widgets of `Kind` that lie inside the window's client area.
template <typename Kind>
QStringList shownInClient(const QWidget& form) {
    QStringList names;
    for (Kind* w : form.findChildren<Kind*>())
        if (w->isVisibleTo(&form) && form.rect().intersects(w->geometry()))
            names << w->objectName();
    names.sort();
    return names;
}

class MainWindow : public ::testing::Test {
protected:
    test::ShownProgram app;
    Instrument& in = app.instrument;
    DrawingBoard* board = app.form.Picdraw();

    void TearDown() override {
        // QTest remembers held buttons across tests.
        QTest::mouseRelease(board, Qt::LeftButton, {}, QPoint(5, 5));
    }
    // Board pixels lie 2 pixels inside the board widget; twips are pixels x 15.
    static QPoint boardPixel(int x, int y) {
        return {x / 15 + DrawingBoard::kBorderPx, y / 15 + DrawingBoard::kBorderPx};
    }
    // A left-button stroke through board points given in twips.
    void stroke(const std::vector<QPoint>& twips) {
        std::vector<QPoint> pixels;
        for (const QPoint& t : twips)
            pixels.push_back(boardPixel(t.x(), t.y()));
        QTest::mouseMove(board, pixels.front());
        QTest::mousePress(board, Qt::LeftButton, {}, pixels.front());
        for (const QPoint& p : pixels)
            QTest::mouseMove(board, p);
        QTest::mouseRelease(board, Qt::LeftButton, {}, pixels.back());
    }
    void widen() {
        app.click("cmdhelp");
        QTest::mouseClick(app.form.Dialoghelp()->widenButton(), Qt::LeftButton);
    }
};

// Right after start-up: a black board, the nine swatches with their captions, 32 dark lamps,
// six "S" and no "L", a dark play lamp, and no slider in sight.
TEST_F(MainWindow, StartsWithABlackBoardTheSwatchesAndDarkLamps) {
    ASSERT_TRUE(app.loaded) << app.sound.lastError();
    const QImage shot = app.form.grab().toImage();
    ASSERT_EQ(shot.size(), twipsSize(8130, 7635));
    for (auto [x, y] : {std::pair{300, 1380}, {4000, 3800}, {7860, 6180}})
        EXPECT_EQ(pixelAtTwips(shot, x, y), QColor(Qt::black)) << x << "," << y;
    const std::tuple<int, QColor, const char*> swatches[] = {
        {720, {128, 128, 128}, "Tone"},  {1440, {0, 0, 255}, "Osc1"},
        {2160, {0, 255, 0}, "Osc2"},     {3120, {0, 255, 255}, "AM1"},
        {3840, {255, 255, 0}, "AM2"},    {4560, {255, 0, 0}, "FM"},
        {5640, {255, 128, 0}, "Atteck"}, {6360, {255, 255, 255}, "Decay"},
        {7080, {255, 0, 255}, "VOL"}};
    for (const auto& [left, color, caption] : swatches) {
        EXPECT_EQ(pixelAtTwips(shot, left + 247, 6600 + 247), color) << caption;
        auto* label = qobject_cast<QLabel*>(app.form.childAt(px(left + 247), px(7200 + 120)));
        ASSERT_NE(label, nullptr) << caption;
        EXPECT_EQ(label->text(), caption);
    }
    for (int step = 0; step < kSteps; ++step)
        EXPECT_EQ(pixelAtTwips(shot, 240 + 240 * step + 120, 6270), QColor(Qt::black)) << step;
    for (int k = 0; k < kPatternSlots; ++k) {
        EXPECT_EQ(pixelAtTwips(shot, 5760 + 360 * k + 120, 780), QColor(Qt::black));
        EXPECT_TRUE(app.control(QStringLiteral("Command%1").arg(4 + 2 * k))->isVisible());
        EXPECT_FALSE(app.control(QStringLiteral("Command%1").arg(5 + 2 * k))->isVisible());
    }
    EXPECT_EQ(pixelAtTwips(shot, 4260, 1020), QColor(Qt::black));  // play lamp
    EXPECT_TRUE(shownInClient<QSlider>(app.form).isEmpty());
}

// Help's ">" widens the window for good and shows the tempo, "Expand" and the mode buttons;
// the mode buttons decide where a stroke writes ("1": the step the clock plays next).
TEST_F(MainWindow, WideningShowsTheStripWhoseModeButtonsChooseTheStep) {
    widen();
    widen();
    EXPECT_EQ(app.form.outerWidth(), 14460);
    QTest::mouseClick(app.form.Dialoghelp()->OKButton(), Qt::LeftButton);
    EXPECT_FALSE(app.form.Dialoghelp()->isVisible());
    EXPECT_EQ(shownInClient<QSlider>(app.form),
              (QStringList{"Slidercut1", "Slidercut21", "sltempo"}));
    const QStringList labels = shownInClient<QLabel>(app.form);
    EXPECT_TRUE(labels.contains("Label13") && labels.contains("Label4"));
    EXPECT_EQ(app.control<QLabel>("Label13")->text(), "Speed");
    EXPECT_EQ(app.control<QLabel>("Label4")->text(), "Expand");
    EXPECT_GT(app.control("sltempo")->geometry().right(), app.form.width());  // cut off

    // The tempo slider and the step clock agree; the clock is left at step 3.
    auto* tempo = app.control<QSlider>("sltempo");
    tempo->setFocus();
    QTest::keyClick(tempo, Qt::Key_PageUp);
    EXPECT_EQ(in.Timer3().interval(), 205);
    app.click("cmdplay");
    app.advance(milliseconds(615));
    app.click("cmdstop");
    ASSERT_EQ(in.stepClock().currentStep(), 3);

    app.click("lblcolor_0");
    app.click("optraw_0");  // "1"
    stroke({{990, 1005}, {1200, 1005}, {1200, 2010}});
    app.click("optraw_1");  // "2" again
    stroke({{2400, 3000}, {2460, 3000}});
    for (int s = 0; s < kSteps; ++s)
        EXPECT_EQ(in.score().cell(Row::Tone, s), s == 3 ? 10 : s == 10 ? 15 : 24) << s;
}

// Every opener shows its window, modeless and once; a second press neither moves nor resets it;
// "Close", "OK" and the close boxes only hide.
TEST_F(MainWindow, OpenersShowEachWindowOnceAndClosersOnlyHide) {
    const std::pair<const char*, QWidget*> openers[] = {
        {"Command20", app.form.Form2()}, {"Command16", app.form.Form2()},
        {"Command18", app.form.Form6()}, {"Command17", app.form.Form6()},
        {"Command19", app.form.Form5()}, {"Command3", app.form.Form5()},
        {"Command2", app.form.Form3()}};
    for (const auto& [name, window] : openers) {
        SCOPED_TRACE(name);
        window->hide();
        app.click(name);
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(window->parentWidget(), nullptr);
        window->move(window->pos() + QPoint(40, 30));  // the user moved it
        const QRect moved = window->geometry();
        app.click(name);
        EXPECT_EQ(window->geometry(), moved);
        QTest::mouseClick(window->findChild<QPushButton*>("Command1"), Qt::LeftButton);
        EXPECT_FALSE(window->isVisible());
        window->show();
        EXPECT_TRUE(window->close());  // the close box
        EXPECT_FALSE(window->isVisible());
    }
    app.click("cmdhelp");
    HelpWindow* help = app.form.Dialoghelp();
    EXPECT_TRUE(help->close());
    app.click("cmdhelp");
    EXPECT_EQ(app.form.Dialoghelp(), help);
    EXPECT_TRUE(help->isVisible());
    int copies = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        copies += w->objectName() == "Form2";
    EXPECT_EQ(copies, 1);
}

TEST_F(MainWindow, HelpWindowSaysWhatItShould) {
    app.click("cmdhelp");
    HelpWindow* help = app.form.Dialoghelp();
    EXPECT_EQ(help->windowTitle(), "Tavrilo Synth HELP");
    EXPECT_EQ(help->geometry(), twipsRect(3480, 1185, 6030, 7350));
    EXPECT_FALSE(help->windowFlags() &
                 (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    const std::pair<const char*, const char*> texts[] = {
        {"Label2", "HELP"},
        {"Label1", "Press play and draw a picture"},
        {"Label3", "Pick a colour"},
        {"Label4", "Grey is a good one to start with"},
        {"Label7", "Draw on the Tavrilo"},
        {"Label12", "Press "},
        {"Label11", "to play the synth with your keyboard"},
        {"Label8",
         "Advanced controls:                                           Press the        "
         "button in the bottom right corner"},
        {"Label6", "NOTE:"},
        {"Label5", "Avoid using RED and PINK if you are new to Tavrilo synth 3"}};
    for (const auto& [name, text] : texts) {
        auto* label = help->findChild<QLabel*>(name);
        ASSERT_NE(label, nullptr) << name;
        EXPECT_EQ(label->text(), text) << name;
    }
    EXPECT_EQ(help->widenButton()->pos(), twipsPoint(1440, 4200));
}

// A stroke drawn with the real mouse is one joined line in the chalk picked through the real
// swatch, and writes that chalk's row; a second chalk writes its own row.
TEST_F(MainWindow, AStrokeIsOneJoinedLineInTheChalkPicked) {
    app.click("lblcolor_0");
    stroke({{990, 1005}, {2400, 3000}, {3600, 1005}});  // a V
    const QImage& picture = board->picture();
    const auto near = [&picture](int x, int y, QColor color) {
        for (int dy = -2; dy <= 2; ++dy)
            if (picture.pixelColor(x, y + dy) == color) return true;
        return false;
    };
    const QColor grey(128, 128, 128);
    EXPECT_TRUE(near(200, 133, grey));  // the second arm, from the bottom of the V up
    EXPECT_FALSE(near(153, 67, grey));  // where a second arm from the start would run
    EXPECT_EQ(in.score().cell(Row::Tone, 10), 15);
    EXPECT_EQ(in.score().cell(Row::Tone, 15), 5);
    EXPECT_EQ(app.form.Form2()->slider(Row::Tone, 15)->value(), 5);  // its hidden slider

    app.click("lblcolor_8");
    stroke({{4800, 2000}, {5040, 2000}});
    EXPECT_EQ(in.score().cell(Row::Atteck, 21), 10);
    EXPECT_TRUE(near(330, 133, QColor(255, 128, 0)));
    app.click("cmdnew");
    EXPECT_FALSE(near(200, 133, grey));
    EXPECT_EQ(in.score().cell(Row::Tone, 10), 15);
}

// The transport, the slots and "reset" through their buttons: the lamps walk while playing, a
// slot brings back what it stored and lights its preview, reset rewrites the score.
TEST_F(MainWindow, TransportSlotsAndResetThroughTheirButtons) {
    app.click("cmdplay");
    EXPECT_EQ(app.control<ColorBox>("Picture3")->color(), colors::green);
    app.advance(milliseconds(400));
    EXPECT_EQ(app.control<ColorBox>("Picture4_34")->color(), colors::red);
    EXPECT_EQ(app.form.Form5()->lamp(2)->color(), colors::red);
    app.click("cmdstop");
    EXPECT_EQ(app.control<ColorBox>("Picture3")->color(), colors::black);

    in.score().setCell(Row::FM, 7, 33);
    in.score().setLength(12);
    app.click("Command8");  // "S" of slot 2
    EXPECT_TRUE(app.control("Command9")->isVisible());
    app.click("cmdreset");
    EXPECT_EQ(in.score().cell(Row::FM, 7), 100);
    EXPECT_EQ(in.score().cell(Row::Atteck, 7), 10);
    app.click("Command4");  // "S" of slot 0
    app.click("Command9");  // "L" of slot 2
    EXPECT_EQ(in.score().cell(Row::FM, 7), 33);
    EXPECT_EQ(in.score().cell(Row::Atteck, 7), 25);
    EXPECT_EQ(app.form.Form2()->lengthSlider()->value(), 12);
    for (int k = 0; k < kPatternSlots; ++k)
        EXPECT_EQ(app.control<ColorBox>(arrayName("Picpre", k))->color(),
                  k == 2 ? colors::red : colors::black);
}

// The note keys play in every window, by their place on the keyboard (the X11 keycode), not by
// the letter the layout gives them; with Ctrl held a key is no note.
TEST_F(MainWindow, NoteKeysPlayInEveryWindowByTheirPlace) {
    for (QWidget* window :
         {static_cast<QWidget*>(&app.form), static_cast<QWidget*>(app.form.Form2()),
          static_cast<QWidget*>(app.form.Form3())}) {
        SCOPED_TRACE(window->objectName().toStdString());
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
        // Keycode 24 is the place of Q (pitch 17); an AZERTY layout gives it "a".
        const int before = in.voice().pitch;
        QKeyEvent ctrl(QEvent::KeyPress, Qt::Key_A, Qt::ControlModifier, 24, 0, 0, "a");
        QApplication::sendEvent(window, &ctrl);
        EXPECT_EQ(in.voice().pitch, before);
        QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, 24, 0, 0, "a");
        QApplication::sendEvent(window, &key);
        EXPECT_EQ(in.voice().pitch, 17);
        QTest::keyClick(window->windowHandle(), Qt::Key_Z);  // no keycode: by the letter
        EXPECT_EQ(in.voice().pitch, 1);
    }
}

// The meter window shows what the synthesis draws: a note's traces and level bar, hidden or not.
TEST_F(MainWindow, TheMeterWindowShowsTheSoundingNote) {
    MeterWindow* meter = app.form.Form3();
    app.click("Command2");
    in.notePressed(0, U'q', false);
    app.advance(milliseconds(100));
    const QImage shown = meter->grab().toImage();
    int green = 0;
    const QRect trace = meter->box(MeterBox::WPB1)->geometry();
    for (int y = trace.top() + 2; y < trace.bottom() - 1; ++y)
        green += shown.pixelColor(trace.left() + 60, y) == QColor(0, 255, 0);
    EXPECT_GT(green, 0);
    const QRect bar = meter->box(MeterBox::o1VU)->geometry();
    EXPECT_NE(shown.pixelColor(bar.left() + 10, bar.top() + 2), QColor(Qt::black));
}

// "E&xit" asks; No changes nothing, Yes ends the program. Closing the main window ends it too,
// without asking, with the sound released and every other window closed.
TEST_F(MainWindow, ExitAsksAndClosingEndsWithoutAsking) {
    QSignalSpy ended(&app.form, &Form1::programEnded);
    bool asked = false;
    test::answerNextMessageBox(QMessageBox::No, [&](QMessageBox& box) {
        asked = box.text() == "Exit Tavrilo Synth?" && box.windowTitle() == "Exit Tavrilo" &&
                box.icon() == QMessageBox::Critical &&
                box.defaultButton() == box.button(QMessageBox::No);
    });
    app.click("cmdexit");
    EXPECT_TRUE(asked);
    EXPECT_EQ(ended.count(), 0);
    test::answerNextMessageBox(QMessageBox::Yes);
    app.click("cmdexit");
    EXPECT_EQ(ended.count(), 1);

    app.form.Form5()->show();
    EXPECT_TRUE(app.form.close());
    EXPECT_EQ(ended.count(), 2);
    EXPECT_FALSE(app.sound.isOpen());
    EXPECT_FALSE(app.form.Form5()->isVisible());
}

}  // namespace
}  // namespace tavrilo
