#pragma once

class QWidget;

namespace mervantic {

// The colours that follow the desktop's style: labels, check boxes, frames and picture boxes
// take the window-background colour (with window text) when the style draws with visual styles,
// else the button face (with button text). Every colour comes from the current palette, so a dark
// desktop theme stays readable.
namespace ThemeColours {

void apply(QWidget& root, bool visualStyles);
// Whether the application's style draws with visual styles: any but the plain classic one.
bool visualStylesActive();

} // namespace ThemeColours

} // namespace mervantic
