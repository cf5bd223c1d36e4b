#include "editor/profile_view.h"

#include <cstdio>

#include "profiles/enabling_rules.h"

namespace vt::profiles {
namespace {

using namespace ids;

struct FieldSpec {
  const char* name;
  uint16_t id;
};

// Page order: camera settings, intervalometer, shooting at stop, finger
// servo, device settings, then the servo groups.
constexpr FieldSpec kSelectorsAndLabels[] = {
    {"Camera Model", kCameraModel},   {"Control Method", kControlMethod},
    {"Control mode", kControlMode},   {"Program", kProgram},
    {"Focus", kFocus},                {"Tv", kTv},
    {"Av", kAv},                      {"ISO Speed", kIso},
    {"W. Balance", kWhiteBalance},    {"Image Size", kImageSize},
    {"Quality", kQuality},            {"Zoom", kZoomLabel},
    {"Total Shots", kTotalShots},     {"Interval", kInterval},
    {"Pause", kPause},                {"Number of shots", kShotsAtStop},
    {"Delay before", kDelayBefore},   {"Delay after", kDelayAfter},
    {"Finger Idle", kFingerIdle},     {"Finger Half push", kFingerHalf},
    {"Finger Full push", kFingerFull}, {"Battery cutoff voltage", kBatteryCutoff},
    {"Action startup delay", kStartupDelay},
};

constexpr FieldSpec kServoLabels[] = {
    {"Pan Next \u00B1Position", LabelOf(kPanNextBar)},
    {"Pan Apply time", LabelOf(kPanApplyBar)},
    {"Pan Total Steps", LabelOf(kPanStepsBar)},
    {"Tilt #1", LabelOf(kTiltFirstBar)},
    {"Tilt #2", LabelOf(kTiltFirstBar + 1)},
    {"Tilt #3", LabelOf(kTiltFirstBar + 2)},
    {"Tilt #4", LabelOf(kTiltFirstBar + 3)},
    {"Tilt #5", LabelOf(kTiltFirstBar + 4)},
    {"Tilt Apply time", LabelOf(kTiltApplyBar)},
};

bool IsLabel(uint16_t id) { return (id >> 14) == 0; }

}  // namespace

std::vector<ShownField> ShowPage(SettingsEditor& editor, int setIndex) {
  std::vector<ShownField> out;
  const platform::WindowHandle page = editor.PageOf(setIndex);
  if (page == platform::kNoWindow || setIndex >= kProfileCount) return out;
  platform::Ui& ui = editor.GetUi();
  auto add = [&](const std::string& name, uint16_t id) {
    const std::string text = IsLabel(id) ? ui.GetText(page, id) : ui.SelectedText(page, id);
    // A label's enabled state follows its track bar's.
    const uint16_t control = IsLabel(id) && id != kZoomLabel ? static_cast<uint16_t>(id | 0x8000) : id;
    out.push_back({name, text, ui.IsEnabled(page, control)});
  };
  for (const FieldSpec& f : kSelectorsAndLabels) add(f.name, f.id);
  add("Pan " + ui.GetText(page, kStartCaption), LabelOf(kPanStartBar));
  for (const FieldSpec& f : kServoLabels) add(f.name, f.id);
  for (unsigned bit = 2; bit <= 7; ++bit) {
    const auto id = static_cast<uint16_t>(0x400D | (bit << 11));
    out.push_back({std::string(OptionBitText(bit)), ui.IsChecked(page, id) ? "on" : "off",
                   ui.IsEnabled(page, id)});
  }
  return out;
}

std::vector<ShownField> ShowMainWindow(SettingsEditor& editor) {
  platform::Ui& ui = editor.GetUi();
  const platform::WindowHandle main = editor.Windows().mainWindow;
  return {
      {"Default Profile", ui.SelectedText(main, kDefaultProfile), true},
      {"Servo Units",
       ui.IsMenuItemChecked(main, resources::menu::kMilliseconds) ? "Milliseconds"
                                                                        : "Degrees, Gear ratio 1:1",
       true},
  };
}

}  // namespace vt::profiles
