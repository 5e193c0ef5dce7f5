// Random user actions through the real widgets, with timer ticks between: after each, every cell
// lies in its row's range and its panel slider shows it, and the length, the step clock and the
// envelope stay in range. TAVRILO_ABUSE_SEED replays a run (a failure names its seed and action),
// TAVRILO_ABUSE_ACTIONS sets its length.
#define QTEST_QPA_MOUSE_HANDLING

#include <gtest/gtest.h>

#include <QTest>
#include <cstdlib>
#include <random>

#include "panels/MeterWindow.h"
#include "panels/PanelWindow.h"
#include "support/Design.h"
#include "support/TestApp.h"

namespace tavrilo {
namespace {

TEST(Abuse, RandomUserActionsKeepScoreClockVoiceAndWidgetsConsistent) {
    // QTest warns of every mouse event off the window, the offscreen platform of raises.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type != QtWarningMsg) std::fprintf(stderr, "%s\n", qPrintable(text));
    });
    test::ShownProgram app;
    Form1& form = app.form;
    QWidget* board = form.Picdraw();
    struct LetGo {  // QTest remembers held buttons for the tests after this one
        QWidget* board;
        ~LetGo() {
            for (Qt::MouseButton b : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton})
                if (QTestPrivate::qtestMouseButtons & b) QTest::mouseRelease(board, b);
            qInstallMessageHandler(nullptr);
        }
    } letGo{board};
    const char *seedText = std::getenv("TAVRILO_ABUSE_SEED"),
               *length = std::getenv("TAVRILO_ABUSE_ACTIONS");
    const auto seed = seedText ? std::uint32_t(std::stoul(seedText, nullptr, 0)) : 0x7A5B2024u;
    const long actions = length ? std::max(1L, std::stol(length)) : 100'000;
    std::mt19937 rng(seed);
    const auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution(lo, hi)(rng); };
    const auto any = [&pick](const auto& v) { return v[pick(0, int(v.size()) - 1)]; };

    const std::array<PanelWindow*, 3> panels{form.Form2(), form.Form5(), form.Form6()};
    std::vector<std::tuple<QSlider*, test::DesignRow, int>> cells;  // the 288 cell sliders
    for (const test::DesignRow& row : test::kDesignRows)
        for (int s = 0; s < kSteps; ++s)
            cells.emplace_back(
                panels[row.panel]->findChild<QSlider*>(arrayName(row.sliders, s)), row, s);
    const std::vector<QSlider*> others = {panels[0]->findChild<QSlider*>("Slider6"),
                                          app.control<QSlider>("sltempo"),
                                          app.control<QSlider>("Slidercut1")};
    const std::vector<QWidget*> windows = {&form, panels[0], panels[1], panels[2],
                                           static_cast<QWidget*>(form.Form3())};
    std::vector<QWidget*> clickable;
    for (QWidget* window : windows)
        for (QPushButton* b : window->findChildren<QPushButton*>(Qt::FindDirectChildrenOnly))
            if (b->objectName() != "cmdexit") clickable.push_back(b);
    for (int i = 0; i < kChalks; ++i)
        clickable.push_back(app.control(arrayName("lblcolor", i)));

    for (long i = 0; i < actions; ++i) {
        const int a = pick(0, 99);
        const bool held = QTestPrivate::qtestMouseButtons != Qt::NoButton;
        if (a < 40) {  // the board: moves, presses and releases, mostly on it, else far off
            const int far = pick(0, 3) ? 0 : 1'000'000;
            const QPoint p(pick(-far, board->width() + far), pick(-far, board->height() + far));
            const auto b = static_cast<Qt::MouseButton>(1 << pick(0, 2));
            const auto mods = Qt::KeyboardModifiers::fromInt(pick(0, 7) << 25);
            if (a < 25)
                QTest::mouseMove(board, p);
            else if (QTestPrivate::qtestMouseButtons & b)
                QTest::mouseRelease(board, b, mods, p);
            else
                QTest::mousePress(board, b, mods, p);
        } else if (a < 65) {  // a slider to an end, inside, or far outside
            QSlider* s = a < 60 ? std::get<0>(any(cells)) : any(others);
            s->setValue(std::array{s->minimum(), s->maximum(), pick(s->minimum(), s->maximum()),
                                   pick(-100000, 100000)}[pick(0, 3)]);
        } else if (QWidget* w = a < 90 ? any(clickable) : any(windows); held || !w->isVisible()) {
            // nothing: the board is held or the widget hidden
        } else if (a < 90) {  // a button or swatch in sight, the board let go
            auto* b = qobject_cast<QAbstractButton*>(w);
            b && !w->window()->rect().contains(w->geometry()) ? b->click()
                                                              : QTest::mouseClick(w, Qt::LeftButton);
        } else {  // a note key, or Ctrl+Z / Ctrl+Y, in a shown window
            const char key = "ZXCVBNM,ASDFGHJKQWERTYUIzy"[pick(0, 25)];
            QApplication::setActiveWindow(w);
            QTest::keyClick(w->windowHandle(), static_cast<Qt::Key>(std::toupper(key)),
                            key >= 'a' ? Qt::ControlModifier : Qt::NoModifier);
        }
        // Mostly none or one 15.625 ms tick between actions, else up to whole envelopes.
        app.advance(std::chrono::milliseconds(pick(0, 4) ? pick(0, 20) : pick(0, 250)));

        const StepParameterSet& score = app.instrument.score();
        for (const auto& [slider, row, s] : cells) {
            const int v = score.cell(row.row, s);
            ASSERT_TRUE(v >= row.min && v <= row.max && slider->value() == v)
                << "seed " << seed << ", action " << i << ": " << row.sliders << "_" << s
                << " shows " << slider->value() << ", its cell " << v;
        }
        const int step = app.instrument.stepClock().currentStep(),
                  env = app.instrument.voice().envLevel;
        ASSERT_TRUE(others[0]->value() == score.length() && step >= 0 && step < kSteps &&
                    env >= 0 && env <= 124)
            << "seed " << seed << ", action " << i << ": length " << score.length() << ", step "
            << step << ", envLevel " << env;
    }
}

}  // namespace
}  // namespace tavrilo
