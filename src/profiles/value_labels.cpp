#include "profiles/value_labels.h"

#include <cstdio>

namespace vt::profiles {
namespace {

std::string Format(const char* format, double value) {
  char text[48];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string Degrees(bool negative, double degrees) {
  // Truncated toward zero; the sign comes from the side of the centre, so
  // the centre itself can read "-0°".
  char text[32];
  std::snprintf(text, sizeof text, negative ? "-%d\u00B0" : "%d\u00B0", static_cast<int>(degrees));
  return text;
}

constexpr uint16_t kCentre = 150;

}  // namespace

std::string ServoPositionLabel(uint16_t v, bool degrees) {
  if (v == 0) return "None";
  if (!degrees) return Format("%.2fms", v * 0.01);
  if (v <= kCentre) return Degrees(true, (kCentre - v) * 0.9);
  return Degrees(false, (v - kCentre) * 0.9);
}

std::string PanStartLabel(uint16_t v, bool degrees, uint16_t controlMode) {
  const bool half = IsSPatternMode(controlMode);
  const double msPerUnit = half ? 0.005 : 0.01;
  const double degPerUnit = half ? 0.45 : 0.9;
  if (!degrees) return Format("%.2fms", v * msPerUnit);
  if (v < kCentre) return Degrees(true, (kCentre - v) * degPerUnit);
  return Degrees(false, (v - kCentre) * degPerUnit);
}

std::string ApplyTimeLabel(uint16_t v) {
  if (v == 0) return "Always";
  if (v <= 9) return Format("%.1fs", v * 0.1);
  return Format("%.0fms", static_cast<double>(v));
}

std::string StepCountLabel(uint16_t v) {
  if (v == 0) return "No limit";
  return std::to_string(v);
}

std::string ZoomLabel(const std::string& zoomText) { return zoomText + "x"; }

std::string ServoWordLabel(unsigned word, uint16_t v, bool degrees, uint16_t controlMode) {
  switch (word) {
    case 17:
    case 19:
    case 20:
    case 21:
    case 22:
    case 23:
      return ServoPositionLabel(v, degrees);
    case 33:
      return PanStartLabel(v, degrees, controlMode);
    case 18:
    case 37:
      return ApplyTimeLabel(v);
    case 34:
      return StepCountLabel(v);
    default:
      return {};
  }
}

}  // namespace vt::profiles
