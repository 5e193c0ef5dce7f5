#include "common/Controls.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <utility>

#include "common/QtColor.h"
#include "common/Twips.h"

namespace tavrilo {

QString arrayName(const char* array, int index) {
    return QStringLiteral("%1_%2").arg(QString::fromLatin1(array)).arg(index);
}

const QImage& CachedPicture::at(qreal dpr) {
    if (m_picture.isNull() || m_picture.devicePixelRatio() != dpr) m_picture = m_draw(dpr);
    return m_picture;
}

ArtworkBox::ArtworkBox(QWidget* parent, CachedPicture::Draw draw)
    : QWidget(parent), m_picture(std::move(draw)) {}

void ArtworkBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, m_picture.at(devicePixelRatioF()));
}

ColorBox::ColorBox(QWidget* parent, ColorValue color) : QWidget(parent), m_color(color) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ColorBox::setColor(ColorValue color) {
    if (color == m_color) return;
    m_color = color;
    update();
}

void ColorBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), toQColor(m_color));
}

void ColorBox::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    m_pressed = true;
}

void ColorBox::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
    const bool wasPressed = std::exchange(m_pressed, false);
    if (wasPressed && rect().contains(event->position().toPoint())) emit clicked();
}

namespace {

// One pixel of edge: `topLeft` along the top and left, `bottomRight` along the bottom and right.
void paintEdge(QPainter& painter, const QRect& r, const QColor& topLeft,
               const QColor& bottomRight) {
    painter.setPen(topLeft);
    painter.drawLine(r.topLeft(), r.topRight());
    painter.drawLine(r.topLeft(), r.bottomLeft());
    painter.setPen(bottomRight);
    painter.drawLine(r.bottomLeft(), r.bottomRight());
    painter.drawLine(r.topRight(), r.bottomRight());
}

// Paints itself rather than through the application style, whose gradients would tint the face.
class FaceButton : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent* event) override {
        if (!styleSheet().isEmpty()) return QPushButton::paintEvent(event);
        QPainter painter(this);
        const QRect r = rect();
        painter.fillRect(r, palette().color(QPalette::Button));
        const QColor white(255, 255, 255), light(223, 223, 223), dark(128, 128, 128),
            black(0, 0, 0);
        const bool sunken = isDown() || isChecked();
        paintEdge(painter, r, sunken ? black : white, sunken ? white : black);
        paintEdge(painter, r.adjusted(1, 1, -1, -1), sunken ? dark : light, sunken ? light : dark);
        const QColor text = palette().color(QPalette::ButtonText);
        painter.setPen(text);
        painter.drawText(r.translated(sunken ? 1 : 0, sunken ? 1 : 0),
                         Qt::AlignCenter | Qt::TextShowMnemonic, this->text());
    }
};

}  // namespace

QString stepLampTip(int step) {
    return QStringLiteral("Step %1: red when it is the next to play").arg(step + 1);
}

QPushButton* makeButton(QWidget* parent, const QString& objectName, const QString& caption,
                        int left, int top, int width, int height, ColorValue face,
                        const QFont& font) {
    auto* button = new FaceButton(caption, parent);
    button->setObjectName(objectName);
    button->setGeometry(twipsRect(left, top, width, height));
    button->setFont(font);
    // Space plays and stops in every window: a button holding the focus would take it, and one
    // given the focus by a window's activation ("new") would be pressed unmeant. Clicks and
    // access keys press buttons.
    button->setFocusPolicy(Qt::NoFocus);
    QPalette pal = button->palette();
    pal.setColor(QPalette::Button, toQColor(face));
    pal.setColor(QPalette::ButtonText, Qt::black);
    button->setPalette(pal);
    return button;
}

QLabel* makeLabel(QWidget* parent, const QString& objectName, const QString& caption, int left,
                  int top, int width, int height, ColorValue textColor, const QFont& font,
                  Qt::Alignment align) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(objectName);
    label->setFont(font);
    label->setAlignment(align);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, toQColor(textColor));
    label->setPalette(pal);
    if (width > 0 && height > 0) {
        label->setGeometry(twipsRect(left, top, width, height));
    } else {
        label->move(px(left), px(top));
        label->adjustSize();
    }
    return label;
}

QSlider* makeSlider(QWidget* parent, const QString& objectName, const SliderLook& look, int left,
                    int top, int width, int height) {
    auto* slider = new QSlider(look.orientation, parent);
    slider->setObjectName(objectName);
    slider->setRange(look.min, look.max);
    slider->setValue(look.value);
    slider->setPageStep(look.largeChange);
    slider->setSingleStep(look.smallChange);
    slider->setTickPosition(look.ticks);
    slider->setTickInterval(look.tickFrequency);
    if (look.orientation == Qt::Vertical) {
        slider->setInvertedAppearance(true);
        slider->setInvertedControls(true);
    }
    slider->setGeometry(twipsRect(left, top, width, height));
    // A slider takes the arrow keys once clicked, never by a window's activation: the first one
    // in line may lie out of sight (the tempo), and the keys would move it unseen.
    slider->setFocusPolicy(Qt::ClickFocus);
    return slider;
}

Subscription bindSlider(QSlider* slider, Setting& setting) {
    slider->setValue(setting.value());
    QObject::connect(slider, &QSlider::valueChanged, slider,
                     [&setting](int value) { setting.set(value); });
    return setting.changed.connect([slider](int value) { slider->setValue(value); });
}

void paintSunkenBorder(QPainter& painter, const QRect& outer) {
    paintEdge(painter, outer, QColor(128, 128, 128), Qt::white);
    paintEdge(painter, outer.adjusted(1, 1, -1, -1), Qt::black, QColor(192, 192, 192));
}

ImageBox::ImageBox(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }

void ImageBox::setImage(const QImage* image) {
    m_image = image;
    update();
}

void ImageBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect area = drawingArea();
    painter.fillRect(area, Qt::black);
    if (m_image) painter.drawImage(area.topLeft(), *m_image);
    paintSunkenBorder(painter, rect());
}

void paintDecorLine(QPainter& painter, const DecorLine& line) {
    QPen pen(toQColor(line.color));
    pen.setWidth(line.width);
    pen.setCapStyle(Qt::FlatCap);
    painter.setPen(pen);
    painter.drawLine(twipsPoint(line.x1, line.y1), twipsPoint(line.x2, line.y2));
}

}  // namespace tavrilo
