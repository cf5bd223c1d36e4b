#include "resources/resource_ids.h"
#include "shell/settings_window.h"

namespace vt::shell {

namespace {

namespace pp = resources::profile_page;

void AddPageToolTips(platform::Ui& ui, platform::WindowHandle page) {
  ui.AddToolTip(page, pp::kTestCh0, "Apply chosen value to CH0 servo (hardware test)");
  ui.AddToolTip(page, pp::kTestCh2, "Apply chosen value to CH2 servo (hardware test)");
  for (uint16_t k = 0; k < 5; ++k) {
    ui.AddToolTip(page, static_cast<uint16_t>(pp::kTestTilt1 + k),
                  "Apply chosen value to CH1 servo (hardware test)");
  }
  for (uint16_t k = 0; k < 3; ++k) {
    ui.AddToolTip(page, static_cast<uint16_t>(pp::kTestFingerIdle + k),
                  "Apply chosen value to CH2/CH3 finger servo (hardware test)");
  }
  ui.AddToolTip(page, pp::kLedCaption,
                "LED indicators on Velotrack board shows this combination when profile is "
                "selected");
}

// The board shows the selected set number n in binary on its three red LEDs
// (first LED = bit 0); the fourth, green, is always lit.
void ShowSetLeds(platform::Ui& ui, platform::WindowHandle page, int setNumber) {
  for (int bit = 0; bit < 3; ++bit) {
    const bool lit = (setNumber >> bit) & 1;
    ui.SetPicture(page, pp::kLedPictures[bit], lit ? resources::kLedRed : resources::kLedDark);
  }
  ui.SetPicture(page, pp::kLedPictures[3], resources::kLedGreen);
}

}  // namespace

void InitToolTips(platform::Ui& ui, platform::WindowHandle mainWindow, const PageTable& pages) {
  ui.AddToolTip(mainWindow, resources::main_window::kSerial, "Serial number of the Velotrack");
  ui.AddToolTip(mainWindow, resources::main_window::kFirmware,
                "Firmware version of the Velotrack");
  for (int i = 0; i < kSetPages; ++i) {
    const platform::WindowHandle page = pages[static_cast<size_t>(i)];
    if (page == platform::kNoWindow) continue;
    AddPageToolTips(ui, page);
    ShowSetLeds(ui, page, i + 1);
  }
  // The Debug page's two controls without a caption; the tooltip names them
  // for screen readers as well.
  if (const platform::WindowHandle debug = pages[kDebugSlot]; debug != platform::kNoWindow) {
    namespace dp = resources::debug_page;
    ui.AddToolTip(debug, dp::kMessages, "Messages from the Velotrack");
    ui.AddToolTip(debug, dp::kTestOutput, "Test output pulse width (hardware test)");
  }
}

}  // namespace vt::shell
