#pragma once

#include <QImage>
#include <QPointF>
#include <QWidget>

#include "common/Color.h"

namespace tavrilo {

// The drawing board `Picdraw`: a black picture box with a 2-pixel sunken border whose picture
// lives in an image of its own, so it repaints after being covered. Coordinates are twips inside
// the border. Nothing reads the picture back; it is only a record of the strokes.
class DrawingBoard : public QWidget {
    Q_OBJECT
public:
    static constexpr int kBorderPx = 2;

    // The board has a fixed place and size (in pixels); its picture is made at once, so it
    // exists before the window is first shown.
    DrawingBoard(QWidget* parent, const QRect& geometry);

    ColorValue foreColor() const { return m_foreColor; }
    void setForeColor(ColorValue color) { m_foreColor = color; }
    ColorValue backColor() const { return m_backColor; }
    // Like a picture box, a new background colour clears the picture to it.
    void setBackColor(ColorValue color);

    // Clears the picture to the background colour; the drawing position returns to (0, 0).
    void Cls();

    QPointF currentPosition() const { return m_current; }
    void setCurrentPosition(QPointF twips) { m_current = twips; }

    const QImage& picture() const { return m_picture; }
    QImage& picture() { return m_picture; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_picture;
    ColorValue m_foreColor = 0;
    ColorValue m_backColor = 0;
    QPointF m_current{0, 0};
};

}  // namespace tavrilo
