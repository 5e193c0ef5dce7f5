// Undo and redo, copy and paste, through the keys and the real widgets.
#define QTEST_QPA_MOUSE_HANDLING

#include <gtest/gtest.h>

#include <QClipboard>
#include <QSlider>
#include <cstdlib>
#include <optional>
#include <random>

#include "app/EditHistory.h"
#include "board/DrawingBoard.h"
#include "common/Twips.h"
#include "panels/MeterWindow.h"
#include "panels/PanelWindow.h"
#include "support/TestApp.h"

namespace tavrilo {
namespace {

// Each row of the score as the design gives it, written once here and never taken from the
// program's own table: the slider array that shows it, its panel and its range.
struct DesignRow {
    Row row;
    const char* sliders;
    int panel;  // 0 oscillator (Form2), 1 envelope (Form5), 2 modulation (Form6)
    int min, max;
};
constexpr DesignRow kDesignRows[kRows] = {
    {Row::Tone, "Slidertone", 0, 0, 24},   {Row::Osc1, "Slidertl1", 0, 0, 7},
    {Row::Osc2, "Sliderw21", 0, 0, 7},     {Row::AM1, "Slideramsp1", 2, 0, 100},
    {Row::AM2, "Slideramsp21", 2, 0, 100}, {Row::FM, "Sliderfm1", 2, 0, 100},
    {Row::VOL, "VScroll1", 1, 0, 100},     {Row::Decay, "slider1", 1, 0, 25},
    {Row::Atteck, "Slidera", 1, 1, 25}};

// Keys as the platform delivers them, to the main window made active (a message box that just
// closed may have left none active).
void keys(test::ShownProgram& app, QKeyCombination combination) {
    QApplication::setActiveWindow(&app.form);
    QTest::keyClick(app.form.windowHandle(), combination.key(), combination.keyboardModifiers());
}

// Random gestures through the real widgets, the clock running between them: strokes in any chalk
// on and off the board (a round's first nine crossing, so one step's patch holds every chalk),
// with the right button, Ctrl+Z or a right click mid-stroke; sliders dragged or stepped; "reset",
// "new", "S", "L", play, stop, openers, "Close", note keys, tempo, "Expand", copy and paste. Each
// does what the user expects, leaves every cell in range on its slider and is at most one step;
// then undo walks back through every step, score and picture, and redo forward. Rounds of 40 on
// a program just started; TAVRILO_ABUSE_SEED replays (a failure names its seed),
// TAVRILO_ABUSE_ACTIONS sets the number of gestures.
TEST(Gestures, RandomOnesAreEachOneStepBackAndForth) {
    const QColor chalks[] = {{128, 128, 128}, {0, 0, 255},     {0, 255, 0},
                             {0, 255, 255},   {255, 0, 0},     {255, 0, 255},
                             {255, 255, 0},   {255, 255, 255}, {255, 128, 0}};  // by swatch
    const char *seedText = std::getenv("TAVRILO_ABUSE_SEED"),
               *count = std::getenv("TAVRILO_ABUSE_ACTIONS");
    const auto seed = seedText ? std::uint32_t(std::stoul(seedText, nullptr, 0)) : 0x7A5B2024u;
    const long gestures = count ? std::max(1L, std::stol(count)) : 2000;
    std::mt19937 rng(seed);
    const auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution(lo, hi)(rng); };
    const char* buttons[] = {"cmdreset", "cmdnew",   "cmdplay",  "cmdstop",
                             "Command6", "Command7", "Command8", "Command9"};  // slots 1 and 2
    for (long done = 0; done < gestures;) {
        test::ShownProgram app;
        const std::array panels{app.form.Form2(), app.form.Form5(), app.form.Form6()};
        const auto cell = [&](const DesignRow& row, int s) {
            return panels[row.panel]->findChild<QSlider*>(arrayName(row.sliders, s));
        };
        QSlider* length = panels[0]->findChild<QSlider*>("Slider6");
        DrawingBoard* board = app.form.Picdraw();
        const std::pair<const char*, QWidget*> openers[] = {
            {"Command20", panels[0]},      {"Command16", panels[0]}, {"Command18", panels[2]},
            {"Command17", panels[2]},      {"Command19", panels[1]}, {"Command3", panels[1]},
            {"Command2", app.form.Form3()}};
        std::vector<std::pair<Tune, QImage>> states;
        std::optional<Tune> copied;
        std::array<Tune, 2> stored;
        int lit = 0;
        const auto score = [&app] {  // tempo and "Expand" are no score: undo keeps them
            Tune t = app.instrument.tune();
            return t.tempo = t.expand1 = t.expand2 = 0, t;
        };
        const auto snapshot = [&] { states.emplace_back(score(), board->picture()); };
        snapshot();
        for (int n = 0; n < 40 && done < gestures; ++n, ++done) {
            const int steps = app.form.history().steps(), a = n < kChalks ? 1 : pick(0, 12);
            SCOPED_TRACE(testing::Message() << "seed " << seed << ", gesture " << done);
            if (a < 4) {  // a stroke on the board or off it, in any chalk; the first nine crossing
                const int chalk = n < kChalks ? n : pick(0, kChalks - 1);
                app.click(arrayName("lblcolor", chalk));
                QWidget* swatch = app.control(arrayName("lblcolor", pick(0, kChalks - 1)));
                QTest::mousePress(swatch, Qt::LeftButton);  // let go off it: no chalk picked
                QTest::mouseRelease(swatch, Qt::LeftButton, {}, QPoint(-40, -40));
                const QImage before = board->picture();
                const auto button = a == 0 ? Qt::RightButton : Qt::LeftButton;
                QPoint p(pick(2, 510), pick(2, 326)), from = p;  // pressed on the board
                const int off = n < kChalks ? 0 : 130;           // how far off the board it may go
                QTest::mousePress(board, button, {}, p);
                for (int k = pick(1, 4); k > 0; --k) {
                    from = p;
                    QTest::mouseMove(
                        board, p = QPoint(pick(2 - off, 480 + off), pick(2 - off, 320 + off)));
                    if (button == Qt::LeftButton && pick(0, 4) == 0)  // waits for the release
                        keys(app, Qt::CTRL | Qt::Key_Z);
                    if (button == Qt::LeftButton && pick(0, 4) == 0)  // the stroke goes on
                        QTest::mouseClick(board, Qt::RightButton, {}, p);
                }
                QTest::mouseRelease(board, button, {}, p);
                // The last segment, in the chalk's colour, joins the point before; right: nothing.
                const QImage& after = board->picture();
                const QPoint mid = (from + p) / 2 - QPoint(2, 2);  // inside the board's border
                bool drawn = button == Qt::RightButton ? after == before : !after.valid(mid);
                for (int d = 0; d < 9 && button == Qt::LeftButton; ++d) {
                    const QPoint q = mid + QPoint(d % 3 - 1, d / 3 - 1);
                    drawn = drawn || (after.valid(q) && after.pixelColor(q) == chalks[chalk]);
                }
                ASSERT_TRUE(drawn) << "chalk " << chalk;
            } else if (a < 6) {  // a cell's slider or the length's, where it belongs, dragged or
                const auto& row = kDesignRows[pick(0, kRows - 1)];  // its Up key pressed
                const int s = pick(0, kSteps - 1);
                QSlider* sl = pick(0, 9) ? cell(row, s) : length;
                const auto [min, max, left] = sl == length
                                                  ? std::tuple(1, 32, 360)
                                                  : std::tuple(row.min, row.max, 360 + 240 * s);
                ASSERT_EQ(std::tuple(sl->minimum(), sl->maximum(), sl->x()),
                          std::tuple(min, max, px(left)));
                const int before = sl->value();
                sl->setSliderDown(a == 4);
                a == 4 ? sl->setValue(pick(-50, 150)), sl->setValue(pick(-50, 150))
                       : QTest::keyClick(sl, Qt::Key_Up);  // a vertical one's Min is at the top
                sl->setSliderDown(false);
                const int up = sl == length ? std::min(max, before + 1) : std::max(min, before - 1);
                ASSERT_EQ(sl->value(), a == 5 ? up : sl->value());
            } else if (a == 12) {  // an opener shows its window where it is, "Close" hides it
                const auto [name, window] = openers[pick(0, 6)];
                if (window->isVisible()) window->move(window->pos() + QPoint(pick(0, 40), 30));
                const QRect was = window->isVisible() ? window->geometry() : QRect();
                app.click(name);
                ASSERT_TRUE(window->isVisible() && !window->parentWidget()) << name;
                ASSERT_TRUE(was.isNull() || window->geometry() == was) << name;
                const bool close = pick(0, 1);
                if (close)
                    QTest::mouseClick(window->findChild<QWidget*>("Command1"), Qt::LeftButton);
                ASSERT_NE(window->isVisible(), close) << name;
            } else if (a == 10) {  // tempo and "Expand", no steps of their own
                app.control<QSlider>("sltempo")->setValue(pick(1, 1600));
                app.control<QSlider>(pick(0, 1) ? "Slidercut1" : "Slidercut21")
                    ->setValue(pick(0, 2000));
            } else if (a == 11) {  // copy (the picture too), paste it back (score, tempo and
                const Tune before = app.instrument.tune();  // "Expand", one step), or paste a
                const int what = copied ? pick(0, 2) : 0;   // text that is no tune: a message
                QString said;
                if (what == 2) {
                    QGuiApplication::clipboard()->setText("Tavrilo Synth tune 1\nlength 0");
                    test::answerNextMessageBox(QMessageBox::Ok,
                                               [&said](QMessageBox& m) { said = m.text(); });
                }
                keys(app, what ? Qt::CTRL | Qt::Key_V : Qt::CTRL | Qt::Key_C);
                copied = what == 0 ? before : copied;
                ASSERT_EQ(app.instrument.tune(), what == 2 ? before : *copied);
                ASSERT_TRUE(what || QGuiApplication::clipboard()->image().convertToFormat(
                                        QImage::Format_RGB32) == board->picture());
                ASSERT_EQ(said, what == 2 ? "line 2: length needs a whole number from 1 to 32, "
                                            "found 0"
                                          : "");
                if (what == 2) copied.reset();
                if (what == 1 && before != *copied) {  // one step back, tempo and "Expand" too
                    keys(app, Qt::CTRL | Qt::Key_Z);
                    ASSERT_EQ(app.instrument.tune(), before);
                    keys(app, Qt::CTRL | Qt::Key_Y);
                }
            } else if (QWidget* b = app.control(buttons[pick(0, 7)]); b->isVisible()) {
                const Tune kept = score();
                app.click(b->objectName());  // "S" keeps the score in its slot, "L" brings it back
                ASSERT_TRUE(b->objectName() != "cmdnew" ||  // "new" clears the picture alone
                            (kept == score() && board->picture() == states[0].second));
                const int command = b->objectName().mid(7).toInt(), slot = command / 2 - 2;
                if (command >= 6 && command % 2 == 0) stored[slot - 1] = score();
                ASSERT_TRUE(command < 6 || command % 2 == 0 || score() == stored[slot - 1]);
                lit = command >= 6 ? slot : lit;
                for (int k = 0; k < kPatternSlots && lit > 0; ++k)  // the slot used last is lit
                    ASSERT_EQ(test::shownColour(app.control(arrayName("Picpre", k))),
                              k == lit ? QColor(255, 0, 0) : QColor(0, 0, 0));
            }
            if (pick(0, 3) == 0) QTest::keyClick(app.form.windowHandle(), Qt::Key_A);  // a note
            app.advance(std::chrono::milliseconds(pick(0, 300)));
            for (const DesignRow& row : kDesignRows)
                for (int s = 0; s < kSteps; ++s) {
                    const int v = app.instrument.score().cell(row.row, s);
                    ASSERT_TRUE(v >= row.min && v <= row.max && cell(row, s)->value() == v)
                        << row.sliders << "_" << s;
                }
            ASSERT_EQ(length->value(), app.instrument.score().length());
            ASSERT_LE(app.form.history().steps() - steps, 1);
            if (app.form.history().steps() > steps) snapshot();
        }
        for (auto k = states.size() - 1; k-- > 0;) {
            keys(app, Qt::CTRL | Qt::Key_Z);
            ASSERT_EQ(score(), states[k].first) << "seed " << seed << ", undo " << k;
            ASSERT_EQ(board->picture(), states[k].second) << "undo to " << k;
        }
        for (std::size_t k = 1; k < states.size(); ++k) {
            keys(app, pick(0, 1) ? Qt::CTRL | Qt::Key_Y : Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
            ASSERT_EQ(score(), states[k].first) << "seed " << seed << ", redo " << k;
            ASSERT_EQ(board->picture(), states[k].second) << "redo to " << k;
        }
    }
}

// The history keeps the last 200 steps.
TEST(Editing, KeepsTheLastTwoHundredSteps) {
    test::ShownProgram app;
    StepParameterSet& score = app.instrument.score();
    for (int n = 1; n <= 205; ++n)  // each value differs from the one before
        score.setCell(Row::FM, 0, n % 101);
    for (int n = 0; n < 250; ++n)
        keys(app, Qt::CTRL | Qt::Key_Z);
    EXPECT_EQ(score.cell(Row::FM, 0), 5);
    for (int n = 0; n < 250; ++n)
        keys(app, Qt::CTRL | Qt::Key_Y);
    EXPECT_EQ(score.cell(Row::FM, 0), 3);
}

}  // namespace
}  // namespace tavrilo
