#pragma once

#include <QFont>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QString>
#include <QWidget>
#include <functional>
#include <span>
#include <string_view>

#include "common/Color.h"
#include "common/Setting.h"

class QPainter;

namespace tavrilo {

// A text of the program's tables (Latin-1, like every caption) as a QString.
inline QString latin1(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// Names of control-array members: "Picture4" and 5 give "Picture4_5".
QString arrayName(const char* array, int index);

// A picture drawn in code, kept until the pixel density it is shown at changes.
class CachedPicture {
public:
    using Draw = std::function<QImage(qreal dpr)>;
    explicit CachedPicture(Draw draw) : m_draw(std::move(draw)) {}
    const QImage& at(qreal dpr);

private:
    Draw m_draw;
    QImage m_picture;
};

// A picture box showing a picture drawn in code, at the density of the screen it is on.
class ArtworkBox : public QWidget {
public:
    ArtworkBox(QWidget* parent, CachedPicture::Draw draw);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CachedPicture m_picture;
};

// A plain box of one colour: picture boxes used as lamps and previews, colour swatches. A left
// click, pressed and released over the box, tells `clicked`.
class ColorBox : public QWidget {
    Q_OBJECT
public:
    explicit ColorBox(QWidget* parent, ColorValue color = 0);
    ColorValue color() const { return m_color; }
    void setColor(ColorValue color);

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    ColorValue m_color;
    bool m_pressed = false;
};

// The tip of a step's lamp, the same under the board and on the panels; steps count from 1.
QString stepLampTip(int step);

// A push button with a flat face of exactly `face` and a classic 3-D edge, raised, or sunken while
// pressed or checked, with a black caption. A button given a style sheet later is painted by it.
// Geometry in twips.
QPushButton* makeButton(QWidget* parent, const QString& objectName, const QString& caption,
                        int left, int top, int width, int height, ColorValue face,
                        const QFont& font);

// A label with transparent background. Geometry in twips; width and height 0 size to the text.
QLabel* makeLabel(QWidget* parent, const QString& objectName, const QString& caption, int left,
                  int top, int width, int height, ColorValue textColor, const QFont& font,
                  Qt::Alignment align = Qt::AlignLeft | Qt::AlignTop);

struct SliderLook {
    Qt::Orientation orientation;
    int min;
    int max;
    int value;
    int largeChange;
    int smallChange;
    QSlider::TickPosition ticks;
    int tickFrequency;
};

// A slider as the design describes it; a vertical one has its Min at the top and its arrow keys
// move the thumb the way they point. Geometry in twips.
QSlider* makeSlider(QWidget* parent, const QString& objectName, const SliderLook& look, int left,
                    int top, int width, int height);

// Binds a slider to a setting both ways: the slider shows the setting's value at once and follows
// it, and moving the slider sets it. The setting must outlive the slider; the subscription ends
// the binding's model side.
[[nodiscard]] Subscription bindSlider(QSlider* slider, Setting& setting);

// The 2-pixel sunken 3-D border of a picture box, drawn inside `outer`.
void paintSunkenBorder(QPainter& painter, const QRect& outer);

// A picture box with a sunken border that shows an image owned elsewhere (the meter boxes).
class ImageBox : public QWidget {
    Q_OBJECT
public:
    static constexpr int kBorderPx = 2;
    explicit ImageBox(QWidget* parent);
    // The image must outlive the box or be replaced; null shows black.
    void setImage(const QImage* image);
    QRect drawingArea() const {
        return rect().adjusted(kBorderPx, kBorderPx, -kBorderPx, -kBorderPx);
    }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const QImage* m_image = nullptr;
};

// A straight line drawn on a window's surface, under its controls. Coordinates in twips,
// width in pixels.
struct DecorLine {
    int x1, y1, x2, y2;
    ColorValue color;
    int width;
};
void paintDecorLine(QPainter& painter, const DecorLine& line);

}  // namespace tavrilo
