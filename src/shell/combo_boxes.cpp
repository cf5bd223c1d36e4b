#include <string>

#include "resources/resource_ids.h"
#include "shell/settings_window.h"

namespace vt::shell {

void InitComboBoxes(platform::Ui& ui, platform::WindowHandle mainWindow) {
  const uint16_t list = resources::main_window::kDefaultProfile;
  ui.ClearSelector(mainWindow, list);
  for (int i = 0; i < kSetPages; ++i) {
    ui.AddSelectorItem(mainWindow, list, "#" + std::to_string(i + 1), i);
  }
  ui.SelectIndex(mainWindow, list, 0);
}

}  // namespace vt::shell
