#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QRect>
#include <cstddef>

namespace tavrilo {

// The pixels of a rectangle of the board's picture, kept small for the undo history. The board
// only ever holds a few colours (its background and the nine chalks), so each pixel is stored as
// an index into the patch's own palette, four bits while there are at most 16 colours, two
// pixels to a byte, and compressed when that comes out smaller: the whole board then takes at
// most about 81 KiB, usually a few hundred bytes.
class BoardPatch {
public:
    BoardPatch() = default;
    // The pixels of `rect` (clipped to the picture) as they are now.
    BoardPatch(const QImage& picture, const QRect& rect);

    // Puts the kept pixels back into `picture` and keeps what was there instead, so that a
    // second swap restores the picture again. Returns the rectangle it touched.
    QRect swap(QImage& picture);

    QRect rect() const { return m_rect; }
    std::size_t bytes() const;

private:
    void keep(const QImage& part);
    QImage restore() const;

    QRect m_rect;
    QList<QRgb> m_palette;  // empty: the pixels are kept whole, 32 bits each
    QByteArray m_data;
    bool m_compressed = false;
};

}  // namespace tavrilo
