#include "board/DrawingBoard.h"

#include <QPainter>

#include "common/QtColor.h"

namespace tavrilo {

DrawingBoard::DrawingBoard(QWidget* parent, const QRect& geometry)
    : QWidget(parent),
      m_picture(geometry.size() - QSize(2 * kBorderPx, 2 * kBorderPx), QImage::Format_RGB32) {
    setObjectName(QStringLiteral("Picdraw"));
    setGeometry(geometry);
    setFixedSize(geometry.size());
    m_picture.fill(Qt::black);
    setCursor(Qt::CrossCursor);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void DrawingBoard::setBackColor(ColorValue color) {
    m_backColor = color;
    m_picture.fill(toQColor(color));
    update();
}

void DrawingBoard::Cls() {
    m_picture.fill(toQColor(m_backColor));
    m_current = {0, 0};
    update();
}

void DrawingBoard::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(kBorderPx, kBorderPx, m_picture);
    // Sunken 3-D border: dark grey and black above and left, light grey and white below and right.
    const int w = width() - 1;
    const int h = height() - 1;
    painter.setPen(QColor(128, 128, 128));
    painter.drawLine(0, 0, w - 1, 0);
    painter.drawLine(0, 0, 0, h - 1);
    painter.setPen(Qt::black);
    painter.drawLine(1, 1, w - 2, 1);
    painter.drawLine(1, 1, 1, h - 2);
    painter.setPen(QColor(192, 192, 192));
    painter.drawLine(1, h - 1, w - 1, h - 1);
    painter.drawLine(w - 1, 1, w - 1, h - 1);
    painter.setPen(Qt::white);
    painter.drawLine(0, h, w, h);
    painter.drawLine(w, 0, w, h);
}

}  // namespace tavrilo
