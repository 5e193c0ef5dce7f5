#include "board/DrawingBoard.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "common/Controls.h"
#include "common/QtColor.h"
#include "common/Twips.h"

namespace tavrilo {
namespace {

// Button flags of the handlers; buttons beyond the classic three have none.
int buttonFlags(Qt::MouseButtons buttons) {
    int flags = 0;
    if (buttons & Qt::LeftButton) flags |= FreehandDrawing::kLeftButton;
    if (buttons & Qt::RightButton) flags |= FreehandDrawing::kRightButton;
    if (buttons & Qt::MiddleButton) flags |= FreehandDrawing::kMiddleButton;
    return flags;
}

// Where a board point lies in the picture, in pixels: the mouse at picture pixel p reports
// p * 15 twips, and the line runs through the centre of that pixel. Mouse points lie within a
// screen or two of the board; the clamp only keeps absurd values finite for the painter, which
// clips the rest.
QPointF pixelOf(QPointF twips) {
    static constexpr double kLimit = 1 << 20;
    const auto toPixel = [](double t) {
        const double p = t / kTwipsPerPixel + 0.5;
        return std::isnan(p) ? 0.5 : std::clamp(p, -kLimit, kLimit);
    };
    return {toPixel(twips.x()), toPixel(twips.y())};
}

}  // namespace

DrawingBoard::DrawingBoard(QWidget* parent, const QRect& geometry)
    : QWidget(parent),
      m_picture(geometry.size() - QSize(2 * kBorderPx, 2 * kBorderPx), QImage::Format_RGB32) {
    setObjectName(QStringLiteral("Picdraw"));
    setGeometry(geometry);
    setFixedSize(geometry.size());
    m_picture.fill(Qt::black);
    setCursor(Qt::CrossCursor);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
}

void DrawingBoard::setBackColor(ColorValue color) {
    m_backColor = color;
    clear();
}

void DrawingBoard::clear() {
    m_picture.fill(toQColor(m_backColor));
    update();
    emit painted(m_picture.rect());
}

bool DrawingBoard::setPicture(const QImage& picture) {
    if (picture.size() != m_picture.size()) return false;
    m_picture = picture.convertToFormat(QImage::Format_RGB32);
    update();
    emit painted(m_picture.rect());
    return true;
}

void DrawingBoard::swap(BoardPatch& patch) {
    update(patch.swap(m_picture).translated(kBorderPx, kBorderPx));
}

void DrawingBoard::drawSegment(QPointF fromTwips, QPointF toTwips, ColorValue color) {
    const QPointF from = pixelOf(fromTwips);
    const QPointF to = pixelOf(toTwips);
    {
        QPainter painter(&m_picture);
        painter.setRenderHint(QPainter::Antialiasing, false);
        QPen pen(toQColor(color), 1, Qt::SolidLine, Qt::SquareCap);
        pen.setCosmetic(true);
        painter.setPen(pen);
        painter.drawLine(QLineF(from, to));
    }
    const QRect touched = QRectF(from, to)
                              .normalized()
                              .toAlignedRect()
                              .adjusted(-1, -1, 1, 1)
                              .intersected(m_picture.rect());
    if (touched.isEmpty()) return;
    update(touched.translated(kBorderPx, kBorderPx));
    emit painted(touched);
}

QPointF DrawingBoard::twipsOf(QPointF widgetPixels) {
    return (widgetPixels - QPointF(kBorderPx, kBorderPx)) * kTwipsPerPixel;
}

void DrawingBoard::mousePressEvent(QMouseEvent* event) {
    const int button = buttonFlags(event->button());
    if (button == 0) return QWidget::mousePressEvent(event);
    const QPointF t = twipsOf(event->position());
    emit pressed(button, static_cast<float>(t.x()), static_cast<float>(t.y()));
}

void DrawingBoard::mouseMoveEvent(QMouseEvent* event) {
    const QPointF t = twipsOf(event->position());
    emit moved(buttonFlags(event->buttons()), static_cast<float>(t.x()), static_cast<float>(t.y()));
}

void DrawingBoard::mouseReleaseEvent(QMouseEvent* event) {
    const int button = buttonFlags(event->button());
    if (button == 0) return QWidget::mouseReleaseEvent(event);
    const QPointF t = twipsOf(event->position());
    emit released(button, static_cast<float>(t.x()), static_cast<float>(t.y()));
}

void DrawingBoard::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    // A stroke repaints a few pixels per move: copy only the part of the picture asked for.
    const QRect area = event->rect().intersected(m_picture.rect().translated(kBorderPx, kBorderPx));
    if (!area.isEmpty())
        painter.drawImage(area, m_picture, area.translated(-kBorderPx, -kBorderPx));
    paintSunkenBorder(painter, rect());
}

}  // namespace tavrilo
