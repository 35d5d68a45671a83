#pragma once

#include <QRect>
#include <QRectF>

#include <cmath>

namespace mervantic::Twips {

// Sizes are kept in twips, at a fixed 15 twips to a pixel whatever the screen.
inline constexpr double kPerPixel = 15.0;

inline int toPixels(double twips) {
    return static_cast<int>(std::lround(twips / kPerPixel));
}
inline double fromPixels(int pixels) {
    return pixels * kPerPixel;
}
inline QRect toPixels(const QRectF& twips) {
    return {toPixels(twips.left()), toPixels(twips.top()), toPixels(twips.width()),
            toPixels(twips.height())};
}
inline QRectF fromPixels(const QRect& pixels) {
    return {fromPixels(pixels.left()), fromPixels(pixels.top()), fromPixels(pixels.width()),
            fromPixels(pixels.height())};
}

} // namespace mervantic::Twips
