#pragma once

// What a settings page shows, as plain text: every field's caption, the
// text on screen (selector item, value label or check mark) and whether the
// control is usable. The command line prints and compares these.

#include <string>
#include <vector>

#include "editor/settings_editor.h"

namespace vt::profiles {

struct ShownField {
  std::string name;   // the caption on the page
  std::string text;   // what the control shows
  bool enabled = true;
};

// The fields of set 0..6 in page order.
std::vector<ShownField> ShowPage(SettingsEditor& editor, int setIndex);
// The main window's fields: default profile and servo units.
std::vector<ShownField> ShowMainWindow(SettingsEditor& editor);

}  // namespace vt::profiles
