// Win32Ui: long board operations: the busy strip with its progress bar,
// the busy cursor and the menu bar taken out of use meanwhile.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include "platform/ui_windows/wide_text.h"
#include "platform/ui_windows/win32_ui.h"

namespace vt::platform::win32 {

namespace {

void SetMarquee(HWND bar, bool on) {
  LONG style = GetWindowLongW(bar, GWL_STYLE);
  style = on ? (style | PBS_MARQUEE) : (style & ~static_cast<LONG>(PBS_MARQUEE));
  SetWindowLongW(bar, GWL_STYLE, style);
  SendMessageW(bar, PBM_SETMARQUEE, on ? TRUE : FALSE, 30);
}

}  // namespace

void Win32Ui::SetMenuBarEnabled(WindowHandle window, bool enabled) {
  const WindowEntry* entry = FindWindow(window);
  if (entry == nullptr || entry->menu == nullptr) return;
  const int count = GetMenuItemCount(entry->menu);
  for (int i = 0; i < count; ++i) {
    EnableMenuItem(entry->menu, static_cast<UINT>(i), MF_BYPOSITION | (enabled ? MF_ENABLED : MF_GRAYED));
  }
  DrawMenuBar(entry->hwnd);
}

void Win32Ui::BeginOperation(WindowHandle window, const std::string& status) {
  if (operationDepth_++ > 0) return;
  operationWindow_ = window;
  close_.Reset();
  // A drag begun before the operation would otherwise never see its end.
  ReleaseCapture();
  SetCursor(LoadCursorW(nullptr, IDC_APPSTARTING));
  const WindowEntry* entry = FindWindow(window);
  if (entry == nullptr) return;
  SetMenuBarEnabled(window, false);
  if (entry->busyLabel != nullptr) SetWindowTextW(entry->busyLabel, Widen(status).c_str());
  if (entry->busyBar != nullptr) {
    SetMarquee(entry->busyBar, true);  // busy until the first progress arrives
    ::ShowWindow(entry->busyBar, SW_SHOWNA);
  }
}

void Win32Ui::OperationProgress(int done, int total) {
  if (operationDepth_ == 0) return;
  const HWND bar = BusyBar(operationWindow_);
  if (bar == nullptr) return;
  if (total <= 0) {
    if ((GetWindowLongW(bar, GWL_STYLE) & PBS_MARQUEE) == 0) SetMarquee(bar, true);
    return;
  }
  if (GetWindowLongW(bar, GWL_STYLE) & PBS_MARQUEE) SetMarquee(bar, false);
  SendMessageW(bar, PBM_SETRANGE32, 0, total);
  SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(std::clamp(done, 0, total)), 0);
}

void Win32Ui::EndOperation() {
  if (operationDepth_ == 0 || --operationDepth_ > 0) return;
  // What the user did during the last stretch is dropped too.
  PumpPaintMessages();
  const WindowHandle window = operationWindow_;
  operationWindow_ = kNoWindow;
  if (const WindowEntry* entry = FindWindow(window)) {
    SetMenuBarEnabled(window, true);
    if (entry->busyLabel != nullptr) SetWindowTextW(entry->busyLabel, L"");
    if (entry->busyBar != nullptr) {
      SetMarquee(entry->busyBar, false);
      SendMessageW(entry->busyBar, PBM_SETRANGE32, 0, 1);
      SendMessageW(entry->busyBar, PBM_SETPOS, 0, 0);
      ::ShowWindow(entry->busyBar, SW_HIDE);
    }
  }
  SetCursor(LoadCursorW(nullptr, IDC_ARROW));
  if (close_.TakeAtEnd()) Queue({window, EventKind::Close, 0, 0});
  ScheduleDrain();
}

}  // namespace vt::platform::win32
