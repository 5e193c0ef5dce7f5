#include "panels/PanelWindow.h"

#include <QPainter>

#include "common/Artwork.h"
#include "common/Fonts.h"
#include "common/QtColor.h"
#include "common/Twips.h"

namespace tavrilo {
namespace {

struct RowLayout {
    Row row;
    int top;
    int width;
    int height;
    int labelLeft;
    int labelTop;
};

struct PanelLayout {
    const char* objectName;
    const char* caption;
    int left, top, width, height;  // client area on the screen
    std::array<RowLayout, 3> rows;
    int lampTop;
    int markerTop, markerBottom;
    int closeTop;
    std::array<int, 2> rulesY;  // thin rules between the three rows
};

const PanelLayout& layoutOf(PanelWindow::Kind kind) {
    // clang-format off
    static const PanelLayout oscillator{
        "Form2", "Tavrilo Synth Oscilator Control", 8475, 855, 8415, 5655,
        {{{Row::Tone, 960, 180, 1155, 720, 2160},
          {Row::Osc1, 2520, 255, 855, 720, 3360},
          {Row::Osc2, 3720, 255, 855, 720, 4560}}},
        4920, 600, 4920, 5160, {2400, 3600}};
    static const PanelLayout envelope{
        "Form5", "Tavrilo Synth Volume Envelope Control", 8475, 8820, 8415, 4695,
        {{{Row::Atteck, 480, 255, 855, 720, 1320},
          {Row::Decay, 1680, 255, 855, 720, 2520},
          {Row::VOL, 2880, 255, 855, 720, 3720}}},
        3960, 465, 3955, 4200, {1560, 2760}};
    static const PanelLayout modulation{
        "Form6", "Tavrilo Synth Oscilator Modulation Control", 8475, 5190, 8415, 4680,
        {{{Row::AM1, 480, 255, 855, 720, 1320},
          {Row::AM2, 1680, 255, 855, 600, 2520},
          {Row::FM, 2880, 255, 855, 480, 3720}}},
        3960, 360, 3980, 4200, {1560, 2760}};
    // clang-format on
    switch (kind) {
        case PanelWindow::Kind::Oscillator: return oscillator;
        case PanelWindow::Kind::Envelope: return envelope;
        case PanelWindow::Kind::Modulation: return modulation;
    }
    return oscillator;
}

// Look of each slider array as created; start-up overwrites the values.
SliderLook sliderLook(Row row) {
    const RowInfo& info = rowInfo(row);
    SliderLook look{Qt::Vertical,        info.min, info.max, info.createdValue, 5, 1,
                    QSlider::TicksRight, 10};
    switch (row) {
        case Row::Tone:
            look.largeChange = 1;
            look.ticks = QSlider::NoTicks;
            look.tickFrequency = 1;
            break;
        case Row::Osc1:
        case Row::Osc2: look.tickFrequency = 1; break;
        case Row::Atteck:
        case Row::Decay: look.tickFrequency = 5; break;
        default: break;
    }
    return look;
}

// Step i's sliders stand at Left 360 + 240 i; its marker runs through the middle of that column.
constexpr int kStepPitch = 240;
constexpr int stepLeft(int step) { return 360 + kStepPitch * step; }
constexpr int markerX(int step) { return stepLeft(step) + kStepPitch / 2; }

}  // namespace

PanelWindow::PanelWindow(Kind kind, StepParameterSet& score, StepIndicators& indicators)
    : QWidget(nullptr, Qt::Tool),
      m_kind(kind),
      m_score(score),
      m_indicators(indicators),
      m_backdrop([size = twipsRect(0, 0, layoutOf(kind).width, layoutOf(kind).height).size(),
                  seed = static_cast<unsigned>(kind) + 2](qreal dpr) {
          return panelBackdrop(size, seed, dpr);
      }) {
    const PanelLayout& layout = layoutOf(kind);
    setObjectName(QString::fromLatin1(layout.objectName));
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setWindowTitle(QString::fromLatin1(layout.caption));
    setGeometry(twipsRect(layout.left, layout.top, layout.width, layout.height));

    const QFont labelFont = tahoma(8.25);
    if (kind == Kind::Oscillator) {
        m_length = makeSlider(
            this, QStringLiteral("Slider6"),
            {Qt::Horizontal, kMinLength, kMaxLength, kMaxLength, 5, 1, QSlider::TicksBelow, 1}, 360,
            480, 7695, 375);
        m_length->setToolTip(QStringLiteral("Length: how many steps play before the first again"));
    }
    for (std::size_t r = 0; r < 3; ++r) {
        const RowLayout& rl = layout.rows[r];
        const RowInfo& info = rowInfo(rl.row);
        const char* name = info.controlName.data();
        for (int s = 0; s < kSteps; ++s) {
            QSlider* slider = makeSlider(this, arrayName(name, s), sliderLook(rl.row), stepLeft(s),
                                         rl.top, rl.width, rl.height);
            slider->setToolTip(QStringLiteral("%1, step %2: %3")
                                   .arg(latin1(info.legend))
                                   .arg(s + 1)
                                   .arg(latin1(info.heightMeans)));
            m_sliders[r][static_cast<std::size_t>(s)] = slider;
        }
        makeLabel(this, QStringLiteral("lbl%1").arg(QString::fromLatin1(name)),
                  latin1(info.panelLabel), rl.labelLeft, rl.labelTop, 0, 0, colors::grey,
                  labelFont);
    }
    for (int s = 0; s < kSteps; ++s) {
        auto* lamp = new ColorBox(this, colors::black);
        lamp->setObjectName(arrayName("Picture4", s));
        lamp->setGeometry(twipsRect(stepLeft(s), layout.lampTop, s < 4 ? 270 : 255, 135));
        lamp->setToolTip(stepLampTip(s));
        m_lamps[static_cast<std::size_t>(s)] = lamp;
    }
    m_close = makeButton(this, QStringLiteral("Command1"), QStringLiteral("Close"), 7200,
                         layout.closeTop, 855, 255, colors::closeRed, labelFont);
    m_close->setToolTip(QStringLiteral("Hides this window; its values stay"));
    connect(m_close, &QPushButton::clicked, this, &QWidget::hide);

    bindScore();
    bindIndicators();
}

std::array<Row, 3> PanelWindow::rows() const {
    const auto& layout = layoutOf(m_kind).rows;
    return {layout[0].row, layout[1].row, layout[2].row};
}

bool PanelWindow::holds(Row row) const {
    for (Row r : rows())
        if (r == row) return true;
    return false;
}

QSlider* PanelWindow::slider(Row row, int step) const {
    if (step < 0 || step >= kSteps) return nullptr;
    const auto rs = rows();
    for (std::size_t r = 0; r < rs.size(); ++r)
        if (rs[r] == row) return m_sliders[r][static_cast<std::size_t>(step)];
    return nullptr;
}

void PanelWindow::bindScore() {
    const auto rs = rows();
    for (std::size_t r = 0; r < rs.size(); ++r) {
        const Row row = rs[r];
        for (int s = 0; s < kSteps; ++s) {
            QSlider* sl = m_sliders[r][static_cast<std::size_t>(s)];
            sl->setValue(m_score.cell(row, s));
            connect(sl, &QSlider::valueChanged, this,
                    [this, row, s](int v) { m_score.setCell(row, s, v); });
        }
    }
    m_cellChanged = m_score.cellChanged.connect([this](const StepParameterSet::CellChange& c) {
        if (QSlider* sl = slider(c.row, c.step)) sl->setValue(c.to);
    });
    if (!m_length) return;
    m_length->setValue(m_score.length());
    connect(m_length, &QSlider::valueChanged, this, [this](int v) { m_score.setLength(v); });
    m_lengthChanged = m_score.lengthChanged.connect(
        [this](const StepParameterSet::LengthChange& c) { m_length->setValue(c.to); });
}

void PanelWindow::bindIndicators() {
    for (int s = 0; s < kSteps; ++s)
        lamp(s)->setColor(m_indicators.lamp(s) ? colors::red : colors::black);
    m_lampChanged = m_indicators.lampChanged.connect(
        [this](int step, bool red) { lamp(step)->setColor(red ? colors::red : colors::black); });
    m_markerChanged =
        m_indicators.markerChanged.connect([this](int step, bool) { update(markerRect(step)); });
}

DecorLine PanelWindow::marker(int step) const {
    const PanelLayout& layout = layoutOf(m_kind);
    const int x = markerX(step);
    const ColorValue color = step % 8 == 0 ? rgb(0, 192, 0) : rgb(0, 128, 0);
    const int width = (step == 0 || step == 16) ? 5 : (step % 4 == 0 ? 3 : 1);
    return {x, layout.markerTop, x, layout.markerBottom, color, width};
}

QRect PanelWindow::markerRect(int step) const {
    const DecorLine m = marker(step);
    const QPoint top = twipsPoint(m.x1, m.y1);
    const QPoint bottom = twipsPoint(m.x2, m.y2);
    return QRect(top.x() - m.width / 2 - 1, top.y(), m.width + 2, bottom.y() - top.y() + 1);
}

void PanelWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // The light grey shows wherever the window grows past its picture.
    painter.fillRect(rect(), toQColor(colors::panelGrey));
    painter.drawImage(0, 0, m_backdrop.at(devicePixelRatioF()));
    const PanelLayout& layout = layoutOf(m_kind);
    const int frameTop = m_kind == Kind::Oscillator ? 360 : 240;
    const int frameBottom = layout.lampTop + 255;
    // Grey frame around the slider rows, thin white and light grey rules between them.
    for (const DecorLine& l : {DecorLine{240, frameTop, 8175, frameTop, colors::grey, 3},
                               DecorLine{240, frameBottom, 8175, frameBottom, colors::grey, 3},
                               DecorLine{240, frameTop, 240, frameBottom, colors::grey, 3},
                               DecorLine{8175, frameTop, 8175, frameBottom, colors::grey, 3}})
        paintDecorLine(painter, l);
    for (int y : layout.rulesY) {
        paintDecorLine(painter, {300, y, 8115, y, colors::white, 1});
        paintDecorLine(painter, {300, y + 15, 8115, y + 15, colors::lightGrey, 1});
    }
    if (m_kind == Kind::Envelope)  // Line2(32): the rule above the lamps
        paintDecorLine(painter, {360, 3870, 8040, 3870, colors::grey, 1});
    for (int s = 0; s < kSteps; ++s)
        if (m_indicators.marker(s)) paintDecorLine(painter, marker(s));
}

}  // namespace tavrilo
