#pragma once

#include <windows.h>

#include "platform/ui/ui_types.h"

namespace vt::platform::win32 {

class Win32Ui;

// Messages the Ui posts to its own message-only window.
inline constexpr UINT kDrainMessage = WM_APP + 1;     // run the next posted event
inline constexpr UINT kShowMessage = WM_APP + 2;      // wParam: window to show now
inline constexpr UINT kRelayoutMessage = WM_APP + 3;  // wParam: window whose DPI changed

// What WM_INITDIALOG carries: the Ui and the window being built.
struct BuildContext {
  Win32Ui* ui = nullptr;
  WindowHandle handle = kNoWindow;
};

}  // namespace vt::platform::win32
