#include "profiles/value_labels.h"

#include <array>
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

namespace {

// What a servo word holds, which decides how its value reads.
enum class ServoWordKind { kPosition, kPanStart, kApplyTime, kStepCount, kOther };

ServoWordKind KindOf(unsigned word) {
  switch (word) {
    case 17: case 19: case 20: case 21: case 22: case 23:
      return ServoWordKind::kPosition;
    case 33:
      return ServoWordKind::kPanStart;
    case 18: case 37:
      return ServoWordKind::kApplyTime;
    case 34:
      return ServoWordKind::kStepCount;
    default:
      return ServoWordKind::kOther;
  }
}

// The label tables a servo word can show: positions and pan starts in
// milliseconds or degrees (pan starts also in S-pattern half steps), apply
// times and step counts.
enum LabelTable { kPositionMs, kPositionDeg, kPanMs, kPanDeg, kPanHalfMs, kPanHalfDeg, kApply, kSteps, kTables };

int TableOf(unsigned word, bool degrees, uint16_t controlMode) {
  switch (KindOf(word)) {
    case ServoWordKind::kPosition:
      return degrees ? kPositionDeg : kPositionMs;
    case ServoWordKind::kPanStart:
      if (IsSPatternMode(controlMode)) return degrees ? kPanHalfDeg : kPanHalfMs;
      return degrees ? kPanDeg : kPanMs;
    case ServoWordKind::kApplyTime:
      return kApply;
    case ServoWordKind::kStepCount:
      return kSteps;
    case ServoWordKind::kOther:
      break;
  }
  return -1;
}

using ByteLabels = std::array<std::string, 256>;

const std::array<ByteLabels, kTables>& AllByteLabels() {
  static const std::array<ByteLabels, kTables> tables = [] {
    constexpr uint16_t kSPattern = 29;
    std::array<ByteLabels, kTables> t;
    for (uint16_t v = 0; v < 256; ++v) {
      t[kPositionMs][v] = ServoPositionLabel(v, false);
      t[kPositionDeg][v] = ServoPositionLabel(v, true);
      t[kPanMs][v] = PanStartLabel(v, false, 0);
      t[kPanDeg][v] = PanStartLabel(v, true, 0);
      t[kPanHalfMs][v] = PanStartLabel(v, false, kSPattern);
      t[kPanHalfDeg][v] = PanStartLabel(v, true, kSPattern);
      t[kApply][v] = ApplyTimeLabel(v);
      t[kSteps][v] = StepCountLabel(v);
    }
    return t;
  }();
  return tables;
}

}  // namespace

std::string ServoWordLabel(unsigned word, uint16_t v, bool degrees, uint16_t controlMode) {
  switch (KindOf(word)) {
    case ServoWordKind::kPosition:
      return ServoPositionLabel(v, degrees);
    case ServoWordKind::kPanStart:
      return PanStartLabel(v, degrees, controlMode);
    case ServoWordKind::kApplyTime:
      return ApplyTimeLabel(v);
    case ServoWordKind::kStepCount:
      return StepCountLabel(v);
    case ServoWordKind::kOther:
      break;
  }
  return {};
}

std::optional<uint8_t> ServoWordByteOfLabel(unsigned word, std::string_view text, bool degrees,
                                            uint16_t controlMode) {
  const int table = TableOf(word, degrees, controlMode);
  if (table < 0) return std::nullopt;
  const ByteLabels& labels = AllByteLabels()[static_cast<size_t>(table)];
  for (size_t v = 0; v < labels.size(); ++v) {
    if (labels[v] == text) return static_cast<uint8_t>(v);
  }
  return std::nullopt;
}

}  // namespace vt::profiles
