#include "app/Form1.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QShortcut>
#include <QSlider>
#include <iterator>
#include <tuple>

#include "app/ClockMenu.h"
#include "app/EditHistory.h"
#include "app/ExitPrompt.h"
#include "app/Form1Layout.h"
#include "app/HelpWindow.h"
#include "app/Instrument.h"
#include "app/KeyboardPlayer.h"
#include "board/DrawingBoard.h"
#include "board/ScoreAddressing.h"
#include "common/Artwork.h"
#include "common/Controls.h"
#include "common/QtColor.h"
#include "common/Twips.h"
#include "panels/MeterWindow.h"
#include "panels/PanelWindow.h"
#include "sound/MeterCanvas.h"

namespace tavrilo {

Form1::Form1(Instrument& instrument, MeterCanvas& meter)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_instrument(instrument),
      m_meter(meter) {
    setObjectName(QStringLiteral("Form1"));
    // Tips show over any of the program's windows, not only the active one: the user moves
    // between them.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setWindowTitle(QStringLiteral("Tavrilo Synth4 - draw a tune in chalk"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    buildControls();
    bindControls();
    bindModels();
    connectOpeners();
    setOuterWidth(kNormalOuterWidth);
    move(0, 0);
}

Form1::~Form1() = default;

QPushButton* Form1::button(const char* objectName) const {
    return findChild<QPushButton*>(QString::fromLatin1(objectName), Qt::FindDirectChildrenOnly);
}

// Events of the controls go to the instrument's handlers.
void Form1::bindControls() {
    Instrument& in = m_instrument;
    connect(button("cmdplay"), &QPushButton::clicked, this, [&in] { in.play(); });
    connect(button("cmdstop"), &QPushButton::clicked, this, [&in] { in.stop(); });
    connect(button("cmdreset"), &QPushButton::clicked, this,
            [this, &in] { gesture([&in] { in.resetScore(); }); });
    connect(button("cmdnew"), &QPushButton::clicked, this,
            [this, &in] { gesture([&in] { in.clearBoard(); }); });
    connect(button("cmdexit"), &QPushButton::clicked, this, &Form1::askToExit);
    // The right button on the transport's controls asks which clock moves the steps.
    for (QWidget* control :
         {static_cast<QWidget*>(button("cmdplay")), static_cast<QWidget*>(button("cmdstop")),
          static_cast<QWidget*>(m_sltempo)}) {
        control->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(control, &QWidget::customContextMenuRequested, this, [&in, control](QPoint at) {
            showClockMenu(in, control, control->mapToGlobal(at));
        });
    }
    for (int i = 0; i < kChalks; ++i)
        connect(m_lblcolor[static_cast<std::size_t>(i)], &ColorBox::clicked, this, [this, &in, i] {
            in.pickChalk(i);
            showChalkInHand();
        });
    // "1" writes the step the clock plays next, "2" the step under the pen.
    const AddressingMode modes[] = {AddressingMode::PlayStep, AddressingMode::CursorStep};
    static_assert(std::size(modes) == std::tuple_size_v<decltype(m_optraw)>);
    for (std::size_t i = 0; i < m_optraw.size(); ++i)
        connect(m_optraw[i], &QPushButton::clicked, this,
                [&in, mode = modes[i]] { in.setDrawingMode(mode); });
    for (int k = 0; k < kPatternSlots; ++k) {
        const auto slot = static_cast<std::size_t>(k);
        connect(m_store[slot], &QPushButton::clicked, this, [&in, k] { in.storePattern(k); });
        connect(m_recall[slot], &QPushButton::clicked, this,
                [this, &in, k] { gesture([&in, k] { in.recallPattern(k); }); });
    }
    // A stroke, from the left button's press to its release, is one undo step.
    connect(m_picdraw, &DrawingBoard::pressed, this, [this, &in](int b, float x, float y) {
        if (b == FreehandDrawing::kLeftButton && !std::exchange(m_stroking, true))
            m_history->beginGesture();
        in.beginStroke(b, x, y);
    });
    connect(m_picdraw, &DrawingBoard::moved, this,
            [&in](int b, float x, float y) { in.moveStroke(b, x, y); });
    connect(m_picdraw, &DrawingBoard::released, this, [this, &in](int b, float, float) {
        in.endStroke(b);
        if (b == FreehandDrawing::kLeftButton && std::exchange(m_stroking, false))
            m_history->endGesture();
    });
    // A note can come without warning only while a window of ours is active. The state is taken
    // now too: where no window ever becomes active (no window manager), no change is signalled.
    const auto followState = [&in](Qt::ApplicationState state) {
        in.setForeground(state == Qt::ApplicationActive);
    };
    connect(qApp, &QGuiApplication::applicationStateChanged, this, followState);
    followState(QGuiApplication::applicationState());
    new KeyboardPlayer(
        this, [this](const QWidget* window) { return isOurWindow(window); },
        [&in](std::uint32_t code, char32_t c, bool repeat) {
            // Space plays and stops, as in every music program; it never reaches a control.
            if (c == U' ') {
                if (!repeat) in.playOrStop();
                return true;
            }
            return in.noteKeyPressed(code, c, repeat);
        });
}

// What the window shows follows the instrument's models.
void Form1::bindModels() {
    Instrument& in = m_instrument;
    TransportSettings& settings = in.settings();
    m_subscriptions.push_back(bindSlider(m_sltempo, settings.tempo));
    m_subscriptions.push_back(bindSlider(m_slidercut1, settings.expand1));
    m_subscriptions.push_back(bindSlider(m_slidercut21, settings.expand2));
    m_subscriptions.push_back(in.indicators().lampChanged.connect([this](int step, bool red) {
        m_stepLamps[static_cast<std::size_t>(step)]->setColor(red ? colors::red : colors::black);
    }));
    m_subscriptions.push_back(in.indicators().playLampChanged.connect(
        [this](bool green) { m_picture3->setColor(green ? colors::green : colors::black); }));
    m_subscriptions.push_back(in.patterns().recallShown.connect(
        [this](int slot) { m_recall[static_cast<std::size_t>(slot)]->show(); }));
    m_subscriptions.push_back(in.patterns().previewChanged.connect([this](int slot, bool lit) {
        m_previews[static_cast<std::size_t>(slot)]->setColor(lit ? colors::red : colors::black);
    }));
    m_subscriptions.push_back(
        in.segmentDrawn.connect([this](const Segment& s) { m_picdraw->drawSegment(s); }));
    m_subscriptions.push_back(in.boardCleared.connect([this] { m_picdraw->clear(); }));
}

// Undo and redo, copy and paste, in every window of the program.
void Form1::bindEditing() {
    const auto shortcut = [this](const QKeySequence& keys, auto* receiver, auto slot) {
        auto* s = new QShortcut(keys, this);
        s->setContext(Qt::ApplicationShortcut);
        connect(s, &QShortcut::activated, receiver, slot);
    };
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Z), m_history, &EditHistory::undo);
    shortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), m_history, &EditHistory::redo);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Y), m_history, &EditHistory::redo);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_C), this, &Form1::editCopy);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_V), this, &Form1::editPaste);
}

void Form1::gesture(const std::function<void()>& action, bool withTransportSettings) {
    m_history->beginGesture(withTransportSettings);
    action();
    m_history->endGesture();
}

// Our own copy names its text once more in a format of its own: a paste takes the picture back
// with the tune only while the clipboard still holds the text that was copied with it.
static const QString kOwnCopy = QStringLiteral("application/x-tavrilo-synth-tune");

void Form1::editCopy() {
    auto* mime = new QMimeData;
    mime->setImageData(m_picdraw->picture());
    const QString text = QString::fromStdString(formatTune(m_instrument.tune()));
    mime->setText(text);
    mime->setData(kOwnCopy, text.toUtf8());
    QGuiApplication::clipboard()->setMimeData(mime);
}

void Form1::editPaste() {
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    const QByteArray text = mime ? mime->text().toUtf8() : QByteArray();
    const auto parsed =
        parseTune(std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
    if (const auto* problem = std::get_if<std::string>(&parsed)) {
        QMessageBox::warning(QApplication::activeWindow() ? QApplication::activeWindow() : this,
                             QStringLiteral("Paste a tune"), QString::fromStdString(*problem));
        return;
    }
    const QImage picture = mime && mime->hasImage() && mime->data(kOwnCopy) == text
                               ? qvariant_cast<QImage>(mime->imageData())
                               : QImage();
    // The board shows what was pasted: the copy's own picture, or else the tune in chalk.
    gesture(
        [this, &parsed, &picture] {
            m_instrument.pasteTune(std::get<Tune>(parsed));
            if (!m_picdraw->setPicture(picture)) m_instrument.drawScore();
        },
        true);
}

void Form1::showChalkInHand() {
    const auto chalk = findChalk(m_instrument.drawing().penColor());
    m_picdraw->setToolTip(
        QStringLiteral("%1 chalk in hand: the column is the step, the height the value")
            .arg(chalk ? latin1(rowInfo(chalk->row).legend) : QStringLiteral("No")));
}

bool Form1::isOurWindow(const QWidget* window) const {
    return window == this || window == m_form2.get() || window == m_form5.get() ||
           window == m_form6.get() || window == m_form3.get() || window == m_help.get();
}

void Form1::connectOpeners() {
    // Top row and bottom row open the same windows.
    const std::pair<const char*, std::unique_ptr<PanelWindow> Form1::*> panels[] = {
        {"Command20", &Form1::m_form2}, {"Command16", &Form1::m_form2},
        {"Command18", &Form1::m_form6}, {"Command17", &Form1::m_form6},
        {"Command19", &Form1::m_form5}, {"Command3", &Form1::m_form5},
    };
    for (const auto& [name, member] : panels)
        connect(button(name), &QPushButton::clicked, this,
                [this, member] { openWindow((this->*member).get()); });
    connect(button("Command2"), &QPushButton::clicked, this, [this] { openWindow(m_form3.get()); });
    connect(button("cmdhelp"), &QPushButton::clicked, this, &Form1::openHelp);
}

// Shows a secondary window modeless; one already open stays where it is, as it is.
void Form1::openWindow(QWidget* window) {
    if (!window) return;
    window->show();
    window->raise();
    window->activateWindow();
}

void Form1::openHelp() {
    if (!m_help) {
        m_help = std::make_unique<HelpWindow>();
        connect(m_help.get(), &HelpWindow::widenRequested, this,
                [this] { setOuterWidth(kWideOuterWidth); });
    }
    openWindow(m_help.get());
}

bool Form1::load() {
    if (!m_instrument.startUp()) return false;
    // The history starts empty once the start-up values are in.
    m_history = new EditHistory(m_instrument, *m_picdraw, this);
    bindEditing();
    setOuterWidth(kNormalOuterWidth);
    // Swatches 0..7 take their chalks' colours, the upper half of the classic sixteen; the last,
    // orange one keeps the colour it was made with.
    for (int i = 0; i < kChalks - 1; ++i)
        m_lblcolor[static_cast<std::size_t>(i)]->setColor(
            chalkTable()[static_cast<std::size_t>(i)].color);
    m_picdraw->setBackColor(colors::black);
    showChalkInHand();
    StepParameterSet& score = m_instrument.score();
    StepIndicators& indicators = m_instrument.indicators();
    m_form2 = std::make_unique<PanelWindow>(PanelWindow::Kind::Oscillator, score, indicators);
    m_form6 = std::make_unique<PanelWindow>(PanelWindow::Kind::Modulation, score, indicators);
    m_form5 = std::make_unique<PanelWindow>(PanelWindow::Kind::Envelope, score, indicators);
    // The synthesis draws into the meter window from its first tick on, shown or not.
    m_form3 = std::make_unique<MeterWindow>(m_meter);
    // A slider dragged on a panel is one undo step, from press to release.
    for (PanelWindow* panel : {m_form2.get(), m_form5.get(), m_form6.get()}) {
        for (QSlider* slider : panel->findChildren<QSlider*>()) {
            connect(slider, &QSlider::sliderPressed, m_history,
                    [this] { m_history->beginGesture(); });
            connect(slider, &QSlider::sliderReleased, m_history,
                    [this] { m_history->endGesture(); });
        }
    }
    return true;
}

int Form1::outerWidth() const { return width() * kTwipsPerPixel + kFrameTwips; }

void Form1::setOuterWidth(int twips) {
    setFixedSize(px(twips - kFrameTwips), px(kClientHeightTwips));
}

void Form1::askToExit() {
    // Yes ends the program at once, without the unload handler; the sound stops with it.
    if (askExit(this)) emit programEnded(0);
}

void Form1::closeEvent(QCloseEvent* event) {
    m_instrument.shutDown();
    for (QWidget* w : {static_cast<QWidget*>(m_form2.get()), static_cast<QWidget*>(m_form5.get()),
                       static_cast<QWidget*>(m_form6.get()), static_cast<QWidget*>(m_form3.get()),
                       static_cast<QWidget*>(m_help.get())})
        if (w) w->close();
    event->accept();
    emit programEnded(0);
}

void Form1::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), toQColor(colors::panelGrey));
    painter.drawImage(0, 0, m_backdrop.at(devicePixelRatioF()));
    for (const DecorLine& line : form1Lines())
        paintDecorLine(painter, line);
}

}  // namespace tavrilo
