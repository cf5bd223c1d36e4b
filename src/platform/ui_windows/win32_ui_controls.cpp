// Win32Ui: the operations every control has: text, check, enabling,
// showing, colours, pictures, tooltips, and the menu's marks. Changes made
// here never raise events: the controls' own messages for them either do
// not notify or are held back (an edit's EN_CHANGE).
#include <windows.h>
#include <commctrl.h>

#include "platform/ui_windows/control_text.h"
#include "platform/ui_windows/wide_text.h"
#include "platform/ui_windows/win32_ui.h"

namespace vt::platform::win32 {

namespace {

bool ShowsWindowText(ControlClass cls) {
  switch (cls) {
    case ControlClass::Static:
    case ControlClass::GroupBox:
    case ControlClass::PushButton:
    case ControlClass::CheckBox:
    case ControlClass::Edit:
      return true;
    default:
      return false;
  }
}

}  // namespace

// ---- Any control --------------------------------------------------------------

bool Win32Ui::HasControl(WindowHandle window, uint16_t id) const { return Find(window, id) != nullptr; }

std::vector<uint16_t> Win32Ui::ControlIds(WindowHandle window) const {
  std::vector<uint16_t> ids;
  if (const WindowEntry* entry = FindWindow(window)) {
    for (const ControlEntry& control : entry->controls) {
      if (control.id != kUnnamedControl && control.hwnd != nullptr) ids.push_back(control.id);
    }
  }
  return ids;
}

std::optional<ControlClass> Win32Ui::ClassOf(WindowHandle window, uint16_t id) const {
  const ControlEntry* control = Find(window, id);
  if (control == nullptr) return std::nullopt;
  return control->cls;
}

Rect Win32Ui::GetControlRect(WindowHandle window, uint16_t id) const {
  const ControlEntry* control = Find(window, id);
  return control ? control->place : Rect{};
}

std::string Win32Ui::GetText(WindowHandle window, uint16_t id) const {
  const ControlEntry* control = Find(window, id);
  if (control == nullptr) return {};
  if (ShowsWindowText(control->cls)) return Narrow(WindowText(control->hwnd));
  // A drop-down list's text is its selected item.
  if (control->cls == ControlClass::ComboBox) return SelectedText(window, id);
  return control->text;
}

void Win32Ui::SetText(WindowHandle window, uint16_t id, const std::string& text) {
  ControlEntry* control = Find(window, id);
  if (control == nullptr) return;
  control->text = text;
  if (!ShowsWindowText(control->cls)) return;
  ++quietEdits_;
  SetWindowTextW(control->hwnd, Widen(text).c_str());
  --quietEdits_;
  FitToText(*control);
}

bool Win32Ui::IsChecked(WindowHandle window, uint16_t id) const {
  const HWND box = HwndOf(window, id, ControlClass::CheckBox);
  return box != nullptr && SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Win32Ui::SetCheck(WindowHandle window, uint16_t id, bool checked) {
  if (const HWND box = HwndOf(window, id, ControlClass::CheckBox)) {
    SendMessageW(box, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  }
}

bool Win32Ui::IsEnabled(WindowHandle window, uint16_t id) const {
  const ControlEntry* control = Find(window, id);
  return control != nullptr && IsWindowEnabled(control->hwnd);
}

void Win32Ui::Enable(WindowHandle window, uint16_t id, bool enable) {
  if (const ControlEntry* control = Find(window, id)) EnableWindow(control->hwnd, enable);
}

bool Win32Ui::IsVisible(WindowHandle window, uint16_t id) const {
  // The control's own visibility, whether or not its window is shown.
  const ControlEntry* control = Find(window, id);
  return control != nullptr && (GetWindowLongW(control->hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
}

void Win32Ui::Show(WindowHandle window, uint16_t id, bool show) {
  if (const ControlEntry* control = Find(window, id)) {
    ::ShowWindow(control->hwnd, show ? SW_SHOWNA : SW_HIDE);
  }
}

ControlColours Win32Ui::GetColours(WindowHandle window, uint16_t id) const {
  const ControlEntry* control = Find(window, id);
  return control ? control->colours : ControlColours{};
}

void Win32Ui::SetColours(WindowHandle window, uint16_t id, const ControlColours& colours) {
  ControlEntry* control = Find(window, id);
  if (control == nullptr || control->colours == colours) return;
  control->colours = colours;
  InvalidateRect(control->hwnd, nullptr, TRUE);
}

// ---- Pictures, tooltips, menu -------------------------------------------------------

void Win32Ui::SetPicture(WindowHandle window, uint16_t id, uint16_t bitmapId) {
  ControlEntry* control = Find(window, id);
  if (control == nullptr || control->cls != ControlClass::Picture) return;
  ShowPicture(*control, bitmapId);
}

uint16_t Win32Ui::PictureOf(WindowHandle window, uint16_t id) const {
  const ControlEntry* control = Find(window, id);
  return control != nullptr && control->cls == ControlClass::Picture ? control->picture : 0;
}

HWND Win32Ui::ToolTipsOf(WindowHandle window) {
  // One tooltip window per top-level window serves its pages too.
  WindowHandle root = window;
  while (FindWindow(root) != nullptr && FindWindow(root)->parent != kNoWindow) {
    root = FindWindow(root)->parent;
  }
  WindowEntry* entry = FindWindow(root);
  if (entry == nullptr || entry->hwnd == nullptr) return nullptr;
  if (entry->toolTips == nullptr) {
    entry->toolTips = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                      WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, entry->hwnd,
                                      nullptr, GetModuleHandleW(nullptr), nullptr);
    // Long tips wrap instead of running off the screen.
    if (entry->toolTips != nullptr) SendMessageW(entry->toolTips, TTM_SETMAXTIPWIDTH, 0, 400);
  }
  return entry->toolTips;
}

bool Win32Ui::AddToolTip(WindowHandle window, uint16_t id, const std::string& text) {
  ControlEntry* control = Find(window, id);
  if (control == nullptr) return false;
  const bool known = control->toolTip.has_value();
  control->toolTip = text;
  const HWND tips = ToolTipsOf(window);
  if (tips == nullptr) return true;
  // A static control lets the mouse through unless it notifies; the tip
  // needs the mouse.
  if (control->cls == ControlClass::Static || control->cls == ControlClass::Picture) {
    SetWindowLongW(control->hwnd, GWL_STYLE, GetWindowLongW(control->hwnd, GWL_STYLE) | SS_NOTIFY);
  }
  std::wstring wide = Widen(text);
  TTTOOLINFOW info{};
  info.cbSize = TTTOOLINFOW_V2_SIZE;
  info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  info.hwnd = GetParent(control->hwnd);
  info.uId = reinterpret_cast<UINT_PTR>(control->hwnd);
  info.lpszText = wide.data();
  SendMessageW(tips, known ? TTM_UPDATETIPTEXTW : TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
  return true;
}

std::optional<std::string> Win32Ui::ToolTip(WindowHandle window, uint16_t id) const {
  const ControlEntry* control = Find(window, id);
  return control ? control->toolTip : std::nullopt;
}

void Win32Ui::CheckMenuItem(WindowHandle window, uint16_t itemId, bool checked) {
  const WindowEntry* entry = FindWindow(window);
  if (entry == nullptr || entry->menu == nullptr) return;
  if (std::find(entry->menuItems.begin(), entry->menuItems.end(), itemId) == entry->menuItems.end()) {
    return;
  }
  ::CheckMenuItem(entry->menu, itemId, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

bool Win32Ui::IsMenuItemChecked(WindowHandle window, uint16_t itemId) const {
  const WindowEntry* entry = FindWindow(window);
  if (entry == nullptr || entry->menu == nullptr) return false;
  if (std::find(entry->menuItems.begin(), entry->menuItems.end(), itemId) == entry->menuItems.end()) {
    return false;
  }
  const UINT state = GetMenuState(entry->menu, itemId, MF_BYCOMMAND);
  return state != static_cast<UINT>(-1) && (state & MF_CHECKED) != 0;
}

}  // namespace vt::platform::win32
