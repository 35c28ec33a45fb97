#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include <cmath>

namespace plenarvo::twips {

// Window and control positions are kept in twips, 1440 to the inch. At the
// standard 96 dots per inch a logical pixel is 15 twips; Qt's own high-DPI
// scaling takes care of screens with more dots.
inline constexpr int kPerPixel = 15;

inline int toPixels(double twips) {
    return static_cast<int>(std::lround(twips / kPerPixel));
}
inline int fromPixels(int pixels) {
    return pixels * kPerPixel;
}

inline QRect rect(int left, int top, int width, int height) {
    return {toPixels(left), toPixels(top), toPixels(width), toPixels(height)};
}
inline QPoint point(int x, int y) {
    return {toPixels(x), toPixels(y)};
}
inline QSize size(int width, int height) {
    return {toPixels(width), toPixels(height)};
}

}  // namespace plenarvo::twips
