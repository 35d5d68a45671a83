#include "app/Placement.h"

#include "app/Twips.h"

#include <algorithm>

namespace mervantic::Placement {

WindowLayout windowLayout(QSize inner, bool visualStyles) {
    using Twips::toPixels;
    const double w = Twips::fromPixels(inner.width());
    const double h = Twips::fromPixels(inner.height());
    const double o = visualStyles ? 30 : 0;
    WindowLayout layout;
    layout.tabs = QRect(4, 4, toPixels(w - 105), toPixels(h - 810));
    layout.mailList = QRect(8, 30, toPixels(w - (315 + o)), toPixels(h - (1305 + o)));
    layout.pages = QRect(8, 30, toPixels(w - (300 + o)), toPixels(h - (1275 + o)));
    layout.bottomRowTop = toPixels(h - 690);
    layout.statusBar = QRect(0, inner.height() - kStatusBarHeight, inner.width(), kStatusBarHeight);
    return layout;
}

int columnPixels(float twips) {
    return Twips::toPixels(twips);
}

float columnTwips(int pixels) {
    return static_cast<float>(Twips::fromPixels(pixels));
}

QFont textFont(const WindowValues& window) {
    QFont font(window.fontName);
    font.setPointSizeF(window.fontSize > 0 ? window.fontSize : 8);
    font.setBold(window.fontBold);
    return font;
}

QRect fitted(QRect stored, QRect available, QSize minimum) {
    if (available.isEmpty() || available.contains(stored))
        return stored;
    const int width = std::max(std::min(stored.width(), available.width()), minimum.width());
    const int height = std::max(std::min(stored.height(), available.height()), minimum.height());
    const int left = std::clamp(stored.left(), available.left(),
                                std::max(available.left(), available.right() + 1 - width));
    const int top = std::clamp(stored.top(), available.top(),
                               std::max(available.top(), available.bottom() + 1 - height));
    return {left, top, width, height};
}

} // namespace mervantic::Placement
