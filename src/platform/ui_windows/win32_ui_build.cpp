// Win32Ui: construction, building dialogs from the templates, menus, the
// busy strip, and the dialog procedure through which controls report what
// the user does.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include "platform/ui_windows/memory_template.h"
#include "platform/ui_windows/picture_bitmap.h"
#include "platform/ui_windows/ui_messages.h"
#include "platform/ui_windows/wide_text.h"
#include "platform/ui_windows/win32_ui.h"

namespace vt::platform::win32 {

namespace {

constexpr wchar_t kHostClass[] = L"VelotrackUiHost";
constexpr int kStripHeightDu = 14;
constexpr int kStripBarWidthDu = 90;

void FillMenu(HMENU into, const std::vector<MenuItem>& items, std::vector<uint16_t>& ids,
              bool topLevel) {
  for (const MenuItem& item : items) {
    UINT flags = MF_STRING;
    if (topLevel && item.rightAligned) flags |= MF_RIGHTJUSTIFY;
    if (!item.items.empty()) {
      HMENU popup = CreatePopupMenu();
      FillMenu(popup, item.items, ids, false);
      AppendMenuW(into, flags | MF_POPUP, reinterpret_cast<UINT_PTR>(popup),
                  Widen(item.text).c_str());
      continue;
    }
    if (item.id == 0 && item.text.empty()) {
      AppendMenuW(into, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    if (item.checked) flags |= MF_CHECKED;
    AppendMenuW(into, flags, item.id, Widen(item.text).c_str());
    ids.push_back(item.id);
  }
}

}  // namespace

Win32Ui::Win32Ui(const TemplateCatalog& catalog) : catalog_(catalog) {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_TAB_CLASSES |
                                                      ICC_BAR_CLASSES | ICC_PROGRESS_CLASS |
                                                      ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW host{};
  host.cbSize = sizeof(host);
  host.lpfnWndProc = &Win32Ui::HostProc;
  host.hInstance = instance;
  host.lpszClassName = kHostClass;
  RegisterClassExW(&host);  // fails harmlessly when a second Ui registers it again
  host_ = CreateWindowExW(0, kHostClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance,
                          nullptr);
  if (host_ != nullptr) SetWindowLongPtrW(host_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

Win32Ui::~Win32Ui() {
  handler_ = nullptr;
  std::vector<WindowHandle> tops;
  for (const auto& [handle, entry] : windows_) {
    if (entry.parent == kNoWindow) tops.push_back(handle);
  }
  for (WindowHandle handle : tops) DestroyWindow(handle);
  StopWatchingDevices();
  if (host_ != nullptr) ::DestroyWindow(host_);
  for (auto& [colour, brush] : brushes_) DeleteObject(brush);
  // A quit this Ui posted and no loop took must not end the next one.
  if (quitCode_) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
  }
}

void Win32Ui::SetEventHandler(EventHandler handler) { handler_ = std::move(handler); }

void Win32Ui::SetIcons(HICON big, HICON small) {
  bigIcon_ = big;
  smallIcon_ = small;
  for (const auto& [handle, entry] : windows_) {
    if (!entry.topLevel || entry.hwnd == nullptr) continue;
    SendMessageW(entry.hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
    SendMessageW(entry.hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
  }
}

// ---- Building ---------------------------------------------------------------

WindowHandle Win32Ui::CreateDialogWindow(uint16_t templateId, WindowHandle parent) {
  const DialogTemplate* tpl = catalog_.FindDialog(templateId);
  if (tpl == nullptr) return kNoWindow;
  if (parent != kNoWindow && FindWindow(parent) == nullptr) return kNoWindow;
  const WindowHandle handle = Build(*tpl, parent);
  if (handle == kNoWindow) return kNoWindow;
  WindowEntry& entry = windows_.at(handle);
  if (entry.visible) {
    if (entry.topLevel) {
      ShowLater(handle);
    } else {
      ShowWindow(handle, true);
    }
  }
  return handle;
}

WindowHandle Win32Ui::Build(const DialogTemplate& tpl, WindowHandle parent) {
  std::string error;
  const MemoryTemplate memory = MemoryTemplate::Build(tpl, &error);
  if (memory.Empty()) return kNoWindow;
  const WindowHandle handle = nextHandle_++;
  WindowEntry& entry = windows_[handle];
  entry.templateId = tpl.id;
  entry.parent = parent;
  entry.topLevel = parent == kNoWindow;
  entry.style = tpl.style;
  entry.caption = tpl.caption;
  entry.place = tpl.place;
  entry.visible = (tpl.style & style::kHidden) == 0;

  // A page lives in its parent; a window made while an operation runs (its
  // progress window) is owned by the window the operation runs on.
  HWND owner = parent != kNoWindow ? Hwnd(parent) : Hwnd(operationWindow_);
  BuildContext context{this, handle};
  const WindowHandle outer = building_;
  building_ = handle;
  HWND hwnd = CreateDialogIndirectParamW(
      GetModuleHandleW(nullptr), static_cast<LPCDLGTEMPLATEW>(memory.Data()), owner,
      &Win32Ui::DialogProc, reinterpret_cast<LPARAM>(&context));
  building_ = outer;
  WindowEntry* built = FindWindow(handle);
  if (hwnd == nullptr || built == nullptr || built->hwnd != hwnd) {
    if (hwnd != nullptr) ::DestroyWindow(hwnd);
    if (built != nullptr) ReleaseWindow(*built);
    windows_.erase(handle);
    return kNoWindow;
  }
  if (built->topLevel) {
    if (tpl.menuId != 0 && catalog_.FindMenu(tpl.menuId) != nullptr) {
      AttachMenu(*built, tpl.menuId);
      AddBusyStrip(*built);
    }
    FitFrame(*built);
    if (bigIcon_ != nullptr) SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_));
    if (smallIcon_ != nullptr) {
      SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
    }
  }
  return handle;
}

// Inside WM_INITDIALOG: the controls exist, nothing else has run yet.
void Win32Ui::OnInitDialog(WindowHandle handle, HWND hwnd) {
  WindowEntry* entry = FindWindow(handle);
  if (entry == nullptr) return;
  entry->hwnd = hwnd;
  byHwnd_[hwnd] = handle;
  if (const DialogTemplate* tpl = catalog_.FindDialog(entry->templateId)) {
    CollectControls(*entry, *tpl);
  }
  if (entry->modal) {
    if (!modals_.empty() && modals_.back().hwnd == nullptr) modals_.back().hwnd = hwnd;
    FitFrame(*entry);
    if (bigIcon_ != nullptr) SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_));
    if (entry->onInit != nullptr && *entry->onInit) (*entry->onInit)(handle);
  }
}

void Win32Ui::CollectControls(WindowEntry& entry, const DialogTemplate& tpl) {
  // The dialog manager makes the controls in template order, and that is
  // their order among the dialog's children (the tab order).
  std::vector<HWND> children;
  for (HWND child = GetWindow(entry.hwnd, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    children.push_back(child);
  }
  auto matches = [&](const std::vector<HWND>& list) {
    if (list.size() != tpl.controls.size()) return false;
    for (size_t i = 0; i < list.size(); ++i) {
      if (static_cast<uint16_t>(GetDlgCtrlID(list[i])) != tpl.controls[i].id) return false;
    }
    return true;
  };
  if (!matches(children)) {
    std::reverse(children.begin(), children.end());
    if (!matches(children)) children.clear();
  }
  entry.controls.clear();
  entry.controls.reserve(tpl.controls.size());
  for (size_t i = 0; i < tpl.controls.size(); ++i) {
    const ControlTemplate& ct = tpl.controls[i];
    ControlEntry control;
    control.id = ct.id;
    control.cls = ct.cls;
    control.place = ct.place;
    control.colours = ct.colours;
    control.text = ct.text;
    if (!children.empty()) {
      control.hwnd = children[i];
    } else if (ct.id != kUnnamedControl) {
      control.hwnd = GetDlgItem(entry.hwnd, ct.id);
    }
    entry.controls.push_back(control);
  }
  for (size_t i = 0; i < tpl.controls.size(); ++i) {
    const ControlTemplate& ct = tpl.controls[i];
    ControlEntry& control = entry.controls[i];
    if (control.hwnd == nullptr) continue;
    if (ct.cls == ControlClass::Picture && ct.bitmapId != 0) ShowPicture(control, ct.bitmapId);
    if (ct.cls == ControlClass::TrackBar) {
      // A track bar's page is a fifth of its range, as the facade promises.
      SendMessageW(control.hwnd, TBM_SETPAGESIZE, 0, 20);
    }
    if (ct.cls == ControlClass::ProgressBar) SendMessageW(control.hwnd, PBM_SETRANGE32, 0, 100);
  }
  FitAllToText(entry);
}

void Win32Ui::AttachMenu(WindowEntry& entry, uint16_t menuId) {
  const MenuTemplate* menu = catalog_.FindMenu(menuId);
  if (menu == nullptr) return;
  HMENU bar = CreateMenu();
  FillMenu(bar, menu->items, entry.menuItems, true);
  if (!SetMenu(entry.hwnd, bar)) {
    DestroyMenu(bar);
    entry.menuItems.clear();
    return;
  }
  entry.menu = bar;
}

// The busy strip under the client area: what the running operation does
// and how far it is. It is always there, so the window never jumps.
void Win32Ui::AddBusyStrip(WindowEntry& entry) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  entry.busyLabel = CreateWindowExW(
      0, WC_STATICW, L"", WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_NOPREFIX | SS_CENTERIMAGE | SS_ENDELLIPSIS,
      0, 0, 0, 0, entry.hwnd, nullptr, instance, nullptr);
  entry.busyBar = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD, 0, 0, 0, 0, entry.hwnd,
                                  nullptr, instance, nullptr);
  const LPARAM font = static_cast<LPARAM>(SendMessageW(entry.hwnd, WM_GETFONT, 0, 0));
  if (entry.busyLabel != nullptr) SendMessageW(entry.busyLabel, WM_SETFONT, static_cast<WPARAM>(font), FALSE);
}

// Sizes a top-level window so that its client area is the template's size
// (plus the busy strip), whatever the frame, the menu bar and the DPI take.
void Win32Ui::FitFrame(WindowEntry& entry) {
  if (entry.hwnd == nullptr || !entry.topLevel) return;
  const WindowHandle handle = HandleOf(entry.hwnd);
  Rect want = ToPixels(handle, {0, 0, entry.place.width, entry.place.height});
  if (entry.busyLabel != nullptr) want.height += ToPixels(handle, {0, 0, 0, kStripHeightDu}).height;
  // A menu bar that wraps changes the frame once more, hence two rounds.
  for (int round = 0; round < 2; ++round) {
    RECT window{};
    RECT client{};
    ::GetWindowRect(entry.hwnd, &window);
    GetClientRect(entry.hwnd, &client);
    if (client.right == want.width && client.bottom == want.height) break;
    const int frameW = (window.right - window.left) - client.right;
    const int frameH = (window.bottom - window.top) - client.bottom;
    SetWindowPos(entry.hwnd, nullptr, 0, 0, want.width + frameW, want.height + frameH,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  LayoutBusyStrip(entry);
}

void Win32Ui::LayoutBusyStrip(WindowEntry& entry) {
  if (entry.busyLabel == nullptr) return;
  const WindowHandle handle = HandleOf(entry.hwnd);
  const Rect client = ToPixels(handle, {0, 0, entry.place.width, entry.place.height});
  const Rect strip = ToPixels(handle, {4, 0, kStripBarWidthDu, kStripHeightDu});
  const int barWidth = strip.width;
  const int margin = strip.x;
  const int barHeight = ToPixels(handle, {0, 0, 0, 9}).height;
  const int top = client.height;
  SetWindowPos(entry.busyLabel, nullptr, margin, top, std::max(0, client.width - barWidth - 3 * margin),
               strip.height, SWP_NOZORDER | SWP_NOACTIVATE);
  if (entry.busyBar != nullptr) {
    SetWindowPos(entry.busyBar, nullptr, client.width - barWidth - margin,
                 top + (strip.height - barHeight) / 2, barWidth, barHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void Win32Ui::ShowPicture(ControlEntry& control, uint16_t bitmapId) {
  const Bitmap* bitmap = catalog_.FindBitmap(bitmapId);
  if (bitmap == nullptr || control.hwnd == nullptr) return;
  RECT size{};
  GetClientRect(control.hwnd, &size);
  HBITMAP picture = MakePicture(*bitmap, size.right, size.bottom);
  if (picture == nullptr) return;
  SendMessageW(control.hwnd, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture));
  if (control.bitmap != nullptr) DeleteObject(control.bitmap);
  control.bitmap = picture;
  control.picture = bitmapId;
}

// ---- The dialog procedure -------------------------------------------------------

INT_PTR CALLBACK Win32Ui::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    const auto* context = reinterpret_cast<const BuildContext*>(lParam);
    if (context == nullptr || context->ui == nullptr) return TRUE;
    SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(context->ui));
    context->ui->OnInitDialog(context->handle, hwnd);
    return TRUE;
  }
  auto* ui = reinterpret_cast<Win32Ui*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  if (ui == nullptr) return FALSE;
  if (message == WM_NCDESTROY) {
    const WindowHandle handle = ui->HandleOf(hwnd);
    ui->byHwnd_.erase(hwnd);
    if (WindowEntry* entry = ui->FindWindow(handle)) entry->hwnd = nullptr;
    return FALSE;
  }
  const WindowHandle handle = ui->HandleOf(hwnd);
  if (handle == kNoWindow) return FALSE;
  return ui->OnMessage(handle, hwnd, message, wParam, lParam);
}

INT_PTR Win32Ui::OnMessage(WindowHandle handle, HWND hwnd, UINT message, WPARAM wParam,
                           LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      return OnCommand(handle, wParam, lParam) ? TRUE : FALSE;
    case WM_HSCROLL:
    case WM_VSCROLL: {
      const ControlEntry* control = FindByHwnd(handle, reinterpret_cast<HWND>(lParam));
      if (control == nullptr || control->cls != ControlClass::TrackBar) return FALSE;
      if (InputBlocked(handle)) return TRUE;
      const auto code = static_cast<uint16_t>(LOWORD(wParam));
      if (code <= notify::kTbEndTrack) Raise({handle, EventKind::Scroll, control->id, code});
      return TRUE;
    }
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header == nullptr) return FALSE;
      const bool changing = header->code == static_cast<UINT>(TCN_SELCHANGING);
      if (!changing && header->code != static_cast<UINT>(TCN_SELCHANGE)) return FALSE;
      const ControlEntry* control = FindByHwnd(handle, header->hwndFrom);
      if (control == nullptr || control->cls != ControlClass::TabControl) return FALSE;
      if (changing) {
        // A held window keeps its page: the tab control is told "no".
        SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, InputBlocked(handle) ? TRUE : FALSE);
        return TRUE;
      }
      if (!InputBlocked(handle)) Raise({handle, EventKind::TabChange, control->id, 0});
      return TRUE;
    }
    case WM_TIMER: {
      const auto timerId = static_cast<uint16_t>(wParam);
      // A tick that comes while the paint pump runs or an operation waits
      // for an answer is dropped: the poll must not talk to the board in
      // the middle of an operation.
      if (pumping_ || operationDepth_ > 0 || !timers_.contains({handle, timerId})) return TRUE;
      ++timerTicks_;
      Raise({handle, EventKind::Timer, timerId, 0});
      return TRUE;
    }
    case WM_CTLCOLORSTATIC:
      return OnControlColour(handle, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_SETCURSOR:
      if (operationDepth_ == 0) return FALSE;
      SetCursor(LoadCursorW(nullptr, IDC_APPSTARTING));
      SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, TRUE);
      return TRUE;
    case WM_CLOSE: {
      const WindowEntry* entry = FindWindow(handle);
      // A modal dialog's close is its Cancel, which the dialog manager sends.
      if (entry == nullptr || entry->modal) return FALSE;
      RequestClose(handle);
      return TRUE;
    }
    case WM_DPICHANGED:
      // The dialog manager rescales the window and its controls; the strip
      // and the pictures follow once it is done.
      PostMessageW(host_, kRelayoutMessage, handle, 0);
      return FALSE;
    default:
      return FALSE;
  }
}

bool Win32Ui::OnCommand(WindowHandle handle, WPARAM wParam, LPARAM lParam) {
  const auto id = static_cast<uint16_t>(LOWORD(wParam));
  const auto code = static_cast<uint16_t>(HIWORD(wParam));
  const auto from = reinterpret_cast<HWND>(lParam);
  const WindowEntry* entry = FindWindow(handle);
  if (entry == nullptr) return false;
  if (from == nullptr) {
    if (code == 0 && std::find(entry->menuItems.begin(), entry->menuItems.end(), id) !=
                         entry->menuItems.end()) {
      if (!InputBlocked(handle)) Raise({handle, EventKind::Command, id, notify::kMenu});
      return true;
    }
    // Enter and Escape, as the dialog manager turns them into OK and Cancel:
    // they close a modal dialog; a window without such buttons ignores them.
    if (entry->modal && !InputBlocked(handle) && (id == kIdOk || id == kIdCancel)) {
      EndDialog(entry->hwnd, id);
    }
    return true;
  }
  const ControlEntry* control = FindByHwnd(handle, from);
  if (control == nullptr) return false;
  if (InputBlocked(handle)) {
    // While an operation runs or a question is open, what the user does is
    // dropped, as if the window had been disabled; a check box that turned
    // its mark over on its own turns it back.
    const LONG type = GetWindowLongW(from, GWL_STYLE) & BS_TYPEMASK;
    if (code == BN_CLICKED && control->cls == ControlClass::CheckBox && type == BS_AUTOCHECKBOX) {
      const bool checked = SendMessageW(from, BM_GETCHECK, 0, 0) == BST_CHECKED;
      SendMessageW(from, BM_SETCHECK, checked ? BST_UNCHECKED : BST_CHECKED, 0);
    }
    return true;
  }
  switch (control->cls) {
    case ControlClass::PushButton:
      if (code != BN_CLICKED) return true;
      if (entry->modal && (id == kIdOk || id == kIdCancel)) {
        EndDialog(entry->hwnd, id);
        return true;
      }
      Raise({handle, EventKind::Command, id, notify::kButtonClicked});
      return true;
    case ControlClass::CheckBox:
      if (code == BN_CLICKED) Raise({handle, EventKind::Command, id, notify::kButtonClicked});
      return true;
    case ControlClass::ComboBox:
      if (code == CBN_SELCHANGE) Raise({handle, EventKind::Command, id, notify::kSelChange});
      return true;
    case ControlClass::ListBox:
      if (code == LBN_SELCHANGE) Raise({handle, EventKind::Command, id, notify::kSelChange});
      return true;
    case ControlClass::Edit:
      if (code == EN_CHANGE && quietEdits_ == 0) {
        Raise({handle, EventKind::Command, id, notify::kEditChange});
      }
      return true;
    default:
      return false;
  }
}

INT_PTR Win32Ui::OnControlColour(WindowHandle handle, HDC dc, HWND control) {
  const ControlEntry* entry = FindByHwnd(handle, control);
  if (entry == nullptr || entry->colours == ControlColours{}) return FALSE;
  const ControlColours& c = entry->colours;
  if (c.text) SetTextColor(dc, RGB(c.text->r, c.text->g, c.text->b));
  // A group box's background is only behind its caption; filling would
  // paint over what it frames.
  const bool fill = entry->cls != ControlClass::GroupBox;
  if (fill && c.background) {
    const COLORREF colour = RGB(c.background->r, c.background->g, c.background->b);
    HBRUSH& brush = brushes_[colour];
    if (brush == nullptr) brush = CreateSolidBrush(colour);
    SetBkColor(dc, colour);
    return reinterpret_cast<INT_PTR>(brush);
  }
  SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
  if (!fill) SetBkMode(dc, TRANSPARENT);
  return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
}

LRESULT CALLBACK Win32Ui::HostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* ui = reinterpret_cast<Win32Ui*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (ui == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
  switch (message) {
    case kDrainMessage:
      ui->DrainOne();
      return 0;
    case kShowMessage: {
      const auto handle = static_cast<WindowHandle>(wParam);
      const WindowEntry* entry = ui->FindWindow(handle);
      if (entry != nullptr && entry->visible && !entry->shownOnce) ui->ShowWindow(handle, true);
      return 0;
    }
    case WM_DEVICECHANGE:
      ui->OnDeviceChange(wParam, lParam);
      return TRUE;
    case kRelayoutMessage: {
      WindowEntry* entry = ui->FindWindow(static_cast<WindowHandle>(wParam));
      if (entry == nullptr) return 0;
      // The dialog manager made a font for the new DPI and gave it to the
      // template's controls; the busy label is ours and gets it here.
      if (entry->busyLabel != nullptr && entry->hwnd != nullptr) {
        const auto font = static_cast<WPARAM>(SendMessageW(entry->hwnd, WM_GETFONT, 0, 0));
        SendMessageW(entry->busyLabel, WM_SETFONT, font, TRUE);
      }
      ui->LayoutBusyStrip(*entry);
      // The dialog manager put the controls back in their template places.
      ui->FitAllToText(*entry);
      for (auto& [handle, page] : ui->windows_) {
        if (page.parent == static_cast<WindowHandle>(wParam)) ui->FitAllToText(page);
      }
      for (ControlEntry& control : entry->controls) {
        if (control.cls == ControlClass::Picture && control.picture != 0) {
          ui->ShowPicture(control, control.picture);
        }
      }
      return 0;
    }
    default:
      return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

}  // namespace vt::platform::win32
