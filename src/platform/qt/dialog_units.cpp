#include "platform/qt/dialog_units.h"

#include <QFont>
#include <QFontMetrics>
#include <QString>
#include <cstdint>
#include <cstdlib>

namespace vt::platform::qt {

int MulDiv(int value, int numerator, int denominator) {
  if (denominator == 0) return -1;
  const int64_t product = static_cast<int64_t>(value) * numerator;
  const int64_t half = std::llabs(static_cast<int64_t>(denominator)) / 2;
  const bool negative = (product < 0) != (denominator < 0);
  const int64_t magnitude = (std::llabs(product) + half) / std::llabs(static_cast<int64_t>(denominator));
  return static_cast<int>(negative ? -magnitude : magnitude);
}

int DialogBaseUnits::X(int du) const { return MulDiv(du, charWidth, 4); }

int DialogBaseUnits::Y(int du) const { return MulDiv(du, charHeight, 8); }

Rect DialogBaseUnits::ToPixels(const Rect& du) const {
  return {X(du.x), Y(du.y), X(du.width), Y(du.height)};
}

DialogBaseUnits DialogBaseUnits::FromFont(const QFont& font) {
  const QFontMetrics metrics(font);
  static const QString kAlphabet =
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  DialogBaseUnits units;
  const int total = metrics.horizontalAdvance(kAlphabet);
  units.charWidth = (total / 26 + 1) / 2;
  units.charHeight = metrics.height();
  if (units.charWidth <= 0) units.charWidth = 1;
  if (units.charHeight <= 0) units.charHeight = 1;
  return units;
}

QFont DialogFont() {
  QFont font(QStringLiteral("Sans Serif"));
  font.setStyleHint(QFont::SansSerif);
  // 11 pixels is the classic 8-point dialog font at 96 dots per inch.
  font.setPixelSize(11);
  return font;
}

}  // namespace vt::platform::qt
