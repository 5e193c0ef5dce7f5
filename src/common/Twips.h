#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace tavrilo {

// Window and control geometry is laid out in twips (1/1440 inch), 15 twips to a pixel at the
// normal screen density; the layout tables are in twips so they read like the design.
constexpr int kTwipsPerPixel = 15;

constexpr int px(int twips) {
    // Nearest pixel; every layout value is a multiple of 15, so this is exact in practice.
    return twips >= 0 ? (twips + kTwipsPerPixel / 2) / kTwipsPerPixel
                      : -((-twips + kTwipsPerPixel / 2) / kTwipsPerPixel);
}

inline QRect twipsRect(int left, int top, int width, int height) {
    return {px(left), px(top), px(width), px(height)};
}
inline QPoint twipsPoint(int x, int y) { return {px(x), px(y)}; }
inline QSize twipsSize(int w, int h) { return {px(w), px(h)}; }

}  // namespace tavrilo
