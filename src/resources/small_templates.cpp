// The Debug page (303), the About box (301) and the progress window (10000).
#include "resources/template_builder.h"
#include "resources/templates.h"

namespace vt::resources {

using platform::ControlClass;
using detail::Control;
using detail::Label;
namespace st = platform::style;

platform::DialogTemplate DebugPageTemplate() {
  namespace dp = debug_page;
  platform::DialogTemplate t;
  t.id = kDebugPage;
  t.font = "MS Sans Serif";
  t.fontPoint = 6;  // the main window's font: pages share its dialog units
  t.place = {0, 0, 595, 206};
  t.style = st::kChild | st::kHidden;
  t.controls = {
      Control(dp::kMessages, ControlClass::ListBox, 4, 22, 464, 182, "",
              st::kNotify | st::kVScroll | st::kBorder),
      Control(dp::kClear, ControlClass::PushButton, 7, 4, 37, 14, "Clear"),
      Control(dp::kTestOutput, ControlClass::TrackBar, 153, 1, 92, 18, "", st::kAutoTicks),
      Control(dp::kUnitCaption, ControlClass::Static, 253, 6, 33, 11, "ms", st::kBorder),
      Label(306, 6, 32, 9, "Firmware:"),
      Control(dp::kFirmwareFile, ControlClass::Edit, 340, 4, 184, 13, "", st::kBorder),
      Control(dp::kBrowse, ControlClass::PushButton, 528, 4, 28, 14, "Browse"),
      Control(dp::kFlash, ControlClass::PushButton, 558, 4, 28, 14, "Flash"),
      Control(dp::kInfrared, ControlClass::PushButton, 558, 20, 28, 14, "IR"),
      Control(dp::kWifi, ControlClass::CheckBox, 500, 39, 28, 9, "Wifi"),
      Control(dp::kFlashBootloader, ControlClass::PushButton, 529, 36, 57, 14, "Flash Bootloader"),
      Control(dp::kPtpLog, ControlClass::PushButton, 529, 52, 59, 14, "PTPLOG"),
      Control(dp::kReset, ControlClass::PushButton, 529, 68, 59, 14, "Reset"),
      Control(dp::kDebugInfo, ControlClass::PushButton, 508, 108, 37, 14, "DebugInfo", st::kHidden),
      // Below the page's visible area; the main window's box of the same id
      // is the one that counts.
      Control(dp::kGetMessages, ControlClass::CheckBox, 51, 216, 65, 9, "Get Messages"),
  };
  return t;
}

platform::DialogTemplate AboutBoxTemplate() {
  platform::DialogTemplate t;
  t.id = kAboutBox;
  t.caption = "About";
  t.font = "MS Sans Serif";
  t.fontPoint = 8;
  t.place = {0, 0, 180, 86};
  t.style = st::kPopup | st::kCaption | st::kSysMenu | st::kModalFrame | st::kCentreOnScreen;
  t.controls = {
      Control(kAboutText, ControlClass::Static, 10, 10, 160, 34, "", st::kCentre),
      Label(10, 48, 160, 9, "Settings and firmware tool for Velotrack boards", st::kCentre),
      Control(platform::kIdOk, ControlClass::PushButton, 65, 64, 50, 14, "Ok"),
  };
  return t;
}

platform::DialogTemplate ProgressWindowTemplate() {
  platform::DialogTemplate t;
  t.id = kProgressWindow;
  t.caption = "USB Flash Upgrade";
  t.font = "MS Sans Serif";
  t.fontPoint = 8;
  t.place = {0, 0, 200, 46};
  t.style = st::kPopup | st::kCaption | st::kModalFrame | st::kCentreOnScreen;
  t.controls = {
      Control(kProgressText, ControlClass::Static, 8, 8, 184, 10, ""),
      Control(kProgressBar, ControlClass::ProgressBar, 8, 24, 184, 12, "", st::kBorder),
  };
  return t;
}

}  // namespace vt::resources
