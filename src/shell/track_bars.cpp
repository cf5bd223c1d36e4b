#include <algorithm>
#include <array>

#include "resources/resource_ids.h"
#include "editor/control_id.h"
#include "shell/settings_window.h"

namespace vt::shell {

namespace {

// Fields of the profile word table a settings track bar can address.
constexpr uint8_t kLastField = 150;

// Pan next position, tilt positions #1-#5 and pan starting position: servo
// positions, marked at the centre.
constexpr std::array<uint16_t, 7> kCentredBars = {0x8711, 0x8713, 0x8714, 0x8715,
                                                  0x8716, 0x8717, 0x8721};
constexpr int kServoCentre = 150;
constexpr int kTestOutputMax = 20;

}  // namespace

// The pages' track bars are found from the pages' own control lists: every
// control whose identifier says "track bar" on a word of the table. That is
// the same set of controls a probe of every possible track bar identifier
// (words 0-150, every shift and width) would find, without 96,640 look-ups.
void InitTrackBars(platform::Ui& ui, const PageTable& pages) {
  for (platform::WindowHandle page : pages) {
    if (page == platform::kNoWindow) continue;
    for (uint16_t id : ui.ControlIds(page)) {
      const profiles::FieldDescriptor d = profiles::DecodeControlId(id);
      if (d.kind != profiles::ControlKind::TrackBar || d.field > kLastField) continue;
      ui.SetTrackRange(page, id, 0, (1 << (d.widthCode + 1)) - 1);
      ui.SetTrackPos(page, id, 0);
      if (std::find(kCentredBars.begin(), kCentredBars.end(), id) != kCentredBars.end()) {
        ui.SetTrackTick(page, id, kServoCentre);
      }
    }
  }
  const platform::WindowHandle debug = pages[kDebugSlot];
  ui.SetTrackRange(debug, resources::debug_page::kTestOutput, 0, kTestOutputMax);
  ui.SetTrackPos(debug, resources::debug_page::kTestOutput, 0);
}

}  // namespace vt::shell
