#pragma once

#include <QColor>
#include <QPalette>

namespace vt::platform::qt {

// Text needs a contrast ratio of at least 4.5:1 against what is behind it
// to stay readable for people with reduced vision; greyed-out text too,
// since a disabled control still says what it is.
inline constexpr double kMinTextContrast = 4.5;

// The relative luminance of a colour (0 black .. 1 white), from its
// linearised sRGB channels.
double RelativeLuminance(const QColor& colour);
// (lighter + 0.05) / (darker + 0.05): 1 for equal colours, 21 for black on
// white.
double ContrastRatio(const QColor& a, const QColor& b);

// `text` itself when it reaches kMinTextContrast on `background` (with a
// small margin for rounding); otherwise `text` moved towards black or white,
// whichever lies further from the background, just far enough to reach it.
// A grey stays grey, only darker or lighter.
QColor ReadableOn(const QColor& text, const QColor& background);

// The palette with every text role readable on the background it is drawn
// on, in the active, inactive and disabled groups: window text on the
// window, text on the base (and on the window, where frameless fields draw
// it), button text on the button. Disabled text keeps its dimmer look
// where it can.
QPalette ReadablePalette(QPalette palette);

}  // namespace vt::platform::qt
