#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/ui/ui_types.h"

namespace vt::platform {

// One control of a dialog template. Places are in dialog units relative to
// the dialog's client area (as a Win32 resource script gives them).
struct ControlTemplate {
  uint16_t id = kUnnamedControl;
  ControlClass cls = ControlClass::Static;
  Rect place;
  std::string text;
  uint32_t style = 0;          // style:: bits
  uint16_t bitmapId = 0;       // Picture: the bitmap shown at creation, 0 none
  int listHeight = 0;          // ComboBox: height of the dropped list
  ControlColours colours;      // colours at creation; defaults when empty
};

// A window described as data. Every Ui implementation builds its windows
// from these, so the headless and the desktop panel agree on every id.
struct DialogTemplate {
  uint16_t id = 0;
  std::string caption;
  std::string font;            // face name
  int fontPoint = 0;
  uint16_t menuId = 0;         // 0: no menu
  Rect place;                  // position and client size in dialog units
  uint32_t style = 0;          // style:: window bits
  std::vector<ControlTemplate> controls;

  // The first control with this id, or nullptr.
  const ControlTemplate* Find(uint16_t controlId) const;
};

struct MenuItem {
  std::string text;            // "&Open"; empty text with id 0 is a separator
  uint16_t id = 0;             // 0 for pop-ups and separators
  bool checked = false;        // check mark in the template
  bool rightAligned = false;   // top-level pop-up drawn at the right edge
  std::vector<MenuItem> items; // non-empty: a pop-up
};

struct MenuTemplate {
  uint16_t id = 0;
  std::vector<MenuItem> items;

  // The item (at any depth) with this command id, or nullptr.
  const MenuItem* Find(uint16_t itemId) const;
};

// A small picture resource, pixels top row first.
struct Bitmap {
  uint16_t id = 0;
  int width = 0;
  int height = 0;
  std::vector<Rgb> pixels;     // width * height
};

// The resources a Ui builds windows from, looked up by resource id.
class TemplateCatalog {
 public:
  virtual ~TemplateCatalog() = default;
  virtual const DialogTemplate* FindDialog(uint16_t id) const = 0;
  virtual const MenuTemplate* FindMenu(uint16_t id) const = 0;
  virtual const Bitmap* FindBitmap(uint16_t id) const = 0;
};

// A catalog over plain vectors; the resources library fills one.
class TemplateList final : public TemplateCatalog {
 public:
  std::vector<DialogTemplate> dialogs;
  std::vector<MenuTemplate> menus;
  std::vector<Bitmap> bitmaps;

  const DialogTemplate* FindDialog(uint16_t id) const override;
  const MenuTemplate* FindMenu(uint16_t id) const override;
  const Bitmap* FindBitmap(uint16_t id) const override;
};

}  // namespace vt::platform
