#include "app/Form1.h"

#include <QCloseEvent>
#include <QPainter>

#include "app/ExitPrompt.h"
#include "app/Form1Layout.h"
#include "board/ScoreAddressing.h"
#include "common/Artwork.h"
#include "common/Twips.h"

namespace tavrilo {

Form1::Form1(const Clock& clock, modSynth_DX7& sound)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_sound(sound),
      m_timers(clock),
      m_pump(m_timers) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Tavrilo Synth4 - draw a tune in chalk"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_backdrop = mainBackdrop();
    buildControls();
    createTimers();
    bindIndicators();
    bindPatterns();
    connectOpeners();
    connectHandlers();
    setOuterWidth(kNormalOuterWidth);
    move(0, 0);
}

Form1::~Form1() = default;

QPushButton* Form1::button(const char* objectName) const {
    return findChild<QPushButton*>(QString::fromLatin1(objectName), Qt::FindDirectChildrenOnly);
}

// The timers as designed; the step clock and the ramps take them over from here.
void Form1::createTimers() {
    m_timer1 = &m_timers.create(1, true, [this] { Timer1_Timer(); });
    m_timer2 = &m_timers.create(0, true, [this] { m_stepClock->attackTick(); });
    m_timer3 = &m_timers.create(75, false, [this] { m_stepClock->stepTick(); });
    m_timer4 = &m_timers.create(0, false, [this] { m_stepClock->decayTick(); });
    m_stepClock = std::make_unique<StepClock>(
        m_score, m_indicators, m_voice, StepClock::Timers{*m_timer2, *m_timer3, *m_timer4},
        StepClock::Hooks{[this] { Timer1_Timer(); }, [this] { return m_slidercut1->value(); },
                         [this] { return m_slidercut21->value(); }});
    m_drawing = std::make_unique<FreehandDrawing>(m_score, *m_timer2,
                                                  [this] { return m_stepClock->currentStep(); });
}

void Form1::connectHandlers() {
    const std::pair<const char*, void (Form1::*)()> clicks[] = {
        {"cmdexit", &Form1::cmdexit_Click}, {"cmdplay", &Form1::cmdplay_Click},
        {"cmdstop", &Form1::cmdstop_Click}, {"cmdreset", &Form1::cmdreset_Click},
        {"cmdnew", &Form1::cmdnew_Click},
    };
    for (const auto& [name, handler] : clicks)
        connect(button(name), &QPushButton::clicked, this, handler);
    connect(m_sltempo, &QSlider::valueChanged, this, &Form1::sltempo_Change);
    for (int i = 0; i < 9; ++i)
        connect(lblcolor(i), &ColorBox::clicked, this, [this, i] { lblcolor_Click(i); });
    for (int i = 0; i < 2; ++i)
        connect(optraw(i), &QPushButton::clicked, this, [this, i] { optraw_Click(i); });
    for (int k = 0; k < kSlots; ++k) {
        connect(storeButton(k), &QPushButton::clicked, this, [this, k] { storeSlot_Click(k); });
        connect(recallButton(k), &QPushButton::clicked, this, [this, k] { recallSlot_Click(k); });
    }
    connect(m_picdraw, &DrawingBoard::MouseDown, this, &Form1::Picdraw_MouseDown);
    connect(m_picdraw, &DrawingBoard::MouseMove, this, &Form1::Picdraw_MouseMove);
    connect(m_picdraw, &DrawingBoard::MouseUp, this, &Form1::Picdraw_MouseUp);
    new KeyboardPlayer(
        this, [this](const QWidget* window) { return isOurWindow(window); },
        [this](std::int16_t pitch) { keyboardNote(pitch); });
}

bool Form1::isOurWindow(const QWidget* window) const {
    return window == this || window == m_form2.get() || window == m_form5.get() ||
           window == m_form6.get() || window == m_form3.get() || window == m_help.get();
}

void Form1::bindPatterns() {
    m_patterns.addListener([this](const PatternMemory::Change& c) {
        if (c.kind == PatternMemory::Change::Kind::RecallVisible)
            recallButton(c.slot)->setVisible(c.on);
        else
            Picpre(c.slot)->setColor(m_patterns.previewColor(c.slot));
    });
}

void Form1::bindIndicators() {
    m_indicators.addListener([this](const StepIndicators::Change& c) {
        switch (c.kind) {
            case StepIndicators::Kind::Lamp:
                Picture4(c.step + 32)->setColor(c.on ? colors::red : colors::black);
                break;
            case StepIndicators::Kind::PlayLamp:
                m_picture3->setColor(c.on ? colors::green : colors::black);
                break;
            case StepIndicators::Kind::Marker: break;  // markers stand on the panels only
        }
    });
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

bool Form1::Form_Load() {
    if (!m_sound.InitSound()) return false;
    m_sound.Play(0);
    m_sound.Play(1);
    setOuterWidth(kNormalOuterWidth);
    // Swatches 0..7 take their chalks' colours, the upper half of the classic sixteen; the
    // orange one keeps the colour it was made with.
    for (int i = 0; i < 8; ++i)
        lblcolor(i)->setColor(chalkTable()[static_cast<std::size_t>(i)].color);
    m_drawing->setPenColor(colors::white);
    m_picdraw->setBackColor(colors::black);
    m_voice.amp1 = 0;
    m_voice.amp2 = 0;
    m_voice.amRate1 = 0;
    m_voice.amRate2 = 0;
    m_voice.fmRate = 0;
    m_voice.cut1 = 0;
    m_voice.cut2 = 0;
    m_sltempo->setValue(200);
    // The first write into a panel's sliders is where that panel comes into being, hidden.
    m_form2 = std::make_unique<PanelWindow>(PanelWindow::Kind::Oscillator, m_score, m_indicators);
    m_form6 = std::make_unique<PanelWindow>(PanelWindow::Kind::Modulation, m_score, m_indicators);
    m_form5 = std::make_unique<PanelWindow>(PanelWindow::Kind::Envelope, m_score, m_indicators);
    m_score.fillStartup();
    m_voice.envLevel = 0;
    m_score.setLength(kMaxLength);
    // The synthesis draws into the meter window from its first tick on, shown or not.
    m_form3 = std::make_unique<MeterWindow>();
    for (MeterBox box : {MeterBox::WPB1, MeterBox::Picture1, MeterBox::o1VU, MeterBox::Picture2})
        m_form3->box(box)->setImage(&m_meterCanvas.image(box));
    m_meterCanvas.setPresentListener([this] { m_form3->refreshBoxes(); });
    return true;
}

void Form1::startTimers() { m_pump.start(); }

int Form1::outerWidth() const { return width() * kTwipsPerPixel + kFrameTwips; }

void Form1::setOuterWidth(int twips) {
    setFixedSize(px(twips - kFrameTwips), px(kClientHeightTwips));
}

void Form1::cmdexit_Click() {
    // Yes ends the program at once, without the unload handler; the sound stops with it.
    if (askExit(this)) emit programEnded(0);
}

void Form1::closeEvent(QCloseEvent* event) {
    m_pump.stop();
    m_sound.ReleaseSound();
    for (QWidget* w : {static_cast<QWidget*>(m_form2.get()), static_cast<QWidget*>(m_form5.get()),
                       static_cast<QWidget*>(m_form6.get()), static_cast<QWidget*>(m_form3.get()),
                       static_cast<QWidget*>(m_help.get())})
        if (w) w->close();
    event->accept();
    emit programEnded(0);
}

void Form1::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(224, 224, 224));
    painter.drawImage(0, 0, m_backdrop);
    for (const DecorLine& line : form1Lines())
        paintDecorLine(painter, line);
}

void Form1::cmdplay_Click() { m_stepClock->play(); }
void Form1::cmdstop_Click() { m_stepClock->stop(); }
void Form1::cmdreset_Click() { m_stepClock->reset(); }
void Form1::sltempo_Change() { m_stepClock->setTempo(m_sltempo->value()); }

void Form1::cmdnew_Click() {
    m_picdraw->Cls();
    m_drawing->clearPosition();
}

void Form1::lblcolor_Click(int index) { m_drawing->lblcolor_Click(index); }

void Form1::optraw_Click(int index) {
    m_drawing->setMode(index == 0 ? AddressingMode::PlayStep : AddressingMode::CursorStep);
}

void Form1::Picdraw_MouseDown(int button, int, float x, float y) {
    m_drawing->mouseDown(button, x, y);
}

void Form1::Picdraw_MouseMove(int button, int, float x, float y) {
    if (const auto segment = m_drawing->mouseMove(button, x, y)) m_picdraw->drawSegment(*segment);
}

void Form1::Picdraw_MouseUp(int button, int, float x, float y) { m_drawing->mouseUp(button, x, y); }

void Form1::keyboardNote(std::int16_t pitch) {
    m_stepClock->loadVoice(m_stepClock->currentStep(), pitch);
    Timer1_Timer();  // heard at once, as a step is
}

void Form1::storeSlot_Click(int slot) { m_patterns.store(slot); }
void Form1::recallSlot_Click(int slot) { m_patterns.recall(slot); }

// The synthesis tick: both tables, the sound buffers, the traces and the level bars.
void Form1::Timer1_Timer() { m_engine.tick(m_voice, m_sound, m_meterCanvas); }

}  // namespace tavrilo
