#pragma once

#include "platform/ui/ui_types.h"

class QFont;

namespace vt::platform::qt {

// Dialog units to pixels, the way dialog templates are laid out: one
// horizontal unit is a quarter of the font's average character width, one
// vertical unit an eighth of its character height.
struct DialogBaseUnits {
  int charWidth = 6;    // average character width in pixels
  int charHeight = 13;  // character cell height in pixels

  int X(int du) const;
  int Y(int du) const;
  // Each coordinate is converted on its own, as the template loader does.
  Rect ToPixels(const Rect& du) const;

  // Base units of a font: the average width over "A".."Z" and "a".."z",
  // rounded, and the font's line height.
  static DialogBaseUnits FromFont(const QFont& font);
};

// (value * numerator) / denominator rounded half away from zero, without
// intermediate overflow.
int MulDiv(int value, int numerator, int denominator);

// The font the panel's windows use: a plain sans face at the size that
// matches the classic 8-point dialog font's proportions.
QFont DialogFont();

}  // namespace vt::platform::qt
