#include "app/Form1.h"

#include <QCloseEvent>
#include <QPainter>

#include "app/ExitPrompt.h"
#include "common/Artwork.h"
#include "common/Fonts.h"
#include "common/Twips.h"

namespace tavrilo {
namespace {

// The palette's eight start-up colours: the upper half of the classic sixteen.
constexpr std::array<ColorValue, 8> kSwatchColors = {
    rgb(128, 128, 128), rgb(0, 0, 255),   rgb(0, 255, 0),   rgb(0, 255, 255),
    rgb(255, 0, 0),     rgb(255, 0, 255), rgb(255, 255, 0), rgb(255, 255, 255)};
constexpr ColorValue kOrange = rgb(255, 128, 0);
// Swatch i stands at this Left (twips), in swatch order.
constexpr std::array<int, 9> kSwatchLeft = {720, 1440, 2160, 3120, 4560, 7080, 3840, 6360, 5640};

}  // namespace

Form1::Form1(const Clock& clock, modSynth_DX7& sound)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_clock(clock),
      m_sound(sound),
      m_timers(clock),
      m_pump(m_timers) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Tavrilo Synth4 - draw a tune in chalk"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_backdrop = mainBackdrop();
    buildControls();
    createTimers();
    setOuterWidth(kNormalOuterWidth);
}

Form1::~Form1() = default;

void Form1::buildControls() {
    for (int i = 0; i < 9; ++i) {
        auto* swatch = new ColorBox(this, i == 8 ? kOrange : colors::black);
        swatch->setObjectName(arrayName("lblcolor", i));
        swatch->setGeometry(twipsRect(kSwatchLeft[static_cast<std::size_t>(i)], 6600, 495, 495));
        m_lblcolor[static_cast<std::size_t>(i)] = swatch;
    }
    m_picdraw = new DrawingBoard(this, twipsRect(240, 1320, 7695, 4935));

    m_sltempo = makeSlider(this, QStringLiteral("sltempo"),
                           {Qt::Horizontal, 1, 1600, 1, 5, 1, QSlider::TicksBelow, 50}, 9240,
                           840, 6855, 255);
    m_cmdexit = makeButton(this, QStringLiteral("cmdexit"), QStringLiteral("E&xit"), 7440, 240,
                           495, 255, rgb(255, 0, 0), tahoma(8.25));
    connect(m_cmdexit, &QPushButton::clicked, this, &Form1::cmdexit_Click);
}

void Form1::createTimers() {
    m_timer1 = &m_timers.create(1, true, [this] { Timer1_Timer(); });
    m_timer2 = &m_timers.create(0, true, [] {});
    m_timer3 = &m_timers.create(75, false, [] {});
    m_timer4 = &m_timers.create(0, false, [] {});
}

bool Form1::Form_Load() {
    if (!m_sound.InitSound()) return false;
    m_sound.Play(0);
    m_sound.Play(1);
    setOuterWidth(kNormalOuterWidth);
    for (std::size_t i = 0; i < kSwatchColors.size(); ++i) m_lblcolor[i]->setColor(kSwatchColors[i]);
    m_picdraw->setForeColor(colors::white);
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
                       static_cast<QWidget*>(m_form6.get())})
        if (w) w->close();
    event->accept();
    emit programEnded(0);
}

void Form1::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(224, 224, 224));
    painter.drawImage(0, 0, m_backdrop);
}

void Form1::Timer1_Timer() {}

}  // namespace tavrilo
