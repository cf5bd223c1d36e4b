#pragma once

// Measures what a window's controls show against the room they have, with
// the control's own font, as the control draws it.

#include <windows.h>

#include <string>
#include <vector>

namespace vt::platform::win32 {

struct ClippedText {
  int id = 0;
  std::wstring text;
  int need = 0;  // pixels the text takes (its height for wrapped labels)
  int have = 0;  // pixels the control has for it
};

// Every label, button, check box and group box among `dialog`'s children,
// and every item of its drop-down lists (in the dropped list), whose text
// does not fit whole.
std::vector<ClippedText> ClippedTexts(HWND dialog);

std::string Describe(const std::vector<ClippedText>& clipped);

}  // namespace vt::platform::win32
