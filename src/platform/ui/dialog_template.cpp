#include "platform/ui/dialog_template.h"

namespace vt::platform {

namespace {

const MenuItem* FindIn(const std::vector<MenuItem>& items, uint16_t itemId) {
  for (const MenuItem& item : items) {
    if (item.items.empty()) {
      if (item.id == itemId && item.id != 0) return &item;
    } else if (const MenuItem* found = FindIn(item.items, itemId)) {
      return found;
    }
  }
  return nullptr;
}

}  // namespace

const ControlTemplate* DialogTemplate::Find(uint16_t controlId) const {
  for (const ControlTemplate& control : controls) {
    if (control.id == controlId) return &control;
  }
  return nullptr;
}

const MenuItem* MenuTemplate::Find(uint16_t itemId) const {
  return FindIn(items, itemId);
}

const DialogTemplate* TemplateList::FindDialog(uint16_t id) const {
  for (const DialogTemplate& dialog : dialogs) {
    if (dialog.id == id) return &dialog;
  }
  return nullptr;
}

const MenuTemplate* TemplateList::FindMenu(uint16_t id) const {
  for (const MenuTemplate& menu : menus) {
    if (menu.id == id) return &menu;
  }
  return nullptr;
}

const Bitmap* TemplateList::FindBitmap(uint16_t id) const {
  for (const Bitmap& bitmap : bitmaps) {
    if (bitmap.id == id) return &bitmap;
  }
  return nullptr;
}

}  // namespace vt::platform
