#include "win32_test_ui.h"

#include <windows.h>
#include <commctrl.h>

#include "platform/ui_windows/wide_text.h"

namespace vt::platform::win32 {

Win32TestUi::Win32TestUi(const TemplateCatalog& catalog) : Win32Ui(catalog) {
  SetUnattended(true);
  SetManualTimers(true);
  SetOffScreen(true);
  SetModalResponder([this](WindowHandle dialog) {
    ShownModal shown;
    shown.templateId = TemplateOf(dialog);
    shown.caption = GetCaption(dialog);
    for (uint16_t id : ControlIds(dialog)) shown.texts[id] = GetText(dialog, id);
    if (!modalResults_.empty()) {
      shown.result = modalResults_.front();
      modalResults_.pop_front();
    }
    modals_.push_back(shown);
    return shown.result;
  });
}

HWND Win32TestUi::UserTarget(WindowHandle window, uint16_t id, ControlClass cls) const {
  const HWND control = ControlHwnd(window, id);
  if (control == nullptr || ClassOf(window, id) != cls) return nullptr;
  if (!IsWindowEnabled(control) || (GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) == 0) {
    return nullptr;
  }
  return control;
}

bool Win32TestUi::UserClick(WindowHandle window, uint16_t id) {
  HWND button = UserTarget(window, id, ControlClass::PushButton);
  if (button == nullptr) {
    button = UserTarget(window, id, ControlClass::CheckBox);
    if (button == nullptr) return false;
    // An automatic check box turns its mark over before it tells its owner.
    const bool checked = SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
    SendMessageW(button, BM_SETCHECK, checked ? BST_UNCHECKED : BST_CHECKED, 0);
  }
  SendMessageW(GetParent(button), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(button));
  return true;
}

bool Win32TestUi::UserSelect(WindowHandle window, uint16_t id, int index) {
  const HWND combo = UserTarget(window, id, ControlClass::ComboBox);
  if (combo == nullptr || index < 0 || index >= SelectorCount(window, id)) return false;
  SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(combo));
  return true;
}

bool Win32TestUi::UserMoveTrack(WindowHandle window, uint16_t id, int pos, uint16_t code) {
  const HWND bar = UserTarget(window, id, ControlClass::TrackBar);
  if (bar == nullptr) return false;
  SendMessageW(bar, TBM_SETPOS, TRUE, pos);
  const auto at = static_cast<uint16_t>(SendMessageW(bar, TBM_GETPOS, 0, 0));
  SendMessageW(GetParent(bar), WM_HSCROLL, MAKEWPARAM(code, at), reinterpret_cast<LPARAM>(bar));
  return true;
}

bool Win32TestUi::UserEnterText(WindowHandle window, uint16_t id, const std::string& text) {
  const HWND edit = UserTarget(window, id, ControlClass::Edit);
  if (edit == nullptr) return false;
  // The edit itself tells its owner (EN_CHANGE), as when someone types.
  SetWindowTextW(edit, Widen(text).c_str());
  return true;
}

bool Win32TestUi::UserChooseMenu(WindowHandle window, uint16_t itemId) {
  const HMENU menu = Menu(window);
  if (menu == nullptr) return false;
  const UINT state = GetMenuState(menu, itemId, MF_BYCOMMAND);
  if (state == static_cast<UINT>(-1) || (state & (MF_GRAYED | MF_DISABLED | MF_POPUP)) != 0) {
    return false;
  }
  SendMessageW(Hwnd(window), WM_COMMAND, MAKEWPARAM(itemId, 0), 0);
  return true;
}

bool Win32TestUi::UserSelectTab(WindowHandle window, uint16_t id, int index) {
  const HWND tabs = UserTarget(window, id, ControlClass::TabControl);
  if (tabs == nullptr || index < 0 || index >= TabCount(window, id)) return false;
  SendMessageW(tabs, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
  NMHDR header{};
  header.hwndFrom = tabs;
  header.idFrom = id;
  header.code = static_cast<UINT>(TCN_SELCHANGE);
  SendMessageW(GetParent(tabs), WM_NOTIFY, id, reinterpret_cast<LPARAM>(&header));
  return true;
}

void Win32TestUi::UserClose(WindowHandle window) {
  if (const HWND hwnd = Hwnd(window)) SendMessageW(hwnd, WM_CLOSE, 0, 0);
}

}  // namespace vt::platform::win32
