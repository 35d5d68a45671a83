#include "app/AlarmColours.h"

#include <cmath>

namespace mervantic {

namespace {

// Relative luminance of an sRGB colour.
double luminance(const QColor& colour) {
    const auto linear = [](double channel) {
        return channel <= 0.03928 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) +
           0.0722 * linear(colour.blueF());
}

} // namespace

double AlarmColours::contrast(const QColor& a, const QColor& b) {
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

AlarmColours AlarmColours::of(const QPalette& palette) {
    const QColor window = palette.color(QPalette::Window);
    const QColor highlight = palette.color(QPalette::Highlight);
    if (contrast(highlight, window) >= kLeastContrast) {
        const QColor text = palette.color(QPalette::HighlightedText);
        // The highlight's own text, or whichever of black and white reads on it.
        if (contrast(text, highlight) >= kLeastContrast)
            return {highlight, text};
        return {highlight, contrast(Qt::black, highlight) > contrast(Qt::white, highlight)
                               ? QColor(Qt::black)
                               : QColor(Qt::white)};
    }
    return {palette.color(QPalette::WindowText), window};
}

} // namespace mervantic
