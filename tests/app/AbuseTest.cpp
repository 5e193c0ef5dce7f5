// Random user actions through the real widgets of the main window and its other windows, on a
// stepped clock with timer ticks between them. After every action and every run of ticks the
// score, the step clock and the voice must lie within their ranges, every panel slider must show
// its cell and the program must go on; what each action does is left to the other widget tests.
// A seed fixes the run, so a failure replays exactly.
#define QTEST_QPA_MOUSE_HANDLING

#include <gtest/gtest.h>

#include <QTest>
#include <array>
#include <climits>
#include <cstdlib>
#include <deque>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "app/HelpWindow.h"
#include "board/DrawingBoard.h"
#include "panels/MeterWindow.h"
#include "panels/PanelWindow.h"
#include "support/TestApp.h"

namespace tavrilo {
namespace {

constexpr std::uint32_t kSeed = 0x7A5B2024;
constexpr long kDefaultActions = 100'000;
constexpr std::size_t kLogLines = 40;
constexpr int kMaxEnvLevel = 124;  // ceiling 100 plus an attack overshoot of at most 24
constexpr int kFarPx = 1'000'000;  // far off the window; 15 million twips is still exact in float
constexpr int kCells = kRows * kSteps;
// Each row's range, in Row order: Tone (24 = rest), Osc1, Osc2, AM1, AM2, FM, VOL, Decay, Atteck.
constexpr std::array<std::array<int, 2>, kRows> kRange = {
    {{0, 24}, {0, 7}, {0, 7}, {0, 100}, {0, 100}, {0, 100}, {0, 100}, {0, 25}, {1, 25}}};
constexpr std::string_view kNoteKeys = "ZXCVBNM,ASDFGHJKQWERTYUI";  // Qt key codes are ASCII

// TAVRILO_ABUSE_ACTIONS and TAVRILO_ABUSE_SEED replace the defaults: a longer search, another
// sequence, or a shorter run on a slow machine.
long envNumber(const char* name, long fallback) {
    const char* text = std::getenv(name);
    const long value = text ? std::strtol(text, nullptr, 0) : 0;
    return value > 0 ? value : fallback;
}

class Abuse : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(app.loaded);
        // QTest warns about every mouse event off the window, the offscreen platform about raises.
        s_previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context,
                                               const QString& text) {
            if (type != QtWarningMsg || !(text.startsWith(QLatin1String("Mouse event at ")) ||
                                          text.startsWith(QLatin1String("This plugin does not"))))
                s_previous(type, context, text);
        });
        releaseAll({-1000, -1000});  // QTest remembers buttons held by earlier tests
        for (Row row : kAllRows)
            for (PanelWindow* p : {m_form.Form2(), m_form.Form5(), m_form.Form6()})
                for (int s = 0; p->holds(row) && s < kSteps; ++s)
                    m_sliders.push_back({p->slider(row, s), kRange[static_cast<std::size_t>(row)]});
        m_sliders.insert(m_sliders.end(), {{m_form.Form2()->lengthSlider(), {1, 32}},
                                           {app.control<QSlider>("sltempo"), {1, 1600}},  // ms
                                           {app.control<QSlider>("Slidercut1"), {0, 2000}},
                                           {app.control<QSlider>("Slidercut21"), {0, 2000}}});
        m_windows = {&m_form, m_form.Form2(), m_form.Form5(), m_form.Form6(), m_form.Form3()};
        for (QWidget* window : m_windows)
            addButtons(window);
        for (int i = 0; i < kChalks; ++i)
            m_clickable.push_back(app.control(arrayName("lblcolor", i)));
        QObject::connect(&m_form, &Form1::programEnded, [this](int) { m_ended = true; });
    }
    // Every button but "E&xit", which the run's exit prompts answer No: transport, "new", the
    // openers, "S" and "L" of every slot, the mode buttons, each window's closers.
    void addButtons(QWidget* window) {
        for (QPushButton* b : window->findChildren<QPushButton*>(Qt::FindDirectChildrenOnly))
            if (b->objectName() != "cmdexit") m_clickable.push_back(b);
    }
    void TearDown() override {
        releaseAll({-1000, -1000});
        qInstallMessageHandler(s_previous);
    }

    int uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rng); }
    QWidget* pick(const std::vector<QWidget*>& from) {
        return from[static_cast<std::size_t>(uniform(0, static_cast<int>(from.size()) - 1))];
    }
    static std::string name(const QWidget* w) {
        return (w->window()->objectName() + "." + w->objectName()).toStdString();
    }

    // Mostly inside the range, often an end, sometimes just or far outside.
    int sliderValue(std::array<int, 2> r) {
        const int k = uniform(0, 11);
        if (k < 4) return r[static_cast<std::size_t>(k % 2)];
        if (k < 8) return std::array{r[0] - 1, r[1] + 1, INT_MIN, INT_MAX}[k - 4];
        return k == 8 ? uniform(-100'000, 100'000) : uniform(r[0], r[1]);
    }

    // Board pixels: mostly on the board, else around it on and beside the window, or far off.
    QPoint anywhere() {
        const int k = uniform(0, 9), far = k < 6 ? 0 : k < 9 ? 3000 : kFarPx;
        return {uniform(-far, m_board->width() - 1 + far),
                uniform(-far, m_board->height() - 1 + far)};
    }

    void releaseAll(QPoint at) {
        if (QTestPrivate::qtestMouseButtons) m_what << "all buttons up, ";
        for (Qt::MouseButton b : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton})
            if (QTestPrivate::qtestMouseButtons & b) QTest::mouseRelease(m_board, b, {}, at);
    }

    // A hand on another control has let go of the board first. Buttons off view while the main
    // window is narrow are pressed as controls.
    void click(QWidget* w) {
        releaseAll(anywhere());
        m_what << "click " << name(w);
        auto* b = qobject_cast<QAbstractButton*>(w);
        b && !w->window()->rect().contains(w->geometry()) ? b->click()
                                                          : QTest::mouseClick(w, Qt::LeftButton);
    }

    void act() {
        if (m_form.Dialoghelp() && m_windows.back() != m_form.Dialoghelp()) {
            m_windows.push_back(m_form.Dialoghelp());
            addButtons(m_form.Dialoghelp());
        }
        const int a = uniform(0, 99);
        if (a < 25) {  // on the board: moves most, presses and releases of any button
            const QPoint p = anywhere();
            m_what << "move to " << p.x() << "," << p.y();
            QTest::mouseMove(m_board, p);
        } else if (a < 45) {  // left, right or middle, with any of shift, ctrl and alt
            const auto b = static_cast<Qt::MouseButton>(1 << uniform(0, 2));
            const auto mods = Qt::KeyboardModifiers::fromInt(uniform(0, 7) << 25);
            const QPoint p = anywhere();
            const bool up = QTestPrivate::qtestMouseButtons & b;
            m_what << (up ? "release button " : "press button ") << b << " mods "
                   << (mods.toInt() >> 25) << " at " << p.x() << "," << p.y();
            up ? QTest::mouseRelease(m_board, b, mods, p) : QTest::mousePress(m_board, b, mods, p);
        } else if (a < 70) {  // sliders; a sweep takes every cell to both ends in turn
            const bool sweep = a < 51;
            const int n = (m_sweep += sweep) % (kCells * 2);
            // Tone, the first row, more often than the others: a Tone below 24 makes a step sound.
            const int i = sweep    ? n / 2
                          : a < 56 ? kCells + uniform(0, 3)
                                   : uniform(0, a < 60 ? kSteps - 1 : kCells - 1);
            const auto& [slider, range] = m_sliders[static_cast<std::size_t>(i)];
            if (!sweep && a >= 64 && slider->isVisible()) {  // a key on the focused slider
                const auto key = std::array{Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_Home,
                                            Qt::Key_End}[static_cast<std::size_t>(uniform(0, 3))];
                m_what << QKeySequence(key).toString().toStdString() << " on " << name(slider);
                slider->setFocus(Qt::OtherFocusReason);
                QTest::keyClick(slider->window()->windowHandle(), key);
                return;
            }
            const int v = sweep ? range[static_cast<std::size_t>(n % 2)] : sliderValue(range);
            m_what << name(slider) << ".setValue(" << v << ")";
            slider->setValue(v);
        } else if (a < 93) {  // clicks; "L" and closers only once their slot or window is there
            QWidget* w = pick(m_clickable);
            while (!w->isVisible())
                w = pick(m_clickable);
            click(w);
        } else {  // a note key, or the close box of a shown window
            std::vector<QWidget*> shown;
            for (QWidget* window : m_windows)
                if (window->isVisible()) shown.push_back(window);
            QWidget* w = pick(shown);
            if (w != &m_form && a < 95) {
                releaseAll(anywhere());
                m_what << "close box of " << name(w);
                w->close();
                return;
            }
            const char key = kNoteKeys[static_cast<std::size_t>(uniform(0, 23))];
            m_what << "key " << key << " on " << name(w);
            QTest::keyClick(w->windowHandle(), static_cast<Qt::Key>(key));
        }
    }

    // What is wrong with the score, the step clock, the voice or the program, or "".
    std::string invariants() const {
        std::ostringstream bad;
        for (int i = 0; i < kCells && bad.tellp() == 0; ++i) {  // the first bad cell only
            const auto& [slider, range] = m_sliders[static_cast<std::size_t>(i)];
            const int v = app.instrument.score().cell(static_cast<Row>(i / kSteps), i % kSteps);
            if (v < range[0] || v > range[1] || slider->value() != v)
                bad << name(slider) << " shows " << slider->value() << ", its cell holds " << v
                    << " of " << range[0] << ".." << range[1] << "; ";
        }
        const int length = app.instrument.score().length();
        if (length < 1 || length > 32 || m_form.Form2()->lengthSlider()->value() != length)
            bad << "Slider6 shows " << m_form.Form2()->lengthSlider()->value() << ", the length is "
                << length << "; ";
        if (const int step = app.instrument.stepClock().currentStep(); step < 0 || step >= kSteps)
            bad << "currentStep is " << step << "; ";
        if (const int env = app.instrument.voice().envLevel; env < 0 || env > kMaxEnvLevel)
            bad << "envLevel is " << env << "; ";
        if (m_ended) bad << "the program was told to end";
        return bad.str();
    }

    test::ShownProgram app;
    Form1& m_form = app.form;
    DrawingBoard* m_board = app.form.Picdraw();
    std::mt19937 m_rng;
    // Each slider with the values a user can give it: the 288 cells in Row and step order first.
    std::vector<std::pair<QSlider*, std::array<int, 2>>> m_sliders;
    std::vector<QWidget*> m_clickable;
    std::vector<QWidget*> m_windows;  // the main window first, the help window once it exists
    std::ostringstream m_what;        // the action under way, for the log
    int m_sweep = 0;
    bool m_ended = false;
    static inline QtMessageHandler s_previous = nullptr;
};

TEST_F(Abuse, RandomUserActionsKeepScoreClockVoiceAndWidgetsConsistent) {
    const auto seed = static_cast<std::uint32_t>(envNumber("TAVRILO_ABUSE_SEED", kSeed));
    const long actions = envNumber("TAVRILO_ABUSE_ACTIONS", kDefaultActions);
    m_rng.seed(seed);
    std::deque<std::string> log;
    for (long i = 0; i < actions; ++i) {
        m_what.str("");
        const bool prompt = (i + 1) * 4 / actions > i * 4 / actions;  // "E&xit" 4 times, No
        if (prompt) test::answerNextMessageBox(QMessageBox::No);
        prompt ? click(m_form.button("cmdexit")) : act();
        std::string problem = invariants();
        if (problem.empty()) {
            // Mostly none or one 15.625 ms timer tick, so that actions fall between single ramp
            // ticks; otherwise long enough for slow steps and whole envelopes.
            const int ms = uniform(0, 4) ? uniform(0, 20) : uniform(0, 250);
            m_what << ", then " << ms << " ms of ticks";
            app.advance(std::chrono::milliseconds(ms));
            problem = invariants();
        }
        std::ostringstream entry;  // not string +: GCC 12 -O3 warns wrongly (-Wrestrict) there
        entry << '#' << i << ' ' << m_what.str();
        log.push_back(entry.str());
        if (log.size() > kLogLines) log.pop_front();
        if (!problem.empty()) {
            std::ostringstream tail;
            for (const std::string& line : log)
                tail << "  " << line << "\n";
            FAIL() << "seed " << seed << " (TAVRILO_ABUSE_SEED), action " << i << " of " << actions
                   << ": " << problem << "\nlast actions:\n"
                   << tail.str();
        }
    }
}

}  // namespace
}  // namespace tavrilo
