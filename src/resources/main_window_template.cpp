// The main window (300) and its menu (10).
#include "resources/colour_rule.h"
#include "resources/template_builder.h"
#include "resources/templates.h"

namespace vt::resources {

using platform::ControlClass;
using detail::Control;
using detail::Label;
namespace st = platform::style;

platform::DialogTemplate MainWindowTemplate() {
  namespace mw = main_window;
  platform::DialogTemplate t;
  t.id = kMainWindow;
  t.caption = "Velotrack Configuration Panel (ver.2.6.%d)";
  t.font = "MS Sans Serif";
  t.fontPoint = 6;
  t.menuId = kMainMenu;
  t.place = {16, 7, 607, 274};
  t.style = st::kPopup | st::kCaption | st::kSysMenu | st::kMinimizeBox | st::kModalFrame |
            st::kCentreOnScreen;
  const uint32_t field = st::kCentre | st::kSunken;
  t.controls = {
      Control(mw::kTabs, ControlClass::TabControl, 3, 4, 600, 235),
      Control(mw::kGetMessages, ControlClass::CheckBox, 333, 4, 65, 9, "Get Messages"),
      Control(mw::kNoteLabel, ControlClass::Static, 4, 247, 18, 9, "Note:"),
      Label(23, 247, 131, 10, "Use arrow keys to fine tune servo sliders"),
      Label(251, 246, 48, 10, "Default Profile:"),
      detail::Selector(mw::kDefaultProfile, 301, 244, 27),
      Control(mw::kGetSettings, ControlClass::PushButton, 340, 243, 104, 14,
              "Get settings from Velotrack"),
      Control(mw::kSaveSettings, ControlClass::PushButton, 446, 243, 104, 14,
              "Save settings to Velotrack"),
      Control(mw::kQuit, ControlClass::PushButton, 566, 243, 37, 14, "Quit"),
      Control(mw::kPcMode, ControlClass::Static, 2, 263, 67, 10, "PC Mode", field),
      Control(mw::kStatus, ControlClass::Static, 70, 263, 84, 10, "...", field),
      Control(mw::kBoardMessage, ControlClass::Static, 155, 263, 170, 10, "", field),
      Control(mw::kSerial, ControlClass::Static, 326, 263, 139, 10, "", field),
      Control(mw::kFirmware, ControlClass::Static, 466, 263, 138, 10, "Firmware version: ?", field),
      Control(platform::kUnnamedControl, ControlClass::EtchedLine, -1, -4, 640, 4),
      // Kept from an older layout below the client area and never shown; the
      // button still carries the firmware-update-from-file command.
      Control(mw::kStatusGroup, ControlClass::GroupBox, 4, 290, 150, 40, "Status", st::kHidden),
      Label(10, 302, 24, 9, "Mode:", st::kHidden),
      Control(mw::kModeField, ControlClass::Static, 36, 302, 110, 10, "", field | st::kHidden),
      Control(mw::kHiddenField, ControlClass::Static, 10, 316, 136, 10, "", field | st::kHidden),
      Control(mw::kUpdateFirmware, ControlClass::PushButton, 160, 290, 64, 14, "Update Firmware",
              st::kHidden),
  };
  for (platform::ControlTemplate& c : t.controls) {
    if (c.id == mw::kNoteLabel) c.colours = colours::Caption();
    if (c.id == mw::kStatus) c.colours = colours::Status(false);
  }
  return t;
}

platform::MenuTemplate MainMenuTemplate() {
  using platform::MenuItem;
  auto item = [](const char* text, uint16_t id, bool checked = false) {
    MenuItem m;
    m.text = text;
    m.id = id;
    m.checked = checked;
    return m;
  };
  auto popup = [](const char* text, std::vector<MenuItem> items, bool right = false) {
    MenuItem m;
    m.text = text;
    m.items = std::move(items);
    m.rightAligned = right;
    return m;
  };
  platform::MenuTemplate t;
  t.id = kMainMenu;
  t.items = {
      popup("&File", {item("&Open", menu::kOpen), item("&Save Set to file", menu::kSaveSet),
                      item("&Save All Sets to file", menu::kSaveAllSets),
                      item("&Profiles to Notepad", menu::kProfilesToNotepad),
                      item("E&xit", menu::kExit)}),
      popup("&Tools", {item("&Update Firmware", menu::kUpdateFirmware),
                       item("Total Clear/Reset", menu::kTotalClear),
                       popup("Servo Units...", {item("Milliseconds", menu::kMilliseconds),
                                                item("Degrees, Gear ratio 1:1", menu::kDegrees,
                                                     true)}),
                       item("Test Device Settings", menu::kTestDeviceSettings)}),
      popup("&Help", {item("&About", menu::kAbout)}, true),
  };
  return t;
}

}  // namespace vt::resources
