#pragma once

#include <string>
#include <utility>

#include "platform/ui/dialog_template.h"

// Shorthand for writing templates the way a resource script reads:
// id, class, x, y, width, height, text, style.
namespace vt::resources::detail {

inline platform::ControlTemplate Control(uint16_t id, platform::ControlClass cls, int x, int y,
                                         int width, int height, std::string text = {},
                                         uint32_t style = 0) {
  platform::ControlTemplate control;
  control.id = id;
  control.cls = cls;
  control.place = {x, y, width, height};
  control.text = std::move(text);
  control.style = style;
  return control;
}

inline platform::ControlTemplate Label(int x, int y, int width, int height, std::string text,
                                       uint32_t style = 0) {
  return Control(platform::kUnnamedControl, platform::ControlClass::Static, x, y, width, height,
                 std::move(text), style);
}

inline platform::ControlTemplate Selector(uint16_t id, int x, int y, int width,
                                          int listHeight = 120) {
  platform::ControlTemplate control =
      Control(id, platform::ControlClass::ComboBox, x, y, width, 12, {}, platform::style::kVScroll);
  control.listHeight = listHeight;
  return control;
}

}  // namespace vt::resources::detail
