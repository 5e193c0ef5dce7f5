// A long run of random user actions on the real main window, its panels and its help window, on
// a stepped clock with timer ticks between the actions. Everything goes through the widgets as a
// user's hand would: mouse events on the board (pressed, dragged and released anywhere, with any
// mix of buttons held), clicks on buttons and swatches, slider moves, keys. After every action and
// every run of ticks the score, the step clock and the voice must lie within their ranges and
// every slider and lamp must show what it stands for; actions whose effect is plain check it too.
// A seed fixes the run, so a failure replays exactly.
#define QTEST_QPA_MOUSE_HANDLING

#include <gtest/gtest.h>

#include <QTest>
#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <deque>
#include <iostream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/TestApp.h"

namespace tavrilo {
namespace {

using std::chrono::milliseconds;

constexpr std::uint32_t kSeed = 0x7A5B2024;
constexpr long kDefaultActions = 100'000;
constexpr int kExitPrompts = 3;
constexpr std::size_t kLogLines = 60;  // actions and the tick runs between them
constexpr int kMaxTickMs = 250;
constexpr int kShortTickMs = 20;
constexpr int kMaxEnvLevel = 124;  // ceiling 100 plus an attack overshoot of at most 24
constexpr int kMaxCut = 2000;
constexpr int kMaxRate = 25;       // attack and decay increments
constexpr int kFarPx = 1'000'000;  // far off the window; 15 million twips is still exact in float

// TAVRILO_ABUSE_ACTIONS and TAVRILO_ABUSE_SEED replace the defaults: a longer search, another
// sequence, or a shorter run on a slow machine.
long envNumber(const char* name, long fallback) {
    const char* text = std::getenv(name);
    if (!text || !*text) return fallback;
    char* end = nullptr;
    const long value = std::strtol(text, &end, 0);
    return (*end == '\0' && value > 0) ? value : fallback;
}

// What the chalk of each swatch is: its colour, the row it writes and the divisor of the height.
struct SwatchChalk {
    ColorValue color;
    Row row;
    int divisor;
};
constexpr std::array<SwatchChalk, 9> kSwatches = {{
    {rgb(128, 128, 128), Row::Tone, 200},
    {rgb(0, 0, 255), Row::Osc1, 720},
    {rgb(0, 255, 0), Row::Osc2, 720},
    {rgb(0, 255, 255), Row::AM1, 50},
    {rgb(255, 0, 0), Row::FM, 50},
    {rgb(255, 0, 255), Row::VOL, 50},
    {rgb(255, 255, 0), Row::AM2, 50},
    {rgb(255, 255, 255), Row::Decay, 200},
    {rgb(255, 128, 0), Row::Atteck, 190},
}};
constexpr int kWhiteSwatch = 7;  // the pen at start-up

// "reset", in Row order: every step a rest with neutral settings, attack 10.
constexpr std::array<int, kRows> kResetValues = {24, 0, 0, 100, 100, 100, 10, 10, 10};

struct NoteKey {
    Qt::Key key;
    int pitch;
};
constexpr std::array<NoteKey, 24> kNoteKeys = {{
    {Qt::Key_Z, 1},  {Qt::Key_X, 2},  {Qt::Key_C, 3},     {Qt::Key_V, 4},  {Qt::Key_B, 5},
    {Qt::Key_N, 6},  {Qt::Key_M, 7},  {Qt::Key_Comma, 8}, {Qt::Key_A, 9},  {Qt::Key_S, 10},
    {Qt::Key_D, 11}, {Qt::Key_F, 12}, {Qt::Key_G, 13},    {Qt::Key_H, 14}, {Qt::Key_J, 15},
    {Qt::Key_K, 16}, {Qt::Key_Q, 17}, {Qt::Key_W, 18},    {Qt::Key_E, 19}, {Qt::Key_R, 20},
    {Qt::Key_T, 21}, {Qt::Key_Y, 22}, {Qt::Key_U, 23},    {Qt::Key_I, 24},
}};

constexpr std::array<Qt::Key, 4> kSliderKeys = {Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_Home,
                                                Qt::Key_End};

constexpr std::array<const char*, 8> kOpeners = {"Command20", "Command16", "Command18", "Command17",
                                                 "Command19", "Command3",  "Command2",  "cmdhelp"};

// Points far off the window are part of the run, and QTest warns about each one; the offscreen
// platform warns about every window raised.
class QuietOffWindowWarnings {
public:
    QuietOffWindowWarnings() { s_previous = qInstallMessageHandler(&filter); }
    ~QuietOffWindowWarnings() { qInstallMessageHandler(s_previous); }
    QuietOffWindowWarnings(const QuietOffWindowWarnings&) = delete;
    QuietOffWindowWarnings& operator=(const QuietOffWindowWarnings&) = delete;

private:
    static void filter(QtMsgType type, const QMessageLogContext& context, const QString& text) {
        if (type == QtWarningMsg &&
            (text.startsWith(QLatin1String("Mouse event at ")) ||
             text.startsWith(QLatin1String("This plugin does not support"))))
            return;
        if (s_previous) s_previous(type, context, text);
    }
    static inline QtMessageHandler s_previous = nullptr;
};

std::string str(QPoint p) {
    return "(" + std::to_string(p.x()) + "," + std::to_string(p.y()) + ")";
}

std::string cellName(Row row, int step) {
    return std::string(rowInfo(row).controlName) + "(" + std::to_string(step) + ")";
}

const char* buttonName(Qt::MouseButton b) {
    switch (b) {
        case Qt::LeftButton:
            return "left";
        case Qt::RightButton:
            return "right";
        case Qt::MiddleButton:
            return "middle";
        default:
            return "?";
    }
}

std::string keyName(Qt::Key key) {
    return QKeySequence(key).toString().toStdString();
}

struct ScoreCopy {
    std::array<std::array<int, kSteps>, kRows> cells{};
    int length = 0;

    static ScoreCopy of(const StepParameterSet& score) {
        ScoreCopy c;
        for (Row r : kAllRows)
            for (int s = 0; s < kSteps; ++s)
                c.cells[static_cast<std::size_t>(r)][static_cast<std::size_t>(s)] =
                    score.cell(r, s);
        c.length = score.length();
        return c;
    }
    static ScoreCopy of(const PatternSlot& slot) {
        ScoreCopy c;
        for (Row r : kAllRows)
            for (int s = 0; s < kSteps; ++s)
                c.cells[static_cast<std::size_t>(r)][static_cast<std::size_t>(s)] =
                    slot.value(r, s);
        c.length = slot.length;
        return c;
    }
    int at(Row r, int s) const {
        return cells[static_cast<std::size_t>(r)][static_cast<std::size_t>(s)];
    }
};

// The first cell (or the length) where `actual` differs from `expected`; empty when equal.
std::string firstDifference(const ScoreCopy& expected, const ScoreCopy& actual) {
    for (Row r : kAllRows)
        for (int s = 0; s < kSteps; ++s)
            if (expected.at(r, s) != actual.at(r, s))
                return cellName(r, s) + " is " + std::to_string(actual.at(r, s)) + ", expected " +
                       std::to_string(expected.at(r, s));
    if (expected.length != actual.length)
        return "length is " + std::to_string(actual.length) + ", expected " +
               std::to_string(expected.length);
    return {};
}

// Drives one loaded main window with random actions and checks it after each of them.
class Abuser {
public:
    Abuser(test::LoadedForm& app, std::uint32_t seed, long actions)
        : m_app(app),
          m_form(app.form),
          m_board(app.form.Picdraw()),
          m_seed(seed),
          m_actions(actions),
          m_rng(seed),
          m_blackPicture(m_board->picture().size(), m_board->picture().format()) {
        std::vector<double> weights;
        for (const Choice& c : choices())
            weights.push_back(c.weight);
        m_choose = std::discrete_distribution<std::size_t>(weights.begin(), weights.end());
        m_blackPicture.fill(Qt::black);
        for (PanelWindow* panel : panels())
            for (Row row : panel->rows())
                for (int s = 0; s < kSteps; ++s)
                    m_sliders[static_cast<std::size_t>(row)][static_cast<std::size_t>(s)] =
                        panel->slider(row, s);
        QObject::connect(&m_form, &Form1::programEnded, [this](int) { ++m_programEnded; });
        m_form.indicators().addListener([this](const StepIndicators::Change& c) {
            if (c.kind == StepIndicators::Kind::Marker && c.on) ++m_soundingSteps;
        });
        std::uniform_int_distribution<long> at(0, m_actions - 1);
        while (m_promptAt.size() <
               static_cast<std::size_t>(std::min<long>(kExitPrompts, m_actions)))
            m_promptAt.insert(at(m_rng));
    }

    // Every action in turn; the first problem with the seed and the last actions, or "".
    std::string run() {
        // QTest remembers buttons held by earlier tests; let go of them off the window, without
        // drawing on the random sequence, so that a run replays alone or after other tests.
        for (Qt::MouseButton b : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton})
            if (QTestPrivate::qtestMouseButtons & b)
                QTest::mouseRelease(m_board, b, {}, QPoint(-1000, -1000));
        if (std::string problem = invariants(); !problem.empty())
            return report(-1, "start-up", problem);
        for (long i = 0; i < m_actions; ++i) {
            std::string what;
            std::string problem = m_promptAt.count(i) ? exitPrompt(what) : perform(what);
            log("#" + std::to_string(i) + " " + what);
            if (problem.empty()) problem = invariants();
            if (!problem.empty()) return report(i, what, problem);

            const int ms = tickSpan();
            m_app.advance(milliseconds(ms));
            log("   ticks for " + std::to_string(ms) + " ms");
            if (std::string late = invariants(); !late.empty())
                return report(i, "the ticks of " + std::to_string(ms) + " ms after " + what, late);
        }
        std::string last;
        releaseAll(last);
        return invariants();
    }

    std::string summary() const {
        std::ostringstream out;
        out << "seed " << m_seed << ", " << m_actions << " actions:";
        for (const auto& [name, n] : m_counts)
            out << " " << name << " " << n;
        out << "; stroke points " << m_strokePoints << ", key moves " << m_keyMoves
            << ", drag moves " << m_dragMoves << ", sounding steps " << m_soundingSteps << "\n";
        return out.str();
    }

    long count(const std::string& name) const {
        const auto it = m_counts.find(name);
        return it == m_counts.end() ? 0 : it->second;
    }
    long strokePoints() const { return m_strokePoints; }
    long keyMoves() const { return m_keyMoves; }
    long dragMoves() const { return m_dragMoves; }
    long soundingSteps() const { return m_soundingSteps; }

private:
    enum class Grab { None, Board, Elsewhere };
    using Action = std::string (Abuser::*)(std::string& what);
    struct Choice {
        Action act;
        const char* name;
        double weight;
    };
    // Weights are relative: board events most, then what a user reaches for often.
    static const std::array<Choice, 21>& choices() {
        static const std::array<Choice, 21> table = {{
            {&Abuser::press, "press", 10},
            {&Abuser::move, "move", 24},
            {&Abuser::release, "release", 9},
            {&Abuser::doubleClick, "double-click", 1},
            {&Abuser::swatch, "swatch", 4},
            {&Abuser::mode, "mode", 2},
            {&Abuser::panelSlider, "panel slider", 12},
            {&Abuser::lengthSlider, "length", 3},
            {&Abuser::sliderKey, "slider key", 5},
            {&Abuser::sliderDrag, "slider drag", 3},
            {&Abuser::tempo, "tempo", 2.5},
            {&Abuser::expand, "expand", 2.5},
            {&Abuser::play, "play", 2.5},
            {&Abuser::stop, "stop", 2},
            {&Abuser::reset, "reset", 0.5},
            {&Abuser::newDrawing, "new", 1},
            {&Abuser::store, "store", 2},
            {&Abuser::recall, "recall", 2.5},
            {&Abuser::open, "open", 3},
            {&Abuser::close, "close", 3},
            {&Abuser::note, "note key", 6},
        }};
        return table;
    }

    // --- randomness ---------------------------------------------------------------------------

    int uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rng); }
    bool chance(double p) { return std::bernoulli_distribution(p)(m_rng); }
    template <typename T>
    const T& pick(const std::vector<T>& from) {
        return from[static_cast<std::size_t>(uniform(0, static_cast<int>(from.size()) - 1))];
    }

    // A value for a slider of min..max: mostly inside, often an end, sometimes far outside.
    int sliderValue(int min, int max) {
        switch (uniform(0, 11)) {
            case 0:
            case 1:
                return min;
            case 2:
            case 3:
                return max;
            case 4:
                return min - 1;
            case 5:
                return max + 1;
            case 6:
                return uniform(-100'000, 100'000);
            case 7:
                return chance(0.5) ? INT_MIN : INT_MAX;
            default:
                return uniform(min, max);
        }
    }

    // Time between two actions, 0..250 ms: mostly none or one tick of the 64 Hz timer service,
    // so that actions fall between single ramp ticks, and otherwise long enough for steps at
    // slow tempi and whole envelopes to run.
    int tickSpan() { return chance(0.8) ? uniform(0, kShortTickMs) : uniform(0, kMaxTickMs); }

    Qt::KeyboardModifiers modifiers() {
        if (chance(0.8)) return Qt::NoModifier;
        Qt::KeyboardModifiers m;
        if (chance(0.5)) m |= Qt::ShiftModifier;
        if (chance(0.5)) m |= Qt::ControlModifier;
        if (chance(0.3)) m |= Qt::AltModifier;
        return m;
    }
    static std::string modifierText(Qt::KeyboardModifiers m) {
        std::string t;
        if (m & Qt::ShiftModifier) t += "+shift";
        if (m & Qt::ControlModifier) t += "+ctrl";
        if (m & Qt::AltModifier) t += "+alt";
        return t;
    }

    // Board points are in the board widget's pixels. QTest takes (0, 0), in the widget or in
    // the window, for "the centre", and a move to where the pointer already is may be dropped:
    // both are avoided.
    QPoint usable(QPoint p) const {
        const QPoint offset = m_board->mapTo(&m_form, QPoint(0, 0));
        for (;;) {
            if (!p.isNull() && !(p + offset).isNull() && m_board->mapToGlobal(p) != m_lastGlobal)
                return p;
            p.rx() += 1;
        }
    }
    QPoint onBoard() {
        return usable({uniform(0, m_board->width() - 1), uniform(0, m_board->height() - 1)});
    }
    // A point outside the main window: beside it, or far away.
    QPoint offWindow() {
        const int w = m_form.width();
        const int h = m_form.height();
        const int far = chance(0.2) ? kFarPx : 3000;
        QPoint p;
        switch (uniform(0, 3)) {
            case 0:
                p = {uniform(-far, -1), uniform(-far, h + far)};
                break;
            case 1:
                p = {uniform(w, w + far), uniform(-far, h + far)};
                break;
            case 2:
                p = {uniform(-far, w + far), uniform(-far, -1)};
                break;
            default:
                p = {uniform(-far, w + far), uniform(h, h + far)};
                break;
        }
        return usable(p - m_board->mapTo(&m_form, QPoint(0, 0)));
    }
    QPoint anywhere() {
        const double r = std::uniform_real_distribution<double>(0, 1)(m_rng);
        if (r < 0.6) return onBoard();
        if (r < 0.8)
            return usable(
                {uniform(-400, m_board->width() + 400), uniform(-400, m_board->height() + 400)});
        return offWindow();
    }

    std::vector<Qt::MouseButton> buttons(bool held) const {
        std::vector<Qt::MouseButton> out;
        for (Qt::MouseButton b : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton})
            if (static_cast<bool>(m_held & b) == held) out.push_back(b);
        return out;
    }

    // --- the actions --------------------------------------------------------------------------

    std::string perform(std::string& what) {
        const Choice& c = choices()[m_choose(m_rng)];
        ++m_counts[c.name];
        return (this->*c.act)(what);
    }

    void sent(QPoint boardPoint) { m_lastGlobal = m_board->mapToGlobal(boardPoint); }

    std::string press(std::string& what) {
        const auto free = buttons(false);
        if (free.empty()) return release(what);
        // Mostly the drawing button, so that strokes happen among everything else.
        const bool left = (m_held & Qt::LeftButton) == 0 && chance(0.6);
        const Qt::MouseButton b = left ? Qt::LeftButton : pick(free);
        const Qt::KeyboardModifiers mods = modifiers();
        const QPoint p = chance(0.75) ? onBoard() : offWindow();
        // The first button down decides who gets every event until the last one is up.
        if (m_held == Qt::NoButton)
            m_grab = m_form.childAt(m_board->mapTo(&m_form, p)) == m_board ? Grab::Board
                                                                           : Grab::Elsewhere;
        what = std::string("press ") + buttonName(b) + modifierText(mods) + " at " + str(p);
        QTest::mousePress(m_board, b, mods, p);
        sent(p);
        m_held |= b;
        if (b == Qt::LeftButton && m_grab == Grab::Board) m_penDown = true;
        return {};
    }

    // A move; with the pen down it is a point of the stroke, whose effect is checked.
    std::string move(std::string& what) {
        const QPoint p = anywhere();
        const int currentStep = m_form.stepClock().currentStep();
        what = "move to " + str(p) + heldText();
        QTest::mouseMove(m_board, p);
        sent(p);
        if (!m_penDown) return {};
        ++m_strokePoints;

        const SwatchChalk& chalk = kSwatches[static_cast<std::size_t>(m_chalk)];
        const RowInfo& info = rowInfo(chalk.row);
        const int xTwips = (p.x() - DrawingBoard::kBorderPx) * 15;
        const int yTwips = (p.y() - DrawingBoard::kBorderPx) * 15;
        // Column: X / 240 to the nearest step, halves to even (the default rounding mode).
        const int column =
            std::clamp(static_cast<int>(std::nearbyint(xTwips / 240.0)), 0, kSteps - 1);
        const int step = m_mode == AddressingMode::PlayStep ? currentStep : column;
        // Value: the height over the divisor, the remainder dropped towards zero.
        const int value = std::clamp(yTwips / chalk.divisor, info.min, info.max);
        if (m_form.drawing().Sliderdraw() != column)
            return "the step cursor is " + std::to_string(m_form.drawing().Sliderdraw()) +
                   ", expected column " + std::to_string(column);
        if (m_form.score().cell(chalk.row, step) != value)
            return "the stroke left " + cellName(chalk.row, step) + " at " +
                   std::to_string(m_form.score().cell(chalk.row, step)) + ", expected " +
                   std::to_string(value);
        const BoardPoint expected{static_cast<float>(xTwips), static_cast<float>(yTwips)};
        if (m_form.drawing().position() != expected) return "the drawing position did not follow";
        return {};
    }

    std::string release(std::string& what) {
        const auto held = buttons(true);
        if (held.empty()) return move(what);
        const Qt::MouseButton b = pick(held);
        const Qt::KeyboardModifiers mods = modifiers();
        const QPoint p = anywhere();
        what = std::string("release ") + buttonName(b) + modifierText(mods) + " at " + str(p);
        return releaseButton(b, mods, p);
    }

    std::string releaseButton(Qt::MouseButton b, Qt::KeyboardModifiers mods, QPoint p) {
        const Grab grab = m_grab;
        QTest::mouseRelease(m_board, b, mods, p);
        sent(p);
        m_held &= ~Qt::MouseButtons(b);
        if (b == Qt::LeftButton && grab == Grab::Board) m_penDown = false;
        if (m_held == Qt::NoButton) m_grab = Grab::None;
        if (grab == Grab::Board && m_form.Timer2().enabled())
            return "a release on the board left the attack ramp running";
        return {};
    }

    std::string doubleClick(std::string& what) {
        const auto free = buttons(false);
        if (free.empty()) return release(what);
        const Qt::MouseButton b = pick(free);
        const QPoint p = onBoard();
        if (m_held == Qt::NoButton)
            m_grab = m_form.childAt(m_board->mapTo(&m_form, p)) == m_board ? Grab::Board
                                                                           : Grab::Elsewhere;
        const Grab grab = m_grab;
        what = std::string("double-click ") + buttonName(b) + " at " + str(p) + heldText();
        QTest::mouseDClick(m_board, b, {}, p);
        sent(p);
        if (b == Qt::LeftButton && grab == Grab::Board) m_penDown = false;
        if (m_held == Qt::NoButton) m_grab = Grab::None;
        if (grab == Grab::Board && m_form.Timer2().enabled())
            return "a double-click on the board left the attack ramp running";
        return {};
    }

    std::string heldText() const {
        std::string t;
        for (Qt::MouseButton b : buttons(true))
            t += std::string(t.empty() ? " holding " : "+") + buttonName(b);
        return t;
    }

    // A hand on another control has let go of the board first.
    std::string releaseAll(std::string& what) {
        for (Qt::MouseButton b : buttons(true)) {
            const QPoint p = anywhere();
            what += std::string("release ") + buttonName(b) + " at " + str(p) + ", ";
            if (std::string problem = releaseButton(b, {}, p); !problem.empty()) return problem;
        }
        return {};
    }

    void click(QWidget* w) {
        QTest::mouseClick(w, Qt::LeftButton);
        m_lastGlobal = w->mapToGlobal(w->rect().center());
    }

    std::string swatch(std::string& what) {
        if (std::string p = releaseAll(what); !p.empty()) return p;
        const int i = uniform(0, 8);
        what += "click lblcolor(" + std::to_string(i) + ")";
        click(m_form.lblcolor(i));
        m_chalk = i;
        if (m_form.drawing().penColor() != kSwatches[static_cast<std::size_t>(i)].color)
            return "the pen did not take the swatch's colour";
        return {};
    }

    // The mode buttons lie in the right-hand strip: clicked where the user sees them, pressed
    // as a control while the window is still narrow.
    std::string mode(std::string& what) {
        if (std::string p = releaseAll(what); !p.empty()) return p;
        const int i = uniform(0, 1);
        QPushButton* b = m_form.optraw(i);
        if (m_form.rect().contains(b->geometry())) {
            what += "click optraw(" + std::to_string(i) + ")";
            click(b);
        } else {
            what += "optraw(" + std::to_string(i) + ").click() off view";
            b->click();
        }
        m_mode = i == 0 ? AddressingMode::PlayStep : AddressingMode::CursorStep;
        if (m_form.drawing().mode() != m_mode) return "the addressing mode did not follow";
        if (!b->isChecked() || m_form.optraw(1 - i)->isChecked())
            return "the mode buttons do not show the mode";
        return {};
    }

    QSlider* cellSlider(Row row, int step) const {
        return m_sliders[static_cast<std::size_t>(row)][static_cast<std::size_t>(step)];
    }

    std::string panelSlider(std::string& what) {
        Row row = Row::Tone;
        int step = 0;
        int v = 0;
        if (chance(0.25)) {
            // A sweep takes every cell to both ends of its row in turn.
            const int n = m_sweep++ % (kRows * kSteps * 2);
            row = kAllRows[static_cast<std::size_t>(n / 2 % kRows)];
            step = n / 2 / kRows;
            v = n % 2 ? rowInfo(row).max : rowInfo(row).min;
        } else {
            // Tone more often than the others: a Tone below 24 is what makes a step sound.
            row =
                chance(0.3) ? Row::Tone : kAllRows[static_cast<std::size_t>(uniform(0, kRows - 1))];
            step = uniform(0, kSteps - 1);
            v = sliderValue(rowInfo(row).min, rowInfo(row).max);
        }
        const RowInfo& info = rowInfo(row);
        what = cellName(row, step) + ".setValue(" + std::to_string(v) + ")";
        cellSlider(row, step)->setValue(v);
        const int expected = std::clamp(v, info.min, info.max);
        if (m_form.score().cell(row, step) != expected)
            return "the cell holds " + std::to_string(m_form.score().cell(row, step)) +
                   ", expected " + std::to_string(expected);
        return {};
    }

    std::string lengthSlider(std::string& what) {
        const int v = sliderValue(kMinLength, kMaxLength);
        what = "Slider6.setValue(" + std::to_string(v) + ")";
        m_form.Form2()->lengthSlider()->setValue(v);
        if (m_form.score().length() != std::clamp(v, kMinLength, kMaxLength))
            return "the length is " + std::to_string(m_form.score().length());
        return {};
    }

    QPushButton* openerOf(const QWidget* window) const {
        if (window == m_form.Form2()) return m_form.button("Command20");
        if (window == m_form.Form6()) return m_form.button("Command18");
        if (window == m_form.Form5()) return m_form.button("Command19");
        return nullptr;
    }

    // A key on a focused slider, in a shown window: a panel is opened first if need be.
    std::string sliderKey(std::string& what) {
        QWidget* window = &m_form;
        QSlider* slider = nullptr;
        std::string name;
        int target = uniform(0, 9);
        // The tempo and "Expand" sliders are within reach once the window is widened.
        if (target >= 8 && !m_form.rect().contains(m_form.sltempo()->geometry().topLeft()))
            target = 0;
        if (target < 7) {
            const Row row = kAllRows[static_cast<std::size_t>(uniform(0, kRows - 1))];
            const int step = uniform(0, kSteps - 1);
            slider = cellSlider(row, step);
            window = slider->window();
            name = cellName(row, step);
        } else if (target == 7) {
            slider = m_form.Form2()->lengthSlider();
            window = m_form.Form2();
            name = "Slider6";
        } else if (target == 8) {
            slider = m_form.sltempo();
            name = "sltempo";
        } else {
            slider = chance(0.5) ? m_form.Slidercut1() : m_form.Slidercut21();
            name = slider->objectName().toStdString();
        }
        if (!window->isVisible()) {
            if (std::string p = releaseAll(what); !p.empty()) return p;
            QPushButton* opener = openerOf(window);
            what += "click " + opener->objectName().toStdString() + ", ";
            click(opener);
            if (!window->isVisible()) return "the opener did not show its panel";
        }
        const Qt::Key key = kSliderKeys[static_cast<std::size_t>(uniform(0, 3))];
        what += keyName(key) + " on " + name;
        const int before = slider->value();
        slider->setFocus(Qt::OtherFocusReason);
        QTest::keyClick(window->windowHandle(), key);
        const int after = slider->value();
        const int page = slider->pageStep();
        const auto bound = [slider](int v) {
            return std::clamp(v, slider->minimum(), slider->maximum());
        };
        const bool ok = (key == Qt::Key_Home || key == Qt::Key_End)
                            ? (after == slider->minimum() || after == slider->maximum())
                            : (after == bound(before + page) || after == bound(before - page));
        if (!ok)
            return "the slider went from " + std::to_string(before) + " to " +
                   std::to_string(after);
        if (after != before) {
            ++m_keyMoves;
            if (slider == m_form.sltempo()) m_tempoMoved = true;
        }
        return {};
    }

    // The mouse on a panel slider: pressed on the thumb or the track, dragged, let go anywhere.
    std::string sliderDrag(std::string& what) {
        if (std::string p = releaseAll(what); !p.empty()) return p;
        QSlider* slider = m_form.Form2()->lengthSlider();
        std::string name = "Slider6";
        if (chance(0.9)) {
            const Row row = kAllRows[static_cast<std::size_t>(uniform(0, kRows - 1))];
            const int step = uniform(0, kSteps - 1);
            slider = cellSlider(row, step);
            name = cellName(row, step);
        }
        QWidget* window = slider->window();
        if (!window->isVisible()) {
            QPushButton* opener = openerOf(window);
            what += "click " + opener->objectName().toStdString() + ", ";
            click(opener);
            if (!window->isVisible()) return "the opener did not show its panel";
        }
        const QPoint offset = slider->mapTo(window, QPoint(0, 0));
        const auto notCentre = [&offset](QPoint p) {
            while (p.isNull() || (p + offset).isNull())
                p.rx() += 1;
            return p;
        };
        const QPoint from =
            notCentre({uniform(0, slider->width() - 1), uniform(0, slider->height() - 1)});
        const int reach = chance(0.2) ? 3000 : 100;
        const QPoint to = notCentre(
            {uniform(-reach, slider->width() + reach), uniform(-reach, slider->height() + reach)});
        what += "drag " + name + " from " + str(from) + " to " + str(to);
        const int before = slider->value();
        QTest::mousePress(slider, Qt::LeftButton, {}, from);
        QTest::mouseMove(slider, to);
        QTest::mouseRelease(slider, Qt::LeftButton, {}, to);
        m_lastGlobal = slider->mapToGlobal(to);
        if (slider->value() != before) ++m_dragMoves;
        return {};
    }

    std::string tempo(std::string& what) {
        int v = sliderValue(StepClock::kMinTempoMs, StepClock::kMaxTempoMs);
        if (chance(0.3)) v = chance(0.5) ? StepClock::kMinTempoMs : StepClock::kMaxTempoMs;
        what = "sltempo.setValue(" + std::to_string(v) + ")";
        const int before = m_form.sltempo()->value();
        m_form.sltempo()->setValue(v);
        if (m_form.sltempo()->value() != before) m_tempoMoved = true;
        return {};  // the interval is an invariant once the user has moved the slider
    }

    std::string expand(std::string& what) {
        QSlider* s = chance(0.5) ? m_form.Slidercut1() : m_form.Slidercut21();
        const int v = sliderValue(0, kMaxCut);
        what = s->objectName().toStdString() + ".setValue(" + std::to_string(v) + ")";
        s->setValue(v);
        if (s->value() != std::clamp(v, 0, kMaxCut)) return "the slider did not take the value";
        return {};
    }

    std::string clickButton(std::string& what, const char* name) {
        if (std::string p = releaseAll(what); !p.empty()) return p;
        what += std::string("click ") + name;
        click(m_form.button(name));
        return {};
    }

    std::string play(std::string& what) {
        if (std::string p = clickButton(what, "cmdplay"); !p.empty()) return p;
        if (!m_form.stepClock().playing()) return "the step clock is not running";
        if (m_form.stepClock().currentStep() != 0) return "play did not go back to step 0";
        return {};
    }

    std::string stop(std::string& what) {
        const int step = m_form.stepClock().currentStep();
        if (std::string p = clickButton(what, "cmdstop"); !p.empty()) return p;
        if (m_form.stepClock().playing()) return "the step clock still runs";
        if (m_form.stepClock().currentStep() != step) return "stop moved currentStep";
        return {};
    }

    std::string reset(std::string& what) {
        if (std::string p = clickButton(what, "cmdreset"); !p.empty()) return p;
        ScoreCopy expected;
        for (Row r : kAllRows)
            expected.cells[static_cast<std::size_t>(r)].fill(
                kResetValues[static_cast<std::size_t>(r)]);
        expected.length = kMaxLength;
        if (std::string d = firstDifference(expected, ScoreCopy::of(m_form.score())); !d.empty())
            return "after reset " + d;
        return {};
    }

    std::string newDrawing(std::string& what) {
        if (std::string p = releaseAll(what); !p.empty()) return p;
        const ScoreCopy before = ScoreCopy::of(m_form.score());
        what += "click cmdnew";
        click(m_form.button("cmdnew"));
        if (std::string d = firstDifference(before, ScoreCopy::of(m_form.score())); !d.empty())
            return "\"new\" changed the score: " + d;
        if (m_board->picture() != m_blackPicture) return "the board is not black after \"new\"";
        if (m_form.drawing().position() != BoardPoint{0, 0})
            return "the drawing position is not back at (0, 0)";
        return {};
    }

    std::string previewsShow(int lit) const {
        for (int k = 0; k < Form1::kSlots; ++k)
            if (m_form.Picpre(k)->color() != (k == lit ? colors::red : colors::black))
                return "preview " + std::to_string(k) + " has the wrong colour";
        return {};
    }

    std::string store(std::string& what) {
        if (std::string p = releaseAll(what); !p.empty()) return p;
        const int k = uniform(0, Form1::kSlots - 1);
        what += "click S of slot " + std::to_string(k);
        click(m_form.storeButton(k));
        if (!m_form.recallButton(k)->isVisible()) return "the slot's L button is not shown";
        const PatternSlot* slot = m_form.patterns().slot(k);
        if (std::string d = firstDifference(ScoreCopy::of(m_form.score()), ScoreCopy::of(*slot));
            !d.empty())
            return "the slot does not hold the score: " + d;
        return previewsShow(k);
    }

    std::string recall(std::string& what) {
        std::vector<int> shown;
        for (int k = 0; k < Form1::kSlots; ++k)
            if (m_form.recallButton(k)->isVisible()) shown.push_back(k);
        if (shown.empty()) return store(what);
        if (std::string p = releaseAll(what); !p.empty()) return p;
        const int k = pick(shown);
        what += "click L of slot " + std::to_string(k);
        ++m_counts["recalled"];
        click(m_form.recallButton(k));
        const PatternSlot* slot = m_form.patterns().slot(k);
        if (std::string d = firstDifference(ScoreCopy::of(*slot), ScoreCopy::of(m_form.score()));
            !d.empty())
            return "the recall did not bring the slot back: " + d;
        return previewsShow(k);
    }

    QWidget* windowOf(const std::string& opener) const {
        if (opener == "Command20" || opener == "Command16") return m_form.Form2();
        if (opener == "Command18" || opener == "Command17") return m_form.Form6();
        if (opener == "Command19" || opener == "Command3") return m_form.Form5();
        if (opener == "Command2") return m_form.Form3();
        return m_form.Dialoghelp();
    }

    std::string open(std::string& what) {
        const char* name =
            kOpeners[static_cast<std::size_t>(uniform(0, static_cast<int>(kOpeners.size()) - 1))];
        if (std::string p = clickButton(what, name); !p.empty()) return p;
        QWidget* window = windowOf(name);
        if (!window || !window->isVisible()) return "the window did not open";
        return {};
    }

    std::string close(std::string& what) {
        std::vector<QWidget*> shown;
        for (QWidget* w : secondaryWindows())
            if (w && w->isVisible()) shown.push_back(w);
        if (shown.empty()) return open(what);
        if (std::string p = releaseAll(what); !p.empty()) return p;
        QWidget* window = pick(shown);
        const std::string name = window->objectName().toStdString();
        const int how = uniform(0, 9);
        if (window == m_form.Dialoghelp() && how < 3) {
            what += "click > on the help window";
            click(m_form.Dialoghelp()->widenButton());
            if (m_form.outerWidth() != Form1::kWideOuterWidth)
                return "the main window is " + std::to_string(m_form.outerWidth()) + " twips wide";
            return {};
        }
        if (how < 6) {
            QPushButton* closer = window == m_form.Dialoghelp() ? m_form.Dialoghelp()->OKButton()
                                  : window == m_form.Form3()
                                      ? m_form.Form3()->closeButton()
                                      : static_cast<PanelWindow*>(window)->closeButton();
            what += "click " + closer->text().toStdString() + " on " + name;
            click(closer);
        } else {
            what += "close box of " + name;
            window->close();
        }
        if (window->isVisible()) return "the window is still shown";
        return {};
    }

    std::string note(std::string& what) {
        std::vector<QWidget*> shown{&m_form};
        for (QWidget* w : secondaryWindows())
            if (w && w->isVisible()) shown.push_back(w);
        QWidget* window = pick(shown);
        const NoteKey& k =
            kNoteKeys[static_cast<std::size_t>(uniform(0, static_cast<int>(kNoteKeys.size()) - 1))];
        what = "key " + keyName(k.key) + " on " + window->objectName().toStdString() + heldText();
        QTest::keyClick(window->windowHandle(), k.key);
        if (m_form.voice().pitch != k.pitch)
            return "the note has pitch " + std::to_string(m_form.voice().pitch) + ", expected " +
                   std::to_string(k.pitch);
        if (!m_form.Timer2().enabled()) return "the note did not start its attack";
        return {};
    }

    // "E&xit", answered No: the program goes on as before.
    std::string exitPrompt(std::string& what) {
        if (std::string p = releaseAll(what); !p.empty()) return p;
        what += "click E&xit, answer No";
        ++m_counts["exit prompt"];
        m_promptSeen = false;
        test::answerNextMessageBox(QMessageBox::No, [this](QMessageBox& box) {
            m_promptSeen = box.text() == QStringLiteral("Exit Tavrilo Synth?");
        });
        click(m_form.cmdexit());
        if (!m_promptSeen) return "no exit prompt was answered";
        if (!m_form.isVisible()) return "the main window is gone";
        return {};
    }

    // --- invariants ---------------------------------------------------------------------------

    std::array<PanelWindow*, 3> panels() const {
        return {m_form.Form2(), m_form.Form5(), m_form.Form6()};
    }
    std::array<QWidget*, 5> secondaryWindows() const {
        return {m_form.Form2(), m_form.Form5(), m_form.Form6(), m_form.Form3(),
                m_form.Dialoghelp()};
    }

    static std::string outside(const char* what, int v, int lo, int hi) {
        if (v >= lo && v <= hi) return {};
        return std::string(what) + " is " + std::to_string(v) + ", outside " + std::to_string(lo) +
               ".." + std::to_string(hi);
    }

    std::string invariants() const {
        const StepParameterSet& score = m_form.score();
        for (Row row : kAllRows) {
            const RowInfo& info = rowInfo(row);
            for (int s = 0; s < kSteps; ++s) {
                const int v = score.cell(row, s);
                if (v < info.min || v > info.max)
                    return cellName(row, s) + " holds " + std::to_string(v) + ", outside " +
                           std::to_string(info.min) + ".." + std::to_string(info.max);
                if (cellSlider(row, s)->value() != v)
                    return "the slider " + cellName(row, s) + " shows " +
                           std::to_string(cellSlider(row, s)->value()) + " but the cell holds " +
                           std::to_string(v);
            }
        }
        const VoiceState& voice = m_form.voice();
        const StepClock& clock = m_form.stepClock();
        for (const std::string& p : {
                 outside("the length", score.length(), kMinLength, kMaxLength),
                 outside("currentStep", clock.currentStep(), 0, kSteps - 1),
                 outside("envLevel", voice.envLevel, 0, kMaxEnvLevel),
                 outside("pitch", voice.pitch, 0, 24),
                 outside("amp1", voice.amp1, 0, kMaxEnvLevel),
                 outside("amp2", voice.amp2, 0, kMaxEnvLevel),
                 outside("amRate1", voice.amRate1, 0, 100),
                 outside("amRate2", voice.amRate2, 0, 100),
                 outside("fmRate", voice.fmRate, 0, 100),
                 outside("cut1", voice.cut1, 0, kMaxCut),
                 outside("cut2", voice.cut2, 0, kMaxCut),
                 outside("the Optos1 option", voice.osc1Option, 0, 7),
                 outside("the Optos2 option", voice.osc2Option, 0, 7),
                 outside("attackRate", clock.attackRate(), 0, kMaxRate),
                 outside("decayRate", clock.decayRate(), 0, kMaxRate),
             })
            if (!p.empty()) return p;
        if (m_form.Form2()->lengthSlider()->value() != score.length())
            return "Slider6 shows " + std::to_string(m_form.Form2()->lengthSlider()->value()) +
                   " but the length is " + std::to_string(score.length());
        if (m_form.drawing().penDown() != m_penDown)
            return m_penDown ? "the pen went up with the left button held on the board"
                             : "the pen is down without a left button held on the board";
        const bool playing = clock.playing();
        if (m_form.indicators().playLamp() != playing ||
            m_form.Picture3()->color() != (playing ? colors::green : colors::black))
            return "the play lamp does not show the transport";
        for (int s = 0; s < kSteps; ++s) {
            const ColorValue lamp = m_form.indicators().lamp(s) ? colors::red : colors::black;
            if (m_form.Picture4(s + 32)->color() != lamp)
                return "the main window's lamp of step " + std::to_string(s) + " is wrong";
            for (PanelWindow* panel : panels())
                if (panel->lamp(s)->color() != lamp)
                    return panel->objectName().toStdString() + "'s lamp of step " +
                           std::to_string(s) + " is wrong";
        }
        if (m_tempoMoved && m_form.Timer3().interval() != m_form.sltempo()->value())
            return "the step interval is " + std::to_string(m_form.Timer3().interval()) +
                   " ms but sltempo shows " + std::to_string(m_form.sltempo()->value());
        if (m_programEnded != 0) return "the program was told to end";
        return {};
    }

    // --- the log --------------------------------------------------------------------------------

    void log(std::string line) {
        m_log.push_back(std::move(line));
        if (m_log.size() > kLogLines) m_log.pop_front();
    }

    std::string report(long index, const std::string& what, const std::string& problem) const {
        std::ostringstream out;
        out << "seed " << m_seed << " (TAVRILO_ABUSE_SEED), action " << index << " of " << m_actions
            << ": " << what << "\n  " << problem << "\nlast actions:\n";
        for (const std::string& line : m_log)
            out << "  " << line << "\n";
        return out.str();
    }

    test::LoadedForm& m_app;
    Form1& m_form;
    DrawingBoard* m_board;
    std::uint32_t m_seed;
    long m_actions;
    std::mt19937 m_rng;
    QImage m_blackPicture;
    std::array<std::array<QSlider*, kSteps>, kRows> m_sliders{};
    std::set<long> m_promptAt;
    std::discrete_distribution<std::size_t> m_choose;

    // What the user's hand and eyes know.
    Qt::MouseButtons m_held = Qt::NoButton;
    Grab m_grab = Grab::None;
    bool m_penDown = false;
    int m_chalk = kWhiteSwatch;
    AddressingMode m_mode = AddressingMode::CursorStep;
    bool m_tempoMoved = false;
    QPoint m_lastGlobal{INT_MIN, INT_MIN};
    bool m_promptSeen = false;

    int m_programEnded = 0;
    long m_strokePoints = 0;
    long m_keyMoves = 0;
    long m_dragMoves = 0;
    int m_sweep = 0;
    long m_soundingSteps = 0;
    std::map<std::string, long> m_counts;
    std::deque<std::string> m_log;
};

TEST(Abuse, RandomUserActionsKeepScoreClockVoiceAndWidgetsConsistent) {
    test::LoadedForm app;
    ASSERT_TRUE(app.loaded);
    app.form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&app.form));
    const QuietOffWindowWarnings quiet;

    const auto seed = static_cast<std::uint32_t>(envNumber("TAVRILO_ABUSE_SEED", kSeed));
    const long actions = envNumber("TAVRILO_ABUSE_ACTIONS", kDefaultActions);
    Abuser abuser(app, seed, actions);
    const std::string problem = abuser.run();
    EXPECT_TRUE(problem.empty()) << problem;
    std::cout << abuser.summary();

    // A long run that never reached the parts it is meant to shake proves little.
    if (problem.empty() && actions >= 10'000) {
        EXPECT_GT(abuser.strokePoints(), 1000);
        EXPECT_GT(abuser.keyMoves(), 100);
        EXPECT_GT(abuser.dragMoves(), 100);
        EXPECT_GT(abuser.soundingSteps(), 100);
        EXPECT_EQ(abuser.count("exit prompt"), kExitPrompts);
        for (const char* kind : {"press", "release", "recalled", "close", "note key"})
            EXPECT_GT(abuser.count(kind), 100) << kind;
    }
    for (QWidget* w : QApplication::topLevelWidgets())
        w->hide();
}

}  // namespace
}  // namespace tavrilo
