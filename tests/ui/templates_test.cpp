#include "resources/templates.h"

#include "resources/colour_rule.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace vt::resources {
namespace {

using platform::ControlClass;
using platform::ControlTemplate;
using platform::DialogTemplate;
using platform::Rect;

const DialogTemplate& Dialog(uint16_t id) {
  const DialogTemplate* t = BuiltInTemplates().FindDialog(id);
  EXPECT_NE(t, nullptr) << id;
  static const DialogTemplate kEmpty;
  return t ? *t : kEmpty;
}

bool Inside(const Rect& r, int width, int height) {
  return r.x >= 0 && r.y >= 0 && r.x + r.width <= width && r.y + r.height <= height;
}

bool HasLabel(const DialogTemplate& t, const std::string& text) {
  for (const ControlTemplate& c : t.controls) {
    if (c.text == text && (c.cls == ControlClass::Static)) return true;
  }
  return false;
}

void ExpectControl(const DialogTemplate& t, uint16_t id, ControlClass cls,
                   const std::string& text) {
  const ControlTemplate* c = t.Find(id);
  ASSERT_NE(c, nullptr) << "window " << t.id << " lacks control " << id;
  EXPECT_EQ(c->cls, cls) << id;
  EXPECT_EQ(c->text, text) << id;
}

TEST(Templates, IdsAreUniqueAndControlsLieInsideTheirWindow) {
  for (const DialogTemplate& t : BuiltInTemplates().dialogs) {
    std::set<uint16_t> seen;
    for (const ControlTemplate& c : t.controls) {
      if (c.id != platform::kUnnamedControl) {
        EXPECT_TRUE(seen.insert(c.id).second) << "window " << t.id << " repeats id " << c.id;
      }
      if (c.style & platform::style::kHidden) continue;
      // The divider under the menu runs past both edges, and the Debug page's
      // copy of "Get Messages" sits below the page on purpose.
      const bool deliberate = (t.id == kMainWindow && c.cls == ControlClass::EtchedLine) ||
                              (t.id == kDebugPage && c.id == debug_page::kGetMessages);
      if (!deliberate) {
        EXPECT_TRUE(Inside(c.place, t.place.width, t.place.height))
            << "window " << t.id << " control " << c.id << " \"" << c.text << "\"";
      }
    }
  }
}

TEST(Templates, MainWindowHasItsControlsInTheirPlaces) {
  const DialogTemplate& t = Dialog(kMainWindow);
  EXPECT_EQ(t.caption, "Velotrack Configuration Panel (ver.2.6.%d)");
  EXPECT_EQ(t.place, (Rect{16, 7, 607, 274}));
  EXPECT_EQ(t.menuId, kMainMenu);
  namespace mw = main_window;
  ExpectControl(t, mw::kTabs, ControlClass::TabControl, "");
  EXPECT_EQ(t.Find(mw::kTabs)->place, (Rect{3, 4, 600, 235}));
  ExpectControl(t, mw::kGetMessages, ControlClass::CheckBox, "Get Messages");
  ExpectControl(t, mw::kNoteLabel, ControlClass::Static, "Note:");
  ExpectControl(t, mw::kDefaultProfile, ControlClass::ComboBox, "");
  ExpectControl(t, mw::kGetSettings, ControlClass::PushButton, "Get settings from Velotrack");
  ExpectControl(t, mw::kSaveSettings, ControlClass::PushButton, "Save settings to Velotrack");
  ExpectControl(t, mw::kQuit, ControlClass::PushButton, "Quit");
  ExpectControl(t, mw::kPcMode, ControlClass::Static, "PC Mode");
  ExpectControl(t, mw::kStatus, ControlClass::Static, "...");
  ExpectControl(t, mw::kBoardMessage, ControlClass::Static, "");
  ExpectControl(t, mw::kSerial, ControlClass::Static, "");
  ExpectControl(t, mw::kFirmware, ControlClass::Static, "Firmware version: ?");
  EXPECT_EQ(t.Find(mw::kStatus)->place, (Rect{70, 263, 84, 10}));
  EXPECT_TRUE(HasLabel(t, "Use arrow keys to fine tune servo sliders"));
  EXPECT_TRUE(HasLabel(t, "Default Profile:"));
  // The old firmware button is kept for its command but never shown.
  ASSERT_NE(t.Find(mw::kUpdateFirmware), nullptr);
  EXPECT_TRUE(t.Find(mw::kUpdateFirmware)->style & platform::style::kHidden);
}

TEST(Templates, MenuHoldsEveryCommandWithItsText) {
  const platform::MenuTemplate* m = BuiltInTemplates().FindMenu(kMainMenu);
  ASSERT_NE(m, nullptr);
  const std::pair<uint16_t, const char*> items[] = {
      {16635, "&Open"},           {18683, "&Save Set to file"},
      {20731, "&Save All Sets to file"}, {124, "&Profiles to Notepad"},
      {5535, "E&xit"},            {107, "&Update Firmware"},
      {123, "Total Clear/Reset"}, {24692, "Milliseconds"},
      {24948, "Degrees, Gear ratio 1:1"}, {126, "Test Device Settings"},
      {6, "&About"}};
  for (const auto& [id, text] : items) {
    const platform::MenuItem* item = m->Find(id);
    ASSERT_NE(item, nullptr) << id;
    EXPECT_EQ(item->text, text);
    EXPECT_EQ(item->checked, id == 24948) << id;
  }
  ASSERT_EQ(m->items.size(), 3u);
  EXPECT_EQ(m->items[2].text, "&Help");
  EXPECT_TRUE(m->items[2].rightAligned);
}

TEST(Templates, ProfilePageBindsEverySettingToItsWordWithItsCaption) {
  const DialogTemplate& t = Dialog(kProfilePage);
  EXPECT_EQ(t.place.width, 595);
  EXPECT_EQ(t.place.height, 217);

  const std::pair<uint16_t, const char*> selectors[] = {
      {0xC000, "Camera Model"}, {0xC001, "Program"},        {0xC002, "Control Method"},
      {0xC004, "Focus"},        {0xC005, "Control mode"},   {0xC006, "Tv"},
      {0xC007, "Av"},           {0xC108, "ISO Speed"},      {0xC00A, "Total Shots"},
      {0xC00B, "Interval"},     {0xC00E, "W. Balance"},     {0xC00F, "Image Size"},
      {0xC010, "Quality"},      {0xC018, "Idle"},           {0xC019, "Half push"},
      {0xC01A, "Full push"},    {0xC01B, "Number of shots"}, {0xC01C, "Delay before"},
      {0xC01D, "Delay after"},  {0xC01E, "Battery cutoff voltage"},
      {0xC01F, "Action startup delay"}, {0xC026, "Pause"}};
  for (const auto& [id, caption] : selectors) {
    ExpectControl(t, id, ControlClass::ComboBox, "");
    EXPECT_TRUE(HasLabel(t, caption)) << caption;
  }

  // Track bars with their value labels (same word, kind bits clear).
  const std::pair<uint16_t, const char*> tracks[] = {
      {0x8009, "Zoom"},        {0x8711, "Next \xC2\xB1Position"}, {0x8712, "Apply time"},
      {0x8713, "#1"},          {0x8714, "#2"},  {0x8715, "#3"},  {0x8716, "#4"},
      {0x8717, "#5"},          {0x8721, "Starting Position"},   {0x8722, "Total Steps"},
      {0x8725, "Apply time"}};
  for (const auto& [id, caption] : tracks) {
    ExpectControl(t, id, ControlClass::TrackBar, "");
    ExpectControl(t, static_cast<uint16_t>(id & 0x3FFF), ControlClass::Static, "");
    EXPECT_TRUE(HasLabel(t, caption)) << caption;
  }
  ExpectControl(t, profile_page::kStartCaption, ControlClass::Static, "Starting Position");

  const std::pair<uint16_t, const char*> options[] = {
      {0x500D, "360\xC2\xB0"},
      {0x580D, "Liveview on LCD (disables video out in Canon PS cameras)"},
      {0x600D, "Lens and video off after 3 min idle until user involve (saves camera's battery)"},
      {0x680D, "Open lens only at shoot command (saves camera's battery during idle)"},
      {0x700D, "Wait Channel0 or button event before open lens (green LED blinks when waiting)"},
      {0x780D, "Full automatic shooting, ignores manual settings (lens opens only at shoot)"}};
  for (const auto& [id, text] : options) ExpectControl(t, id, ControlClass::CheckBox, text);

  const std::pair<uint16_t, const char*> groups[] = {
      {101, "Camera Settings"},   {254, "Device Settings"},   {2302, "Extra Settings (USB/PTP)"},
      {6398, "'Finger' Servo"},   {8446, "Shooting at Step"}, {10494, "Tilt Servo Positions"},
      {12542, "Pan Servo"},       {14590, "Intervalometer"}};
  for (const auto& [id, text] : groups) ExpectControl(t, id, ControlClass::GroupBox, text);

  ExpectControl(t, profile_page::kTestCh0, ControlClass::PushButton, "|> CH0");
  ExpectControl(t, profile_page::kTestCh2, ControlClass::PushButton, "|> CH2");
  for (uint16_t id = 16403; id <= 16410; ++id) ExpectControl(t, id, ControlClass::PushButton, "|>");
  ExpectControl(t, profile_page::kDefaults, ControlClass::PushButton, "Defaults");
  ASSERT_NE(t.Find(profile_page::kLedCaption), nullptr);
  for (uint16_t id : profile_page::kLedPictures) {
    ASSERT_NE(t.Find(id), nullptr) << id;
    EXPECT_EQ(t.Find(id)->cls, ControlClass::Picture);
  }
}

// The kind bits of an id decide how the editor treats the control, so a
// control whose class disagrees with its id would be edited wrongly.
TEST(Templates, ProfilePageControlClassesAgreeWithTheirIdentifiers) {
  for (const ControlTemplate& c : Dialog(kProfilePage).controls) {
    if (c.id == platform::kUnnamedControl) continue;
    const unsigned kind = c.id >> 14;
    if (c.cls == ControlClass::ComboBox) {
      EXPECT_EQ(kind, 3u) << c.id;
    }
    if (c.cls == ControlClass::TrackBar) {
      EXPECT_EQ(kind, 2u) << c.id;
    }
    if (c.cls == ControlClass::CheckBox) {
      EXPECT_EQ(kind, 1u) << c.id;
    }
    if (kind == 3) {
      EXPECT_EQ(c.cls, ControlClass::ComboBox) << c.id;
    }
    if (kind == 2) {
      EXPECT_EQ(c.cls, ControlClass::TrackBar) << c.id;
    }
  }
}

// A tidy page: no two controls overlap except inside their group boxes.
TEST(Templates, ProfilePageControlsDoNotOverlap) {
  const DialogTemplate& t = Dialog(kProfilePage);
  auto overlap = [](const Rect& a, const Rect& b) {
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height &&
           b.y < a.y + a.height;
  };
  for (size_t i = 0; i < t.controls.size(); ++i) {
    for (size_t j = i + 1; j < t.controls.size(); ++j) {
      const ControlTemplate& a = t.controls[i];
      const ControlTemplate& b = t.controls[j];
      if (a.cls == ControlClass::GroupBox && b.cls == ControlClass::GroupBox) {
        EXPECT_FALSE(overlap(a.place, b.place)) << a.text << " / " << b.text;
      } else if (a.cls != ControlClass::GroupBox && b.cls != ControlClass::GroupBox) {
        EXPECT_FALSE(overlap(a.place, b.place))
            << a.id << " \"" << a.text << "\" / " << b.id << " \"" << b.text << "\"";
      }
    }
  }
}

TEST(Templates, DebugPageAndSmallWindowsHaveTheirControls) {
  const DialogTemplate& d = Dialog(kDebugPage);
  EXPECT_EQ(d.place.width, 595);
  EXPECT_EQ(d.place.height, 206);
  namespace dp = debug_page;
  ExpectControl(d, dp::kMessages, ControlClass::ListBox, "");
  ExpectControl(d, dp::kClear, ControlClass::PushButton, "Clear");
  ExpectControl(d, dp::kTestOutput, ControlClass::TrackBar, "");
  ExpectControl(d, dp::kUnitCaption, ControlClass::Static, "ms");
  ExpectControl(d, dp::kFirmwareFile, ControlClass::Edit, "");
  ExpectControl(d, dp::kBrowse, ControlClass::PushButton, "Browse");
  ExpectControl(d, dp::kFlash, ControlClass::PushButton, "Flash");
  ExpectControl(d, dp::kInfrared, ControlClass::PushButton, "IR");
  ExpectControl(d, dp::kWifi, ControlClass::CheckBox, "Wifi");
  ExpectControl(d, dp::kFlashBootloader, ControlClass::PushButton, "Flash Bootloader");
  ExpectControl(d, dp::kPtpLog, ControlClass::PushButton, "PTPLOG");
  ExpectControl(d, dp::kReset, ControlClass::PushButton, "Reset");
  ExpectControl(d, dp::kDebugInfo, ControlClass::PushButton, "DebugInfo");
  EXPECT_TRUE(d.Find(dp::kDebugInfo)->style & platform::style::kHidden);
  ExpectControl(d, dp::kGetMessages, ControlClass::CheckBox, "Get Messages");
  EXPECT_EQ(d.Find(dp::kMessages)->place, (Rect{4, 22, 464, 182}));
  EXPECT_TRUE(HasLabel(d, "Firmware:"));

  const DialogTemplate& p = Dialog(kProgressWindow);
  EXPECT_EQ(p.caption, "USB Flash Upgrade");
  ExpectControl(p, kProgressText, ControlClass::Static, "");
  ExpectControl(p, kProgressBar, ControlClass::ProgressBar, "");

  const DialogTemplate& a = Dialog(kAboutBox);
  ExpectControl(a, kAboutText, ControlClass::Static, "");
  ExpectControl(a, platform::kIdOk, ControlClass::PushButton, "Ok");
}

TEST(Templates, StaticsCarryTheColourScheme) {
  const DialogTemplate& page = Dialog(kProfilePage);
  for (int group : {101, 254, 2302, 6398, 8446, 10494, 12542, 14590}) {
    EXPECT_EQ(page.Find(static_cast<uint16_t>(group))->colours, colours::Caption()) << group;
  }
  for (int id : {1809, 1810, 1825, 1826}) {
    EXPECT_EQ(page.Find(static_cast<uint16_t>(id))->colours.background, colours::kPanLabels) << id;
  }
  for (int id : {1811, 1812, 1813, 1814, 1815, 1829}) {
    EXPECT_EQ(page.Find(static_cast<uint16_t>(id))->colours.background, colours::kTiltLabels) << id;
  }
  EXPECT_EQ(page.Find(profile_page::kLedCaption)->colours.background, colours::kLedCaption);
  // Everything else keeps the default colours; the zoom text is no servo label.
  EXPECT_EQ(page.Find(0x0009)->colours, platform::ControlColours{});
  EXPECT_EQ(page.Find(0xC000)->colours, platform::ControlColours{});

  const DialogTemplate& main = Dialog(kMainWindow);
  EXPECT_EQ(main.Find(main_window::kNoteLabel)->colours, colours::Caption());
  EXPECT_EQ(main.Find(main_window::kStatus)->colours.background, colours::kStatusOk);
  // The Debug page's "Clear" shares an id with a group box but is a button.
  EXPECT_EQ(Dialog(kDebugPage).Find(debug_page::kClear)->colours, platform::ControlColours{});
}

TEST(Templates, LedPicturesAreSevenByEight) {
  for (uint16_t id : {kLedGreen, kLedRed, kLedDark}) {
    const platform::Bitmap* b = BuiltInTemplates().FindBitmap(id);
    ASSERT_NE(b, nullptr) << id;
    EXPECT_EQ(b->width, 7);
    EXPECT_EQ(b->height, 8);
    EXPECT_EQ(b->pixels.size(), 56u);
  }
  // Lit and dark must be told apart at a glance: the centres differ.
  const auto centre = [](uint16_t id) { return BuiltInTemplates().FindBitmap(id)->pixels[4 * 7 + 3]; };
  EXPECT_NE(centre(kLedRed), centre(kLedDark));
  EXPECT_NE(centre(kLedGreen), centre(kLedDark));
}

}  // namespace
}  // namespace vt::resources
