#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/ui/dialog_template.h"

namespace vt::platform::win32 {

// A window class for a template control: one of the predefined dialog
// classes by ordinal (button 0x80, edit 0x81, static 0x82, list box 0x83,
// combo box 0x85) or a common control by name, with the style bits the
// control class needs.
struct ControlClassStyle {
  uint16_t atom = 0;              // 0 when `name` is used
  const wchar_t* name = nullptr;  // common control class, nullptr with an atom
  uint32_t style = 0;             // WS_*, and the class's own bits
  uint32_t exStyle = 0;           // WS_EX_*
};

ControlClassStyle ClassStyleFor(const ControlTemplate& control);

// Window style of a dialog built from `tpl`. WS_VISIBLE is never set: the
// Ui shows windows itself once they are filled in.
uint32_t DialogStyleFor(const DialogTemplate& tpl);
uint32_t DialogExStyleFor(const DialogTemplate& tpl);

// A combo box's template height covers its dropped list as well.
int TemplateHeightOf(const ControlTemplate& control);

// A DLGTEMPLATEEX with its items, laid out in memory the way
// CreateDialogIndirectParam and DialogBoxIndirectParam read it: words,
// every item DWORD aligned from the start, the font given by the template
// (DS_SETFONT), the menu left out (the Ui attaches its own).
class MemoryTemplate {
 public:
  // Empty with `error` set when the template cannot be expressed: more
  // controls than a template counts, or a place outside the 16-bit range.
  static MemoryTemplate Build(const DialogTemplate& tpl, std::string* error);

  bool Empty() const { return words_.empty(); }
  const void* Data() const { return words_.data(); }
  size_t SizeBytes() const { return words_.size() * sizeof(uint16_t); }

 private:
  // uint16_t storage from operator new is aligned far beyond a DWORD.
  std::vector<uint16_t> words_;
};

}  // namespace vt::platform::win32
