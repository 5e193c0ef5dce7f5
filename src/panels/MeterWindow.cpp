#include "panels/MeterWindow.h"

#include <QPainter>

#include "common/Artwork.h"
#include "common/Fonts.h"
#include "common/QtColor.h"
#include "common/Twips.h"

namespace tavrilo {
namespace {

struct BoxPlace {
    MeterBox box;
    const char* name;
    int left, top, width, height;  // twips, border included
    const char* tip;
};

constexpr std::array<BoxPlace, 4> kPlaces = {{
    {MeterBox::WPB1, "WPB1", 360, 360, 2055, 1335, "Oscillator 1's wave, as it sounds now"},
    {MeterBox::Picture1, "Picture1", 2640, 360, 2055, 1335,
     "Oscillator 2's wave, as it sounds now"},
    {MeterBox::o1VU, "o1VU", 360, 1680, 2175, 135, "Oscillator 1's level"},
    {MeterBox::Picture2, "Picture2", 2520, 1680, 2175, 135, "Oscillator 2's level"},
}};

constexpr DecorLine kDecor[] = {
    // Grey frame around everything but the Close button.
    {240, 240, 4800, 240, colors::grey, 3},
    {240, 2160, 4800, 2160, colors::grey, 3},
    {240, 240, 240, 2160, colors::grey, 3},
    {4800, 240, 4800, 2160, colors::grey, 3},
    // Bright green edges of the trace area.
    {360, 360, 360, 1680, colors::green, 5},
    {4680, 360, 4680, 1680, colors::green, 5},
    {360, 360, 4680, 360, colors::green, 4},
};

}  // namespace

MeterWindow::MeterWindow(MeterCanvas& canvas) : QWidget(nullptr, Qt::Tool) {
    setObjectName(QStringLiteral("Form3"));
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setWindowTitle(QStringLiteral("Tavrilo Synth V.U."));
    setGeometry(twipsRect(3420, 8955, 5040, 2640));

    for (const BoxPlace& place : kPlaces) {
        auto* box = new ImageBox(this);
        box->setObjectName(QString::fromLatin1(place.name));
        box->setGeometry(twipsRect(place.left, place.top, place.width, place.height));
        box->setImage(&canvas.image(place.box));
        box->setToolTip(QString::fromLatin1(place.tip));
        m_boxes[static_cast<std::size_t>(place.box)] = box;
    }
    // Nothing listens to this slider; it is part of the panel's look.
    m_slider9 =
        makeSlider(this, QStringLiteral("Slider9"),
                   {Qt::Vertical, 1, 24, 1, 5, 1, QSlider::NoTicks, 1}, 2400, 360, 255, 1335);
    m_slider9->setToolTip(QStringLiteral("Sets nothing: the traces and bars do not follow it"));
    const QFont font = tahoma(8.25);
    makeLabel(this, QStringLiteral("Label10"), QStringLiteral("Osc1"), 360, 1920, 735, 255,
              colors::darkGrey, font);
    makeLabel(this, QStringLiteral("Label11"), QStringLiteral("Osc2"), 2640, 1920, 615, 255,
              colors::darkGrey, font);
    m_close = makeButton(this, QStringLiteral("Command1"), QStringLiteral("Close"), 3840, 2160, 855,
                         255, colors::closeRed, font);
    m_close->setToolTip(QStringLiteral("Hides the meter; it goes on drawing"));
    connect(m_close, &QPushButton::clicked, this, &QWidget::hide);
    m_presented = canvas.presented.connect([this] {
        for (ImageBox* box : m_boxes)
            box->update();
    });
}

void MeterWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), toQColor(colors::panelGrey));
    painter.drawImage(0, 0, m_backdrop.at(devicePixelRatioF()));
    for (const DecorLine& line : kDecor)
        paintDecorLine(painter, line);
}

}  // namespace tavrilo
