#pragma once

#include <QImage>
#include <QPointF>
#include <QWidget>

#include "board/BoardPatch.h"
#include "board/FreehandDrawing.h"
#include "common/Color.h"

class QMouseEvent;

namespace tavrilo {

// The drawing board `Picdraw`: a black picture box with a 2-pixel sunken border whose picture
// lives in an image of its own, so it repaints after being covered. Coordinates are twips inside
// the border. Nothing reads the picture back; it is only a record of the strokes.
//
// Mouse events are passed on as signals in the form the drawing rules take: button flags
// 1 left, 2 right, 4 middle (the one button for a press or release, the buttons held for a
// move), and X, Y in twips inside the border. A button
// pressed over the board keeps the mouse until it is released, so moves and the release arrive
// here even from outside the board. Moves without a button arrive too.
class DrawingBoard : public QWidget {
    Q_OBJECT
public:
    static constexpr int kBorderPx = 2;

    // The board has a fixed place and size (in pixels); its picture is made at once, so it
    // exists before the window is first shown.
    DrawingBoard(QWidget* parent, const QRect& geometry);

    ColorValue backColor() const { return m_backColor; }
    // Like a picture box, a new background colour clears the picture to it.
    void setBackColor(ColorValue color);

    // Clears the picture to the background colour.
    void clear();

    // Draws a solid, one-pixel, non-antialiased line between two board points (twips) into the
    // picture, clipped by it, and repaints only the pixels it touched.
    void drawSegment(QPointF fromTwips, QPointF toTwips, ColorValue color);
    void drawSegment(const Segment& segment) {
        drawSegment({segment.from.x, segment.from.y}, {segment.to.x, segment.to.y}, segment.color);
    }

    const QImage& picture() const { return m_picture; }
    // Puts a copied picture back; false, with nothing changed, when it is not of the board's size.
    bool setPicture(const QImage& picture);
    // Swaps the patch's pixels with the picture's (the undo history's way back and forth).
    void swap(BoardPatch& patch);

    // Board twips of a position in the widget's own logical pixels.
    static QPointF twipsOf(QPointF widgetPixels);

signals:
    // Pixels of the picture changed by drawing or clearing, in picture coordinates.
    void painted(const QRect& pictureRect);
    void pressed(int button, float x, float y);
    void moved(int buttons, float x, float y);
    void released(int button, float x, float y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QImage m_picture;
    ColorValue m_backColor = 0;
};

}  // namespace tavrilo
