// Win32Ui: the windows themselves: modal runs, showing, moving, destruction,
// and finding windows and controls.
#include <algorithm>

#include "platform/ui_windows/memory_template.h"
#include "platform/ui_windows/ui_messages.h"
#include "platform/ui_windows/wide_text.h"
#include "platform/ui_windows/win32_ui.h"

namespace vt::platform::win32 {

namespace {

int Scale(int value, int numerator, int denominator) { return MulDiv(value, numerator, denominator); }

}  // namespace

// ---- Finding ------------------------------------------------------------------

Win32Ui::WindowEntry* Win32Ui::FindWindow(WindowHandle window) {
  auto it = windows_.find(window);
  return it == windows_.end() ? nullptr : &it->second;
}

const Win32Ui::WindowEntry* Win32Ui::FindWindow(WindowHandle window) const {
  auto it = windows_.find(window);
  return it == windows_.end() ? nullptr : &it->second;
}

Win32Ui::ControlEntry* Win32Ui::Find(WindowHandle window, uint16_t id) {
  WindowEntry* entry = FindWindow(window);
  if (entry == nullptr || id == kUnnamedControl) return nullptr;
  for (ControlEntry& control : entry->controls) {
    if (control.id == id && control.hwnd != nullptr) return &control;
  }
  return nullptr;
}

const Win32Ui::ControlEntry* Win32Ui::Find(WindowHandle window, uint16_t id) const {
  return const_cast<Win32Ui*>(this)->Find(window, id);
}

HWND Win32Ui::HwndOf(WindowHandle window, uint16_t id, ControlClass cls) const {
  const ControlEntry* control = Find(window, id);
  return control != nullptr && control->cls == cls ? control->hwnd : nullptr;
}

const Win32Ui::ControlEntry* Win32Ui::FindByHwnd(WindowHandle window, HWND control) const {
  const WindowEntry* entry = FindWindow(window);
  if (entry == nullptr || control == nullptr) return nullptr;
  for (const ControlEntry& c : entry->controls) {
    if (c.hwnd == control) return &c;
  }
  return nullptr;
}

HWND Win32Ui::Hwnd(WindowHandle window) const {
  const WindowEntry* entry = FindWindow(window);
  return entry ? entry->hwnd : nullptr;
}

HWND Win32Ui::ControlHwnd(WindowHandle window, uint16_t id) const {
  const ControlEntry* control = Find(window, id);
  return control ? control->hwnd : nullptr;
}

HMENU Win32Ui::Menu(WindowHandle window) const {
  const WindowEntry* entry = FindWindow(window);
  return entry ? entry->menu : nullptr;
}

HWND Win32Ui::BusyLabel(WindowHandle window) const {
  const WindowEntry* entry = FindWindow(window);
  return entry ? entry->busyLabel : nullptr;
}

HWND Win32Ui::BusyBar(WindowHandle window) const {
  const WindowEntry* entry = FindWindow(window);
  return entry ? entry->busyBar : nullptr;
}

WindowHandle Win32Ui::HandleOf(HWND hwnd) const {
  auto it = byHwnd_.find(hwnd);
  return it == byHwnd_.end() ? kNoWindow : it->second;
}

std::vector<WindowHandle> Win32Ui::WindowsOf(uint16_t templateId) const {
  std::vector<WindowHandle> found;
  for (const auto& [handle, entry] : windows_) {
    if (entry.templateId == templateId) found.push_back(handle);
  }
  return found;
}

Rect Win32Ui::ToPixels(WindowHandle window, const Rect& du) const {
  const HWND hwnd = Hwnd(window);
  if (hwnd == nullptr) return {};
  // The base units of the dialog's font: four horizontal and eight vertical
  // dialog units are one character.
  RECT base{0, 0, 4, 8};
  MapDialogRect(hwnd, &base);
  return {Scale(du.x, base.right, 4), Scale(du.y, base.bottom, 8), Scale(du.width, base.right, 4),
          Scale(du.height, base.bottom, 8)};
}

// ---- Modal dialogs ------------------------------------------------------------

int Win32Ui::RunModalDialog(uint16_t templateId, WindowHandle owner, const InitHandler& onInit) {
  const DialogTemplate* tpl = catalog_.FindDialog(templateId);
  if (tpl == nullptr) return -1;
  if (unattended_) {
    const WindowHandle handle = Build(*tpl, kNoWindow);
    if (handle == kNoWindow) return -1;
    windows_.at(handle).visible = true;
    if (onInit) onInit(handle);
    const int result = modalResponder_ ? modalResponder_(handle) : kIdOk;
    DestroyWindow(handle);
    return result;
  }
  std::string error;
  const MemoryTemplate memory = MemoryTemplate::Build(*tpl, &error);
  if (memory.Empty()) return -1;
  const WindowHandle handle = nextHandle_++;
  WindowEntry& entry = windows_[handle];
  entry.templateId = tpl->id;
  entry.topLevel = true;
  entry.modal = true;
  entry.visible = true;
  entry.shownOnce = true;
  entry.style = tpl->style;
  entry.caption = tpl->caption;
  entry.place = tpl->place;
  entry.onInit = &onInit;
  const HWND ownerHwnd = QuestionOwner(owner);
  const std::vector<HWND> disabled = DisableOtherWindows(ownerHwnd);
  modals_.push_back({});
  BuildContext context{this, handle};
  const INT_PTR result = DialogBoxIndirectParamW(
      GetModuleHandleW(nullptr), static_cast<LPCDLGTEMPLATEW>(memory.Data()), ownerHwnd,
      &Win32Ui::DialogProc, reinterpret_cast<LPARAM>(&context));
  if (!modals_.empty()) modals_.pop_back();
  EnableWindows(disabled);
  KillTimersOf(handle);
  posted_.DropWindow(handle);
  if (WindowEntry* done = FindWindow(handle)) {
    ReleaseWindow(*done);
    windows_.erase(handle);
  }
  // What waited for the dialog (posted commands, a close) may run now.
  ScheduleDrain();
  if (result == -1) return -1;
  return result == 0 ? kIdCancel : static_cast<int>(result);
}

// ---- Windows ------------------------------------------------------------------

void Win32Ui::ReleaseWindow(WindowEntry& entry) {
  for (ControlEntry& control : entry.controls) {
    if (control.bitmap != nullptr) DeleteObject(control.bitmap);
    control.bitmap = nullptr;
  }
}

void Win32Ui::DestroyWindow(WindowHandle window) {
  WindowEntry* entry = FindWindow(window);
  if (entry == nullptr) return;
  if (entry->modal) {
    // Its modal loop ends; RunModalDialog cleans up.
    if (entry->hwnd != nullptr) EndDialog(entry->hwnd, kIdCancel);
    return;
  }
  std::vector<WindowHandle> children;
  for (const auto& [handle, w] : windows_) {
    if (w.parent == window) children.push_back(handle);
  }
  for (WindowHandle child : children) DestroyWindow(child);
  KillTimersOf(window);
  posted_.DropWindow(window);
  entry = FindWindow(window);
  if (entry == nullptr) return;
  const HWND hwnd = entry->hwnd;
  std::vector<HBITMAP> bitmaps;
  for (ControlEntry& control : entry->controls) {
    if (control.bitmap != nullptr) bitmaps.push_back(control.bitmap);
  }
  windows_.erase(window);
  // The menu, the busy strip, the tooltips and any page go with the window;
  // the pictures only once the controls showing them are gone.
  if (hwnd != nullptr) ::DestroyWindow(hwnd);
  for (HBITMAP bitmap : bitmaps) DeleteObject(bitmap);
}

bool Win32Ui::IsWindow(WindowHandle window) const { return FindWindow(window) != nullptr; }

uint16_t Win32Ui::TemplateOf(WindowHandle window) const {
  const WindowEntry* entry = FindWindow(window);
  return entry ? entry->templateId : 0;
}

WindowHandle Win32Ui::ParentOf(WindowHandle window) const {
  const WindowEntry* entry = FindWindow(window);
  return entry ? entry->parent : kNoWindow;
}

void Win32Ui::ShowLater(WindowHandle window) {
  // Shown once the current work (the window's initialisation) returns to
  // the loop, as a dialog appears after its initialisation.
  if (host_ != nullptr) PostMessageW(host_, kShowMessage, window, 0);
}

void Win32Ui::CentreOnScreen(HWND hwnd) {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  if (!GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTOPRIMARY), &monitor)) return;
  RECT frame{};
  ::GetWindowRect(hwnd, &frame);
  const RECT& area = monitor.rcWork;
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  const int x = area.left + std::max(0L, (area.right - area.left - width) / 2);
  const int y = area.top + std::max(0L, (area.bottom - area.top - height) / 2);
  SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Ui::ShowWindow(WindowHandle window, bool show) {
  WindowEntry* entry = FindWindow(window);
  if (entry == nullptr || entry->hwnd == nullptr) return;
  entry->visible = show;
  if (!show) {
    ::ShowWindow(entry->hwnd, SW_HIDE);
    return;
  }
  if (entry->topLevel && !entry->shownOnce && (entry->style & style::kCentreOnScreen)) {
    CentreOnScreen(entry->hwnd);
  }
  entry->shownOnce = true;
  if (entry->topLevel) {
    if (!offScreen_) ::ShowWindow(entry->hwnd, SW_SHOW);
    return;
  }
  // A page goes above the tab control it is placed on.
  ::ShowWindow(entry->hwnd, SW_SHOWNA);
  SetWindowPos(entry->hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

bool Win32Ui::IsWindowVisible(WindowHandle window) const {
  const WindowEntry* entry = FindWindow(window);
  return entry != nullptr && entry->visible;
}

void Win32Ui::MoveWindow(WindowHandle window, const Rect& place) {
  WindowEntry* entry = FindWindow(window);
  if (entry == nullptr) return;
  entry->place = place;
  if (entry->hwnd == nullptr) return;
  if (entry->topLevel) {
    FitFrame(*entry);
    return;
  }
  const Rect px = ToPixels(entry->parent, place);
  SetWindowPos(entry->hwnd, nullptr, px.x, px.y, px.width, px.height,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

Rect Win32Ui::GetWindowRect(WindowHandle window) const {
  const WindowEntry* entry = FindWindow(window);
  return entry ? entry->place : Rect{};
}

std::string Win32Ui::GetCaption(WindowHandle window) const {
  const WindowEntry* entry = FindWindow(window);
  return entry ? entry->caption : std::string();
}

void Win32Ui::SetCaption(WindowHandle window, const std::string& caption) {
  WindowEntry* entry = FindWindow(window);
  if (entry == nullptr) return;
  entry->caption = caption;
  if (entry->hwnd != nullptr) SetWindowTextW(entry->hwnd, Widen(caption).c_str());
}

}  // namespace vt::platform::win32
