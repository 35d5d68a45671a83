#pragma once

#include <QColor>
#include <QPalette>

namespace mervantic {

// The colours that catch the eye while the continuous alarm flashes: the palette's highlight,
// as long as it stands out from the window by 3:1 at least (WCAG's measure for what must be
// seen); else the window's own text colour, which always does.
struct AlarmColours {
    QColor background;
    QColor text;

    static AlarmColours of(const QPalette& palette);
    // The contrast ratio of two colours, 1 (none) to 21 (black on white).
    static double contrast(const QColor& a, const QColor& b);
    static constexpr double kLeastContrast = 3.0;
};

} // namespace mervantic
