#include "profiles/enabling_rules.h"

#include <algorithm>
#include <initializer_list>

namespace vt::profiles {
namespace {

using namespace ids;

void AddBarWithLabel(std::vector<uint16_t>& out, uint16_t bar) {
  out.push_back(bar);
  out.push_back(LabelOf(bar));
}

std::vector<uint16_t> ModeGoverned() {
  std::vector<uint16_t> out = {kInterval, kTotalShots};
  for (uint16_t bar = kTiltFirstBar; bar < kTiltFirstBar + 5; ++bar) AddBarWithLabel(out, bar);
  for (uint16_t bar : {kTiltApplyBar, kPanNextBar, kPanApplyBar, kPanStepsBar, kPanStartBar}) {
    AddBarWithLabel(out, bar);
  }
  for (uint16_t id : {kShotsAtStop, kDelayBefore, kDelayAfter, kPause}) out.push_back(id);
  return out;
}

std::vector<uint16_t> PanoramaSet() {
  std::vector<uint16_t> out;
  for (uint16_t bar : {kPanNextBar, kPanApplyBar, kPanStepsBar, kPanStartBar}) AddBarWithLabel(out, bar);
  for (uint16_t id : {kShotsAtStop, kDelayBefore, kDelayAfter, kTotalShots, kPause}) out.push_back(id);
  return out;
}

std::vector<uint16_t> ModeEnabled(uint16_t mode) {
  std::vector<uint16_t> out;
  switch (mode) {
    case 16:
      return {kInterval, kTotalShots, kPause};
    case 4:
    case 15:
      return {kShotsAtStop, kDelayBefore, kDelayAfter};
    case 11:
      for (uint16_t bar = kTiltFirstBar; bar < kTiltFirstBar + 4; ++bar) AddBarWithLabel(out, bar);
      for (uint16_t bar : {kTiltApplyBar, kPanNextBar, kPanApplyBar, kPanStartBar}) AddBarWithLabel(out, bar);
      return out;
    case 20:
      return PanoramaSet();
    case 18:
    case 19:
    case 21:
    case 25:
    case 28:
    case 29:
    case 37:
    case 38:
      for (uint16_t bar = kTiltFirstBar; bar < kTiltFirstBar + 5; ++bar) AddBarWithLabel(out, bar);
      AddBarWithLabel(out, kTiltApplyBar);
      for (uint16_t id : PanoramaSet()) out.push_back(id);
      return out;
    default:
      return out;
  }
}

}  // namespace

std::vector<Enablement> ControlMethodEnablement(uint16_t controlMethod) {
  const bool ptp = controlMethod == 1;
  std::vector<Enablement> out;
  for (uint16_t id : std::initializer_list<uint16_t>{0x580D, 0x600D, 0x680D, 0x700D, 0x780D}) {
    if (!ptp && id == 0x700D) continue;
    out.push_back({id, ptp});
  }
  for (uint16_t id : {kImageSize, kQuality, kWhiteBalance, kZoomBar, kZoomLabel, kFocus, kProgram}) {
    out.push_back({id, ptp});
  }
  return out;
}

std::optional<bool> TotalStepsEnabled(uint16_t controlMode, uint16_t options) {
  if (controlMode == 11 || controlMode == 29 || controlMode == 38) return std::nullopt;
  return (options & 0x4) == 0;
}

std::vector<Enablement> ControlModeEnablement(uint16_t controlMode) {
  const std::vector<uint16_t> enabled = ModeEnabled(controlMode);
  std::vector<Enablement> out;
  for (uint16_t id : ModeGoverned()) {
    out.push_back({id, std::find(enabled.begin(), enabled.end(), id) != enabled.end()});
  }
  return out;
}

bool ControlModeWantsMessages(uint16_t controlMode) {
  switch (controlMode) {
    case 1:
    case 2:
    case 3:
    case 31:
    case 41:
    case 64:
      return true;
    default:
      return false;
  }
}

std::vector<Enablement> ExposureEnablement(uint16_t program, uint16_t controlMethod) {
  const uint16_t f = controlMethod == 1 ? program : 0;
  switch (f) {
    case 2:
    case 3:
    case 255:
      return {{kTv, f != 3},       {kAv, f != 2},        {kIso, true},
              {kImageSize, true},  {kQuality, true},     {kWhiteBalance, true}};
    default:
      return {{kTv, false}, {kAv, false}};
  }
}

bool FingerServoEnabled(uint16_t controlMethod) { return controlMethod == 3 || controlMethod == 9; }

}  // namespace vt::profiles
