#include "board/BoardPatch.h"

#include <algorithm>

namespace tavrilo {
namespace {

constexpr int kPaletteLimit = 16;  // four bits a pixel

}  // namespace

BoardPatch::BoardPatch(const QImage& picture, const QRect& rect)
    : m_rect(rect.intersected(picture.rect())) {
    keep(picture.copy(m_rect).convertToFormat(QImage::Format_RGB32));
}

void BoardPatch::keep(const QImage& part) {
    m_palette.clear();
    QByteArray packed((part.width() * part.height() + 1) / 2, '\0');
    int n = 0;
    for (int y = 0; y < part.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(part.constScanLine(y));
        for (int x = 0; x < part.width(); ++x, ++n) {
            auto index = m_palette.indexOf(line[x]);
            if (index < 0) {
                if (m_palette.size() == kPaletteLimit) {  // more colours than a board holds
                    m_palette.clear();
                    m_data = QByteArray(reinterpret_cast<const char*>(part.constBits()),
                                        part.sizeInBytes());
                    m_compressed = false;
                    return;
                }
                index = m_palette.size();
                m_palette.push_back(line[x]);
            }
            packed[n / 2] = static_cast<char>(packed[n / 2] | (index << (n % 2 * 4)));
        }
    }
    const QByteArray compressed = qCompress(packed, 1);
    m_compressed = compressed.size() < packed.size();
    m_data = m_compressed ? compressed : packed;
    m_data.squeeze();
}

QImage BoardPatch::restore() const {
    QImage part(m_rect.size(), QImage::Format_RGB32);
    if (m_palette.isEmpty()) {
        std::copy_n(m_data.constData(), std::min<qsizetype>(m_data.size(), part.sizeInBytes()),
                    reinterpret_cast<char*>(part.bits()));
        return part;
    }
    const QByteArray packed = m_compressed ? qUncompress(m_data) : m_data;
    int n = 0;
    for (int y = 0; y < part.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(part.scanLine(y));
        for (int x = 0; x < part.width(); ++x, ++n)
            line[x] = m_palette.value(
                (static_cast<unsigned char>(packed.at(n / 2)) >> (n % 2 * 4)) & 0xF);
    }
    return part;
}

QRect BoardPatch::swap(QImage& picture) {
    const QImage kept = restore();
    keep(picture.copy(m_rect).convertToFormat(QImage::Format_RGB32));
    for (int y = 0; y < m_rect.height(); ++y)
        std::copy_n(reinterpret_cast<const QRgb*>(kept.constScanLine(y)), m_rect.width(),
                    reinterpret_cast<QRgb*>(picture.scanLine(m_rect.top() + y)) + m_rect.left());
    return m_rect;
}

std::size_t BoardPatch::bytes() const {
    return sizeof(*this) + static_cast<std::size_t>(m_data.capacity()) +
           static_cast<std::size_t>(m_palette.capacity()) * sizeof(QRgb);
}

}  // namespace tavrilo
