#include "common/Artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "common/Fonts.h"
#include "common/QtColor.h"

namespace tavrilo {
namespace {

// A small deterministic generator so every start draws the same pictures.
class Grain {
public:
    explicit Grain(unsigned seed) : m_state(seed * 2654435761u + 1u) {}
    int next(int range) {
        m_state = m_state * 1664525u + 1013904223u;
        return static_cast<int>((m_state >> 8) % static_cast<unsigned>(range));
    }

private:
    unsigned m_state;
};

// An image of `size` logical pixels at `dpr` device pixels each; painters on it draw in logical
// pixels.
QImage deviceImage(QSize size, qreal dpr) {
    QImage image(size * dpr, QImage::Format_RGB32);
    image.setDevicePixelRatio(dpr);
    return image;
}

}  // namespace

QImage panelBackdrop(QSize size, unsigned seed, qreal dpr) {
    QImage image = deviceImage(size, dpr);
    Grain grain(seed);
    // Horizontal brush strokes, one a device pixel high: each row a slightly different grey,
    // with a little grain.
    for (int y = 0; y < image.height(); ++y) {
        const int rowShade = redOf(colors::panelGrey) + grain.next(7) - 3;
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int v = rowShade + grain.next(5) - 2;
            line[x] = qRgb(v, v, v + 1 > 255 ? 255 : v + 1);
        }
    }
    QPainter painter(&image);
    // A soft light from the top left.
    QLinearGradient sheen(0, 0, size.width(), size.height());
    sheen.setColorAt(0.0, QColor(255, 255, 255, 40));
    sheen.setColorAt(1.0, QColor(0, 0, 0, 24));
    painter.fillRect(QRect(QPoint(0, 0), size), sheen);
    return image;
}

QImage mainBackdrop(qreal dpr) { return panelBackdrop(QSize(561, 510), 1, dpr); }

QImage logoPicture(qreal dpr) {
    QImage image = deviceImage(QSize(178, 38), dpr);
    image.fill(QColor(16, 16, 16));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    // Nine chalk strokes across the plate, one per chalk colour.
    for (std::size_t i = 0; i < colors::chalks.size(); ++i) {
        QPainterPath wave;
        const double y0 = 6 + i * 3.2;
        wave.moveTo(0, y0);
        for (int x = 0; x <= 178; x += 4)
            wave.lineTo(x, y0 + 2.5 * std::sin((x + i * 17) * 0.09));
        QColor c = toQColor(colors::chalks[i]);
        c.setAlpha(70);
        painter.setPen(QPen(c, 1.2));
        painter.drawPath(wave);
    }
    QFont font = tahoma(17.0, true);
    painter.setFont(font);
    painter.setPen(QColor(0, 0, 0, 160));
    painter.drawText(QRect(7, 2, 178, 38), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Tavrilo Synth"));
    painter.setPen(QColor(250, 250, 250));
    painter.drawText(QRect(6, 1, 178, 38), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Tavrilo Synth"));
    painter.setPen(QPen(QColor(255, 128, 0), 2));
    painter.drawLine(6, 33, 172, 33);
    return image;
}

QImage keysPicture(QSize size, qreal dpr) {
    QImage image = deviceImage(size, dpr);
    image.fill(QColor(128, 0, 0));
    QPainter painter(&image);
    // Three staggered rows of eight keys, top row highest pitch, as on the keyboard itself.
    const char* rows[] = {"QWERTYUI", "ASDFGHJK", "ZXCVBNM,"};
    const int keyH = std::max(5, (size.height() - 2) / 3);
    const int keyW = std::max(6, std::min(size.width() / 9, keyH * 2));
    QFont font = tahoma(keyH * 0.75, true);
    font.setPixelSize(std::max(5, keyH - 1));
    painter.setFont(font);
    for (int r = 0; r < 3; ++r) {
        for (int k = 0; k < 8; ++k) {
            const QRect cap(r * keyW / 3 + k * keyW, r * (keyH + 1), keyW - 1, keyH);
            painter.fillRect(cap, QColor(232, 232, 232));
            painter.setPen(QColor(64, 64, 64));
            painter.drawText(cap, Qt::AlignCenter, QString(QChar::fromLatin1(rows[r][k])));
        }
    }
    return image;
}

QImage appIconImage(int size) {
    // Indexed to the classic sixteen colours: black board, a white chalk wave, a red and yellow
    // accent, a grey frame. The design is laid out on 32 units; each size draws it with its own
    // pixels, so no size is a scaled copy of another.
    QImage image(size, size, QImage::Format_Indexed8);
    const QRgb palette16[16] = {
        qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
        qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
        qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
        qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
    image.setColorCount(16);
    for (int i = 0; i < 16; ++i)
        image.setColor(i, palette16[i]);
    image.fill(0);
    const double unit = size / 32.0;  // pixels per design unit
    const int line = std::max(1, static_cast<int>(std::lround(unit)));
    const auto fill = [&](int x0, int y0, int w, int h, uint colour) {
        for (int y = std::max(0, y0); y < std::min(size, y0 + h); ++y)
            for (int x = std::max(0, x0); x < std::min(size, x0 + w); ++x)
                image.setPixel(x, y, colour);
    };
    const int accentTop = static_cast<int>(std::lround(26 * unit));
    for (int x = 0; x < size; ++x) {
        // The design unit under this pixel column's centre.
        const double u = (x + 0.5) / unit - 0.5;
        // The wave, two units thick, drawn as a vertical run in every column.
        const int y = static_cast<int>(std::lround(size / 2.0 + 9.0 * unit * std::sin(u * 0.39)));
        fill(x, y, 1, std::min(2 * line, size - line - y), 15);
        // The accent: alternating four-unit dashes.
        fill(x, accentTop, 1, line, static_cast<int>(std::floor((u + 0.5) / 4)) % 2 ? 9 : 11);
    }
    // The frame, one unit wide, over everything.
    fill(0, 0, size, line, 8);
    fill(0, size - line, size, line, 8);
    fill(0, 0, line, size, 8);
    fill(size - line, 0, line, size, 8);
    return image;
}

QIcon appIcon() {
    QIcon icon;
    for (int size : {32, 64})
        icon.addPixmap(QPixmap::fromImage(appIconImage(size)));
    return icon;
}

}  // namespace tavrilo
