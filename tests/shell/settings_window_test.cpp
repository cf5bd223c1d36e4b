#include "shell/settings_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "platform/ui/headless_ui.h"
#include "resources/templates.h"
#include "editor/control_id.h"

namespace vt::shell {
namespace {

using platform::HeadlessUi;
using platform::kNoWindow;
using platform::WindowHandle;
namespace pp = resources::profile_page;

struct SettingsWindowFixture {
  explicit SettingsWindowFixture(bool debugLog) : ui(resources::BuiltInTemplates()) {
    main = ui.CreateDialogWindow(resources::kMainWindow, kNoWindow);
    InitTabbedDialog(ui, main, debugLog, pages);
  }
  void InitAll() {
    InitTrackBars(ui, pages);
    InitComboBoxes(ui, main);
    InitToolTips(ui, main, pages);
  }

  HeadlessUi ui;
  WindowHandle main = kNoWindow;
  PageTable pages{};
};

TEST(InitTabbedDialog, SevenSetTabsAndADebugTabOnlyWithTheLog) {
  for (bool debugLog : {false, true}) {
    SettingsWindowFixture f(debugLog);
    const int tabs = f.ui.TabCount(f.main, resources::main_window::kTabs);
    ASSERT_EQ(tabs, debugLog ? 8 : 7);
    for (int i = 0; i < kSetPages; ++i) {
      EXPECT_EQ(f.ui.TabText(f.main, resources::main_window::kTabs, i),
                "Set #" + std::to_string(i + 1));
      EXPECT_EQ(f.ui.TemplateOf(f.pages[static_cast<size_t>(i)]), resources::kProfilePage);
      EXPECT_EQ(f.ui.ParentOf(f.pages[static_cast<size_t>(i)]), f.main);
    }
    if (debugLog) {
      EXPECT_EQ(f.ui.TabText(f.main, resources::main_window::kTabs, 7), "Debug");
      EXPECT_EQ(f.ui.TemplateOf(f.pages[kDebugSlot]), resources::kDebugPage);
    } else {
      EXPECT_EQ(f.pages[kDebugSlot], kNoWindow);
    }
    EXPECT_EQ(f.pages[8], kNoWindow);
    EXPECT_EQ(f.pages[9], kNoWindow);
    EXPECT_EQ(f.ui.TabSelection(f.main, resources::main_window::kTabs), 0);
    // Only the first page shows, and every page sits inside the tab control.
    const platform::Rect tabRect = f.ui.GetControlRect(f.main, resources::main_window::kTabs);
    for (size_t slot = 0; slot < kPageSlots; ++slot) {
      if (f.pages[slot] == kNoWindow) continue;
      EXPECT_EQ(f.ui.IsWindowVisible(f.pages[slot]), slot == 0) << slot;
      const platform::Rect r = f.ui.GetWindowRect(f.pages[slot]);
      EXPECT_GE(r.x, tabRect.x);
      EXPECT_GE(r.y, tabRect.y);
      EXPECT_LE(r.x + r.width, tabRect.x + tabRect.width) << slot;
      EXPECT_LE(r.y + r.height, tabRect.y + tabRect.height) << slot;
    }
  }
}

// What the settings window looked like when every possible track bar
// identifier was probed on every page: the reference for InitTrackBars.
void ProbeTrackBars(platform::Ui& ui, const PageTable& pages) {
  const std::array<uint16_t, 7> centred = {0x8711, 0x8713, 0x8714, 0x8715, 0x8716, 0x8717, 0x8721};
  for (WindowHandle page : pages) {
    for (uint8_t field = 0; field <= 150; ++field) {
      for (uint8_t shift = 0; shift < 8; ++shift) {
        for (uint8_t width = 0; width < 8; ++width) {
          const uint16_t id = profiles::EncodeControlId(field, shift, width, profiles::ControlKind::TrackBar);
          if (!ui.HasControl(page, id)) continue;
          ui.SetTrackRange(page, id, 0, (1 << (width + 1)) - 1);
          ui.SetTrackPos(page, id, 0);
          if (std::find(centred.begin(), centred.end(), id) != centred.end()) {
            ui.SetTrackTick(page, id, 150);
          }
        }
      }
    }
  }
  ui.SetTrackRange(pages[kDebugSlot], 0x8073, 0, 20);
  ui.SetTrackPos(pages[kDebugSlot], 0x8073, 0);
}

TEST(InitTrackBars, SetsTheSameBarsAsAProbeOfEveryIdentifier) {
  SettingsWindowFixture table(true);
  SettingsWindowFixture probe(true);
  // Start both from a moved position so "position 0" is really set.
  for (SettingsWindowFixture* f : {&table, &probe}) {
    for (WindowHandle page : f->pages) {
      for (uint16_t id : f->ui.ControlIds(page)) f->ui.SetTrackPos(page, id, 60);
    }
  }
  InitTrackBars(table.ui, table.pages);
  ProbeTrackBars(probe.ui, probe.pages);

  int bars = 0;
  for (size_t slot = 0; slot < kPageSlots; ++slot) {
    const WindowHandle a = table.pages[slot];
    const WindowHandle b = probe.pages[slot];
    for (uint16_t id : table.ui.ControlIds(a)) {
      if (table.ui.ClassOf(a, id) != platform::ControlClass::TrackBar) continue;
      ++bars;
      EXPECT_EQ(table.ui.TrackRange(a, id), probe.ui.TrackRange(b, id)) << slot << " " << id;
      EXPECT_EQ(table.ui.TrackPos(a, id), probe.ui.TrackPos(b, id)) << slot << " " << id;
      EXPECT_EQ(table.ui.TrackTicks(a, id), probe.ui.TrackTicks(b, id)) << slot << " " << id;
    }
  }
  EXPECT_EQ(bars, 7 * 11 + 1);
}

TEST(InitTrackBars, RangesFollowTheFieldWidthAndServoBarsAreMarkedAtTheCentre) {
  SettingsWindowFixture f(true);
  f.InitAll();
  const WindowHandle page = f.pages[3];
  EXPECT_EQ(f.ui.TrackRange(page, 0x8009), (std::pair{0, 1}));  // zoom, until a camera sets it
  EXPECT_EQ(f.ui.TrackRange(page, 0x8713), (std::pair{0, 255}));
  EXPECT_EQ(f.ui.TrackTicks(page, 0x8713), std::vector<int>{150});
  EXPECT_EQ(f.ui.TrackTicks(page, 0x8721), std::vector<int>{150});
  EXPECT_TRUE(f.ui.TrackTicks(page, 0x8712).empty());  // apply time is not a position
  EXPECT_TRUE(f.ui.TrackTicks(page, 0x8722).empty());
  EXPECT_EQ(f.ui.TrackRange(f.pages[kDebugSlot], 0x8073), (std::pair{0, 20}));

  // Without the Debug page nothing is missing and nothing breaks.
  SettingsWindowFixture plain(false);
  plain.InitAll();
  EXPECT_EQ(plain.ui.TrackRange(plain.pages[6], 0x8725), (std::pair{0, 255}));
}

TEST(InitComboBoxes, DefaultProfileListCarriesTheSetIndex) {
  SettingsWindowFixture f(false);
  f.ui.AddSelectorItem(f.main, resources::main_window::kDefaultProfile, "stale", 99);
  f.InitAll();
  const uint16_t list = resources::main_window::kDefaultProfile;
  ASSERT_EQ(f.ui.SelectorCount(f.main, list), 7);
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(f.ui.ItemText(f.main, list, i), "#" + std::to_string(i + 1));
    EXPECT_EQ(f.ui.ItemData(f.main, list, i), i);
  }
  EXPECT_EQ(f.ui.SelectedIndex(f.main, list), 0);
}

TEST(InitToolTips, TipsOnTheStatusFieldsAndTestButtonsOfEverySetPage) {
  SettingsWindowFixture f(true);
  f.InitAll();
  EXPECT_EQ(f.ui.ToolTip(f.main, resources::main_window::kSerial),
            "Serial number of the Velotrack");
  EXPECT_EQ(f.ui.ToolTip(f.main, resources::main_window::kFirmware),
            "Firmware version of the Velotrack");
  for (int i = 0; i < kSetPages; ++i) {
    const WindowHandle page = f.pages[static_cast<size_t>(i)];
    EXPECT_EQ(f.ui.ToolTip(page, pp::kTestCh0), "Apply chosen value to CH0 servo (hardware test)");
    EXPECT_EQ(f.ui.ToolTip(page, pp::kTestCh2), "Apply chosen value to CH2 servo (hardware test)");
    for (uint16_t id = 16403; id <= 16407; ++id) {
      EXPECT_EQ(f.ui.ToolTip(page, id), "Apply chosen value to CH1 servo (hardware test)");
    }
    for (uint16_t id = 16408; id <= 16410; ++id) {
      EXPECT_EQ(f.ui.ToolTip(page, id),
                "Apply chosen value to CH2/CH3 finger servo (hardware test)");
    }
    EXPECT_EQ(f.ui.ToolTip(page, pp::kLedCaption),
              "LED indicators on Velotrack board shows this combination when profile is "
              "selected");
  }
  // The Debug page has none of these controls and gets no tips.
  EXPECT_EQ(f.ui.ToolTip(f.pages[kDebugSlot], pp::kTestCh0), std::nullopt);
}

TEST(InitToolTips, LedPicturesShowTheSetNumberInBinary) {
  SettingsWindowFixture f(false);
  f.InitAll();
  const uint16_t R = resources::kLedRed, D = resources::kLedDark, G = resources::kLedGreen;
  const std::array<std::array<uint16_t, 4>, 7> expected = {{
      {R, D, D, G}, {D, R, D, G}, {R, R, D, G}, {D, D, R, G},
      {R, D, R, G}, {D, R, R, G}, {R, R, R, G},
  }};
  for (size_t i = 0; i < 7; ++i) {
    for (size_t k = 0; k < 4; ++k) {
      EXPECT_EQ(f.ui.PictureOf(f.pages[i], pp::kLedPictures[k]), expected[i][k])
          << "Set #" << i + 1 << " LED " << k;
    }
  }
}

TEST(EditorWindowsOf, HandsTheSamePagesToTheEditor) {
  SettingsWindowFixture f(true);
  const profiles::EditorWindows w = EditorWindowsOf(f.main, f.pages);
  EXPECT_EQ(w.mainWindow, f.main);
  for (size_t i = 0; i < 7; ++i) EXPECT_EQ(w.sets[i], f.pages[i]);
  EXPECT_EQ(w.debug, f.pages[kDebugSlot]);
}

}  // namespace
}  // namespace vt::shell
