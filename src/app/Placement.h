#pragma once

#include "store/Settings.h"

#include <QFont>
#include <QHeaderView>
#include <QRect>
#include <QSize>

#include <span>

namespace mervantic::Placement {

// Where the main window's parts go for an inner size of the window, in pixels. The rules are
// kept in twips, as the window was designed: the tab strip, the mail list and the two pages
// follow the window's size, the bottom row its height; with visual styles the lists and pages
// are 30 twips narrower and shorter.
struct WindowLayout {
    QRect tabs;
    QRect mailList;
    // The rectangle the settings page, the account page and the log pane share.
    QRect pages;
    int bottomRowTop = 0;
    QRect statusBar;
};
WindowLayout windowLayout(QSize inner, bool visualStyles);

// The status bar's height in pixels.
inline constexpr int kStatusBarHeight = 21;

// Column widths are stored in twips and shown in pixels.
int columnPixels(float twips);
float columnTwips(int pixels);

// A window's place and size as stored, moved and shrunk (not below `minimum`) so that all of it
// lies within the screen's available area; as it is when it fits already.
QRect fitted(QRect stored, QRect available, QSize minimum);

// The one text font of the lists and text boxes.
QFont textFont(const WindowValues& window);

} // namespace mervantic::Placement
