// QtUi: finding controls and the operations every control has: text, check,
// enabling, showing, colours, pictures, tooltips and the menu's marks.
// Changes made here never raise events: the widgets' signals are blocked
// while the program changes them.
#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

#include "platform/qt/picture.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/qt_ui.h"
#include "platform/qt/qt_widgets.h"
#include "platform/qt/readable_palette.h"

namespace vt::platform::qt {

namespace {

QColor ToColor(const Rgb& c) { return QColor(c.r, c.g, c.b); }

}  // namespace

QtUi::WindowEntry* QtUi::FindWindow(WindowHandle window) {
  auto it = windows_.find(window);
  return it == windows_.end() ? nullptr : &it->second;
}

const QtUi::WindowEntry* QtUi::FindWindow(WindowHandle window) const {
  auto it = windows_.find(window);
  return it == windows_.end() ? nullptr : &it->second;
}

QtUi::ControlEntry* QtUi::Find(WindowHandle window, uint16_t id) {
  WindowEntry* entry = FindWindow(window);
  if (entry == nullptr || id == kUnnamedControl) return nullptr;
  for (ControlEntry& control : entry->controls) {
    if (control.id == id && control.widget) return &control;
  }
  return nullptr;
}

const QtUi::ControlEntry* QtUi::Find(WindowHandle window, uint16_t id) const {
  return const_cast<QtUi*>(this)->Find(window, id);
}

QWidget* QtUi::ControlWidget(WindowHandle window, uint16_t id) const {
  const ControlEntry* control = Find(window, id);
  return control ? control->widget.data() : nullptr;
}

// ---- Any control --------------------------------------------------------------

bool QtUi::HasControl(WindowHandle window, uint16_t id) const { return Find(window, id) != nullptr; }

std::vector<uint16_t> QtUi::ControlIds(WindowHandle window) const {
  std::vector<uint16_t> ids;
  if (const WindowEntry* entry = FindWindow(window)) {
    for (const ControlEntry& control : entry->controls) {
      if (control.id != kUnnamedControl) ids.push_back(control.id);
    }
  }
  return ids;
}

std::optional<ControlClass> QtUi::ClassOf(WindowHandle window, uint16_t id) const {
  const ControlEntry* control = Find(window, id);
  if (control == nullptr) return std::nullopt;
  return control->cls;
}

Rect QtUi::GetControlRect(WindowHandle window, uint16_t id) const {
  const ControlEntry* control = Find(window, id);
  return control ? control->place : Rect{};
}

std::string QtUi::GetText(WindowHandle window, uint16_t id) const {
  const ControlEntry* control = Find(window, id);
  if (control == nullptr) return {};
  QWidget* w = control->widget.data();
  switch (control->cls) {
    case ControlClass::Static: return FromQ(static_cast<QLabel*>(w)->text());
    case ControlClass::GroupBox: return FromQ(static_cast<QGroupBox*>(w)->title());
    case ControlClass::PushButton:
    case ControlClass::CheckBox: return FromQ(static_cast<QAbstractButton*>(w)->text());
    case ControlClass::Edit: return FromQ(static_cast<QLineEdit*>(w)->text());
    // A drop-down list's text is its selected item.
    case ControlClass::ComboBox: return FromQ(static_cast<QComboBox*>(w)->currentText());
    default: return control->text;
  }
}

void QtUi::SetText(WindowHandle window, uint16_t id, const std::string& text) {
  ControlEntry* control = Find(window, id);
  if (control == nullptr) return;
  QWidget* w = control->widget.data();
  const QSignalBlocker block(w);
  control->text = text;
  switch (control->cls) {
    case ControlClass::Static: {
      // The poll sets the same status and message texts many times a
      // second: an unchanged text is not laid out and painted again.
      auto* label = static_cast<QLabel*>(w);
      const QString shown = ToQ(text);
      if (label->text() == shown) break;
      label->setText(shown);
      if (auto* field = dynamic_cast<FieldLabel*>(w)) field->Refit();
      break;
    }
    case ControlClass::GroupBox: static_cast<QGroupBox*>(w)->setTitle(ToQ(text)); break;
    case ControlClass::PushButton:
    case ControlClass::CheckBox: static_cast<QAbstractButton*>(w)->setText(ToQ(text)); break;
    case ControlClass::Edit: static_cast<QLineEdit*>(w)->setText(ToQ(text)); break;
    default: break;
  }
}

bool QtUi::IsChecked(WindowHandle window, uint16_t id) const {
  const auto* box = WidgetOf<QCheckBox>(window, id, ControlClass::CheckBox);
  return box != nullptr && box->isChecked();
}

void QtUi::SetCheck(WindowHandle window, uint16_t id, bool checked) {
  if (auto* box = WidgetOf<QCheckBox>(window, id, ControlClass::CheckBox)) {
    const QSignalBlocker block(box);
    box->setChecked(checked);
  }
}

bool QtUi::IsEnabled(WindowHandle window, uint16_t id) const {
  const ControlEntry* control = Find(window, id);
  return control != nullptr && !control->widget->testAttribute(Qt::WA_ForceDisabled);
}

void QtUi::Enable(WindowHandle window, uint16_t id, bool enable) {
  if (ControlEntry* control = Find(window, id)) control->widget->setEnabled(enable);
}

bool QtUi::IsVisible(WindowHandle window, uint16_t id) const {
  const ControlEntry* control = Find(window, id);
  return control != nullptr && !control->widget->isHidden();
}

void QtUi::Show(WindowHandle window, uint16_t id, bool show) {
  if (ControlEntry* control = Find(window, id)) control->widget->setVisible(show);
}

ControlColours QtUi::GetColours(WindowHandle window, uint16_t id) const {
  const ControlEntry* control = Find(window, id);
  return control ? control->colours : ControlColours{};
}

void QtUi::SetColours(WindowHandle window, uint16_t id, const ControlColours& colours) {
  ControlEntry* control = Find(window, id);
  if (control == nullptr || control->colours == colours) return;
  control->colours = colours;
  ApplyColours(*control);
}

void QtUi::ApplyColours(ControlEntry& control) {
  QWidget* w = control.widget.data();
  QPalette palette = QApplication::palette(w);
  const ControlColours& c = control.colours;
  if (c.text) {
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
      palette.setColor(QPalette::Active, role, ToColor(*c.text));
      palette.setColor(QPalette::Inactive, role, ToColor(*c.text));
    }
  }
  bool fill = false;
  if (c.background) {
    palette.setColor(QPalette::Window, ToColor(*c.background));
    fill = true;
  } else if (c.systemFaceBackground) {
    palette.setColor(QPalette::Window, palette.color(QPalette::Button));
    fill = true;
  }
  // A group box's background brush is only behind its caption, which is the
  // dialog's colour anyway; filling would paint over what it frames.
  if (control.cls == ControlClass::GroupBox) fill = false;
  // A fixed text colour or background must still leave the text readable on
  // a dark desktop palette (and a light one).
  w->setPalette(ReadablePalette(palette));
  w->setAutoFillBackground(fill);
  w->update();
}

// ---- Pictures, tooltips, menu -------------------------------------------------------

void QtUi::SetPicture(WindowHandle window, uint16_t id, uint16_t bitmapId) {
  ControlEntry* control = Find(window, id);
  if (control == nullptr || control->cls != ControlClass::Picture) return;
  control->picture = bitmapId;
  auto* label = static_cast<QLabel*>(control->widget.data());
  if (const Bitmap* bitmap = catalog_.FindBitmap(bitmapId)) {
    label->setPixmap(PictureFor(*bitmap, units_.ToPixels(control->place)));
  } else {
    label->clear();
  }
}

uint16_t QtUi::PictureOf(WindowHandle window, uint16_t id) const {
  const ControlEntry* control = Find(window, id);
  return control != nullptr && control->cls == ControlClass::Picture ? control->picture : 0;
}

bool QtUi::AddToolTip(WindowHandle window, uint16_t id, const std::string& text) {
  ControlEntry* control = Find(window, id);
  if (control == nullptr) return false;
  control->toolTip = text;
  control->widget->setToolTip(ToQ(text));
  // A control with no caption of its own is named by its tooltip.
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control->widget);
  if (accessible != nullptr && accessible->text(QAccessible::Name).isEmpty()) {
    control->widget->setAccessibleName(ToQ(text));
  }
  return true;
}

std::optional<std::string> QtUi::ToolTip(WindowHandle window, uint16_t id) const {
  const ControlEntry* control = Find(window, id);
  return control ? control->toolTip : std::nullopt;
}

void QtUi::CheckMenuItem(WindowHandle window, uint16_t itemId, bool checked) {
  WindowEntry* entry = FindWindow(window);
  if (entry == nullptr) return;
  auto it = entry->menuChecks.find(itemId);
  if (it == entry->menuChecks.end()) return;
  it->second = checked;
  if (QAction* action = entry->menuActions[itemId].data()) {
    const QSignalBlocker block(action);
    // An item that carries a mark once (the servo units) keeps its box.
    if (checked) action->setCheckable(true);
    action->setChecked(checked);
  }
}

bool QtUi::IsMenuItemChecked(WindowHandle window, uint16_t itemId) const {
  const WindowEntry* entry = FindWindow(window);
  if (entry == nullptr) return false;
  auto it = entry->menuChecks.find(itemId);
  return it != entry->menuChecks.end() && it->second;
}

QAction* QtUi::MenuAction(WindowHandle window, uint16_t itemId) const {
  const WindowEntry* entry = FindWindow(window);
  if (entry == nullptr) return nullptr;
  auto it = entry->menuActions.find(itemId);
  return it == entry->menuActions.end() ? nullptr : it->second.data();
}

}  // namespace vt::platform::qt
