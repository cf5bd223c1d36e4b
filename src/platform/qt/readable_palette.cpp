#include "platform/qt/readable_palette.h"

#include <algorithm>
#include <cmath>

namespace vt::platform::qt {

namespace {

// Aim a little above the bound, so that rounding to 8-bit channels never
// drops a colour just below it.
constexpr double kTarget = kMinTextContrast + 0.1;

double Linear(double channel) {
  return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

QColor Blend(const QColor& from, const QColor& to, double t) {
  auto mix = [t](int a, int b) { return static_cast<int>(std::lround(a + (b - a) * t)); };
  return QColor(mix(from.red(), to.red()), mix(from.green(), to.green()),
                mix(from.blue(), to.blue()));
}

}  // namespace

double RelativeLuminance(const QColor& colour) {
  const QColor rgb = colour.toRgb();
  return 0.2126 * Linear(rgb.redF()) + 0.7152 * Linear(rgb.greenF()) +
         0.0722 * Linear(rgb.blueF());
}

double ContrastRatio(const QColor& a, const QColor& b) {
  const double la = RelativeLuminance(a);
  const double lb = RelativeLuminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor ReadableOn(const QColor& text, const QColor& background) {
  const QColor opaque = text.toRgb();
  if (ContrastRatio(opaque, background) >= kTarget) return opaque;
  const QColor black(0, 0, 0);
  const QColor white(255, 255, 255);
  const QColor extreme =
      ContrastRatio(black, background) >= ContrastRatio(white, background) ? black : white;
  // The smallest step towards the extreme that is enough, found by halving.
  double lo = 0.0;
  double hi = 1.0;
  for (int i = 0; i < 16; ++i) {
    const double mid = (lo + hi) / 2;
    if (ContrastRatio(Blend(opaque, extreme, mid), background) >= kTarget) {
      hi = mid;
    } else {
      lo = mid;
    }
  }
  return Blend(opaque, extreme, hi);
}

QPalette ReadablePalette(QPalette palette) {
  struct Pair {
    QPalette::ColorRole text;
    QPalette::ColorRole background;
  };
  // Text on the window as well: read-only fields without a frame show the
  // window behind their text.
  static constexpr Pair kPairs[] = {{QPalette::WindowText, QPalette::Window},
                                    {QPalette::ButtonText, QPalette::Button},
                                    {QPalette::Text, QPalette::Base},
                                    {QPalette::Text, QPalette::Window}};
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    for (const Pair& pair : kPairs) {
      const QColor fixed =
          ReadableOn(palette.color(group, pair.text), palette.color(group, pair.background));
      palette.setColor(group, pair.text, fixed);
    }
  }
  return palette;
}

}  // namespace vt::platform::qt
